// Structure analysis (-anPdb): the inertia or dipole frame of a structure beside the frame of a
// given alignment tensor, with the structure written in the frames of either.
#ifndef KORIM_APP_ANALYZE_PDB_H
#define KORIM_APP_ANALYZE_PDB_H

#include "settings/settings.h"
#include "simulation/korim_iface.h"
#include "structure/pdb.h"

namespace korim::app {

// Charge text of a charged atom in the written structures, the interface mode's marks.
using simulation::chargeLabel;

// Analyses the selected atoms of pdbInfo: the inertia frame, or with korimInfo->elPdbFlag 1 the
// dipole frame of the charges (chargeAtomID/charges 1-based, atom-list indices from 0), beside
// the frame of the Saupe vector saupe. Writes the rotated structures (outName, rotN; the input
// tensor's frames with elPdbFlag 2) and the record to outPName (empty: stdout). In charge mode the
// atoms' temperature factors become their charges (0 elsewhere), their charge texts the
// chargeLabel, and *chSum the total charge. Returns 0, else the failing step's status after its
// message.
int analyzePDB(structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
               settings::KorimInfo* korimInfo, int chCount, float* chSum, int* chargeAtomID,
               float* charges, const double* saupe, const char* outName, const char* outPName,
               const char* remark);

}  // namespace korim::app

#endif  // KORIM_APP_ANALYZE_PDB_H
