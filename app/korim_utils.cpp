// Command-line options of korim: every option read by one getter, in one fixed reading order.
//
// Reading rules: an option is an exact word anywhere on the command line and its first
// occurrence counts; a value option takes the next word whatever it is; list and counted
// options take the words up to the next option word ("-" followed by a digit or "." starts a
// number, not an option). Where two options write one field, the one read later wins, so the
// order of the statements below is part of the behaviour. Non-numbers read as 0, as the
// argument library converts them; values that would overflow a buffer, index past an array,
// divide by zero or never end a loop are refused with a message and status 1.
#include "app/korim_utils.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/korim_utils_output.h"
#include "couplings/writedc.h"
#include "foundation/cmndargs.h"
#include "foundation/memory.h"

namespace korim::app {

using namespace korim::settings;

using namespace korim::foundation;
using korim::couplings::DTensor;
using korim::structure::PDBSelectInfo;

namespace {

void copyText(char* dest, const char* src) {
  std::strncpy(dest, src, kNameLen - 1);
  dest[kNameLen - 1] = '\0';
}

// Environment values go into buffers no step of the run reads; a value too long is ignored.
void envText(const char* var, char* dest) {
  const char* v = std::getenv(var);
  if (v != nullptr && std::strlen(v) < static_cast<size_t>(kNameLen)) copyText(dest, v);
}

// The getters of the argument library, bound to one command line. Checked readers return
// false after printing why a value was refused; the caller then stops reading.
struct Reader {
  int argc;
  char** argv;
  // Set after a number option was refused for a value that is not finite; the reading goes on
  // (so every such option is named) and getparams then fails.
  mutable bool nonFinite = false;

  bool present(const char* w) const { return flagLoc(argc, argv, w) != 0; }

  void flag(const char* w, int* dest, int value) const {
    if (present(w)) *dest = value;
  }

  void intValue(const char* w, int* dest) const { intArgD(argc, argv, w, dest); }
  // A number must be finite: "nan", "inf" or a value beyond single precision would carry
  // through every result of the run.
  void fltValue(const char* w, float* dest) const {
    float v = *dest;
    if (fltArgD(argc, argv, w, &v) != 1) return;
    if (!std::isfinite(v)) return refuseNonFinite(w);
    *dest = v;
  }

  void refuseNonFinite(const char* w) const {
    refuse(w, "must be a finite number");
    nonFinite = true;
  }

  void refuseNonFiniteList(const char* w) const {
    std::fprintf(stderr, "KORIM Error: option %s values must be finite numbers.\n", w);
    nonFinite = true;
  }

  // The value word after w (absent or last: nothing to check) read as a number must be finite.
  void finiteWord(const char* w) const {
    int loc = flagLoc(argc, argv, w);
    if (loc > 0 && loc + 1 < argc && !std::isfinite(static_cast<float>(std::strtod(argv[loc + 1], nullptr))))
      refuseNonFinite(w);
  }

  // A number stored in double precision (converted from the text, not through a float).
  void dblValue(const char* w, double* dest) const {
    char* p = nullptr;
    if (ptrArgD(argc, argv, w, &p) != 1 || p == nullptr) return;
    const double v = std::strtod(p, nullptr);
    if (!std::isfinite(v)) return refuseNonFinite(w);
    *dest = v;
  }

  // The word after w, for messages ("" when w is absent or last).
  const char* valueWord(const char* w) const {
    int loc = flagLoc(argc, argv, w);
    return (loc > 0 && loc + 1 < argc && argv[loc + 1] != nullptr) ? argv[loc + 1] : "";
  }

  void refuse(const char* w, const char* why) const {
    std::fprintf(stderr, "KORIM Error: option %s value %s %s.\n", w, valueWord(w), why);
  }

  // A text into a kNameLen buffer; a longer one is refused (by the argument library's message).
  bool text(const char* w, char* dest) const { return strArgD(argc, argv, w, dest, kNameLen) >= 0; }

