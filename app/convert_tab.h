// Coupling-table conversion (-conv): restraints for other structure-calculation programs, the
// residue listing, or a coupling table of korim's own format.
#ifndef KORIM_APP_CONVERT_TAB_H
#define KORIM_APP_CONVERT_TAB_H

#include "settings/settings.h"

namespace korim::app {

// Reads the table inDName, selects by the range of dcInfo (settled from the table and written
// back) and the atom types, optionally adds noise seeded from korimInfo->idum (-dcNoise) or
// scales by each coupling's W (-scale), and writes korimInfo->outFormat to outName (empty:
// stdout). A row whose D marks a missing coupling keeps its mark in korim's own table and is left
// out of the restraints and the listing, which have no such mark (one line on stderr says how many). The text is built before the output is opened, so a failed read or conversion never
// touches an existing file. Returns 0; 1 when the format would write no coupling (none selected,
// none of a value, or no N-H coupling for DYANA: "korim: 0 usable couplings of <file> are too few
// to convert (1 or more).", nothing written), or when the table record, the work lists or the
// output cannot be had; else the reader's or the table writer's status.
int convertTab(const char* inDName, const settings::KorimInfo* korimInfo, settings::DcInfo* dcInfo,
               const char* atomNameS1, const char* atomNameS2, const char* outName);

}  // namespace korim::app

#endif  // KORIM_APP_CONVERT_TAB_H
