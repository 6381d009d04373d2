// Text files that begin with a UTF-8 byte-order mark, as some editors write them: every reader
// takes such a copy of a real file exactly as the file itself.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/korim_utils_read.h"
#include "couplings/dc.h"
#include "foundation/isdataline.h"
#include "foundation/rdtext.h"
#include "settings/settings_null.h"
#include "simulation/korim_input.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim;
using korim_test::readFile;
using korim_test::testData;

namespace {

// What a reader made of a file, as text: its status and the values it read.
using Reading = std::function<std::string(const std::string& path)>;

std::string numbers(std::initializer_list<double> values) {
  std::string s;
  for (double v : values) s += " " + std::to_string(v);
  return s;
}

std::string pdbReading(const std::string& path) {
  structure::PDBInfo pdb;
  const int rc = structure::readPDB(path.c_str(), &pdb, nullptr, nullptr);
  std::string s = std::to_string(rc) + " " + std::to_string(pdb.atomCount);
  if (rc == 0 && pdb.atomCount > 0) {
    const structure::AtomInfo& a = pdb.atomList[0];
    s += std::string(" ") + a.atomName + numbers({a.x, a.y, a.z});
  }
  structure::pdbFree(&pdb);
  return s;
}

std::string couplingReading(const std::string& path) {
  couplings::DTable t;
  couplings::dTabNull(&t);
  const int rc = couplings::readDC(path.c_str(), &t);
  std::string s = std::to_string(rc) + " " + std::to_string(t.dCount);
  for (int e = 0; e < t.dCount; e++) s += numbers({t.dObsList[e].d, t.dObsList[e].sigma});
  couplings::dTabFree(&t);
  return s;
}

std::string configReading(const std::string& path) {
  settings::KorimInfo k;
  settings::korimInfoNull(&k);
  const settings::GridInfo& g = k.gridInfo;
  const int rc = app::readConfig(path.c_str(), &k);
  return std::to_string(rc) + numbers({1.0 * g.startResDom1, 1.0 * g.endResDom1, 1.0 * g.startResDom2,
                                       1.0 * g.endResDom2, 1.0 * g.resDom1Origin, 1.0 * g.resDom2Origin});
}

std::string potentialReading(const std::string& path) {
  std::vector<double> pot(10001, 0.0);
  int rows = 0;
  double offset = 0.0, step = 0.0;
  const int rc = app::readPotential(path.c_str(), nullptr, &rows, pot.data(), &offset, &step);
  return std::to_string(rc) + " " + std::to_string(rows) + numbers({offset, step, pot[1], pot[2]});
}

std::string ensembleReading(const std::string& path) {
  std::vector<double> a(40001), b(40001), g(40001);
  int n = 0;
  const int rc = simulation::readEnsemble(path.c_str(), &n, a.data(), b.data(), g.data());
  return std::to_string(rc) + " " + std::to_string(n) + numbers({a[1], b[1], g[1]});
}

std::string freeReading(const std::string& path) {
  std::vector<double> x(5001), y(5001), z(5001);
  int n = 0;
  const int rc = simulation::readPDBfree(path.c_str(), &n, x.data(), y.data(), z.data());
  return std::to_string(rc) + " " + std::to_string(n) + numbers({x[1], y[1], z[1]});
}

std::string textReading(const std::string& path) {
  int lines = 0, error = 0;
  char** text = foundation::rdText(path.c_str(), &lines, &error);
  std::string s = std::to_string(error) + " " + std::to_string(lines);
  if (text != nullptr && lines > 0) s += std::string(" ") + text[0];
  foundation::freeText(text);
  return s;
}

std::string rowCountReading(const std::string& path) {
  int count = 0;
  const int rc = foundation::cntDataLine(path.c_str(), &count);
  return std::to_string(rc) + " " + std::to_string(count);
}

}  // namespace

TEST(ByteOrderMark, EveryReaderTakesAMarkedCopyAsTheFileItself) {
  korim_test::TempDir dir;
  // The free-format coordinates without their remark line, so that the first word is a record.
  const std::string freeText = readFile(testData("app/ubiquitin_res1to3_free.txt"));
  const std::string freeAtoms = korim_test::writeFile(dir / "free.txt", freeText.substr(freeText.find('\n') + 1));
  const struct {
    std::string file;
    Reading read;
  } readers[] = {
      {korim_test::kUbiquitinPdb, pdbReading},
      {korim_test::kUbiquitinCouplings, couplingReading},
      {korim_test::examples("ubiquitin_two_domains.inp"), configReading},
      {korim_test::examples("pf1_rod_radial.pot"), potentialReading},
      {korim_test::examples("ubiquitin_100_states.ens"), ensembleReading},
      {freeAtoms, freeReading},
      {korim_test::kUbiquitinCouplings, textReading},
      {korim_test::kUbiquitinCouplings, rowCountReading},
  };
  for (const auto& r : readers) {
    const std::string marked = korim_test::writeFile(dir / "marked", "\xEF\xBB\xBF" + readFile(r.file));
    std::string plain, withMark;
    korim_test::captureStderr([&] { plain = r.read(r.file); });
    korim_test::captureStderr([&] { withMark = r.read(marked); });
    EXPECT_EQ(plain.substr(0, 2), "0 ") << r.file << ": " << plain;
    EXPECT_EQ(withMark, plain) << r.file;
  }
}
