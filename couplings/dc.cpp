// Coupling-table records (tensor, rows, tables): defaults, release, the table reader, and the
// comparison statistics of observed and calculated couplings.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "couplings/missingdc.h"
#include "foundation/appendf.h"
#include "foundation/inputfile.h"
#include "foundation/memory.h"
#include "foundation/table.h"
#include "structure/pdb.h"

namespace korim::couplings {

using namespace korim::foundation;

namespace {
constexpr float kTwoThirds = 0.6666667f;

// A measured row counts when it is valid, below the usable limit and not marked as missing
// (missingCoupling); its pair is compared when the fit takes it (fitRow: a back-calculated D of
// any size counts, a row of weight 0 has none).
bool usable(const DInfo& row) { return row.valid && row.d <= kDcUsableMax && !missingCoupling(row.d); }
}  // namespace

int dTensorNull(DTensor* t) {
    t->da = 0.001f;
    t->daMin = -0.01f;
    t->daMax = 0.01f;
    t->dr = 0.0001f;
    t->drMin = -0.01f;
    t->drMax = 0.01f;
    t->rh = 0.5f;
    t->rhMin = 0.0f;
    t->rhMax = kTwoThirds;
    t->psi = t->theta = t->phi = 45.0f;
    t->psiMin = t->thetaMin = t->phiMin = -360.0f;
    t->psiMax = t->thetaMax = t->phiMax = 360.0f;
    for (int k = 0; k < kMaxEuler; ++k) t->psiList[k] = t->thetaList[k] = t->phiList[k] = 0.0f;
    for (int k = 0; k < 5; ++k) t->saupe[k] = t->dSaupe[k] = t->userSaupe[k] = 0.0f;
    for (int k = 0; k < 3; ++k) t->eigVal[k] = 0.0f;
    t->tensorMode = kTensorSVD;
    t->eulerFlag = 1;
    t->rhFlag = 0;
    t->eulerCount = 0;
    return 0;
}

int dTabNull(DTable* dTab) {
    dTensorNull(&dTab->dTensor);
    dTab->dObsList = nullptr;
    dTab->dCalcList = nullptr;
    dTab->dCount = 0;
    dTab->maxCount = 0;
    dTab->dMinRes = 0;
    dTab->dMaxRes = 0;
    dTab->workSize = 0;
    dTab->work = nullptr;
    dTab->nullChainName = 1;
    dTab->nullSegName = 1;
    dTab->nullValue = 0;
    return 0;
}

int dTabFree(DTable* dTab) {
    if (dTab == nullptr) return 0;
    if (dTab->dCount != 0) {
        const int bytes = dTab->dCount * static_cast<int>(sizeof(DInfo));
        unAlloc("dc", dTab->dCalcList, bytes);
        unAlloc("dc", dTab->dObsList, bytes);
        unAlloc("dc", dTab->work, dTab->workSize * static_cast<int>(sizeof(float)));
    }
    return dTabNull(dTab);
}

int dTabListNull(DTableList* dTabList) {
    dTabList->dTabCount = 0;
    return 0;
}

int resetDC(DInfo* dList, int dCount) {
    for (int k = 0; k < dCount; ++k) {
        DInfo& r = dList[k];
        r.id = r.absFlag = r.count = r.valid = 0;
        r.resIDI = r.resIDJ = kNoResID;
        r.resNameI[0] = r.resNameJ[0] = '\0';
        r.atomNameI[0] = r.atomNameJ[0] = '\0';
        r.chainNameI[0] = r.chainNameJ[0] = '\0';
        r.segNameI[0] = r.segNameJ[0] = '\0';
        r.d = kDcMissing;
        r.di = 0.0f;
        r.w = r.s = r.fc = 1.0f;
        r.sigma = 0.0f;
        r.diFixedFlag = 0;
        for (int a = 0; a < kMaxDcAtoms; ++a) r.atomI[a] = r.atomJ[a] = nullptr;
        r.atomICount = r.atomJCount = 0;
        r.nullCells = 0;
    }
    return 0;
}

// ---- reader ----

namespace {
bool isNoneName(const char* name) {
    const char* none = "none";
    for (int k = 0; k < 5; ++k) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(name[k])));
        if (c != none[k]) return false;
    }
    return true;
}

