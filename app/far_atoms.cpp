// The atoms of a structure that lie beyond a distance from a centre, named with their file lines.
#include "app/far_atoms.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace korim::app {

namespace {

// The atoms named one by one; the rest are counted.
constexpr int kNamedAtoms = 3;

// The trimmed text of columns first to last (1-based) of a record line.
std::string field(const std::string& line, size_t first, size_t last) {
  if (line.size() < first) return "";
  std::string f = line.substr(first - 1, last - first + 1);
  const size_t a = f.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  return f.substr(a, f.find_last_not_of(" \r\n") - a + 1);
}

// The line of fileName holding the atom record of a (serial, name and residue number as read),
// or 0 when none does.
int recordLine(const char* fileName, const structure::AtomInfo& a) {
  FILE* f = std::fopen(fileName, "r");
  if (f == nullptr) return 0;
  char buf[512];
  int lineNo = 0, found = 0;
  std::string line;
  while (found == 0 && std::fgets(buf, sizeof buf, f) != nullptr) {
    line += buf;
    if (line.back() != '\n' && !std::feof(f)) continue;  // the rest of a long line follows
    lineNo++;
    if ((line.rfind("ATOM", 0) == 0 || line.rfind("HETATM", 0) == 0) &&
        field(line, 7, 11) == std::to_string(a.atomID) && field(line, 13, 16) == a.atomName &&
        field(line, 23, 26) == std::to_string(a.resID))
      found = lineNo;
    line.clear();
  }
  std::fclose(f);
  return found;
}

}  // namespace

void nameFarAtoms(const structure::PDBInfo* pdbInfo, const char* fileName, const double centre[3], double limit) {
  if (pdbInfo == nullptr || pdbInfo->atomList == nullptr) return;
  std::vector<std::pair<double, int>> far;  // distance, atom index
  double within = 0.0;                      // the largest distance of the others
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    const structure::AtomInfo& a = pdbInfo->atomList[i];
    const double d = std::hypot(a.x - centre[0], a.y - centre[1], a.z - centre[2]);
    if (d > limit)
      far.emplace_back(d, i);
    else
      within = std::max(within, d);
  }
  if (far.empty()) return;
  std::sort(far.begin(), far.end(), [](const auto& p, const auto& q) { return p.first > q.first; });
  for (size_t k = 0; k < far.size() && k < kNamedAtoms; k++) {
    const structure::AtomInfo& a = pdbInfo->atomList[far[k].second];
    const int line = recordLine(fileName, a);
    const std::string where =
        line > 0 ? "line " + std::to_string(line) + " of " + fileName : std::string("of ") + fileName;
    std::fprintf(stderr, "korim: atom %d %s %s %d (%s) lies %.1f Angstrom from the centre of the molecule.\n", a.atomID,
                 a.atomName, a.resName, a.resID, where.c_str(), far[k].first);
  }
  if (far.size() > kNamedAtoms)
    std::fprintf(stderr, "korim: %zu more atoms lie beyond %g Angstrom of it.\n", far.size() - kNamedAtoms, limit);
  if (const int rest = pdbInfo->atomCount - static_cast<int>(far.size()); rest > 0)
    std::fprintf(stderr, "korim: the other %d atom%s within %.1f Angstrom of it.\n", rest,
                 rest == 1 ? " lies" : "s lie", within);
}

}  // namespace korim::app
