// Every option word korim knows (in any mode), and the check of each command-line word against them.
#include "app/option_words.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "foundation/cmndargs.h"

namespace korim::app {

namespace {

constexpr OptionWord flag(const char* word) { return {word, Takes::Nothing}; }
constexpr OptionWord value(const char* word) { return {word, Takes::Value}; }
constexpr OptionWord list(const char* word) { return {word, Takes::List}; }
constexpr OptionWord optional(const char* word) { return {word, Takes::Optional}; }
constexpr OptionWord input(const char* word) { return {word, Takes::Value, true}; }

// Grouped as getparams reads them: modes, best fit and error estimation, the atom selection and
// tensor readers, output control, files and coupling range, medium, electrostatics, conversion,
// order-matrix comparison, Da and R estimation, assignment lists. input() marks the options that
// name an input file, also those no step of a run reads (-inCS, -ref, -list).
constexpr OptionWord kWords[] = {
    flag("-help"), flag("-stKorim"), flag("-stKorimFree"), flag("-stKorimGrid"),
    flag("-elKorim"), flag("-elKorimFree"), flag("-elKorimGrid"), flag("-bestFit"),
    flag("-csSim"), flag("-daHist"), flag("-daFlex"), flag("-daMl"), flag("-asRan"),
    flag("-anA"), flag("-anDc"), flag("-anPdb"), flag("-conv"), flag("-struc"),

    value("-idum"), flag("-rand"), flag("-exhaust"), flag("-exhaustSel"), flag("-dcOpt"),
    flag("-nodcOpt"), flag("-single"), flag("-jack"), flag("-mcDc"), flag("-mcStruc"),
    value("-map"), value("-outFail"), value("-dFrac"), flag("-nDfixed"), flag("-nonDfixed"),
    flag("-vecNoise"), flag("-angNoise"), value("-stdCone"), flag("-fixCone"),
    flag("-nofixCone"), value("-digCone"), flag("-autoCone"), flag("-noautoCone"),
    value("-nCone"), value("-lCone"), value("-incCone"), flag("-autoMc"), flag("-noautoMc"),
    value("-nAdjustMc"), value("-fracAdjustMc"), value("-kAdjustMc"), value("-kLAdjustMc"),
    value("-incAdjustMc"),

    input("-pdb"), optional("-dbg"), flag("-verb"), flag("-hetatm"), flag("-nohetatm"),
    flag("-protein"), value("-id"), flag("-inv"), value("-res"), value("-r1"), value("-rN"),
    list("-atom"), list("-atomName"), list("-resName"), list("-chain"), list("-seg"),
    flag("-clear"), flag("-set"), flag("-exact"), flag("-regex"), flag("-glob"),
    flag("-aExact"), flag("-aRegex"), flag("-aGlob"), flag("-rExact"), flag("-rRegex"),
    flag("-rGlob"), flag("-cExact"), flag("-cRegex"), flag("-cGlob"), flag("-sExact"),
    flag("-sRegex"), flag("-sGlob"),

    flag("-svd"), list("-saupe"), list("-align"), flag("-fixed"), flag("-nofixed"),
    flag("-dadr"), flag("-euler"), flag("-noeuler"), value("-da"), value("-dr"),
    value("-daMin"), value("-daMax"), value("-drMin"), value("-drMax"), value("-psi"),
    value("-theta"), value("-phi"), value("-psiMin"), value("-psiMax"), value("-thetaMin"),
    value("-thetaMax"), value("-phiMin"), value("-phiMax"),

    flag("-noverb"), flag("-qDa"), flag("-qRms"), flag("-qStd"), flag("-err"),
    flag("-noerr"), list("-w"),

    input("-in"), input("-inD"), value("-out"), value("-outD"), value("-outPka"), value("-dStep"),
    value("-sStep"), value("-d1"), value("-dN"), value("-s1"), value("-sN"), value("-sID"),
    value("-a1"), flag("-excl"), flag("-inc"), flag("-fixedDI"), flag("-nofixedDI"),
    value("-rem"), flag("-yzInv"), flag("-noyzInv"), input("-inp"), value("-outDa"),
    value("-outMap"), value("-outAng"), input("-pot"), input("-pot3D"), input("-pka"),
    input("-inE"), value("-outE"), value("-flex"), value("-dcEns"), value("-ave"), input("-pdbF"),
    value("-pdbRot"), value("-rotID"), value("-outEAx"), value("-aD1"), value("-aD2"),
    input("-inD1"), input("-inD2"), input("-inCS"), value("-outS"), value("-outCS"),
    input("-ref"), value("-path"), input("-list"), value("-sPath"), value("-sList"),
    value("-rList"), value("-csThresh"), value("-vcThresh"), flag("-fit"), flag("-nofit"),

    flag("-bic"), flag("-pf1"), flag("-3D"), value("-wv"), value("-vol"), value("-mwLC"),
    value("-massLC"), value("-unitLC"), value("-polyLC"), value("-dot"), value("-digPsi"),
    value("-dGrid"), value("-dX"), value("-dY"), value("-dZ"), value("-nX"), value("-nY"),
    value("-nZ"), value("-maxPot"), value("-z1"), value("-zN"), value("-rM"), value("-lcS"),
    flag("-H"), flag("-noH"), flag("-surf"), flag("-nosurf"), value("-rA"), value("-rim"),
    value("-pRatio"), value("-lM"), value("-rimDisc"),

    value("-pH"), value("-nacl"), value("-chSurf"), value("-dIFace"), list("-cut"),
    flag("-elInfo"), flag("-noelInfo"), flag("-dipole"), flag("-nodipole"),
    flag("-chSel"), flag("-nochSel"), flag("-pkaDef"), flag("-nopkaDef"),
    flag("-charmm"), flag("-charmm22"), flag("-nocharmm"), flag("-chTerm"),
    flag("-nochTerm"), value("-kEne"), value("-kPot"), value("-kMono"), value("-kDipo"),
    value("-kQuad"), value("-temp"), value("-kAtt"), value("-pow"),

    flag("-dcHH"), flag("-nodcHH"), flag("-scale"), flag("-unscale"), flag("-xplor"),
    flag("-cns"), flag("-tbl"), flag("-dyana"), flag("-korim"), flag("-rosetta"),
    flag("-dcNoise"), value("-tensID"),

    list("-inS1"), list("-inS2"), list("-hinge"), list("-twist"), value("-outA"),
    flag("-add"), flag("-sub"), flag("-mul"), flag("-div"), flag("-max"), value("-c1"),
    value("-c2"), value("-outP"), list("-inS"), flag("-user"), flag("-ster"), flag("-el"),

    flag("-noave"), value("-bin"), value("-nFit"), value("-sdevDzz"), value("-sdevDyy"),
    value("-daLo"), value("-daHi"), value("-rhLo"), value("-rhHi"), value("-nSel"),
    value("-nRun"), value("-outCol"), value("-outSc"), value("-lDa"), value("-hDa"),
    value("-incDa"), value("-lR"), value("-hR"), value("-incR"), flag("-nomapMl"),
    flag("-mapMl"),

    list("-fixAa"), list("-fixRes"), list("-dcID"),
};

const OptionWord* find(const char* w) {
  if (w == nullptr) return nullptr;
  for (const OptionWord& o : kWords)
    if (std::strcmp(o.word, w) == 0) return &o;
  return nullptr;
}

// True when b is a with one character inserted, deleted or changed.
bool oneEditApart(const std::string& a, const std::string& b) {
  const std::string& s = a.size() <= b.size() ? a : b;  // the shorter
  const std::string& l = a.size() <= b.size() ? b : a;
  if (l.size() - s.size() > 1) return false;
  size_t i = 0;
  while (i < s.size() && s[i] == l[i]) i++;
  if (s.size() == l.size()) return i < s.size() && s.compare(i + 1, std::string::npos, l, i + 1) == 0;
  return s.compare(i, std::string::npos, l, i + 1) == 0;
}

// The options close to w, as " (did you mean -a or -b?)", or "" when none is.
std::string closeOptions(const char* w) {
  for (const OptionWord& o : kWords)
    if (strcasecmp(o.word, w) == 0) return std::string(" (did you mean ") + o.word + "?)";
  std::string named;
  int n = 0;
  for (const OptionWord& o : kWords)
    if (oneEditApart(w, o.word)) named += std::string(n++ == 0 ? "" : ", ") + o.word;
  if (n == 0) return "";
  if (n > 1) named.replace(named.rfind(", "), 2, " or ");
  return " (did you mean " + named + "?)";
}

// Value options that also stand alone, as a flag of another mode (-ave of -daHist), and the one
// whose value may be an empty word (a remark of nothing).
constexpr const char* kStandsAlone[] = {"-ave"};
constexpr const char* kMayBeEmpty[] = {"-rem"};
// Lists that mean nothing without a word: with none they would read as absent.
constexpr const char* kNeedsWords[] = {"-w", "-fixAa", "-fixRes"};

bool listed(const char* w, std::span<const char* const> words) {
  for (const char* x : words)
    if (std::strcmp(x, w) == 0) return true;
  return false;
}

// Refuses a value option with no value word after it (last on the line, or before an empty word)
// and a list of kNeedsWords with no word before the next option word: each reader would take it
// as absent. The option word at i is one of korim.
bool lacksValue(int argc, char** argv, int i, const OptionWord& o) {
  const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
  const char* why = nullptr;
  const bool value = o.takes == Takes::Value;
  if (value && next == nullptr && !listed(o.word, kStandsAlone))
    why = "";
  else if (value && next != nullptr && next[0] == '\0' && !listed(o.word, kMayBeEmpty))
    why = ", not an empty word";
  else if (o.takes == Takes::List && listed(o.word, kNeedsWords) && (next == nullptr || foundation::isFlag(next)))
    why = "";
  if (why == nullptr) return false;
  std::fprintf(stderr, "KORIM Error: option %s needs a value%s.\n", o.word, why);
  return true;
}

bool blank(const char* w) {
  for (; w != nullptr && *w != '\0'; w++)
    if (*w != ' ' && *w != '\t' && *w != '\n') return false;
  return true;
}

// The command line by the table: which words stand as options and which option takes each word.
// Every option word takes the words its kind reads after it, also one that stands as another
// option's value, since the readers find an option word wherever it stands; the first to take a
// word keeps it.
struct Words {
  std::vector<const OptionWord*> option;  // the option at i, unless i is the value of the one before
  std::vector<int> owner;                 // the index of the option word that takes word i, or -1

