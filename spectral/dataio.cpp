// Spectral data input and output: opening files and command streams, exact transfers, directories.
#include "spectral/dataio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/checkedcount.h"
#include "foundation/inquire.h"
#include "foundation/memory.h"
#include "spectral/fdatap.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

// Command stream: its descriptor and the stream that owns it.
struct CmndStream {
    int fd;
    FILE* stream;
};

struct DataIOModule {
    int selectFlag = 1;
    int defTimeout = 0;  // seconds
    std::vector<CmndStream> cmndStreams;
};
DataIOModule dio;

const char* accessWord(int mode) {
    switch (mode) {
        case kModeRead: return "Read";
        case kModeWrite: return "Write";
        case kModeReadWrite: return "Read/Write";
        case kModeCreate: return "Create";
        case kModeCreateKeep: return "CreateKeep";
        default: return "???";
    }
}

int openByMode(const char* name, int mode) {
    switch (mode) {
        case kModeRead: return open(name, O_RDONLY);
        case kModeWrite: return open(name, O_WRONLY);
        case kModeReadWrite: return open(name, O_RDWR);
        case kModeCreate: {
            const int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
            return fd >= 0 ? fd : open(name, O_WRONLY);
        }
        case kModeCreateKeep: return open(name, O_RDWR | O_CREAT, 0666);
        default:
            errno = EINVAL;
            return -1;
    }
}

// Mode 6: a missing file is created first; the mode becomes read/write.
int createWhenMissing(const char* name, int* mode) {
    struct stat st;
    *mode = kModeReadWrite;
    if (stat(name, &st) == 0 || errno != ENOENT) return 0;
    const int fd = openByMode(name, kModeCreate);
    if (fd < 0) {
        specMsg("DATAIO File Create Error %d.\n", fd);
        return fd;
    }
    if (close(fd) != 0) {
        specMsg("DATAIO File Close Error %d.\n", errno);
        return 1;
    }
    return 0;
}

int openPlain(const char* name, UNIT* unit, int mode) {
    *unit = -1;
    if (name == nullptr) name = "";
    if (mode == kModeOpenOrCreate) {
        const int status = createWhenMissing(name, &mode);
        if (status != 0) return status;
    }
    errno = 0;
    const int fd = openByMode(name, mode);
    if (fd < 0) {
        const int err = errno;
        specMsg("DATAIO SYSOPEN Error %d:\nFile: %s Access: %s\n", err, name, accessWord(mode));
        specSysMsgIf("SYSOPEN Message", err);
        return 1;
    }
    *unit = fd;
    return 0;
}

