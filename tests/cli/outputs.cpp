// What a run does with outputs that are not plain files: a pipe named by -outD that a later
// failure must not remove, a standard output that refuses the run's lines, and one that is
// closed.
#include <fcntl.h>
#include <sys/stat.h>

#include <tuple>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

// The example structure with its last atom, HA3 of GLY 76, at x = 9999 A: inside what the reader
// takes, but beyond the writer's columns once the structure is centred and turned.
std::string farStructure(const TempDir& d) {
  std::string far = readFile(kPdb);
  far.replace(far.rfind("\nATOM") + 1 + 30, 8, "9999.000");
  return writeFile(d / "far.pdb", far);
}

// The table went into a pipe, then the rotated structure could not be written: the run fails,
// and the pipe, which this run did not create, stays.
TEST(Outputs, AFailedRunKeepsThePipeItsTableWentTo) {
  const TempDir d;
  const std::string pipe = d / "table.pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const RunResult r = runKorim({"-stKorim", "-dot", "30", "-pdb", farStructure(d), "-inD", kCouplings, "-outD", pipe,
                                "-pdbRot", "r.pdb"},
                               d);
  std::string table(65536, '\0');
  table.resize(static_cast<size_t>(std::max<ssize_t>(0, read(reader, table.data(), table.size()))));
  close(reader);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"PDB Error: the X coordinate ", "matrix: error in writePDBRot.\n", kMemoryLine}))
      << r.err;
  struct stat st {};
  EXPECT_TRUE(lstat(pipe.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  EXPECT_NE(table.find("\nDATA KORIM_MODE STERIC\n"), std::string::npos);  // the table did go in
}

// Lines the standard output refused fail the run with the system's reason, once, before the
// closing memory-status line; the table file written beside them is whole.
TEST(Outputs, AFullStandardOutputFailsTheRun) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  const TempDir d;
  const RunResult full = runKorim({"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "x.tab"},
                                  d, "/dev/full");
  EXPECT_EQ(full.status, 1);
  const std::string message = "korim: error writing to the standard output: No space left on device\n";
  EXPECT_TRUE(inOrder(full.err, {message, kMemoryLine}) && endsWithMemoryStatus(full.err)) << full.err;
  EXPECT_EQ(full.err.find(message), full.err.rfind(message));
  const std::string table = readFile(d / "x.tab");
  const RunResult plain = runKorim({"-stKorim", "-dot", "30", "-pdb", kPdb, "-inD", kCouplings, "-outD", "x.tab"}, d);
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.err.find("standard output"), std::string::npos);
  EXPECT_EQ(readFile(d / "x.tab"), table);
}

// A failed standard output is reported once, with the reason it failed with, also when a writer
// (the table on the standard output, the ensemble's state tables) found the failure first.
TEST(Outputs, AFullStandardOutputIsReportedOnceWithItsReason) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  const TempDir d;
  const std::vector<std::string> ensemble = {
      "-stKorimGrid", "-pdb", kPdb, "-inD", kCouplings, "-inp", examples("ubiquitin_two_domains.inp"), "-inE",
      examples("ubiquitin_100_states.ens"), "-ave", "e.tab", "-dcEns", "s.tab", "-flex", "e.log"};
  std::vector<std::string> noDcEns = ensemble;
  noDcEns.erase(noDcEns.begin() + 11, noDcEns.begin() + 13);
  for (const auto& args : {ensemble, noDcEns, std::vector<std::string>{"-stKorim", "-dot", "30", "-pdb", kPdb,
                                                                       "-inD", kCouplings}}) {
    const RunResult r = runKorim(args, d, "/dev/full");
    EXPECT_EQ(r.status, 1) << args.back();
    std::vector<std::string> reports;  // "... (standard output): <reason>", "... the standard output: <reason>"
    for (const std::string& l : lines(r.err))
      if (l.find("standard output): ") != std::string::npos || l.find("standard output: ") != std::string::npos)
        reports.push_back(l);
    ASSERT_EQ(reports.size(), 1u) << args[0] << (reports.empty() ? "" : "\n" + reports[0] + "\n" + reports.back());
    const std::string reason = ": No space left on device";
    EXPECT_EQ(reports[0].substr(reports[0].size() - std::min(reports[0].size(), reason.size())), reason);
    EXPECT_TRUE(endsWithMemoryStatus(r.err)) << args[0];
  }
}

// A closed standard output: no file the run opens takes its number, and its lost lines fail the
// run; the table is the one a run with an open standard output writes.
TEST(Outputs, AClosedStandardOutputFailsTheRunAndTakesNoFile) {
  const TempDir d;
  const std::vector<std::string> args = {"-bestFit", "-mcDc", "-map", "20", "-pdb", kPdb, "-inD", kCouplings,
                                         "-outD", "mc.tab", "-outDa", "da.log"};
  const RunResult r = runKorim(args, d, kClosedStdout);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(inOrder(r.err, {"korim: error writing to the standard output: Bad file descriptor\n", kMemoryLine}) &&
              endsWithMemoryStatus(r.err))
      << r.err;
  const std::string closed = readFile(d / "da.log");
  EXPECT_EQ(closed.find("REMARK"), std::string::npos);  // the Da log opens first
  EXPECT_EQ(runKorim(args, d).status, 0);
  EXPECT_TRUE(readFile(d / "da.log") == closed);
}

// A structure korim writes is one it reads: an atom moved past the writer's columns ends the run
// with status 1, naming it, and leaves no structure file; the same for the ensemble's structure.
TEST(Outputs, AStructureTooWideForItsColumnsIsNotWritten) {
  const TempDir d;
  farStructure(d);
  const std::string message = "PDB Error: the X coordinate ";
  const std::string atom = " of atom HA3 of residue 76 GLY (serial 1231) lies outside -999.999 to 999.999 A";
  for (const auto& [args, file, after] : std::vector<std::tuple<std::vector<std::string>, std::string, std::string>>{
           {{"-stKorim", "-dot", "30", "-inD", kCouplings, "-outD", "x.tab", "-pdbRot", "r.pdb"}, "r.pdb",
            "matrix: error in writePDBRot.\n"},
           {{"-stKorimGrid", "-dot", "30", "-inD", kCouplings, "-inp", examples("ubiquitin_two_domains.inp"), "-inE",
             examples("ubiquitin_100_states.ens"), "-ave", "a.tab", "-pdbRot", "e.pdb"},
            "e.pdb", "korim: error in writePDB.\n"}}) {
    std::vector<std::string> run = args;
    run.insert(run.end(), {"-pdb", "far.pdb"});
    const RunResult r = runKorim(run, d);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_TRUE(inOrder(r.err, {message, atom, "so PDB file " + file + " is not written.\n", after, kMemoryLine}))
        << r.err;
    for (const char* suffix : {"", ".0", ".1", ".2", ".3"}) EXPECT_FALSE(fileExists(d / (file + suffix))) << suffix;
  }
}
