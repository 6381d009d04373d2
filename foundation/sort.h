// In-place ascending heap sorts of 0-based arrays (not stable); fewer than 2
// elements are left alone. All return 0.
#pragma once

namespace korim::foundation {

int iSort(int *ra, int n);
int rSort(float *ra, int n);
int dSort(double *da, int n);
// By byte-wise comparison of the texts (the pointers move).
int sSort(char **ra, int n);
// Sort ia (da) and apply the same moves to ib. Note: count first.
int iSort2(int n, int *ia, int *ib);
int dSort2(int n, double *da, int *ib);

}  // namespace korim::foundation
