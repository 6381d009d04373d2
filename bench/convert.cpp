// Residue listing of the table conversion (-conv, default format) on generated backbone tables of
// 2,500 to 20,000 couplings: read, selection and listing together; rate: couplings per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/convert_tab.h"
#include "bench/ubiquitin.h"
#include "settings/settings_null.h"

using namespace korim;

namespace {

// One residue after another, the six listed kinds of each (N-H, C-N, C-H, CA-C, CA-HA, H-CA);
// every seventh coupling is left out, so that lines have missing columns. Couplings in Hz.
std::string backboneTable(int rows) {
  static const char* const kPairs[6][2] = {{"N", "H"},  {"C", "N"},   {"C", "H"},
                                           {"CA", "C"}, {"CA", "HA"}, {"H", "CA"}};
  static const int kPrevious[6] = {0, 1, 1, 0, 0, 0};  // first atom in the residue before
  std::string text =
      "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
      "FORMAT %5d %4s %4s %5d %4s %4s %9.3f %9.3f %5.2f\n\n";
  char line[128];
  for (int n = 0, slot = 0; n < rows; slot++) {
    if (slot % 7 == 6) continue;
    const int res = 2 + slot / 6, kind = slot % 6;
    const int resI = kind == 5 ? res : res - kPrevious[kind];
    const int resJ = kind == 5 ? res - 1 : res;
    std::snprintf(line, sizeof line, "%5d %4s %4s %5d %4s %4s %9.3f %9.3f %5.2f\n", resI, "ALA",
                  kPairs[kind][0], resJ, "ALA", kPairs[kind][1], 20.0 * std::sin(0.37 * slot),
                  1.0, 1.0);
    text += line;
    n++;
  }
  return text;
}

void BM_ConvertListing(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string name = "/tmp/korim_bench_conv_" + std::to_string(getpid()) + ".tab";
  FILE* f = std::fopen(name.c_str(), "w");
  if (f == nullptr) {
    state.SkipWithError("cannot write the table");
    return;
  }
  const std::string table = backboneTable(rows);
  std::fwrite(table.data(), 1, table.size(), f);
  std::fclose(f);
  settings::KorimInfo k;
  settings::korimInfoNull(&k);
  k.korimMode = settings::kModeConvert;
  k.outFormat = settings::kFormatTbl;
  settings::DcInfo dc;
  int rc = 0;
  {
    // The remark and the table report go to /dev/null, the listing to /dev/null too.
    korim_bench::Quiet quietOut(stdout), quietErr(stderr);
    for (auto _ : state) {
      settings::dcInfoNull(&dc);
      rc |= app::convertTab(name.c_str(), &k, &dc, "All", "All", "/dev/null");
    }
  }
  std::remove(name.c_str());
  if (rc != 0) state.SkipWithError("conversion failed");
  state.SetComplexityN(rows);
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ConvertListing)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
