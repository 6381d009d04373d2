// Text files as other systems and editors write them: with a UTF-8 byte-order mark, with CR LF or
// CR line ends. A reader of each way of opening a file (the structure's, also from the standard
// input, the table's two passes, the configuration's, a text's, the fixed line buffers of the
// other inputs, the free-format words) takes such a copy of a real file exactly as the file
// itself, and refuses a copy with a NUL byte at that byte's line.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/korim_utils_read.h"
#include "charges/korim_charge_setup.h"
#include "couplings/dc.h"
#include "foundation/rdtext.h"
#include "settings/settings_null.h"
#include "simulation/korim_input.h"
#include "structure/pdb.h"
#include "tests/support/capture.h"
#include "tests/support/files.h"

using namespace korim;
using korim_test::readFile;

namespace {

// A reader's status and some of what it read, as text (the reader called before, as arguments
// have no order of evaluation).
template <typename... T>
std::string said(int status, T... values) {
  std::string s = std::to_string(status);
  ((s += " " + std::to_string(values)), ...);
  return s;
}

std::string readStructure(const char* f) {
  structure::PDBInfo p;
  const int rc = structure::readPDB(f, &p, nullptr, nullptr);
  const structure::AtomInfo* a = p.atomCount > 0 ? &p.atomList[p.atomCount - 1] : nullptr;
  const std::string s = rc != 0 || a == nullptr ? said(rc) : said(rc, p.atomCount, a->x, a->y, a->z) + a->atomName;
  structure::pdbFree(&p);
  return s;
}

struct Reader {
  std::string file;
  std::string name;  // the reader's name in its messages; empty: it writes none
  std::function<std::string(const char*)> read;
  bool fromStdin = false;  // the file is given as the standard input
};

// One reader of each kind, each with a file it reads whole.
std::vector<Reader> readers() {
  const std::string pka = korim_test::testData("charges/ubiquitin_overrides.pka");
  return {
      {korim_test::kUbiquitinPdb, "PDB", readStructure},
      {korim_test::kUbiquitinPdb, "PDB",
       [](const char* f) {
         if (std::freopen(f, "r", stdin) == nullptr) return std::string("no stdin");
         return readStructure(nullptr);
       },
       true},
      {korim_test::kUbiquitinCouplings, "RdTable",
       [](const char* f) {
         couplings::DTable t;
         couplings::dTabNull(&t);
         const int rc = couplings::readDC(f, &t);
         std::string s = said(rc, t.dCount);
         for (int e = 0; e < t.dCount; e++) s += " " + said(e, t.dObsList[e].d, t.dObsList[e].resIDI);
         couplings::dTabFree(&t);
         return s;
       }},
      {korim_test::examples("ubiquitin_two_domains.inp"), "readConfig",
       [](const char* f) {
         settings::KorimInfo k;
         settings::korimInfoNull(&k);
         const settings::GridInfo& g = k.gridInfo;
         const int rc = app::readConfig(f, &k);
         return said(rc, g.startResDom1, g.endResDom1, g.startResDom2, g.endResDom2, g.resDom1Origin, g.hBetaCone);
       }},
      {korim_test::kUbiquitinCouplings, "",
       [](const char* f) {
         int n = 0;
         char** text = foundation::rdText(f, &n, nullptr);
         const std::string s = said(text == nullptr, n) + (n > 0 ? text[0] + std::string(text[n - 1]) : "");
         foundation::freeText(text);
         return s;
       }},
      {korim_test::examples("ubiquitin_100_states.ens"), "readEnsemble",
       [](const char* f) {
         std::vector<double> a(simulation::kEnsembleMaxRows + 1), b(a.size()), g(a.size());
         int n = 0;
         const int rc = simulation::readEnsemble(f, &n, a.data(), b.data(), g.data());
         return said(rc, n, a[n], b[n], g[n]);
       }},
      {korim_test::examples("pf1_rod_radial.pot"), "readPotential",
       [](const char* f) {
         settings::KorimInfo k;
         settings::korimInfoNull(&k);
         std::vector<double> pot(app::kPotentialClear + 1);
         int n = 0;
         double offset = 0.0, step = 0.0;
         const int rc = app::readPotential(f, &k, &n, pot.data(), &offset, &step);
         return said(rc, n, offset, step, pot[n]);
       }},
      {korim_test::examples("pf1_rod_grid.pot"), "read3DPotential",
       [](const char* f) {
         settings::KorimInfo k;
         settings::korimInfoNull(&k);
         k.grid3DnX = k.grid3DnY = 33;
         k.grid3DnZ = 1;
         std::vector<double> grid(33 * 33);
         int n = 0;
         const int rc = app::read3DPotential(f, &k, &n, grid.data());
         return said(rc, n, grid[0], grid[n > 0 ? n - 1 : 0]);
       }},
      {korim_test::examples("ubiquitin_heavy_free.txt"), "readPDBfree",
       [](const char* f) {
         std::vector<double> x(simulation::kFreeAtomMax + 1), y(x.size()), z(x.size());
         int n = 0;
         const int rc = simulation::readPDBfree(f, &n, x.data(), y.data(), z.data());
         return said(rc, n, x[n], y[n], z[n]);
       }},
      {pka, "chargeSetup",
       [](const char* f) {
         structure::PDBInfo p;
         structure::readPDB(korim_test::kUbiquitinPdb.c_str(), &p, nullptr, nullptr);
         for (int i = 0; i < p.atomCount; i++) p.atomList[i].selected = 1;
         settings::KorimInfo k;
         settings::korimInfoNull(&k);
         k.elInfo.elFlag = 1;
         int n = 0;
         float sum = 0.0f;
         std::vector<int> ids(charges::kChargeCapacity);
         std::vector<float> q(charges::kChargeCapacity);
         const int rc = charges::chargeSetup(f, &p, &k, &n, &sum, ids.data(), q.data(), nullptr);
         structure::pdbFree(&p);
         return said(rc, n, sum);
       }},
  };
}

}  // namespace

