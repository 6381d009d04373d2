// Text files that begin with a UTF-8 byte-order mark, as some editors write them: a reader of each
// way of opening a file (the structure's, the table's two passes, the configuration's, a text's)
// takes such a copy of a real file exactly as the file itself.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/korim_utils_read.h"
#include "couplings/dc.h"
#include "foundation/rdtext.h"
#include "settings/settings_null.h"
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

}  // namespace

TEST(ByteOrderMark, EveryReaderTakesAMarkedCopyAsTheFileItself) {
  korim_test::TempDir dir;
  int n = 0;
  const std::pair<std::string, std::function<std::string(const char*)>> readers[] = {
      {korim_test::kUbiquitinPdb, [&](const char* f) {
         structure::PDBInfo p;
         const int rc = structure::readPDB(f, &p, nullptr, nullptr);
         const structure::AtomInfo& a = p.atomList[0];
         const std::string s = rc != 0 ? said(rc) : said(rc, p.atomCount, a.x, a.y, a.z) + a.atomName;
         structure::pdbFree(&p);
         return s;
       }},
      {korim_test::kUbiquitinCouplings, [&](const char* f) {
         couplings::DTable t;
         couplings::dTabNull(&t);
         const int rc = couplings::readDC(f, &t);
         std::string s = said(rc, t.dCount);
         for (int e = 0; e < t.dCount; e++) s += " " + said(e, t.dObsList[e].d, t.dObsList[e].resIDI);
         couplings::dTabFree(&t);
         return s;
       }},
      {korim_test::examples("ubiquitin_two_domains.inp"), [&](const char* f) {
         settings::KorimInfo k;
         settings::korimInfoNull(&k);
         const settings::GridInfo& g = k.gridInfo;
         const int rc = app::readConfig(f, &k);
         return said(rc, g.startResDom1, g.endResDom1, g.startResDom2, g.endResDom2, g.resDom1Origin);
       }},
      {korim_test::kUbiquitinCouplings, [&](const char* f) {
         char** text = foundation::rdText(f, &n, nullptr);
         const std::string s = said(text == nullptr, n) + (n > 0 ? text[0] : "");
         foundation::freeText(text);
         return s;
       }},
  };
  for (const auto& [file, read] : readers) {
    const std::string marked = korim_test::writeFile(dir / "marked", "\xEF\xBB\xBF" + readFile(file));
    std::string plain, withMark;
    korim_test::captureStderr([&] { plain = read(file.c_str()); });
    korim_test::captureStderr([&] { withMark = read(marked.c_str()); });
    EXPECT_EQ(plain.substr(0, 2), "0 ") << file << ": " << plain;
    EXPECT_EQ(withMark, plain) << file;
  }
}
