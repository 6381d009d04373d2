// Residue-type table (amino acids and nucleotides) and the translations between residue names and one-letter codes.
#include <cctype>
#include <cstring>
#include <strings.h>

#include "structure/pdb.h"

namespace korim::structure {

// Searches walk the rows until the sentinel of code 0. The ribo-uridine row
// carries the letter T.
const ResTypeInfo CanonicalResList[CANONICAL_RES_COUNT] = {
    {"ALA", 'A', 1, 1},    {"ARG", 'R', 2, 1},    {"ASN", 'N', 3, 1},    {"ASP", 'D', 4, 1},
    {"CYS", 'C', 5, 1},    {"GLN", 'Q', 6, 1},    {"GLU", 'E', 7, 1},    {"GLY", 'G', 8, 1},
    {"HIS", 'H', 9, 1},    {"ILE", 'I', 10, 1},   {"LEU", 'L', 11, 1},   {"LYS", 'K', 12, 1},
    {"MET", 'M', 13, 1},   {"PHE", 'F', 14, 1},   {"PRO", 'P', 15, 1},   {"SER", 'S', 16, 1},
    {"THR", 'T', 17, 1},   {"TRP", 'W', 18, 1},   {"TYR", 'Y', 19, 1},   {"VAL", 'V', 20, 1},
    {"ADE", 'A', 101, 2},  {"CYT", 'C', 102, 2},  {"GUA", 'G', 103, 2},  {"THY", 'T', 104, 2},
    {"URI", 'U', 105, 2},  {"dADE", 'A', 101, 3}, {"dCYT", 'C', 102, 3}, {"dGUA", 'G', 103, 3},
    {"dTHY", 'T', 104, 3}, {"rADE", 'A', 301, 4}, {"rCYT", 'C', 302, 4}, {"rGUA", 'G', 303, 4},
    {"rURI", 'T', 304, 4}, {"None", '0', 0, 0},
};

namespace {

const ResTypeInfo* noneRow() { return &CanonicalResList[CANONICAL_RES_COUNT - 1]; }

// First row whose name equals resName ignoring case, or null.
const ResTypeInfo* findRow(const char* resName) {
    if (resName == nullptr) return nullptr;
    for (const ResTypeInfo* r = CanonicalResList; r->resCode != 0; r++) {
        if (strcasecmp(r->resName, resName) == 0) return r;
    }
    return nullptr;
}

struct ResNameModule {
    char name1[17] = "";
    char name3[17] = "";
};

ResNameModule names;

}  // namespace

const ResTypeInfo* findResTypeByName(const char* resName) {
    const ResTypeInfo* r = findRow(resName);
    return r != nullptr ? r : noneRow();
}

const ResTypeInfo* findResType(const ResInfo* resInfo) {
    return findResTypeByName(resInfo != nullptr ? resInfo->resName : nullptr);
}

int isAminoAcid(const char* resName) {
    const ResTypeInfo* r = findRow(resName);
    return r != nullptr && r->resClass == 1 ? 1 : 0;
}

char* getResName1(const char* resName3) {
    std::strcpy(names.name1, "?");
    if (resName3 == nullptr) return names.name1;
    for (const ResTypeInfo* r = CanonicalResList; r->resCode != 0; r++) {
        if (r->resClass == 1 && strcasecmp(r->resName, resName3) == 0) {
            names.name1[0] = r->resLetter;
            names.name1[1] = '\0';
            break;
        }
    }
    return names.name1;
}

char* getResName3(const char* resName1) {
    std::strcpy(names.name3, "None");
    if (resName1 == nullptr || resName1[0] == '\0' || resName1[1] != '\0') return names.name3;
    int c = std::toupper(static_cast<unsigned char>(resName1[0]));
    for (const ResTypeInfo* r = CanonicalResList; r->resCode != 0; r++) {
        if (r->resClass == 1 && r->resLetter == c) {
            std::strcpy(names.name3, r->resName);
            break;
        }
    }
    return names.name3;
}

}  // namespace korim::structure
