// Charge set-up: partial charges on the selected atoms from a pKa file, default pKa rules or a force-field set.
#include "charges/korim_charge_setup.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "charges/toppar_sets.h"
#include "foundation/appendf.h"
#include "foundation/inputfile.h"
#include "foundation/numberword.h"
#include "foundation/outputfile.h"
#include "foundation/textstream.h"
#include "foundation/token.h"
#include "foundation/valuecomment.h"

namespace korim::charges {

using structure::AtomInfo;
using structure::PDBInfo;

namespace {

// pKa values of the default rules for the termini and the phosphates.
constexpr float kPkaNTerm = 7.9f;
constexpr float kPkaCTerm = 3.0f;
constexpr float kPkaPhosphate = 6.8f;

// Titratable side groups: residue, the atom that carries the group's charge
// or the pair that shares it half and half, basic or acidic, and the pKa of
// the default rules.
struct SideGroup {
  const char* resName;
  const char* first;
  const char* second;  // nullptr: one atom
  bool basic;
  float pKa;
};
constexpr SideGroup kSideGroups[] = {
    {"ARG", "NH1", "NH2", true, 12.0f},  {"LYS", "NZ", nullptr, true, 11.5f},  {"HIS", "ND1", "NE2", true, 5.8f},
    {"TYR", "OH", nullptr, false, 10.2f}, {"GLU", "OE1", "OE2", false, 4.5f}, {"ASP", "OD1", "OD2", false, 4.5f},
};

// Residue names whose phosphate oxygens take the phosphate charge: the older names, and those
// PDB files give nucleotides since 2007 (DA to DU for DNA; A, C, G, U for RNA are among both).
constexpr const char* kNucleotideNames[] = {"ADE", "GUA", "CYT", "THY", "A",   "G",   "C",   "U",
                                            "2MG", "H2U", "M2G", "OMC", "OMG", "YG",  "PSU", "5MC",
                                            "5MU", "1MA", "7MG", "DA",  "DC",  "DG",  "DT",  "DU"};

// The amino acids without a titratable group, which the default rules leave uncharged by design.
constexpr const char* kNeutralAminoAcids[] = {"ALA", "ASN", "CYS", "GLN", "GLY", "ILE", "LEU",
                                              "MET", "PHE", "PRO", "SER", "THR", "TRP", "VAL"};

// Water under the names structure files and simulation packages give it: neutral, and left
// uncharged by design by every source (set A charges its own TIP3 block).
constexpr const char* kWaterNames[] = {"HOH", "WAT", "H2O", "DOD", "TIP3", "SOL"};

// Residue names a message of unnamed residues lists before it counts the rest.
constexpr int kListedResidueNames = 12;

// The two non-bridging phosphate oxygens, by their older names (O1P, O2P) and those of PDB files
// since 2007 (OP1, OP2).
constexpr const char* kPhosphateOxygens[] = {"O1P", "O2P", "OP1", "OP2"};

// One pKa-file line is read through a buffer of this size, so a longer line
// arrives in pieces that are parsed one by one.
constexpr int kLineBuffer = 100;

// Names the capacity in charges (a pKa-file line may place two), and the charges the structure
// needs when they are known and more.
void capacityMessage(int needed = 0) {
  if (needed > kChargeCapacity)
    std::fprintf(stderr,
                 "chargeSetup Error: too many charges; the structure needs %d, and the charge arrays "
                 "hold at most %d.\n",
                 needed, kChargeCapacity);
  else
    std::fprintf(stderr, "chargeSetup Error: too many charges; the charge arrays hold at most %d.\n",
                 kChargeCapacity);
}

// Result of the per-atom sources when the arrays are full while atoms remain.
constexpr int kArraysFull = 2;

void chargeMessage(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

using foundation::FilePtr;

// Compares a 16-byte name field of a record with a text, whole and exactly,
// never reading past the field.
bool sameName(const char (&field)[structure::PDB_NAME_LEN], const char* text) {
  const std::size_t n = strnlen(field, sizeof field);
  return std::strlen(text) == n && std::memcmp(field, text, n) == 0;
}

const SideGroup* sideGroupOf(const AtomInfo& atom) {
  for (const SideGroup& g : kSideGroups) {
    if (sameName(atom.resName, g.resName)) return &g;
  }
  return nullptr;
}

// 1 or 2: the atom is the group's first- or second-named atom; 0: neither.
int groupAtom(const SideGroup& g, const AtomInfo& atom) {
  if (sameName(atom.atomName, g.first)) return 1;
  return g.second != nullptr && sameName(atom.atomName, g.second) ? 2 : 0;
}

bool isEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

// Fraction deprotonated of a group of pKa p at the run's pH: x = e^(pH - p),
// f = x / (1 + x), in single precision with the natural exponential. Where x
// overflows the group is fully deprotonated (f = 1) instead of inf/inf.
float protonationFraction(float pH, float pKa) {
  const float x = std::exp(pH - pKa);
  if (std::isinf(x)) return 1.0f;
  return x / (1.0f + x);
}

// The charge arrays being filled, and the listing.
struct Slots {
  int* atomID;
  float* charge;
  int count;
  std::FILE* listing;  // nullptr: no listing
  bool countOnly = false;  // counts the charges, stores and lists none, has no limit
};

// Stores one charged atom in the next slot; false (after a message naming
// the limit) when the arrays are full.
bool takeSlot(Slots& s, int atomIndex, float charge) {
  if (s.countOnly) {
    ++s.count;
    return true;
  }
  if (s.count >= kMaxChargeSlot) {
    chargeMessage("chargeSetup Error: more than %d charges do not fit the charge arrays.\n",
                  kMaxChargeSlot);
    return false;
  }
  ++s.count;
  s.atomID[s.count] = atomIndex;
  s.charge[s.count] = charge;
  return true;
}

void listRow(const Slots& s, int resID, const char* name, float charge) {
  if (s.listing != nullptr) std::fprintf(s.listing, "%d\t%s\t%s\t%.3f\n", resID, name, "charge", charge);
}

// Capacity rule of the per-atom sources: full while atoms remain is a failure.
bool capacityExceeded(const Slots& s, int atomIndex, int atomCount) {
  return !s.countOnly && atomIndex + 1 < atomCount && s.count >= kChargeCapacity;
}

// ---------------------------------------------------------------- pKa file

struct PkaLine {
  int resID;
  char atomField[kLineBuffer];
  char kindField[kLineBuffer];
  float value;
};

// What each line of a pKa file must hold, for the messages that refuse one.
constexpr const char* kPkaLine =
    " (each line of a pKa file holds a residue number, an atom name or default or terminus, charge or pKa, "
    "and the value, as \"68 default charge 1.0\")";

// Reads the residue number, the atom field, the kind and the value of one line, each
// word wholly one item; text after them is a comment that may not begin with a number, and a
// charge lies within kMaxLineCharge. Empty when the line is read, otherwise what is wrong with
// it, for the refusal.
std::string parsePkaLine(const char* line, PkaLine* out) {
  const char* starts[4] = {};
  int lengths[4] = {};
  if (foundation::tokenSpans(line, starts, lengths, 4) < 4)
    return std::string("holds fewer than four items") + kPkaLine;
  const auto word = [&](int k) { return std::string_view(starts[k], static_cast<std::size_t>(lengths[k])); };
  const auto refused = [&](const char* what, int k, bool integer, foundation::NumberWord got) {
    return std::string("holds the ") + what + " " + foundation::shownLine(std::string(word(k)).c_str()) +
           ", where " + foundation::numberExpected(integer, got) + " is expected" + kPkaLine;
  };
  if (const auto got = foundation::integerWord(word(0), &out->resID); got != foundation::NumberWord::number)
    return refused("residue number", 0, true, got);
  char* fields[2] = {out->atomField, out->kindField};
  for (int k = 0; k < 2; ++k) {
    const auto n = static_cast<std::size_t>(lengths[k + 1]);
    if (n >= sizeof out->atomField)
      return "holds a name of more than " + std::to_string(sizeof out->atomField - 1) + " characters" + kPkaLine;
    std::memcpy(fields[k], starts[k + 1], n);
    fields[k][n] = '\0';
  }
  // The kind is one of two exact words: a misspelt one ("pka", "PKA") would place its pKa as a charge.
  if (std::strcmp(out->kindField, "pKa") != 0 && std::strcmp(out->kindField, "charge") != 0)
    return "holds the kind " + foundation::shownLine(out->kindField) +
           ", where pKa (the value is a pKa) or charge (the value is a charge in e) is expected" + kPkaLine;
  if (const auto got = foundation::realWord(word(3), &out->value); got != foundation::NumberWord::number)
    return refused("value", 3, false, got);
  if (const std::string next = foundation::numberAfterValues(line, 4); !next.empty())
    return "holds " + foundation::numberAfterValueText(word(3), next) + kPkaLine;
  if (std::strcmp(out->kindField, "pKa") != 0 && !(std::fabs(out->value) <= kMaxLineCharge)) {
    char bound[16];
    std::snprintf(bound, sizeof bound, "%g", static_cast<double>(kMaxLineCharge));
    return "holds the charge " + foundation::shownLine(std::string(word(3)).c_str()) + ", where a charge from -" +
           bound + " to " + bound + " e is expected (no atom of a molecule carries more)" + kPkaLine;
  }
  return {};
}

// The line of the pKa file that filled each slot, and the warning for an atom charged again.
struct SlotLines {
  int lineOf[kChargeArraySize] = {};

  // Slots from..s.count were filled by line lineNo: each atom an earlier line charged too is named.
  void note(const Slots& s, int from, int lineNo, const PDBInfo& pdb, const char* inName) {
    for (int k = from; k <= s.count; ++k) {
      lineOf[k] = lineNo;
      int before = 0;  // the last earlier line that charged the atom
      float total = 0.0f;
      for (int j = 1; j <= s.count; ++j) {
        if (s.atomID[j] != s.atomID[k]) continue;
        total += s.charge[j];
        if (j < from) before = lineOf[j];
      }
      if (before == 0) continue;
      const AtomInfo& atom = pdb.atomList[s.atomID[k]];
      chargeMessage("chargeSetup Warning: line %d of %s charges atom %.*s of residue %d %.*s, which line %d "
                    "charged already; the atom takes the charge of each line, %.3f e in all.\n",
                    lineNo, inName, static_cast<int>(strnlen(atom.atomName, sizeof atom.atomName)), atom.atomName,
                    atom.resID, static_cast<int>(strnlen(atom.resName, sizeof atom.resName)), atom.resName, before,
                    static_cast<double>(total));
    }
  }
};

// Outcome of applying one pKa line to one atom.
enum class Hit { none, charged, completed };

// The rule of a pKa line for one atom of its residue: which atoms the line
// charges and with what. isPka: the value is a pKa (else a charge); f: the
// deprotonated fraction at the run's pH.
Hit pkaLineRule(const PkaLine& line, const AtomInfo& atom, const PDBInfo& pdb, bool isPka, float f,
                float* charge) {
  const float v = line.value;
  const float basic = isPka ? 1.0f - f : v;
  const float acidic = isPka ? -f : v;
  const char* field = line.atomField;

  if (std::strcmp(field, "terminus") == 0) {
    if (atom.resID == pdb.minResID && sameName(atom.atomName, "N")) {
      *charge = basic;
      return Hit::completed;
    }
    if (atom.resID == pdb.maxResID) {
      if (sameName(atom.atomName, "OT1") || sameName(atom.atomName, "O")) {
        *charge = acidic / 2.0f;
        return Hit::charged;
      }
      if (sameName(atom.atomName, "OT2") || sameName(atom.atomName, "OXT")) {
        *charge = acidic / 2.0f;
        return Hit::completed;
      }
    }
    return Hit::none;
  }

  const bool isDefault = std::strcmp(field, "default") == 0;
  const SideGroup* g = sideGroupOf(atom);
  if (g == nullptr || !isDefault) {
    // A named atom: the group's whole charge, acidic outside the titratable
    // residues; "default" names no atom outside them.
    if (isDefault || !sameName(atom.atomName, field)) return Hit::none;
    *charge = g != nullptr && g->basic ? basic : acidic;
    return Hit::completed;
  }
  // "default": the group's atom, or its pair, where the first-named atom lets
  // the scan go on and the second completes the line.
  const int which = groupAtom(*g, atom);
  if (which == 0) return Hit::none;
  const bool pair = g->second != nullptr;
  const float whole = g->basic ? basic : acidic;
  *charge = pair ? whole / 2.0f : whole;
  return pair && which == 1 ? Hit::charged : Hit::completed;
}

int pkaFileCharges(const char* inName, const PDBInfo& pdb, float pH, Slots& s, int* res1, int* resN) {
  FilePtr in(foundation::openText(inName));
  if (!in) {
    chargeMessage("chargeSetup File open error: %s: %s.\n", inName, std::strerror(errno));
    return 1;
  }
  char buffer[kLineBuffer];
  int lineNo = 0;
  SlotLines lines;
  while (foundation::readLine(buffer, sizeof buffer, in.get()) != nullptr) {
    ++lineNo;  // readLine hands out whole lines only
    PkaLine line{};
    if (const std::string why = parsePkaLine(buffer, &line); !why.empty()) {
      foundation::lineRefusal("chargeSetup", inName, lineNo, buffer, why);
      return 1;
    }
    if (line.resID < *res1) *res1 = line.resID;
    if (line.resID > *resN) *resN = line.resID;
    const bool isPka = std::strcmp(line.kindField, "pKa") == 0;
    const float f = protonationFraction(pH, line.value);
    const int firstSlot = s.count + 1;

    bool completed = false;
    for (int i = 0; i < pdb.atomCount && !completed; ++i) {
      const AtomInfo& atom = pdb.atomList[i];
      if (atom.selected == 0 || atom.resID != line.resID) continue;
      float charge = 0.0f;
      const Hit hit = pkaLineRule(line, atom, pdb, isPka, f, &charge);
      if (hit == Hit::none) continue;
      if (!takeSlot(s, i, charge)) return 1;
      completed = hit == Hit::completed;
    }
    lines.note(s, firstSlot, lineNo, pdb, inName);
    if (!completed) {
      chargeMessage("WARNING:   There is no residue %d or the proper atom in the given PDB file! (line %d of %s)\n",
                    line.resID, lineNo, inName);
    }
    if (s.count >= kChargeCapacity) {
      capacityMessage();
      return 1;
    }
  }
  // A read that failed (a directory, an I/O error, a binary file, a line too long) is not an
  // empty file: no charges from it.
  if (foundation::readFailed(in.get(), "chargeSetup", inName)) return 1;
  // An empty file would place no charge at all, as if the molecule carried none.
  if (lineNo == 0) {
    foundation::emptyFileRefusal("chargeSetup", inName, "line", kPkaLine);
    return 1;
  }
  return 0;
}

// ------------------------------------------------------- default pKa rules

// Charges of a titratable group collected until its listing row is written.
struct Accumulator {
  int count = 0;
  float sum = 0.0f;
  void add(float q) {
    ++count;
    sum += q;
  }
};

bool isPhosphateOxygen(const AtomInfo& atom) {
  for (const char* name : kPhosphateOxygens) {
    if (sameName(atom.atomName, name)) return true;
  }
  return false;
}

bool isNucleotide(const AtomInfo& atom) {
  for (const char* name : kNucleotideNames) {
    if (sameName(atom.resName, name)) return true;
  }
  return false;
}

int defaultRuleCharges(const PDBInfo& pdb, const settings::ElInfo& el, Slots& s) {
  const float pH = el.pH;
  Accumulator acc;
  for (int i = 0; i < pdb.atomCount; ++i) {
    const AtomInfo& atom = pdb.atomList[i];
    if (atom.selected == 0) continue;

    if (atom.resID == pdb.minResID && el.chTerminiFlag != 0) {
      if (sameName(atom.atomName, "N")) {
        const float q = 1.0f - protonationFraction(pH, kPkaNTerm);
        if (!takeSlot(s, i, q)) return 1;
        acc.add(q);
      }
      if (acc.count > 0) {
        listRow(s, atom.resID, "terminus", acc.sum);
        acc = Accumulator{};
      }
    }

    if (atom.resID == pdb.maxResID && el.chTerminiFlag != 0) {
      if (sameName(atom.atomName, "OT1") || sameName(atom.atomName, "OT2") || sameName(atom.atomName, "O") ||
          sameName(atom.atomName, "OXT")) {
        const float q = -protonationFraction(pH, kPkaCTerm) / 2.0f;
        if (!takeSlot(s, i, q)) return 1;
        listRow(s, atom.resID, atom.atomName, q);
      }
    }

    const SideGroup* g = sideGroupOf(atom);
    if (g != nullptr && groupAtom(*g, atom) != 0) {
      // A pair shares the group's charge; its row is listed once both are in.
      const float share = g->second != nullptr ? 0.5f : 1.0f;
      const float f = protonationFraction(pH, g->pKa);
      const float q = g->basic ? (1.0f - f) * share : -f * share;
      if (!takeSlot(s, i, q)) return 1;
      acc.add(q);
      if (acc.count >= (g->second != nullptr ? 2 : 1)) {
        listRow(s, atom.resID, "default", acc.sum);
        acc = Accumulator{};
      }
    }

    if (isNucleotide(atom) && isPhosphateOxygen(atom)) {
      // Each phosphate oxygen carries the whole fraction.
      const float q = -protonationFraction(pH, kPkaPhosphate);
      if (!takeSlot(s, i, q)) return 1;
      acc.add(q);
      listRow(s, atom.resID, "default", acc.sum);
      acc = Accumulator{};
    }

    if (capacityExceeded(s, i, pdb.atomCount)) return kArraysFull;
  }
  return 0;
}

// ------------------------------------------------------- force-field sets

// Tests rows[0 .. n) against the atom name (skipping a group when asked);
// every match is listed and its charge stands, the last one winning.
void matchRows(const ChargeRow* rows, int n, const AtomInfo& atom, int skipN, int skipC, const Slots& s,
               bool* matched, float* charge) {
  for (int r = 0; r < n; ++r) {
    const ChargeRow& row = rows[r];
    if ((skipN != 0 && row.group == kNSide) || (skipC != 0 && row.group == kCSide)) continue;
    if (!sameName(atom.atomName, row.atomName)) continue;
    listRow(s, atom.resID, row.atomName, row.charge);
    *charge = row.charge;
    *matched = true;
  }
}

int forceFieldCharges(const ChargeSet& set, const PDBInfo& pdb, const settings::ElInfo& el, Slots& s) {
  int selected = 0;
  int uncharged = 0;  // selected atoms whose names the set does not know
  for (int i = 0; i < pdb.atomCount; ++i) {
    const AtomInfo& atom = pdb.atomList[i];
    if (atom.selected == 0) continue;
    const int first = atom.resID == pdb.minResID && el.chTerminiFlag != 0;
    const int last = atom.resID == pdb.maxResID && el.chTerminiFlag != 0;
    bool matched = false;
    float charge = 0.0f;
    if (first) matchRows(set.nTermRows, set.nTermCount, atom, 0, 0, s, &matched, &charge);
    if (last) matchRows(set.cTermRows, set.cTermCount, atom, 0, 0, s, &matched, &charge);
    char resName[structure::PDB_NAME_LEN + 1] = {};
    std::memcpy(resName, atom.resName, strnlen(atom.resName, sizeof atom.resName));
    const ChargeBlock* block = findChargeBlock(&set, resName);
    if (block != nullptr) matchRows(block->rows, block->rowCount, atom, first, last, s, &matched, &charge);
    selected++;
    if (matched && (block != nullptr || set.slotNeedsBlock == 0)) {
      if (!takeSlot(s, i, charge)) return 1;
    } else {
      uncharged++;
    }
    if (capacityExceeded(s, i, pdb.atomCount)) return kArraysFull;
  }
  if (uncharged > 0 && !s.countOnly)
    chargeMessage("WARNING: %d of %d selected atoms got no charge: their residue or atom names are "
                  "not in the force-field table.\n",
                  uncharged, selected);
  return 0;
}

// ------------------------------------------- residues no charge rule names

template <std::size_t N>
bool nameInList(const char (&field)[structure::PDB_NAME_LEN], const char* const (&names)[N]) {
  for (const char* name : names) {
    if (sameName(field, name)) return true;
  }
  return false;
}

// Whether the rules of the source name the atom's residue: they charge it or leave it uncharged
// by design (water everywhere; the amino acids without a titratable group under the default
// rules). A force-field set names the residues of its blocks; the default rules, and a pKa file,
// whose lines are read against the default rules' groups, the groups, nucleotides and neutral
// amino acids of the default rules.
bool rulesName(ChargeSource source, const AtomInfo& atom) {
  if (nameInList(atom.resName, kWaterNames)) return true;
  if (source == ChargeSource::setA || source == ChargeSource::setB || source == ChargeSource::setC) {
    char resName[structure::PDB_NAME_LEN + 1] = {};
    std::memcpy(resName, atom.resName, strnlen(atom.resName, sizeof atom.resName));
    const ChargeSet& set = source == ChargeSource::setA   ? kChargeSetA
                           : source == ChargeSource::setB ? kChargeSetB
                                                          : kChargeSetC;
    return findChargeBlock(&set, resName) != nullptr;
  }
  return sideGroupOf(atom) != nullptr || isNucleotide(atom) || nameInList(atom.resName, kNeutralAminoAcids);
}

// One residue of the structure: number, insertion code, chain, segment and name.
std::string residueKey(const AtomInfo& atom) {
  std::string key = std::to_string(atom.resID);
  for (const auto* field : {&atom.icode, &atom.chainID, &atom.segID, &atom.resName})
    key.append(*field, strnlen(*field, sizeof *field)).push_back('\x1f');
  return key;
}

// Names in one line the residues of the structure (those with a selected atom) that the source's
// rules do not name, by residue name and count: they take no charge, and the summary's count does
// not say why. Under a pKa file a residue that one of its lines charges is named by it. No charge
// is placed on them: what a group of an unknown residue carries is not guessed.
void reportUnnamedResidues(ChargeSource source, const PDBInfo& pdb, const Slots& s, const settings::ElInfo& el,
                           const char* inName) {
  std::set<std::string> charged;  // residues a pKa-file line charges
  if (source == ChargeSource::pkaFile)
    for (int k = 1; k <= s.count; ++k) charged.insert(residueKey(pdb.atomList[s.atomID[k]]));
  std::set<std::string> seen;
  std::vector<std::pair<std::string, int>> byName;  // in the order of their first residue
  int residues = 0;
  const AtomInfo* previous = nullptr;  // the last selected atom, and whether the rules name its residue
  bool previousNamed = false;
  for (int i = 0; i < pdb.atomCount; ++i) {
    const AtomInfo& atom = pdb.atomList[i];
    if (atom.selected == 0) continue;
    // Atoms of one residue follow one another: a name is looked up once for a run of them.
    if (previous == nullptr || std::strncmp(previous->resName, atom.resName, sizeof atom.resName) != 0)
      previousNamed = rulesName(source, atom);
    previous = &atom;
    if (previousNamed) continue;
    const std::string key = residueKey(atom);
    if (charged.count(key) != 0 || !seen.insert(key).second) continue;
    ++residues;
    const std::string name(atom.resName, strnlen(atom.resName, sizeof atom.resName));
    auto it = std::find_if(byName.begin(), byName.end(), [&](const auto& n) { return n.first == name; });
    if (it == byName.end())
      byName.emplace_back(name, 1);
    else
      ++it->second;
  }
  if (residues == 0) return;
  std::vector<std::string> items;
  for (std::size_t k = 0; k < byName.size(); ++k) {
    if (k == kListedResidueNames) {
      items.push_back(std::to_string(byName.size() - k) + " more names");
      break;
    }
    items.push_back((byName[k].first.empty() ? std::string("(blank)") : byName[k].first) + " " +
                    std::to_string(byName[k].second));
  }
  const std::string listed = foundation::listedItems(items);
  const char* they = residues == 1 ? "it carries" : "they carry";
  const char* plural = residues == 1 ? "" : "s";
  const char* their = residues == 1 ? "its" : "their";
  // A pKa file is read, and a listing written, only where the electrostatics are on.
  const char* withEl = el.elFlag != 0 ? "" : " with -el";
  if (source == ChargeSource::pkaFile) {
    chargeMessage("chargeSetup Warning: no line of %s charges %d residue%s of the structure that no charge rule "
                  "names (%s), so %s no charge; a line for each of %s atoms charges it.\n",
                  inName, residues, plural, listed.c_str(), they, their);
  } else {
    chargeMessage("chargeSetup Warning: no charge rule names %d residue%s of the structure (%s), so %s no charge; "
                  "a pKa file (-pka%s) charges %s atoms, a line each, and -outPka%s writes this run's charges as "
                  "such a file.\n",
                  residues, plural, listed.c_str(), they, withEl, their, withEl);
  }
}

// The two CHARMM22 tables cover neutral and acidic pH only; say so rather than let the run look
// as if charges had been placed.
void warnNoCharmm22Table(const char* inName, const settings::ElInfo& el) {
  if (isEmpty(inName) && el.pkaFlag != 0 && el.charmm == 2 && chargeSource(inName, el) == ChargeSource::none)
    chargeMessage("WARNING: no CHARMM22 charge table for pH %.2f (tables for pH 6.0 to 7.0 and pH 4.0 or below);"
                  " no charges placed.\n",
                  static_cast<double>(el.pH));
}

}  // namespace

ChargeSource chargeSource(const char* inName, const settings::ElInfo& el) {
  const bool haveFile = !isEmpty(inName);
  if (el.elFlag != 0 && haveFile) return ChargeSource::pkaFile;
  if (el.elFlag != 0 && !haveFile && el.pkaFlag != 0 && el.charmm == 0) return ChargeSource::defaultRules;
  if (el.pkaFlag == 0 || haveFile) return ChargeSource::none;
  if (el.charmm == 1) return ChargeSource::setA;
  if (el.charmm == 2 && el.pH >= 6.0f && el.pH <= 7.0f) return ChargeSource::setB;
  if (el.charmm == 2 && el.pH <= 4.0f) return ChargeSource::setC;
  return ChargeSource::none;
}

int chargeSetup(const char* inName, const PDBInfo* pdbInfo, const settings::KorimInfo* korimInfo, int* chCount,
                float* chSum, int* chargeAtomID, float* charges, const char* outName) {
  if (pdbInfo == nullptr || korimInfo == nullptr || chCount == nullptr || chSum == nullptr ||
      chargeAtomID == nullptr || charges == nullptr || (pdbInfo->atomCount > 0 && pdbInfo->atomList == nullptr)) {
    chargeMessage("chargeSetup Error: missing structure, settings or charge arrays.\n");
    return 1;
  }
  const settings::ElInfo& el = korimInfo->elInfo;
  const PDBInfo& pdb = *pdbInfo;

  FilePtr listing;
  if (!isEmpty(outName)) {
    listing.reset(foundation::openOutput(outName, "w", "KORIM Error opening file for pka output %s: %s\n"));
    if (!listing) return 1;
  }
  Slots s{chargeAtomID, charges, 0, listing.get()};

  const ChargeSource source = chargeSource(inName, el);
  warnNoCharmm22Table(inName, el);
  // Range reported by the per-atom sources: the structure's residue range.
  int res1 = 999;
  int resN = -1;
  if (source != ChargeSource::pkaFile && pdb.atomCount > 0) {
    res1 = pdb.minResID;
    resN = pdb.maxResID;
  }

  if (source == ChargeSource::none) {
    *chCount = 0;
    *chSum = 0.0f;
    return 0;
  }
  // The per-atom sources: the default rules or one force-field set.
  auto perAtom = [&](Slots& slots) {
    switch (source) {
      case ChargeSource::defaultRules:
        return defaultRuleCharges(pdb, el, slots);
      case ChargeSource::setA:
        return forceFieldCharges(kChargeSetA, pdb, el, slots);
      case ChargeSource::setB:
        return forceFieldCharges(kChargeSetB, pdb, el, slots);
      default:
        return forceFieldCharges(kChargeSetC, pdb, el, slots);
    }
  };
  const int status = source == ChargeSource::pkaFile ? pkaFileCharges(inName, pdb, el.pH, s, &res1, &resN)
                                                     : perAtom(s);
  if (status == kArraysFull) {
    // The same rules once more, counting only: the message names what the structure needs.
    Slots counted{nullptr, nullptr, 0, nullptr, true};
    perAtom(counted);
    capacityMessage(counted.count);
    return 1;
  }
  if (status != 0) return status;
  // A listing cut short (full disk, bad device) must not pass for a complete one: the shared
  // closer names the reason and takes back a file this run wrote.
  if (listing && foundation::closeOutput(listing.release(), outName, "KORIM Error writing pka output %s: %s\n") != 0)
    return 1;

  // Multipole scaling by fixed slot numbers: monopole 1, quadrupole 2-8, dipole 9-10.
  if (el.kMonoCh != 1.0f || el.kDipoCh != 1.0f || el.kQuadCh != 1.0f) {
    charges[1] *= el.kMonoCh;
    for (int k = 2; k <= 8; ++k) charges[k] *= el.kQuadCh;
    charges[9] *= el.kDipoCh;
    charges[10] *= el.kDipoCh;
  }
  float net = 0.0f;
  for (int k = 1; k <= s.count; ++k) net += charges[k];

  const double netOut = static_cast<double>(net);
  if (source == ChargeSource::pkaFile) {
    chargeMessage("REMARK %s, %d Charges/pka Values, Net Charge %.3f Residues %d to %d.\n", inName, s.count, netOut,
                  res1, resN);
  } else if (source == ChargeSource::defaultRules) {
    chargeMessage("pka Default Values, %d Charges/pka Values, Net charge %.3f   Residues %d to %d.\n", s.count,
                  netOut, res1, resN);
  } else {
    chargeMessage("pka Default Values, %d Charges/pka Values  Net Charge %.3f, Residues %d to %d.\n", s.count, netOut,
                  res1, resN);
  }
  reportUnnamedResidues(source, pdb, s, el, inName);
  *chCount = s.count;
  *chSum = net;
  return 0;
}

}  // namespace korim::charges
