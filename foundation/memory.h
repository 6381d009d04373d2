// Tagged allocation: every heap block of korim is counted under a caller tag,
// optionally traced ("_MEM" lines on stderr); releases only update the books.
#pragma once

namespace korim::foundation {

// Plain allocators: (caller tag, element count). Null on failure, after the
// line "Memory allocation failure." on stderr. Memory is not cleared.
float *fltAlloc(const char *caller, int length);
int *intAlloc(const char *caller, int length);
double *dFltAlloc(const char *caller, int length);
long *dIntAlloc(const char *caller, int length);
char *charMalloc(const char *caller, int length);
void *voidMalloc(const char *caller, int length);

// Heap copies of a text: strDup under the tag "strDup", strDup2 under the caller's.
char *strDup(const char *string);
char *strDup2(const char *caller, const char *string);

// Reallocation, lengths in elements (bytes for charReMalloc/voidReMalloc).
// A null ptr allocates fresh. On failure the old block is still valid.
int *intReAlloc(const char *caller, int *ptr, int newLength, int oldLength);
float *fltReAlloc(const char *caller, float *ptr, int newLength, int oldLength);
char *charReMalloc(const char *caller, char *ptr, int newLength, int oldLength);
void *voidReMalloc(const char *caller, void *ptr, int newLength, int oldLength);

// Offset (book-style) arrays, indices nl..nh: counts and traces the nh-nl+1
// elements of elemSize bytes like the plain allocator whose trace tag is given
// (the trace shows the address of element nl), but the system block also spans
// index 0, so the returned pointer (the address of index 0) lies inside it and
// never before its start. Release with unAlloc(caller, &p[nl], bytes counted).
void *offsetAlloc(const char *caller, const char *traceTag, int elemSize, int nl, int nh);

// Releases: accounting and trace only; the memory stays with the process.
void unAlloc(const char *caller, void *ptr, int length);
int strFree(char *string);
int matFree(float **matrixPtr, int xSize, int ySize);
int matFreeD(double **matrixPtr, int xSize, int ySize);
int matPtrFree3D(float ***matrixPtr, int xSize, int ySize, int zSize);
int matPtrFree4D(float ****matrixPtr, int xSize, int ySize, int zSize, int aSize);

// Row-pointer views of a caller's flat block (x runs fastest), tag "mat2ptr".
float **mat2Ptr(float *matrix, int xSize, int ySize);
double **mat2PtrD(double *matrix, int xSize, int ySize);
// Rows yStart..yEnd (1-based), each pointing at 1-based column xOffset.
float **mat2PtrZ(float *matrix, int xSize, int xOffset, int yStart, int yEnd);
float ***mat2Ptr3D(float *matrix, int xSize, int ySize, int zSize);
float ****mat2Ptr4D(float *matrix, int xSize, int ySize, int zSize, int aSize);

// Matrices with their own storage; row 0 holds the flat block.
float **matAlloc(const char *caller, int xLength, int yLength);
double **matAllocD(const char *caller, int xLength, int yLength);

// Accounting.
int setAlloc(int verboseFlag);
// Stores bytes in use and bytes reused (clamped to the int range).
int getMemUsed(int *usedPtr, int *reusedPtr);
// "REMARK Memory Allocation Status. Reused: %d In Use: %d" on stderr.
int showAlloc();

// Test hooks. memoryReset: counters to zero, tracing off, no failure armed.
// memoryFailAt(n): the n-th system allocation or reallocation from now on
// fails (n < 1 disarms); one-shot. memoryBytesUsed/Reused: full 64-bit counters.
void memoryReset();
void memoryFailAt(int n);
long long memoryBytesUsed();
long long memoryBytesReused();

}  // namespace korim::foundation
