// Predicted and actual sizes of spectral data files, and the check of one against the other.
#pragma once

namespace korim::spectral {

// A byte count split into 1024-byte blocks, with the total as int and double.
struct FileSize {
    int blockSize;       // bytes per block, 1024
    int blockCount;      // whole blocks
    int byteCount;       // bytes beyond the whole blocks
    int iTotalBytes;     // total when it fits an int, else 0
    double dTotalBytes;  // total
    int status;          // 0 total fits an int, 1 it does not or is negative, -1 not examined
};

int fileSizeInit(FileSize* fs);
// Bytes a data file with this header should hold (one header per plane unless
// the whole-file word is set). planeFlag 0 ignores the plane count.
double getNMRBytes(const float* fdata, int planeFlag, FileSize* fs);
// Bytes the file holds, or -1.0 (status -1) when its status cannot be read.
double getFileBytes(const char* fileName, FileSize* fs);
// 0 sizes agree, 1 they differ (with the size-check block on stderr when
// verbose), -1 a size could not be had.
int testNMRin(const char* fileName, const float* fdata, int planeFlag, int verbose);

}  // namespace korim::spectral
