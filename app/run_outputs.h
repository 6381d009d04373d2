// The files a run will write, by the options that name them, and the refusal of a run two of
// whose outputs would write one file.
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

// The files the run's mode writes, in the order of the options; empty names (the standard
// output) are left out. The ensemble mode's depend on OUTPUT_ENSEMBLE of its configuration.
std::vector<RunOutput> runOutputs(const KorimParams& params, const settings::KorimInfo& info);

// Returns 1 after naming, on stderr, the first two outputs of the run that would write the same
// file (foundation::sameOutputFile: devices, pipes and the standard output may be shared);
// 0 when every output has a file of its own. The names one option or the mode fixes are not
// compared with each other.
int refuseSharedOutputs(const KorimParams& params, const settings::KorimInfo& info);

}  // namespace korim::app

#endif  // KORIM_APP_RUN_OUTPUTS_H
