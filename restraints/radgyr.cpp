// Radius-of-gyration restraint table: defaults, reader, atom mapping and counts.
#include "restraints/radgyr.h"

#include "restraints/smalltab.h"

namespace korim::restraints {

template <>
struct TableKind<RadGyrTable> {
    using Rec = RadGyrInfo;
    static RadGyrInfo*& records(RadGyrTable& t) { return t.rgList; }
    static int& count(RadGyrTable& t) { return t.rgCount; }
    static int null(RadGyrInfo* list, int n) { return radGyrNull(list, n); }
    static int atoms(RadGyrInfo& r, AtomRef* out) { return singleAtom(r, out); }
};

namespace {

const char* const kTag = "radgyr";
constexpr int kRadGyrTableType = 21;

}  // namespace

int radGyrNull(RadGyrInfo* rgList, int rgCount) { return nullTableRecords<RadGyrTable>(rgList, rgCount); }

int radGyrTabNull(RadGyrTable* rgTab) { return nullTable(rgTab, 1); }

int radGyrTallyID(RadGyrTable* rgTab, int id) { return tallyTableID(rgTab, id); }

int mapRadGyrInfo(structure::PDBInfo* pdbInfo, RadGyrTable* rgTab) {
    return mapTableAtoms(pdbInfo, rgTab, 0, "MERIDO Warning: No Atom Map for Rad Gyr:\n");
}

int updateRadGyr(structure::PDBInfo* pdbInfo, RadGyrTable* rgTab) {
    if (pdbInfo == nullptr) return 0;
    return forValid(rgTab, [](const RadGyrInfo&) {});
}

int getStatRadGyr(RadGyrTable* rgTab, float* rSumD, float* pSumD, int* nD) {
    *rSumD = 0.0f;
    *pSumD = 0.0f;
    *nD = forValid(rgTab, [](const RadGyrInfo&) {});
    return 0;
}

int readRadGyr(const char* inName, RadGyrTable* rgTab) {
    if (merNoFile(inName)) return 0;
    TableFile tf;
    int status = tf.read(inName);
    if (status != 0) return status;
    const AtomCols cols = findAtomCols(tf, 1);
    const int targetLoc = tf.column("RG_TARGET"), fcLoc = tf.column("FC"), sLoc = tf.column("S"),
              wLoc = tf.column("W"), indexLoc = tf.column("INDEX");
    if (tf.requireFinite(inName) != 0) return 1;
    if (allocTableRecords(rgTab, tf.rows(), kTag, "MER Error Allocating Radius of Gyration Values.\n",
                          kRadGyrTableType) != 0)
        return 1;
    for (int e = 0; e < tf.rows(); e++) {
        RadGyrInfo& r = rgTab->rgList[e];
        readRecordAtoms(tf, e, cols, rgTab, r);
        r.id = tf.intValue(e, indexLoc, 0);
        if (r.id < 0 || r.id > kRadGyrMaxID) {
            merReport("MER Notice: Radius of Gyration ID too large.\n");
            r.id = 0;
        }
        r.target = tf.value(e, targetLoc, 0.0f);
        r.fc = tf.value(e, fcLoc, 1.0f);
        r.s = tf.value(e, sLoc, 1.0f);
        r.w = tf.value(e, wLoc, 1.0f);
    }
    finishTableRead(rgTab);
    return 0;
}

}  // namespace korim::restraints
