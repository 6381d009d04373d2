// Every option word korim knows (in any mode), and the check of each command-line word against them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::app {

// What an option word takes after it: nothing (read by presence); the next word, whatever it is
// (a file name may begin with "-"); the words up to the next option word (lists and counted
// options, which never include an option word); or the next word unless it is an option word
// (-dbg's optional level).
enum class Takes { Nothing, Value, List, Optional };

// How a steric prediction (-stKorim, -stKorimGrid) treats charges: it places none, places a force
// field's charges that no step of a steric run uses (-charmm alone; they are counted on stdout),
// titrates a force field's charges by pH (-charmm22 without -el), or runs the electrostatic model
// (-el).
enum class Charges { none, forceField, titrated, model };

// A setting of the run beyond its mode on which the reading of an option depends: the 3-D medium
// (-3D), the wall and rod media (-bic, -pf1) or the rod medium alone (-pf1); in -bestFit -mcStruc the width given
// (-noautoCone) or searched (-autoCone, the default); in -bestFit -mcDc the error-bar factor given
// (-noautoMc) rather than searched (-autoMc, the default); in -conv a format that carries the
// couplings' noise (any but the residue listing, -tbl, the default). Any: the mode alone decides.
enum class Needs { any, grid3D, wallOrRod, rod, givenCone, coneSearch, givenFactor, noisedFormat };

// The runs that read an option, one bit for each mode (bit kMode...), three more for each steric
// prediction that places charges (bit kChargedBit + kMode... with -el, kTitratedBit + kMode... with
// -charmm22 alone, kForceFieldBit + kMode... with -charmm alone), and for each variant of the best fit two: its tensor fitted by SVD or given
// (bit kFitVariantBit + kSpread...), or fitted within limits (-nofixed, -dadr, -fixed, or -da or
// -dr given: bit kFitWithinLimitsBit + kSpread...).
using Runs = std::uint64_t;
constexpr int kChargedBit = 20;
constexpr int kForceFieldBit = 24;
constexpr int kFitVariantBit = 32;
constexpr int kFitWithinLimitsBit = 40;
constexpr int kTitratedBit = 48;
// The tensor of a fit is fitted within its limits (the nonlinear fit) in these tensor modes.
constexpr bool withinLimits(int tensorMode) {
  return tensorMode == couplings::kTensorNoFixed || tensorMode == couplings::kTensorDaDr ||
         tensorMode == couplings::kTensorFixed || tensorMode == couplings::kTensorFitNonlin;
}
// The bit of a run: its mode, or in a best fit its variant and how its tensor is fitted; a steric
// prediction that reads charges has its own.
constexpr Runs runBit(int korimMode, int spreadMode, int tensorMode = couplings::kTensorSVD,
                      Charges charges = Charges::none) {
  if (korimMode == settings::kModeBestFit)
    return Runs{1} << ((withinLimits(tensorMode) ? kFitWithinLimitsBit : kFitVariantBit) + spreadMode);
  const bool steric = korimMode == settings::kModeSteric || korimMode == settings::kModeStericGrid;
  const int by = !steric                          ? 0
                 : charges == Charges::model      ? kChargedBit
                 : charges == Charges::titrated   ? kTitratedBit
                 : charges == Charges::forceField ? kForceFieldBit
                                                  : 0;
  return Runs{1} << (korimMode + by);
}
constexpr Runs kEveryRun = ~Runs{0};

struct OptionWord {
  const char* word;
  Takes takes;
  // The value names a file the user gives korim to read (whether or not the run's mode reads it):
  // no output of any run may write over it.
  bool namesInput = false;
  // The runs whose work reads the option; any other run says it does not use it (the outputs,
  // which every run reads, are named by the line of the outputs a run does not write).
  Runs readBy = kEveryRun;
  // What the option chooses, as that line names it; null: a setting of the runs that read it.
  const char* chooses = nullptr;
  // Of the runs above, only those with this setting read it.
  Needs needs = Needs::any;

  constexpr OptionWord by(Runs runs, const char* what = nullptr) const {
    OptionWord o = *this;
    o.readBy = runs;
    o.chooses = what;
    return o;
  }
  constexpr OptionWord when(Needs setting, const char* what = nullptr) const {
    OptionWord o = *this;
    o.needs = setting;
    o.chooses = what;
    return o;
  }
};

// The option words of the command-line readers of korim: getparams and the tensor and atom
// selection readers it calls. A test holds it equal to the words those readers look for, and
// what each takes after it equal to what they read.
std::span<const OptionWord> optionWords();

