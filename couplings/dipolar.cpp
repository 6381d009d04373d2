// Coupling module: interaction constants, row selection, mapping rows to atoms, and the linear
// solve of the Saupe elements with back-calculation of couplings.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "couplings/dc.h"
#include "couplings/dcpairs.h"
#include "couplings/dcshift.h"
#include "foundation/advice.h"
#include "foundation/appendf.h"
#include "foundation/memory.h"
#include "foundation/svdcmpd.h"
#include "foundation/svdpoly.h"
#include "structure/pdb.h"

namespace korim::couplings {

using namespace korim::foundation;
using korim::structure::AtomInfo;
using korim::structure::PDBInfo;

namespace {

// Module workspace of the linear solve: design matrix (5 columns) and right-hand side.
struct DipolarState {
    float* xWork = nullptr;  // 5*(n+1) floats
    float* yWork = nullptr;  // n+1 floats
    int workSize = 0;        // n, 0 = none
};
DipolarState g;


// Gyromagnetic ratio in rad/(s T); 0 when the nucleus is unknown.
double gammaOf(char nucleus) {
    switch (nucleus) {
        case 'C': return 6.7283e7;
        case 'D': return 4.1066e7;
        case 'F': return 2.517e8;
        case 'H': return 2.675198e8;
        case 'N': return -2.7116e7;
        case 'P': return 1.0829e8;
        default: return 0.0;
    }
}

bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
bool isHN(const char* a) { return same(a, "HN") || same(a, "H"); }
bool isHA(const char* a) {
    return same(a, "HA") || same(a, "HA#") || same(a, "HA1") || same(a, "HA2");
}

// Standard backbone bond length (Angstrom) for the named pair, 0 when none applies.
float standardLength(int resIDI, const char* aI, int resIDJ, const char* aJ) {
    // The step from I to J, in a width no residue numbers overflow (INT_MIN - 1 would).
    const long long step = static_cast<long long>(resIDJ) - resIDI;
    if (step == 0) {
        if (isHN(aI) && same(aJ, "N")) return 1.041f;
        if (same(aI, "N") && isHN(aJ)) return 1.041f;
        if (isHA(aI) && same(aJ, "CA")) return 1.107f;
        if (same(aI, "CA") && isHA(aJ)) return 1.107f;
        if (same(aI, "N") && same(aJ, "CA")) return 1.458f;
        if (same(aI, "CA") && same(aJ, "N")) return 1.458f;
        if (same(aI, "C") && same(aJ, "CA")) return 1.525f;
        if (same(aI, "CA") && same(aJ, "C")) return 1.525f;
    } else if (step == 1) {
        if (same(aI, "C") && isHN(aJ)) return 2.085f;
        if (same(aI, "C") && same(aJ, "N")) return 1.329f;
    } else if (step == -1) {
        if (isHN(aI) && same(aJ, "C")) return 2.085f;
        if (same(aI, "N") && same(aJ, "C")) return 1.329f;
    }
    return 0.0f;
}

// Chain and segment names used to look up one end of a row.
const char* lookupChain(const PDBInfo* pdb, const DTable* t, const char* rowName) {
    return t->nullChainName ? pdb->defChainName : rowName;
}
const char* lookupSeg(const PDBInfo* pdb, const DTable* t, const char* rowName) {
    return t->nullSegName ? pdb->defSegName : rowName;
}

// Names of the residue holding an atom, from the atom's own record: a residue record of the
// structure holds every insertion code of its number (52, 52A, 52B) under the name of its last
// atom, while a row maps to the atoms without a code.
void residueNames(const AtomInfo* a, char* resName, char* chainName, char* segName) {
    structure::pdbStrCpy(resName, a->resName);
    structure::pdbStrCpy(chainName, a->chainID);
    structure::pdbStrCpy(segName, a->segID);
}

// The first atom of residue r without an insertion code, the one whose residue a row of r's
// number names; null when every atom of r carries a code.
const AtomInfo* codelessAtom(const structure::ResInfo* r) {
    for (int i = 0; r->atomList != nullptr && i < r->atomCount; ++i) {
        const AtomInfo* a = r->atomList[i];
        if (a != nullptr && a->icode[0] == '\0') return a;
    }
    return nullptr;
}

// The name of residue r as a row that names its number finds it (the record's own name when
// every atom carries an insertion code).
const char* rowResidueName(const structure::ResInfo* r) {
    const AtomInfo* a = codelessAtom(r);
    return a != nullptr ? a->resName : r->resName;
}

// Unit vector from (xI, yI, zI) to (xJ, yJ, zJ); zero for coincident points.
void unitVector(float xI, float yI, float zI, float xJ, float yJ, float zJ, double* u) {
    const double vx = xJ - xI, vy = yJ - yI, vz = zJ - zI;
    const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
    if (r == 0.0) {
        u[0] = u[1] = u[2] = 0.0;
        return;
    }
    u[0] = vx / r;
    u[1] = vy / r;
    u[2] = vz / r;
}


}  // namespace

void saupeBasis(const double* u, double* a) {
    const double x = u[0], y = u[1], z = u[2];
    a[0] = (3.0 * z * z - 1.0) / 2.0;
    a[1] = (x * x - y * y) / 2.0;
    a[2] = 2.0 * x * y;
    a[3] = 2.0 * x * z;
    a[4] = 2.0 * y * z;
}

char nucleusOf(const char* name) {
    if (name == nullptr || name[0] == '\0') return '\0';
    const unsigned char c0 = static_cast<unsigned char>(name[0]);
    if ((c0 >= 'A' && c0 <= 'Z') || (c0 >= 'a' && c0 <= 'z')) return name[0];
    return name[1];
}

// ---- module workspace ----

int dipolarNull() {
    g.xWork = nullptr;
    g.yWork = nullptr;
    g.workSize = 0;
    return 0;
}

int dipolarInit(int size) {
    // A workspace of the same size serves again: repeated fits of one coupling set (the error
    // estimates) keep their workspace and the SVD's cached arrays.
    if (g.workSize >= size) return 0;
    dipolarFree();  // the smaller workspace goes before the new one is taken
    float* x = fltAlloc("dipolar", 5 * size + 5);
    float* y = x != nullptr ? fltAlloc("dipolar", size + 1) : nullptr;
    if (x == nullptr || y == nullptr) {
        if (x != nullptr) unAlloc("dipolar", x, (5 * size + 5) * static_cast<int>(sizeof(float)));
        std::fprintf(stderr, "MERIDO Error Allocating Dipolar Workspace.\n");
        return 1;
    }
    g.xWork = x;
    g.yWork = y;
    g.workSize = size;
    return 0;
}

int dipolarFree() {
    if (g.workSize != 0) {
        svdPolyFree();
        unAlloc("dipolar", g.xWork, (5 * g.workSize + 5) * static_cast<int>(sizeof(float)));
        unAlloc("dipolar", g.yWork, (g.workSize + 1) * static_cast<int>(sizeof(float)));
    }
    return dipolarNull();
}

// ---- interaction constants ----

int findVariableDI(float rIJ, int resIDI, const char* /*resNameI*/, const char* atomNameI,
                   int resIDJ, const char* /*resNameJ*/, const char* atomNameJ, float* diVal,
                   int* diFixedFlag, int allowFixedDI) {
    *diVal = 0.0f;
    *diFixedFlag = 1;
    const float r0 = standardLength(resIDI, atomNameI, resIDJ, atomNameJ);
    float r = r0;
    if (r0 == 0.0f || allowFixedDI == 0) {
        r = rIJ;
        *diFixedFlag = 0;
    }
    const float u = r != 0.0f ? 1.0f / (r * r * r) : 0.0f;

    int status = 0;
    double gI = gammaOf(nucleusOf(atomNameI));
    if (gI == 0.0) {
        std::fprintf(stderr, "Dipolar Interaction - Unknown atom %s.\n", atomNameI);
        gI = 1.0;
        status = 1;
    }
    double gJ = gammaOf(nucleusOf(atomNameJ));
    if (gJ == 0.0) {
        std::fprintf(stderr, "Dipolar Interaction - Unknown atom %s.\n", atomNameJ);
        gJ = 1.0;
        status = 1;
    }
    const float factorI = static_cast<float>(kDipolarPrefactor * gI);  // e.g. 8.980129e-4 for H
    *diVal = static_cast<float>(factorI * gJ) * u;
    return status;
}

int findFixedDI(int resIDI, const char* resNameI, const char* atomNameI, int resIDJ,
                const char* resNameJ, const char* atomNameJ, float* diVal, int* diFixedFlag) {
    return findVariableDI(0.0f, resIDI, resNameI, atomNameI, resIDJ, resNameJ, atomNameJ, diVal,
                          diFixedFlag, 1);
}

// ---- selection and mapping ----

int knownNucleus(const char* atomName) { return gammaOf(nucleusOf(atomName)) != 0.0 ? 1 : 0; }

bool rowInRange(const DInfo& r, int segFirst, int segLast, int excludeMode) {
    const bool inI = r.resIDI >= segFirst && r.resIDI <= segLast;
    const bool inJ = r.resIDJ >= segFirst && r.resIDJ <= segLast;
    const int larger = r.resIDI > r.resIDJ ? r.resIDI : r.resIDJ;
    if (excludeMode == 1) return inI && inJ;
    if (excludeMode == 2) return inI || inJ;
    return larger >= segFirst && larger <= segLast;
}

int selectD(DInfo* dList, int dCount, int segFirst, int segLast, int excludeMode, int unknownNuclei,
            std::vector<int>* beyondBound) {
    if (beyondBound != nullptr) beyondBound->clear();
    if (dCount < 1) return 0;
    int count = 0;
    for (int k = 0; k < dCount; ++k) {
        DInfo& r = dList[k];
        r.valid = 1;
        // A coupling that is missing (9999), above the usable limit or not a finite number is
        // never used; neither is a row naming an atom whose nucleus has no known ratio, nor one
        // whose error or weight is not a finite number (it would turn the whole fit into NaN).
        if (!std::isfinite(r.d)) r.valid = 0;
        const bool beyond = std::isfinite(r.d) && r.d > kDcUsableMax;
        if (!std::isfinite(r.sigma) || !std::isfinite(r.w)) r.valid = 0;
        if (unknownNuclei != 1 && !(knownNucleus(r.atomNameI) && knownNucleus(r.atomNameJ))) r.valid = 0;
        if (!rowInRange(r, segFirst, segLast, excludeMode)) r.valid = 0;
        if (beyond && r.valid && beyondBound != nullptr) beyondBound->push_back(k);
        if (beyond) r.valid = 0;
        if (r.valid) ++count;
    }
    return count;
}

namespace {

// An atom type of the filter: the name itself, or "All" for any.
bool typeIs(const char* wanted, const char* name) {
    return std::strcmp(wanted, "All") == 0 || std::strcmp(wanted, name) == 0;
}

}  // namespace

bool atomTypesMatch(const DInfo& d, const char* atomNameI, const char* atomNameJ) {
    return typeIs(atomNameI, d.atomNameI) && typeIs(atomNameJ, d.atomNameJ);
}

int selTypDC(DInfo* dList, int dCount, const char* atomNameI, const char* atomNameJ) {
    if (dList == nullptr || dCount < 1) return 0;
    int validCount = 0;
    int reversed = 0;  // selected rows the filter drops that hold the pair the other way round
    for (int i = 0; i < dCount; ++i) {
        DInfo& d = dList[i];
        if (!atomTypesMatch(d, atomNameI, atomNameJ)) {
            if (d.valid != 0 && typeIs(atomNameI, d.atomNameJ) && typeIs(atomNameJ, d.atomNameI)) ++reversed;
            d.valid = 0;
        }
        if (d.valid != 0) ++validCount;
    }
    if (reversed > 0) {
        // The order is the user's to choose (a table may hold both); the rows are named, not taken.
        const auto atom = [](const char* name) { return std::strcmp(name, "All") == 0 ? std::string("any atom") : name; };
        std::fprintf(stderr,
                     "DC Warning: %d coupling%s hold%s the pair in the other order (%s at end I, %s at end J) and %s "
                     "not selected by -aD1 %s -aD2 %s; %s selects %s.\n",
                     reversed, reversed == 1 ? "" : "s", reversed == 1 ? "s" : "", atom(atomNameJ).c_str(),
                     atom(atomNameI).c_str(), reversed == 1 ? "is" : "are", atomNameI, atomNameJ,
                     foundation::adviseOptions({{"-aD1", atomNameJ}, {"-aD2", atomNameI}}).c_str(),
                     reversed == 1 ? "it" : "them");
    }
    return validCount;
}

int mapDCInfo(PDBInfo* pdbInfo, DTable* dTab, int aOff) {
    if (pdbInfo == nullptr || dTab == nullptr || dTab->dObsList == nullptr || dTab->dCount < 1)
        return 0;
    int count = 0;
    for (int k = 0; k < dTab->dCount; ++k) {
        DInfo& r = dTab->dObsList[k];
        r.atomICount = structure::findAtomList(pdbInfo, shiftedResID(r.resIDI, aOff), r.atomNameI,
                                               lookupChain(pdbInfo, dTab, r.chainNameI),
                                               lookupSeg(pdbInfo, dTab, r.segNameI), r.atomI);
        r.atomJCount = structure::findAtomList(pdbInfo, shiftedResID(r.resIDJ, aOff), r.atomNameJ,
                                               lookupChain(pdbInfo, dTab, r.chainNameJ),
                                               lookupSeg(pdbInfo, dTab, r.segNameJ), r.atomJ);
        if (r.atomICount == 0 || r.atomJCount == 0) {
            r.valid = 0;
            if (structure::getPDBWarn()) {
                std::fprintf(stderr, "MERIDO Warning: No Atom Map for DC, offset %d:\n", aOff);
                std::fprintf(stderr,
                             "   ResIDI: %4d ResNameI: %4s AtomNameI: %4s SegI: %4s ChainI: %4s\n",
                             r.resIDI, r.resNameI, r.atomNameI, r.segNameI, r.chainNameI);
                std::fprintf(stderr,
                             "   ResIDJ: %4d ResNameJ: %4s AtomNameJ: %4s SegJ: %4s ChainJ: %4s\n",
                             r.resIDJ, r.resNameJ, r.atomNameJ, r.segNameJ, r.chainNameJ);
            }
        } else {
            r.valid = 1;
            ++count;
        }
    }
    return count;
}

int hasBondVector(const DInfo& d) {
    for (int i = 0; i < d.atomICount; ++i)
        for (int j = 0; j < d.atomJCount; ++j) {
            const AtomInfo* a = d.atomI[i];
            const AtomInfo* b = d.atomJ[j];
            if (a != nullptr && b != nullptr && (a->x != b->x || a->y != b->y || a->z != b->z)) return 1;
        }
    return 0;
}

void findRowAtoms(PDBInfo* pdbInfo, const DTable* dTab, const DInfo& o, int aOff, DInfo* c) {
    c->atomICount = structure::findAtomList(pdbInfo, shiftedResID(o.resIDI, aOff), o.atomNameI,
                                            lookupChain(pdbInfo, dTab, o.chainNameI),
                                            lookupSeg(pdbInfo, dTab, o.segNameI), c->atomI);
    c->atomJCount = structure::findAtomList(pdbInfo, shiftedResID(o.resIDJ, aOff), o.atomNameJ,
                                            lookupChain(pdbInfo, dTab, o.chainNameJ),
                                            lookupSeg(pdbInfo, dTab, o.segNameJ), c->atomJ);
}

int buildDC(PDBInfo* pdbInfo, DTable* dTab, int aOff, int wOff, float* wList, int wCount,
            int allowFixedDI) {
    if (pdbInfo == nullptr || dTab == nullptr || dTab->dObsList == nullptr ||
        dTab->dCalcList == nullptr || pdbInfo->atomCount < 1 || pdbInfo->atomList == nullptr ||
        dTab->dCount < 1)
        return 0;
    resetDC(dTab->dCalcList, dTab->dCount);
    int count = 0;
    for (int k = 0; k < dTab->dCount; ++k) {
        DInfo& o = dTab->dObsList[k];
        DInfo& c = dTab->dCalcList[k];
        if (!o.valid) continue;
        c.id = o.id;
        c.count = o.count;
        // No interaction constant without the ratios of both nuclei (reportDCMap names the row).
        if (!knownNucleus(o.atomNameI) || !knownNucleus(o.atomNameJ)) continue;
        c.valid = 1;
        const int resI = shiftedResID(o.resIDI, aOff);
        const int resJ = shiftedResID(o.resIDJ, aOff);
        findRowAtoms(pdbInfo, dTab, o, aOff, &c);
        // A row without a bond vector (one atom named twice) would enter the fit as a coupling
        // of interaction constant 0: a residual of its full value, whatever the tensor.
        if (c.atomICount == 0 || c.atomJCount == 0 || oneAtomRow(o, &c)) {
            c.valid = 0;
            continue;
        }
        c.resIDI = resI;
        c.resIDJ = resJ;
        structure::pdbStrCpy(c.atomNameI, o.atomNameI);
        structure::pdbStrCpy(c.atomNameJ, o.atomNameJ);
        residueNames(c.atomI[0], c.resNameI, c.chainNameI, c.segNameI);
        residueNames(c.atomJ[0], c.resNameJ, c.chainNameJ, c.segNameJ);
        c.sigma = o.sigma;
        c.w = o.w;
        c.d = kDcMissing;

        if (wCount != 0 && wList != nullptr) {
            // In 64 bits: residue numbers and the range start may lie anywhere in int.
            const long long index =
                static_cast<long long>(o.resIDI > o.resIDJ ? o.resIDI : o.resIDJ) - wOff;
            if (index >= 0 && index < wCount) {
                const float v = wList[index];
                if (v == 0.0f) {
                    c.sigma = kDcMissing;
                    c.w = 0.0f;
                    c.valid = 0;
                } else {
                    c.w *= std::sqrt(std::fabs(v));
                    c.sigma /= std::fabs(v);
                }
            }
        }
        if (!c.valid) continue;

        if (o.diFixedFlag && allowFixedDI != 0) {
            c.di = o.di;
            c.diFixedFlag = o.diFixedFlag;
        } else {
            float r = 0.0f;
            structure::findAtomListRad(c.atomI, c.atomICount, c.atomJ, c.atomJCount, &r);
            findVariableDI(r, resI, c.atomI[0]->resName, c.atomI[0]->atomName, resJ,
                           c.atomJ[0]->resName, c.atomJ[0]->atomName, &o.di, &o.diFixedFlag,
                           allowFixedDI);
            c.di = o.di;
            c.diFixedFlag = o.diFixedFlag;
        }
        ++count;
    }
    return count;
}

int keepRunWeights(DTable* dTab) {
    if (dTab == nullptr || dTab->dObsList == nullptr || dTab->dCalcList == nullptr) return 0;
    int changed = 0;
    for (int k = 0; k < dTab->dCount; ++k) {
        DInfo& o = dTab->dObsList[k];
        const DInfo& c = dTab->dCalcList[k];
        if (!o.valid || !c.valid || o.w == c.w) continue;
        o.w = c.w;
        ++changed;
    }
    return changed;
}

namespace {

constexpr int kRowsNamed = 5;  // rows named per kind of mapping problem

// A chain and segment as a message names them ("chain A, no segment name"; a blank chain ID is
// "the unnamed chain"); a name the structure's keys ignore is left out.
std::string placeText(const char* chain, const char* seg) {
    std::vector<std::string> parts;
    if (!structure::getPDBChainMode())
        parts.push_back(chain[0] != '\0' ? std::string("chain ") + chain : "the unnamed chain");
    if (!structure::getPDBSegMode())
        parts.push_back(seg[0] != '\0' ? std::string("segment ") + seg : "no segment name");
    return parts.size() == 2 ? parts[0] + ", " + parts[1] : parts.empty() ? "" : parts[0];
}

// The chain and segment of the structure that hold a residue.
struct Place {
    const char* chain;
    const char* seg;
};

// Where the structure holds residue res: at the place looked in (here, if given) when it holds it
// there, else in the first chain that holds it; false when no chain does.
bool holder(PDBInfo* pdb, int res, const Place* here, Place* at) {
    if (here != nullptr && structure::findRes(pdb, res, here->chain, here->seg) != nullptr) {
        *at = *here;
        return true;
    }
    for (int k = 0; pdb->chainList != nullptr && k < pdb->chainCount; ++k) {
        const structure::ChainInfo& c = pdb->chainList[k];
        if (structure::findRes(pdb, res, c.chainID, c.segID) != nullptr) {
            *at = {c.chainID, c.segID};
            return true;
        }
    }
    return false;
}

// The columns one end of a row needs to be looked up at the place at. A kind the table names is
// looked up under the row's name; one it names nowhere, under the structure's default, or under a
// blank name once the advice has the table name that kind (named: chain, segment).
struct EndColumns {
    std::vector<std::string> columns;
    bool blank = false;  // a name to give is blank ("None" in a table)
    void need(const char* column, const char* side, const char* name) {
        columns.push_back(std::string(column) + side);
        blank = blank || name[0] == '\0';
    }
};
EndColumns endColumns(PDBInfo* pdb, const DTable* t, const Place& at, const char* rowChain, const char* rowSeg,
                      const char* side, const bool named[2]) {
    EndColumns e;
    const auto lookedUp = [&](bool tableNames, const char* row, const char* def, bool willName) {
        return tableNames ? row : willName ? "" : def;
    };
    if (!structure::getPDBChainMode() &&
        std::strcmp(at.chain, lookedUp(!t->nullChainName, rowChain, pdb->defChainName, named[0])) != 0)
        e.need("CHAINNAME_", side, at.chain);
    if (!structure::getPDBSegMode() &&
        std::strcmp(at.seg, lookedUp(!t->nullSegName, rowSeg, pdb->defSegName, named[1])) != 0)
        e.need("SEGNAME_", side, at.seg);
    return e;
}

// "name it in column(s) X (None for no name)".
std::string nameIn(const EndColumns& e) {
    return std::string("name it in column") + (e.columns.size() > 1 ? "s " : " ") + listedItems(e.columns) +
           (e.blank ? " (None for no name)" : "");
}

// Why residue res of end side ("I" or "J") of row o is not found where it is looked up (chain,
// seg): where the table names no chain or segment, the place looked in; where another chain or
// segment of the structure holds the residue, that place and every column the row needs named,
// those of the other end (residue resOther, kNoResID: none) included, for both its ends to map.
std::string missingResidue(PDBInfo* pdb, const DTable* t, const DInfo& o, bool endI, int res, int resOther,
                           const char* chain, const char* seg) {
    Place other{};
    const bool held = holder(pdb, res, nullptr, &other);
    std::string why;
    const char* unnamed = t->nullChainName && t->nullSegName ? "chain or segment"
                          : t->nullChainName                ? "chain"
                          : t->nullSegName                  ? "segment"
                                                            : nullptr;
    if (!held) {
        appendf(why, "residue %d is not in the structure", res);
        const std::string place = placeText(chain, seg);
        if (unnamed != nullptr && !place.empty())
            appendf(why, " (looked up in %s: the table names no %s, %s of the structure's first atom)",
                    place.c_str(), unnamed, t->nullChainName && t->nullSegName ? "those" : "that");
        return why;
    }
    appendf(why, "residue %d is not in %s", res, placeText(chain, seg).c_str());
    if (unnamed != nullptr)
        appendf(why, " (the table names no %s: %s of the structure's first atom)", unnamed,
                t->nullChainName && t->nullSegName ? "those" : "that");
    const std::string there = placeText(other.chain, other.seg);
    // A blank name is named None in a table, but only a table that names that kind at all looks a
    // row up under it.
    const bool blankChain = !structure::getPDBChainMode() && std::strcmp(chain, other.chain) != 0 &&
                            other.chain[0] == '\0' && t->nullChainName;
    const bool blankSeg = !structure::getPDBSegMode() && std::strcmp(seg, other.seg) != 0 && other.seg[0] == '\0' &&
                          t->nullSegName;
    if (blankChain || blankSeg) {
        const char* kind = blankChain ? "chain" : "segment";
        appendf(why, "; it is in %s, which a table that names no %s cannot reach: give the structure's atoms one %s name",
                there.c_str(), kind, kind);
        return why;
    }
    const char* side = endI ? "I" : "J";
    const char* otherSide = endI ? "J" : "I";
    // The kinds the advice has the table name where it names none: every row is then looked up
    // under its own names of them, both ends of this one too. They only grow, so three rounds
    // settle them.
    bool named[2] = {false, false};
    const auto nameKinds = [&](const EndColumns& e) {
        for (const std::string& c : e.columns)
            (c.rfind("CHAINNAME_", 0) == 0 ? named[0] : named[1]) = true;
        named[0] = named[0] && t->nullChainName;
        named[1] = named[1] && t->nullSegName;
    };
    const Place here{lookupChain(pdb, t, endI ? o.chainNameJ : o.chainNameI),
                     lookupSeg(pdb, t, endI ? o.segNameJ : o.segNameI)};
    Place at{"", ""};
    const bool otherHeld = resOther != kNoResID && holder(pdb, resOther, &here, &at);
    EndColumns mine, theirs;
    for (int round = 0; round < 3; ++round) {
        mine = endColumns(pdb, t, other, endI ? o.chainNameI : o.chainNameJ, endI ? o.segNameI : o.segNameJ, side,
                          named);
        nameKinds(mine);
        if (otherHeld)
            theirs = endColumns(pdb, t, at, endI ? o.chainNameJ : o.chainNameI, endI ? o.segNameJ : o.segNameI,
                                otherSide, named);
        nameKinds(theirs);
    }
    const bool samePlace = std::strcmp(at.chain, other.chain) == 0 && std::strcmp(at.seg, other.seg) == 0;
    if (samePlace) {
        for (const std::string& c : theirs.columns) mine.columns.push_back(c);
        mine.blank = mine.blank || theirs.blank;
    }
    // Columns of end I first.
    std::sort(mine.columns.begin(), mine.columns.end(), [](const std::string& a, const std::string& b) {
        return a.back() != b.back() ? a.back() < b.back() : a < b;
    });
    appendf(why, "; it is in %s: %s", there.c_str(), nameIn(mine).c_str());
    if (!samePlace && !theirs.columns.empty())
        appendf(why, "; residue %d of end %s is in %s: %s", resOther, otherSide, placeText(at.chain, at.seg).c_str(),
                nameIn(theirs).c_str());
    if (named[0] || named[1]) {
        const char* kinds = named[0] && named[1] ? "chains and segments" : named[0] ? "chains" : "segments";
        appendf(why, ", and the other rows' %s there too (a table that names %s looks every row up by them)", kinds,
                kinds);
    }
    return why;
}

// Why one end of a selected row maps to no atom, or to one of a nucleus without a known ratio.
void unmappedEnd(PDBInfo* pdb, const DTable* t, const DInfo& o, bool endI, int aOff, char* why, size_t len) {
    const int res = shiftedResID(endI ? o.resIDI : o.resIDJ, aOff);
    const char* atomName = endI ? o.atomNameI : o.atomNameJ;
    const char* chain = lookupChain(pdb, t, endI ? o.chainNameI : o.chainNameJ);
    const char* seg = lookupSeg(pdb, t, endI ? o.segNameI : o.segNameJ);
    const structure::ResInfo* r = structure::findRes(pdb, res, chain, seg);
    if (r == nullptr) {
        std::snprintf(why, len, "%s",
                      missingResidue(pdb, t, o, endI, res, shiftedResID(endI ? o.resIDJ : o.resIDI, aOff), chain, seg)
                          .c_str());
        return;
    }
    const char* resName = rowResidueName(r);
    if (!knownNucleus(atomName)) {
        if (structure::findAtom(pdb, res, atomName, chain, seg) == nullptr)
            std::snprintf(why, len, "residue %d %s has no atom %s (no element known for that name)", res,
                          resName, atomName);
        else
            std::snprintf(why, len, "residue %d %s atom %s is of no nucleus with a known ratio", res,
                          resName, atomName);
        return;
    }
    // The two names of the amide proton.
    const char* other = std::strcmp(atomName, "HN") == 0 ? "H" : std::strcmp(atomName, "H") == 0 ? "HN" : nullptr;
    if (other != nullptr && structure::findAtom(pdb, res, other, chain, seg) != nullptr)
        std::snprintf(why, len, "residue %d %s has no atom %s (the structure names it %s)", res,
                      resName, atomName, other);
    else
        std::snprintf(why, len, "residue %d %s has no atom %s", res, resName, atomName);
}

// The residues of the structure that carry an insertion code, which no row of a table can name
// (a table names a residue by its number alone): one line on stderr naming the first few, and
// the residue a row of their number maps to.
void reportInsertionCodes(PDBInfo* pdb) {
    std::vector<std::string> coded;
    std::string maps;  // "a row of residue 52 maps to 52 ASP"
    const AtomInfo* last = nullptr;
    for (int i = 0; i < pdb->atomCount; ++i) {
        const AtomInfo& a = pdb->atomList[i];
        if (a.icode[0] == '\0') continue;
        if (last != nullptr && last->resID == a.resID && std::strcmp(last->icode, a.icode) == 0 &&
            std::strcmp(last->chainID, a.chainID) == 0 && std::strcmp(last->segID, a.segID) == 0)
            continue;
        last = &a;
        std::string label = std::to_string(a.resID) + a.icode + " " + a.resName;
        if (std::find(coded.begin(), coded.end(), label) != coded.end()) continue;
        coded.push_back(label);
        const AtomInfo* plain = a.resInfo != nullptr ? codelessAtom(a.resInfo) : nullptr;
        if (maps.empty() && plain != nullptr)
            maps = "; a row of residue " + std::to_string(a.resID) + " maps to " + std::to_string(a.resID) + " " +
                   plain->resName;
    }
    if (coded.empty()) return;
    const size_t shown = std::min<size_t>(coded.size(), kRowsNamed);
    std::vector<std::string> named(coded.begin(), coded.begin() + static_cast<long>(shown));
    if (coded.size() > shown) named.push_back(std::to_string(coded.size() - shown) + " more");
    std::fprintf(stderr,
                 "DC Warning: %zu residue%s of the structure carr%s an insertion code (%s): a coupling table names "
                 "a residue by its number alone, so no row can name %s%s.\n",
                 coded.size(), coded.size() == 1 ? "" : "s", coded.size() == 1 ? "ies" : "y",
                 listedItems(named).c_str(), coded.size() == 1 ? "it" : "them", maps.c_str());
}

// Names a row after its kind's heading; the heading is printed before the first one. At most
// limit rows are named.
struct RowList {
    const char* heading;  // printf format with the count
    int limit;
    int count = 0;
    std::vector<std::string> lines;

