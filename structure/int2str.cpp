// Fixed-width key texts of atoms, residues, chains and segments, shared by indexing and look-up.
#include <cstdio>
#include <cstring>

#include "structure/pdb.h"

namespace korim::structure {

namespace {

const char* orEmpty(const char* s) { return s != nullptr ? s : ""; }

// The chain and segment names as the keys see them: one blank in place of a
// name the module is told to ignore.
const char* keyChain(const char* chainName) {
    return getPDBChainMode() ? " " : orEmpty(chainName);
}

const char* keySeg(const char* segName) { return getPDBSegMode() ? " " : orEmpty(segName); }

// A key text built in a caller buffer of PDB_KEY_LEN bytes, as snprintf
// would build it from the formats of the builders below: text beyond the
// buffer is cut, the key always ends in a NUL.
struct KeyText {
    char* p;
    char* last;  // room for the NUL

    explicit KeyText(char* buf) : p(buf), last(buf + PDB_KEY_LEN - 1) {}
    ~KeyText() { *p = '\0'; }
    void put(char c) {
        if (p < last) *p++ = c;
    }
    // %-Ns (width 0: %s).
    void left(const char* s, int width) {
        int n = 0;
        for (; s[n] != '\0'; n++) put(s[n]);
        for (; n < width; n++) put(' ');
    }
    // %Ns.
    void right(const char* s, int width) {
        int n = 0;
        while (s[n] != '\0') n++;
        for (; n < width; n++) put(' ');
        left(s, 0);
    }
    // %d.
    void integer(int v) {
        char digits[16];
        int n = 0;
        long long m = v;
        if (m < 0) {
            put('-');
            m = -m;
        }
        do {
            digits[n++] = static_cast<char>('0' + m % 10);
            m /= 10;
        } while (m > 0);
        while (n > 0) put(digits[--n]);
    }
};

// The fast form of KeyText for the usual short names: a name of at most kShort characters
// keeps every key far inside its buffer, so nothing is ever cut.
constexpr size_t kShort = 48;

// Length of s when it has at most kShort characters, else kShort + 1.
size_t shortLen(const char* s) {
    size_t n = 0;
    while (n <= kShort && s[n] != '\0') n++;
    return n;
}

// %d into p; the end of the digits.
char* putInt(char* p, int v) {
    char digits[16];
    int n = 0;
    long long m = v;
    if (m < 0) {
        *p++ = '-';
        m = -m;
    }
    do {
        digits[n++] = static_cast<char>('0' + m % 10);
        m /= 10;
    } while (m > 0);
    while (n > 0) *p++ = digits[--n];
    return p;
}

// %-Ns (left) or %Ns (right) of the text s of len characters.
char* putPadded(char* p, const char* s, size_t len, size_t width, bool left) {
    const size_t pad = len < width ? width - len : 0;
    if (!left) p = static_cast<char*>(std::memset(p, ' ', pad)) + pad;
    p = static_cast<char*>(std::memcpy(p, s, len)) + len;
    if (left) p = static_cast<char*>(std::memset(p, ' ', pad)) + pad;
    return p;
}

}  // namespace

int buildAtomText(int resID, const char* atomName, const char* icode, const char* chainName,
                  const char* segName, char* atomText) {
    if (atomText == nullptr) return 1;
    const char* chain = keyChain(chainName);
    const char* seg = keySeg(segName);
    const char* atom = orEmpty(atomName);
    // "%d %-4s %s%s %-4s" with the insertion code (one blank when empty)
    // directly followed by the chain, or "%d %-4s %2s %-4s" without it.
    const char* code = icode == nullptr ? nullptr : icode[0] != '\0' ? icode : " ";
    const char* keyChainText = icode != nullptr && chain[0] == '\0' ? " " : chain;
    const size_t la = shortLen(atom), lc = shortLen(keyChainText), ls = shortLen(seg);
    const size_t li = code != nullptr ? shortLen(code) : 0;
    if (la <= kShort && lc <= kShort && ls <= kShort && li <= kShort) {
        char* p = putInt(atomText, resID);
        *p++ = ' ';
        p = putPadded(p, atom, la, 4, true);
        *p++ = ' ';
        if (code != nullptr) {
            p = putPadded(p, code, li, 0, true);
            p = putPadded(p, keyChainText, lc, 0, true);
        } else {
            p = putPadded(p, keyChainText, lc, 2, false);
        }
        *p++ = ' ';
        p = putPadded(p, seg, ls, 4, true);
        *p = '\0';
        return 0;
    }
    KeyText k(atomText);
    k.integer(resID);
    k.put(' ');
    k.left(atom, 4);
    k.put(' ');
    if (icode != nullptr) {
        k.left(icode[0] != '\0' ? icode : " ", 0);
        k.left(chain[0] != '\0' ? chain : " ", 0);
    } else {
        k.right(chain, 2);
    }
    k.put(' ');
    k.left(seg, 4);
    return 0;
}

int buildResText(int resID, const char* chainName, const char* segName, char* resText) {
    if (resText == nullptr) return 1;
    KeyText k(resText);  // "%d %-2s %-4s"
    k.integer(resID);
    k.put(' ');
    k.left(keyChain(chainName), 2);
    k.put(' ');
    k.left(keySeg(segName), 4);
    return 0;
}

int buildResTextOld(int resID, const char* chainName, const char* segName, char* resText) {
    return buildResText(resID, chainName, segName, resText);
}

int buildChainText(const char* chainName, const char* segName, char* chainText) {
    if (chainText == nullptr) return 1;
    KeyText k(chainText);  // "%-2s %-4s"
    k.left(keyChain(chainName), 2);
    k.put(' ');
    k.left(keySeg(segName), 4);
    return 0;
}

int buildSegText(const char* segName, const char* chainName, char* segText) {
    if (segText == nullptr) return 1;
    KeyText k(segText);  // "%-4s %-2s"
    k.left(keySeg(segName), 4);
    k.put(' ');
    k.left(keyChain(chainName), 2);
    return 0;
}

int intToStr(int i, char* dest, int destLen) {
    if (dest == nullptr || destLen < 1) return 0;
    dest[0] = '\0';
    if (destLen == 1) return 0;
    // Digits of |i| from the least significant on; the magnitude is taken in
    // a wider type so that the most negative int keeps its digits.
    char digits[64];
    int n = 0;
    long long v = i;
    unsigned long long m = v < 0 ? static_cast<unsigned long long>(-v) : static_cast<unsigned long long>(v);
    do {
        digits[n++] = static_cast<char>('0' + m % 10);
        m /= 10;
    } while (m != 0 && n < 63);
    int len = n + (i < 0 ? 1 : 0);
    if (len + 1 > destLen) return 0;
    int k = 0;
    if (i < 0) dest[k++] = '-';
    while (n > 0) dest[k++] = digits[--n];
    dest[k] = '\0';
    return k;
}

}  // namespace korim::structure
