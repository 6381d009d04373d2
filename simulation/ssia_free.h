// Free-format steric prediction: the steric alignment of bare atom coordinates, no structure.
#pragma once

#include "couplings/dc.h"
#include "settings/settings.h"

namespace korim::simulation {

// Steric prediction for the atoms of a free-format coordinate file (readPDBfree): the bicelle
// geometry is refined (refine_bicelle), the surface atoms are kept, centred on their mean and
// sampled on the sphere of density densityNSC with the steric model of the medium; the five
// elements, scaled by lcOrder and negated, go as floats to dTab->dTensor.saupe (Szz, Sxx-Syy,
// Sxy, Sxz, Syz) and the table is written to outAName (writeDCmod, empty: standard output).
// Writes "<file>, <n> Atoms, Free format." on stderr and "REMARK <n> atoms selected for
// simulation." on stdout. Returns 0; 1 or the failing step's status after its message on
// stderr (no table is written then): work arrays, file, sphere, surface, no exposed atom, the
// model, a tensor predictionVerdict refuses, or a table that could not be written.
int ssiaFree(settings::KorimInfo* korimInfo, const char* pdbFreeName, const char* outAName,
             couplings::DTable* dTab);

}  // namespace korim::simulation