  bool intInRange(const char* w, int* dest, int lo, int hi, const char* why) const {
    int v = *dest;
    if (intArgD(argc, argv, w, &v) != 1) return true;
    if (v < lo || v > hi) {
      refuse(w, why);
      return false;
    }
    *dest = v;
    return true;
  }

  // Steps, increments and spacings: a loop over them must advance, a division by them be defined.
  bool fltPositive(const char* w, float* dest) const {
    float v = *dest;
    if (fltArgD(argc, argv, w, &v) != 1) return true;
    if (!(v > 0.0f) || !std::isfinite(v)) {
      refuse(w, "must be a positive number");
      return false;
    }
    *dest = v;
    return true;
  }

  // Exactly n numbers after w. Returns 0 when w is absent, 1 when read, -1 after msg.
  int counted(const char* w, int n, double* out, const char* msg) const {
    int loc = flagLoc(argc, argv, w);
    if (loc == 0) return 0;
    if (nextFlag(argc, argv, loc) - loc - 1 != n) {
      std::fputs(msg, stderr);
      return -1;
    }
    bool finite = true;
    for (int k = 0; k < n; k++) {
      const char* s = getNthArg(argc, argv, loc + 1 + k);
      out[k] = (s != nullptr) ? std::strtod(s, nullptr) : 0.0;
      if (!std::isfinite(out[k])) out[k] = 0.0, finite = false;
    }
    if (!finite) refuseNonFiniteList(w);
    return 1;
  }

  // An axis of exactly 3 numbers, (0, 0, 0) when w is absent; false after msg.
  bool axis(const char* w, float* dest, const char* msg) const {
    double v[3] = {0.0, 0.0, 0.0};
    if (counted(w, 3, v, msg) < 0) return false;
    for (int i = 0; i < 3; i++) dest[i] = static_cast<float>(v[i]);
    return true;
  }

  // The words after w up to the next option word, from *first: their number, -1 when w is
  // absent, -2 after refusing more than cap of them.
  int listSpan(const char* w, int cap, int* first) const {
    int loc = flagLoc(argc, argv, w);
    if (loc == 0) return -1;
    *first = loc + 1;
    const int n = nextFlag(argc, argv, loc) - loc - 1;
    if (n > cap) {
      std::fprintf(stderr, "KORIM Error: option %s takes at most %d values, %d given.\n", w, cap, n);
      return -2;
    }
    return n;
  }

