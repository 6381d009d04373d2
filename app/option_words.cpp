// Every option word korim knows (in any mode), and the refusal of a command-line word that is none.
#include "app/option_words.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "foundation/cmndargs.h"

namespace korim::app {

namespace {

constexpr OptionWord input(const char* word) { return {word, true, true}; }

// Grouped as getparams reads them: modes, best fit and error estimation, the atom selection and
// tensor readers, output control, files and coupling range, medium, electrostatics, conversion,
// order-matrix comparison, Da and R estimation, assignment lists. input() marks the options that
// name an input file, also those no step of a run reads (-inCS, -ref, -list).
constexpr OptionWord kWords[] = {
    {"-help", false}, {"-stKorim", false}, {"-stKorimFree", false}, {"-stKorimGrid", false},
    {"-elKorim", false}, {"-elKorimFree", false}, {"-elKorimGrid", false}, {"-bestFit", false},
    {"-csSim", false}, {"-daHist", false}, {"-daFlex", false}, {"-daMl", false}, {"-asRan", false},
    {"-anA", false}, {"-anDc", false}, {"-anPdb", false}, {"-conv", false}, {"-struc", false},

    {"-idum", true}, {"-rand", false}, {"-exhaust", false}, {"-exhaustSel", false}, {"-dcOpt", false},
    {"-nodcOpt", false}, {"-single", false}, {"-jack", false}, {"-mcDc", false}, {"-mcStruc", false},
    {"-map", true}, {"-outFail", true}, {"-dFrac", true}, {"-nDfixed", false}, {"-nonDfixed", false},
    {"-vecNoise", false}, {"-angNoise", false}, {"-stdCone", true}, {"-fixCone", false},
    {"-nofixCone", false}, {"-digCone", true}, {"-autoCone", false}, {"-noautoCone", false},
    {"-nCone", true}, {"-lCone", true}, {"-incCone", true}, {"-autoMc", false}, {"-noautoMc", false},
    {"-nAdjustMc", true}, {"-fracAdjustMc", true}, {"-kAdjustMc", true}, {"-kLAdjustMc", true},
    {"-incAdjustMc", true},

    input("-pdb"), {"-dbg", false}, {"-verb", false}, {"-hetatm", false}, {"-nohetatm", false},
    {"-protein", false}, {"-id", true}, {"-inv", false}, {"-res", true}, {"-r1", true}, {"-rN", true},
    {"-atom", false}, {"-atomName", false}, {"-resName", false}, {"-chain", false}, {"-seg", false},
    {"-clear", false}, {"-set", false}, {"-exact", false}, {"-regex", false}, {"-glob", false},
    {"-aExact", false}, {"-aRegex", false}, {"-aGlob", false}, {"-rExact", false}, {"-rRegex", false},
    {"-rGlob", false}, {"-cExact", false}, {"-cRegex", false}, {"-cGlob", false}, {"-sExact", false},
    {"-sRegex", false}, {"-sGlob", false},

    {"-svd", false}, {"-saupe", false}, {"-align", false}, {"-fixed", false}, {"-nofixed", false},
    {"-dadr", false}, {"-euler", false}, {"-noeuler", false}, {"-da", true}, {"-dr", true},
    {"-daMin", true}, {"-daMax", true}, {"-drMin", true}, {"-drMax", true}, {"-psi", true},
    {"-theta", true}, {"-phi", true}, {"-psiMin", true}, {"-psiMax", true}, {"-thetaMin", true},
    {"-thetaMax", true}, {"-phiMin", true}, {"-phiMax", true},

    {"-noverb", false}, {"-qDa", false}, {"-qRms", false}, {"-qStd", false}, {"-err", false},
    {"-noerr", false}, {"-w", false},

    input("-in"), input("-inD"), {"-out", true}, {"-outD", true}, {"-outPka", true}, {"-dStep", true},
    {"-sStep", true}, {"-d1", true}, {"-dN", true}, {"-s1", true}, {"-sN", true}, {"-sID", true},
    {"-a1", true}, {"-excl", false}, {"-inc", false}, {"-fixedDI", false}, {"-nofixedDI", false},
    {"-rem", true}, {"-yzInv", false}, {"-noyzInv", false}, input("-inp"), {"-outDa", true},
    {"-outMap", true}, {"-outAng", true}, input("-pot"), input("-pot3D"), input("-pka"),
    input("-inE"), {"-outE", true}, {"-flex", true}, {"-dcEns", true}, {"-ave", true}, input("-pdbF"),
    {"-pdbRot", true}, {"-rotID", true}, {"-outEAx", true}, {"-aD1", true}, {"-aD2", true},
    input("-inD1"), input("-inD2"), input("-inCS"), {"-outS", true}, {"-outCS", true},
    input("-ref"), {"-path", true}, input("-list"), {"-sPath", true}, {"-sList", true},
    {"-rList", true}, {"-csThresh", true}, {"-vcThresh", true}, {"-fit", false}, {"-nofit", false},

    {"-bic", false}, {"-pf1", false}, {"-3D", false}, {"-wv", true}, {"-vol", true}, {"-mwLC", true},
    {"-massLC", true}, {"-unitLC", true}, {"-polyLC", true}, {"-dot", true}, {"-digPsi", true},
    {"-dGrid", true}, {"-dX", true}, {"-dY", true}, {"-dZ", true}, {"-nX", true}, {"-nY", true},
    {"-nZ", true}, {"-maxPot", true}, {"-z1", true}, {"-zN", true}, {"-rM", true}, {"-lcS", true},
    {"-H", false}, {"-noH", false}, {"-surf", false}, {"-nosurf", false}, {"-rA", true}, {"-rim", true},
    {"-pRatio", true}, {"-lM", true}, {"-rimDisc", true},

    {"-pH", true}, {"-nacl", true}, {"-chSurf", true}, {"-dIFace", true}, {"-cut", false},
    {"-elInfo", false}, {"-noelInfo", false}, {"-dipole", false}, {"-nodipole", false},
    {"-chSel", false}, {"-nochSel", false}, {"-pkaDef", false}, {"-nopkaDef", false},
    {"-charmm", false}, {"-charmm22", false}, {"-nocharmm", false}, {"-chTerm", false},
    {"-nochTerm", false}, {"-kEne", true}, {"-kPot", true}, {"-kMono", true}, {"-kDipo", true},
    {"-kQuad", true}, {"-temp", true}, {"-kAtt", true}, {"-pow", true},

    {"-dcHH", false}, {"-nodcHH", false}, {"-scale", false}, {"-unscale", false}, {"-xplor", false},
    {"-cns", false}, {"-tbl", false}, {"-dyana", false}, {"-korim", false}, {"-rosetta", false},
    {"-dcNoise", false}, {"-tensID", true},

    {"-inS1", false}, {"-inS2", false}, {"-hinge", false}, {"-twist", false}, {"-outA", true},
    {"-add", false}, {"-sub", false}, {"-mul", false}, {"-div", false}, {"-max", false}, {"-c1", true},
    {"-c2", true}, {"-outP", true}, {"-inS", false}, {"-user", false}, {"-ster", false}, {"-el", false},

    {"-noave", false}, {"-bin", true}, {"-nFit", true}, {"-sdevDzz", true}, {"-sdevDyy", true},
    {"-daLo", true}, {"-daHi", true}, {"-rhLo", true}, {"-rhHi", true}, {"-nSel", true},
    {"-nRun", true}, {"-outCol", true}, {"-outSc", true}, {"-lDa", true}, {"-hDa", true},
    {"-incDa", true}, {"-lR", true}, {"-hR", true}, {"-incR", true}, {"-nomapMl", false},
    {"-mapMl", false},

    {"-fixAa", false}, {"-fixRes", false}, {"-dcID", false},
};

const OptionWord* find(const char* w) {
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
  if (o.takesValue && next == nullptr && !listed(o.word, kStandsAlone))
    why = "";
  else if (o.takesValue && next != nullptr && next[0] == '\0' && !listed(o.word, kMayBeEmpty))
    why = ", not an empty word";
  else if (!o.takesValue && listed(o.word, kNeedsWords) && (next == nullptr || foundation::isFlag(next)))
    why = "";
  if (why == nullptr) return false;
  std::fprintf(stderr, "KORIM Error: option %s needs a value%s.\n", o.word, why);
  return true;
}

}  // namespace

std::span<const OptionWord> optionWords() { return kWords; }

int refuseUnknownWords(int argc, char** argv) {
  for (int i = 1; i < argc; i++)
    if (argv[i] != nullptr && std::strcmp(argv[i], "-help") == 0) return 0;
  int refused = 0;
  for (int i = 1; i < argc; i++) {
    const char* w = argv[i];
    if (w == nullptr || !foundation::isFlag(w)) continue;
    const OptionWord* before = find(argv[i - 1]);
    if (before != nullptr && before->takesValue) continue;  // the value of the option before
    if (const OptionWord* known = find(w); known != nullptr) {
      if (lacksValue(argc, argv, i, *known)) refused++;
      continue;
    }
    std::fprintf(stderr, "KORIM Error: unknown option %s%s; korim -help lists the options.\n", w,
                 closeOptions(w).c_str());
    refused++;
  }
  return refused > 0 ? 1 : 0;
}

}  // namespace korim::app
