// Every option word korim knows (in any mode), and the check of each command-line word against them.
#include "app/option_words.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "app/korim_utils.h"
#include "foundation/advice.h"
#include "foundation/appendf.h"
#include "foundation/cmndargs.h"

namespace korim::app {

namespace {

constexpr OptionWord flag(const char* word) { return {word, Takes::Nothing}; }
constexpr OptionWord value(const char* word) { return {word, Takes::Value}; }
constexpr OptionWord list(const char* word) { return {word, Takes::List}; }
constexpr OptionWord optional(const char* word) { return {word, Takes::Optional}; }
constexpr OptionWord input(const char* word) { return {word, Takes::Value, true}; }

using namespace settings;

// A mode with charges or without (-stKorim and -stKorimGrid have a bit for each way).
constexpr Runs mode(int m) {
  return m == kModeBestFit ? 0
                           : runBit(m, 0) | runBit(m, 0, couplings::kTensorSVD, Charges::forceField) |
                                 runBit(m, 0, couplings::kTensorSVD, Charges::titrated) |
                                 runBit(m, 0, couplings::kTensorSVD, Charges::model);
}
// A variant of the best fit, its tensor fitted by SVD or given, or within limits.
constexpr Runs fit(int spread) {
  return runBit(kModeBestFit, spread) | runBit(kModeBestFit, spread, couplings::kTensorNoFixed);
}
constexpr Runs kFit = fit(kSpreadSingle) | fit(kSpreadJackknife) | fit(kSpreadMcCouplings) | fit(kSpreadMcStructure) |
                      fit(kSpreadRandom) | fit(kSpreadExhaustive) | fit(kSpreadExhaustSel);
// The fits whose tensor is fitted within limits (the nonlinear fit of -nofixed, -dadr, -fixed, and
// of -da or -dr given): the only runs that read the starts and limits of Da, Dr and the angles.
constexpr Runs kWithinLimits = kFit & ~(runBit(kModeBestFit, kSpreadSingle) | runBit(kModeBestFit, kSpreadJackknife) |
                                        runBit(kModeBestFit, kSpreadMcCouplings) |
                                        runBit(kModeBestFit, kSpreadMcStructure) | runBit(kModeBestFit, kSpreadRandom) |
                                        runBit(kModeBestFit, kSpreadExhaustive) |
                                        runBit(kModeBestFit, kSpreadExhaustSel));
constexpr Runs kErrorEstimates = fit(kSpreadJackknife) | fit(kSpreadMcCouplings) | fit(kSpreadMcStructure);
constexpr Runs kSearches = fit(kSpreadRandom) | fit(kSpreadExhaustive) | fit(kSpreadExhaustSel);
constexpr Runs kMcStruc = fit(kSpreadMcStructure);
constexpr Runs kMcDc = fit(kSpreadMcCouplings);
// The modes that read a structure and predict, or set up its charges: each reads the
// configuration, places the charges and sets up the medium before its own work.
constexpr Runs kPrediction = mode(kModeSteric) | mode(kModeStericGrid) | mode(kModeElectrostatic) |
                             mode(kModeElectrostaticFree) | mode(kModeElectrostaticGrid) | mode(kModeChemShift) |
                             mode(kModeAsRan) | mode(kModeAnalyzePdb);
// The medium and the orientations: the predictions and the free-format one.
constexpr Runs kMedium = kPrediction | mode(kModeStericFree);
// The modes that read the structure of -pdb.
constexpr Runs kStructure = kPrediction | kFit | mode(kModeStructNoise);
// The modes that read the coupling table of -inD: all but the free-format prediction and the two
// that read two tables or order matrices.
constexpr Runs kCouplingTable = kEveryRun & ~(mode(kModeStericFree) | mode(kModeAnalyzeDc) | mode(kModeAnalyzeSaupe));
constexpr Runs kHistograms = mode(kModeDaHist) | mode(kModeDaFlex);
constexpr Runs kLikelihoodGrid = mode(kModeDaMl) | kSearches;  // the grid, and the search's window
constexpr Runs kNone = 0;  // accepted and consumed; no step of any run reads it
// The runs that analyse an order matrix they write (its eigensystem, Euler angles and axes): the
// predictions of a tensor, the structure analysis, -anA and the fits.
constexpr Runs kTensorAnalysis = mode(kModeSteric) | mode(kModeStericFree) | mode(kModeStericGrid) |
                                 mode(kModeElectrostatic) | mode(kModeAnalyzeSaupe) | mode(kModeAnalyzePdb) | kFit;
// The runs that write a coupling table (or the order matrix in its form): all of kTensorAnalysis
// but -anPdb, and the modes that turn one table into another.
constexpr Runs kTableWriters = (kTensorAnalysis & ~mode(kModeAnalyzePdb)) | mode(kModeConvert) |
                               mode(kModeAnalyzeDc) | kHistograms | mode(kModeDaMl);
// The runs whose table compares couplings back-calculated from a tensor with the measured ones
// (and so reads the dipolar interaction values they are back-calculated with).
constexpr Runs kComparisons = mode(kModeSteric) | mode(kModeStericGrid) | mode(kModeElectrostatic) | kFit;
// The runs that select couplings by residue range and atom types: all that read a coupling table.
constexpr Runs kCouplingSelection = kCouplingTable | mode(kModeAnalyzeDc);
// The runs that write a structure with the user's remark.
constexpr Runs kRemarked = mode(kModeSteric) | mode(kModeElectrostatic) | mode(kModeStericGrid) |
                           mode(kModeAnalyzePdb) | kFit | mode(kModeStructNoise);
// The runs that choose one of the four Euler solutions: for the structure they write, and -anA for
// its hinge row.
constexpr Runs kEulerSolution = mode(kModeSteric) | mode(kModeAnalyzePdb) | mode(kModeAnalyzeSaupe) | kFit;
// The rim's settings: echoed with the medium's by the records of the predictions that write one
// (those that end after the charges simulate nothing and write no record).
constexpr Runs kRim = mode(kModeSteric) | mode(kModeStericFree) | mode(kModeStericGrid) | mode(kModeElectrostatic);
// The steric predictions that place no charges (without -el, -charmm or -charmm22): they read no
// setting of the charges.
constexpr Runs kNoCharges = runBit(kModeSteric, 0) | runBit(kModeStericGrid, 0);
// The steric predictions whose charges, if any, do not depend on pH (without -el or -charmm22):
// they read no pH.
constexpr Runs kUncharged = kNoCharges | runBit(kModeSteric, 0, couplings::kTensorSVD, Charges::forceField) |
                            runBit(kModeStericGrid, 0, couplings::kTensorSVD, Charges::forceField);
// The steric predictions: with -el they run the electrostatic model, but no interface structure.
constexpr Runs kSteric = mode(kModeSteric) | mode(kModeStericGrid);
// The runs of the electrostatic model (its salt, temperature, surface charge, energy scale and
// length): -elKorim, and -stKorim and -stKorimGrid with -el.
constexpr Runs kElectrostaticModel = mode(kModeElectrostatic) |
                                     runBit(kModeSteric, 0, couplings::kTensorSVD, Charges::model) |
                                     runBit(kModeStericGrid, 0, couplings::kTensorSVD, Charges::model);
// The settings of the charges placed (a pKa file, the default pKa values, the termini, the scaling
// of multipoles): read by every run that places charges; a steric one without charges places none.
constexpr Runs kChargeSetUp = kPrediction & ~kNoCharges;
// The settings of the electrostatic model shared with the charge set-ups (its cutoff, its report,
// the scaling of the potential): a steric prediction reads them with -el only.
constexpr Runs kModelSettings = kPrediction & ~(kSteric & ~kElectrostaticModel);

constexpr const char* kEstimate = "the error estimate of -bestFit";
constexpr const char* kSearch = "the assignment search of -bestFit";
constexpr const char* kOperation = "the operation of -anA and -anDc";
constexpr const char* kFormat = "the format of -conv";
constexpr const char* kPeaks = "the peak selection of -bestFit -exhaustSel";
constexpr const char* kTrialCouplings = "the couplings each trial of -bestFit -jack keeps";
constexpr const char* kNoise = "the noise of -struc and -bestFit -mcStruc";
constexpr const char* kCone = "the noise cone of -struc and -bestFit -mcStruc";
constexpr const char* kConeSearch = "the cone-width search of -bestFit -mcStruc";
constexpr const char* kKept = "the fits kept by -bestFit -mcDc";
constexpr const char* kBarScaling = "the error-bar scaling of -bestFit -mcDc";
constexpr const char* kHH = "the H-H couplings of -conv";
constexpr const char* kNormalisation = "the normalisation of -conv";
constexpr const char* kOrderMatrix = "the order matrix of -anPdb";
constexpr const char* kAverage = "the extremes' average of -daHist and -daFlex";
constexpr const char* kTransform = "the transform of the couplings of -daMl";
// The bounds of the bounded fit -daFlex runs; the fit of -daHist has none.
constexpr const char* kFlexBounds = "the bounds of the fit of -daFlex";
constexpr const char* kSeed = "the seed of the noise of -struc and of -conv -dcNoise";
constexpr const char* kGrid3D = "a setting of the 3-D medium (-3D)";
constexpr const char* kGivenCone = "the cone width of -struc and of -bestFit -mcStruc -noautoCone";
constexpr const char* kSearchedCone = "a setting of the cone-width search of -bestFit -mcStruc (-autoCone)";
constexpr const char* kGivenFactor = "the error-bar factor of -bestFit -mcDc -noautoMc";
constexpr const char* kNoisedFormat = "the noise -conv adds to the couplings of a format (-xplor, -cns, -dyana, "
                                      "-korim or -rosetta)";

// The wall's model length and rim order: every run that sets up the medium computes them from
// -wv, -pRatio and -rM, in place of any value given.
constexpr const char* kRimGeometry = "nothing: every run that sets up the medium computes the wall's model length "
                                     "(-lM) and rim order (-rimDisc) from -wv, -pRatio and -rM";

// A setting of the 3-D grid medium: read by the runs of the medium with -3D only.
constexpr OptionWord grid3D(const OptionWord& o) { return o.when(Needs::grid3D, kGrid3D); }

// A start or limit of Da, Dr or an angle: read by the fits within limits only (an SVD fit bounds
// nothing, and a given order matrix is fitted by nothing).
constexpr OptionWord tensor(const OptionWord& o) {
  return o.by(kWithinLimits, "a start or limit of the tensor fit within limits of -bestFit (-nofixed, -dadr, -fixed, "
                             "or -da or -dr given)");
}

// An option of the atom selection: read with the structure, by the runs that read one.
constexpr OptionWord atoms(const OptionWord& o) { return o.by(kStructure, "the atoms of the structure of -pdb"); }

// Grouped as getparams reads them: modes, best fit and error estimation, the atom selection and
// tensor readers, output control, files and coupling range, medium, electrostatics, conversion,
// order-matrix comparison, Da and R estimation, assignment lists. input() marks the options that
// name an input file, also those no step of a run reads (-inCS, -ref, -list). by() names the runs
// that read an option where not every run does, and what it chooses where that is said in words.
constexpr OptionWord kWords[] = {
    flag("-help"), flag("-stKorim"), flag("-stKorimFree"), flag("-stKorimGrid"),
    flag("-elKorim"), flag("-elKorimFree"), flag("-elKorimGrid"), flag("-bestFit"),
    flag("-csSim"), flag("-daHist"), flag("-daFlex"), flag("-daMl"), flag("-asRan"),
    flag("-anA"), flag("-anDc"), flag("-anPdb"), flag("-conv"), flag("-struc"),

    value("-idum").by(mode(kModeStructNoise) | mode(kModeConvert)).when(Needs::noisedFormat, kSeed), flag("-rand").by(kFit, kSearch),
    flag("-exhaust").by(kFit, kSearch), flag("-exhaustSel").by(kFit, kSearch), flag("-dcOpt").by(fit(kSpreadExhaustSel), kPeaks),
    flag("-nodcOpt").by(fit(kSpreadExhaustSel), kPeaks),
    flag("-single").by(kFit, kEstimate), flag("-jack").by(kFit, kEstimate), flag("-mcDc").by(kFit, kEstimate),
    flag("-mcStruc").by(kFit, kEstimate), value("-map").by(kErrorEstimates | kSearches), value("-outFail"),
    value("-dFrac").by(fit(kSpreadJackknife)), flag("-nDfixed").by(fit(kSpreadJackknife), kTrialCouplings),
    flag("-nonDfixed").by(fit(kSpreadJackknife), kTrialCouplings), flag("-vecNoise").by(kMcStruc | mode(kModeStructNoise), kNoise),
    flag("-angNoise").by(kMcStruc | mode(kModeStructNoise), kNoise),
    value("-stdCone").by(kMcStruc | mode(kModeStructNoise)).when(Needs::givenCone, kGivenCone), flag("-fixCone").by(kMcStruc | mode(kModeStructNoise), kCone),
    flag("-nofixCone").by(kMcStruc | mode(kModeStructNoise), kCone),
    value("-digCone").by(kMcStruc | mode(kModeStructNoise)), flag("-autoCone").by(kMcStruc, kConeSearch),
    flag("-noautoCone").by(kMcStruc, kConeSearch), value("-nCone").by(kMcStruc).when(Needs::coneSearch, kSearchedCone),
    value("-lCone").by(kMcStruc).when(Needs::coneSearch, kSearchedCone),
    value("-incCone").by(kMcStruc).when(Needs::coneSearch, kSearchedCone), flag("-autoMc").by(kMcDc, kBarScaling), flag("-noautoMc").by(kMcDc, kBarScaling),
    value("-nAdjustMc").by(kMcDc), value("-fracAdjustMc").by(kMcDc), value("-kAdjustMc").by(kMcDc).when(Needs::givenFactor, kGivenFactor),
    value("-kLAdjustMc").by(kMcDc), value("-incAdjustMc").by(kMcDc),

    input("-pdb").by(kStructure), optional("-dbg"), flag("-verb"),
    // The structure is read without a selection: HETATM records are skipped whatever is given.
    flag("-hetatm").by(kNone), flag("-nohetatm").by(kNone), atoms(flag("-protein")), atoms(value("-id")),
    atoms(flag("-inv")), atoms(value("-res")), atoms(value("-r1")), atoms(value("-rN")), atoms(list("-atom")),
    atoms(list("-atomName")), atoms(list("-resName")), atoms(list("-chain")), atoms(list("-seg")),
    atoms(flag("-clear")), atoms(flag("-set")), atoms(flag("-exact")), atoms(flag("-regex")), atoms(flag("-glob")),
    atoms(flag("-aExact")), atoms(flag("-aRegex")), atoms(flag("-aGlob")), atoms(flag("-rExact")),
    atoms(flag("-rRegex")), atoms(flag("-rGlob")), atoms(flag("-cExact")), atoms(flag("-cRegex")),
    atoms(flag("-cGlob")), atoms(flag("-sExact")), atoms(flag("-sRegex")), atoms(flag("-sGlob")),

    flag("-svd").by(kFit), list("-saupe").by(kFit), list("-align").by(kFit), flag("-fixed").by(kFit),
    flag("-nofixed").by(kFit), flag("-dadr").by(kFit), flag("-euler").by(kTensorAnalysis),
    flag("-noeuler").by(kTensorAnalysis), tensor(value("-da")),
    tensor(value("-dr")), tensor(value("-daMin")), tensor(value("-daMax")), tensor(value("-drMin")),
    tensor(value("-drMax")), tensor(value("-psi")), tensor(value("-theta")), tensor(value("-phi")),
    tensor(value("-psiMin")), tensor(value("-psiMax")), tensor(value("-thetaMin")), tensor(value("-thetaMax")),
    tensor(value("-phiMin")), tensor(value("-phiMax")),

    flag("-noverb").by(kTableWriters), flag("-qDa").by(kComparisons), flag("-qRms").by(kComparisons),
    flag("-qStd").by(kComparisons), flag("-err").by(kMcDc, kKept), flag("-noerr").by(kMcDc, kKept),
    list("-w").by(kStructure),

    input("-in").by(kCouplingTable), input("-inD").by(kCouplingTable), value("-out"), value("-outD"),
    value("-outPka"), value("-dStep").by(kNone), value("-sStep").by(kNone), value("-d1").by(kCouplingSelection),
    value("-dN").by(kCouplingSelection), value("-s1").by(kCouplingSelection), value("-sN").by(kCouplingSelection),
    value("-sID").by(kNone), value("-a1").by(kStructure), flag("-excl").by(kCouplingSelection),
    flag("-inc").by(kCouplingSelection), flag("-fixedDI").by(kComparisons), flag("-nofixedDI").by(kComparisons),
    value("-rem").by(kRemarked), flag("-yzInv").by(kTensorAnalysis), flag("-noyzInv").by(kTensorAnalysis),
    input("-inp").by(kPrediction), value("-outDa"),
    value("-outMap"), value("-outAng"), input("-pot").by(kElectrostaticModel).when(Needs::rod),
    grid3D(input("-pot3D").by(mode(kModeSteric) | mode(kModeElectrostatic) | mode(kModeStericGrid))),
    input("-pka").by(kChargeSetUp), input("-inE").by(mode(kModeStericGrid)), value("-outE"), value("-flex"),
    value("-dcEns"), value("-ave"), input("-pdbF").by(mode(kModeStericFree)), value("-pdbRot"),
    value("-rotID").by(kEulerSolution), value("-outEAx"), value("-aD1").by(kCouplingSelection),
    value("-aD2").by(kCouplingSelection), input("-inD1").by(mode(kModeAnalyzeDc)),
    input("-inD2").by(mode(kModeAnalyzeDc)), input("-inCS").by(kNone), value("-outS"), value("-outCS"),
    input("-ref").by(kNone), value("-path").by(kNone), input("-list").by(kNone), value("-sPath").by(kNone),
    value("-sList").by(kNone), value("-rList").by(kNone), value("-csThresh").by(kNone),
    value("-vcThresh").by(kNone), flag("-fit").by(kNone), flag("-nofit").by(kNone),

    flag("-bic").by(kMedium), flag("-pf1").by(kMedium), flag("-3D").by(kMedium), value("-wv").by(kMedium),
    grid3D(value("-vol").by(kMedium)), grid3D(value("-mwLC").by(kMedium)), grid3D(value("-massLC").by(kMedium)),
    grid3D(value("-unitLC").by(kMedium)), grid3D(value("-polyLC").by(kMedium)), value("-dot").by(kMedium),
    // The 3-D grid's own spacings are -dX, -dY and -dZ: -dGrid steps the wall's and the rod's positions.
    value("-digPsi").by(kMedium), value("-dGrid").by(kMedium).when(Needs::wallOrRod), grid3D(value("-dX").by(kMedium)),
    grid3D(value("-dY").by(kMedium)), grid3D(value("-dZ").by(kMedium)), grid3D(value("-nX").by(kMedium)),
    grid3D(value("-nY").by(kMedium)), grid3D(value("-nZ").by(kMedium)), grid3D(value("-maxPot").by(kMedium)),
    grid3D(value("-z1").by(kMedium)), grid3D(value("-zN").by(kMedium)), value("-rM").by(kMedium),
    value("-lcS").by(kMedium), flag("-H").by(kStructure | mode(kModeStericFree)),
    flag("-noH").by(kStructure | mode(kModeStericFree)), flag("-surf").by(kMedium), flag("-nosurf").by(kMedium),
    value("-rA").by(kMedium), value("-rim").by(kRim), value("-pRatio").by(kMedium),
    value("-lM").by(kNone, kRimGeometry), value("-rimDisc").by(kNone, kRimGeometry),

    // The salt and the surface charge are the wall's and the rod's; the 3-D medium's potential holds its own.
    value("-pH").by(kPrediction & ~kUncharged), value("-nacl").by(kElectrostaticModel).when(Needs::wallOrRod),
    value("-chSurf").by(kElectrostaticModel).when(Needs::wallOrRod),
    // The interface structure of -elKorim places the molecule -dIFace from the surface; no steric run
    // writes one, nor does the structure analysis, which computes no potential (no -cut or -kPot).
    value("-dIFace").by(kPrediction & ~kSteric & ~mode(kModeAnalyzePdb)).when(Needs::wallOrRod),
    list("-cut").by(kModelSettings & ~mode(kModeAnalyzePdb)), flag("-elInfo").by(kModelSettings),
    flag("-noelInfo").by(kModelSettings), flag("-dipole").by(kPrediction), flag("-nodipole").by(kPrediction),
    flag("-chSel").by(kPrediction), flag("-nochSel").by(kPrediction), flag("-pkaDef").by(kChargeSetUp),
    flag("-nopkaDef").by(kChargeSetUp), flag("-charmm").by(kPrediction), flag("-charmm22").by(kPrediction),
    flag("-nocharmm").by(kPrediction), flag("-chTerm").by(kChargeSetUp), flag("-nochTerm").by(kChargeSetUp),
    value("-kEne").by(kElectrostaticModel).when(Needs::wallOrRod),
    // -kPot divides the rod's potential table; the wall's potential and the 3-D grid take no divisor.
    value("-kPot").by(kModelSettings & ~mode(kModeAnalyzePdb)).when(Needs::rod), value("-kMono").by(kChargeSetUp),
    value("-kDipo").by(kChargeSetUp), value("-kQuad").by(kChargeSetUp), value("-temp").by(kElectrostaticModel).when(Needs::wallOrRod),
    value("-kAtt").by(kElectrostaticModel).when(Needs::wallOrRod), value("-pow").by(kNone),

    flag("-dcHH").by(mode(kModeConvert), kHH), flag("-nodcHH").by(mode(kModeConvert), kHH),
    flag("-scale").by(mode(kModeConvert), kNormalisation), flag("-unscale").by(mode(kModeConvert), kNormalisation),
    flag("-xplor").by(mode(kModeConvert), kFormat), flag("-cns").by(mode(kModeConvert), kFormat),
    flag("-tbl").by(mode(kModeConvert), kFormat), flag("-dyana").by(mode(kModeConvert), kFormat),
    flag("-korim").by(mode(kModeConvert), kFormat), flag("-rosetta").by(mode(kModeConvert), kFormat),
    flag("-dcNoise").by(mode(kModeConvert)).when(Needs::noisedFormat, kNoisedFormat),
    value("-tensID").by(mode(kModeConvert) | kSearches),

    list("-inS1").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzePdb)), list("-inS2").by(mode(kModeAnalyzeSaupe)),
    list("-hinge").by(mode(kModeAnalyzeSaupe), "the hinge axis of -anA"),
    list("-twist").by(mode(kModeAnalyzeSaupe), "the twist axis of -anA"), value("-outA"),
    flag("-add").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzeDc), kOperation),
    flag("-sub").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzeDc), kOperation),
    flag("-mul").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzeDc), kOperation),
    flag("-div").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzeDc), kOperation),
    flag("-max").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzeDc), kOperation),
    value("-c1").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzeDc)),
    value("-c2").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzeDc)), value("-outP"),
    list("-inS").by(mode(kModeAnalyzeSaupe) | mode(kModeAnalyzePdb)),
    flag("-user").by(mode(kModeAnalyzePdb), kOrderMatrix), flag("-ster").by(mode(kModeAnalyzePdb), kOrderMatrix),
    // The charges are set up by the predictions, the charge set-ups and the structure analysis.
    flag("-el").by(kPrediction, "the charged model of -anPdb and of the predictions from -pdb"),

    flag("-noave").by(kHistograms, kAverage), value("-bin").by(kHistograms), value("-nFit").by(kHistograms),
    // The likelihood of -daMl takes every coupling; only the histograms take the extremes in.
    value("-sdevDzz").by(kHistograms), value("-sdevDyy").by(kHistograms),
    value("-daLo").by(mode(kModeDaFlex), kFlexBounds), value("-daHi").by(mode(kModeDaFlex), kFlexBounds),
    value("-rhLo").by(mode(kModeDaFlex), kFlexBounds), value("-rhHi").by(mode(kModeDaFlex), kFlexBounds),
    value("-nSel").by(mode(kModeDaFlex) | fit(kSpreadExhaustSel)), value("-nRun").by(mode(kModeDaFlex)),
    value("-outCol"), value("-outSc"), value("-lDa").by(kLikelihoodGrid), value("-hDa").by(kLikelihoodGrid),
    value("-incDa").by(mode(kModeDaMl)), value("-lR").by(kLikelihoodGrid), value("-hR").by(kLikelihoodGrid),
    value("-incR").by(mode(kModeDaMl)), flag("-nomapMl").by(mode(kModeDaMl), kTransform),
    flag("-mapMl").by(mode(kModeDaMl), kTransform),

    list("-fixAa").by(kSearches), list("-fixRes").by(kSearches), list("-dcID").by(kSearches),
};

