// Energy tallies of the restraint library: one energy term over a whole restraint table, and the work space of the superposing tallies.
#pragma once

#include "restraints/angle.h"
#include "restraints/cs.h"
#include "restraints/delphic.h"
#include "restraints/dist.h"
#include "restraints/jcoup.h"
#include "restraints/kernel.h"
#include "restraints/radgyr.h"
#include "restraints/torsion.h"

namespace korim::couplings {
struct DTable;
struct DTableList;
}

namespace korim::restraints {

// Every tally sets *sum and *rms to 0 on entry, then does nothing more and returns 0 when the
// structure or the table is null, the table has no records or the scale is exactly 0.
// Otherwise it runs its kernel (kernel.h, whose force convention holds: force[0] gathers the
// energy gradient) on the valid records with forceConstScale x the record's fc, leaves the
// total energy in *sum and the RMS deviation in *rms, and returns 0 unless stated.

// Harmonic bond on d; rms over distCount. Records untouched.
int merTallyDistEnergy(structure::PDBInfo* pdbInfo, DistTable* distTab, float forceConstScale,
                       double* sum, double* rms);
// As merTallyDistEnergy, writing dCurrent, status 0 and dDiff = dVio = deviation.
int merTallyBondEnergy(structure::PDBInfo* pdbInfo, DistTable* distTab, float forceConstScale,
                       double* sum, double* rms);
int merTallyDSEnergy(structure::PDBInfo* pdbInfo, DSTable* dsTab, float forceConstScale,
                     double* sum, double* rms);
// Writes angleCurrent, angleDiff and angleVio (degrees).
int merTallyAngleEnergy(structure::PDBInfo* pdbInfo, AngleTable* angleTab,
                        float forceConstScale, double* sum, double* rms);
// Improper torsion on torsion; writes torsionCurrent, status 0, torsionDiff = torsionVio.
int merTallyImproperEnergy(structure::PDBInfo* pdbInfo, TorsionTable* torsionTab,
                           float forceConstScale, double* sum, double* rms);
// Torsion well torsionLo..torsionHi; writes torsionCurrent, status (1 inside, -1 outside, 0
// degenerate), torsionDiff (offset from the centre) and torsionVio (degrees).
int merTallyTorsionEnergy(structure::PDBInfo* pdbInfo, TorsionTable* torsionTab,
                          float forceConstScale, double* sum, double* rms);
// Karplus couplings against obsJ; writes currentJ and diffJ.
int merTallyJcoupEnergy(structure::PDBInfo* pdbInfo, JTable* jTab, float forceConstScale,
                        double* sum, double* rms);
// Per index, the target points superposed onto the atoms unless every record is fixed, then
// the point well; writes dDiff and dVio. 1 when the work space cannot be had.
int merTallyACEnergy(structure::PDBInfo* pdbInfo, ACTable* acTab, float forceConstScale,
                     double* sum, double* rms);
// Per index, the J atoms superposed onto the I atoms unless every record is fixed, then the
// well between I and the image of J. 1 when the work space cannot be had.
int merTallyNCSEnergy(structure::PDBInfo* pdbInfo, DistTable* distTab, float forceConstScale,
                      double* sum, double* rms);
// Per restraint, the group nearest its bounds; members' status, dCurrent, dVio rewritten.
int merTallyNOEEnergy(structure::PDBInfo* pdbInfo, NOETable* noeTab, float forceConstScale,
                      double* sum, double* rms);
// Steps of merTallyNOEEnergy for one restraint; energy and delta 0 without groups.
int merMultipleAssignNOEEnergy(NOEInfo* noeInfo, double forceConstScale,
                               GenericEnergy* energyInfo);
// One term per index minID..maxID that has records; rms over maxID - minID + 1.
int merTallyRadGyrEnergy(structure::PDBInfo* pdbInfo, RadGyrTable* radGyrTab, float sizeScale,
                         float forceConstScale, double* sum, double* rms);
// The valid couplings with one atom at each end against the table's tensor; the number used.
int merTallyDCEnergy2(structure::PDBInfo* pdbInfo, couplings::DTable* dTab,
                      float forceConstScale, double* sum, double* rms);
// Three tables with their own scales: *sum is the sum of the three energies (the function
// whose derivatives were added), *rms their count-weighted RMS. 0.
int merTallyDCEnergy(structure::PDBInfo* pdbInfo, couplings::DTable* dTabA,
                     couplings::DTable* dTabB, couplings::DTable* dTabC, float fcA, float fcB,
                     float fcC, double* sum, double* rms);
// Every table of the list with the same scale, combined as merTallyDCEnergy.
int merTallyDCEnergyN(structure::PDBInfo* pdbInfo, couplings::DTableList* dTabList, float fc,
                      double* sum, double* rms);
// Every valid centre with an atom against every valid shift with atoms; the pairs evaluated.
int merTallyPCSEnergy(structure::PDBInfo* pdbInfo, CSTable* csTab, float forceConstScale,
                      double* sum, double* rms);
// Repulsion over the neighbour lists (rebuilt first when updateFlag is set and an atom moved
// more than vdwMaxAllowedMove); rms = sqrt(sum of deviations (not squared) / atomCount^2).
// 0, or 1 with nothing summed when the rebuild is refused (a nan cut-off).
int merTallyVDWEnergy(structure::PDBInfo* pdbInfo, float forceConstScale, float vdwSize,
                      double vdwMaxAllowedMove, float vdwNeighborDist, int updateFlag,
                      double* sum, double* rms);
// These two evaluate nothing by design: *sum and *rms 0, result 0.
int merTallyCSEnergy(structure::PDBInfo* pdbInfo, CSTable* csTab, float forceConstScale,
                     double* sum, double* rms);
int merTallyDelphicTorsionEnergy(structure::PDBInfo* pdbInfo, DTTable* dtTab,
                                 float forceConstScale, double* sum, double* rms);

// Makes room for coordCount points in each of the two coordinate lists (reference and moving,
// tag "energy") used to superpose restraint targets. Keeps the lists when they are large enough;
// otherwise releases them and allocates anew. Returns 0, or 1 after "MERIDO Error (Energy)
// allocating workspaces." on stderr, with no lists held.
int energyAlloc(int coordCount);

// Releases both lists; the module then holds none. Returns 0.
int energyFree();

// Number of points each list holds now (0 when none).
int energyCoordCapacity();

}  // namespace korim::restraints
