// Book-style offset arrays over the tagged allocator, nrerror and tqerror.
#include "foundation/nrutil.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "foundation/memory.h"

namespace korim::foundation {

namespace {

const char *const kTag = "nr";

// Element blocks are counted as the plain allocator of their type would count
// them (tags FLT_ALLOC, INT_ALLOC, DBL_ALLOC; row tables VOI_ALLOC), exactly
// nh-nl+1 elements, so a matching free gives back what the allocation took.
template <typename T> constexpr const char *traceTag() {
  if constexpr (std::is_pointer_v<T>) return "VOI_ALLOC";
  else if constexpr (std::is_same_v<T, double>) return "DBL_ALLOC";
  else if constexpr (std::is_same_v<T, int>) return "INT_ALLOC";
  else return "FLT_ALLOC";
}

template <typename T> T *offsetBlock(int nl, int nh) {
  return static_cast<T *>(offsetAlloc(kTag, traceTag<T>(), static_cast<int>(sizeof(T)), nl, nh));
}

template <typename T> void freeOffsetBlock(T *v, int nl, int nh) {
  if (!v) return;
  long long count = nh >= nl ? static_cast<long long>(nh) - nl + 1 : 0;
  unAlloc(kTag, v + nl, static_cast<int>(count * static_cast<long long>(sizeof(T))));
}

template <typename T> T *offsetVector(int nl, int nh, const char *msg) {
  T *v = offsetBlock<T>(nl, nh);
  if (!v) nrerror(msg);
  return v;
}

template <typename T> void freeOffsetMatrix(T **m, int nrl, int nrh, int ncl, int nch) {
  if (!m) return;
  for (int i = nrh; i >= nrl; --i) freeOffsetBlock(m[i], ncl, nch);
  freeOffsetBlock(m, nrl, nrh);
}

template <typename T>
T **offsetMatrix(int nrl, int nrh, int ncl, int nch, const char *msg1, const char *msg2) {
  T **m = offsetBlock<T *>(nrl, nrh);
  if (!m) {
    nrerror(msg1);
    return nullptr;
  }
  for (int i = nrl; i <= nrh; ++i) m[i] = nullptr;
  for (int i = nrl; i <= nrh; ++i) {
    m[i] = offsetBlock<T>(ncl, nch);
    if (!m[i]) {
      nrerror(msg2);
      freeOffsetMatrix(m, nrl, nrh, ncl, nch);  // rows not made are null
      return nullptr;
    }
  }
  return m;
}

}  // namespace

void nrerror(const char *error_text) {
  std::fprintf(stderr, "Utility Error: ");
  std::fprintf(stderr, "%s\n", error_text ? error_text : "");
  std::fprintf(stderr, "Aborting.\n");
}

void tqerror(const char *error_text) {
  std::fprintf(stderr, "Numerical Recipes run-time error...\n");
  std::fprintf(stderr, "%s\n", error_text ? error_text : "");
  std::fprintf(stderr, "...now exiting to system...\n");
  std::exit(1);
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
  float **m = offsetBlock<float *>(nrl, nrh);
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

void free_vector(float *v, int nl, int nh) { freeOffsetBlock(v, nl, nh); }
void free_ivector(int *v, int nl, int nh) { freeOffsetBlock(v, nl, nh); }
void free_dvector(double *v, int nl, int nh) { freeOffsetBlock(v, nl, nh); }

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
  freeOffsetBlock(b, nrl, nrh);
}

}  // namespace korim::foundation
