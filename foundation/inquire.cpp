// Tests for files, directories and terminals over stat/fstat.
#include "foundation/inquire.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace korim::foundation {

int fileExists(const char *testName) {
    if (!testName) return 0;
    FILE *f = std::fopen(testName, "r");
    if (!f) return 0;
    // Reading a directory stream fails, so a directory gives 0 like an empty file.
    int c = std::fgetc(f);
    std::fclose(f);
    return c == EOF ? 0 : 1;
}

int fileExists0(const char *testName) {
    struct stat st;
    if (!testName) return 0;
    return stat(testName, &st) == 0 ? 1 : 0;
}

int dirExists(const char *testName, char *dirName) {
    if (!testName || !dirName) return 0;
    if (testName[0] == '!') return 1;
    std::strcpy(dirName, testName);
    char *slash = std::strrchr(dirName, '/');
    if (!slash) {
        std::strcpy(dirName, "./");
        return 1;
    }
    *slash = '\0';
    struct stat st;
    if (stat(dirName, &st) != 0) return 0;
    return S_ISDIR(st.st_mode) ? 1 : 0;
}

int isTTY(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) return 0;
    return S_ISCHR(st.st_mode) ? 1 : 0;
}

}  // namespace korim::foundation
