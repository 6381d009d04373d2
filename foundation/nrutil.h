// Book-style offset arrays (index ranges nl..nh, usually from 1) counted under
// the allocator tag "nr", the non-fatal numerical error routine and the fatal one.
#pragma once

namespace korim::foundation {

// Writes "Utility Error: <text>\nAborting.\n" on stderr and returns; the
// caller decides what happens next.
void nrerror(const char *error_text);

// The program's fatal error routine: writes "Numerical Recipes run-time
// error...\n", the text and a newline, and "...now exiting to system...\n" on
// stderr, flushes the standard streams and ends the process with status 1.
[[noreturn]] void tqerror(const char *error_text);

// Offset vectors: p[nl]..p[nh] usable. Null after a message on failure.
// The accounting counts exactly nh-nl+1 elements; the system block also spans
// index 0, so the pointer handed out never lies before the block.
float *vector(int nl, int nh);
int *ivector(int nl, int nh);
double *dvector(int nl, int nh);

// Offset matrices: a row table for rows nrl..nrh, one block per row for
// columns ncl..nch. Null as a whole when the table or any row fails.
float **matrix(int nrl, int nrh, int ncl, int nch);
double **dmatrix(int nrl, int nrh, int ncl, int nch);
int **imatrix(int nrl, int nrh, int ncl, int nch);

// Row table over a caller's 0-based row-major array a: row nrl+i starts at
// a[i*(nch-ncl+1)] and is indexed from ncl. Only the table is allocated.
float **convert_matrix(float *a, int nrl, int nrh, int ncl, int nch);

// Releases (accounting only); null does nothing. Give the same ranges as
// at allocation.
void free_vector(float *v, int nl, int nh);
void free_ivector(int *v, int nl, int nh);
void free_dvector(double *v, int nl, int nh);
void free_matrix(float **m, int nrl, int nrh, int ncl, int nch);
void free_dmatrix(double **m, int nrl, int nrh, int ncl, int nch);
void free_imatrix(int **m, int nrl, int nrh, int ncl, int nch);
void free_convert_matrix(float **b, int nrl, int nrh, int ncl, int nch);

}  // namespace korim::foundation
