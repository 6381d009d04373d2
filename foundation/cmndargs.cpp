// Command-line argument library: option getters that mark what they consume, and the final check.
//
// Only argument slots 0 to 254 are tracked; later arguments are read but never
// marked or checked (a warning says so when checking is on).
#include "foundation/cmndargs.h"

#include "foundation/advice.h"
#include "foundation/memory.h"
#include "foundation/token.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <string>
#include <utility>
#include <vector>

namespace korim::foundation {

namespace {

constexpr int MAX_SLOTS = 255;   // slots 0..254
constexpr int STR_BUFF = 256;    // module buffer of strArg

struct ArgState {
    char argMap[MAX_SLOTS + 1];
    const char* currentProgName = nullptr;
    int currentCheckMode = 0;
    int currentArgc = 0;
    int currentChecksum = 0;
    int badFlag = 0;
    char strBuff[STR_BUFF];
    // Option words looked for, with what a getter read after them (kTakesNothing, ...).
    std::vector<std::pair<std::string, int>> asked;
};

ArgState makeState() {
    ArgState s;
    std::memset(s.argMap, '0', MAX_SLOTS);
    s.argMap[MAX_SLOTS] = '\0';
    s.strBuff[0] = '\0';
    return s;
}

ArgState gArgs = makeState();

void ask(const char* flag, int takes) {
    if (flag == nullptr || flag[0] != '-') return;
    for (auto& a : gArgs.asked)
        if (a.first == flag) {
            if (takes != kTakesNothing) a.second = takes;
            return;
        }
    gArgs.asked.emplace_back(flag, takes);
}

void mark(int i) {
    if (i >= 0 && i < MAX_SLOTS) gArgs.argMap[i] = '1';
}

bool isBlank(const char* s) {
    if (s == nullptr) return true;
    for (; *s != '\0'; s++)
        if (!std::isspace(static_cast<unsigned char>(*s))) return false;
    return true;
}

// Location of the value word of a one-value option: its index, or 0 (bad flag
// set) when the option is absent, found only as the program name, or last.
int valueLoc(int argc, char** argv, const char* flag) {
    ask(flag, kTakesValue);
    int loc = flagLoc(argc, argv, flag);
    if (loc < 1 || loc + 1 > argc - 1 || argv[loc + 1] == nullptr) {
        gArgs.badFlag = 1;
        return 0;
    }
    mark(loc + 1);
    return loc + 1;
}

// The list words of a list option: first index in *first, count returned; -1
// when the option is absent (bad flag set).
int listLoc(int argc, char** argv, const char* flag, int* first) {
    ask(flag, kTakesList);
    int loc = flagLoc(argc, argv, flag);
    if (loc < 1) {
        gArgs.badFlag = 1;
        *first = 0;
        return -1;
    }
    int end = nextFlag(argc, argv, loc);
    for (int i = loc + 1; i < end; i++) mark(i);
    *first = loc + 1;
    return end - loc - 1;
}

int toInt(const char* s) { return static_cast<int>(std::strtol(s, nullptr, 10)); }
float toFlt(const char* s) { return std::strtof(s, nullptr); }

void reportTooLong(const char* flag, int limit) {
    std::fprintf(stderr, "Argument Error: value for '%s' longer than %d characters.\n", flag, limit);
}

}  // namespace

int getBadFlag() { return gArgs.badFlag; }

int nullArgs() {
    std::memset(gArgs.argMap, '0', MAX_SLOTS);
    gArgs.argMap[MAX_SLOTS] = '\0';
    gArgs.currentProgName = nullptr;
    gArgs.currentCheckMode = 0;
    gArgs.currentArgc = 0;
    gArgs.currentChecksum = 0;
    gArgs.asked.clear();
    return 0;
}

int askedFlagCount() { return static_cast<int>(gArgs.asked.size()); }

const char* askedFlag(int i, int* takes) {
    if (i < 0 || i >= askedFlagCount()) return nullptr;
    if (takes != nullptr) *takes = gArgs.asked[i].second;
    return gArgs.asked[i].first.c_str();
}

int argConsumed(int i) { return i >= 0 && i < MAX_SLOTS && gArgs.argMap[i] == '1' ? 1 : 0; }

const char* getProgName() { return gArgs.currentProgName != nullptr ? gArgs.currentProgName : "program"; }

int getArgvChecksum(int argc, char** argv) {
    int sum = 0;
    if (argv == nullptr) return 0;
    for (int i = 0; i < argc; i++) {
        if (argv[i] == nullptr) continue;
        for (const char* p = argv[i]; *p != '\0'; p++) sum += static_cast<signed char>(*p);
    }
    return sum;
}

int initArgs(int argc, char** argv, int checkMode) {
    nullArgs();
    setAdviceCommandLine(argc, argv);  // advice names the options this command line gives
    gArgs.argMap[0] = '1';
    gArgs.currentProgName = (argv != nullptr && argc > 0) ? argv[0] : nullptr;
    gArgs.currentArgc = argc;
    gArgs.currentCheckMode = checkMode;
    gArgs.currentChecksum = 0;

    bool announce = true;
    if (checkMode == 4 || checkMode == 5) {
        const char* env = std::getenv("NMRCHECK");
        if (env == nullptr) {
            // Mode 5 still reports the option words no getter read (typos), quietly.
            gArgs.currentCheckMode = checkMode == 5 ? 1 : 0;
            announce = false;
        } else if (strcasecmp(env, "ALL") == 0)
            gArgs.currentCheckMode = 2;
        else if (strcasecmp(env, "FLAGS") == 0)
            gArgs.currentCheckMode = 1;
        else if (strcasecmp(env, "DEBUG") == 0)
            gArgs.currentCheckMode = 3;
        else
            gArgs.currentCheckMode = 2;
    }

    if (gArgs.currentCheckMode != 0) {
        if (announce && flagLoc(argc, argv, "-help") > 0)
            std::fprintf(stderr, "Program %s, argument checking enabled.\n", getProgName());
        if (argc >= 256) std::fprintf(stderr, "Warning from %s: not all arguments will be checked.\n", getProgName());
        gArgs.currentChecksum = getArgvChecksum(argc, argv);
    }
    return 0;
}

int checkArgs(int argc, char** argv) {
    int mode = gArgs.currentCheckMode;
    if (mode == 0 || argc < 2 || argv == nullptr) {
        nullArgs();
        return 0;
    }
    const char* prog = getProgName();
    int checksum = getArgvChecksum(argc, argv);

    if (mode == 3) {
        std::fprintf(stderr, "Debug Info from %s. Original Checksum: %d Final Checksum: %d.\n", prog,
                     gArgs.currentChecksum, checksum);
        for (int i = 0; i < argc && i < MAX_SLOTS; i++) {
            const char* a = argv[i];
            std::fprintf(stderr, "%3d. %c %3d Characters: '%s'\n", i, gArgs.argMap[i],
                         a != nullptr ? static_cast<int>(std::strlen(a)) : -1, a != nullptr ? a : "(None)");
        }
        mode = 2;
    }

    if (checksum != gArgs.currentChecksum || argc != gArgs.currentArgc)
        std::fprintf(stderr, "Warning from %s: argument checking may not be valid.\n", prog);

    int n = (argc >= 256) ? MAX_SLOTS : argc;
    for (int i = 1; i < n; i++)
        if (isBlank(argv[i])) mark(i);

    int count = 0;
    int i = 1;
    while (i < n) {
        bool unused = gArgs.argMap[i] == '0';
        if (!unused || (mode == 1 && !isFlag(argv[i]))) {
            i++;
            continue;
        }
        int j = i;
        if (mode == 2)
            while (j + 1 < n && gArgs.argMap[j + 1] == '0') j++;
        std::fprintf(stderr, "Warning from %s:\n", prog);
        if (j > i)
            std::fprintf(stderr, "  Arguments %d to %d may be unknown or unused:\n", i, j);
        else
            std::fprintf(stderr, "  Argument %d may be unknown or unused:\n", i);
        std::fprintf(stderr, "  '");
        for (int k = i; k <= j; k++) std::fprintf(stderr, " %s", argv[k]);
        std::fprintf(stderr, " '\n");
        count++;
        i = j + 1;
    }
    nullArgs();
    return count;
}

int flagLoc(int argc, char** argv, const char* flag) {
    gArgs.badFlag = 0;
    ask(flag, kTakesNothing);
    if (argv != nullptr && flag != nullptr) {
        for (int i = 0; i < argc; i++) {
            // Most words differ from the flag in their first characters ("-" and the next).
            if (argv[i] != nullptr && argv[i][0] == flag[0] &&
                (flag[0] == '\0' || argv[i][1] == flag[1]) && std::strcmp(argv[i], flag) == 0) {
                mark(i);
                return i;
            }
        }
    }
    gArgs.badFlag = 1;
    return 0;
}

char* getNthArg(int argc, char** argv, int n) {
    if (argv == nullptr || n < 0 || n >= argc) return nullptr;
    mark(n);
    return argv[n];
}

int nextFlag(int argc, char** argv, int prevFlag) {
    gArgs.badFlag = 0;
    if (argv == nullptr) return argc;
    for (int i = (prevFlag < 0 ? 0 : prevFlag + 1); i < argc; i++)
        if (isFlag(argv[i])) return i;
    return argc;
}

int isFlag(const char* arg) {
    if (arg == nullptr || arg[0] != '-') return 0;
    char c = arg[1];
    return (std::isdigit(static_cast<unsigned char>(c)) || c == '.') ? 0 : 1;
}

int isNumber(const char* string) {
    float x = 0.0f;
    if (string == nullptr) return 0;
    return std::sscanf(string, "%f", &x) == 1 ? 1 : 0;
}

int wordToInt(const char* word, int* value) {
    if (word == nullptr || word[0] == '\0') return 0;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(word, &end, 10);
    if (end == word || *end != '\0') return 0;
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return -1;
    *value = static_cast<int>(v);
    return 1;
}

int wordToDouble(const char* word, double* value) {
    if (word == nullptr || word[0] == '\0') return 0;
    char* end = nullptr;
    const double v = std::strtod(word, &end);
    if (end == word || *end != '\0') return 0;
    // Overflow gives an infinity; underflow a value at or near 0, kept.
    if (!std::isfinite(v)) return -1;
    *value = v;
    return 1;
}

int wordToFloat(const char* word, float* value) {
    double v = 0.0;
    const int st = wordToDouble(word, &v);
    if (st != 1) return st;
    if (std::fabs(v) > static_cast<double>(FLT_MAX)) return -1;
    *value = static_cast<float>(v);
    return 1;
}

int intArgD(int argc, char** argv, const char* flag, int* value) {
    int loc = valueLoc(argc, argv, flag);
    if (loc == 0) return 0;
    *value = toInt(argv[loc]);
    return 1;
}

int fltArgD(int argc, char** argv, const char* flag, float* value) {
    int loc = valueLoc(argc, argv, flag);
    if (loc == 0) return 0;
    *value = toFlt(argv[loc]);
    return 1;
}

int strArgD(int argc, char** argv, const char* flag, char* value, int valueSize) {
    int loc = valueLoc(argc, argv, flag);
    if (loc == 0) return 0;
    size_t len = std::strlen(argv[loc]);
    if (value == nullptr || valueSize < 1 || len >= static_cast<size_t>(valueSize)) {
        reportTooLong(flag, valueSize > 0 ? valueSize - 1 : 0);
        gArgs.badFlag = 1;
        return -1;
    }
    std::memcpy(value, argv[loc], len + 1);
    return 1;
}

int ptrArgD(int argc, char** argv, const char* flag, char** value) {
    int loc = valueLoc(argc, argv, flag);
    if (loc == 0) return 0;
    *value = argv[loc];
    return 1;
}

int optArgD(int argc, char** argv, const char* flag, char** value) {
    ask(flag, kTakesOptional);
    const int loc = flagLoc(argc, argv, flag);
    if (loc < 1) return 0;
    const bool follows = loc + 1 < argc && argv[loc + 1] != nullptr && !isFlag(argv[loc + 1]);
    if (follows) mark(loc + 1);
    *value = follows ? argv[loc + 1] : nullptr;
    return 1;
}

int optIntArgD(int argc, char** argv, const char* flag, int alone, int* value) {
    char* word = nullptr;
    if (optArgD(argc, argv, flag, &word) == 0) return 0;
    *value = word != nullptr ? toInt(word) : alone;
    return 1;
}

int logArgD(int argc, char** argv, const char* flag, int* value) {
    if (flagLoc(argc, argv, flag) < 1) return 0;
    *value = 1;
    return 1;
}

int notLogArgD(int argc, char** argv, const char* flag, int* value) {
    if (flagLoc(argc, argv, flag) < 1) return 0;
    *value = 0;
    return 1;
}

int intArg(int argc, char** argv, const char* flag) {
    int v = 0;
    intArgD(argc, argv, flag, &v);
    return v;
}

float fltArg(int argc, char** argv, const char* flag) {
    float v = 0.0f;
    fltArgD(argc, argv, flag, &v);
    return v;
}

char* strArg(int argc, char** argv, const char* flag) {
    int loc = valueLoc(argc, argv, flag);
    if (loc == 0) return nullptr;
    size_t len = std::strlen(argv[loc]);
    if (len >= static_cast<size_t>(STR_BUFF)) {
        reportTooLong(flag, STR_BUFF - 1);
        gArgs.badFlag = 1;
        return nullptr;
    }
    std::memcpy(gArgs.strBuff, argv[loc], len + 1);
    return gArgs.strBuff;
}

char* ptrArg(int argc, char** argv, const char* flag) {
    int loc = valueLoc(argc, argv, flag);
    if (loc == 0) return nullptr;
    return argv[loc];
}

namespace {

// The list words converted by conv into a new array from alloc ("listArg").
template <typename T>
T* numberList(int argc, char** argv, const char* flag, int* length, T* (*alloc)(const char*, int),
              T (*conv)(const char*)) {
    int first = 0;
    int n = listLoc(argc, argv, flag, &first);
    *length = 0;
    if (n < 1) return nullptr;
    T* list = alloc("listArg", n);
    if (list == nullptr) {
        gArgs.badFlag = 0;
        *length = -1;
        return nullptr;
    }
    for (int i = 0; i < n; i++) list[i] = conv(argv[first + i]);
    *length = n;
    return list;
}

}  // namespace

int* listArg(int argc, char** argv, const char* flag, int* length) {
    return numberList(argc, argv, flag, length, intAlloc, toInt);
}

float* rListArg(int argc, char** argv, const char* flag, int* length) {
    return numberList(argc, argv, flag, length, fltAlloc, toFlt);
}

char** strListArg(int argc, char** argv, const char* flag, int* length) {
    int first = 0;
    int n = listLoc(argc, argv, flag, &first);
    *length = 0;
    if (n < 1) return nullptr;
    void* block = voidMalloc("strListArg", (n + 1) * static_cast<int>(sizeof(char*)));
    if (block == nullptr) {
        gArgs.badFlag = 0;
        *length = -1;
        return nullptr;
    }
    char** list = static_cast<char**>(block);
    for (int i = 0; i < n; i++) {
        list[i] = strDup(argv[first + i]);
        if (list[i] == nullptr) std::fprintf(stderr, "StrList Error allocating string.\n");
    }
    list[n] = nullptr;
    *length = n;
    return list;
}

char** ptrListArg(int argc, char** argv, const char* flag, int* length) {
    int first = 0;
    int n = listLoc(argc, argv, flag, &first);
    if (n < 0) {
        *length = 0;
        return nullptr;
    }
    *length = n;
    return argv + first;
}

float* rListArg2(int argc, char** argv, const char* flag, int* length) {
    *length = 0;
    int loc = valueLoc(argc, argv, flag);
    if (loc == 0) return nullptr;
    const char* text = argv[loc];
    int n = cntToken(text);
    if (n < 1) return nullptr;
    float* list = fltAlloc("listArg", n);
    if (list == nullptr) {
        gArgs.badFlag = 0;
        *length = -1;
        return nullptr;
    }
    // A word without a leading number reads as 0.
    for (int k = 0; k < n; k++) list[k] = getTokenR(k + 1, text);
    *length = n;
    return list;
}

}  // namespace korim::foundation
