// Bond-angle restraint table: defaults, reader, atom mapping, current angles, statistics and writer.
#include "restraints/angle.h"

#include "restraints/smalltab.h"

namespace korim::restraints {

template <>
struct TableKind<AngleTable> {
    using Rec = AngleInfo;
    static AngleInfo*& records(AngleTable& t) { return t.angleList; }
    static int& count(AngleTable& t) { return t.angleCount; }
    static int null(AngleInfo* list, int n) { return angleNull(list, n); }
    static int atoms(AngleInfo& r, AtomRef* out) { return letteredAtoms<3>(r, out); }
};

namespace {

const char* const kTag = "angle";

// Target minus current, one step of 360 into -180..180.
float angleDeviation(const AngleInfo& r) {
    float d = r.angle - r.angleCurrent;
    if (d > 180.0f) d -= 360.0f;
    if (d < -180.0f) d += 360.0f;
    return d;
}

}  // namespace

int angleNull(AngleInfo* aList, int dCount) { return nullTableRecords<AngleTable>(aList, dCount); }

int angleTabNull(AngleTable* angleTab) { return nullTable(angleTab, 0); }

int angleTallyID(AngleTable* angleTab, int id) { return tallyTableID(angleTab, id); }

int mapAngleInfo(structure::PDBInfo* pdbInfo, AngleTable* aTab) {
    return mapTableAtoms(pdbInfo, aTab, 0, "MERIDO Warning: No Atom Map for Angle:\n");
}

int updateAngle(structure::PDBInfo* pdbInfo, AngleTable* angleTab) {
    if (pdbInfo == nullptr) return 0;
    return forValid(angleTab, [](AngleInfo& r) { r.angleCurrent = structure::pdbAngle(r.atomI, r.atomJ, r.atomK); });
}

int getStatAngle(AngleTable* angleTab, float* rSumD, float* pSumD, int* nD) {
    tableStat(angleTab, angleDeviation).store(rSumD, pSumD, nD);
    return 0;
}

int readAngle(const char* inName, AngleTable* angleTab, int angleType) {
    if (merNoFile(inName)) return 0;
    TableFile tf;
    int status = tf.read(inName);
    if (status != 0) return status;
    const AtomCols cols = findAtomCols(tf, 3);
    const int angleLoc = tf.column("ANGLE"), hiLoc = tf.column("ANGLE_HI"),
              loLoc = tf.column("ANGLE_LO"), fcLoc = tf.column("FC"), sLoc = tf.column("S"),
              wLoc = tf.column("W"), indexLoc = tf.column("INDEX");
    if (tf.requireFinite(inName) != 0) return 1;
    if (allocTableRecords(angleTab, tf.rows(), kTag, "MER Error Allocating Angle Values.\n",
                          angleType) != 0)
        return 1;
    for (int e = 0; e < tf.rows(); e++) {
        AngleInfo& r = angleTab->angleList[e];
        readRecordAtoms(tf, e, cols, angleTab, r);
        r.angleCurrent = 0.0f;
        r.id = tf.intValue(e, indexLoc, e + 1);
        r.angle = tf.value(e, angleLoc, 0.0f);
        r.angleHi = tf.value(e, hiLoc, 0.0f);
        r.angleLo = tf.value(e, loLoc, 0.0f);
        r.fc = tf.value(e, fcLoc, 1.0f);
        r.s = tf.value(e, sLoc, 1.0f);
        r.w = tf.value(e, wLoc, 1.0f);
    }
    finishTableRead(angleTab);
    return 0;
}

int writeAngle(const char* outName, AngleTable* aTab, const char* remark, int verbose) {
    static const TableLayout kPlain = {
        "Angle Table.", "Angle Error opening file %s\n", " ANGLE ANGLE_LO ANGLE_HI S W FC STATUS\n",
        " %9.2f %9.2f %9.2f %.2f %.2f %.2f %s\n\n"};
    static const TableLayout kVerbose = {
        "Angle Table.", "Angle Error opening file %s\n",
        " ANGLE ANGLE_LO ANGLE_HI ANGLE_VIO S W FC STATUS\n",
        " %9.2f %9.2f %9.2f %9.2f %.2f %.2f %.2f %s\n\n"};
    float rms = 0.0f, chi2 = 0.0f;
    int n = 0;
    getStatAngle(aTab, &rms, &chi2, &n);
    return writeTableRows(outName, aTab, remark, verbose ? kVerbose : kPlain, n, rms, chi2,
                          [verbose](FILE* out, const AngleInfo& r) {
                              std::fprintf(out, " % 9.2f % 9.2f % 9.2f", r.angleCurrent, r.angleLo, r.angleHi);
                              if (verbose) std::fprintf(out, " % 9.2f", r.angleVio);
                              std::fprintf(out, " %6.2f %6.2f %6.2f %s\n", r.s, r.w, r.fc, "NONE");
                          });
}

}  // namespace korim::restraints
