// The residues an ensemble configuration names, checked against the structure before the ensemble is built.
#include "app/ensemble_config.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "app/korim_utils_read.h"

namespace korim::app {

using structure::AtomInfo;
using structure::PDBInfo;

namespace {

// The origin residue of a key the configuration does not set: a number no residue has, so the
// ensemble steps find no CA atom for it and leave its shift out.
constexpr int kNoOrigin = INT_MIN;

// One named residue range of the configuration (first == last for an origin).
struct Range {
  const char* firstKey;
  int first;
  const char* lastKey;  // null for a single residue
  int last;
};

std::string named(const Range& r) {
  std::string s = std::string(r.firstKey) + " " + std::to_string(r.first);
  if (r.lastKey != nullptr) s += " .. " + std::string(r.lastKey) + " " + std::to_string(r.last);
  return s;
}

bool inRange(const AtomInfo& a, const Range& r) { return a.resID >= r.first && a.resID <= r.last; }

bool isBackbone(const AtomInfo& a) {
  return std::strcmp(a.atomName, "N") == 0 || std::strcmp(a.atomName, "CA") == 0 || std::strcmp(a.atomName, "C") == 0;
}

struct Checker {
  const PDBInfo* pdb;
  const char* inpName;
  const char* pdbName;

  bool refuse(const Range& r, const std::string& why) const {
    std::fprintf(stderr, "KORIM Error: configuration %s: %s %s.\n", inpName, named(r).c_str(), why.c_str());
    return false;
  }

  std::string structureSpan() const {
    return "the structure " + std::string(pdbName) + " (residues " + std::to_string(pdb->minResID) + " to " +
           std::to_string(pdb->maxResID) + ")";
  }

  // The residue numbers of the range stand in one chain each.
  bool oneChain(const Range& r) const {
    std::map<int, const char*> chainOf;
    for (int i = 0; i < pdb->atomCount; i++) {
      const AtomInfo& a = pdb->atomList[i];
      if (!inRange(a, r)) continue;
      const auto [seen, isNew] = chainOf.emplace(a.resID, a.chainID);
      if (!isNew && std::strcmp(seen->second, a.chainID) != 0)
        return refuse(r, "names residue " + std::to_string(a.resID) + ", which stands in chains '" + seen->second +
                             "' and '" + a.chainID + "' of " + pdbName +
                             "; the configuration names residues by number alone, so each must stand in one chain");
    }
    return true;
  }

  // A range of residues of the structure; domain 1 also leaves backbone atoms outside it.
  bool range(const Range& r, bool domain1) const {
    if (r.first > r.last) return refuse(r, "runs backwards: the first residue lies above the last");
    int inside = 0, outside = 0;
    for (int i = 0; i < pdb->atomCount; i++) {
      const AtomInfo& a = pdb->atomList[i];
      if (domain1 && !isBackbone(a)) continue;
      (inRange(a, r) ? inside : outside)++;
    }
    if (inside == 0)
      return refuse(r, std::string("holds no ") + (domain1 ? "backbone atom (N, CA, C) " : "atom ") + "of " + structureSpan());
    if (domain1 && outside == 0)
      return refuse(r, "leaves no backbone atom of " + structureSpan() + " outside domain 1 to test it against");
    return oneChain(r);
  }

  // An origin: a residue of the structure with a CA atom; one the configuration does not set
  // shifts nothing, which the note says.
  bool origin(const Range& r) const {
    if (r.first == kNoOrigin) {
      std::string key = r.firstKey;
      key.pop_back();  // the colon
      std::fprintf(stderr,
                   "korim: configuration %s sets no %s: no residue's CA atom is moved to the origin for it.\n",
                   inpName, key.c_str());
      return true;
    }
    bool found = false;
    for (int i = 0; i < pdb->atomCount; i++) {
      const AtomInfo& a = pdb->atomList[i];
      if (a.resID != r.first) continue;
      found = true;
      if (std::strcmp(a.atomName, "CA") == 0) return oneChain(r);
    }
    if (!found) return refuse(r, "is no residue of " + structureSpan());
    return refuse(r, "has no CA atom in " + std::string(pdbName) + " to place at the origin");
  }
};

}  // namespace

int checkEnsembleConfig(const PDBInfo* pdb, settings::GridInfo* grid, int keysRead, const char* inpName,
                        const char* pdbName) {
  if (keysRead == 0) {
    if (inpName[0] == '\0')
      std::fprintf(stderr, "KORIM Error: no configuration file given (-inp); the ensemble mode needs its "
                           "domains (START_RESID_1, END_RESID_1, ORIGIN_DOM1, ...).\n");
    else
      std::fprintf(stderr, "KORIM Error: configuration %s sets no key; the ensemble mode needs its domains "
                           "(START_RESID_1, END_RESID_1, ORIGIN_DOM1, ...).\n", inpName);
    return 1;
  }
  for (auto [key, residue] :
       {std::pair{"ORIGIN_DOM1:", &grid->resDom1Origin}, std::pair{"ORIGIN_DOM2:", &grid->resDom2Origin}})
    if (!configKeySet(key)) *residue = kNoOrigin;
  const settings::GridInfo& g = *grid;
  const Checker c{pdb, inpName, pdbName};
  const Range part1{"START_RES_ANGLE_1:", g.startResPart1, "END_RES_ANGLE_1:", g.endResPart1};
  const Range part2{"START_RES_ANGLE_2:", g.startResPart2, "END_RES_ANGLE_2:", g.endResPart2};
  const Range dom1{"START_RESID_1:", g.startResDom1, "END_RESID_1:", g.endResDom1};
  const Range dom2{"START_RESID_2:", g.startResDom2, "END_RESID_2:", g.endResDom2};
  const Range origin1{"ORIGIN_DOM1:", g.resDom1Origin, nullptr, g.resDom1Origin};
  const Range origin2{"ORIGIN_DOM2:", g.resDom2Origin, nullptr, g.resDom2Origin};
  // In the order the steps use them: the start orientation, then the states (OUTPUT_ENSEMBLE 2
  // stops before them, 3 predicts none).
  // The start orientation shifts to the CA of ORIGIN_DOM1 only when the structure has it; the
  // pivot matters once domain 1 is turned about it, which a state listing does not do.
  bool ok = c.range(part1, false) && (g.outEflag == 2 || c.origin(origin1));
  if (ok && g.angleDomFlag) ok = c.origin(origin2) && c.range(dom2, false);
  if (ok && g.outEflag != 2) ok = c.range(dom1, true) && (g.pivotCenter != 0 || c.range(dom2, false));
  if (ok && g.outEflag != 2 && g.outEflag != 3) ok = c.range(part2, false);
  return ok ? 0 : 1;
}

}  // namespace korim::app
