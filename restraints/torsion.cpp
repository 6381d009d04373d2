// Torsion restraint table: defaults, reader, atom mapping, current dihedrals, selection, statistics and writer.
#include "restraints/torsion.h"

#include <cmath>

#include "restraints/smalltab.h"

namespace korim::restraints {

template <>
struct TableKind<TorsionTable> {
    using Rec = TorsionInfo;
    static TorsionInfo*& records(TorsionTable& t) { return t.torsionList; }
    static int& count(TorsionTable& t) { return t.torsionCount; }
    static int null(TorsionInfo* list, int n) { return torsionNull(list, n); }
    static int atoms(TorsionInfo& r, AtomRef* out) { return letteredAtoms<4>(r, out); }
};

namespace {

const char* const kTag = "torsion";

float windowCentre(float lo, float hi) { return wrapAngle180(lo + (hi - lo) * 0.5f); }

}  // namespace

int torsionNull(TorsionInfo* tList, int dCount) { return nullTableRecords<TorsionTable>(tList, dCount); }

int torsionTabNull(TorsionTable* torsionTab) { return nullTable(torsionTab, 1); }

int torsionTallyID(TorsionTable* torsionTab, int id) { return tallyTableID(torsionTab, id); }

int mapTorsionInfo(structure::PDBInfo* pdbInfo, TorsionTable* tTab, int aOff) {
    char heading[80];
    std::snprintf(heading, sizeof heading, "MERIDO Warning: No Atom Map for Torsion (offset %d):\n", aOff);
    return mapTableAtoms(pdbInfo, tTab, aOff, heading);
}

int updateTorsion(structure::PDBInfo* pdbInfo, TorsionTable* torsionTab) {
    if (pdbInfo == nullptr) return 0;
    return forValid(torsionTab, [](TorsionInfo& r) {
        r.torsionCurrent = structure::pdbDihedral(r.atomI, r.atomJ, r.atomK, r.atomL);
    });
}

int selectTorsion(TorsionInfo* torsionList, int torsionCount, int segFirst, int segLast) {
    int n = 0;
    for (int i = 0; torsionList != nullptr && i < torsionCount; i++) {
        TorsionInfo& r = torsionList[i];
        r.valid = !(r.resIDJ < segFirst || r.resIDJ > segLast || r.resIDK < segFirst ||
                    r.resIDK > segLast);
        n += r.valid;
    }
    return n;
}

int getStatTorsion(TorsionTable* torsionTab, float* rSumD, int* nD) {
    MerStat st = tableStat(torsionTab, [](const TorsionInfo& r) {
        float d = r.torsion - r.torsionCurrent;
        if (d > 180.0f) d -= 360.0f;
        if (d < -180.0f) d += 360.0f;
        return d;
    });
    st.store(rSumD, nullptr, nD);
    return 0;
}

int getStatTorsion2(TorsionTable* torsionTab, float* rSumD, int* nD) {
    MerStat st = tableStat(torsionTab, [](const TorsionInfo& r) {
        float c = windowCentre(r.torsionLo, r.torsionHi);
        float h = wrapAngle180(std::fabs(r.torsionHi - r.torsionLo) * 0.5f);
        float d = wrapAngle180(r.torsionCurrent - c);
        return std::fabs(d) >= h ? d : 0.0f;
    });
    st.store(rSumD, nullptr, nD);
    return 0;
}

int readTorsion(const char* inName, TorsionTable* torsionTab, int torsionType) {
    if (merNoFile(inName)) return 0;
    TableFile tf;
    int status = tf.read(inName);
    if (status != 0) return status;
    const AtomCols cols = findAtomCols(tf, 4);
    const int angleLoc = tf.column("ANGLE"), hiLoc = tf.column("ANGLE_HI"),
              loLoc = tf.column("ANGLE_LO"), fcLoc = tf.column("FC"), sLoc = tf.column("S"),
              wLoc = tf.column("W"), indexLoc = tf.column("INDEX");
    if (tf.requireFinite(inName) != 0) return 1;
    if (allocTableRecords(torsionTab, tf.rows(), kTag, "MER Error Allocating Torsion Values.\n",
                          torsionType) != 0)
        return 1;
    const bool noBounds = hiLoc < 0 && loLoc < 0;
    const bool centreTarget = angleLoc < 0 && hiLoc >= 0 && loLoc >= 0;
    for (int e = 0; e < tf.rows(); e++) {
        TorsionInfo& r = torsionTab->torsionList[e];
        readRecordAtoms(tf, e, cols, torsionTab, r);
        r.torsionCurrent = 0.0f;
        r.id = tf.intValue(e, indexLoc, e + 1);
        r.torsion = tf.value(e, angleLoc, 0.0f);
        r.torsionHi = noBounds ? r.torsion : tf.value(e, hiLoc, 0.0f);
        r.torsionLo = noBounds ? r.torsion : tf.value(e, loLoc, 0.0f);
        if (centreTarget) r.torsion = windowCentre(r.torsionLo, r.torsionHi);
        r.fc = tf.value(e, fcLoc, 1.0f);
        r.s = tf.value(e, sLoc, 1.0f);
        r.w = tf.value(e, wLoc, 1.0f);
    }
    finishTableRead(torsionTab);
    return 0;
}

int writeTorsion(const char* outName, TorsionTable* tTab, const char* remark, int verbose) {
    static const TableLayout kPlain = {
        "Torsion Table.", "Torsion Error opening file %s\n",
        " ANGLE ANGLE_LO ANGLE_HI S W FC STATUS\n", " %9.2f %9.2f %9.2f %.2f %.2f %.2f %s\n\n"};
    static const TableLayout kVerbose = {
        "Torsion Table.", "Torsion Error opening file %s\n",
        " ANGLE ANGLE_LO ANGLE_HI ANGLE_VIO S W FC STATUS\n",
        " %9.2f %9.2f %9.2f %9.2f %.2f %.2f %.2f %s\n\n"};
    float rms = 0.0f;
    int n = 0;
    getStatTorsion2(tTab, &rms, &n);
    return writeTableRows(outName, tTab, remark, verbose ? kVerbose : kPlain, n, rms, 0.0f,
                          [verbose](FILE* out, const TorsionInfo& r) {
                              std::fprintf(out, " % 9.2f % 9.2f % 9.2f", r.torsionCurrent, r.torsionLo, r.torsionHi);
                              if (verbose) std::fprintf(out, " % 9.2f", r.torsionVio);
                              std::fprintf(out, " %6.2f %6.2f %6.2f %s\n", r.s, r.w, r.fc,
                                           merStatusWord(r.status));
                          });
}

}  // namespace korim::restraints
