// Size check of spectral data files: the bytes the header promises against the bytes on disk.
#include "spectral/testsize.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>

#include "spectral/fdatap.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

constexpr double kIntLimit = 2147483647.0;

// Splits a total into blocks and sets the fit status.
void splitTotal(FileSize* fs, double total) {
    fs->dTotalBytes = total;
    if (total >= kIntLimit || total < 0.0) {
        fs->status = 1;
        fs->iTotalBytes = 0;
        fs->blockCount = static_cast<int>(std::trunc(total / fs->blockSize));
        fs->byteCount = static_cast<int>(total - static_cast<double>(fs->blockCount) * fs->blockSize);
        return;
    }
    fs->status = 0;
    fs->iTotalBytes = static_cast<int>(total);
    fs->blockCount = fs->iTotalBytes / fs->blockSize;
    fs->byteCount = fs->iTotalBytes % fs->blockSize;
}

double atLeastOne(float v) {
    const int n = hdrInt(v);
    return n < 1 ? 1.0 : n;
}

}  // namespace

int fileSizeInit(FileSize* fs) {
    *fs = FileSize{};
    fs->blockSize = 1024;
    return 0;
}

double getNMRBytes(const float* fdata, int planeFlag, FileSize* fs) {
    fileSizeInit(fs);
    const double x = atLeastOne(getParm(fdata, kParmSize, 1));
    const double y = atLeastOne(getParm(fdata, kParmSize, 2));
    const double z = atLeastOne(getParm(fdata, kParmSize, 3));
    const double a = atLeastOne(getParm(fdata, kParmSize, 4));
    const double planes = planeFlag ? atLeastOne(fdata[kWordPlaneCount]) : 1.0;
    const double q = fdata[kWordQuad] == 1.0f ? 1.0 : 2.0;
    double total;
    if (fdata[kWordWholeFile] != 0.0f)
        total = 4.0 * (x * y * z * a * q + kHdrWords);
    else if (hdrInt(fdata[kWordDimCount]) == 1)
        total = planes * (4.0 * x * q + kHdrBytes);
    else
        total = planes * (4.0 * x * y * q + kHdrBytes);
    splitTotal(fs, total);
    return total;
}

double getFileBytes(const char* fileName, FileSize* fs) {
    fileSizeInit(fs);
    struct stat st;
    errno = 0;
    if (fileName == nullptr || stat(fileName, &st) != 0) {
        specSysMsgIf("File Status Notice", errno);
        fs->status = -1;
        return -1.0;
    }
    const double total = static_cast<double>(st.st_size);
    splitTotal(fs, total);
    return total;
}

int testNMRin(const char* fileName, const float* fdata, int planeFlag, int verbose) {
    FileSize want, have;
    getNMRBytes(fdata, planeFlag, &want);
    getFileBytes(fileName, &have);
    if (want.status == -1 || have.status == -1 || want.dTotalBytes < 0.0 || have.dTotalBytes < 0.0)
        return -1;
    const bool exact = want.status == 0 && have.status == 0;
    const bool differ = exact ? want.iTotalBytes != have.iTotalBytes : want.dTotalBytes != have.dTotalBytes;
    if (!differ) return 0;
    if (verbose) {
        specMsg("\nFile Size Check Error: Insufficient Data in %s\n", fileName);
        if (exact)
            specMsg("Predicted Size: %d bytes.\nAvailable Size: %d bytes.\n\n", want.iTotalBytes,
                    have.iTotalBytes);
        else
            specMsg("Predicted Size: %.0f bytes.\nAvailable Size: %.0f bytes.\n\n", want.dTotalBytes,
                    have.dTotalBytes);
    }
    return 1;
}

}  // namespace korim::spectral
