// Charge set-up: partial charges on the selected atoms from a pKa file, default pKa rules or a force-field set.
#pragma once

#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::charges {

// Entries of each caller charge array (1-based; slot 0 is never used).
inline constexpr int kChargeArraySize = 1201;
// Highest slot a write may fill.
inline constexpr int kMaxChargeSlot = kChargeArraySize - 1;
// A run fails once this many slots are filled and more input remains.
inline constexpr int kChargeCapacity = 1199;
// Largest size of a charge (e) a pKa-file line may give: no atom of a molecule carries more
// than a few elementary charges (a metal ion up to 4, a group's charge put on one atom a few
// more); a larger value is a slip (an exponent, a unit) that would swamp every other charge.
inline constexpr float kMaxLineCharge = 10.0f;

// Where a run's charges come from, the first that holds: the pKa file inName (electrostatics
// on; it is then the only source), the default pKa rules (electrostatics on, pkaFlag, charmm 0),
// force-field set A (pkaFlag, charmm 1, whatever the electrostatics), set B (charmm 2 at pH 6 to
// 7) or set C (charmm 2 at pH 4 or below); none places no charge. Only the built-in sources
// write rows into the charge listing: a pKa file already lists its charges.
enum class ChargeSource { none, pkaFile, defaultRules, setA, setB, setC };
ChargeSource chargeSource(const char* inName, const settings::ElInfo& el);

// Places charges (e) on the selected atoms of pdbInfo and fills slots
// 1 .. *chCount of chargeAtomID (0-based index into pdbInfo->atomList) and
// charges, both arrays of kChargeArraySize entries. The source is, in this
// order: the pKa file inName (electrostatics on), the default pKa rules
// (electrostatics on, pkaFlag, charmm 0), force-field set A (charmm 1) or
// set B/C (charmm 2 at pH 6-7 / pH <= 4). outName, when not empty, receives
// the charge listing. Slots 1, 2-8 and 9-10 are scaled by kMonoCh, kQuadCh
// and kDipoCh; *chSum is the net charge after scaling. A summary line goes
// to stderr. Returns 0, or 1 after a message on stderr. A pKa-file line is
// refused (naming it) when a field is not of its kind, its kind is neither
// "pKa" nor "charge", a number follows the
// value (other words after it are a comment) or a charge lies beyond
// kMaxLineCharge; an atom charged by two lines takes a slot for each, with a
// warning naming both lines and the atom's total. Residues with a selected atom whose names the
// source's rules do not name (neither charged nor left uncharged by design, as the amino acids
// without a titratable group and water are), and that no pKa-file line charges, take no charge and
// are named, by residue name and count, in one warning after the summary.
int chargeSetup(const char* inName, const structure::PDBInfo* pdbInfo, const settings::KorimInfo* korimInfo,
                int* chCount, float* chSum, int* chargeAtomID, float* charges, const char* outName);

}  // namespace korim::charges
