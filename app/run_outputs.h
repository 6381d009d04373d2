// The files a run touches, by the options that name them: what the user gives it to read and
// what it writes, and the refusal before the work of a run whose outputs would write one file,
// overwrite one of its inputs, or go where nothing can be written.
#ifndef KORIM_APP_RUN_OUTPUTS_H
#define KORIM_APP_RUN_OUTPUTS_H

#include <string>
#include <vector>

#include "app/korim_utils.h"
#include "settings/settings.h"

namespace korim::app {

// One file a run writes: the option that names it (null for a name the mode fixes itself), the
// name given to that option, and the file written (the given name, or a structure the run
// numbers itself, name.0 to name.3).
struct RunOutput {
  const char* option;
  std::string given;
  std::string file;
};

// One file the command line names as an input: the option word and the name given after it.
struct RunInput {
  const char* option;
  std::string file;
};

// The files the run's mode writes, in the order of the options; empty names (the standard
// output) are left out. The ensemble mode's depend on OUTPUT_ENSEMBLE of its configuration.
std::vector<RunOutput> runOutputs(const KorimParams& params, const settings::KorimInfo& info);

// Every file named after an option that names an input (OptionWord::namesInput), at each place
// the word stands on the command line, in command-line order; empty names are left out. A file
// the user names as an input is theirs whether or not the run's mode reads it.
std::vector<RunInput> runInputs(int argc, char** argv);

// Returns 1 after naming, on stderr, the first fault among the run's files; 0 when there is none.
// In this order: two outputs that would write the same file (names one option or the mode fixes
// are not compared with each other); an output that is the same file as one of inputs
// (runInputs); a file of a name the mode fixes itself (the ensemble's rot.pdb) that is there and
// does not begin with the mode's mark (simulation::kEnsembleFileMark); an output whose folder is missing or cannot be written into (through a dangling
// symbolic link: its target's folder), or an existing file that cannot be written, with the
// system's reason. Identity is foundation::sameOutputFile's: the standard streams, devices and
// pipes may be shared. Called before the run reads or writes anything for its work; the ensemble
// mode calls it once its structure, couplings and configuration (which decides its outputs) are
// read, before it writes anything.
int refuseRunFiles(const KorimParams& params, const settings::KorimInfo& info,
                   const std::vector<RunInput>& inputs);

// The charge listing (-outPka) belongs to the runs whose model uses charges: electrostatics
// (the -elKorim modes, -el) and the structure analysis (-anPdb), where the run places charges
// (pkaName: the pKa file of -pka). The steric models place none.
bool writesChargeListing(const settings::KorimInfo& info, const char* pkaName);

// One line on stderr when the command line names outputs that the run's mode does not write
// (an option of every mode is read in every mode and changes nothing there): "korim: this mode
// (-bestFit -single) writes -outD and -pdbRot only; -outA fitA.tab is not written." The options
// are named as given (-out or -outD), the outputs of the mode as runOutputs knows them. -ave of
// the Da and R histograms (-daHist, -daFlex) is their switch and not an output. A charge listing
// of a run that places no charges gets a line of its own saying why, as does one that stays
// empty because its charges come from a pKa file. Returns 1 after a line, 0 when every output
// named is written.
int warnUnwrittenOutputs(const KorimParams& params, const settings::KorimInfo& info, int argc, char** argv);

}  // namespace korim::app

#endif  // KORIM_APP_RUN_OUTPUTS_H
