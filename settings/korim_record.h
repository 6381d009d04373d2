// Run-parameter record of a run: the "DATA KORIM" settings block and the writer of the whole record.
#ifndef KORIM_SETTINGS_KORIM_RECORD_H
#define KORIM_SETTINGS_KORIM_RECORD_H

#include <string>

#include "settings/settings.h"

namespace korim::settings {

// Upper bound of one writeKorim block for any values of the fields (infinite, NaN and extreme
// numbers included): a caller's buffer of strlen(result) + this many bytes always holds it.
constexpr int kKorimRecordMax = 4096;

// The two layouts of the settings block: the run record and the coupling table's report have
// always spaced the electrostatic lines differently, and the report adds the dipole switch.
enum class SettingsLayout { RunRecord, CouplingReport };

// Appends the "DATA KORIM ..." settings lines of korimInfo->korimMode: medium and sampling for
// the alignment modes 1..6, electrostatics for mode 4, action and factors for modes 13 and 14;
// then, in the alignment modes 1..6 only (the rim is a part of their medium), the rim lines when
// includeRim is not 0.0 (any other value, NaN included, turns them on).
// The mode record itself ("DATA KORIM_MODE ...") is the caller's.
void appendKorimSettings(const KorimInfo* korimInfo, SettingsLayout layout, std::string* out);

// Appends the run-parameter block of korimInfo->korimMode ("DATA KORIM_MODE ..." and the
// "DATA KORIM ..." settings lines, the DA_HIST results for mode 9, the rim lines of modes 1..6
// when includeRim is not 0.0) to the text in result. Returns 0. The char* form needs room for
// strlen(result) + kKorimRecordMax bytes.
int writeKorim(const KorimInfo* korimInfo, char* result);
int writeKorim(const KorimInfo* korimInfo, std::string* result);

}  // namespace korim::settings

#endif  // KORIM_SETTINGS_KORIM_RECORD_H