// Atom pairs a row can expand to: 9 for each end named by an atom expression.
int pairCapacity(const DInfo& r) {
    char fmt[structure::PDB_KEY_LEN];
    int n = 1;
    if (structure::isAtomExpr(r.atomNameI, fmt) != 0) n *= kMaxDcAtoms;
    if (structure::isAtomExpr(r.atomNameJ, fmt) != 0) n *= kMaxDcAtoms;
    return n;
}
// The atom columns a table lacks such that none of its rows names an atom: an atom name column
// of either end, or the residue numbers of both ends (a table of one end's residue numbers still
// selects its rows by them). "column ATOMNAME_J", "columns RESID_J and ATOMNAME_J", ...; empty
// when none is lacking.
std::string missingAtomColumns(int resIDILoc, int atomILoc, int resIDJLoc, int atomJLoc) {
    const bool noResID = resIDILoc < 0 && resIDJLoc < 0;
    if (!noResID && atomILoc >= 0 && atomJLoc >= 0) return {};
    std::vector<std::string> names;
    if (resIDILoc < 0) names.push_back("RESID_I");
    if (atomILoc < 0) names.push_back("ATOMNAME_I");
    if (resIDJLoc < 0) names.push_back("RESID_J");
    if (atomJLoc < 0) names.push_back("ATOMNAME_J");
    return (names.size() == 1 ? "column " : "columns ") + foundation::listedItems(names);
}
}  // namespace

