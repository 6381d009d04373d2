// Phi/psi shift surfaces: the module-wide surface list, grid files, look-ups and surface choice.
#include "restraints/surf.h"
#include "restraints/restab.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/hsymbol.h"
#include "foundation/inquire.h"
#include "foundation/memory.h"
#include "foundation/raise.h"
#include "foundation/stats.h"
#include "foundation/table.h"
#include "spectral/dataio.h"
#include "spectral/fdatap.h"
#include "spectral/testsize.h"
#include "spectral/vecops.h"

namespace korim::restraints {

using foundation::HTable;
using structure::ResInfo;

namespace {

// Header words of a surface file.
constexpr int kWordPhi1 = 70, kWordPhiN = 71, kWordPsi1 = 72, kWordPsiN = 73;
constexpr int kWordObsCount = 74;
constexpr int kWordAvgDev = 153;
constexpr int kWordThresh = 199;
// Null value of the random-coil and homology tables.
constexpr int kSurfTableNull = 999999;

constexpr const char* kAtomTypes[] = {"HA", "HA2", "HA3", "CA", "CB", "C", "N"};
// "cys", "his" and "xPRO" (a residue before a proline) are types of their own.
constexpr const char* kResTypes[] = {"ALA", "ARG", "ASN", "ASP", "CYS", "cys", "GLN", "GLU",
                                     "GLY", "HIS", "his", "ILE", "LEU", "LYS", "MET", "PHE",
                                     "PRO", "SER", "THR", "TRP", "TYR", "VAL", "xPRO"};

// The surfaces and tables loaded for the whole run.
struct SurfModule {
    PhiPsiSurface* surfList = nullptr;  // tag "mer", surfCount records; the zero surface last
    int surfCount = 0;
    int shiftSurfCount = 0;
    int confSurfCount = 0;
    HTable* randCoilTab = nullptr;  // "res,atom,type,offset" -> ppm
    HTable* homoTab = nullptr;      // "resI,resJ" -> score
    float surfFDATA[spectral::kHdrWords] = {};  // header of the last grid file read
};

SurfModule surfMod;

int gridBytes(const PhiPsiSurface* s) { return s->phiCount * s->psiCount * static_cast<int>(sizeof(float)); }

void releaseGrid(const PhiPsiSurface* s, float*& grid) {
    if (grid != nullptr) foundation::unAlloc("CS", grid, gridBytes(s));
    grid = nullptr;
}

std::string joinPath(const char* dir, const std::string& name) { return std::string(dir) + "/" + name; }

bool exists(const std::string& path) { return foundation::fileExists(path.c_str()) != 0; }

// Index along one axis: truncated toward zero, clamped to 0 .. count-1.
int axisIndex(float angle, float first, float last, int count) {
    const double span = static_cast<double>(last) - first;
    double pos = span == 0.0 ? 0.0 : (angle - first) * (count / span);
    if (!(pos > 0.0)) return 0;  // also not-a-number
    if (pos >= count - 1) return count - 1;
    return static_cast<int>(pos);
}

// A header that describes the grid of surf: the last header read (or a fresh one), with the
// sizes, axis range and the surface's own numbers.
void describeGrid(const PhiPsiSurface* surf, float* fdata) {
    spectral::copyHdr(fdata, surfMod.surfFDATA);
    if (spectral::isNullHdr(fdata)) {
        fdata[spectral::kWordFormat] = spectral::kHdrFormat;
        fdata[spectral::kWordOrder] = spectral::kHdrOrderMark;
        fdata[spectral::kWordQuad] = 1.0f;
        fdata[spectral::kWordDimCount] = 2.0f;
        fdata[spectral::kWordSize1] = static_cast<float>(surf->phiCount);
        fdata[spectral::kWordSize2] = static_cast<float>(surf->psiCount);
        spectral::fixfdata(fdata);
    }
    fdata[spectral::kWordSize1] = static_cast<float>(surf->phiCount);
    fdata[spectral::kWordSize2] = static_cast<float>(surf->psiCount);
    fdata[kWordPhi1] = surf->phi1;
    fdata[kWordPhiN] = surf->phiN;
    fdata[kWordPsi1] = surf->psi1;
    fdata[kWordPsiN] = surf->psiN;
    fdata[kWordObsCount] = static_cast<float>(surf->obsCount);
    fdata[kWordAvgDev] = surf->avgDev;
    fdata[kWordThresh] = surf->thresh;
}

// Open unit closed on every path.
struct UnitGuard {
    spectral::UNIT unit = -1;
    ~UnitGuard() {
        if (unit >= 0) spectral::dataClose(unit);
    }
};

// Grid sizes of a header read from inName, checked against the file length; -1 when unusable.
int gridPoints(const char* inName, const float* fdata, int* phiCount, int* psiCount) {
    *phiCount = spectral::hdrInt(spectral::getParm(fdata, spectral::kParmSize, 1));
    *psiCount = spectral::hdrInt(spectral::getParm(fdata, spectral::kParmSize, 2));
    const long long n = static_cast<long long>(*phiCount) * *psiCount;
    spectral::FileSize fs;
    spectral::fileSizeInit(&fs);
    const double fileBytes = spectral::getFileBytes(inName, &fs);
    const double wanted = spectral::kHdrBytes + 4.0 * static_cast<double>(n);
    if (*phiCount < 1 || *psiCount < 1 || n > INT_MAX / 4 || fileBytes != wanted) {
        merReport("CS Error: Phi/Psi Surface %s holds %.0f bytes, its header %d x %d points.\n", inName,
                     fileBytes, *phiCount, *psiCount);
        return -1;
    }
    return static_cast<int>(n);
}

}  // namespace

int surfNull() {
    surfMod.surfList = nullptr;
    surfMod.surfCount = surfMod.shiftSurfCount = surfMod.confSurfCount = 0;
    surfMod.randCoilTab = surfMod.homoTab = nullptr;
    return 0;
}

int surfNull2(PhiPsiSurface* surf) {
    *surf = PhiPsiSurface{};
    return 0;
}

float* surfRead2D(const char* inName, const char* surfName, PhiPsiSurface* surf, int surfType) {
    if (structure::getPDBVerb()) merReport("MERIDO Reading surface %s\n", inName);
    surf->type = kSurfEmpty;
    UnitGuard u;
    if (spectral::dataOpenFile(inName, &u.unit, spectral::kModeRead) != 0) {
        merReport("CS Error opening Phi/Psi Surface %s\n", inName);
        return nullptr;
    }
    float* fdata = surfMod.surfFDATA;
    if (spectral::DataRead(u.unit, fdata, spectral::kHdrBytes) != 0) {
        merReport("CS Error reading header in Phi/Psi Surface %s\n", inName);
        return nullptr;
    }
    // A header of the other byte order comes back in ours; its grid is swapped below.
    const int order = spectral::testHdr(fdata);
    if (order == 2) merReport("CS Notice: Error testing header in %s\n", surfName);
    spectral::fixfdata(fdata);
    int phiCount, psiCount;
    const int n = gridPoints(inName, fdata, &phiCount, &psiCount);
    if (n < 0) return nullptr;
    float* grid = foundation::fltAlloc("CS", n);
    if (grid == nullptr) {
        merReport("CS Error allocating Phi/Psi Surface %s\n", surfName);
        return nullptr;
    }
    if (spectral::DataRead(u.unit, grid, 4 * n) != 0) {
        merReport("CS Error reading data in Phi/Psi Surface %s\n", surfName);
        foundation::unAlloc("CS", grid, 4 * n);
        return nullptr;
    }
    if (order == 1) spectral::byteSwap(grid, n);
    foundation::getMin(grid, n, &surf->minVal);
    foundation::getMax(grid, n, &surf->maxVal);
    foundation::getAvg(grid, n, &surf->avgVal);
    surf->avgDev = fdata[kWordAvgDev];
    std::snprintf(surf->surfName, sizeof surf->surfName, "%s", surfName);
    surf->phiCount = phiCount;
    surf->psiCount = psiCount;
    surf->phi1 = fdata[kWordPhi1];
    surf->phiN = fdata[kWordPhiN];
    surf->psi1 = fdata[kWordPsi1];
    surf->psiN = fdata[kWordPsiN];
    surf->obsCount = spectral::hdrInt(fdata[kWordObsCount]);
    surf->type = surfType;
    surf->thresh = fdata[kWordThresh];
    return grid;
}

int surfWrite2D(const char* outName, const PhiPsiSurface* surf) {
    if (structure::getPDBVerb()) merReport("MERIDO Writing surface %s\n", outName);
    const long long n = static_cast<long long>(surf->phiCount) * surf->psiCount;
    UnitGuard u;
    if (surf->value == nullptr || n < 1 || n > INT_MAX / 4 ||
        spectral::dataOpenFile(outName, &u.unit, spectral::kModeCreate) != 0) {
        merReport("CS Error opening Phi/Psi Surface %s\n", outName);
        return 1;
    }
    float fdata[spectral::kHdrWords];
    describeGrid(surf, fdata);
    if (spectral::DataWrite(u.unit, fdata, spectral::kHdrBytes) != 0) {
        merReport("CS Error writing header to Phi/Psi Surface %s\n", outName);
        return 1;
    }
    if (spectral::DataWrite(u.unit, surf->value, static_cast<int>(4 * n)) != 0) {
        merReport("CS Error writing data to Phi/Psi Surface %s\n", outName);
        return 1;
    }
    const int closeStatus = spectral::dataClose(u.unit);
    u.unit = -1;
    if (closeStatus != 0) {
        merReport("CS Error writing data to Phi/Psi Surface %s\n", outName);
        return 1;
    }
    return 0;
}

int surfReadCS(const char* surfPath, const char* surfName, PhiPsiSurface* surf) {
    const std::string base = joinPath(surfPath, surfName);
    const struct {
        const char* suffix;
        const char* what;
    } parts[] = {{".dat", "shift"}, {".d.dat", "density"}, {".q.dat", "dev"}};
    float* grids[3] = {nullptr, nullptr, nullptr};
    PhiPsiSurface first{};
    for (int k = 0; k < 3; k++) {
        const std::string path = base + parts[k].suffix;
        grids[k] = surfRead2D(path.c_str(), surfName, surf, kSurfShift);
        const bool sameSize = k == 0 || (grids[k] != nullptr && surf->phiCount == first.phiCount &&
                                         surf->psiCount == first.psiCount);
        if (grids[k] != nullptr && !sameSize) {
            merReport("MERIDO Error: %s grid size differs from shift surface %s\n", path.c_str(),
                         surfName);
            releaseGrid(surf, grids[k]);
        }
        if (grids[k] == nullptr) {
            merReport("MERIDO Error reading %s surface %s\n", parts[k].what, path.c_str());
            for (int j = 0; j < k; j++) releaseGrid(&first, grids[j]);
            surfNull2(surf);
            return 1;
        }
        if (k == 0) first = *surf;
    }
    surf->value = grids[0];
    surf->density = grids[1];
    surf->dev = grids[2];
    return 0;
}

int surfRead(const char* surfPath, const char* rcName, const char* homoName) {
    int count = 1;  // the slot of the zero surface
    for (const char* res : kResTypes)
        for (const char* atom : kAtomTypes) count += exists(joinPath(surfPath, std::string(atom) + "." + res + ".dat"));
    for (const char* atom : kAtomTypes) count += exists(joinPath(surfPath, std::string(atom) + ".dat"));
    for (const char* res : kResTypes) count += exists(joinPath(surfPath, std::string(res) + ".dat"));
    surfMod.surfList =
        static_cast<PhiPsiSurface*>(foundation::voidMalloc("mer", count * static_cast<int>(sizeof(PhiPsiSurface))));
    if (surfMod.surfList == nullptr) {
        merReport("MERIDO Error Allocating Surface List.\n");
        return 1;
    }
    for (int i = 0; i < count; i++) surfNull2(&surfMod.surfList[i]);
    // Counted from the start, so that surfFree releases whatever a failed load leaves behind.
    surfMod.surfCount = count;
    int next = 0;
    for (const char* res : kResTypes)
        for (const char* atom : kAtomTypes) {
            const std::string name = std::string(atom) + "." + res;
            if (!exists(joinPath(surfPath, name + ".dat")) || next >= count - 1) continue;
            if (surfReadCS(surfPath, name.c_str(), &surfMod.surfList[next++]) != 0) return 1;
            surfMod.shiftSurfCount++;
        }
    for (const char* atom : kAtomTypes) {
        if (!exists(joinPath(surfPath, std::string(atom) + ".dat")) || next >= count - 1) continue;
        if (surfReadCS(surfPath, atom, &surfMod.surfList[next++]) != 0) return 1;
        surfMod.shiftSurfCount++;
    }
    for (const char* res : kResTypes) {
        const std::string path = joinPath(surfPath, std::string(res) + ".dat");
        if (!exists(path) || next >= count - 1) continue;
        PhiPsiSurface* s = &surfMod.surfList[next++];
        if ((s->value = surfRead2D(path.c_str(), res, s, kSurfConf)) == nullptr) {
            merReport("MER Error reading conformation surface %s\n", path.c_str());
            return 1;
        }
        surfMod.confSurfCount++;
    }
    const std::string zero = joinPath(surfPath, "zero.dat");
    PhiPsiSurface* z = &surfMod.surfList[count - 1];
    if (exists(zero) && (z->value = surfRead2D(zero.c_str(), "zero", z, kSurfEmpty)) == nullptr) {
        merReport("MER Error reading null surface %s\n", zero.c_str());
        return 1;
    }
    if (!merNoFile(rcName)) {
        const std::string path = joinPath(surfPath, rcName);
        if (surfReadRC(path.c_str()) != 0) {
            merReport("CS Error reading random coil table %s\n", path.c_str());
            return 1;
        }
    }
    if (!merNoFile(homoName)) {
        const std::string path = joinPath(surfPath, homoName);
        if (surfReadHomo(path.c_str()) != 0) {
            merReport("CS Error reading homology table %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

int surfReadRC(const char* inName) {
    TableFile t;
    if (const int status = t.read(inName, kSurfTableNull); status != 0) return status;
    const int resLoc = t.textColumn("RESNAME"), atomLoc = t.textColumn("ATOMNAME");
    const int typeLoc = t.textColumn("TYPE"), offLoc = t.column("OFFSET"), shiftLoc = t.column("SHIFT");
    if (resLoc < 0 || atomLoc < 0) {
        merReport("MERIDO RC Error: missing RESNAME/ATOMNAME.\n");
        return 1;
    }
    if (typeLoc < 0 || offLoc < 0 || shiftLoc < 0) {
        merReport("MERIDO RC Error: missing SHIFT/TYPE/OFFSET.\n");
        return 1;
    }
    if (t.requireFinite(inName) != 0) return 1;  // before any shift is stored
    if (surfMod.randCoilTab == nullptr && (surfMod.randCoilTab = foundation::hSymTabAlloc(0)) == nullptr) {
        merReport("CSURF Error creating secondary shift table.\n");
        return 1;
    }
    for (int r = 0; r < t.rows(); r++) {
        const float* row = t.row(r);
        char key[128];
        std::snprintf(key, sizeof key, "%s,%s,%s,%d", csCellText(t.vars(), resLoc, row),
                      csCellText(t.vars(), atomLoc, row), csCellText(t.vars(), typeLoc, row),
                      foundation::tabCellInt(row[offLoc]));
        // A shift that cannot be stored would leave a hole in the table that later
        // reads as "no random-coil shift": the read fails instead.
        if (foundation::hSetSymFlt(key, row[shiftLoc], surfMod.randCoilTab) != 0) {
            merReport("CSURF Error storing random coil shift %s.\n", key);
            return 1;
        }
    }
    return 0;
}

int surfReadHomo(const char* inName) {
    TableFile t;
    if (const int status = t.read(inName, kSurfTableNull); status != 0) return status;
    const int resLoc = t.textColumn("RESNAME");
    if (resLoc < 0) {
        merReport("HOMO Error: missing RESNAME.\n");
        return 1;
    }
    // Every column is taken: each but RESNAME holds homology values.
    for (int c = 0; c < t.varCount(); c++)
        if (c != resLoc) t.markTaken(c);
    if (t.requireFinite(inName) != 0) return 1;
    if (surfMod.homoTab == nullptr && (surfMod.homoTab = foundation::hSymTabAlloc(0)) == nullptr) {
        merReport("HOMO Error creating homology table.\n");
        return 1;
    }
    for (int r = 0; r < t.rows(); r++) {
        const char* resName = csCellText(t.vars(), resLoc, t.row(r));
        if (std::strcmp(resName, "RESNAME") == 0) continue;
        for (int c = 0; c < t.varCount(); c++) {
            if (std::strcmp(t.vars()[c].name, "RESNAME") == 0) continue;
            char key[128];
            std::snprintf(key, sizeof key, "%s,%s", resName, t.vars()[c].name);
            if (foundation::hSetSymFlt(key, t.row(r)[c], surfMod.homoTab) != 0) {
                merReport("HOMO Error storing homology value %s.\n", key);
                return 1;
            }
        }
    }
    return 0;
}

int surfCell(const PhiPsiSurface* surf, float phi, float psi) {
    if (surf == nullptr || surf->value == nullptr || phi > kAngleUndefined || psi > kAngleUndefined) return -1;
    if (surf->phiCount < 1 || surf->psiCount < 1) return -1;
    return axisIndex(phi, surf->phi1, surf->phiN, surf->phiCount) +
           axisIndex(psi, surf->psi1, surf->psiN, surf->psiCount) * surf->phiCount;
}

int getSurfVal(const PhiPsiSurface* surf, float phi, float psi, float* val, float* density, float* dev) {
    *val = kSurfNoValue;
    *density = *dev = 0.0f;
    const int cell = surfCell(surf, phi, psi);
    if (cell < 0) return 0;
    *val = surf->value[cell];
    if (surf->density != nullptr) *density = surf->density[cell];
    if (surf->dev != nullptr) *dev = surf->dev[cell];
    return cell;
}

int getRandCoilShift(const char* resName, const char* prevResName, const char* nextResName, const char* atomNameOrig,
                     int atomNameMode, float* shiftPtr) {
    *shiftPtr = kCsNoValue;
    if (surfMod.randCoilTab == nullptr) return 0;
    const char* atom = atomNameOrig;
    if (atomNameMode == 0 && (strcasecmp(resName, "G") == 0 || strcasecmp(resName, "GLY") == 0) &&
        strcasecmp(atom, "HA1") == 0)
        atom = "HA3";
    auto look = [atom](const char* res, const char* type, int offset, float* v) {
        char key[128];
        std::snprintf(key, sizeof key, "%s,%s,%s,%d", res, atom, type, offset);
        return foundation::hGetSymFlt(key, surfMod.randCoilTab, v);
    };
    float v;
    const int found = look(resName, "RC", 0, &v);
    if (found) *shiftPtr = v;
    if (look(resName, "ADJ", 0, &v)) *shiftPtr += v;
    if (look(prevResName, "ADJ", -1, &v)) *shiftPtr += v;
    if (look(nextResName, "ADJ", 1, &v)) *shiftPtr += v;
    return found;
}

int getHomoVal(const char* resNameI, const char* resNameJ, float* homoPtr) {
    *homoPtr = kSurfNoValue;
    if (surfMod.homoTab == nullptr) return 0;
    char key[128];
    std::snprintf(key, sizeof key, "%s,%s", resNameI, resNameJ);
    return foundation::hGetSymFlt(key, surfMod.homoTab, homoPtr);
}

int getCSSurface(const char* resName1, const char* /*prevName1*/, const char* nextName1, CSInfo* cs) {
    cs->surf = nullptr;
    char atom[16], res[16], next[16];
    std::snprintf(atom, sizeof atom, "%s", cs->atomName);
    std::snprintf(res, sizeof res, "%s", structure::getResName3(resName1));
    foundation::raiseStr(atom);
    foundation::raiseStr(res);
    if (!isPredCS(res, atom)) return -1;
    std::snprintf(next, sizeof next, "%s", structure::getResName3(nextName1));
    foundation::raiseStr(next);
    if (std::strcmp(res, "GLY") == 0 && std::strncmp(atom, "HA", 2) == 0 && cs->partner != nullptr) {
        if (cs->shift > cs->partner->shift) std::snprintf(atom, sizeof atom, "HA2");
        if (cs->shift < cs->partner->shift) std::snprintf(atom, sizeof atom, "HA3");
    }
    char wanted[40], fallBack[16];
    std::snprintf(wanted, sizeof wanted, "%s.%s", atom, res);
    std::snprintf(fallBack, sizeof fallBack, "%s", atom);
    if (std::strcmp(res, "GLY") != 0 && std::strcmp(next, "PRO") == 0)
        std::snprintf(wanted, sizeof wanted, "%s.xPRO", atom);
    for (int i = 0; i < surfMod.surfCount; i++) {
        PhiPsiSurface* s = &surfMod.surfList[i];
        if (s->type != kSurfShift) continue;
        if (std::strcmp(s->surfName, fallBack) == 0 && std::strcmp(s->surfName, wanted) != 0)
            std::snprintf(wanted, sizeof wanted, "%s", fallBack);
        if (strcasecmp(s->surfName, wanted) == 0) {
            cs->surf = s;
            return i;
        }
    }
    return -1;
}

int setPhiPsiSurf(ResInfo* resList, int resCount, int xPROFlag) {
    for (int i = 0; resList != nullptr && i < resCount; i++) {
        ResInfo* res = &resList[i];
        res->phiPsiSurf = nullptr;
        if (res->atomCount < 1) continue;
        const char* name = res->resName;
        // A residue before a proline has conformational preferences of its own.
        if (xPROFlag && i + 1 < resCount && strcasecmp(name, "PRO") != 0 && strcasecmp(name, "GLY") != 0 &&
            strcasecmp(resList[i + 1].resName, "PRO") == 0)
            name = "xPRO";
        for (int k = 0; k < surfMod.surfCount && res->phiPsiSurf == nullptr; k++) {
            PhiPsiSurface* s = &surfMod.surfList[k];
            if (s->type == kSurfConf && strcasecmp(s->surfName, name) == 0) res->phiPsiSurf = s;
        }
    }
    return 0;
}

int surfFree() {
    for (int i = 0; surfMod.surfList != nullptr && i < surfMod.surfCount; i++) {
        PhiPsiSurface* s = &surfMod.surfList[i];
        releaseGrid(s, s->value);
        releaseGrid(s, s->density);
        releaseGrid(s, s->dev);
    }
    if (surfMod.surfList != nullptr)
        foundation::unAlloc("mer", surfMod.surfList, surfMod.surfCount * static_cast<int>(sizeof(PhiPsiSurface)));
    if (surfMod.randCoilTab != nullptr) foundation::hSymTabFree(surfMod.randCoilTab);
    if (surfMod.homoTab != nullptr) foundation::hSymTabFree(surfMod.homoTab);
    return surfNull();
}

PhiPsiSurface* getSurfList(int* surfCount) {
    *surfCount = surfMod.surfCount;
    return surfMod.surfList;
}

int getShiftSurfCount() { return surfMod.shiftSurfCount; }
int getConfSurfCount() { return surfMod.confSurfCount; }
int haveHomoTab() { return surfMod.homoTab != nullptr; }

}  // namespace korim::restraints