// Moves up to byteCount bytes; the count moved (short only at end of file or on error).
long transfer(UNIT unit, char* rdBuff, const char* wrBuff, int byteCount, int* err) {
    long done = 0;
    *err = 0;
    while (done < byteCount) {
        const ssize_t n = rdBuff != nullptr ? read(unit, rdBuff + done, byteCount - done)
                                            : write(unit, wrBuff + done, byteCount - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *err = errno;
            break;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

int checkedTransfer(UNIT unit, char* rdBuff, const char* wrBuff, int byteCount, bool sysText) {
    if (byteCount < 0) byteCount = 0;
    int err;
    const long done = transfer(unit, rdBuff, wrBuff, byteCount, &err);
    if (done == byteCount) return 0;
    const bool reading = rdBuff != nullptr;
    specMsg(reading ? "DATAIO File Read Error %d.\n" : "DATAIO File Write Error %d.\n", err);
    specMsg("Request: %d Actual: %ld.\n", byteCount, done);
    if (sysText) specSysMsgIf(reading ? "SYSREAD Message" : "SYSWRITE Message", err);
    return 1;
}

}  // namespace

int initDataIO() {
    int found = 0;
    if (const char* s = std::getenv("NMR_IO_SELECT")) {
        dio.selectFlag = static_cast<int>(std::strtol(s, nullptr, 10));
        found |= 1;
    }
    if (const char* s = std::getenv("NMR_IO_TIMEOUT")) {
        dio.defTimeout = static_cast<int>(std::strtol(s, nullptr, 10));
        found |= 2;
    }
    return found;
}

int getDefTimeout() { return dio.defTimeout; }
int getSelectFlag() { return dio.selectFlag; }

void dataIOReset() {
    dio.selectFlag = 1;
    dio.defTimeout = 0;
}

int dataOpen(const char* name, UNIT* unit, int mode) {
    if (name != nullptr && name[0] == '!') return dataPOpen(name + 1, unit, mode);
    return openPlain(name, unit, mode);
}

int dataOpenFile(const char* name, UNIT* unit, int mode) { return openPlain(name, unit, mode); }

int dataPOpen(const char* command, UNIT* unit, int mode) {
    *unit = -1;
    const char* type = mode == kModeRead ? "r" : (mode == kModeWrite || mode == kModeCreate) ? "w" : nullptr;
    errno = 0;
    FILE* stream = type != nullptr ? popen(command, type) : nullptr;
    if (type == nullptr) errno = EINVAL;
    if (stream == nullptr) {
        const int err = errno;
        specMsg("DATAIO POPEN Error %d:\nCmnd: %s Access: %d\n", err, command, mode);
        specSysMsgIf("SYSOPEN Message", err);
        return 1;
    }
    dio.cmndStreams.push_back({fileno(stream), stream});
    *unit = fileno(stream);
    return 0;
}

int dataOpen2(const char* name, UNIT* unit, const char* letters) {
    int flags = 0;
    bool readWrite = false;
    for (const char* c = letters; c != nullptr && *c != '\0'; c++) {
        switch (*c | 0x20) {
            case 'w': readWrite = true; break;
            case 'd': flags |= O_NONBLOCK; break;
            case 'y': flags |= O_NOCTTY; break;
            case 's': flags |= O_SYNC; break;
            case 'a': flags |= O_APPEND; break;
            case 'c': flags |= O_CREAT; break;
            case 't': flags |= O_TRUNC; break;
            case 'e': flags |= O_EXCL; break;
            default: break;
        }
    }
    if (letters != nullptr && (letters[0] | 0x20) == 'w' && letters[1] == '\0') flags |= O_CREAT | O_TRUNC;
    flags |= readWrite ? O_RDWR : O_RDONLY;
    *unit = open(name, flags, 0666);
    if (*unit < 0) {
        specSysMsg("DataOpen2 Error", errno);
        *unit = -1;
    }
    return 0;
}

int dataCreate(const char* name) {
    UNIT unit;
    const int status = openPlain(name, &unit, kModeCreate);
    if (status != 0) return status;
    return dataClose(unit);
}

int DataRead(UNIT unit, float* buffer, int byteCount) {
    return checkedTransfer(unit, reinterpret_cast<char*>(buffer), nullptr, byteCount, true);
}

int DataWrite(UNIT unit, const float* buffer, int byteCount) {
    return checkedTransfer(unit, nullptr, reinterpret_cast<const char*>(buffer), byteCount, true);
}

int dataReadC(UNIT unit, char* buffer, int byteCount) {
    return checkedTransfer(unit, buffer, nullptr, byteCount, false);
}

int dataWriteC(UNIT unit, const char* buffer, int byteCount) {
    return checkedTransfer(unit, nullptr, buffer, byteCount, false);
}

int DataPos(UNIT unit, long byteOffset) {
    if (lseek(unit, byteOffset, SEEK_SET) == static_cast<off_t>(-1)) {
        specMsg("DATAIO File Seek error %d.\n", errno);
        return 1;
    }
    return 0;
}

int dataClose(UNIT unit) {
    if (unit < 1) return 0;
    for (size_t i = 0; i < dio.cmndStreams.size(); i++) {
        if (dio.cmndStreams[i].fd != unit) continue;
        FILE* stream = dio.cmndStreams[i].stream;
        dio.cmndStreams.erase(dio.cmndStreams.begin() + static_cast<long>(i));
        if (pclose(stream) == -1) {
            specMsg("DATAIO File Close Error %d.\n", errno);
            return -1;
        }
        return 0;
    }
    const int status = close(unit);
    if (status != 0) specMsg("DATAIO File Close Error %d.\n", errno);
    return status;
}

int dirCreate(const char* path) {
    const int status = mkdir(path, 0755);
    if (status != 0) {
        const int err = errno;
        specMsg("DATAIO Error Creating Directory %s\n", path);
        specSysMsg("MKDIR Message", err);
    }
    return status;
}

int delFile(const char* name) {
    if (!foundation::fileExists0(name)) return 0;
    const int status = unlink(name);
    if (status != 0) specSysMsg("DATAIO Error Deleting File", errno);
    return status;
}

int delDirContents(const char* path) {
    errno = 0;
    DIR* dir = path != nullptr ? opendir(path) : nullptr;
    if (dir == nullptr) {
        const int err = errno;
        specMsg("DATAIO Error opening dir %s\n", path != nullptr ? path : "");
        specSysMsgIf("System Message", err);
        return -1;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = std::string(path) + "/" + entry->d_name;
        struct stat st;
        if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (unlink(name.c_str()) != 0) specSysMsg("DATAIO Error Deleting File", errno);
    }
    closedir(dir);
    return 0;
}

int read1D(const char* name, float** data, int* size, int* quad) {
    UNIT unit;
    int status = dataOpen(name, &unit, kModeRead);
    if (status != 0) {
        specMsg("Read1D Error Opening File %s\n", name);
        return status;
    }
    status = DataPos(unit, 0);
    if (status != 0) {
        specMsg("Read1D Error Positioning File %s\n", name);
        dataClose(unit);
        return status;
    }
    float fdata[kHdrWords];
    status = DataRead(unit, fdata, kHdrBytes);
    if (status != 0) {
        specMsg("Read1D Error Reading Header In %s\n", name);
        dataClose(unit);
        return status;
    }
    const int n = hdrInt(getParm(fdata, kParmSize, 1));
    const int q = getQuad(fdata, kWordQuad, 0);
    const long long count = foundation::checkedCount({n, q}, foundation::kMaxBlockBytes / 4);
    float* vec = (n < 1 || count < 0) ? nullptr : foundation::fltAlloc("1d", static_cast<int>(count));
    if (vec == nullptr) {
        specMsg("Read1D Error Allocating Data.\n");
        dataClose(unit);
        return 1;
    }
    *data = vec;
    *size = n;
    *quad = q;
    status = DataRead(unit, vec, static_cast<int>(count * 4));
    if (status != 0) specMsg("Read1D Error Reading Header In %s\n", name);
    dataClose(unit);
    return status;
}

}  // namespace korim::spectral