int readDC(const char* inDName, DTable* dTab) {
    if (inDName == nullptr || inDName[0] == '\0' || isNoneName(inDName)) return 0;

    float* matrix = nullptr;
    tabVar* varInfo = nullptr;
    int varCount = 0;
    int entryCount = 0;
    // A coupling, constant, error or weight of "nan" or "inf" would only drop its row unseen, and
    // an index or ABS flag of one has no int to turn into (one of a fraction is truncated); a
    // residue number that is not a whole int (8 for "8.5", nothing for "1e30"), whatever its
    // column's format, is no residue the row names. An error or a weight below 0 has no meaning
    // (the error-scaled searches would climb without end); an error of 0 stays allowed.
    static const char* const kFiniteColumns[] = {"D", "DI", "S", "FC", "INDEX", "ABS", nullptr};
    static const char* const kNonNegativeColumns[] = {"DD", "W", nullptr};
    static const char* const kWholeColumns[] = {"RESID_I", "RESID_J", nullptr};
    // A residue number or coupling the file gives as its NULLVALUE is missing: told apart from a
    // 9999 written, so that it names no residue 9999 and is named as missing.
    TableNulls nulls;
    int status = rdTableFinite(inDName, &matrix, &varCount, &entryCount, &varInfo, static_cast<int>(kDcMissing),
                               kFiniteColumns, kNonNegativeColumns, kWholeColumns, &nulls);
    if (status != 0) {
        freeTab(matrix, varInfo, varCount, entryCount);
        return status;
    }

    int locI[5], locJ[5];
    structure::getAtomTabLocs(varInfo, varCount, "_I", &locI[0], &locI[1], &locI[2], &locI[3],
                              &locI[4]);
    structure::getAtomTabLocs(varInfo, varCount, "_J", &locJ[0], &locJ[1], &locJ[2], &locJ[3],
                              &locJ[4]);
    const int indexLoc = getTabVar(varInfo, varCount, "INDEX");
    const int absLoc = getTabVar(varInfo, varCount, "ABS");
    const int dLoc = getTabVar(varInfo, varCount, "D");
    const int diLoc = getTabVar(varInfo, varCount, "DI");
    const int ddLoc = getTabVar(varInfo, varCount, "DD");
    const int sLoc = getTabVar(varInfo, varCount, "S");
    const int wLoc = getTabVar(varInfo, varCount, "W");
    const int fcLoc = getTabVar(varInfo, varCount, "FC");
    if (dLoc < 0) {
        // Without it every row would read as a coupling of 0 Hz.
        std::fprintf(stderr, "DC Error: %s has no column D (the measured couplings).\n", inDName);
        freeTab(matrix, varInfo, varCount, entryCount);
        return 1;
    }
    if (const std::string missing = missingAtomColumns(locI[0], locI[2], locJ[0], locJ[2]); !missing.empty()) {
        // Every row would be named alone as naming no atom, in every mode.
        std::fprintf(stderr, "DC Error: %s has no %s (each coupling names its two atoms in RESID_I, ATOMNAME_I, "
                     "RESID_J and ATOMNAME_J).\n", inDName, missing.c_str());
        freeTab(matrix, varInfo, varCount, entryCount);
        return 1;
    }

    const int bytes = entryCount * static_cast<int>(sizeof(DInfo));
    dTab->dObsList = static_cast<DInfo*>(voidMalloc("dc", bytes));
    dTab->dCalcList = static_cast<DInfo*>(voidMalloc("dc", bytes));
    if (dTab->dObsList == nullptr || dTab->dCalcList == nullptr) {
        std::fprintf(stderr, "DC Error Allocating DC Values.\n");
        freeTab(matrix, varInfo, varCount, entryCount);
        return 1;
    }

    dTab->nullValue = nulls.value;
    dTab->dMinRes = 1000000;
    dTab->dMaxRes = 0;
    dTab->dCount = entryCount;
    dTab->maxCount = 0;
    dTab->workSize = 0;
    resetDC(dTab->dObsList, entryCount);
    resetDC(dTab->dCalcList, entryCount);
    bool named = false;  // a row has named a residue (else the range stays 1000000 to 0)

    for (int e = 0; e < entryCount; ++e) {
        const float* row = matrix + static_cast<long>(e) * varCount;
        auto val = [row](int loc, float dflt) { return loc >= 0 ? row[loc] : dflt; };
        DInfo& r = dTab->dObsList[e];
        r.valid = 1;
        r.count = 1;
        structure::getAtomTabVals(varInfo, varCount, row, locI[0], locI[1],
                                  locI[2], locI[3], locI[4], &r.resIDI, r.resNameI, r.atomNameI,
                                  r.chainNameI, r.segNameI);
        structure::getAtomTabVals(varInfo, varCount, row, locJ[0], locJ[1],
                                  locJ[2], locJ[3], locJ[4], &r.resIDJ, r.resNameJ, r.atomNameJ,
                                  r.chainNameJ, r.segNameJ);
        if (nulls.at(e, varCount, locI[0])) {
            r.resIDI = kNoResID;
            r.nullCells |= kNullResIDI;
        }
        if (nulls.at(e, varCount, locJ[0])) {
            r.resIDJ = kNoResID;
            r.nullCells |= kNullResIDJ;
        }
        if (r.chainNameI[0] != '\0' || r.chainNameJ[0] != '\0') dTab->nullChainName = 0;
        if (r.segNameI[0] != '\0' || r.segNameJ[0] != '\0') dTab->nullSegName = 0;
        r.diFixedFlag = 0;
        // Through tabCellInt, which truncates and keeps within the int range: a float cell may hold
        // 1e30, and holds the last ints as 2^31.
        r.id = indexLoc >= 0 ? tabCellInt(row[indexLoc]) : e + 1;
        r.absFlag = absLoc >= 0 ? tabCellInt(row[absLoc]) : 0;
        r.d = row[dLoc];
        if (nulls.at(e, varCount, dLoc)) r.nullCells |= kNullD;
        r.di = val(diLoc, 0.0f);
        r.sigma = val(ddLoc, 1.0f);
        r.s = val(sLoc, 1.0f);
        r.w = val(wLoc, 1.0f);
        r.fc = val(fcLoc, 1.0f);

        // A nucleus without a known ratio (no element known for the name, as a pseudo-atom QH,
        // or one without a magnetic nucleus) has no dipolar constant: the row is never used.
        bool known = true;
        for (int end = 0; end < 2; ++end) {
            const char* atom = end == 0 ? r.atomNameI : r.atomNameJ;
            if (knownNucleus(atom)) continue;
            const std::string what =
                atom[0] != '\0' ? "names atom " + shownLine(atom) + ", of no nucleus with a known ratio"
                                : std::string("holds no atom name in ATOMNAME_") + (end == 0 ? "I" : "J");
            std::fprintf(stderr, "DC Warning: row %d of %s %s; the row is not used.\n", e + 1, inDName,
                         what.c_str());
            known = false;
        }
        // Pairs with a standard bond length take the standard constant whatever DI says.
        float di = 0.0f;
        int fixed = 0;
        if (!known) {
            r.valid = 0;
        } else {
            findVariableDI(0.0f, r.resIDI, r.resNameI, r.atomNameI, r.resIDJ, r.resNameJ, r.atomNameJ, &di,
                           &fixed, 1);
        }
        if (fixed) {
            r.di = di;
            r.diFixedFlag = 1;
        }

        // Residue range over the ends that name a residue, from the first one named: residue
        // numbers above 1000000 or all below 0 have a range of their own.
        const int ends[2] = {r.resIDI, r.resIDJ};
        for (int id : ends) {
            if (id == kNoResID) continue;
            if (!named || id < dTab->dMinRes) dTab->dMinRes = id;
            if (!named || id > dTab->dMaxRes) dTab->dMaxRes = id;
            named = true;
        }
        dTab->maxCount += pairCapacity(r);
    }

    dTab->workSize = 12 * dTab->maxCount + 12;
    dTab->work = fltAlloc("dc", dTab->workSize);
    if (dTab->work == nullptr) {
        std::fprintf(stderr, "DC Error Allocating DC Workspaces.\n");
        status = 1;
    } else {
        for (int k = 0; k < dTab->workSize; ++k) dTab->work[k] = 0.0f;
    }
    freeTab(matrix, varInfo, varCount, entryCount);
    return status;
}

