// Energy tallies of the restraint library: each energy term over a whole table, and the work space
// of the superposing tallies.
#include "restraints/energy.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "couplings/dc.h"
#include "foundation/checkedcount.h"
#include "foundation/memory.h"
#include "restraints/neighbor.h"
#include "restraints/restab.h"
#include "structure/pdb.h"

namespace korim::restraints {

using foundation::unAlloc;
using foundation::voidMalloc;
using structure::Coord3D;

namespace {

// Reference and moving coordinates of the restraint index being superposed.
struct EnergyModule {
    Coord3D* refList = nullptr;
    Coord3D* aList = nullptr;
    int maxCoords = 0;
};

EnergyModule energy;

int listBytes(int count) {
    return count * static_cast<int>(sizeof(Coord3D));
}

}  // namespace

int energyAlloc(int coordCount) {
    if (energy.maxCoords >= coordCount) return 0;
    energyFree();
    if (foundation::checkedCount({coordCount, static_cast<long long>(sizeof(Coord3D))}) < 0) {
        std::fprintf(stderr, "MERIDO Error (Energy) allocating workspaces.\n");
        return 1;
    }
    auto* ref = static_cast<Coord3D*>(voidMalloc("energy", listBytes(coordCount)));
    auto* moving = ref != nullptr
                       ? static_cast<Coord3D*>(voidMalloc("energy", listBytes(coordCount)))
                       : nullptr;
    if (ref == nullptr || moving == nullptr) {
        if (ref != nullptr) unAlloc("energy", ref, listBytes(coordCount));
        std::fprintf(stderr, "MERIDO Error (Energy) allocating workspaces.\n");
        return 1;
    }
    energy.refList = ref;
    energy.aList = moving;
    energy.maxCoords = coordCount;
    return 0;
}

int energyFree() {
    if (energy.refList != nullptr) unAlloc("energy", energy.refList, listBytes(energy.maxCoords));
    if (energy.aList != nullptr) unAlloc("energy", energy.aList, listBytes(energy.maxCoords));
    energy = EnergyModule{};
    return 0;
}

int energyCoordCapacity() {
    return energy.maxCoords;
}

namespace {

// Entry of every tally: clears the results; false when there is nothing to evaluate.
template <class Tab>
bool tallyStart(const structure::PDBInfo* pdb, const Tab* tab, int count, float scale, double* sum,
                double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    return pdb != nullptr && tab != nullptr && count > 0 && scale != 0.0f;
}

// The common loop: the kernel on every valid record, the energies summed, the squared
// deviations averaged over all count records.
template <class Rec, class Kernel>
void tallyRecords(Rec* list, int count, double* sum, double* rms, Kernel kernel) {
    for (int i = 0; i < count; i++) {
        if (list[i].valid == 0) continue;
        GenericEnergy e{};
        kernel(list[i], e);
        *sum += e.energy;
        *rms += e.delta * e.delta;
    }
    *rms = std::sqrt(std::fabs(*rms) / count);
}

// A tally of the common shape over the record list and count members of the table.
template <class Tab, class Rec, class Kernel>
int tallyTable(const structure::PDBInfo* pdb, Tab* tab, Rec* Tab::*list, int Tab::*count,
               float scale, double* sum, double* rms, Kernel kernel) {
    if (!tallyStart(pdb, tab, tab != nullptr ? tab->*count : 0, scale, sum, rms)) return 0;
    if (tab->*list == nullptr) return 0;
    tallyRecords(tab->*list, tab->*count, sum, rms, kernel);
    return 0;
}

}  // namespace

int merTallyDistEnergy(structure::PDBInfo* pdbInfo, DistTable* distTab, float forceConstScale,
                       double* sum, double* rms) {
    return tallyTable(pdbInfo, distTab, &DistTable::distList, &DistTable::distCount,
                      forceConstScale, sum, rms, [&](DistInfo& r, GenericEnergy& e) {
                          merDistEnergy(r.atomI, r.atomJ, r.d, forceConstScale * r.fc, &e);
                      });
}

int merTallyBondEnergy(structure::PDBInfo* pdbInfo, DistTable* distTab, float forceConstScale,
                       double* sum, double* rms) {
    return tallyTable(pdbInfo, distTab, &DistTable::distList, &DistTable::distCount,
                      forceConstScale, sum, rms, [&](DistInfo& r, GenericEnergy& e) {
                          merBondEnergy(r.atomI, r.atomJ, r.d, forceConstScale * r.fc, &e);
                          r.dCurrent = static_cast<float>(e.val);
                          r.status = 0;
                          r.dDiff = r.dVio = static_cast<float>(e.delta);
                      });
}

int merTallyDSEnergy(structure::PDBInfo* pdbInfo, DSTable* dsTab, float forceConstScale,
                     double* sum, double* rms) {
    return tallyTable(pdbInfo, dsTab, &DSTable::dsList, &DSTable::dsCount, forceConstScale, sum,
                      rms, [&](DSInfo& r, GenericEnergy& e) {
                          merDSEnergy(r.atomI, r.atomJ, r.atomK, r.atomL, r.dLo, r.dHi,
                                      forceConstScale * r.fc, &e);
                      });
}

int merTallyAngleEnergy(structure::PDBInfo* pdbInfo, AngleTable* angleTab, float forceConstScale,
                        double* sum, double* rms) {
    return tallyTable(pdbInfo, angleTab, &AngleTable::angleList, &AngleTable::angleCount,
                      forceConstScale, sum, rms, [&](AngleInfo& r, GenericEnergy& e) {
                          merAngleEnergy(r.atomI, r.atomJ, r.atomK, r.angle, forceConstScale * r.fc,
                                         &e);
                          r.angleDiff = e.delta;
                          r.angleCurrent = static_cast<float>(e.val);
                          r.angleVio = static_cast<float>(e.delta);
                      });
}

int merTallyImproperEnergy(structure::PDBInfo* pdbInfo, TorsionTable* torsionTab,
                           float forceConstScale, double* sum, double* rms) {
    return tallyTable(pdbInfo, torsionTab, &TorsionTable::torsionList, &TorsionTable::torsionCount,
                      forceConstScale, sum, rms, [&](TorsionInfo& r, GenericEnergy& e) {
                          merImproperEnergy(r.atomI, r.atomJ, r.atomK, r.atomL, r.torsion,
                                            forceConstScale * r.fc, &e);
                          r.torsionCurrent = static_cast<float>(e.val);
                          r.status = 0;
                          r.torsionDiff = r.torsionVio = static_cast<float>(e.delta);
                      });
}

int merTallyTorsionEnergy(structure::PDBInfo* pdbInfo, TorsionTable* torsionTab,
                          float forceConstScale, double* sum, double* rms) {
    return tallyTable(pdbInfo, torsionTab, &TorsionTable::torsionList, &TorsionTable::torsionCount,
                      forceConstScale, sum, rms, [&](TorsionInfo& r, GenericEnergy& e) {
                          merTorsionSquareWellEnergy(r.atomI, r.atomJ, r.atomK, r.atomL,
                                                     r.torsionLo, r.torsionHi,
                                                     forceConstScale * r.fc, &e);
                          r.torsionCurrent = static_cast<float>(e.val);
                          r.status = e.status;
                          r.torsionDiff = static_cast<float>(e.diff);
                          r.torsionVio = static_cast<float>(e.vio);
                      });
}

int merTallyJcoupEnergy(structure::PDBInfo* pdbInfo, JTable* jTab, float forceConstScale,
                        double* sum, double* rms) {
    return tallyTable(pdbInfo, jTab, &JTable::jList, &JTable::jCount, forceConstScale, sum, rms,
                      [&](JInfo& r, GenericEnergy& e) {
                          mer3JEnergy(r.atomI, r.atomJ, r.atomK, r.atomL, r.a, r.b, r.c, r.phase,
                                      r.absFlag, r.obsJ, forceConstScale * r.fc, &e);
                          r.currentJ = static_cast<float>(e.val);
                          r.diffJ = static_cast<float>(e.delta);
                      });
}

namespace {

// Superposes the first count points of aList onto refList and moves them there.
void superposeTargets(int count) {
    float psi = 0, theta = 0, phi = 0, tx = 0, ty = 0, tz = 0, fitRms = 0;
    structure::fitAlignCoords(energy.refList, energy.aList, count, &psi, &theta, &phi, &tx, &ty,
                              &tz, &fitRms, 0, 0);
    structure::pdb3dReset();
    structure::pdb3dAppendRotation0(psi, theta, phi);
    structure::pdb3dCoordTransform(energy.aList, count);
    structure::pdb3dCoordTranslation(energy.aList, count, tx, ty, tz);
}

Coord3D atomPoint(const AtomInfo* a) { return {a->x, a->y, a->z}; }

// One restraint index of a superposing tally: the valid records' reference points (refOf) and
// targets (targetOf) into the work space, the targets superposed onto the references when any
// record is not fixed, then eval(record, moved target, moved flag, transform, result) per valid
// record with its energy summed and its squared deviation added to *rms.
template <class Rec, class Ref, class Target, class Eval>
void superposedIndex(Rec** ids, int n, Ref refOf, Target targetOf, double* sum, double* rms,
                     Eval eval) {
    structure::pdb3dReset();
    int count = 0, moving = 0;
    for (int i = 0; i < n; i++) {
        if (ids[i]->valid == 0) continue;
        energy.refList[count] = refOf(*ids[i]);
        energy.aList[count++] = targetOf(*ids[i]);
        if (ids[i]->fixed == 0) moving = 1;
    }
    if (moving) superposeTargets(count);
    structure::Matrix4x4 rot;
    structure::pdb3dCopyCurrentMatrix(rot);
    for (int i = 0, k = 0; i < n; i++) {
        if (ids[i]->valid == 0) continue;
        GenericEnergy e{};
        eval(*ids[i], &energy.aList[k++], moving, rot, e);
        *sum += e.energy;
        *rms += e.delta * e.delta;
    }
}

}  // namespace

int merTallyACEnergy(structure::PDBInfo* pdbInfo, ACTable* acTab, float forceConstScale,
                     double* sum, double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    if (acTab == nullptr) return 0;
    structure::fitAlignInit();
    if (energyAlloc(acTab->acCount) != 0) return 1;
    if (!tallyStart(pdbInfo, acTab, acTab->acCount, forceConstScale, sum, rms)) return 0;
    if (acTab->acList == nullptr || acTab->idList == nullptr) return 0;
    for (int id = acTab->minID; id <= acTab->maxID; id++) {
        superposedIndex(
            acTab->idList, acTallyID(acTab, id), [](ACInfo& r) { return atomPoint(r.atom); },
            [](ACInfo& r) { return Coord3D{r.x, r.y, r.z}; }, sum, rms,
            [&](ACInfo& r, Coord3D* p, int, structure::Matrix4x4, GenericEnergy& e) {
                merACEnergy(r.atom, p, r.d, r.dLo, r.dHi, forceConstScale * r.fc, &e);
                r.dDiff = static_cast<float>(e.diff);
                r.dVio = static_cast<float>(e.delta);
            });
    }
    *rms = std::sqrt(std::fabs(*rms) / acTab->acCount);
    return 0;
}

int merTallyNCSEnergy(structure::PDBInfo* pdbInfo, DistTable* distTab, float forceConstScale,
                      double* sum, double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    if (distTab == nullptr || distTab->distCount < 1 || forceConstScale == 0.0f) return 0;
    structure::fitAlignInit();
    if (energyAlloc(distTab->distCount) != 0) return 1;
    if (pdbInfo == nullptr || distTab->distList == nullptr || distTab->idList == nullptr) return 0;
    for (int id = distTab->minID; id <= distTab->maxID; id++) {
        superposedIndex(
            distTab->idList, distTallyID(distTab, id),
            [](DistInfo& r) { return atomPoint(r.atomI); },
            [](DistInfo& r) { return atomPoint(r.atomJ); }, sum, rms,
            [&](DistInfo& r, Coord3D* p, int alignFlag, structure::Matrix4x4 rot,
                GenericEnergy& e) {
                merNCSEnergy(r.atomI, r.atomJ, p, alignFlag, rot, r.d, r.dLo, r.dHi,
                             forceConstScale * r.fc, &e);
            });
    }
    *rms = std::sqrt(std::fabs(*rms) / distTab->distCount);
    return 0;
}

int merMultipleAssignNOEEnergy(NOEInfo* noeInfo, double forceConstScale,
                               GenericEnergy* energyInfo) {
    energyInfo->energy = energyInfo->delta = 0.0;
    if (noeInfo == nullptr || noeInfo->simpleList == nullptr) return 0;
    SimpleNOE* best = nullptr;
    double bestDev = 0.0, bestAbs = 9999999.9;
    for (int g = 0; g < noeInfo->count; g++) {
        SimpleNOE* group = &noeInfo->simpleList[g];
        if (group->count < 1) continue;
        merSingleAssignSumNOEDeviation(group);
        double dev = merNOEGroupDeviation(group, 0);
        if (std::fabs(dev) < bestAbs) {
            bestAbs = std::fabs(dev);
            bestDev = dev;
            best = group;
        }
    }
    if (best == nullptr) return 0;
    return merSingleAssignSumNOESquareWellEnergy(best, bestDev, forceConstScale, energyInfo);
}

int merTallyNOEEnergy(structure::PDBInfo* pdbInfo, NOETable* noeTab, float forceConstScale,
                      double* sum, double* rms) {
    if (!tallyStart(pdbInfo, noeTab, noeTab ? noeTab->noeCount : 0, forceConstScale, sum, rms))
        return 0;
    if (noeTab->noeList == nullptr) return 0;
    for (int i = 0; i < noeTab->noeCount; i++) {
        GenericEnergy e{};
        merMultipleAssignNOEEnergy(&noeTab->noeList[i], forceConstScale, &e);
        *sum += e.energy;
        *rms += e.delta * e.delta;
    }
    *rms = std::sqrt(std::fabs(*rms) / noeTab->noeCount);
    return 0;
}

int merTallyRadGyrEnergy(structure::PDBInfo* pdbInfo, RadGyrTable* radGyrTab, float sizeScale,
                         float forceConstScale, double* sum, double* rms) {
    if (!tallyStart(pdbInfo, radGyrTab, radGyrTab ? radGyrTab->rgCount : 0, forceConstScale, sum,
                    rms))
        return 0;
    for (int id = radGyrTab->minID; id <= radGyrTab->maxID; id++) {
        int n = radGyrTallyID(radGyrTab, id);
        if (n < 1) continue;
        GenericEnergy e{};
        merRadGyrEnergy(radGyrTab->idList, n, sizeScale, forceConstScale, &e);
        *sum += e.energy;
        *rms += e.delta * e.delta;
    }
    int ids = radGyrTab->maxID - radGyrTab->minID + 1;
    *rms = ids > 0 ? std::sqrt(std::fabs(*rms) / ids) : 0.0;
    return 0;
}

int merTallyDCEnergy2(structure::PDBInfo* pdbInfo, couplings::DTable* dTab, float forceConstScale,
                      double* sum, double* rms) {
    if (!tallyStart(pdbInfo, dTab, dTab ? dTab->dCount : 0, forceConstScale, sum, rms)) return 0;
    if (dTab->dObsList == nullptr) return 0;
    int n = 0;
    for (int i = 0; i < dTab->dCount; i++) {
        couplings::DInfo* obs = &dTab->dObsList[i];
        if (obs->valid == 0 || obs->atomICount != 1 || obs->atomJCount != 1) continue;
        GenericEnergy e{};
        couplings::DInfo* calc = dTab->dCalcList != nullptr ? &dTab->dCalcList[i] : nullptr;
        merDCEnergy(obs, calc, dTab->dTensor.saupe, forceConstScale * obs->fc, &e);
        *sum += e.energy;
        *rms += e.delta * e.delta;
        n++;
    }
    if (n > 0) *rms = std::sqrt(std::fabs(*rms) / n);
    return n;
}

namespace {

// Sums the energies of several coupling tables and weights their RMS by their counts.
struct DCCombine {
    double sum = 0.0, rms2 = 0.0;
    int n = 0;
    void add(structure::PDBInfo* pdb, couplings::DTable* tab, float scale) {
        double s = 0.0, r = 0.0;
        int k = merTallyDCEnergy2(pdb, tab, scale, &s, &r);
        sum += s;
        rms2 += k * r * r;
        n += k;
    }
    void store(double* sumOut, double* rmsOut) const {
        if (n == 0) return;
        *sumOut = sum;
        *rmsOut = std::sqrt(rms2 / n);
    }
};

}  // namespace

// The energy reported is the plain sum of the tables' energies: it is the function whose
// derivatives the tables added, so a minimiser's line search sees a consistent pair.
int merTallyDCEnergy(structure::PDBInfo* pdbInfo, couplings::DTable* dTabA,
                     couplings::DTable* dTabB, couplings::DTable* dTabC, float fcA, float fcB,
                     float fcC, double* sum, double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    if (fcA == 0.0f && fcB == 0.0f && fcC == 0.0f) return 0;
    DCCombine all;
    all.add(pdbInfo, dTabA, fcA);
    all.add(pdbInfo, dTabB, fcB);
    all.add(pdbInfo, dTabC, fcC);
    all.store(sum, rms);
    return 0;
}

int merTallyDCEnergyN(structure::PDBInfo* pdbInfo, couplings::DTableList* dTabList, float fc,
                      double* sum, double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    if (fc == 0.0f || dTabList == nullptr || dTabList->dTab == nullptr) return 0;
    DCCombine all;
    for (int t = 0; t < dTabList->dTabCount; t++) all.add(pdbInfo, &dTabList->dTab[t], fc);
    all.store(sum, rms);
    return 0;
}

int merTallyPCSEnergy(structure::PDBInfo* pdbInfo, CSTable* csTab, float forceConstScale,
                      double* sum, double* rms) {
    if (!tallyStart(pdbInfo, csTab, csTab ? csTab->csCount : 0, forceConstScale, sum, rms))
        return 0;
    if (csTab->pcsCount < 1 || csTab->pcsList == nullptr || csTab->csList == nullptr) return 0;
    int n = 0;
    for (int p = 0; p < csTab->pcsCount; p++) {
        PCSInfo* centre = &csTab->pcsList[p];
        if (centre->valid == 0 || centre->atom == nullptr || centre->dTensor == nullptr) continue;
        for (int c = 0; c < csTab->csCount; c++) {
            CSInfo* cs = &csTab->csList[c];
            if (cs->valid == 0 || cs->atomCount == 0) continue;
            GenericEnergy e{};
            merPCSEnergy(centre, cs, centre->dTensor->saupe, forceConstScale * cs->fc, &e);
            *sum += e.energy;
            *rms += e.delta * e.delta;
            n++;
        }
    }
    if (n > 0) *rms = std::sqrt(std::fabs(*rms) / n);
    return n;
}

int merTallyVDWEnergy(structure::PDBInfo* pdbInfo, float forceConstScale, float vdwSize,
                      double vdwMaxAllowedMove, float vdwNeighborDist, int updateFlag, double* sum,
                      double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    if (pdbInfo == nullptr || pdbInfo->atomList == nullptr || pdbInfo->atomCount < 1 ||
        pdbInfo->neighborList == nullptr || pdbInfo->neighborCount == nullptr ||
        forceConstScale == 0.0f)
        return 0;
    // A rebuild refused (a nan cut-off) leaves no lists to sum over: the tally is refused too.
    if (updateFlag != 0 && testMerNeighbors(pdbInfo, vdwMaxAllowedMove) != 0 &&
        updateMerNeighbors(pdbInfo, vdwNeighborDist) != 0)
        return 1;
    AtomInfo* atoms = pdbInfo->atomList;
    double k = atoms[0].vdwfc * forceConstScale;
    for (int a = 0; a < pdbInfo->atomCount; a++) {
        for (int j = 0; j < pdbInfo->neighborCount[a]; j++) {
            GenericEnergy e{};
            merVDWEnergy(&atoms[a], &atoms[pdbInfo->neighborList[a][j]], k, vdwSize, &e);
            *sum += e.energy;
            *rms += e.delta;  // the deviation itself, not its square, as the term has always summed
        }
    }
    double n = static_cast<double>(pdbInfo->atomCount);
    *rms = std::sqrt(std::fabs(*rms) / (n * n));
    return 0;
}

// Shift restraints have no energy term of their own: this tally evaluates nothing.
int merTallyCSEnergy(structure::PDBInfo*, CSTable*, float, double* sum, double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    return 0;
}

// Delphic restraints are evaluated one by one (delphic.h); this tally evaluates nothing.
int merTallyDelphicTorsionEnergy(structure::PDBInfo*, DTTable*, float, double* sum, double* rms) {
    *sum = 0.0;
    *rms = 0.0;
    return 0;
}

}  // namespace korim::restraints