const OptionWord* find(const char* w) {
  if (w == nullptr) return nullptr;
  for (const OptionWord& o : kWords)
    if (std::strcmp(o.word, w) == 0) return &o;
  return nullptr;
}

// True when b is a with one character inserted, deleted or changed, or two neighbouring
// characters swapped (one slip of the fingers, as -sinlge for -single).
bool oneEditApart(const std::string& a, const std::string& b) {
  const std::string& s = a.size() <= b.size() ? a : b;  // the shorter
  const std::string& l = a.size() <= b.size() ? b : a;
  if (l.size() - s.size() > 1) return false;
  size_t i = 0;
  while (i < s.size() && s[i] == l[i]) i++;
  if (s.size() == l.size()) {
    if (i >= s.size()) return false;
    if (s.compare(i + 1, std::string::npos, l, i + 1) == 0) return true;
    return i + 1 < s.size() && s[i] == l[i + 1] && s[i + 1] == l[i] &&
           s.compare(i + 2, std::string::npos, l, i + 2) == 0;
  }
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

// The variants of -bestFit that draw -map trials: a count written after one of them is its -map.
std::string trialsAdvice(const char* option, const char* word) {
  static const char* const kDrawing[] = {"-jack", "-mcDc", "-mcStruc", "-rand"};
  // A count of trials: decimal digits, not all zeros, within the int of -map.
  const size_t n = std::strlen(word);
  const bool count = n > 0 && n < 10 && std::strspn(word, "0123456789") == n && std::strspn(word, "0") < n;
  if (!count || std::none_of(std::begin(kDrawing), std::end(kDrawing),
                             [&](const char* w) { return std::strcmp(w, option) == 0; }))
    return "";
  return std::string("; -map ") + word + " gives " + option + " its trials";
}

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
      why += ", takes no value" + trialsAdvice(o.word, argv[i]);
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

// Switches that set one setting, in the order they are read (the last one read counts), each with
// the value it stores, and what the setting chooses. A run reads the setting where it reads every
// switch of it (OptionWord::readBy; -verb and -ave have readings of their own beside).
struct Switch {
  const char* word;
  int value;
};
struct SwitchGroup {
  const char* chooses;
  Switch words[7];
};

constexpr SwitchGroup kSwitchGroups[] = {
    {"the variant of -bestFit",
     {{"-rand", 4}, {"-exhaust", 5}, {"-exhaustSel", 6}, {"-single", 0}, {"-jack", 1}, {"-mcDc", 2}, {"-mcStruc", 3}}},
    {"the peak selection", {{"-dcOpt", 1}, {"-nodcOpt", 0}}},
    {"the couplings each trial keeps", {{"-nDfixed", 1}, {"-nonDfixed", 0}}},
    {"the noise", {{"-vecNoise", 1}, {"-angNoise", 0}}},
    {"the noise cone", {{"-fixCone", 1}, {"-nofixCone", 0}}},
    {"the cone-width search", {{"-autoCone", 1}, {"-noautoCone", 0}}},
    {"the error-bar scaling", {{"-autoMc", 1}, {"-noautoMc", 0}}},
    {"the tensor", {{"-svd", 0}, {"-saupe", 1}, {"-align", 1}, {"-fixed", 2}, {"-nofixed", 3}, {"-dadr", 4}}},
    {"the Euler angles", {{"-euler", 1}, {"-noeuler", 0}}},
    {"the table format", {{"-verb", 1}, {"-noverb", 0}}},
    {"the quality factor", {{"-qDa", 1}, {"-qRms", 0}, {"-qStd", 2}}},
    {"the fits kept", {{"-err", 1}, {"-noerr", 0}}},
    {"the residue range", {{"-excl", 1}, {"-inc", 2}}},
    {"the dipolar interaction values", {{"-fixedDI", 1}, {"-nofixedDI", 0}}},
    {"the order of the y and z axes", {{"-yzInv", 1}, {"-noyzInv", 0}}},
    {"the medium", {{"-bic", 1}, {"-pf1", 2}, {"-3D", 3}}},
    {"the hydrogens", {{"-H", 1}, {"-noH", 0}}},
    {"the surface atoms", {{"-surf", 1}, {"-nosurf", 0}}},
    {"the electrostatic information", {{"-elInfo", 1}, {"-noelInfo", 0}}},
    {"the dipole approximation", {{"-dipole", 1}, {"-nodipole", 0}}},
    {"the charged atoms", {{"-chSel", 1}, {"-nochSel", 0}}},
    {"the default pKa values", {{"-pkaDef", 1}, {"-nopkaDef", 0}}},
    {"the partial charges", {{"-charmm", 1}, {"-charmm22", 2}, {"-nocharmm", 0}}},
    {"the charges at the termini", {{"-chTerm", 1}, {"-nochTerm", 0}}},
    {"the H-H couplings", {{"-dcHH", 1}, {"-nodcHH", 0}}},
    {"the normalisation", {{"-scale", 1}, {"-unscale", 0}}},
    {"the format", {{"-xplor", 0}, {"-cns", 1}, {"-tbl", 2}, {"-dyana", 3}, {"-korim", 4}, {"-rosetta", 5}}},
    {"the operation", {{"-add", 1}, {"-sub", 2}, {"-mul", 3}, {"-div", 4}, {"-max", 5}}},
    {"the order matrix", {{"-user", 2}, {"-ster", 0}, {"-el", 1}}},
    {"the extremes' average", {{"-noave", 0}, {"-ave", 1}}},
    {"the transform of the couplings", {{"-nomapMl", 0}, {"-mapMl", 1}}},
    {"the name matching", {{"-exact", 1}, {"-regex", 2}, {"-glob", 3}}},
    {"the atom name matching", {{"-aExact", 1}, {"-aRegex", 2}, {"-aGlob", 3}}},
    {"the residue name matching", {{"-rExact", 1}, {"-rRegex", 2}, {"-rGlob", 3}}},
    {"the chain name matching", {{"-cExact", 1}, {"-cRegex", 2}, {"-cGlob", 3}}},
    {"the segment name matching", {{"-sExact", 1}, {"-sRegex", 2}, {"-sGlob", 3}}},
};

// The options of the atom selection that choose atoms.
constexpr const char* kSelecting[] = {"-res", "-r1", "-rN", "-atom", "-atomName", "-resName",
                                      "-chain", "-seg", "-inv", "-clear", "-set"};

// The line of a run whose atom selection does not choose its couplings: "korim: the atom selection
// <given> chooses atoms, not the couplings of <what>; this run is <run> and <tail>."
void warnSelectionNotCouplings(const std::string& given, const std::string& run, const char* what,
                               const std::string& tail) {
  std::fprintf(stderr, "korim: the atom selection %s chooses atoms, not the couplings of %s; this run is %s and %s.\n",
               given.c_str(), what, run.c_str(), tail.c_str());
}

// The places where w stands as an option (not as another option's value), in command-line order.
std::vector<int> standing(const Words& words, const char* w) {
  std::vector<int> at;
  for (size_t i = 1; i < words.option.size(); i++)
    if (words.option[i] != nullptr && std::strcmp(words.option[i]->word, w) == 0) at.push_back(static_cast<int>(i));
  return at;
}

// The atom selection as the command line gives it ("-chain B -r1 10"); "" for none. It is read
// with -pdb only.
std::string selectionGiven(int argc, char** argv, const Words& words) {
  std::string given;
  for (const char* w : kSelecting)
    for (const int at : standing(words, w))
      if (foundation::argConsumed(at)) given += (given.empty() ? "" : " ") + words.copy(argc, argv, at);
  return given;
}

// -inv beside an option that sets the selection's mode (a range, a name list, -clear or -set),
// which takes its place: said in the line of an option the run does not use. Returns 1 when said.
int warnInvReplaced(int argc, char** argv, const Words& words, const std::string& run) {
  const std::vector<int> inv = standing(words, "-inv");
  if (inv.empty() || !foundation::argConsumed(inv[0])) return 0;
  std::string replacing;
  for (const char* w : kSelecting)
    for (const int at : standing(words, w))
      if (std::strcmp(w, "-inv") != 0 && foundation::argConsumed(at))
        replacing += (replacing.empty() ? "" : " ") + words.copy(argc, argv, at);
  if (replacing.empty()) return 0;
  std::fprintf(stderr,
               "korim: -inv chooses the inverted selection, given alone; this run is %s with %s, which sets the "
               "selection in its place, and does not use it.\n",
               run.c_str(), replacing.c_str());
  return 1;
}

bool anywhere(int argc, char** argv, const char* w) {
  for (int i = 1; i < argc; i++)
    if (argv[i] != nullptr && std::strcmp(argv[i], w) == 0) return true;
  return false;
}

// What an option chooses, by the runs that read it: "a setting of -stKorim, -elKorim and -anPdb",
// "a setting of -bestFit (-jack, -mcDc or -mcStruc)"; "nothing any run of korim reads".
std::string settingOf(Runs runs) {
  std::vector<std::string> modes;
  for (const ModeWord& m : modeWords()) {
    if (m.mode != kModeBestFit) {
      // A steric prediction read by its runs with charges only (or with -el only) is named so.
      const Runs all = mode(m.mode), read = runs & all;
      const bool el = read != all && read == runBit(m.mode, 0, couplings::kTensorSVD, Charges::model);
      if (read != 0) modes.push_back(std::string(m.word) + (el ? " with -el" : read != all ? " with charges" : ""));
      continue;
    }
    std::vector<std::string> variants;
    for (int v = kSpreadSingle; v <= kSpreadExhaustSel; v++)
      if ((runs & fit(v)) != 0) variants.emplace_back(spreadWord(v));
    if (variants.size() == kSpreadExhaustSel + 1) {
      modes.emplace_back(m.word);
    } else if (!variants.empty()) {
      std::string fits = std::string(m.word) + " (" + variants[0];
      for (size_t i = 1; i < variants.size(); i++) fits += (i + 1 < variants.size() ? ", " : " or ") + variants[i];
      modes.push_back(fits + ")");
    }
  }
  return modes.empty() ? "nothing any run of korim reads" : "a setting of " + foundation::listedItems(modes);
}

// The run as named to the user: "the best fit (-bestFit -jack)", "the steric prediction (-stKorim,
// the default mode)".
std::string runShown(int argc, char** argv, const KorimInfo& k) {
  const int mode = k.korimMode >= 1 && k.korimMode <= kModeConvert ? k.korimMode : kModeSteric;
  std::string s = std::string(modeName(mode)) + " (" + modeWord(mode);
  if (mode == kModeBestFit) s += std::string(" ") + spreadWord(k.spreadMode);
  // A steric prediction with -el runs the electrostatic model: said, as the options it reads name it.
  const bool el = (mode == kModeSteric || mode == kModeStericGrid) && k.elInfo.elFlag != 0;
  if (el) s += " with -el";
  if (mode == kModeSteric && !anywhere(argc, argv, "-stKorim")) s += ", the default mode";
  return s + ")";
}

// The run has the setting an option needs.
bool holds(Needs needs, const KorimInfo& k) {
  switch (needs) {
    case Needs::grid3D: return k.lcType == kLc3D;
    case Needs::wallOrRod: return k.lcType != kLc3D;
    case Needs::rod: return k.lcType == kLcRod;
    case Needs::givenCone: return !(k.korimMode == kModeBestFit && k.spreadMode == kSpreadMcStructure && k.nConeFlag != 0);
    case Needs::coneSearch: return k.nConeFlag != 0;
    case Needs::givenFactor: return k.mcAdjustFlag == 0;
    case Needs::noisedFormat: return k.korimMode != kModeConvert || k.outFormat != kFormatTbl;
    default: return true;
  }
}

// The setting of the run that an option needs and the run lacks, after the run's name: " in the wall
// medium (-bic)".
const char* settingShown(Needs needs, const KorimInfo& k) {
  switch (needs) {
    case Needs::grid3D: return k.lcType == kLcRod ? " in the rod medium (-pf1)" : " in the wall medium (-bic)";
    case Needs::wallOrRod: return " in the 3-D medium (-3D)";
    case Needs::rod: return k.lcType == kLc3D ? " in the 3-D medium (-3D)" : " in the wall medium (-bic)";
    case Needs::givenCone: return " with -autoCone (the default), whose search sets the cone width,";
    case Needs::coneSearch: return " with -noautoCone, which searches no width,";
    case Needs::givenFactor: return " with -autoMc (the default), whose search sets the factor,";
    case Needs::noisedFormat: return " in its residue listing (-tbl, the default format), which adds no noise,";
    default: return "";
  }
}

// Two or more switches of one group given with different values: which one counts.
int warnOverridden(int argc, char** argv, const Words& words, const char* chooses, std::span<const Switch> switches) {
  const Switch* used = nullptr;  // the last read, wherever it stands (its reader finds it anywhere)
  for (const Switch& s : switches)
    if (s.word != nullptr && anywhere(argc, argv, s.word)) used = &s;
  if (used == nullptr || standing(words, used->word).empty() ||
      !foundation::argConsumed(standing(words, used->word)[0]))
    return 0;
  // The switches that stand as options, by the place of their first copy: the one used and those
  // of another value.
  std::vector<std::pair<int, const char*>> given;
  for (const Switch& s : switches)
    if (s.word != nullptr && (&s == used || s.value != used->value) && !standing(words, s.word).empty())
      given.emplace_back(standing(words, s.word)[0], s.word);
  if (given.size() < 2) return 0;
  std::sort(given.begin(), given.end());
  std::vector<std::string> all, lost;
  for (const auto& [at, w] : given) {
    all.emplace_back(w);
    if (w != used->word) lost.emplace_back(w);
  }
  std::fprintf(stderr, "korim: options %s choose %s: %s is used; %s %s not.\n",
               foundation::listedItems(all).c_str(), chooses, used->word, foundation::listedItems(lost).c_str(),
               lost.size() > 1 ? "are" : "is");
  return 1;
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
    } else if (words.owner[i] < 0 && !blank(w) && refuseStray(argc, argv, words, i)) {
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
    if (first == 0 || !foundation::argConsumed(first)) continue;
    // A switch's copies read alike: each is named with its place.
    const auto shown = [&](int i) {
      return o.takes == Takes::Nothing ? words.copy(argc, argv, i) + " (argument " + std::to_string(i) + ")"
                                       : words.copy(argc, argv, i);
    };
    std::vector<std::string> others;
    for (int i = first + 1; i < argc; i++) {
      if (words.option[i] != &o) continue;
      others.push_back(shown(i));
      markUsed(argc, argv, words, i);
    }
    if (others.empty()) continue;
    std::fprintf(stderr, "korim: option %s is given %zu times: %s is used; %s %s not.\n", o.word,
                 others.size() + 1, shown(first).c_str(), foundation::listedItems(others).c_str(),
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

int warnUnusedChoices(int argc, char** argv, const KorimInfo& k, int tensorMode) {
  const Words words(argc, argv);
  int warned = 0;
  std::vector<Switch> modes;
  for (const ModeWord& m : modeWords()) modes.push_back({m.word, m.mode});
  warned += warnOverridden(argc, argv, words, "the mode", modes);
  // The electrostatic model (-el) reads the charges; without it, only -charmm22's depend on pH.
  const Charges charges = k.elInfo.elFlag != 0    ? Charges::model
                          : k.elInfo.charmm == 2 ? Charges::titrated
                          : k.elInfo.charmm == 1 ? Charges::forceField
                                                 : Charges::none;
  const Runs thisRun = runBit(k.korimMode, k.spreadMode, tensorMode, charges);
  for (const SwitchGroup& g : kSwitchGroups) {
    Runs readers = kEveryRun;
    for (const Switch& w : g.words)
      if (w.word != nullptr) readers &= find(w.word)->readBy;
    if ((readers & thisRun) != 0) warned += warnOverridden(argc, argv, words, g.chooses, g.words);
  }
  const std::string run = runShown(argc, argv, k);
  for (const OptionWord& o : kWords) {
    const bool mode = (o.readBy & thisRun) != 0;
    if (mode && holds(o.needs, k)) continue;
    // An option no reader took (a selection without -pdb) is left to the final check.
    const std::vector<int> at = standing(words, o.word);
    if (at.empty() || !foundation::argConsumed(at[0])) continue;
    // The rod's radial potential (-pot) is named with its medium: the wall reads the file, and uses none.
    const std::string chooses = o.chooses != nullptr          ? o.chooses
                                : o.needs == Needs::rod ? settingOf(o.readBy) + " in the rod medium (-pf1)"
                                                        : settingOf(o.readBy);
    std::fprintf(stderr, "korim: %s chooses %s; this run is %s%s and does not use it.\n", o.word, chooses.c_str(),
                 run.c_str(), mode ? settingShown(o.needs, k) : "");
    warned++;
  }
  warned += warnInvReplaced(argc, argv, words, run);
  const std::string given = selectionGiven(argc, argv, words);
  if (k.korimMode == kModeBestFit && !given.empty()) {
    warnSelectionNotCouplings(given, run, "a fit", "fits the couplings that -s1 and -sN choose");
    warned++;
  }
  return warned;
}

std::string atomSelectionGiven(int argc, char** argv) { return selectionGiven(argc, argv, Words(argc, argv)); }

std::string noAtomSelected(const std::string& given, const structure::PDBInfo& pdb, int selectID) {
  // The mark 0 is that of an atom not selected: the atoms the selection chooses get it too.
  if (selectID == 0 && !foundation::givenOption("-id").empty())
    return "PDB Error: no atom selected; " + foundation::givenOption("-id") +
           " marks the atoms the selection chooses with 0, the mark of an atom not selected; the default, " +
           foundation::adviseOption("-id", "1") + ", selects them.\n";
  if (given.empty()) return "PDB Error: no atom selected; the selection options match no atom of the structure.\n";
  // The names of the structure's chains or segments, each once, in the order they are read.
  const auto names = [](auto* list, int count, auto name) {
    std::vector<std::string> out;
    for (int i = 0; list != nullptr && i < count; i++) {
      const std::string n = name(list[i])[0] != '\0' ? name(list[i]) : "unnamed";
      if (std::find(out.begin(), out.end(), n) == out.end()) out.push_back(n);
    }
    return foundation::listedItems(out);
  };
  // A selection option stands as a word of its own in the selection text.
  const auto gives = [&](const char* option) { return (" " + given + " ").find(std::string(" ") + option + " ") != std::string::npos; };
  std::vector<std::string> holds;
  if (gives("-chain"))
    holds.push_back("its chains: " + names(pdb.chainList, pdb.chainCount, [](const structure::ChainInfo& c) { return c.chainID; }));
  if (gives("-seg"))
    holds.push_back("its segments: " + names(pdb.segList, pdb.segCount, [](const structure::SegInfo& c) { return c.segID; }));
  if (gives("-res") || gives("-r1") || gives("-rN"))
    holds.push_back("its residues: " + std::to_string(pdb.minResID) + " to " + std::to_string(pdb.maxResID));
  std::string line = "PDB Error: no atom selected; the selection " + given + " matches no atom of the structure";
  if (!holds.empty()) {
    line += " (";
    for (size_t i = 0; i < holds.size(); i++) line += (i > 0 ? "; " : "") + holds[i];
    line += ")";
  }
  return line + ".\n";
}

std::string warnCouplingPlaces(const std::string& given, int argc, char** argv, const KorimInfo& k,
                               structure::PDBInfo& pdb, const couplings::DTable& t, int aOff, const char* tableName) {
  // A prediction compares its tensor, from the selected atoms, with the couplings where they map.
  const bool predicts = k.korimMode == kModeSteric || k.korimMode == kModeElectrostatic || k.korimMode == kModeStericGrid;
  const std::string lead = predicts && !given.empty()
                               ? "korim: the atom selection " + given + " chooses atoms, not the couplings of a "
                                 "prediction; this run is " + runShown(argc, argv, k) + " and"
                               : "";
  return couplings::reportUnnamedPlaces(&pdb, &t, aOff, tableName, lead);
}

}  // namespace korim::app