// ---- statistics ----

int getStatDC2(DInfo* dObsList, DInfo* dCalcList, int dCount, float* rSumD, float* pSumD,
               int* nD) {
    int count = 0;
    for (int k = 0; k < dCount; ++k) {
        const DInfo& o = dObsList[k];
        const DInfo& c = dCalcList[k];
        if (!usable(o)) continue;
        ++count;
        if (!fitRow(o, c)) continue;
        const float delta = o.d - c.d;
        const float sig = o.sigma == 0.0f ? 1.0f : o.sigma;
        const float q = delta / sig;  // rounded to single precision before squaring
        *rSumD += c.w * c.w * delta * delta;
        *pSumD += q * q;
        *nD += 1;
    }
    return count;
}

int getStatDC(DInfo* dObsList, DInfo* dCalcList, int dCount, float* rSumD, float* pSumD,
              int* nD) {
    *rSumD = 0.0f;
    *pSumD = 0.0f;
    *nD = 0;
    const int count = getStatDC2(dObsList, dCalcList, dCount, rSumD, pSumD, nD);
    *rSumD = *nD > 0 ? std::sqrt(*rSumD / *nD) : 0.0f;
    return count;
}

int getStatDCQR(DInfo* dObsList, DInfo* dCalcList, int dCount, float* q, float* r, int* nD) {
    *q = 0.0f;
    *r = 0.0f;
    *nD = 0;
    if (dCount < 1) return 0;
    int count = 0;
    int m = 0;
    double sumObs = 0.0, sumCalc = 0.0, a2 = 0.0, b2 = 0.0;
    for (int k = 0; k < dCount; ++k) {
        const DInfo& o = dObsList[k];
        const DInfo& c = dCalcList[k];
        if (!usable(o)) continue;
        ++count;
        if (!fitRow(o, c)) continue;
        ++m;
        sumObs += o.d;
        sumCalc += c.d;
        const double wd = c.w * (o.d - c.d);
        a2 += wd * wd;
        b2 += static_cast<double>(o.d) * o.d;
    }
    if (m == 0) return count;
    *nD = m;
    if (b2 != 0.0) *q = static_cast<float>(std::sqrt(a2 / b2));
    const double meanObs = sumObs / m;
    const double meanCalc = sumCalc / m;
    double sac = 0.0, saa = 0.0, scc = 0.0;
    for (int k = 0; k < dCount; ++k) {
        const DInfo& o = dObsList[k];
        const DInfo& c = dCalcList[k];
        if (!usable(o) || !fitRow(o, c)) continue;
        const double a = c.w * o.d - meanObs;
        const double b = c.w * c.d - meanCalc;
        sac += a * b;
        saa += a * a;
        scc += b * b;
    }
    if (saa != 0.0 && scc != 0.0) *r = static_cast<float>(sac / (std::sqrt(saa) * std::sqrt(scc)));
    return count;
}

int getStatDCN(DTable** /*dTabList*/, float* rSumD, float* pSumD, int* nD) {
    *rSumD = 0.0f;
    *pSumD = 0.0f;
    *nD = 0;
    return 0;
}

}  // namespace korim::couplings
