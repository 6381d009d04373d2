// Fuzz target: the configuration file (-inp).
#include <cstddef>
#include <cstdint>

#include "app/korim_utils_read.h"
#include "settings/settings_null.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "config.inp");
  korim::app::readModuleReset();
  korim::settings::KorimInfo info{};
  korim::settings::korimInfoNull(&info);
  korim::app::readConfig(name.c_str(), &info);
  return 0;
}
