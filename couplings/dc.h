// Dipolar-coupling records (tensor, coupling rows, tables) and the coupling library's functions.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace korim::structure {
struct AtomInfo;
struct PDBInfo;
}  // namespace korim::structure

namespace korim::couplings {

// Markers carried in coupling rows.
constexpr int kNoResID = -666666;        // residue number not given
constexpr float kDcMissing = 9999.0f;    // coupling (or sigma) missing / row unused
constexpr float kDcUsableMax = 900.0f;   // couplings above this are never used
constexpr float kDcLeastError = 0.001f;  // smallest error DD (Hz) other than 0 (none): what a table prints
constexpr int kMaxDcAtoms = 9;           // matched atoms per end of a coupling
constexpr int kMaxEuler = 8;             // capacity of the Euler solution lists

// DInfo.nullCells: the values of a row that its table file gave as its NULLVALUE (missing).
constexpr unsigned kNullResIDI = 1;  // resIDI is kNoResID
constexpr unsigned kNullResIDJ = 2;  // resIDJ is kNoResID
constexpr unsigned kNullD = 4;       // d is kDcMissing

// Tensor modes (`DTensor.tensorMode`) and the words the coupling table prints for them.
constexpr int kTensorNone = 0;
constexpr int kTensorSVD = 1;            // SVD
constexpr int kTensorSaupe = 2;          // SAUPE
constexpr int kTensorNoFixed = 3;        // NOFIXED
constexpr int kTensorDaDr = 4;           // DADR
constexpr int kTensorFixed = 5;          // FIXED
constexpr int kTensorSteric = 6;         // STERIC
constexpr int kTensorElectrostatic = 7;  // ELECTROSTATIC
constexpr int kTensorFitNonlin = 8;      // FIT_NONLIN

// Product gamma-independent prefactor of the dipolar interaction constant: with gyromagnetic
// ratios in rad/(s T) and the distance in Angstrom, 3.356809e-12*gI*gJ/r^3 is in Hz.
constexpr float kDipolarPrefactor = 3.356809e-12f;

// An alignment tensor: magnitudes (dimensionless), rotations (degrees), Saupe elements in the
// order Szz, Sxx-Syy, Sxy, Sxz, Syz.
struct DTensor {
    float da, daMin, daMax;
    float dr, drMin, drMax;
    float rh, rhMin, rhMax;
    float psiList[kMaxEuler];
    float psi, psiMin, psiMax;       // rotation about x
    float thetaList[kMaxEuler];
    float theta, thetaMin, thetaMax; // rotation about y
    float phiList[kMaxEuler];
    float phi, phiMin, phiMax;       // rotation about z
    float saupe[5];
    float dSaupe[5];
    float userSaupe[5];
    float eigVal[3];
    int eulerFlag;   // 1 = derive da, dr and Euler solutions after an SVD fit
    int eulerCount;  // valid entries of the Euler lists
    int tensorMode;  // kTensor* (0 none)
    int rhFlag;      // 1 = nonlinear fit varies rh instead of dr
};

// One residual dipolar coupling between atom (group) I and atom (group) J.
struct DInfo {
    int id;
    int absFlag;
    int count;
    int valid;
    int resIDI, resIDJ;  // kNoResID = not given
    char resNameI[16], resNameJ[16];
    char atomNameI[16], atomNameJ[16];  // may be atom expressions with '#' or '*'
    char chainNameI[16], chainNameJ[16];
    char segNameI[16], segNameJ[16];
    float d;      // Hz; kDcMissing = missing
    float di;     // dipolar interaction constant, Hz
    float w;      // weight
    float s;      // S column
    float fc;     // force constant
    int diFixedFlag;  // 1 = di from a standard bond length
    float sigma;  // error of the coupling, Hz
    structure::AtomInfo* atomI[kMaxDcAtoms];
    structure::AtomInfo* atomJ[kMaxDcAtoms];
    int atomICount, atomJCount;
    unsigned nullCells = 0;  // kNull* bits
};

// A coupling table: a tensor and parallel observed / calculated rows.
struct DTable {
    DTensor dTensor;
    DInfo* dObsList;
    DInfo* dCalcList;
    int dCount;
    int maxCount;   // capacity in atom pairs: sum over rows of 1, 9 or 81
    int dMinRes, dMaxRes;
    int workSize;   // floats in work: 12*maxCount + 12
    float* work;
    int nullChainName;  // 1 = no row names a chain: look-ups use the structure's default
    int nullSegName;    // 1 = no row names a segment
    int nullValue = 0;  // the file's NULLVALUE, which the rows' nullCells name
};

struct DTableList {
    DTable* dTab;
    int dTabCount;
    float* fc;
};

// ---- records and reader (dc.cpp) ----
int dTensorNull(DTensor* tInfo);
int dTabNull(DTable* dTab);
int dTabFree(DTable* dTab);
int dTabListNull(DTableList* dTabList);
int resetDC(DInfo* dList, int dCount);
// Copies the settings of tInfoB into tInfoA: magnitudes, angles and their limits, Euler
// solutions, Saupe elements with errors and user values, eigenvalues, mode, Euler flag and
// count. The rhombicity, its limits and rhFlag stay the target's own. Returns 0.
int dTensorCopy(DTensor* tInfoA, const DTensor* tInfoB);
int readDC(const char* inDName, DTable* dTab);
// Residue number res shifted by off (an offset, or -1 and 1 for a neighbour) without overflow:
// a sum beyond the int range is clamped to INT_MIN or INT_MAX, which no structure's residue
// carries, so that it names no residue; kNoResID stays itself.
int shiftedResID(int res, long long off);

// ---- module workspace of the linear solve (dipolar.cpp) ----
int dipolarNull();
int dipolarInit(int size);
int dipolarFree();

// ---- selection, atom mapping, interaction constants (dc.cpp, dipolar.cpp) ----
// Whether row r lies in the residue range segFirst to segLast (excludeMode as for selectD).
bool rowInRange(const DInfo& r, int segFirst, int segLast, int excludeMode);
// Selects the couplings of the residue range (excludeMode: 1 both ends inside, 2 either end, else
// the larger residue number) that are usable: finite, not missing, of finite error and weight,
// and, unless unknownNuclei is 1, naming nuclei of a known ratio at both ends. A run on a
// structure keeps the rows of unknown nuclei selected: buildDC leaves them out and reportDCMap
// counts and names them. Returns the number selected. beyondBound, when given, gets the rows
// (0-based, ascending) that only their D above kDcUsableMax leaves out.
int selectD(DInfo* dList, int dCount, int segFirst, int segLast, int excludeMode,
            int unknownNuclei = 0, std::vector<int>* beyondBound = nullptr);
// Nucleus letter of an atom name: its first character when a letter, else its second
// (so "1H" and "2HB" are protons); '\0' for an empty name.
char nucleusOf(const char* name);
// 1 when the atom name's nucleus has a known gyromagnetic ratio.
int knownNucleus(const char* atomName);
// Atom-type filter of coupling lists (-aD1, -aD2): keeps, of the dCount couplings of dList, those
// between atom type atomNameI at end I and atomNameJ at end J; a coupling whose atomNameI differs
// from atomNameI (unless that is "All") or whose atomNameJ differs from atomNameJ (unless "All")
// has its valid flag cleared; other flags are left as they were. Names are compared whole and
// case-sensitively ("all" is no wildcard) and the ends are not swapped. Returns the number of
// couplings still valid; 0 and no change for dCount below 1.
int selTypDC(DInfo* dList, int dCount, const char* atomNameI, const char* atomNameJ);
// Whether the atom-type filter keeps the row d (its flags aside): atomNameI at end I and atomNameJ
// at end J, "All" any.
bool atomTypesMatch(const DInfo& d, const char* atomNameI, const char* atomNameJ);
int mapDCInfo(structure::PDBInfo* pdbInfo, DTable* dTab, int aOff);
// 1 when the row's mapped atoms give a bond vector: an atom of end I and one of end J at
// different places. A row whose two ends are one atom (or atoms at one place) gives none; it is
// no coupling, and buildDC leaves it out. 0 for a row with an end that maps to no atom.
int hasBondVector(const DInfo& d);
// Maps each selected row to its atoms and interaction constant. Rows that name a nucleus of no
// known ratio, map to no atom, have no bond vector (hasBondVector) or a weight-list value of 0
// are left invalid. Returns the number of couplings still valid.
int buildDC(structure::PDBInfo* pdbInfo, DTable* dTab, int aOff, int wOff, float* wList,
            int wCount, int allowFixedDI);
// After buildDC (and the check of its -w weights, refuseWeightBeyondBound, whose messages name the
// table's own W): each observed row whose calculated row is valid takes that row's weight, the W
// times the square root of its -w value, which the statistics weigh its coupling by; so the W
// column of every table written from dTab shows it. The observed error DD stays the table's: the
// fits and chi-square take it (-w's division of the calculated row's error enters only that
// check). A second call changes nothing. Returns the number of weights changed.
int keepRunWeights(DTable* dTab);
// The atoms of both ends of row o at residue offset aOff, where buildDC looks them up (the row's
// chain and segment, or the structure's default where the table names none), into c's atom lists
// and counts (0: the end maps to no atom).
void findRowAtoms(structure::PDBInfo* pdbInfo, const DTable* dTab, const DInfo& o, int aOff, DInfo* c);
// What reportDCMap found: the counts of two of its warnings and the residue-number shift it names.
struct DcMapCounts {
    int unmapped = 0;    // selected rows that map to no atom or name a nucleus of no known ratio
    int renamed = 0;     // rows that name a residue differently from the structure
    std::string shift;   // shiftLine of the table's numbering (dcshift.h), "" for none
};
// After buildDC: reports on stderr the selected rows that map to no atom or name a nucleus of no
// known ratio, rows without a bond vector (each named), rows that repeat the atom pair of an
// earlier row and rows whose residue names are not the structure's (the first few of each
// named); where at least half of the rows that map name a residue differently, the shift of the
// table's residue numbers that makes nearly all names agree (residueShift), if one does, with the
// -s1/-a1 pair that maps the rows (segFirst: the run's settled -s1).
DcMapCounts reportDCMap(structure::PDBInfo* pdbInfo, const DTable* dTab, int aOff, int segFirst);
// The REMARK lines a coupling table of a run on a structure carries of reportDCMap's findings:
// "REMARK <u> selected couplings map to no atom of the structure and are not used; <r> couplings
// name a residue differently from the structure.\n", then the shift line after "REMARK ", then an
// empty line. "" when every selected row maps under the residue names the structure gives.
std::string mapRemark(const DcMapCounts& counts);
// Where the table names no chain (or segment), every row is looked up in that of the structure's
// first atom. After the atom selection of the run: when the residues of the rows it uses (the
// selected observed rows, at offset aOff) lie there and in another chain (segment) of the
// structure too, one line on stderr naming the table (tableName), the place its rows are read on,
// the others that hold their residues and the columns that name another: "DC Warning: t.tab names
// no chain: its rows are read on chain A, that of the structure's first atom, and their residues
// are in chain B too; to read them on chain B, name B in columns CHAINNAME_I and CHAINNAME_J of
// the table.". Given selectionLead (a prediction's words for an atom selection the user gave, up
// to "and"), a run whose selected atoms all lie off that place and with a row that maps gets
// instead selectionLead + " compares the couplings on the bonds of chain A, where a table that
// names no chain looks its rows up; to compare them on the bonds of chain B, name B in ..." (the
// selected places that hold the rows' residues; where none does, that none holds them). Returns
// the REMARK line the result table carries of it, "" when nothing was said. A blank name is one
// to be given to those atoms first: a table cannot name it.
std::string reportUnnamedPlaces(structure::PDBInfo* pdb, const DTable* t, int aOff, const char* tableName,
                                const std::string& selectionLead);
int findVariableDI(float rIJ, int resIDI, const char* resNameI, const char* atomNameI,
                   int resIDJ, const char* resNameJ, const char* atomNameJ, float* diVal,
                   int* diFixedFlag, int allowFixedDI);
int findFixedDI(int resIDI, const char* resNameI, const char* atomNameI, int resIDJ,
                const char* resNameJ, const char* atomNameJ, float* diVal, int* diFixedFlag);

// ---- tensor fit and back-calculation (dipolar.cpp, fitdc.cpp) ----
// Both fits take the rows of measured couplings (fitRow) and back-calculate every valid, weighed
// row, those that mark a coupling as missing too; they return the number of rows fitted.
int fitD(structure::PDBInfo* pdbInfo, DTable* dTab, int verbose);
int fitDSVD(structure::PDBInfo* pdbInfo, DTable* dTab, int verbose);
int findS(float* xI, float* yI, float* zI, float* xJ, float* yJ, float* zJ, float* diVal,
          float* dVal, float* dSigma, float* saupe, float* dSaupe, int count);
// The number of Saupe elements count bond vectors (from end I to end J) determine: the rank of
// their design matrix, singular values at or below tolerance times the largest counted as 0.
int findRank(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ,
             const float* zJ, int count, double tolerance);
// The covariance of the five Saupe elements findS fits to the same count couplings (its weights:
// errors dSigma over |diVal|): covar[r][c], in the order of the Saupe vector. 1 (covar all 0) for
// fewer than five couplings or bond vectors that determine fewer than the five elements (as
// findRank with kRankTolerance).
int saupeCovariance(const float* xI, const float* yI, const float* zI, const float* xJ, const float* yJ,
                    const float* zJ, const float* diVal, const float* dSigma, int count, double covar[5][5]);
// The coefficients a[0..4] of the five Saupe elements in the coupling along the unit vector u:
// a coupling is |diVal| times the sum of a[k] saupe[k].
void saupeBasis(const double* u, double* a);
int findD(float* xI, float* yI, float* zI, float* xJ, float* yJ, float* zJ, float* diVal,
          float* dVal, float* dSigma, float* saupe, float* dSaupe, int count);
int saupe2euler(float* saupe, float* psiList, float* thetaList, float* phiList, float* eigVal,
                float* da, float* dr);
int euler2saupe(float* saupe, float psi, float theta, float phi, float da, float dr);

int fitDCAlign(structure::PDBInfo* pdbPtr, DTable* dTabPtr, int verbFlag);
void fitDCTarget(int xCnt, int cCnt, float* cg, float* res);
int fitDCAlloc();
int fitDCFree();
int fitDCAlign2();

// ---- statistics (dc.cpp) ----
int getStatDC(DInfo* dObsList, DInfo* dCalcList, int dCount, float* rSumD, float* pSumD,
              int* nD);
int getStatDC2(DInfo* dObsList, DInfo* dCalcList, int dCount, float* rSumD, float* pSumD,
               int* nD);
int getStatDCQR(DInfo* dObsList, DInfo* dCalcList, int dCount, float* q, float* r, int* nD);
int getStatDCN(DTable** dTabList, float* rSumD, float* pSumD, int* nD);

// ---- tensor options of the command line (nmrlibMod.cpp) ----
int getDCTensorParams(int argc, char** argv, DTensor* tInfo);
// The self-contained tensor option set ("-help" lists it on stderr and leaves the tensor as it
// is). Every nonlinear variant is mode 8 (FIT_NONLIN); -fixed is mode 5 with every start value
// pinned; -rh, -rhMin or -rhMax make the fit vary the rhombicity (limited to 0..2/3) instead of
// Dr. Start values are brought into their limits. Returns 0, or 1 when -saupe/-align is not
// followed by five numbers; a null tensor gives 0.
int getDTensorParams(int argc, char** argv, DTensor* tInfo);

// ---- Euler-angle conversions ----
// z, y', z'' convention, double precision, 1-based 4x4 matrices, w[1..3] = alpha, beta, gamma.
int get_euler(double m[4][4], double* w);
void inv_euler(double m[4][4], double* w);
// x, y, z convention: r = Rz(phi) Ry(theta) Rx(psi), 0-based; results in degrees.
int rot2euler(float r[3][3], float* psiList, float* thetaList, float* phiList);
int rot2euler1(float r[3][3], float* psi, float* theta, float* phi);
// The x, y, z Euler solutions of the rotation eigenVec (rows: the principal axes xx, yy, zz, as
// saupe2euler hands them to rot2euler) stored in the tensor's lists and count,
// and its Saupe elements rebuilt from the first solution with the tensor's da and dr. Returns
// the number of solutions.
int getEulerDC(float eigenVec[3][3], DTensor* dTensor);

}  // namespace korim::couplings
