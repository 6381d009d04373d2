// Settings records of one korim run (KorimInfo with its sub-records, DcInfo) and the run-mode constants.
//
// This header holds types and constants only, so that every subsystem that reads the settings
// (couplings, simulation, charges, fitting, assignment, the driver) reaches them from below.
// Defaults are stored by korimInfoNull and dcInfoNull (settings/settings_null.h).
#ifndef KORIM_SETTINGS_SETTINGS_H
#define KORIM_SETTINGS_SETTINGS_H

namespace korim::settings {

// Run modes (KorimInfo.korimMode), as chosen by the mode flags of the command line.
constexpr int kModeSteric = 1;             // -stKorim (default)
constexpr int kModeStericFree = 2;         // -stKorimFree
constexpr int kModeStericGrid = 3;         // -stKorimGrid
constexpr int kModeElectrostatic = 4;      // -elKorim
constexpr int kModeElectrostaticFree = 5;  // -elKorimFree
constexpr int kModeElectrostaticGrid = 6;  // -elKorimGrid
constexpr int kModeBestFit = 7;            // -bestFit
constexpr int kModeChemShift = 8;          // -csSim
constexpr int kModeDaHist = 9;             // -daHist
constexpr int kModeDaMl = 10;              // -daMl
constexpr int kModeDaFlex = 11;            // -daFlex
constexpr int kModeAsRan = 12;             // -asRan
constexpr int kModeAnalyzeDc = 13;         // -anDc
constexpr int kModeAnalyzeSaupe = 14;      // -anA
constexpr int kModeAnalyzePdb = 15;        // -anPdb
constexpr int kModeStructNoise = 16;       // -struc
constexpr int kModeConvert = 17;           // -conv

// Best-fit variants (KorimInfo.spreadMode).
constexpr int kSpreadSingle = 0;       // -single
constexpr int kSpreadJackknife = 1;    // -jack
constexpr int kSpreadMcCouplings = 2;  // -mcDc
constexpr int kSpreadMcStructure = 3;  // -mcStruc
constexpr int kSpreadRandom = 4;       // -rand
constexpr int kSpreadExhaustive = 5;   // -exhaust
constexpr int kSpreadExhaustSel = 6;   // -exhaustSel

// Medium models (KorimInfo.lcType).
constexpr int kLcWall = 1;  // -bic: bicelle wall
constexpr int kLcRod = 2;   // -pf1: filamentous phage rod
constexpr int kLc3D = 3;    // -3D: user three-dimensional potential grid

// Arithmetic of the comparison modes (KorimInfo.opCode).
constexpr int kOpAdd = 1;
constexpr int kOpSub = 2;
constexpr int kOpMul = 3;
constexpr int kOpDiv = 4;
constexpr int kOpMax = 5;

// The default half thickness of the wall (-rM), Angstrom.
constexpr float kRadiusModelDefault = 20.0f;
// The default radius of the rod (-rM with -pf1), Angstrom.
constexpr float kRodRadiusDefault = 33.5f;
// The default step of the molecule's positions from the medium (-dGrid), Angstrom.
constexpr float kGridSpacingDefault = 0.2f;
// The default sphere of orientations (-dot, its density) and turns about each of its dots (-digPsi).
constexpr int kDensityDefault = 100;
constexpr int kDigPsiDefault = 18;

// Conversion formats (KorimInfo.outFormat).
constexpr int kFormatXplor = 0;
constexpr int kFormatCns = 1;
constexpr int kFormatTbl = 2;
constexpr int kFormatDyana = 3;
constexpr int kFormatKorim = 4;
constexpr int kFormatRosetta = 5;

// Capacities of the fixed lists of the settings.
constexpr int kExCheckMax = 25;  // KorimInfo.exCheckList
constexpr int kChainDcMax = 3;   // KorimInfo.chainDc

// DcInfo range values below this mean "no range given".
constexpr int kNoRangeLimit = -99999;
constexpr int kNoRange = -999999;

// Domain positioning and two-domain ensembles; also set by the configuration file (keys in comments).
struct GridInfo {
  int outEflag;          // ensemble output mode ("OUTPUT_ENSEMBLE:")
  int densE;             // orientation density of the ensemble ("ENSEMBLE_DENSITY:")
  int angleDomFlag;      // domain-angle switch ("DOMAIN_ANGLE_VAR:")
  float angleDom[3];     // alpha, beta, gamma of the second domain, degrees ("DOM_ANG_ALPHA:" ...)
  int resDom1Origin;     // residue at the origin of domain 1 ("ORIGIN_DOM1:")
  int resDom2Origin;     // residue at the origin of domain 2 ("ORIGIN_DOM2:")
  int startResDom2;      // first residue of domain 2 ("START_RESID_2:")
  int startResDom1;      // first residue of domain 1 ("START_RESID_1:")
  int endResDom1;        // last residue of domain 1 ("END_RESID_1:")
  int endResDom2;        // last residue of domain 2 ("END_RESID_2:")
  int digPsiE;           // steps of the third ensemble angle ("ENSEMBLE_GAMMA:")
  float lBetaCone;       // lower beta bound of the orientation cone, degrees ("BETA_L:")
  float hBetaCone;       // upper beta bound, degrees ("BETA_H:")
  float cAlphaCone;      // alpha centre of the cone, degrees ("ALPHA_CENTER:")
  float errAlphaCone;    // alpha width of the cone, degrees ("ALPHA_WIDTH:")
  int startResPart1;     // first residue of angle part 1 ("START_RES_ANGLE_1:")
  int endResPart1;       // last residue of angle part 1 ("END_RES_ANGLE_1:")
  int startResPart2;     // first residue of angle part 2 ("START_RES_ANGLE_2:")
  int endResPart2;       // last residue of angle part 2 ("END_RES_ANGLE_2:")
  int clashFlag;         // 1: check ensemble members for inter-domain clashes ("ENSEMBLE_CLASH:")
  float clashDist;       // clash distance, Angstrom ("CLASH_DISTANCE:")
  int initOrientFlag;    // 1: align the structure along z first ("ALIGN_ALONG_Z:")
  int pivotCenter;       // pivot at the centre ("CENTER_PIVOT:")
  int fixRotDomain;      // 1: keep the position of domain 1 fixed ("FIX_POSITION_DOM1:")
};

// Default of ElInfo.cutoffPot: the smallest potential magnitude (kT/e) that the electrostatic
// models of the wall and the rod still simulate.
constexpr double kCutoffPotDefault = 6.0e-6;

// Electrostatics and charges.
struct ElInfo {
  float pow;             // -pow; kept for completeness, unused
  float kAtt;            // length used by the electrostatic model, Angstrom (-kAtt)
  int elFlag;            // 1: electrostatics on (electrostatic modes, -el)
  int pkaFlag;           // 1: use the default pKa values (-pkaDef, -nopkaDef)
  int charmm;            // partial-charge set: 0 none, 1 CHARMM19, 2 CHARMM22
  int dipoleFlag;        // 1: treat the molecule as a dipole
  int chSelFlag;         // 1: use charged atoms only
  float pH;              // pH
  float concNaCl;        // NaCl concentration, mol/l
  float chDensSurf;      // surface charge density of the medium, e/nm^2
  int chTerminiFlag;     // 1: charges at the termini
  float kEnergy;         // factor of the energy in the Boltzmann weight exp(-kEnergy E) (-kEne)
  float kPot;            // scaling (divisor) of the potential
  float kMonoCh;         // scaling of the monopole charges
  float kDipoCh;         // scaling of the dipole charges
  float kQuadCh;         // scaling of the quadrupole charges
  double cutoffPot;      // smallest potential magnitude simulated, kT/e (-cut for the rod)
  double cutoffDist;     // -cut for the wall: largest distance simulated, Angstrom; < 0: not given
  float maxPot;          // largest potential magnitude used, kT/e
  int z1;                // first z plane of the 3-D grid
  int zN;                // last z plane of the 3-D grid
  float temperaturePot;  // Boltzmann temperature, K
  int chFlag;            // 1: report electrostatic information
  float iFace;           // surface distance of the interaction face, Angstrom
  float kNegCh;          // not set or read by any step
  float kPosCh;          // not set or read by any step
};

// Estimation of Da and R from coupling distributions (histogram, likelihood).
struct HistInfo {
  int binCount;      // bin count; unused
  float dcMin;       // result: smallest coupling of the histogram
  float dcMax;       // result: largest coupling of the histogram
  float Da2Par;      // result: Da of the histogram fit
  float R2Par;       // result: R of the histogram fit
  float daLo;        // smallest Da allowed in the histogram fit
  float daHi;        // largest Da allowed in the histogram fit
  float rhLo;        // smallest R allowed in the histogram fit
  float rhHi;        // largest R allowed in the histogram fit
  int optExtrem;     // 1: average the minimum and maximum couplings
  int nBinIn;        // number of bins; 0 automatic
  int modeFit;       // degree of the nonlinear fit
  float sdevDzz;     // scaling of the Dzz error
  float sdevDyy;     // scaling of the Dyy error
  float Dzz;         // result
  float Dyy;         // result
  float Dxx;         // result
  int nBins;         // result: number of bins used
  float binWidth;    // result: bin width used
  float DaFit;       // result: Da of the fit
  float DaErrFit;    // result: its error
  float RFit;        // result: R of the fit
  float RErrFit;     // result: its error
  int mlMap;         // 1: transform the couplings before the likelihood search
  float lDaMl;       // smallest Da of the likelihood grid (and of the assignment search's window)
  float hDaMl;       // largest Da of the same
  float incDaMl;     // Da step of the grid search
  float lRMl;        // smallest R of the grid (and of the assignment search's window)
  float hRMl;        // largest R of the same
  float incRMl;      // R step of the grid search
  float DaMl;        // result: maximum-likelihood Da
  float DaErrMl;     // result: its error
  float RMl;         // result: maximum-likelihood R
  float RErrMl;      // result: its error
};

// The settings of one run.
struct KorimInfo {
  int validCountD;        // number of valid couplings after selection
  int idum;               // random seed (-idum)
  int korimMode;          // run mode 1..17 (kMode... constants)
  int allowFixedDI;       // 1: fixed dipolar interaction values where possible
  int yzFlag;             // 1: exchange the order of the y and z axes
  int lcType;             // medium model: 1 wall, 2 rod, 3 3-D potential
  float concentration;    // liquid-crystal concentration (-wv)
  float volSample;        // sample volume, microlitres
  float mwLC;             // molecular weight of the liquid-crystal particle, g/mol
  float massLC;           // liquid-crystal mass, g
  float unitLengthLC;     // liquid-crystal unit height, Angstrom
  float polymerDeg;       // polymerisation degree
  int densityNSC;         // orientation density on the sphere
  int digPsiNSC;          // steps of the third orientation angle
  float radiusModel;      // half thickness of the medium model (wall offset, rod radius), Angstrom
  float gridSpacing;      // grid spacing, Angstrom
  int grid3DnX;           // 3-D potential grid positions along X
  int grid3DnY;           // same along Y
  int grid3DnZ;           // same along Z
  float grid3DdeltaX;     // 3-D grid spacing along X, Angstrom
  float grid3DdeltaY;     // same along Y
  float grid3DdeltaZ;     // same along Z
  float includeRim;       // rim switch of the wall model (1.0 turns rim mixing on)
  float molarRatio;       // molar ratio of the medium's components
  float lengthModel;      // length of the medium model
  float orderDiscRim;     // order of the disc rim
  float lcOrder;          // liquid-crystal order, 0..1
  int Hflag;              // 1: keep hydrogens in the atom selection
  int surfFlag;           // 1: surface-accessible atoms only
  float radiusAtom;       // atom radius, Angstrom
  float rSingleCell;      // result: step-out distance of the medium, Angstrom
  int opCode;             // comparison arithmetic (kOp... constants)
  float c1;               // scale factor of the first operand
  float c2;               // scale factor of the second operand
  int eulerFlag;          // 1: solve for Euler angles
  int verbFlag;           // 1: couplings written in the extended format
  int mapMode;            // 1: error mapping uses only best fits within the errors
  int spreadMode;         // best-fit variant (kSpread... constants)
  int noiseMode;          // structural noise: 1 internuclear vectors, 0 dihedral angles
  float mapFrac;          // fraction of the couplings per jackknife step
  int mapFixCount;        // 1: fixed number of couplings in jackknifing
  int coneFix;            // 1: fixed size of the noise cone
  int coneDig;            // digitisation of the noise cone
  double coneWidth;       // standard deviation of the cone-angle distribution
  int nConeFlag;          // 1: adjust the structural noise automatically
  int nConeAdjust;        // steps of the structural-noise adjustment
  float nConeStart;       // starting value of the structural noise
  float nConeInc;         // increment of the structural noise
  int mcAdjustFlag;       // 1: adjust the scaling of the coupling errors automatically
  int nAdjustMc;          // steps of that adjustment
  float mcAdjustFrac;     // required fraction of self-consistent best fits
  float kSigma;           // scaling factor of the experimental coupling errors
  float kLSigma;          // starting scaling factor of the coupling errors
  float incSigma;         // increment of that scaling factor
  int dcProton;           // 1: include proton-proton couplings in the conversion
  int dcID;               // residue number of the tensor pseudo-molecule in restraint output
  int normDc;             // 1: normalise the couplings in the conversion
  int outFormat;          // conversion format (kFormat... constants)
  int dcNoise;            // 1: add noise to the couplings in the conversion
  int elPdbFlag;          // structure analysis: 0 uncharged, 1 charged, 2 user Saupe matrix
  int qFlag;              // quality factor: 1 order matrix, 0 rms, 2 standard deviation
  int rotN;               // index of the Euler solution of the structure written
  int sCount;             // sample count of the flexible-molecule estimation
  int histRan;            // run count of the flexible-molecule estimation
  int nAaCheck;           // entries used in exCheckList
  int exCheckList[kExCheckMax];  // peaks of each amino-acid type, for the assignment search
  int nSel;               // peaks selected for the exhaustive search on a subset
  int dcSelOpt;           // 1: optimise the peak selection
  int nChainDc;           // entries used in chainDc
  char* chainDc[kChainDcMax];    // alignment-medium identifiers (segment names); never null
  GridInfo gridInfo;
  ElInfo elInfo;
  HistInfo histInfo;
};

// Residue range by which couplings are selected.
struct DcInfo {
  int segFirst;     // first residue of the coupling range (kNoRange: not given)
  int segLast;      // last residue of the coupling range (kNoRange: not given)
  int segID;        // segment number
  int segStep;      // step along the segment
  int aFirst;       // first residue in the structure (kNoRange: not given)
  int excludeMode;  // 1 both residues inside, 2 either inside, 3 the larger residue inside
};

}  // namespace korim::settings

#endif  // KORIM_SETTINGS_SETTINGS_H