    explicit RowList(const char* h, int lim = kRowsNamed) : heading(h), limit(lim) {}

    void add(int row, const char* text) {
        if (count < limit) lines.push_back("   row " + std::to_string(row) + ": " + text + "\n");
        count++;
    }
    void print() const {
        if (count == 0) return;
        std::fprintf(stderr, heading, count);
        for (const std::string& l : lines) std::fputs(l.c_str(), stderr);
        if (count > limit) std::fprintf(stderr, "   ... and %d more.\n", count - limit);
    }
};

}  // namespace

DcMapCounts reportDCMap(PDBInfo* pdbInfo, const DTable* dTab, int aOff, int segFirst) {
    if (pdbInfo == nullptr || dTab == nullptr || dTab->dObsList == nullptr ||
        dTab->dCalcList == nullptr)
        return {};
    RowList unmapped{"DC Warning: %d selected couplings map to no atom of the structure and are not used:\n"};
    RowList repeated{"DC Warning: %d couplings repeat the atom pair of an earlier row:\n"};
    RowList renamed{"DC Warning: %d couplings name a residue differently from the structure:\n"};
    // Each row without a bond vector is named: it is left out of every fit and statistic.
    RowList oneAtom{kOneAtomHeading, INT_MAX};
    PairSet pairs;
    char why[1024];
    int mapped = 0;
    for (int k = 0; k < dTab->dCount; ++k) {
        const DInfo& o = dTab->dObsList[k];
        const DInfo& c = dTab->dCalcList[k];
        if (!o.valid) continue;
        const bool knownI = knownNucleus(o.atomNameI), knownJ = knownNucleus(o.atomNameJ);
        if (c.atomICount == 0 || c.atomJCount == 0 || !knownI || !knownJ) {
            const bool endI = (knownI && knownJ) ? c.atomICount == 0 : !knownI;
            if ((endI ? o.resIDI : o.resIDJ) == kNoResID) {
                // A null cell, or a table without the column: no placeholder number in the message.
                const char* column = endI ? "RESID_I" : "RESID_J";
                if ((o.nullCells & (endI ? kNullResIDI : kNullResIDJ)) != 0)
                    std::snprintf(why, sizeof why, "its residue number is missing (%s holds the file's NULLVALUE %d)",
                                  column, dTab->nullValue);
                else
                    std::snprintf(why, sizeof why, "holds no residue number in %s", column);
                unmapped.add(k + 1, why);
                continue;
            }
            unmappedEnd(pdbInfo, dTab, o, endI, aOff, why, sizeof why);
            unmapped.add(k + 1, why);
            continue;
        }
        if (oneAtomRow(o, &c)) {
            std::snprintf(why, sizeof why, "%d %s - %d %s", o.resIDI, o.atomNameI, o.resIDJ, o.atomNameJ);
            oneAtom.add(k + 1, why);
            continue;
        }
        ++mapped;
        if (const int first = pairs.add(o, &c, k + 1); first != 0) {
            std::snprintf(why, sizeof why, "%d %s - %d %s, as row %d", o.resIDI, o.atomNameI,
                          o.resIDJ, o.atomNameJ, first);
            repeated.add(k + 1, why);
        }
        const bool badI = o.resNameI[0] != '\0' && std::strcmp(o.resNameI, c.resNameI) != 0;
        const bool badJ = o.resNameJ[0] != '\0' && std::strcmp(o.resNameJ, c.resNameJ) != 0;
        if (badI || badJ) {
            std::snprintf(why, sizeof why, "residue %d is %s in the table, %s in the structure",
                          badI ? o.resIDI : o.resIDJ, badI ? o.resNameI : o.resNameJ,
                          badI ? c.resNameI : c.resNameJ);
            renamed.add(k + 1, why);
        }
    }
    unmapped.print();
    oneAtom.print();
    repeated.print();
    renamed.print();
    if (dTab->dCount > 0) reportInsertionCodes(pdbInfo);
    DcMapCounts counts;
    counts.unmapped = unmapped.count;
    counts.renamed = renamed.count;
    // Names that disagree in most rows (or rows of which none maps) may be a table numbered
    // against another sequence start; a table of another naming convention finds no shift.
    if (2 * renamed.count >= mapped) counts.shift = shiftLine(residueShift(pdbInfo, dTab, aOff), segFirst);
    if (!counts.shift.empty()) std::fprintf(stderr, "DC Warning: %s.\n", counts.shift.c_str());
    return counts;
}

std::string mapRemark(const DcMapCounts& counts) {
    std::string text;
    if (counts.unmapped == 0 && counts.renamed == 0 && counts.shift.empty()) return text;
    appendf(text,
            "REMARK %d selected couplings map to no atom of the structure and are not used; %d couplings name a "
            "residue differently from the structure.\n",
            counts.unmapped, counts.renamed);
    if (!counts.shift.empty()) text += "REMARK " + counts.shift + ".\n";
    return text + "\n";
}

// ---- linear fit ----

int findS(float* xI, float* yI, float* zI, float* xJ, float* yJ, float* zJ, float* diVal,
          float* dVal, float* dSigma, float* saupe, float* dSaupe, int count) {
    float covar[25] = {};
    for (int k = 0; k < 5; ++k) saupe[k] = dSaupe[k] = 0.0f;
    if (count < 5) return 1;
    const int status = dipolarInit(count);
    if (status != 0) return status;
    for (int i = 0; i < count; ++i) {
        double u[3], a[5];
        unitVector(xI[i], yI[i], zI[i], xJ[i], yJ[i], zJ[i], u);
        saupeBasis(u, a);
        const double q = diVal[i] != 0.0f ? 1.0 / std::fabs(diVal[i]) : 0.0;
        const double qs = q * dSigma[i];
        const double w = qs != 0.0 ? 1.0 / qs : 1.0;
        for (int k = 0; k < 5; ++k) g.xWork[5 * i + k] = static_cast<float>(w * a[k]);
        g.yWork[i] = static_cast<float>(w * q * dVal[i]);
    }
    const int svdStatus = svdLSMat(g.xWork, g.yWork, count, 5, saupe, covar, 1);
    if (svdStatus != 0) return svdStatus;
    for (int k = 0; k < 5; ++k) dSaupe[k] = std::sqrt(std::fabs(covar[6 * k]));
    return 0;
}

namespace {

// The 5 x 5 normal matrix (1-based, rows and columns 1..5) of count bond vectors, row i weighted
// by weight(i): the sum of weight^2 a a^T over the Saupe coefficients a of each vector.
template <typename Weight>
void normalMatrix(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ,
                  const float* zJ, int count, Weight weight, double normal[6][6]) {
    for (int i = 0; i < count; ++i) {
        double u[3], a[5];
        unitVector(xI[i], yI[i], zI[i], xJ[i], yJ[i], zJ[i], u);
        saupeBasis(u, a);
        const double w2 = weight(i) * weight(i);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 5; ++c) normal[r + 1][c + 1] += w2 * a[r] * a[c];
    }
}

// The eigensystem of a 1-based 5 x 5 normal matrix (symmetric and positive semi-definite: its
// singular values are its eigenvalues): w[1..5] and the columns of v. The matrix is overwritten.
void normalEigen(double normal[6][6], double w[6], double v[6][6]) {
    double work[6] = {};
    double* rows[6];
    double* vRows[6];
    for (int r = 0; r < 6; ++r) rows[r] = normal[r], vRows[r] = v[r];
    svdcmpd(rows, 5, 5, w, vRows, work);
}

}  // namespace

