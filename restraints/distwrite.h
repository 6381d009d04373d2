// Writers of the distance, NOE and AC restraint tables.
#pragma once

#include "restraints/dist.h"

namespace korim::restraints {

// The written tables are reports of the current structure, not restraint files: their D column
// holds the current distance, not the target. Chain and segment columns appear only when some
// record names a chain or segment ("None" for the others). An empty name writes to the standard
// output. Nothing is written for a missing or empty table; a file that cannot be opened is
// reported on the error stream and the table goes to the standard output instead. Always 0.

// Every record, valid or not; verbose adds D_VIO.
int writeDist(const char* outName, DistTable* distTab, const char* remark, int verbose);
// One row per valid member distance of every group of every restraint.
int writeNOE(const char* outName, NOETable* noeTab, const char* remark, int verbose);
// The valid records with the statistics of getStatAC; verbose changes nothing.
int writeAC(const char* outName, ACTable* acTab, const char* remark, int verbose);

}  // namespace korim::restraints