TEST(ByteOrderMark, EveryReaderTakesAMarkedCopyAsTheFileItself) {
  korim_test::TempDir dir;
  for (const Reader& r : readers()) {
    const std::string marked = korim_test::writeFile(dir / "marked", "\xEF\xBB\xBF" + readFile(r.file));
    std::string plain, withMark;
    korim_test::captureStderr([&] { plain = r.read(r.file.c_str()); });
    korim_test::captureStderr([&] { withMark = r.read(marked.c_str()); });
    EXPECT_EQ(plain.substr(0, 2), "0 ") << r.file << ": " << plain;
    EXPECT_EQ(withMark, plain) << r.file;
  }
}

TEST(LineEnds, EveryReaderTakesCrAndCrLfAsLfAndRefusesANulByteAtItsLine) {
  korim_test::TempDir dir;
  // Each line end of the file replaced, or a NUL byte put into its third line.
  const auto withEnds = [](std::string text, const std::string& end) {
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += end.size()) text.replace(at, 1, end);
    return text;
  };
  const auto withNul = [](std::string text) {
    const size_t third = text.find('\n', text.find('\n') + 1) + 1;
    return text.insert(third + 2, 1, '\0');
  };
  for (const Reader& r : readers()) {
    const std::string text = readFile(r.file);
    std::string plain;
    korim_test::captureStderr([&] { plain = r.read(r.file.c_str()); });
    EXPECT_EQ(plain.substr(0, 2), "0 ") << r.file << ": " << plain;
    for (const std::string end : {"\r", "\r\n"}) {
      const std::string copy = korim_test::writeFile(dir / "ends", withEnds(text, end));
      std::string got;
      const std::string err = korim_test::captureStderr([&] { got = r.read(copy.c_str()); });
      EXPECT_EQ(got, plain) << r.file << (end == "\r" ? " with CR: " : " with CR LF: ") << err;
    }
    const std::string binary = korim_test::writeFile(dir / "nul", withNul(text));
    std::string got;
    const std::string err = korim_test::captureStderr([&] { got = r.read(binary.c_str()); });
    EXPECT_EQ(got.substr(0, got.find(' ')), "1") << r.file << " with a NUL byte: " << got;
    const std::string shown = r.fromStdin ? "(stdin)" : binary;
    if (!r.name.empty()) {
      EXPECT_NE(err.find(r.name + " Error: line 3 of " + shown + " holds a NUL byte; a text file was expected.\n"),
                std::string::npos)
          << r.file << ": " << err;
    }
  }
}
