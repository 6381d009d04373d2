// Heap sorts of int, float, double and text arrays, optionally carrying a
// companion int array.
#include "foundation/sort.h"

#include <cstring>

namespace korim::foundation {

namespace {

// The classic heap sort on the array viewed as 1-based (element k at
// a[k - 1]); the element being placed is held in its own type.
template <typename T, typename Less>
void heapSort(T *a, int n, int *comp, Less less) {
  if (n < 2) return;
  auto A = [a](int k) -> T & { return a[k - 1]; };
  auto C = [comp](int k) -> int & { return comp[k - 1]; };
  int l = (n >> 1) + 1, ir = n;
  for (;;) {
    T rra;
    int rrc = 0;
    if (l > 1) {
      --l;
      rra = A(l);
      if (comp) rrc = C(l);
    } else {
      rra = A(ir);
      A(ir) = A(1);
      if (comp) {
        rrc = C(ir);
        C(ir) = C(1);
      }
      if (--ir == 1) {
        A(1) = rra;
        if (comp) C(1) = rrc;
        break;
      }
    }
    int i = l, j = l + l;
    while (j <= ir) {
      if (j < ir && less(A(j), A(j + 1))) j++;
      if (less(rra, A(j))) {
        A(i) = A(j);
        if (comp) C(i) = C(j);
        i = j;
        j <<= 1;
      } else {
        break;
      }
    }
    A(i) = rra;
    if (comp) C(i) = rrc;
  }
}

template <typename T> bool lessThan(const T &x, const T &y) { return x < y; }

}  // namespace

int iSort(int *ra, int n) {
  heapSort(ra, n, nullptr, lessThan<int>);
  return 0;
}

int rSort(float *ra, int n) {
  heapSort(ra, n, nullptr, lessThan<float>);
  return 0;
}

int dSort(double *da, int n) {
  heapSort(da, n, nullptr, lessThan<double>);
  return 0;
}

int sSort(char **ra, int n) {
  heapSort(ra, n, nullptr, [](char *x, char *y) { return std::strcmp(x, y) < 0; });
  return 0;
}

int iSort2(int n, int *ia, int *ib) {
  heapSort(ia, n, ib, lessThan<int>);
  return 0;
}

int dSort2(int n, double *da, int *ib) {
  heapSort(da, n, ib, lessThan<double>);
  return 0;
}

}  // namespace korim::foundation
