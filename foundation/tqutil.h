// Second set of offset arrays straight from the system allocator (one spare
// element in front of every block) and small helpers of the older code.
#pragma once

namespace korim::foundation {

float *vectorTq(long nl, long nh);
int *ivectorTq(long nl, long nh);
// One contiguous block of floats behind a row table; row r+1 starts
// nch-ncl+1 elements after row r.
float **matrixTq(long nrl, long nrh, long ncl, long nch);
void free_vectorTq(float *v, long nl, long nh);
void free_ivectorTq(int *v, long nl, long nh);
void free_matrixTq(float **m, long nrl, long nrh, long ncl, long nch);

// Fatal: "run-time errror..." / "'<name>' - There is no such file!" /
// "...now exiting to system..." on stderr, then exit status 1.
[[noreturn]] void nerror_datei(const char *error_txt);

// Matrix[i][j] = initial_wert for i = row_offset..row_length and
// j = col_offset..col_length (both bounds are last indices, inclusive).
void Matrix_Initialisierung(double **Matrix, int row_offset, int row_length, int col_offset,
                            int col_length, double initial_wert);
// Rows 0..no_row-1, columns 0..no_col-1 with "%9.6f  ", on stdout.
void print_matrix(double **Matrix, int no_row, int no_col);
void KontrollMeldung(const char *error_txt);        // "%s\n" on stdout
void KontrollMeldung_Lesen(const char *error_txt);  // "'%s' is being read in...\n"
// 1-based 3-vectors: elements 1..3.
double dot_product(const double *vector1, const double *vector2);
double norm_vector(const double *vector);
// 1 when the texts are equal byte for byte, else 0.
int Gleich(const char *L, const char *Mit);

}  // namespace korim::foundation
