// Usage text, start-up banner and the progress line of the assignment search (all on stderr).
//
// The usage text is fixed: every piece is written exactly as stored, nothing is formatted into it.
// Its bracketed values are part of the text and may differ from the stored defaults of the run.
// Option lines: option word from column 1, argument name from column 10, bracketed default from
// column 19, meaning from column 29 (some blocks use other widths, as their literals show).
#include "app/korim_utils_output.h"

#include <cstdio>

namespace korim::app {

namespace {

const char* const sec1Head[] = {
    " -stKorim          [on]      Steric KORIM Mode.\n",
    " -pdb     pName    [None]    PDB Input (Required).\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -outD    dName    [None]    Dipolar Coupling (Output).\n",
    " -pdbRot  pRotName [None]    PDB rotated (Output).\n",
    " -rotID   rotID    [0]       Index of Rotation of PDB.\n",
};

const char* const stericSim[] = {
    "Simulation Parameters:\n",
    " -bic              [on]      Wall LC Model.\n",
    " -pf1              [off]     Rod LC Model.\n",
    " -wv      conc     [0.05]    Liquid Crystal Concentration [mg/ml].\n",
    " -dot     density  [100]     Orientation Density (Sphere).\n",
    " -digPsi  digPsi   [18]      Orientation Density (3rd angle).\n",
    " -dGrid   dGrid    [0.2]     Grid Spacing [A].\n",
    " -rM      radius   [20.0]    Half Model Thickness [A].\n",
    " -lcS     order    [0.8]     Liquid Crystal Order [0-1].\n",
    " -surf             [on]      Select Surface Accessible Atoms.\n",
    " -nosurf           [off]     Don't Select Surface Accessible Atoms.\n",
    " -rA      radius   [0.0]     Atom radius [A].\n",
};

const char* const selHead[] = {
    "PDB Selection Flags:\n",
};

const char* const selH[] = {
    " -H                [off]     Simple PDB Selection (all Atoms).\n",
    " -noH              [on]      Simple PDB Selection (all Atoms except H).\n",
};

const char* const selSurf[] = {
    " -surf             [on]      Select Surface Accessible Atoms.\n",
    " -nosurf           [off]     Don't Select Surface Accessible Atoms.\n",
};

const char* const selRest[] = {
    " -res     resID              Single Residue for Selection.\n",
    " -r1      res1     [0]       First Residue in Segment.\n",
    " -rN      resN     [0]       Last Residue in Segment.\n",
    " -atom    aList    [*]       Atom Name List.\n",
    " -resName rList    [*]       Res Name List.\n",
    " -chain   cList    [*]       Chain Name List.\n",
    " -seg     sList    [*]       Seg Name List.\n",
    " -id      sID      [*]       Selection ID.\n",
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

const char* const dcWide[] = {
    "DC Selection Flags:\n",
    " -a1      aRes1    [0]       First Res in PDB.\n",
    " -s1      res1     [0]       First Res in Segment.\n",
    " -sN      resN     [0]       Last Res in Segment.\n",
    " -aD1     atom     {All}     DC Atom Type 1 used.\n",
    " -aD2     atom     {All}     DC Atom Type 2 used.\n",
};

const char* const dcNarrow[] = {
    "DC Selection Flags:\n",
    " -a1      aRes1  [0]         First Res in PDB.\n",
    " -s1      res1   [0]         First Res in Segment.\n",
    " -sN      resN   [0]         Last Res in Segment.\n",
    " -aD1     atom   {All}       DC Atom Type 1 used.\n",
    " -aD2     atom   {All}       DC Atom Type 2 used.\n",
};

const char* const sec2Head[] = {
    " -elKorim          [off]     Electrostatic KORIM Mode.\n",
    " -pdb     pName    [None]    PDB Input (Required).\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -pot     potName  [None]    1D Electrostatic Potential (Input).\n",
    " -pot3D   potName  [None]    3D Electrostatic Potential (Input).\n",
    " -pka     pkaName  [None]    pKa Values (Input).\n",
    " -outD    dName    [None]    Dipolar Coupling (Output).\n",
    " -outPka  pkaName  [None]    Charges (Output).\n",
    " -pdbRot  pRotName [None]    PDB rotated (Output).\n",
    " -rotID   rotID    [0]       Index of Rotation of PDB.\n",
    "Simulation Parameters:\n",
    " -bic              [on]      Wall LC Model.\n",
    " -pf1              [off]     Rod LC Model.\n",
    " -wv      conc     [0.05]    Liquid Crystal Concentration [mg/ml].\n",
    " -3D               [off]     3D Potential LC Model.\n",
    " -vol     sim      [515.0]   Sample Volume [ul].\n",
    " -mwLC    sim      [268e+3]  Liquid Crystal Molecular Weight [g/mol].\n",
    " -massLC  sim      [0.05]    Liquid Crystal Mass [g].\n",
    " -unitLC  sim      [1.574]   Liquid Crystal Unit Height [A].\n",
    " -polyLC  sim      [1707]    Degree of Polymerization.\n",
    " -dot     density  [100]     Orientation Density (Sphere).\n",
    " -digPsi  digPsi   [18]      Orientation Density (3rd angle).\n",
    " -dGrid   dGrid    [0.2]     Grid Spacing [A].\n",
    " -nX      nX       [1]       Number of 3D Grid Points along X.\n",
    " -nY      nY       [1]       Number of 3D Grid Points along Y.\n",
    " -nZ      nZ       [1]       Number of 3D Grid Points along Z.\n",
    " -dX      dX       [0.2]     3D Grid Spacing along X [A].\n",
    " -dY      dY       [0.2]     3D Grid Spacing along Y [A].\n",
    " -dZ      dZ       [0.2]     3D Grid Spacing along Z [A].\n",
    " -rM      radius   [20.0]    Half Model Thickness [A].\n",
    " -lcS     order    [0.8]     Liquid Crystal Order [0-1].\n",
    " -surf             [on]      Select Surface Accessible Atoms.\n",
    " -nosurf           [off]     Don't Select Surface Accessible Atoms.\n",
    " -rA      radius   [0.0]     Atom radius [A].\n",
    "Electrostatic Simulation Parameters:\n",
    " -pH      simEl    [7.0]     pH of Solution.\n",
    " -nacl    simEl    [0.2]     NaCl Concentration [M].\n",
    " -chSurf  simEl    [-0.47]   Surface Charge Density of LC [e/nm2].\n",
    " -cut     simEl    [400.0]   Cutoff for Electrostatics [A].\n",
    " -maxPot  simEl    [5.0]     Maximum Potential Used [kT/e].\n",
    " -z1      simEl    [0]       First z Position in 3D Grid.\n",
    " -zN      simEl    [0]       Last z Position in 3D Grid.\n",
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

const char* const sec2Scale[] = {
    " -kEne    simEl    [1.0]     Scaling of Energy.\n",
    " -kPot    simEl    [1.0]     Scaling of Potential.\n",
    " -kMono   simEl    [1.0]     Scaling of Monopole Charges.\n",
    " -kDipo   simEl    [1.0]     Scaling of Dipole Charges.\n",
    " -kQuad   simEl    [1.0]     Scaling of Quadrupole Charges.\n",
    " -temp    simEl    [298.15]  Temperature [K].\n",
    " -dIFace  simEl    [50.0]    Surface Distance of Interaction Face [A].\n",
    " -noelInfo         [on]      No Electrostatic Information.\n",
    " -elInfo           [off]     Report Electrostatic Information.\n",
    " -nodipole         [on]      No Dipole Approximation.\n",
    " -dipole           [off]     Molecule Treated as Dipole.\n",
    " -nochSel          [on]      Use All Selected Atoms.\n",
    " -chSel            [off]     Use Charged Atoms Only.\n",
};

const char* const sec3Head[] = {
    " -stKorimFree      [off]     Free Format Steric KORIM Mode.\n",
    " -pdbF    pFName   [None]    Free Format Coordinates (Input).\n",
    " -outA    outAName [None]    Saupe Analysis (Output).\n",
};

const char* const sec4Head[] = {
    " -bestFit          [off]     Best-Fit Mode.\n",
    " -single  eMode    [on]      Single Best-Fit.\n",
    " -jack    eMode    [off]     Jackknife Error Estimation.\n",
    " -mcDc    eMode    [off]     Monte-Carlo Error Estimation\n",
    "                             by Addition of Noise to DCs.\n",
    " -mcStruc eMode    [off]     Monte-Carlo Error Estimation\n",
    "                             by Addition of Strctural Noise.\n",
    " -pdb     pName    [None]    PDB Input (Required).\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -outD    dName    [None]    Dipolar Coupling (Output).\n",
    " -pdbRot  pRotName [None]    PDB rotated (Output).\n",
    " -rotID   rotID    [0]       Index of Rotation of PDB.\n",
    "Error Mapping Specifications:\n",
    " -map     nMap     [0]       Number of Best-Fits in Error Mapping.\n",
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
    " -stdCone          [10.0]    StdDev of Cone Angle Distribution [Hz].\n",
    " -nofixCone        [on]      Variable Size of Noise Cone.\n",
    " -fixCone          [off]     Fixed Size of Noise Cone.\n",
    " -digCone digCone  [360]     Digitization of Noise Cone.\n",
};

const char* const sec4Map[] = {
    " -autoCone         [on]      Adjust Structural Noise Automatically.\n",
    " -noautoCone       [off]     Don't Adjust Structural Noise.\n",
    " -lCone   lCone    [0.0]     Start Value of Structural Noise.\n",
    " -incCone incCone  [0.25]    Increment of Structural Noise.\n",
    " -nCone   nCone    [100]     # of Steps in Adjustment of Structural Noise.\n",
    " -kAdjustMc        [1.0]     Scaling of Experimental DC Errors.\n",
    " -autoMc           [on]      Adjust DC Error Scaling Automatically.\n",
    " -noautoMc         [off]     Don't Adjust DC Error Scaling.\n",
    " -nAdjustMc        [1000]    # of Steps in Determination of DC Error Scaling.\n",
    " -fracAdjustMc     [0.7]     Fraction of Self-Consistent Best-Fits.\n",
    " -kLAdjustMc       [1.0]     Start Value of DC Error Scaling.\n",
    " -incAdjustMc      [0.2]     Increment of DC Error Scaling.\n",
    " -dFrac   dFrac    [0.2]     Fraction of DCs per Jackknife Step.\n",
    " -nDfixed          [off]     Fixed Number of DCs in Jackknifing.\n",
    " -nonDfixed        [on]      Variable Number of DCs in Jackknifing.\n",
    "Alignment Tensor Specification Methods:\n",
    " -svd                       Order Matrix by SVD (Default).\n",
    " -saupe sList List of 5 Saupe Values (also: -align).\n",
    " -fixed                     Fixed Da, Dr and Angles.\n",
    " -nofixed                   Fit Da, Dr and Angles within Limits.\n",
    " -dadr                      Fixed Da and Dr, Fit Angles.\n",
    "Alignment Tensor Magnitude and Rhombicity Limits:\n",
    " -da          [1.0e-3]      Initial DA Value.\n",
    " -daMin       [-1.0e-2]     Lower Limit of DA.\n",
    " -daMax       [1.0e-2]      Upper Limit of DA.\n",
    " -dr          [1.0e-4]      Initial DR Value.\n",
    " -drMin       [-1.0e-2]     Lower Limit of DR.\n",
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
    " -bestFit          [on]      Best-Fit Mode.\n",
    " -pdb     pName    [None]    PDB Input (Required).\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -exhaust          [off]     Exhaustive Search of Assignments.\n",
    " -fixAa   aaList   [0]       # of Peaks of each Amino-Acid Type.\n",
    " -fixRes  resList  [None]    Peaks with Fixed Assignment.\n",
    " -dcID    idList   [None]    Alignment Medium IDs (Seg Names).\n",
    " -exhaustSel       [off]     Exhaustive Search on Subset of Peaks.\n",
    " -nSel             [0]       # of Peaks to select for ExhausSel.\n",
    " -dcOpt            [on]      Optimize Peak Selection.\n",
    " -nodcOpt          [off]     Use First Peaks of DC Table.\n",
    " -rand             [off]     Random Search of Assignments.\n",
    " -map     nMap     [0]       Number of Random Assignments.\n",
    " -outD    dName    [None]    Dipolar Coupling (Output).\n",
    " -pdbRot  pRotName [None]    PDB rotated (Output).\n",
    " -rotID   rotID    [0]       Index of Rotation of PDB.\n",
    "Limits for Alignment Magnitude and Rhombicity:\n",
    " -lDa     daLo     [-25.0]   Lower Limit of Da [Hz].\n",
    " -hDa     daHi     [-3.0]    Upper Limit of Da [Hz].\n",
    " -lR      rLo      [0.0]     Lower Limit of R.\n",
    " -hR      rHi      [0.7]     Upper Limit of R.\n",
};

const char* const sec6Head[] = {
    " -struc            [off]     Addition of Structural Noise.\n",
    " -pdb     pName    [None]    PDB Input (Required).\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -pdbRot  pRotName [None]    PDB rotated (Output).\n",
    " -idum    seed     [-1]      Seed of Random Numbers.\n",
};

const char* const sec7[] = {
    " -anA        [off]           Analysis of 2 Saupe matrices.\n",
    " -inS1 sList List of 5 Saupe Values (Input).\n",
    " -inS2 sList List of 5 Saupe Values (Input).\n",
    " -outA       outAName [None] Saupe Analysis (Output).\n",
    "Action Flags:\n",
    " -add   Action: inS1 + inS2\n",
    " -sub   Action: inS1 - inS2 (Default)\n",
    " -mul   Action: inS1 * inS2\n",
    " -div   Action: inS1 / inS2\n",
    " -max   Action: Max(inS1, inS2)\n",
    "            (Tests general magnitude)\n",
    "Other Options:\n",
    " -c1    scale [1.0]          Scale factor for inS1\n",
    " -c2    scale [1.0]          Scale factor for inS2\n",
    " -twist                      Coordinates (X Y Z) of Twist Axis.\n",
    " -rotID   rotID    [0]       Index of Calculated Hinge Axis.\n",
    " -hinge                      Coordinates (X Y Z) of User Hinge Axis.\n",
};

const char* const dcSel[] = {
    "Selection Flags:\n",
    " -s1      res1     [0]       First Res in Segment.\n",
    " -sN      resN     [0]       Last Res in Segment.\n",
    " -aD1     atom     {All}     DC Atom Type 1 used.\n",
    " -aD2     atom     {All}     DC Atom Type 2 used.\n",
};

const char* const sec8Head[] = {
    " -anDc             [off]     Analysis of 2 DC Sets.\n",
    " -inD1    dName    [None]    Dipolar Coupling Set 1 (Input).\n",
    " -inD2    dName    [None]    Dipolar Coupling Set 2 (Input).\n",
    " -outD    dName    [None]    Dipolar Coupling (Output).\n",
};

const char* const sec8Tail[] = {
    "Action Flags:\n",
    " -add              [on]      Action: c1*inD1 + c2*inD2.\n",
    " -sub              [off]     Action: c1*inD1 - c2*inD2.\n",
    " -mul              [off]     Action: c1*inD1 * c2*inD2.\n",
    " -div              [off]     Action: c1*inD1 / c2*inD2.\n",
    "Other Options:\n",
    " -c1      scale    [0.0]     Scale Factor for inD1.\n",
    " -c2      scale    [1.0]     Scale Factor for inD2.\n",
};

const char* const sec9Head[] = {
    " -anPdb            [off]     Analysis of PDB File.\n",
    " -pdb     pName    [None]    PDB Input (Required).\n",
    " -inS     sList    [None]    List of 5 Saupe Values (Input).\n",
    " -pka     pkaName  [None]    pKa Values (Input).\n",
    " -outP    outPName [None]    PDB Analysis (Output).\n",
    " -outPka  pkaName  [None]    Charges (Output).\n",
    " -pdbRot  pRotName [None]    PDB rotated (Output).\n",
    " -rotID   rotID    [0]       Index of Rotation of PDB.\n",
};

const char* const sec9El[] = {
    "Electrostatic Parameters:\n",
    " -pH      simEl    [7.0]     pH of Solution.\n",
};

const char* const sec9Scale[] = {
    " -kMono   simEl    [1.0]     Scaling of Monopole Charges.\n",
    " -kDipo   simEl    [1.0]     Scaling of Dipole Charges.\n",
    " -kQuad   simEl    [1.0]     Scaling of Quadrupole Charges.\n",
    " -nodipole         [on]      No Dipole Approximation.\n",
    " -dipole           [off]     Molecule Treated as Dipole.\n",
    " -nochSel          [on]      Use All Selected Atoms.\n",
    " -chSel            [off]     Use Charged Atoms Only.\n",
    " -noelInfo         [on]      No Electrostatic Information.\n",
    " -elInfo           [off]     Report Electrostatic Information.\n",
    "Action Flags:\n",
    " -user             [off]     Use Saupe Matrix of User (-inS).\n",
    " -ster             [on]      Uncharged Structure.\n",
    " -el               [off]     Charged Structure.\n",
};

const char* const sec10Head[] = {
    " -daHist           [off]     Da & R from Histogram of DCs.\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -outD    dName    [None]    Histogram (Output).\n",
    "Histogram Parameters:\n",
    " -bin     simMag   [0]       Number of Bins (zero=automatic).\n",
    " -nFit    simMag   [3]       Degree of Nonlinear Fit.\n",
    " -sdevDzz simMag   [0.4]     Scaling of Dzz Error.\n",
    " -sdevDyy simMag   [0.9]     Scaling of Dyy Error.\n",
    " -daLo    simMag   [-1000.0] Lower Limit of Da.\n",
    " -daHi    simMag   [1000.0]  Upper Limit of Da.\n",
    " -rhLo    simMag   [0.0]     Lower Limit of R.\n",
    " -rhHi    simMag   [0.667]   Upper Limit of R.\n",
};

const char* const sec10Tail[] = {
    "Action Flags:\n",
    " -noave            [off]     Don't Average Extreme DCs.\n",
    " -ave              [on]      Average Minimum and Maximum DCs.\n",
};

const char* const sec11Head[] = {
    " -daMl             [off]     Da & R by Maximum Likelihood.\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -outD    dName    [None]    Likelihood (Output).\n",
    " -outSc   scName   [None]    Likelihood Scores (Output).\n",
    "Maximum Likelihood Parameters:\n",
    " -lDa     simMl    [-25.0]   Lower Limit of Da.\n",
    " -hDa     simMl    [-3.0]    Upper Limit of Da.\n",
    " -incDa   simMl    [0.1]     Increment of Da.\n",
    " -lR      simMl    [0.0]     Lower Limit of R.\n",
    " -hR      simMl    [0.7]     Upper Limit of R.\n",
    " -incR    simMl    [0.01]    Increment of R.\n",
};

const char* const sec11Tail[] = {
    "Action Flags:\n",
    " -nomapMl          [on]      Don't Transform DCs.\n",
    " -mapMl            [off]     Transform DCs before Search.\n",
};

const char* const sec12[] = {
    " -conv             [off]     Conversion of DC Input.\n",
    " -inD     dName    [None]    Dipolar Coupling (Input).\n",
    " -outD    dName    [None]    Dipolar Coupling (Output).\n",
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
    " -dcNoise          [off]     Add Noise to Dipolar Couplings.\n",
    "Selection Flags:\n",
    " -s1      res1     [0]       First Res in Segment.\n",
    " -sN      resN     [0]       Last Res in Segment.\n",
    " -aD1     atom     {All}     DC Atom Type 1 used.\n",
    " -aD2     atom     {All}     DC Atom Type 2 used.\n",
    "Other Options:\n",
    " -nodcHH           [on]      Exclude 1H-1H DCs in Conversion.\n",
    " -dcHH             [off]     Include 1H-1H DCs in Conversion.\n",
};

const char* const sec13[] = {
    " -euler    Solve for Euler Angles, Da, Dr (Default).\n",
    " -noeuler  Don't Solve for Euler Angles.\n",
    " -qDa              [on]    Calculate Q using Order matrix (Default).\n",
    " -qRms             [off]   Calculate Q using rDC Rms.\n",
    " -qStd             [off]   Report Standard Deviation instead of Q.\n",
    " -w     wList              List of Weights for Segment.\n",
    " -excl                     Exclude Outside Range.\n",
    " -incl                     Include Any Within Range.\n",
    " -verb             [on]    DC Output in Extended Format.\n",
    " -noverb           [off]   DC Output in Format of DC Input.\n",
    " -yzInv            [off]   Exchange Ordering of y and z axis.\n",
    " -noyzInv          [on]    Don't Exchange Ordering of y and z axis.\n",
    " -rem   remTxt             PDB Remark Text.\n",
    "Dipolar Interaction Value Calculation:\n",
    " -fixedDI         Use Fixed Values When Possible (Default).\n",
    " -nofixedDI       Always Use Values from PDB Distances.\n",
};

struct Block {
  const char* const* pieces;
  int count;
};

template <int N>
constexpr Block blk(const char* const (&pieces)[N]) {
  return Block{pieces, N};
}

const char* const title = "\nKORIM Steric and Electrostatic Prediction of Molecular Alignment.\n\n";

struct Section {
  const char* heading;  // written with its leading line feeds
  Block blocks[8];
  int blockCount;
};

const Section sections[] = {
    {"\nARGUMENTS FOR STERIC KORIM\n",
     {blk(sec1Head), blk(stericSim), blk(selHead), blk(selH), blk(selRest), blk(dcWide)}, 6},
    {"\n\nARGUMENTS FOR ELECTROSTATIC KORIM\n",
     {blk(sec2Head), blk(elCharges), blk(sec2Scale), blk(selHead), blk(selH), blk(selRest), blk(dcWide)}, 7},
    {"\n\nARGUMENTS FOR FREE FORMAT, STERIC KORIM\n", {blk(sec3Head), blk(stericSim)}, 2},
    {"\n\nARGUMENTS FOR BEST-FIT (SVD/POWELL)\n",
     {blk(sec4Head), blk(coneOpts), blk(sec4Map), blk(selHead), blk(selRest), blk(dcNarrow)}, 6},
    {"\n\nARGUMENTS FOR UNASSIGNED BEST-FIT (exhSVD)\n",
     {blk(sec5Head), blk(selHead), blk(selRest), blk(dcNarrow)}, 4},
    {"\n\nARGUMENTS FOR ADDITiON OF STRUCTURAL NOISE\n",
     {blk(sec6Head), blk(coneOpts), blk(selHead), blk(selSurf), blk(selH), blk(selRest), blk(dcNarrow)}, 7},
    {"\n\nARGUMENTS FOR ANALYSIS OF ORDER MATRIX\n", {blk(sec7)}, 1},
    {"\n\nARGUMENTS FOR ANALYSIS OF DIPOLAR COUPLINGS\n", {blk(sec8Head), blk(dcSel), blk(sec8Tail)}, 3},
    {"\n\nARGUMENTS FOR ANALYSIS OF PDB FILE\n",
     {blk(sec9Head), blk(selHead), blk(selH), blk(selRest), blk(sec9El), blk(elCharges), blk(sec9Scale)}, 7},
    {"\n\nARGUMENTS FOR Da & R HISTOGRAM DETERMINATION\n", {blk(sec10Head), blk(dcSel), blk(sec10Tail)}, 3},
    {"\n\nARGUMENTS FOR Da & R LIKELIHOOD DETERMINATION\n", {blk(sec11Head), blk(dcSel), blk(sec11Tail)}, 3},
    {"\n\nARGUMENTS FOR CONVERSION OF DIPOLAR COUPLING TABLE\n", {blk(sec12)}, 1},
    {"\n\nCOMMOM ARGUMENTS\n", {blk(sec13)}, 1},
};

}  // namespace

int printInfo() {
  std::fputs(title, stderr);
  for (const Section& s : sections) {
    std::fputs(s.heading, stderr);
    for (int b = 0; b < s.blockCount; b++) {
      for (int i = 0; i < s.blocks[b].count; i++) std::fputs(s.blocks[b].pieces[i], stderr);
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

void printoutput(int sampledCount) {
  std::fprintf(stderr, "REMARK Sampled %d\r", sampledCount);
  std::fflush(stderr);
}

}  // namespace korim::app