int findRank(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ,
             const float* zJ, int count, double tolerance) {
    // The singular values of the design matrix are the square roots of those of its normal matrix.
    double normal[6][6] = {}, v[6][6] = {}, w[6] = {};
    normalMatrix(xI, yI, zI, xJ, yJ, zJ, count, [](int) { return 1.0; }, normal);
    normalEigen(normal, w, v);
    double largest = 0.0;
    for (int k = 1; k <= 5; ++k) largest = std::max(largest, w[k]);
    int rank = 0;
    for (int k = 1; k <= 5; ++k) rank += largest > 0.0 && std::sqrt(w[k] / largest) > tolerance ? 1 : 0;
    return rank;
}

int saupeCovariance(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ,
                    const float* zJ, const float* diVal, const float* dSigma, int count, double covar[5][5]) {
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) covar[r][c] = 0.0;
    if (count < 5) return 1;
    // The weights of findS: 1 / (dSigma / |diVal|), or 1 where that is 0.
    auto weight = [diVal, dSigma](int i) {
        const double q = diVal[i] != 0.0f ? 1.0 / std::fabs(diVal[i]) : 0.0;
        const double qs = q * dSigma[i];
        return qs != 0.0 ? 1.0 / qs : 1.0;
    };
    double normal[6][6] = {}, v[6][6] = {}, w[6] = {};
    normalMatrix(xI, yI, zI, xJ, yJ, zJ, count, weight, normal);
    normalEigen(normal, w, v);
    double largest = 0.0;
    for (int k = 1; k <= 5; ++k) largest = std::max(largest, w[k]);
    for (int k = 1; k <= 5; ++k)
        if (!(largest > 0.0) || std::sqrt(w[k] / largest) <= kRankTolerance) return 1;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            for (int k = 1; k <= 5; ++k) covar[r][c] += v[r + 1][k] * v[c + 1][k] / w[k];
    return 0;
}

int findD(float* xI, float* yI, float* zI, float* xJ, float* yJ, float* zJ, float* diVal,
          float* dVal, float* dSigma, float* saupe, float* dSaupe, int count) {
    for (int i = 0; i < count; ++i) {
        double u[3], a[5];
        unitVector(xI[i], yI[i], zI[i], xJ[i], yJ[i], zJ[i], u);
        saupeBasis(u, a);
        double d = 0.0, v = 0.0;
        for (int k = 0; k < 5; ++k) {
            d += a[k] * saupe[k];
            v += a[k] * a[k] * dSaupe[k] * dSaupe[k];
        }
        const double di = std::fabs(diVal[i]);
        dVal[i] = static_cast<float>(di * d);
        dSigma[i] = static_cast<float>(di * std::sqrt(v));
    }
    return 0;
}

int shiftedResID(int res, long long off) {
    // No residue number stays none: shifted, the placeholder could name a residue of the structure.
    if (res == kNoResID) return res;
    const long long sum = static_cast<long long>(res) + off;
    if (sum > INT_MAX) return INT_MAX;
    if (sum < INT_MIN) return INT_MIN;
    return static_cast<int>(sum);
}

}  // namespace korim::couplings