  Words(int argc, char** argv) : option(argc, nullptr), owner(argc, -1) {
    for (int i = 1; i < argc; i++) {
      const OptionWord* o = find(argv[i]);
      if (o == nullptr) continue;
      if (!isValue(argv, i)) option[i] = o;
      const auto take = [&](int j) {
        if (owner[j] < 0) owner[j] = i;
      };
      if (o->takes == Takes::Value && i + 1 < argc) take(i + 1);
      if (o->takes == Takes::Optional && i + 1 < argc && !foundation::isFlag(argv[i + 1])) take(i + 1);
      for (int j = i + 1; o->takes == Takes::List && j < argc && !foundation::isFlag(argv[j]); j++) take(j);
    }
  }

  // Word i is the value of a value option before it.
  bool isValue(char** argv, int i) const {
    return owner[i] >= 0 && find(argv[owner[i]])->takes == Takes::Value && owner[i] == i - 1;
  }

  // The option word at i with the words it takes, as a user wrote them ('' for an empty word).
  std::string copy(int argc, char** argv, int i) const {
    std::string s = argv[i];
    for (int j = i + 1; j < argc && owner[j] == i; j++) s += std::string(" ") + (argv[j][0] != '\0' ? argv[j] : "''");
    return s;
  }
};

// A word that no option takes, named with where it stands and what the option before it takes;
// nothing when the nearest option-like word before it is no option of korim (already refused,
// and the word is likely its value).
bool refuseStray(int argc, char** argv, const Words& words, int i) {
  int k = i - 1;
  while (k > 0 && (words.isValue(argv, k) || (find(argv[k]) == nullptr && !foundation::isFlag(argv[k])))) k--;
  if (k > 0 && find(argv[k]) == nullptr) return false;
  std::string why = "no option stands before it";
  if (k > 0) {
    const OptionWord& o = *find(argv[k]);
    const std::string taken = words.copy(argc, argv, k).substr(std::strlen(o.word));
    why = std::string("the option before it, ") + o.word;
    if (o.takes == Takes::Nothing)
      why += ", takes no value";
    else if (o.takes == Takes::Value)
      why += ", takes one value," + taken;
    else if (o.takes == Takes::Optional)
      why += ", takes at most one value," + taken;
    else
      why += ", takes the words up to the next option," + taken;
  }
  std::fprintf(stderr, "KORIM Error: word %s (argument %d) belongs to no option: %s.\n", argv[i], i, why.c_str());
  return true;
}

// Options that set one value, each pair in reading order: the second read wins.
constexpr const char* kOneValue[][2] = {{"-in", "-inD"}, {"-out", "-outD"}, {"-dStep", "-sStep"}, {"-d1", "-s1"},
                                        {"-dN", "-sN"},  {"-inS1", "-inS"}, {"-align", "-saupe"}};

// The copies not used: marked as consumed, with the words they take.
void markUsed(int argc, char** argv, const Words& words, int i) {
  foundation::getNthArg(argc, argv, i);
  for (int j = i + 1; j < argc && words.owner[j] == i; j++) foundation::getNthArg(argc, argv, j);
}

int firstCopy(const Words& words, const char* w) {
  for (size_t i = 1; i < words.option.size(); i++)
    if (words.option[i] != nullptr && std::strcmp(words.option[i]->word, w) == 0) return static_cast<int>(i);
  return 0;
}

}  // namespace

std::span<const OptionWord> optionWords() { return kWords; }

int refuseUnknownWords(int argc, char** argv) {
  for (int i = 1; i < argc; i++)
    if (argv[i] != nullptr && std::strcmp(argv[i], "-help") == 0) return 0;
  const Words words(argc, argv);
  int refused = 0;
  for (int i = 1; i < argc; i++) {
    const char* w = argv[i];
    if (w == nullptr || words.isValue(argv, i)) continue;
    if (words.option[i] != nullptr) {
      if (lacksValue(argc, argv, i, *words.option[i])) refused++;
    } else if (foundation::isFlag(w)) {
      std::fprintf(stderr, "KORIM Error: unknown option %s%s; korim -help lists the options.\n", w,
                   closeOptions(w).c_str());
      refused++;
    } else if (words.owner[i] < 0 && find(w) == nullptr && !blank(w) && refuseStray(argc, argv, words, i)) {
      refused++;
    }
  }
  return refused > 0 ? 1 : 0;
}

int warnRepeatedOptions(int argc, char** argv) {
  const Words words(argc, argv);
  int warned = 0;
  for (const OptionWord& o : kWords) {
    const int first = firstCopy(words, o.word);
    if (o.takes == Takes::Nothing || first == 0 || !foundation::argConsumed(first)) continue;
    std::vector<std::string> others;
    for (int i = first + 1; i < argc; i++) {
      if (words.option[i] != &o) continue;
      others.push_back(words.copy(argc, argv, i));
      markUsed(argc, argv, words, i);
    }
    if (others.empty()) continue;
    std::string unused = others[0];
    for (size_t n = 1; n < others.size(); n++) unused += (n + 1 < others.size() ? ", " : " and ") + others[n];
    std::fprintf(stderr, "korim: option %s is given %zu times: %s is used; %s %s not.\n", o.word,
                 others.size() + 1, words.copy(argc, argv, first).c_str(), unused.c_str(),
                 others.size() > 1 ? "are" : "is");
    warned++;
  }
  for (const auto& pair : kOneValue) {
    const int lost = firstCopy(words, pair[0]), kept = firstCopy(words, pair[1]);
    if (lost == 0 || kept == 0 || !foundation::argConsumed(kept)) continue;
    markUsed(argc, argv, words, lost);
    std::fprintf(stderr, "korim: options %s and %s set one value: %s is used; %s is not.\n", pair[0], pair[1],
                 words.copy(argc, argv, kept).c_str(), words.copy(argc, argv, lost).c_str());
    warned++;
  }
  return warned;
}

}  // namespace korim::app
