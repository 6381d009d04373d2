// Book-style offset arrays over the tagged allocator, and nrerror.
#include "foundation/nrutil.h"

#include <cstdint>
#include <cstdio>

#include "foundation/memory.h"

namespace korim::foundation {

namespace {

const char *const kTag = "nr";

// Layout of an offset vector for nl..nh: the block starts `front` elements
// before index 0 (front > 0 only for a negative nl) and runs to index nh, so
// p = block + front never points before the block.
struct Span {
  int front;
  int count;
};

Span spanOf(int nl, int nh) {
  Span s;
  s.front = nl < 0 ? -nl : 0;
  s.count = s.front + (nh + 1 > 0 ? nh + 1 : 0);
  if (s.count < 1) s.count = 1;
  return s;
}

template <typename T> T *allocBlock(int count);
template <> float *allocBlock<float>(int count) { return fltAlloc(kTag, count); }
template <> int *allocBlock<int>(int count) { return intAlloc(kTag, count); }
template <> double *allocBlock<double>(int count) { return dFltAlloc(kTag, count); }

template <typename T> T *offsetVector(int nl, int nh, const char *msg) {
  Span s = spanOf(nl, nh);
  T *block = allocBlock<T>(s.count);
  if (!block) {
    nrerror(msg);
    return nullptr;
  }
  return block + s.front;
}

template <typename T> void freeOffsetVector(T *v, int nl, int nh) {
  if (!v) return;
  Span s = spanOf(nl, nh);
  unAlloc(kTag, v - s.front, s.count * static_cast<int>(sizeof(T)));
}

template <typename T> T **rowTable(int nrl, int nrh) {
  Span s = spanOf(nrl, nrh);
  void *raw = voidMalloc(kTag, s.count * static_cast<int>(sizeof(T *)));
  if (!raw) return nullptr;
  T **table = static_cast<T **>(raw);
  for (int i = 0; i < s.count; ++i) table[i] = nullptr;
  return table + s.front;
}

template <typename T> void freeRowTable(T **m, int nrl, int nrh) {
  Span s = spanOf(nrl, nrh);
  unAlloc(kTag, m - s.front, s.count * static_cast<int>(sizeof(T *)));
}

template <typename T> void freeOffsetMatrix(T **m, int nrl, int nrh, int ncl, int nch) {
  if (!m) return;
  for (int i = nrh; i >= nrl; --i) freeOffsetVector(m[i], ncl, nch);
  freeRowTable(m, nrl, nrh);
}

template <typename T>
T **offsetMatrix(int nrl, int nrh, int ncl, int nch, const char *msg1, const char *msg2) {
  T **m = rowTable<T>(nrl, nrh);
  if (!m) {
    nrerror(msg1);
    return nullptr;
  }
  for (int i = nrl; i <= nrh; ++i) {
    Span s = spanOf(ncl, nch);
    T *block = allocBlock<T>(s.count);
    if (!block) {
      nrerror(msg2);
      freeOffsetMatrix(m, nrl, nrh, ncl, nch);  // rows not made are null
      return nullptr;
    }
    m[i] = block + s.front;
  }
  return m;
}

}  // namespace

void nrerror(const char *error_text) {
  std::fprintf(stderr, "Utility Error: ");
  std::fprintf(stderr, "%s\n", error_text ? error_text : "");
  std::fprintf(stderr, "Aborting.\n");
}

float *vector(int nl, int nh) { return offsetVector<float>(nl, nh, "allocation failure in vector()"); }
int *ivector(int nl, int nh) { return offsetVector<int>(nl, nh, "allocation failure in ivector()"); }
double *dvector(int nl, int nh) {
  return offsetVector<double>(nl, nh, "allocation failure in dvector()");
}

float **matrix(int nrl, int nrh, int ncl, int nch) {
  return offsetMatrix<float>(nrl, nrh, ncl, nch, "allocation failure 1 in matrix()",
                             "allocation failure 2 in matrix()");
}
double **dmatrix(int nrl, int nrh, int ncl, int nch) {
  return offsetMatrix<double>(nrl, nrh, ncl, nch, "allocation failure 1 in dmatrix()",
                              "allocation failure 2 in dmatrix()");
}
int **imatrix(int nrl, int nrh, int ncl, int nch) {
  return offsetMatrix<int>(nrl, nrh, ncl, nch, "allocation failure 1 in imatrix()",
                           "allocation failure 2 in imatrix()");
}

float **convert_matrix(float *a, int nrl, int nrh, int ncl, int nch) {
  float **m = rowTable<float>(nrl, nrh);
  if (!m) {
    nrerror("allocation failure in convert_matrix()");
    return nullptr;
  }
  const std::intptr_t ncol = nch - ncl + 1;
  for (int i = 0, j = nrl; j <= nrh; ++i, ++j) {
    // Row j must satisfy m[j][ncl] == a[i*ncol]. For ncl > 0 the first rows
    // start before the caller's array, which pointer arithmetic on `a` may
    // not express; the address is formed as an integer instead (flat memory).
    std::intptr_t addr = reinterpret_cast<std::intptr_t>(a) +
                         (i * ncol - ncl) * static_cast<std::intptr_t>(sizeof(float));
    m[j] = reinterpret_cast<float *>(addr);
  }
  return m;
}

void free_vector(float *v, int nl, int nh) { freeOffsetVector(v, nl, nh); }
void free_ivector(int *v, int nl, int nh) { freeOffsetVector(v, nl, nh); }
void free_dvector(double *v, int nl, int nh) { freeOffsetVector(v, nl, nh); }

void free_matrix(float **m, int nrl, int nrh, int ncl, int nch) {
  freeOffsetMatrix(m, nrl, nrh, ncl, nch);
}
void free_dmatrix(double **m, int nrl, int nrh, int ncl, int nch) {
  freeOffsetMatrix(m, nrl, nrh, ncl, nch);
}
void free_imatrix(int **m, int nrl, int nrh, int ncl, int nch) {
  freeOffsetMatrix(m, nrl, nrh, ncl, nch);
}
void free_convert_matrix(float **b, int nrl, int nrh, int ncl, int nch) {
  (void)ncl;
  (void)nch;
  if (b) freeRowTable(b, nrl, nrh);
}

}  // namespace korim::foundation