// Refuses, before anything is read, a command line with a word that belongs to no option, each
// named on stderr:
// - a word that begins with "-", is no number ("-" followed by a digit or "." starts one), is not
//   the value of the option word before it and is no option word of korim: "KORIM Error: unknown
//   option ...", naming the options close to it (equal but for case, else one character inserted,
//   deleted or changed);
// - any other word that no option takes by the table above (a value option takes the next word,
//   a list the words up to the next option word, -dbg the next word unless it is an option
//   word), whatever the run's mode reads: "KORIM Error: word 0.1 (argument 8) belongs to no
//   option: the option before it, -outD, takes one value, v4.tab." Empty words are passed over
//   (an empty shell variable), and a word after an unknown option is left to that refusal;
// - an option that takes a value but has none, for every reader alike: last on the line, or
//   followed by an empty word (but -rem, whose remark may be empty), and the lists -w, -fixAa and
//   -fixRes without a word: "KORIM Error: option ... needs a value."
// Returns 0 when there is none of these or when -help asks for the usage text, 1 after the
// messages.
int refuseUnknownWords(int argc, char** argv);

// After the options were read (getparams), says on stderr which copy counts where an option is
// given more than once (the first copy, which its reader finds first):
// "korim: option -outD is given 2 times: -outD o1.tab is used; -outD o2.tab is not." (a switch is
// named with its place: "-single (argument 3) is used; -single (argument 5) is not."), and where
// two options set one value (-in and -inD, -out and -outD, -dStep and -sStep, -d1 and -s1, -dN and
// -sN, -inS1 and -inS, -align and -saupe: the second of each pair): "korim: options -out and -outD
// set one value: -outD b.tab is used; -out a.tab is not." An option whose first copy no reader
// took (a selection option without -pdb) is left to the final check (checkArgs); the copies not
// used are marked as consumed, so that check does not report them again. Returns the number of
// warnings.
int warnRepeatedOptions(int argc, char** argv);

// After the options were read, one line on stderr for each choice the run (info: its mode, best-fit
// variant and charges; tensorMode: how the fit's tensor is fitted) makes otherwise than its words
// say; the run goes on as read. Only words that stand as options count, never one another option
// takes as its value (-ave -noave):
// - an option the run does not read (OptionWord::readBy), named with what it chooses or else the
//   runs that read it: "korim: -mcDc chooses the error estimate of -bestFit; this run is the steric
//   prediction (-stKorim, the default mode) and does not use it.", "korim: -map chooses a setting
//   of -bestFit (-jack, -mcDc, -mcStruc, -rand, -exhaust or -exhaustSel); this run is the best fit
//   (-bestFit -single) and does not use it."; its value was read and checked all the same. An
//   option no reader took (a selection without -pdb) is left to the final check (checkArgs);
// - two or more words that set one setting the run reads (the mode words among them) to
//   different values, where the fixed reading order makes the last one read count, wherever each
//   stands: "korim: options -stKorim and -bestFit choose the mode: -bestFit is used; -stKorim is
//   not."; the switches of a setting the run does not read are each named by the line above;
// - in a best fit, an atom selection (-r1, -rN, -res, -atom, ...; read with -pdb only), which
//   chooses atoms and not the couplings fitted: those are chosen by -s1 and -sN.
// Returns the number of lines.
int warnUnusedChoices(int argc, char** argv, const settings::KorimInfo& info,
                      int tensorMode = couplings::kTensorSVD);

// After the atom selection of a run on a structure: where the table (tableName, mapped at residue
// offset aOff) names no chain or segment, the place its rows are read on, said once on stderr by
// couplings::reportUnnamedPlaces when the structure holds their residues in another place too; in
// a prediction (-stKorim, -elKorim, -stKorimGrid) with an atom selection given (as
// atomSelectionGiven found it) that leaves that place out, in the words of the fit's line above:
// "korim: the atom selection -chain B chooses atoms, not the couplings of a prediction; this run
// is the steric prediction (-stKorim) and compares the couplings on the bonds of chain A, where a
// table that names no chain looks its rows up; to compare them on the bonds of chain B, name B in
// columns CHAINNAME_I and CHAINNAME_J of the table." Returns the REMARK line of it for the result
// table, "" for none.
std::string warnCouplingPlaces(const std::string& given, int argc, char** argv, const settings::KorimInfo& info,
                               structure::PDBInfo& pdb, const couplings::DTable& table, int aOff,
                               const char* tableName);

// The atom selection as the command line gives it ("-chain B -r1 10"), "" for none; only while
// the options read are marked (before checkArgs, which clears the marks).
std::string atomSelectionGiven(int argc, char** argv);

// The refusal of a selection (given, as atomSelectionGiven found it) that matches no atom of pdb,
// naming it and, for the options that name chains, segments or residues, what the structure holds:
// "PDB Error: no atom selected; the selection -chain Z matches no atom of the structure (its chains:
// A).\n". A selection mark (-id) of 0, that of an atom not selected, is named with the default that
// selects.
std::string noAtomSelected(const std::string& given, const structure::PDBInfo& pdb, int selectID);

}  // namespace korim::app
