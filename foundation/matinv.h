// LU decomposition, LU solve and matrix inverse on float matrices.
#pragma once

namespace korim::foundation {

// Crout LU with implicit partial pivoting of a[1..n][1..n] in place; indx[1..n]
// row interchanges, *d = +-1 their parity, vv[1..n] work. Returns 1 when a row
// is entirely zero, else 0 (a zero pivot met later is replaced by 1e-20).
int luDecompose(float **a, int n, int *indx, float *vv, float *d);
// Solves with luDecompose's output; b[1..n] becomes the solution. Returns 0.
int luSolve(float **a, int n, int *indx, float *b);

// Work set for order n (tag "nr"); grows only. 0, or 1 when it cannot be made.
int matInvInit(int n);
int matInvFree();
// xinv = inverse of x, both n x n row-major flat arrays. Returns 0, or 1 when
// the work set cannot be made or x has an all-zero column (xinv then all 0).
int matInv(int n, float *x, float *xinv);

}  // namespace korim::foundation
