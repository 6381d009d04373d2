// Fixed-width key texts of atoms, residues, chains and segments, shared by indexing and look-up.
#include <cstdio>

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

int finish(int written) { return written < 0 ? 1 : 0; }

}  // namespace

int buildAtomText(int resID, const char* atomName, const char* icode, const char* chainName,
                  const char* segName, char* atomText) {
    if (atomText == nullptr) return 1;
    const char* chain = keyChain(chainName);
    const char* seg = keySeg(segName);
    const char* atom = orEmpty(atomName);
    int n;
    if (icode != nullptr) {
        // Insertion code (one blank when empty) directly followed by the chain.
        const char* ic = icode[0] != '\0' ? icode : " ";
        const char* ch = chain[0] != '\0' ? chain : " ";
        n = std::snprintf(atomText, PDB_KEY_LEN, "%d %-4s %s%s %-4s", resID, atom, ic, ch, seg);
    } else {
        n = std::snprintf(atomText, PDB_KEY_LEN, "%d %-4s %2s %-4s", resID, atom, chain, seg);
    }
    return finish(n);
}

int buildResText(int resID, const char* chainName, const char* segName, char* resText) {
    if (resText == nullptr) return 1;
    return finish(std::snprintf(resText, PDB_KEY_LEN, "%d %-2s %-4s", resID, keyChain(chainName),
                                keySeg(segName)));
}

int buildResTextOld(int resID, const char* chainName, const char* segName, char* resText) {
    return buildResText(resID, chainName, segName, resText);
}

int buildChainText(const char* chainName, const char* segName, char* chainText) {
    if (chainText == nullptr) return 1;
    return finish(std::snprintf(chainText, PDB_KEY_LEN, "%-2s %-4s", keyChain(chainName),
                                keySeg(segName)));
}

int buildSegText(const char* segName, const char* chainName, char* segText) {
    if (segText == nullptr) return 1;
    return finish(std::snprintf(segText, PDB_KEY_LEN, "%-4s %-2s", keySeg(segName),
                                keyChain(chainName)));
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
