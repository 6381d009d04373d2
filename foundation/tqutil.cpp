// Offset arrays from malloc with a spare front element, and small helpers.
#include "foundation/tqutil.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/nrutil.h"

namespace korim::foundation {

namespace {

// Elements before index nl that the block keeps: the one spare element of
// this allocator, or more when nl > 1 so the handed-out pointer (index 0)
// never lies before the block.
long frontOf(long nl) { return nl <= 1 ? 1 - nl : 0; }
long countOf(long nl, long nh) {
  long n = frontOf(nl) + nh + 1;
  return n < 1 ? 1 : n;
}

template <typename T> T *tqVector(long nl, long nh, const char *msg) {
  T *block = static_cast<T *>(std::malloc(static_cast<size_t>(countOf(nl, nh)) * sizeof(T)));
  if (!block) {
    nrerror(msg);
    return nullptr;
  }
  return block + frontOf(nl);
}

}  // namespace

float *vectorTq(long nl, long nh) { return tqVector<float>(nl, nh, "allocation failure in vector()"); }
int *ivectorTq(long nl, long nh) { return tqVector<int>(nl, nh, "allocation failure in ivector()"); }

void free_vectorTq(float *v, long nl, long nh) {
  (void)nh;
  if (v) std::free(v - frontOf(nl));
}
void free_ivectorTq(int *v, long nl, long nh) {
  (void)nh;
  if (v) std::free(v - frontOf(nl));
}

float **matrixTq(long nrl, long nrh, long ncl, long nch) {
  long nrow = nrh - nrl + 1, ncol = nch - ncl + 1;
  if (nrow < 0) nrow = 0;
  if (ncol < 0) ncol = 0;
  // Row table of nrow+1 pointers, indexed from nrl.
  float **table =
      tqVector<float *>(nrl, nrh > nrl ? nrh : nrl, "allocation failure 1 in matrix()");
  if (!table) return nullptr;
  // Data: one spare float, then the rows; at least ncl floats stand before
  // the first row's element ncl so every row pointer lies inside the block.
  long front = ncl > 1 ? ncl : 1;
  float *data = static_cast<float *>(std::malloc(static_cast<size_t>(front + nrow * ncol) * sizeof(float)));
  if (!data) {
    nrerror("allocation failure 2 in matrix()");
    std::free(table - frontOf(nrl));
    return nullptr;
  }
  table[nrl] = data + front - ncl;  // also for an empty matrix, for the release
  for (long r = 1; r < nrow; ++r) table[nrl + r] = data + front + r * ncol - ncl;
  return table;
}

void free_matrixTq(float **m, long nrl, long nrh, long ncl, long nch) {
  (void)nrh;
  (void)nch;
  if (!m) return;
  long front = ncl > 1 ? ncl : 1;
  std::free(m[nrl] + ncl - front);
  std::free(m - frontOf(nrl));
}

void nerror_datei(const char *error_txt) {
  std::fprintf(stderr, "run-time errror...\n");
  std::fprintf(stderr, "'%s' - There is no such file!\n", error_txt ? error_txt : "");
  std::fprintf(stderr, "...now exiting to system...\n");
  std::exit(1);
}

void Matrix_Initialisierung(double **Matrix, int row_offset, int row_length, int col_offset,
                            int col_length, double initial_wert) {
  for (int i = row_offset; i <= row_length; ++i)
    for (int j = col_offset; j <= col_length; ++j) Matrix[i][j] = initial_wert;
}

void print_matrix(double **Matrix, int no_row, int no_col) {
  for (int i = 0; i < no_row; ++i) {
    for (int j = 0; j < no_col; ++j) std::printf("%9.6f  ", Matrix[i][j]);
    std::printf("\n");
  }
}

void KontrollMeldung(const char *error_txt) { std::printf("%s\n", error_txt); }

void KontrollMeldung_Lesen(const char *error_txt) {
  std::printf("'%s' is being read in...\n", error_txt);
}

double dot_product(const double *vector1, const double *vector2) {
  double s = 0.0;
  for (int k = 1; k <= 3; ++k) s += vector1[k] * vector2[k];
  return s;
}

double norm_vector(const double *vector) { return std::sqrt(dot_product(vector, vector)); }

int Gleich(const char *L, const char *Mit) { return std::strcmp(L, Mit) == 0 ? 1 : 0; }

}  // namespace korim::foundation
