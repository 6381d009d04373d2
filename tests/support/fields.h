// Test support: many record fields checked in one table against their expected values.
#pragma once

#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

namespace korim_test {

// A field's value next to its expected value, the expected value first put in the field's own
// type (so a float field is compared with the float nearest the expected number).
struct FieldValue {
  const char* name;
  double got, want;
};

inline void expectFields(const std::vector<FieldValue>& table) {
  for (const FieldValue& f : table) EXPECT_EQ(f.got, f.want) << f.name;
}

}  // namespace korim_test

#define KORIM_FIELD(rec, field, value)                                  \
  korim_test::FieldValue {                                              \
    #field, static_cast<double>((rec).field),                           \
        static_cast<double>(static_cast<std::remove_cvref_t<decltype((rec).field)>>(value)) \
  }
