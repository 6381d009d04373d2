// J-coupling restraint table: defaults, reader, atom mapping, selection, statistics and writer.
#include "restraints/jcoup.h"

#include <cmath>

#include "restraints/smalltab.h"

namespace korim::restraints {

template <>
struct TableKind<JTable> {
    using Rec = JInfo;
    static JInfo*& records(JTable& t) { return t.jList; }
    static int& count(JTable& t) { return t.jCount; }
    static int null(JInfo* list, int n) { return jcoupNull(list, n); }
    static int atoms(JInfo& r, AtomRef* out) { return letteredAtoms<4>(r, out); }
};

namespace {

const char* const kTag = "jcoup";
constexpr int kJTableType = 7;

}  // namespace

int jcoupNull(JInfo* jList, int dCount) { return nullTableRecords<JTable>(jList, dCount); }

int jTabNull(JTable* jTab) { return nullTable(jTab, 1); }

int jcoupTallyID(JTable* jTab, int id) { return tallyTableID(jTab, id); }

int mapJInfo(structure::PDBInfo* pdbInfo, JTable* jTab) {
    return mapTableAtoms(pdbInfo, jTab, 0, "MERIDO Warning: No Atom Map for J-coupling:\n");
}

int selectJ(JInfo* jList, int jCount, int segFirst, int segLast) {
    int n = 0;
    for (int i = 0; jList != nullptr && i < jCount; i++) {
        JInfo& r = jList[i];
        r.valid = !(r.resIDJ < segFirst || r.resIDJ > segLast || r.resIDK < segFirst ||
                    r.resIDL > segLast);
        n += r.valid;
    }
    return n;
}

int getStatJ(JTable* jTab, float* rSumD, float* pSumD, int* nD) {
    tableStat(jTab, [](const JInfo& r) {
        return r.absFlag ? std::fabs(r.obsJ) - std::fabs(r.currentJ) : r.obsJ - r.currentJ;
    }).store(rSumD, pSumD, nD);
    return 0;
}

int readJcoup(const char* inName, JTable* jTab) {
    if (merNoFile(inName)) return 0;
    TableFile tf;
    int status = tf.read(inName);
    if (status != 0) return status;
    const AtomCols cols = findAtomCols(tf, 4);
    const int absLoc = tf.column("ABS"), aLoc = tf.column("A"), bLoc = tf.column("B"),
              cLoc = tf.column("C"), phaseLoc = tf.column("PHASE"), daLoc = tf.column("DA"),
              dbLoc = tf.column("DB"), dcLoc = tf.column("DC"), dphaseLoc = tf.column("DPHASE"),
              fcLoc = tf.column("FC"), sLoc = tf.column("S"), wLoc = tf.column("W"),
              indexLoc = tf.column("INDEX");
    int obsLoc = tf.column("OBSJ");
    if (obsLoc < 0) obsLoc = tf.column("J");
    if (tf.requireFinite(inName) != 0) return 1;
    if (allocTableRecords(jTab, tf.rows(), kTag, "MER Error Allocating J coupling Values.\n",
                          kJTableType) != 0)
        return 1;
    for (int e = 0; e < tf.rows(); e++) {
        JInfo& r = jTab->jList[e];
        readRecordAtoms(tf, e, cols, jTab, r);
        r.id = tf.intValue(e, indexLoc, e + 1);
        r.absFlag = tf.intValue(e, absLoc, 0);
        r.a = tf.value(e, aLoc, 0.0f);
        r.b = tf.value(e, bLoc, 0.0f);
        r.c = tf.value(e, cLoc, 0.0f);
        r.phase = tf.value(e, phaseLoc, 0.0f);
        r.da = tf.value(e, daLoc, 0.0f);
        r.db = tf.value(e, dbLoc, 0.0f);
        r.dc = tf.value(e, dcLoc, 0.0f);
        r.dphase = tf.value(e, dphaseLoc, 0.0f);
        r.obsJ = tf.value(e, obsLoc, 0.0f);
        r.fc = tf.value(e, fcLoc, 1.0f);
        r.s = tf.value(e, sLoc, 1.0f);
        r.w = tf.value(e, wLoc, 1.0f);
    }
    finishTableRead(jTab);
    return 0;
}

int writeJCoup(const char* outName, JTable* jTab, const char* remark, int verbose) {
    static const TableLayout kPlain = {"J Table.", "J Error opening file %s\n", " J ABS S W FC\n",
                                       " %9.2f %2d %.2f %.2f %.2f\n\n"};
    static const TableLayout kVerbose = {"J Table.", "J Error opening file %s\n",
                                         " J_OBS J J_DIFF ABS S W FC\n",
                                         " %9.2f %9.2f %9.2f %2d %.2f %.2f %.2f\n\n"};
    float rms = 0.0f, chi2 = 0.0f;
    int n = 0;
    getStatJ(jTab, &rms, &chi2, &n);
    return writeTableRows(outName, jTab, remark, verbose ? kVerbose : kPlain, n, rms, chi2,
                          [verbose](FILE* out, const JInfo& r) {
                              if (verbose)
                                  std::fprintf(out, " % 9.2f % 9.2f % 9.2f", r.obsJ, r.currentJ, r.diffJ);
                              else
                                  std::fprintf(out, " % 9.2f", r.currentJ);
                              std::fprintf(out, " %2d %6.2f %6.2f %6.2f\n", r.absFlag, r.s, r.w, r.fc);
                          });
}

}  // namespace korim::restraints
