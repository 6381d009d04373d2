// Test support: a fixture that runs a module's reset functions around each test.
#pragma once

#include <gtest/gtest.h>

namespace korim_test {

// Calls every reset, in order, before and after each test, so that no test sees the module
// state (caches, books, seeds) another test left behind.
template <auto... Resets>
struct Resetting : testing::Test {
  static void resetAll() { (static_cast<void>(Resets()), ...); }
  void SetUp() override { resetAll(); }
  void TearDown() override { resetAll(); }
};

}  // namespace korim_test