  // A list of base-10 integers into dest[0..cap-1]; result as listSpan.
  int intList(const char* w, int* dest, int cap) const {
    int first = 0;
    const int n = listSpan(w, cap, &first);
    for (int k = 0; k < n; k++) {
      const char* s = getNthArg(argc, argv, first + k);
      dest[k] = (s != nullptr) ? static_cast<int>(std::strtol(s, nullptr, 10)) : 0;
    }
    return n;
  }
};

struct TextOption {
  const char* word;
  char* dest;
};

template <size_t N>
bool readTexts(const Reader& r, const TextOption (&opts)[N]) {
  for (const TextOption& o : opts)
    if (!r.text(o.word, o.dest)) return false;
  return true;
}

}  // namespace

int orientationDotCount(int density, int maxDots) {
  if (density < 3) return -1;
  // Smallest tessellation levels of the arc (10 t^2 + 2) and dodecahedral (30 t^2 + 2) spheres
  // reaching the density; the sphere module takes the one with fewer dots, on a tie the second.
  long long t1 = 1;
  while (10 * t1 * t1 + 2 < density) t1++;
  long long t2 = 1;
  while (30 * t2 * t2 + 2 < density) t2++;
  const long long arc = 10 * t1 * t1 + 2;
  const long long dod = 30 * t2 * t2 + 2;
  const long long dots = (arc < dod) ? arc : dod;
  return (dots > maxDots) ? -1 : static_cast<int>(dots);
}

int korimParamsNull(KorimParams* p) {
  std::memset(static_cast<void*>(p), 0, sizeof(KorimParams));
  copyText(p->atomNameS1, "All");
  copyText(p->atomNameS2, "All");
  p->csThresh = 2.0f;
  p->validThresh = 0.95f;
  p->wList = nullptr;
  p->remark = nullptr;
  return 0;
}

int getparams(int argc, char** argv, KorimParams* p, DTensor* tensor, KorimInfo* k, PDBSelectInfo* sInfo,
              DcInfo* dc) {
  const Reader r{argc, argv};
  ElInfo* el = &k->elInfo;
  HistInfo* hist = &k->histInfo;

  p->mapCount = 0;
  if (argc <= 1 || r.present("-help")) {
    printInfo();
    return 1;
  }

  // Modes, in test order: the last one present in this order wins.
  k->korimMode = kModeSteric;
  if (r.present("-stKorim")) k->korimMode = kModeSteric, el->elFlag = 0;
  if (r.present("-stKorimFree")) k->korimMode = kModeStericFree, el->elFlag = 0;
  if (r.present("-stKorimGrid")) k->korimMode = kModeStericGrid, el->elFlag = 0;
  if (r.present("-elKorim")) k->korimMode = kModeElectrostatic, el->elFlag = 1;
  if (r.present("-elKorimFree")) k->korimMode = kModeElectrostaticFree, el->elFlag = 1;
  if (r.present("-elKorimGrid")) k->korimMode = kModeElectrostaticGrid, el->elFlag = 1;
  r.flag("-bestFit", &k->korimMode, kModeBestFit);
  r.flag("-csSim", &k->korimMode, kModeChemShift);
  r.flag("-daHist", &k->korimMode, kModeDaHist);
  r.flag("-daFlex", &k->korimMode, kModeDaFlex);
  r.flag("-daMl", &k->korimMode, kModeDaMl);
  r.flag("-asRan", &k->korimMode, kModeAsRan);
  if (r.present("-anA")) k->korimMode = kModeAnalyzeSaupe, k->c1 = 1.0f, k->opCode = kOpSub;
  if (r.present("-anDc")) k->korimMode = kModeAnalyzeDc, k->c1 = 0.0f, k->c2 = 1.0f, k->opCode = kOpAdd;
  r.flag("-anPdb", &k->korimMode, kModeAnalyzePdb);
  r.flag("-conv", &k->korimMode, kModeConvert);
  r.flag("-struc", &k->korimMode, kModeStructNoise);

  // Read to no effect: nothing of the run looks at these buffers.
  envText("PDBH_DIR", p->pdbPath);
  envText("PDBH_LIST", p->pdbList);
  envText("SURF_DIR", p->surfPath);

  // Best fit, error estimation and assignment search.
  r.intValue("-idum", &k->idum);
  r.flag("-rand", &k->spreadMode, kSpreadRandom);
  r.flag("-exhaust", &k->spreadMode, kSpreadExhaustive);
  r.flag("-exhaustSel", &k->spreadMode, kSpreadExhaustSel);
  r.flag("-dcOpt", &k->dcSelOpt, 1);
  r.flag("-nodcOpt", &k->dcSelOpt, 0);
  r.flag("-single", &k->spreadMode, kSpreadSingle);
  r.flag("-jack", &k->spreadMode, kSpreadJackknife);
  r.flag("-mcDc", &k->spreadMode, kSpreadMcCouplings);
  r.flag("-mcStruc", &k->spreadMode, kSpreadMcStructure);
  r.intValue("-map", &p->mapCount);
  if (!r.text("-outFail", p->outDFailName)) return 1;
  r.fltValue("-dFrac", &k->mapFrac);
  r.flag("-nDfixed", &k->mapFixCount, 1);
  r.flag("-nonDfixed", &k->mapFixCount, 0);
  r.flag("-vecNoise", &k->noiseMode, 1);
  r.flag("-angNoise", &k->noiseMode, 0);
  r.dblValue("-stdCone", &k->coneWidth);
  r.flag("-fixCone", &k->coneFix, 1);
  r.flag("-nofixCone", &k->coneFix, 0);
  if (!r.intInRange("-digCone", &k->coneDig, 1, INT_MAX, "must be at least 1")) return 1;
  r.flag("-autoCone", &k->nConeFlag, 1);
  r.flag("-noautoCone", &k->nConeFlag, 0);
  r.intValue("-nCone", &k->nConeAdjust);
  r.fltValue("-lCone", &k->nConeStart);
  if (!r.fltPositive("-incCone", &k->nConeInc)) return 1;
  r.flag("-autoMc", &k->mcAdjustFlag, 1);
  r.flag("-noautoMc", &k->mcAdjustFlag, 0);
  r.intValue("-nAdjustMc", &k->nAdjustMc);
  r.fltValue("-fracAdjustMc", &k->mcAdjustFrac);
  r.fltValue("-kAdjustMc", &k->kSigma);
  r.fltValue("-kLAdjustMc", &k->kLSigma);
  if (!r.fltPositive("-incAdjustMc", &k->incSigma)) return 1;

  // Structure, tensor and output control. Without -pdb the selection options stay unread; a
  // selection the selection reader refuses (after its own message) ends the reading.
  if (r.present("-pdb") && korim::structure::getPDBSelectArgs(argc, argv, sInfo) != 0) return 1;
  if (korim::couplings::getDCTensorParams(argc, argv, tensor) != 0) return 1;
  k->eulerFlag = tensor->eulerFlag;
  {
    // The tensor reader takes its numbers as they come: refuse the ones that are not finite.
    static const char* const tensorNumbers[] = {"-da",       "-daMin", "-daMax",    "-dr",
                                                "-drMin",    "-drMax", "-psi",      "-psiMin",
                                                "-psiMax",   "-theta", "-thetaMin", "-thetaMax",
                                                "-phi",      "-phiMin", "-phiMax"};
    for (const char* w : tensorNumbers) r.finiteWord(w);
    static const char* const saupeLists[] = {"-saupe", "-align"};
    for (const char* w : saupeLists) {
      const int loc = flagLoc(argc, argv, w);
      for (int i = loc + 1; loc > 0 && i < argc && i <= loc + 5; i++)
        if (!std::isfinite(static_cast<float>(std::strtod(argv[i], nullptr)))) {
          r.refuseNonFiniteList(w);
          break;
        }
    }
  }
  {
    int loc = flagLoc(argc, argv, "-dbg");
    if (loc != 0) {
      if (loc + 1 < argc && !isFlag(argv[loc + 1]))
        intArgD(argc, argv, "-dbg", &couplings::dbgFlag);
      else
        couplings::dbgFlag = 1;
    }
  }
  r.flag("-verb", &k->verbFlag, 1);
  r.flag("-noverb", &k->verbFlag, 0);
  r.flag("-qDa", &k->qFlag, 1);
  r.flag("-qRms", &k->qFlag, 0);
  r.flag("-qStd", &k->qFlag, 2);
  r.flag("-err", &k->mapMode, 1);
  r.flag("-noerr", &k->mapMode, 0);
  {
    int n = 0;
    float* list = rListArg(argc, argv, "-w", &n);
    if (n < 0) {
      std::fputs("KORIM Error: option -w could not store its weights.\n", stderr);
      p->wList = nullptr;
      p->wCount = 0;
      return 1;
    }
    p->wList = list;
    p->wCount = (list != nullptr) ? n : 0;
    for (int i = 0; i < p->wCount; i++)
      if (!std::isfinite(list[i])) {
        r.refuseNonFiniteList("-w");
        break;
      }
  }

  // Files and coupling range.
  const TextOption files1[] = {
      {"-in", p->inDName}, {"-inD", p->inDName}, {"-out", p->outDName}, {"-outD", p->outDName},
      {"-outPka", p->outPkaName}, {"-pdb", p->pdbName},
  };
  if (!readTexts(r, files1)) return 1;
  r.intValue("-dStep", &dc->segStep);
  r.intValue("-sStep", &dc->segStep);
  r.intValue("-d1", &dc->segFirst);
  r.intValue("-dN", &dc->segLast);
  r.intValue("-s1", &dc->segFirst);
  r.intValue("-sN", &dc->segLast);
  r.intValue("-sID", &dc->segID);
  r.intValue("-a1", &dc->aFirst);
  r.flag("-excl", &dc->excludeMode, 1);
  r.flag("-inc", &dc->excludeMode, 2);
  r.flag("-fixedDI", &k->allowFixedDI, 1);
  r.flag("-nofixedDI", &k->allowFixedDI, 0);
  ptrArgD(argc, argv, "-rem", &p->remark);
  r.flag("-yzInv", &k->yzFlag, 1);
  r.flag("-noyzInv", &k->yzFlag, 0);
  const TextOption files2[] = {
      {"-inp", p->inpName},       {"-outD", p->outDName},       {"-outDa", p->outDaName},
      {"-outMap", p->outMapName}, {"-outAng", p->outAngName},   {"-pot", p->potName},
      {"-pot3D", p->pot3DName},   {"-pka", p->pkaName},         {"-inE", p->inEName},
      {"-outE", p->outEName},     {"-flex", p->flexName},       {"-dcEns", p->oDcEName},
      {"-ave", p->aveName},       {"-pdbF", p->pdbFName},       {"-pdbRot", p->pRotName},
  };
  if (!readTexts(r, files2)) return 1;
  if (!r.intInRange("-rotID", &k->rotN, 0, 3, "must lie between 0 and 3")) return 1;
  const TextOption files3[] = {
      {"-outEAx", p->outEAxName}, {"-aD1", p->atomNameS1}, {"-aD2", p->atomNameS2},
      {"-inD1", p->inD1Name},     {"-inD2", p->inD2Name},  {"-outD", p->outDName},
      // Accepted and consumed; no step of the run reads them.
      {"-inCS", p->inCSName},     {"-outS", p->outSName},  {"-outCS", p->outCSName},
      {"-ref", p->refName},       {"-path", p->pdbPath},   {"-list", p->pdbList},
      {"-sPath", p->surfPath},    {"-sList", p->atomNames}, {"-rList", p->resNames},
  };
  if (!readTexts(r, files3)) return 1;
  r.fltValue("-csThresh", &p->csThresh);
  r.fltValue("-vcThresh", &p->validThresh);
  r.flag("-fit", &p->fitFlag, 1);
  r.flag("-nofit", &p->fitFlag, 0);

  // Medium and simulation.
  if (r.present("-bic")) k->lcType = kLcWall, k->radiusModel = 20.0f;
  if (r.present("-pf1")) k->lcType = kLcRod, k->radiusModel = 33.5f;
  if (r.present("-3D")) k->lcType = kLc3D, k->radiusModel = 0.0f;
  r.fltValue("-wv", &k->concentration);
  r.fltValue("-vol", &k->volSample);
  r.fltValue("-mwLC", &k->mwLC);
  r.fltValue("-massLC", &k->massLC);
  r.fltValue("-unitLC", &k->unitLengthLC);
  r.fltValue("-polyLC", &k->polymerDeg);
  {
    int density = k->densityNSC;
    if (intArgD(argc, argv, "-dot", &density) == 1) {
      if (orientationDotCount(density, kMaxOrientDots) < 0) {
        r.refuse("-dot", "gives no sphere of 12 to 40001 orientations (densities 3 to 39692)");
        return 1;
      }
      k->densityNSC = density;
    }
  }
  if (!r.intInRange("-digPsi", &k->digPsiNSC, 1, INT_MAX, "must be at least 1")) return 1;
  if (!r.fltPositive("-dGrid", &k->gridSpacing)) return 1;
  if (!r.fltPositive("-dX", &k->grid3DdeltaX)) return 1;
  if (!r.fltPositive("-dY", &k->grid3DdeltaY)) return 1;
  if (!r.fltPositive("-dZ", &k->grid3DdeltaZ)) return 1;
  if (!r.intInRange("-nX", &k->grid3DnX, 1, INT_MAX, "must be at least 1")) return 1;
  if (!r.intInRange("-nY", &k->grid3DnY, 1, INT_MAX, "must be at least 1")) return 1;
  if (!r.intInRange("-nZ", &k->grid3DnZ, 1, INT_MAX, "must be at least 1")) return 1;
  {
    // The grid is held as one block of doubles whose byte count must fit an int.
    // In double: three ints of up to 2^31 each overflow any integer product.
    const double points = static_cast<double>(k->grid3DnX) * k->grid3DnY * k->grid3DnZ;
    const long long maxPoints = INT_MAX / static_cast<long long>(sizeof(double));
    if (points > static_cast<double>(maxPoints)) {
      std::fprintf(stderr, "KORIM Error: options -nX %d -nY %d -nZ %d give %.15g grid points, more than %lld.\n",
                   k->grid3DnX, k->grid3DnY, k->grid3DnZ, points, maxPoints);
      return 1;
    }
  }
  r.fltValue("-maxPot", &el->maxPot);
  r.intValue("-z1", &el->z1);
  r.intValue("-zN", &el->zN);
  r.fltValue("-rM", &k->radiusModel);
  r.fltValue("-lcS", &k->lcOrder);
  r.flag("-H", &k->Hflag, 1);
  r.flag("-noH", &k->Hflag, 0);
  r.flag("-surf", &k->surfFlag, 1);
  r.flag("-nosurf", &k->surfFlag, 0);
  r.fltValue("-rA", &k->radiusAtom);
  r.fltValue("-rim", &k->includeRim);
  r.fltValue("-pRatio", &k->molarRatio);
  r.fltValue("-lM", &k->lengthModel);
  r.fltValue("-rimDisc", &k->orderDiscRim);

  // Electrostatics and charges.
  r.fltValue("-pH", &el->pH);
  r.fltValue("-nacl", &el->concNaCl);
  r.fltValue("-chSurf", &el->chDensSurf);
  r.fltValue("-dIFace", &el->iFace);
  const int cut = r.counted("-cut", 1, &el->cutoffPot, "MERIDO Error: -cut option requires 1 value only.\n");
  if (cut < 0) return 1;
  if (cut > 0) el->cutoffDist = el->cutoffPot;  // the wall reads -cut as a distance
  r.flag("-elInfo", &el->chFlag, 1);
  r.flag("-noelInfo", &el->chFlag, 0);
  r.flag("-dipole", &el->dipoleFlag, 1);
  r.flag("-nodipole", &el->dipoleFlag, 0);
  r.flag("-chSel", &el->chSelFlag, 1);
  r.flag("-nochSel", &el->chSelFlag, 0);
  r.flag("-pkaDef", &el->pkaFlag, 1);
  r.flag("-nopkaDef", &el->pkaFlag, 0);
  r.flag("-charmm", &el->charmm, 1);
  r.flag("-charmm22", &el->charmm, 2);
  r.flag("-nocharmm", &el->charmm, 0);
  r.flag("-chTerm", &el->chTerminiFlag, 1);
  r.flag("-nochTerm", &el->chTerminiFlag, 0);
  r.fltValue("-kEne", &el->kEnergy);
  r.fltValue("-kPot", &el->kPot);
  r.fltValue("-kMono", &el->kMonoCh);
  r.fltValue("-kDipo", &el->kDipoCh);
  r.fltValue("-kQuad", &el->kQuadCh);
  r.fltValue("-temp", &el->temperaturePot);
  r.fltValue("-kAtt", &el->kAtt);
  r.fltValue("-pow", &el->pow);

  // Table conversion.
  r.flag("-dcHH", &k->dcProton, 1);
  r.flag("-nodcHH", &k->dcProton, 0);
  r.flag("-scale", &k->normDc, 1);
  r.flag("-unscale", &k->normDc, 0);
  r.flag("-xplor", &k->outFormat, kFormatXplor);
  r.flag("-cns", &k->outFormat, kFormatCns);
  r.flag("-tbl", &k->outFormat, kFormatTbl);
  r.flag("-dyana", &k->outFormat, kFormatDyana);
  r.flag("-korim", &k->outFormat, kFormatKorim);
  r.flag("-rosetta", &k->outFormat, kFormatRosetta);
  r.flag("-dcNoise", &k->dcNoise, 1);
  r.intValue("-tensID", &k->dcID);

  // Order-matrix comparison, coupling arithmetic and structure analysis.
  if (r.counted("-inS1", 5, p->userSaupe1, "MERIDO Error: -inS1 option requires 5 values.\n") < 0) return 1;
  if (r.counted("-inS2", 5, p->userSaupe2, "MERIDO Error: -inS2 option requires 5 values.\n") < 0) return 1;
  if (!r.axis("-hinge", p->hingeAxis, "MERIDO Error: -hinge option requires 3 values.\n")) return 1;
  if (!r.axis("-twist", p->twistAxis, "MERIDO Error: -twist option requires 3 values.\n")) return 1;
  if (!r.text("-outA", p->outAName)) return 1;
  r.flag("-add", &k->opCode, kOpAdd);
  r.flag("-sub", &k->opCode, kOpSub);
  r.flag("-mul", &k->opCode, kOpMul);
  r.flag("-div", &k->opCode, kOpDiv);
  r.flag("-max", &k->opCode, kOpMax);
  r.fltValue("-c1", &k->c1);
  r.fltValue("-c2", &k->c2);
  if (!r.text("-outP", p->outPName)) return 1;
  if (r.counted("-inS", 5, p->userSaupe1, "MERIDO Error: -inS option requires 5 values.\n") < 0) return 1;
  r.flag("-user", &k->elPdbFlag, 2);
  r.flag("-ster", &k->elPdbFlag, 0);
  if (r.present("-el")) k->elPdbFlag = 1, el->elFlag = 1;

  // Da and R estimation.
  r.flag("-noave", &hist->optExtrem, 0);
  r.flag("-ave", &hist->optExtrem, 1);
  if (!r.intInRange("-bin", &hist->nBinIn, 0, INT_MAX, "must be 0 (automatic) or more")) return 1;
  r.intValue("-nFit", &hist->modeFit);
  r.fltValue("-sdevDzz", &hist->sdevDzz);
  r.fltValue("-sdevDyy", &hist->sdevDyy);
  r.fltValue("-daLo", &hist->daLo);
  r.fltValue("-daHi", &hist->daHi);
  r.fltValue("-rhLo", &hist->rhLo);
  r.fltValue("-rhHi", &hist->rhHi);
  r.intValue("-nSel", &k->sCount);
  r.intValue("-nRun", &k->histRan);
  if (!r.text("-outCol", p->outColName)) return 1;
  if (!r.text("-outSc", p->outScName)) return 1;
  r.fltValue("-lDa", &hist->lDaMl);
  r.fltValue("-hDa", &hist->hDaMl);
  if (!r.fltPositive("-incDa", &hist->incDaMl)) return 1;
  r.fltValue("-lR", &hist->lRMl);
  r.fltValue("-hR", &hist->hRMl);
  if (!r.fltPositive("-incR", &hist->incRMl)) return 1;
  r.flag("-nomapMl", &hist->mlMap, 0);
  r.flag("-mapMl", &hist->mlMap, 1);

  // Assignment search lists, read last.
  r.intValue("-nSel", &k->nSel);
  {
    int n = r.intList("-fixAa", k->exCheckList, kExCheckMax);
    if (n == -2) return 1;
    if (n >= 0) k->nAaCheck = n;
  }
  {
    int n = r.intList("-fixRes", p->fixResList, kFixResMax);
    if (n == -2) return 1;
    p->nFixAa = (n > 0) ? n : 0;
  }
  {
    int first = 0;
    const int n = r.listSpan("-dcID", kChainDcMax, &first);
    if (n == -2) return 1;
    for (int i = 0; i < n; i++) {
      char* copy = strDup(getNthArg(argc, argv, first + i));
      if (copy == nullptr) return 1;  // the allocator has said why
      k->chainDc[i] = copy;
    }
    if (n >= 0) k->nChainDc = (n > 0) ? n : 1;  // no word after -dcID: one empty identifier
  }
  return r.nonFinite ? 1 : 0;
}

}  // namespace korim::app
