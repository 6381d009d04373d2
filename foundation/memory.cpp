// Tagged allocation: byte accounting and "_MEM" tracing around malloc/realloc.
#include "foundation/memory.h"

#include <cassert>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef KORIM_RELEASE_BLOCKS
#include <map>
#endif

namespace korim::foundation {

namespace {

// Counters are 64-bit so that large runs never overflow them; the printed
// text is the same as a plain "%d" for every value an int can hold.
struct MemoryState {
    long long bytesUsed = 0;
    long long bytesReused = 0;
    int verboseAlloc = 0;
    // Test hook: the failAt-th system call from arming fails (0 = never).
    long long failAt = 0;
    long long calls = 0;
};

MemoryState mem;

const long long kPtrSize = static_cast<long long>(sizeof(void *));

void failureLine() { std::fprintf(stderr, "Memory allocation failure.\n"); }

// True when the armed test hook says this system call must fail.
bool hookFails() {
    if (mem.failAt < 1) return false;
    ++mem.calls;
    if (mem.calls == mem.failAt) {
        mem.failAt = 0;
        mem.calls = 0;
        return true;
    }
    return false;
}

#ifdef KORIM_RELEASE_BLOCKS
// Fuzz builds hand released blocks back to the system, so that millions of reads in one process
// stay within memory and a use after release is caught. A block is found from any address in it
// (offset arrays are released through their first counted element).
std::map<const char *, long long> &liveBlocks() {
    static std::map<const char *, long long> blocks;
    return blocks;
}

void noteBlock(void *block, long long bytes) {
    if (block) liveBlocks()[static_cast<const char *>(block)] = bytes;
}

void freeBlockAt(const void *ptr) {
    if (!ptr) return;
    auto &blocks = liveBlocks();
    const char *p = static_cast<const char *>(ptr);
    auto it = blocks.upper_bound(p);
    if (it == blocks.begin()) return;
    --it;
    if (p > it->first + it->second) return;
    std::free(const_cast<char *>(it->first));
    blocks.erase(it);
}
#endif

void *systemMalloc(long long bytes) {
    if (hookFails()) return nullptr;
    void *p = std::malloc(static_cast<size_t>(bytes));
#ifdef KORIM_RELEASE_BLOCKS
    noteBlock(p, bytes);
#endif
    return p;
}

void *systemRealloc(void *ptr, long long bytes) {
    if (hookFails()) return nullptr;
    // realloc(p, 0) may release p and give null; ask for one byte instead so
    // that a null result always means "old block still valid".
    void *p = std::realloc(ptr, static_cast<size_t>(bytes > 0 ? bytes : 1));
#ifdef KORIM_RELEASE_BLOCKS
    if (p) {
        liveBlocks().erase(static_cast<const char *>(ptr));
        noteBlock(p, bytes);
    }
#endif
    return p;
}

// The common allocation step: count `bytes`, take `systemBytes` from the
// system, trace and hand out the block `offset` bytes in, report failure.
void *countedAlloc(const char *caller, const char *traceTag, long long bytes,
                   long long systemBytes, long long offset) {
    if (bytes < 0) {
        // A negative element count cannot be honoured; nothing is counted.
        failureLine();
        return nullptr;
    }
    mem.bytesUsed += bytes;
    char *block = static_cast<char *>(systemMalloc(systemBytes));
    void *p = block ? block + offset : nullptr;
    if (mem.verboseAlloc)
        std::fprintf(stderr, "\n_MEM %s Name: %s Alloc: %p Add: %lld Now: %lld\n", traceTag,
                     caller ? caller : "", p, bytes, mem.bytesUsed);
    if (!block) failureLine();
    return p;
}

void *allocBytes(const char *caller, const char *traceTag, long long bytes) {
    return countedAlloc(caller, traceTag, bytes, bytes, 0);
}

void *reallocBytes(const char *caller, const char *traceTag, void *ptr, long long newBytes,
                   long long oldBytes) {
    if (newBytes < 0 || (ptr && oldBytes < 0)) {
        failureLine();
        return nullptr;
    }
    long long old = ptr ? oldBytes : 0;
    mem.bytesUsed += newBytes - old;
    mem.bytesReused += old;
    void *p = ptr ? systemRealloc(ptr, newBytes) : systemMalloc(newBytes);
    if (mem.verboseAlloc) {
        std::fprintf(stderr, "\n_MEM %s Name: %s Free: %p Alloc: %p", traceTag,
                     caller ? caller : "", ptr, p);
        std::fprintf(stderr, " Add: %lld Delete: %lld Now: %lld\n", newBytes, old,
                     mem.bytesUsed);
    }
    if (!p) failureLine();
    return p;
}

void releaseBytes(const char *caller, const void *ptr, long long bytes) {
    if (ptr) mem.bytesUsed -= bytes;
#ifdef KORIM_RELEASE_BLOCKS
    freeBlockAt(ptr);
#endif
    if (mem.verboseAlloc)
        std::fprintf(stderr, "\n_MEM %s Name: %s Free: %p Delete: %lld Now: %lld Reused: %lld\n",
                     ptr ? "DEALLOC" : "NOOP_AL", caller ? caller : "", ptr, bytes,
                     mem.bytesUsed, mem.bytesReused);
}

// Bytes of a list of n pointers; n below 1 is an empty list.
long long listBytes(long long n) { return (n > 0 ? n : 0) * kPtrSize; }

void *ptrList(long long n) { return allocBytes("mat2ptr", "VOI_ALLOC", listBytes(n)); }

int clampInt(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// A list of ySize row pointers, row i at row firstRow + i of the flat block.
template <typename T>
T **rowView(T *matrix, int xSize, int ySize, long long firstRow = 0) {
    T **rows = static_cast<T **>(ptrList(ySize));
    if (!rows) return nullptr;
    for (long long i = 0; i < ySize; ++i) rows[i] = matrix + (firstRow + i) * xSize;
    return rows;
}

// A matrix with its own storage: the element block under the caller's tag,
// then its row list; a failed row list hands the block back.
template <typename T>
T **ownMatrix(const char *caller, const char *traceTag, int xLength, int yLength) {
    long long bytes = static_cast<long long>(sizeof(T)) * xLength * yLength;
    if (xLength < 0 || yLength < 0) bytes = -1;
    T *block = static_cast<T *>(allocBytes(caller, traceTag, bytes));
    if (!block) return nullptr;
    T **rows = rowView(block, xLength, yLength);
    if (!rows) releaseBytes(caller, block, bytes);
    return rows;
}

template <typename T>
int freeOwnMatrix(T **matrixPtr, int xSize, int ySize) {
    if (!matrixPtr) return 0;
    // A matrix of no rows has no reachable element block (and it held 0 bytes).
    releaseBytes("matFree", ySize > 0 ? matrixPtr[0] : nullptr,
                 static_cast<long long>(sizeof(T)) * xSize * ySize);
    releaseBytes("matFree", matrixPtr, listBytes(ySize));
    return 0;
}

}  // namespace

float *fltAlloc(const char *caller, int length) {
    return static_cast<float *>(allocBytes(caller, "FLT_ALLOC", 4LL * length));
}

int *intAlloc(const char *caller, int length) {
    return static_cast<int *>(allocBytes(caller, "INT_ALLOC", 4LL * length));
}

double *dFltAlloc(const char *caller, int length) {
    return static_cast<double *>(allocBytes(caller, "DBL_ALLOC", 8LL * length));
}

long *dIntAlloc(const char *caller, int length) {
    return static_cast<long *>(
        allocBytes(caller, "LNG_ALLOC", static_cast<long long>(sizeof(long)) * length));
}

char *charMalloc(const char *caller, int length) {
    return static_cast<char *>(allocBytes(caller, "CHR_ALLOC", length));
}

void *voidMalloc(const char *caller, int length) {
    return allocBytes(caller, "VOI_ALLOC", length);
}

char *strDup2(const char *caller, const char *string) {
    if (!string) return nullptr;
    long long n = static_cast<long long>(std::strlen(string)) + 1;
    char *p = static_cast<char *>(allocBytes(caller, "CHR_ALLOC", n));
    if (!p) {
        failureLine();
        return nullptr;
    }
    std::memcpy(p, string, static_cast<size_t>(n));
    return p;
}

char *strDup(const char *string) { return strDup2("strDup", string); }

int *intReAlloc(const char *caller, int *ptr, int newLength, int oldLength) {
    return static_cast<int *>(
        reallocBytes(caller, "INT_RE_AL", ptr, 4LL * newLength, 4LL * oldLength));
}

float *fltReAlloc(const char *caller, float *ptr, int newLength, int oldLength) {
    return static_cast<float *>(
        reallocBytes(caller, "FLT_RE_AL", ptr, 4LL * newLength, 4LL * oldLength));
}

char *charReMalloc(const char *caller, char *ptr, int newLength, int oldLength) {
    return static_cast<char *>(reallocBytes(caller, "CHR_RE_AL", ptr, newLength, oldLength));
}

void *voidReMalloc(const char *caller, void *ptr, int newLength, int oldLength) {
    return reallocBytes(caller, "CHR_RE_AL", ptr, newLength, oldLength);
}

void *offsetAlloc(const char *caller, const char *traceTag, int elemSize, int nl, int nh) {
    const long long size = elemSize;
    const long long count = nh >= nl ? static_cast<long long>(nh) - nl + 1 : 0;
    // The system block spans the indices lo..hi: the counted elements nl..nh
    // and index 0, where the handed-out pointer lies.
    const long long lo = nl < 0 ? nl : 0;
    long long hi = nh > 0 ? nh : 0;
    if (nl > hi) hi = nl;
    char *first = static_cast<char *>(
        countedAlloc(caller, traceTag, count * size, (hi - lo + 1) * size, (nl - lo) * size));
    return first ? first - nl * size : nullptr;
}

void unAlloc(const char *caller, void *ptr, int length) { releaseBytes(caller, ptr, length); }

int strFree(char *string) {
    if (string)
        releaseBytes("strDup", string, static_cast<long long>(std::strlen(string)) + 1);
    return 0;
}

int matFree(float **matrixPtr, int xSize, int ySize) {
    return freeOwnMatrix(matrixPtr, xSize, ySize);
}

int matFreeD(double **matrixPtr, int xSize, int ySize) {
    return freeOwnMatrix(matrixPtr, xSize, ySize);
}

int matPtrFree3D(float ***matrixPtr, int xSize, int ySize, int zSize) {
    (void)xSize;
    if (matrixPtr)
        for (int iz = 0; iz < zSize; ++iz)
            releaseBytes("mat2ptr", matrixPtr[iz], listBytes(ySize));
    releaseBytes("mat2ptr", matrixPtr, listBytes(zSize));
    return 0;
}

int matPtrFree4D(float ****matrixPtr, int xSize, int ySize, int zSize, int aSize) {
    (void)xSize;
    if (matrixPtr) {
        for (int ia = 0; ia < aSize && matrixPtr[ia]; ++ia) {
            for (int iz = 0; iz < zSize && matrixPtr[ia][iz]; ++iz)
                releaseBytes("mat2ptr", matrixPtr[ia][iz], listBytes(ySize));
            releaseBytes("mat2ptr", matrixPtr[ia], listBytes(zSize));
        }
    }
    releaseBytes("mat2ptr", matrixPtr, listBytes(aSize));
    return 0;
}

float **mat2Ptr(float *matrix, int xSize, int ySize) { return rowView(matrix, xSize, ySize); }

double **mat2PtrD(double *matrix, int xSize, int ySize) { return rowView(matrix, xSize, ySize); }

float **mat2PtrZ(float *matrix, int xSize, int xOffset, int yStart, int yEnd) {
    long long count = static_cast<long long>(yEnd) - yStart + 1;
    float **rows = static_cast<float **>(ptrList(count));
    if (!rows) return nullptr;
    for (long long i = 0; i < count; ++i) {
        long long off = (yStart - 1 + i) * xSize + xOffset - 1;
        assert(off >= 0 && "mat2PtrZ: row or column before the start of the block");
        rows[i] = matrix + off;
    }
    return rows;
}

float ***mat2Ptr3D(float *matrix, int xSize, int ySize, int zSize) {
    float ***planes = static_cast<float ***>(ptrList(zSize));
    if (!planes) return nullptr;
    for (long long iz = 0; iz < zSize; ++iz) {
        float **rows = rowView(matrix, xSize, ySize, iz * ySize);
        if (!rows) {
            releaseBytes("mat2ptr", planes, listBytes(zSize));
            return nullptr;
        }
        planes[iz] = rows;
    }
    return planes;
}

float ****mat2Ptr4D(float *matrix, int xSize, int ySize, int zSize, int aSize) {
    float ****top = static_cast<float ****>(ptrList(aSize));
    if (!top) return nullptr;
    for (long long ia = 0; ia < aSize; ++ia) {
        float ***planes = static_cast<float ***>(ptrList(zSize));
        if (!planes) return nullptr;
        top[ia] = planes;
        for (long long iz = 0; iz < zSize; ++iz) {
            float **rows = rowView(matrix, xSize, ySize, (ia * zSize + iz) * ySize);
            if (!rows) return nullptr;
            planes[iz] = rows;
        }
    }
    return top;
}

float **matAlloc(const char *caller, int xLength, int yLength) {
    return ownMatrix<float>(caller, "FLT_ALLOC", xLength, yLength);
}

double **matAllocD(const char *caller, int xLength, int yLength) {
    return ownMatrix<double>(caller, "DBL_ALLOC", xLength, yLength);
}

int setAlloc(int verboseFlag) {
    mem.verboseAlloc = verboseFlag;
    return verboseFlag;
}

int getMemUsed(int *usedPtr, int *reusedPtr) {
    if (usedPtr) *usedPtr = clampInt(mem.bytesUsed);
    if (reusedPtr) *reusedPtr = clampInt(mem.bytesReused);
    return 0;
}

int showAlloc() {
    std::fprintf(stderr, "REMARK Memory Allocation Status. Reused: %lld In Use: %lld\n",
                 mem.bytesReused, mem.bytesUsed);
    return 0;
}

void memoryReset() { mem = MemoryState{}; }

void memoryFailAt(int n) {
    mem.failAt = n > 0 ? n : 0;
    mem.calls = 0;
}

long long memoryBytesUsed() { return mem.bytesUsed; }

long long memoryBytesReused() { return mem.bytesReused; }

}  // namespace korim::foundation
