// Work lists and peak matrices of the assignment search, taken from the tagged allocator and
// released with their owner on every path.
#pragma once

#include <type_traits>

#include "assignment/korim_utils_svd.h"
#include "foundation/memory.h"

namespace korim::assignment {

// A list of count (at least 1) ints or floats under one allocator tag.
template <typename T>
struct TaggedList {
  static_assert(std::is_same_v<T, int> || std::is_same_v<T, float>);
  const char* tag;
  int count;
  T* p = nullptr;
  TaggedList(const char* t, int n) : tag(t), count(n < 1 ? 1 : n) {}
  TaggedList(const TaggedList&) = delete;
  TaggedList& operator=(const TaggedList&) = delete;
  ~TaggedList() {
    if (p != nullptr) korim::foundation::unAlloc(tag, p, count * static_cast<int>(sizeof(T)));
  }
  bool take() {
    if constexpr (std::is_same_v<T, int>)
      p = korim::foundation::intAlloc(tag, count);
    else
      p = korim::foundation::fltAlloc(tag, count);
    return p != nullptr;
  }
};

// A matrix of rows x cols floats.
struct TaggedMatrix {
  int rows;
  int cols;
  float** m = nullptr;
  explicit TaggedMatrix(int r, int c = kPeakCols) : rows(r), cols(c) {}
  TaggedMatrix(const TaggedMatrix&) = delete;
  TaggedMatrix& operator=(const TaggedMatrix&) = delete;
  ~TaggedMatrix() { korim::foundation::matFree(m, cols, rows); }
  bool take(const char* tag) {
    m = korim::foundation::matAlloc(tag, cols, rows);
    return m != nullptr;
  }
};

}  // namespace korim::assignment
