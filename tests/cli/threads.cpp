// Every model and the likelihood estimates give the same bytes whatever the
// number of threads: standard output and error, the result tables and the
// rotated structures with OMP_NUM_THREADS = 1, 2 and 8.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// Standard streams and every file the run wrote, by name.
std::vector<std::pair<std::string, std::string>> outputsWith(const char* threads,
                                                             const std::vector<std::string>& args) {
  TempDir d;
  setenv("OMP_NUM_THREADS", threads, 1);
  const RunResult r = runKorim(args, d);
  unsetenv("OMP_NUM_THREADS");
  EXPECT_EQ(r.status, 0) << threads << " threads: " << r.err.substr(r.err.size() > 800 ? r.err.size() - 800 : 0);
  // The likelihood grid's progress line counts the points as the threads finish them.
  // Each such line, "Grid point" up to its carriage return, is taken out (one broken by a line end
  // stays).
  std::string err = r.err;
  for (size_t at = 0; (at = err.find("Grid point", at)) != std::string::npos;) {
    const size_t end = err.find_first_of("\r\n", at);
    if (end != std::string::npos && err[end] == '\r') err.erase(at, end + 1 - at); else ++at;
  }
  std::vector<std::pair<std::string, std::string>> out = {{"stdout", r.out}, {"stderr", err}};
  for (const auto& e : std::filesystem::directory_iterator(d.path))
    out.emplace_back(e.path().filename().string(), readFile(e.path().string()));
  std::sort(out.begin() + 2, out.end());
  return out;
}

TEST(Threads, EveryModelGivesTheSameBytesWithAnyThreadCount) {
  const std::string pot = testData("cli/wall_potential_screened.pot");
  const std::vector<std::string> base = {"-pdb", kPdb, "-inD", kCouplings, "-outD", "t.tab"};
  // Wall with its rotated structures; rod and wall of all heavy atoms with
  // more orientations than one block of the scan; the electrostatic models.
  const std::vector<std::vector<std::string>> models = {
      {"-stKorim", "-pdbRot", "rot.pdb"}, {"-stKorim", "-pf1", "-nosurf", "-dot", "300"},
      {"-stKorim", "-nosurf", "-dot", "300"}, {"-elKorim", "-dot", "40"},
      {"-elKorim", "-pf1", "-pot", pot, "-dot", "30"},
      {"-stKorim", "-3D", "-pot3D", testData("cli/grid3d_blocked_2x2x3.pot"), "-nX", "2", "-nY", "2",
       "-nZ", "3", "-dX", "4", "-dY", "4", "-dZ", "4", "-z1", "1", "-zN", "3", "-dot", "400"},
  };
  // The Da/R estimates by likelihood, on a small grid and a few runs.
  std::vector<std::vector<std::string>> runs = {
      {"-daMl", "-inD", kCouplings, "-outD", "t.tab", "-outSc", "t.sc", "-lDa", "-14", "-hDa", "-8",
       "-incDa", "0.25", "-lR", "0.3", "-hR", "0.45", "-incR", "0.05"},
      {"-daFlex", "-inD", kCouplings, "-outD", "t.tab", "-outSc", "t.sc", "-outCol", "t.col", "-nRun", "96"}};
  for (std::vector<std::string> args : models) {
    args.insert(args.end(), base.begin(), base.end());
    runs.push_back(args);
  }
  // Their score files as the plain single-threaded build before the vector kernels wrote them
  // (the Da column with the two decimals its 0.25 step needs).
  const std::map<std::string, std::string> golden = {{"-daMl", "golden/daml_scores.sc"},
                                                     {"-daFlex", "golden/daflex_scores.sc"}};
  for (const std::vector<std::string>& args : runs) {
    const auto one = outputsWith("1", args);
    ASSERT_GE(one.size(), 3u) << args[0];
    for (const auto& [name, text] : one) {
      if (name == "t.sc" && golden.count(args[0])) {
        EXPECT_EQ(text, readFile(testData(golden.at(args[0])))) << args[0];
      }
    }
    for (const char* n : {"2", "8"}) {
      const auto many = outputsWith(n, args);
      ASSERT_EQ(many.size(), one.size()) << args[1];
      for (size_t i = 0; i < one.size(); i++) {
        EXPECT_EQ(many[i].first, one[i].first);
        EXPECT_TRUE(many[i].second == one[i].second)
            << many[i].first << " differs with " << n << " threads, arguments " << args[0] << " " << args[1];
      }
    }
  }
}

}  // namespace
