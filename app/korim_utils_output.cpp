// Usage text and start-up banner (both on stderr).
//
// The usage text is fixed: every piece is written exactly as stored, nothing is formatted into it.
// Its bracketed values are the defaults a run starts from (settings_null, korimParamsNull, the
// option reader and the tensor and selection readers); [none] marks a residue range not given.
// Option lines: option word from column 1, argument name from column 10, bracketed default from
// column 19, meaning from column 29 (some blocks use other widths, as their literals show).
// Each line is stored once; sections list the blocks they show.
#include "app/korim_utils_output.h"

#include <cstdio>

namespace korim::app {

namespace {

// Lines shown in several sections.
const char kPdb[] = " -pdb     pName    [None]    PDB Input (Required).\n";
const char kInD[] = " -inD     dName    [None]    Dipolar Coupling (Input).\n";
const char kOutD[] = " -outD    dName    [None]    Dipolar Coupling (Output).\n";
const char kPka[] = " -pka     pkaName  [None]    pKa Values (Input).\n";
const char kOutPka[] = " -outPka  pkaName  [None]    Charges (Output).\n";
const char kPdbRot[] = " -pdbRot  pRotName [None]    PDB rotated (Output).\n";
const char kRotID[] = " -rotID   rotID    [0]       Index of Rotation of PDB.\n";
const char kSurf[] = " -surf             [on]      Select Surface Accessible Atoms.\n";
const char kNosurf[] = " -nosurf           [off]     Don't Select Surface Accessible Atoms.\n";
const char kPH[] = " -pH      simEl    [7.0]     pH of Solution (0 to 14).\n";
const char kNoelInfo[] = " -noelInfo         [on]      No Electrostatic Information.\n";
const char kElInfo[] = " -elInfo           [off]     Report Electrostatic Information.\n";
const char kNodipole[] = " -nodipole         [on]      No Dipole Approximation.\n";
const char kDipole[] = " -dipole           [off]     Molecule Treated as Dipole.\n";
const char kNochSel[] = " -nochSel          [on]      Use All Selected Atoms.\n";
const char kChSel[] = " -chSel            [off]     Use Charged Atoms Only.\n";
const char kBestFit[] = " -bestFit          [off]     Best-Fit Mode.\n";
const char kActionFlags[] = "Action Flags:\n";
const char kOtherOptions[] = "Other Options:\n";

const char* const sec1Head[] = {
    " -stKorim          [on]      Steric KORIM Mode.\n", kPdb, kInD, kOutD, kPdbRot, kRotID,
};

// Simulation parameters: the steric sections show simHead, simSphere and simTail; the
// electrostatic section adds its medium and grid lines between them.
const char* const simHead[] = {
    "Simulation Parameters:\n",
    " -bic              [on]      Wall LC Model.\n",
    " -pf1              [off]     Rod LC Model.\n",
    " -wv      conc     [0.05]    Liquid Crystal Concentration [fraction w/v].\n",
};

const char* const simSphere[] = {
    " -dot     density  [100]     Orientation Density (Sphere); a steric run\n",
    "                             below 100 is checked against 100.\n",
    " -digPsi  digPsi   [18]      Orientation Density (3rd angle): turns\n"
    "                             about each direction; a steric run below 18\n"
    "                             is checked against 18, an electrostatic\n"
    "                             order against twice as many.\n",
    " -dGrid   dGrid    [0.2]     Grid Spacing [A] (wall and rod; -3D steps by\n",
    "                             -dX, -dY and -dZ); a larger step is checked\n",
    "                             against finer ones.\n",
};

const char* const simTail[] = {
    " -rM      radius   [20.0]    Half Model Thickness [A]; Rod: Radius [33.5].\n",
    " -lcS     order    [0.8]     Liquid Crystal Order (1e-15 to 1).\n",
    kSurf, kNosurf,
    " -rA      radius   [0.0]     Atom radius [A] (0 or more).\n",
};

const char* const selHead[] = {"PDB Selection Flags:\n"};

const char* const selH[] = {
    " -H                [off]     Simple PDB Selection (all Atoms).\n",
    " -noH              [on]      Simple PDB Selection (all Atoms except H).\n",
};

const char* const selSurf[] = {kSurf, kNosurf};

const char* const selRest[] = {
    " -res     resID              Single Residue for Selection.\n",
    " -r1      res1     [none]    First Residue in Segment (none: no range).\n",
    " -rN      resN     [none]    Last Residue in Segment (none: no range).\n",
    " -atom    aList    [*]       Atom Name List.\n",
    " -resName rList    [*]       Res Name List.\n",
    " -chain   cList    [*]       Chain Name List.\n",
    " -seg     sList    [*]       Seg Name List.\n",
    " -id      sID      [1]       Selection ID.\n",
    " -inv                        Invert Selection.\n",
    "PDB Special Selection; No Other Selection Performed:\n",
    " -clear                      Clear Selection for All Atoms.\n",
    " -set                        Set Selection for All Atoms.\n",
    "PDB Name Matching Modes:\n",
    " -exact                      Match Names Exactly (Default).\n",
    " -regex                      Regular Expression Pattern Matching.\n",
    " -glob                       Glob-style Pattern Matching.\n",
    " -aExact                     Match Atom Names Exactly.\n",
    " -aRegex                     Atom Regular Expression Pattern Matching.\n",
    " -aGlob                      Atom Glob-style Pattern Matching.\n",
    " -rExact                     Match Res Names Exactly.\n",
    " -rRegex                     Res Regular Expression Pattern Matching.\n",
    " -rGlob                      Res Glob-style Pattern Matching.\n",
    " -cExact                     Match Chain Names Exactly.\n",
    " -cRegex                     Chain Regular Expression Pattern Matching.\n",
    " -cGlob                      Chain Glob-style Pattern Matching.\n",
    " -sExact                     Match Seg Names Exactly.\n",
    " -sRegex                     Seg Regular Expression Pattern Matching.\n",
    " -sGlob                      Seg Glob-style Pattern Matching.\n",
};

// Residue range and atom types of the couplings, under "DC Selection Flags:" (with -a1) in the
// structure sections and under "Selection Flags:" in the table-only sections.
const char* const dcHead[] = {
    "DC Selection Flags:\n",
    " -a1      aRes1    [none]    First Res in PDB (none: as -s1).\n",
};

const char* const tabSelHead[] = {"Selection Flags:\n"};

const char* const dcRange[] = {
    " -s1      res1     [none]    First Res in Segment (none: no range).\n",
    " -sN      resN     [none]    Last Res in Segment (none: no range).\n",
    " -aD1     atom     {All}     DC Atom Type 1 used.\n",
    " -aD2     atom     {All}     DC Atom Type 2 used.\n",
};

// The narrow form: argument column 7 wide, defaults from column 17.
const char* const dcNarrow[] = {
    "DC Selection Flags:\n",
    " -a1      aRes1  [none]      First Res in PDB (none: as -s1).\n",
    " -s1      res1   [none]      First Res in Segment (none: no range).\n",
    " -sN      resN   [none]      Last Res in Segment (none: no range).\n",
    " -aD1     atom   {All}       DC Atom Type 1 used.\n",
    " -aD2     atom   {All}       DC Atom Type 2 used.\n",
};

const char* const sec2Head[] = {
    " -elKorim          [off]     Electrostatic KORIM Mode.\n",
    kPdb, kInD,
    " -pot     potName  [None]    1D Electrostatic Potential (Input).\n",
    " -pot3D   potName  [None]    3D Electrostatic Potential (Input; kT/e,\n",
    "                             any finite value; -maxPot or more blocks).\n",
    kPka, kOutD, kOutPka, kPdbRot, kRotID,
};

const char* const sec2Medium[] = {
    " -3D               [off]     3D Potential LC Model.\n",
    " -vol     sim      [515.0]   Sample Volume [ul] (above 0).\n",
    " -mwLC    sim      [268e+3]  Liquid Crystal Molecular Weight [g/mol] (above 0).\n",
    " -massLC  sim      [0.05]    Liquid Crystal Mass [g] (above 0).\n",
    " -unitLC  sim      [1.574]   Liquid Crystal Unit Height [A] (above 0).\n",
    " -polyLC  sim      [1707]    Degree of Polymerization (above 0).\n",
};

const char* const sec2Grid[] = {
    " -nX      nX       [1]       Number of 3D Grid Points along X.\n",
    " -nY      nY       [1]       Number of 3D Grid Points along Y.\n",
    " -nZ      nZ       [1]       Number of 3D Grid Points along Z.\n",
    " -dX      dX       [0.2]     3D Grid Spacing along X [A].\n",
    " -dY      dY       [0.2]     3D Grid Spacing along Y [A].\n",
    " -dZ      dZ       [0.2]     3D Grid Spacing along Z [A].\n",
};

const char* const sec2El[] = {
    "Electrostatic Simulation Parameters:\n",
    kPH,
    " -nacl    simEl    [0.2]     NaCl Concentration [M] (above 0, at most 6;\n",
    "                             150 mM is 0.15).\n",
    " -chSurf  simEl    [-0.47]   Surface Charge Density of LC [e/nm2]\n",
    "                             (-1.5 to 1.5).\n",
    " -cut     simEl    [6e-6]    Rod: Potential Cutoff [kT/e]; Wall: Distance\n",
    "                             Cutoff [A] (default: potential below 6e-6 kT/e,\n",
    "                             at most the half cell rSingleCell; 0 or more).\n",
    " -maxPot  simEl    [5.0]     Maximum Potential Used [kT/e] (above 0).\n",
    " -z1      simEl    [0]       First z Position in 3D Grid (-3D: 1 to nZ).\n",
    " -zN      simEl    [0]       Last z Position in 3D Grid (-3D: 1 to nZ).\n",
};

const char* const elCharges[] = {
    " -pkaDef           [on]      Use Default pKa Values.\n",
    " -nopkaDef         [off]     Don't Use Default pKa Values.\n",
    " -nocharmm         [on]      No Partial Charges.\n",
    " -charmm           [off]     CHARMM19 Partial Charges.\n",
    " -charmm22         [off]     CHARMM22 Partial Charges.\n",
    " -chTerm           [on]      Charges at Termini.\n",
    " -nochTerm         [off]     No Charges at Termini.\n",
};

const char* const sec2Energy[] = {
    " -kEne    simEl    [1.0]     Scaling of Energy (Weight exp(-kEne E); 0 or more).\n",
    " -kPot    simEl    [1.0]     Rod: Divisor of the Potential Table (above 0);\n",
    "                             Wall and 3D: not used.\n",
};

const char* const chargeScale[] = {
    " -kMono   simEl    [1.0]     Scaling of Monopole Charges (0 or more).\n",
    " -kDipo   simEl    [1.0]     Scaling of Dipole Charges (0 or more).\n",
    " -kQuad   simEl    [1.0]     Scaling of Quadrupole Charges (0 or more).\n",
};

const char* const sec2Tail[] = {
    " -temp    simEl    [298.15]  Temperature [K] (230 to 400; 25 C is 298.15).\n",
    " -dIFace  simEl    [50.0]    Surface Distance of Interaction Face [A] (0 or more).\n",
    kNoelInfo, kElInfo, kNodipole, kDipole, kNochSel, kChSel,
};

const char* const sec3Head[] = {
    " -stKorimFree      [off]     Free Format Steric KORIM Mode.\n",
    " -pdbF    pFName   [None]    Free Format Coordinates (Input).\n",
    " -outA    outAName [None]    Saupe Analysis (Output).\n",
};

const char* const sec4Head[] = {
    kBestFit,
    " -single  eMode    [on]      Single Best-Fit.\n",
    " -jack    eMode    [off]     Jackknife Error Estimation.\n",
    " -mcDc    eMode    [off]     Monte-Carlo Error Estimation\n",
    "                             by Addition of Noise to DCs.\n",
    " -mcStruc eMode    [off]     Monte-Carlo Error Estimation\n",
    "                             by Addition of Strctural Noise.\n",
    kPdb, kInD, kOutD, kPdbRot, kRotID,
    "Error Mapping Specifications:\n",
    " -map     nMap     [needed]  # of Best-Fits in Error Mapping (1 or more).\n",
    " -outDa   oName    [None]    Da Distribution (Output).\n",
    " -outMap  oName    [None]    Error Space (Output).\n",
    " -outAng  oName    [None]    Angular Distribution (Output).\n",
    " -outFail oName    [None]    Mapping Failure Statistics (Output).\n",
    " -err              [on]      Use only Best-Fits within\n",
    "                             Experimental Errors.\n",
    " -noerr            [off]     Use All Best-Fits.\n",
    " -vecNoise         [on]      Noise on Internuclear Vectors.\n",
    " -angNoise         [off]     Noise on Dihedral Angles.\n",
};

const char* const coneOpts[] = {
    " -stdCone          [5.0]     StdDev of Cone Angle Distribution [deg] (0.01 to 90).\n",
    " -nofixCone        [on]      Variable Size of Noise Cone.\n",
    " -fixCone          [off]     Fixed Size of Noise Cone.\n",
    " -digCone digCone  [360]     Digitization of Noise Cone (1 or more).\n",
};

const char* const sec4Map[] = {
    " -autoCone         [on]      Adjust Structural Noise Automatically.\n",
    " -noautoCone       [off]     Don't Adjust Structural Noise.\n",
    " -lCone   lCone    [0.0]     Start Value of Structural Noise (0, or 0.01 to below 90).\n",
    " -incCone incCone  [0.25]    Increment of Structural Noise (0.01 or more).\n",
    " -nCone   nCone    [100]     # of Steps in Adjustment of Structural Noise (1 or more).\n",
    " -kAdjustMc        [1.0]     Scaling of Experimental DC Errors (above 0, at most 1e6;\n",
    "                             above 1 only where its noise keeps the couplings'\n",
    "                             pattern).\n",
    " -autoMc           [on]      Adjust DC Error Scaling Automatically.\n",
    " -noautoMc         [off]     Don't Adjust DC Error Scaling.\n",
    " -nAdjustMc        [100]     # of Steps in Determination of DC Error Scaling (1 or more).\n",
    " -fracAdjustMc     [0.7]     Fraction of Self-Consistent Best-Fits (above 0, below 1).\n",
    " -kLAdjustMc       [1.0]     Start Value of DC Error Scaling (above 0, at most 1e6;\n",
    "                             above 1 only where its noise keeps the couplings'\n",
    "                             pattern; the search stops at that factor).\n",
    " -incAdjustMc      [0.2]     Increment of DC Error Scaling (above 0, at most 10).\n",
    " -dFrac   dFrac    [0.2]     Fraction of DCs kept per Jackknife Step (above 0,\n",
    "                             below 1; with -nDfixed a count, 1 or more).\n",
    " -nDfixed          [off]     Fixed Number of DCs in Jackknifing.\n",
    " -nonDfixed        [on]      Variable Number of DCs in Jackknifing.\n",
    "Alignment Tensor Specification Methods:\n",
    " -svd                       Order Matrix by SVD (Default).\n",
    " -saupe sList List of 5 Saupe Values, each -1 to 1 (also: -align).\n",
    " -fixed                     Fixed Da, Dr and Angles.\n",
    " -nofixed                   Fit Da, Dr and Angles within Limits.\n",
    " -dadr                      Fixed Da and Dr, Fit Angles.\n",
    "Alignment Tensor Magnitude and Rhombicity Limits (Order Parameters, -1 to 1):\n",
    " -da          [1.0e-3]      Initial DA Value (an order parameter, no unit;\n",
    "                            a DA held by -da lies within its limits).\n",
    " -daMin       [-1.0e-2]     Lower Limit of DA (at most -daMax).\n",
    " -daMax       [1.0e-2]      Upper Limit of DA.\n",
    " -dr          [1.0e-4]      Initial DR Value (held: within its limits).\n",
    " -drMin       [-1.0e-2]     Lower Limit of DR (at most -drMax).\n",
    " -drMax       [1.0e-2]      Upper Limit of DR.\n",
    "Rotation Angle Starting Values and Limits:\n",
    " -psi         [45.0]        Initial Psi Angle [deg].\n",
    " -psiMax      [360.0]       Upper Limit of Psi.\n",
    " -psiMin      [-360.0]      Lower Limit of Psi.\n",
    " -theta       [45.0]        Initial Theta Angle [deg].\n",
    " -thetaMax    [360.0]       Upper Limit of Theta.\n",
    " -thetaMin    [-360.0]      Lower Limit of Theta.\n",
    " -phi         [45.0]        Initial Phi Angle [deg].\n",
    " -phiMax      [360.0]       Upper Limit of Phi.\n",
    " -phiMin      [-360.0]      Lower Limit of Phi.\n",
};

const char* const sec5Head[] = {
    kBestFit,
    kPdb, kInD,
    " -exhaust          [off]     Exhaustive Search of Assignments.\n",
    " -fixAa   aaList   [0]       # of Peaks of each Amino-Acid Type (0 or more).\n",
    " -fixRes  resList  [None]    Peaks with Fixed Assignment.\n",
    " -dcID    idList   [None]    Alignment Medium IDs (Seg Names).\n",
    " -exhaustSel       [off]     Exhaustive Search on Subset of Peaks.\n",
    " -nSel             [needed]  # of Peaks to select for ExhausSel (2 to the\n",
    "                             unassigned peaks of the table, at most 7).\n",
    " -dcOpt            [on]      Optimize Peak Selection.\n",
    " -nodcOpt          [off]     Use First Peaks of DC Table.\n",
    " -rand             [off]     Random Search of Assignments.\n",
    " -map     nMap     [needed]  Number of Random Assignments (1 or more).\n",
    kOutD, kPdbRot, kRotID,
    "Limits for Alignment Magnitude and Rhombicity:\n",
    " -lDa     daLo     [-25.0]   Lower Limit of Da [Hz].\n",
    " -hDa     daHi     [-3.0]    Upper Limit of Da [Hz].\n",
    " -lR      rLo      [0.0]     Lower Limit of R.\n",
    " -hR      rHi      [0.7]     Upper Limit of R.\n",
    "                             The Window must hold a Tensor each Medium's DCs\n",
    "                             allow: their Span, and the Fit of >5 fixed DCs.\n",
};

const char* const sec6Head[] = {
    " -struc            [off]     Addition of Structural Noise.\n",
    kPdb, kInD, kPdbRot,
    " -idum    seed     [-1]      Seed of the Draws (0 or below; 0, -2147483647\n",
    "                             and -2147483648 draw as -1 does).\n",
};

const char* const sec7[] = {
    " -anA        [off]           Analysis of 2 Saupe matrices.\n",
    " -inS1 sList List of 5 Saupe Values, each -1 to 1 (Input).\n",
    " -inS2 sList List of 5 Saupe Values, each -1 to 1 (Input).\n",
    " -outA       outAName [None] Saupe Analysis (Output).\n",
    kActionFlags,
    " -add   Action: inS1 + inS2\n",
    " -sub   Action: inS1 - inS2 (Default)\n",
    " -mul   Action: inS1 * inS2\n",
    " -div   Action: inS1 / inS2\n",
    " -max   Action: Max(inS1, inS2)\n",
    "            (Tests general magnitude)\n",
    kOtherOptions,
    " -c1    scale [1.0]          Scale factor for inS1\n",
    " -c2    scale [1.0]          Scale factor for inS2\n",
    " -twist                      Coordinates (X Y Z) of Twist Axis.\n",
    " -rotID   rotID    [0]       Index of Calculated Hinge Axis.\n",
    " -hinge                      Coordinates (X Y Z) of User Hinge Axis.\n",
};

const char* const sec8Head[] = {
    " -anDc             [off]     Analysis of 2 DC Sets.\n",
    " -inD1    dName    [None]    Dipolar Coupling Set 1 (Input).\n",
    " -inD2    dName    [None]    Dipolar Coupling Set 2 (Input).\n",
    kOutD,
};

const char* const sec8Tail[] = {
    kActionFlags,
    " -add              [on]      Action: c1*inD1 + c2*inD2.\n",
    " -sub              [off]     Action: c1*inD1 - c2*inD2.\n",
    " -mul              [off]     Action: c1*inD1 * c2*inD2.\n",
    " -div              [off]     Action: c1*inD1 / c2*inD2.\n",
    kOtherOptions,
    " -c1      scale    [0.0]     Scale Factor for inD1.\n",
    " -c2      scale    [1.0]     Scale Factor for inD2.\n",
};

const char* const sec9Head[] = {
    " -anPdb            [off]     Analysis of PDB File.\n",
    kPdb,
    " -inS     sList    [None]    List of 5 Saupe Values, each -1 to 1 (Input).\n",
    kPka,
    " -outP    outPName [None]    PDB Analysis (Output).\n",
    kOutPka, kPdbRot, kRotID,
};

const char* const sec9El[] = {"Electrostatic Parameters:\n", kPH};

const char* const sec9Tail[] = {
    kNodipole, kDipole, kNochSel, kChSel, kNoelInfo, kElInfo, kActionFlags,
    " -user             [off]     Use Saupe Matrix of User (-inS).\n",
    " -ster             [on]      Uncharged Structure.\n",
    " -el               [off]     Charged Structure.\n",
};

const char* const sec10Head[] = {
    " -daHist           [off]     Da & R from Histogram of DCs.\n",
    kInD,
    " -outD    dName    [None]    Histogram (Output).\n",
    "Histogram Parameters:\n",
    " -bin     simMag   [0]       Number of Bins (0: automatic; else 3 or more,\n",
    "                             near the automatic count: three or four\n",
    "                             bins span the whole pattern coarsely).\n",
    " -nFit    simMag   [3]       Degree of Nonlinear Fit (2 or 3; else no Fit,\n",
    "                             refused by -daFlex).\n",
    " -sdevDzz simMag   [0.4]     Scaling of Dzz Error (0 or more).\n",
    " -sdevDyy simMag   [0.9]     Scaling of Dyy Error (0 or more).\n",
    " -daLo    simMag   [-1000.0] Lower Limit of Da (Fit of -daFlex only).\n",
    " -daHi    simMag   [1000.0]  Upper Limit of Da (Fit of -daFlex only).\n",
    " -rhLo    simMag   [0.0]     Lower Limit of R (Fit of -daFlex only).\n",
    " -rhHi    simMag   [0.667]   Upper Limit of R (Fit of -daFlex only).\n",
};

const char* const sec10Tail[] = {
    kActionFlags,
    " -noave            [off]     Don't Average Extreme DCs.\n",
    " -ave              [on]      Average Minimum and Maximum DCs.\n",
};

const char* const sec11Head[] = {
    " -daMl             [off]     Da & R by Maximum Likelihood.\n",
    kInD,
    " -outD    dName    [None]    Likelihood (Output).\n",
    " -outSc   scName   [None]    Likelihood Scores (Output).\n",
    "Maximum Likelihood Parameters:\n",
    " -lDa     simMl    [-25.0]   Lower Limit of Da; a Range of one Sign only (at\n",
    "                             or above 0: searched negated); the Answer's Sign\n",
    "                             comes from the DCs.\n",
    " -hDa     simMl    [-3.0]    Upper Limit of Da; at least 1/3 Hz in Size (as\n",
    "                             -0.34; a positive Range: -lDa 0.34 or above).\n",
    " -incDa   simMl    [0.1]     Increment of Da.\n",
    " -lR      simMl    [0.0]     Lower Limit of R.\n",
    " -hR      simMl    [0.7]     Upper Limit of R; at most 2 (R from 2/3 to 2:\n",
    "                             the Tensors of the other Sign of Da).\n",
    " -incR    simMl    [0.01]    Increment of R.\n",
};

const char* const sec11Tail[] = {
    kActionFlags,
    " -nomapMl          [on]      Don't Transform DCs.\n",
    " -mapMl            [off]     Transform DCs before Search.\n",
};

const char* const sec12Head[] = {
    " -conv             [off]     Conversion of DC Input.\n",
    kInD, kOutD,
    "Conversion parameters:\n",
    " -xplor            [off]     Xplor DC Format.\n",
    " -cns              [off]     Cns DC Format.\n",
    " -dyana            [off]     Dyana DC Format (only HN-N).\n",
    " -tbl              [on]      Residue Spefic Listing.\n",
    " -korim            [off]     KORIM DC FORMAT.\n",
    " -rosetta          [off]     Rosetta DC Format.\n",
    " -tensID           [500]     Tensor Molecule ID.\n",
    " -scale            [off]     Normalize Dipolar Couplings.\n",
    " -unscale          [on]      Don't Normalize Dipolar Couplings.\n",
    " -dcNoise          [off]     Add Noise to Dipolar Couplings of a Format\n",
    "                             (Seed: -idum; the listing -tbl takes none).\n",
};

const char* const sec12Tail[] = {
    kOtherOptions,
    " -nodcHH           [on]      Exclude 1H-1H DCs in Conversion.\n",
    " -dcHH             [off]     Include 1H-1H DCs in Conversion.\n",
};

const char* const sec13[] = {
    " -euler    Solve for Euler Angles, Da, Dr (Default).\n",
    " -noeuler  Don't Solve for Euler Angles.\n",
    " -qDa              [on]    Calculate Q using Order matrix (Default).\n",
    " -qRms             [off]   Calculate Q using rDC Rms.\n",
    " -qStd             [off]   Report Standard Deviation instead of Q.\n",
    " -w     wList              List of Weights for Segment (0 or more).\n",
    " -excl                     Exclude Outside Range.\n",
    " -inc                      Include Any Within Range.\n",
    " -verb             [on]    DC Output in Extended Format.\n",
    " -noverb           [off]   DC Output in Format of DC Input.\n",
    " -yzInv            [off]   Exchange Ordering of y and z axis.\n",
    " -noyzInv          [on]    Don't Exchange Ordering of y and z axis.\n",
    " -rem   remTxt             PDB Remark Text.\n",
    "Dipolar Interaction Value Calculation:\n",
    " -fixedDI         Use Fixed Values When Possible (Default).\n",
    " -nofixedDI       Always Use Values from PDB Distances.\n",
};

// The modes and options the thirteen sections above leave out, in their format, so that every
// word korim reads is listed somewhere.
const char* const sec14Modes[] = {
    " -help             [off]     Print this Usage Text and Stop.\n",
    " -stKorimGrid      [off]     Steric KORIM of a Two-Domain Ensemble.\n",
    kPdb, kInD,
    " -inp     inpName  [None]    Domains and States (Input; Required).\n",
    " -inE     eName    [None]    States as \"alpha beta gamma\" Lines (Input).\n",
    " -ave     dName    [None]    Ensemble Average Dipolar Coupling (Output).\n",
    " -dcEns   dName    [None]    Each State's Dipolar Coupling (Output, Appended).\n",
    " -flex    fName    [None]    Log of the States (Output).\n",
    " -outE    eName    [None]    List of the States (Output).\n",
    " -outEAx  eName    [None]    Turned z Axes of the States (Output).\n",
    " -elKorimFree      [off]     Charges Only (-outPka), no Prediction.\n",
    " -elKorimGrid      [off]     Charges Only, no Prediction.\n",
    " -csSim            [off]     Charges Only (with -el), no Prediction.\n",
    " -asRan            [off]     Charges Only (with -el), no Prediction.\n",
    " -daFlex           [off]     Da & R of Flexible Molecules.\n",
    kInD,
    " -outD    dName    [None]    Da & R of each Run (Output).\n",
    " -outSc   scName   [None]    Scores of the Runs (Output).\n",
    " -outCol  colName  [None]    Colour Map of the Scores (Output).\n",
    " -nRun    nRun     [1000]    Number of Runs (1 or more).\n",
    " -nSel    nSel     [30]      Residues Drawn per Run (0: All).\n",
    "                             Histogram Parameters, Selection and Action\n",
    "                             Flags as listed for -daHist.\n",
};

const char* const sec14Other[] = {
    kOtherOptions,
    " -in      dName    [None]    Same as -inD.\n",
    " -out     dName    [None]    Same as -outD.\n",
    " -d1      res1     [none]    Same as -s1.\n",
    " -dN      resN     [none]    Same as -sN.\n",
    " -atomName aList   [*]       Same as -atom.\n",
    " -protein          [off]     Select Only Canonical Amino Acids.\n",
    " -pRatio  ratio    [3.0]     Wall: Molar Ratio of Long- to Short-Chain Lipid.\n",
    " -rim     rim      [0]       Wall: Rim of the Bicelles (0: off, 1: on).\n",
    " -lM      length   [200.0]   Wall: Model Length [A] (above 0; set from -wv, -pRatio, -rM).\n",
    " -rimDisc order    [0.25]    Wall: Rim Order (0 to 1; set from -wv, -pRatio, -rM).\n",
    " -kAtt    simEl    [0.0]     Electrostatic Length [A] (0 or more; reported only).\n",
    " -dbg     level    [0]       Debug Output (alone: 1; 2: every Allocation).\n",
    "Accepted, Not Used:\n",
    " -dStep -sStep -sID -pow -inCS -outS -outCS -ref -path -list -sPath -sList\n",
    " -rList -csThresh -vcThresh -fit -nofit -hetatm -nohetatm\n",
};

struct Block {
  const char* const* pieces;  // null: no further block in the section
  int count;
};

template <int N>
constexpr Block blk(const char* const (&pieces)[N]) {
  return Block{pieces, N};
}

const char* const title = "\nKORIM Steric and Electrostatic Prediction of Molecular Alignment.\n\n";

constexpr int kMaxBlocks = 16;

struct Section {
  const char* heading;  // written with its leading line feeds
  Block blocks[kMaxBlocks];
};

const Section sections[] = {
    {"\nARGUMENTS FOR STERIC KORIM\n",
     {blk(sec1Head), blk(simHead), blk(simSphere), blk(simTail), blk(selHead), blk(selH), blk(selRest),
      blk(dcHead), blk(dcRange)}},
    {"\n\nARGUMENTS FOR ELECTROSTATIC KORIM\n",
     {blk(sec2Head), blk(simHead), blk(sec2Medium), blk(simSphere), blk(sec2Grid), blk(simTail), blk(sec2El),
      blk(elCharges), blk(sec2Energy), blk(chargeScale), blk(sec2Tail), blk(selHead), blk(selH), blk(selRest),
      blk(dcHead), blk(dcRange)}},
    {"\n\nARGUMENTS FOR FREE FORMAT, STERIC KORIM\n",
     {blk(sec3Head), blk(simHead), blk(simSphere), blk(simTail)}},
    {"\n\nARGUMENTS FOR BEST-FIT (SVD/POWELL)\n",
     {blk(sec4Head), blk(coneOpts), blk(sec4Map), blk(selHead), blk(selRest), blk(dcNarrow)}},
    {"\n\nARGUMENTS FOR UNASSIGNED BEST-FIT (exhSVD)\n",
     {blk(sec5Head), blk(selHead), blk(selRest), blk(dcNarrow)}},
    {"\n\nARGUMENTS FOR ADDITiON OF STRUCTURAL NOISE\n",
     {blk(sec6Head), blk(coneOpts), blk(selHead), blk(selSurf), blk(selH), blk(selRest), blk(dcNarrow)}},
    {"\n\nARGUMENTS FOR ANALYSIS OF ORDER MATRIX\n", {blk(sec7)}},
    {"\n\nARGUMENTS FOR ANALYSIS OF DIPOLAR COUPLINGS\n",
     {blk(sec8Head), blk(tabSelHead), blk(dcRange), blk(sec8Tail)}},
    {"\n\nARGUMENTS FOR ANALYSIS OF PDB FILE\n",
     {blk(sec9Head), blk(selHead), blk(selH), blk(selRest), blk(sec9El), blk(elCharges), blk(chargeScale),
      blk(sec9Tail)}},
    {"\n\nARGUMENTS FOR Da & R HISTOGRAM DETERMINATION\n",
     {blk(sec10Head), blk(tabSelHead), blk(dcRange), blk(sec10Tail)}},
    {"\n\nARGUMENTS FOR Da & R LIKELIHOOD DETERMINATION\n",
     {blk(sec11Head), blk(tabSelHead), blk(dcRange), blk(sec11Tail)}},
    {"\n\nARGUMENTS FOR CONVERSION OF DIPOLAR COUPLING TABLE\n",
     {blk(sec12Head), blk(tabSelHead), blk(dcRange), blk(sec12Tail)}},
    {"\n\nCOMMOM ARGUMENTS\n", {blk(sec13)}},
    {"\n\nARGUMENTS FOR MODES AND OPTIONS NOT LISTED ABOVE\n", {blk(sec14Modes), blk(sec14Other)}},
};

}  // namespace

int printInfo() {
  std::fputs(title, stderr);
  for (const Section& s : sections) {
    std::fputs(s.heading, stderr);
    for (const Block& b : s.blocks) {
      if (b.pieces == nullptr) break;
      for (int i = 0; i < b.count; i++) std::fputs(b.pieces[i], stderr);
    }
  }
  return 0;
}

void legalNotice() {
  const char* const rule = "--------------------------------------------------------------------";  // 68
  std::fprintf(stderr, "\n\n *%s* ", rule);
  std::fprintf(stderr, "\n |%15s%s%48s| ", "", "KORIM", "");
  std::fprintf(stderr, "\n *%s*\n\n ", rule);
  std::fputs("\n\n", stderr);
}

}  // namespace korim::app
