// The files a run touches, by the options that name them: what it reads and what it writes, and
// the refusal before the work of a run whose outputs would write one file, overwrite one of its
// inputs, or go where nothing can be written.
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

// One file a run reads: the option that names it and the name given.
struct RunInput {
  const char* option;
  std::string file;
};

// The files the run's mode writes, in the order of the options; empty names (the standard
// output) are left out. The ensemble mode's depend on OUTPUT_ENSEMBLE of its configuration.
std::vector<RunOutput> runOutputs(const KorimParams& params, const settings::KorimInfo& info);

// The files the run's mode reads, in the order of the options; empty names (not given) are left
// out. Names the mode does not read (-pot of a steric run) are not inputs.
std::vector<RunInput> runInputs(const KorimParams& params, const settings::KorimInfo& info);

// Returns 1 after naming, on stderr, the first fault among the run's files; 0 when there is none.
// In this order: two outputs that would write the same file (names one option or the mode fixes
// are not compared with each other); an output that is the same file as an input; an output whose
// folder is missing or cannot be written into, or an existing file that cannot be written, with
// the system's reason. Identity is foundation::sameOutputFile's: the standard streams, devices and
// pipes may be shared. Called before the run reads or writes anything for its work; the ensemble
// mode calls it once its structure, couplings and configuration (which decides its outputs) are
// read, before it writes anything.
int refuseRunFiles(const KorimParams& params, const settings::KorimInfo& info);

}  // namespace korim::app

#endif  // KORIM_APP_RUN_OUTPUTS_H
