// Molecular structure records (molecule, atoms, residues, chains, segments), atom selection and the structure model's entry points.
#pragma once

#include <cstdio>
#include <string>

namespace korim::foundation {
struct HTabInfo;  // hash symbol table (foundation/hsymbol.h)
struct tabVar;    // column of a text table (foundation/table.h)
struct hdrList;   // header lines of a text table (foundation/table.h)
}

namespace korim::structure {

// Names of atoms, residues, chains, segments, elements and charges: 16-byte
// fields holding at most 15 characters; the empty text means "no name".
constexpr int PDB_NAME_LEN = 16;
// Wider name fields (pdbNameCpy): at most 31 characters.
constexpr int PDB_LNAME_LEN = 32;
// Caller buffers for key texts (buildAtomText and friends).
constexpr int PDB_KEY_LEN = 256;
// Name lists of an atom selection.
constexpr int PDB_SELECT_LIST_LEN = 256;
// Room of the atom-pointer list filled by findAtomList.
constexpr int PDB_MAX_ATOM_LIST = 9;
// Angle that could not be computed; default of the free value slots.
constexpr float PDB_BAD_ANGLE = 9999.0f;
constexpr float PDB_NULL_VAL = 777777.0f;
// Bucket count of the atom key table (the others use the table default).
constexpr int PDB_ATOM_TAB_LEN = 4111;

struct ResInfo;
struct ChainInfo;
struct SegInfo;

// One point in single precision, Angstrom.
struct Coord3D {
    float x, y, z;
};

// One point in double precision.
struct DCoord3D {
    double x, y, z;
};

// A two-dimensional chemical-shift surface over phi and psi, filled by the
// restraint library; the structure model only stores pointers to it.
struct PhiPsiSurface {
    char surfName[16];
    float* value;
    float* density;
    float* dev;
    float minVal, maxVal, avgVal, thresh;
    int type, obsCount, phiCount, psiCount;
    float phi1, phiN, psi1, psiN, avgDev;
};

// One row of the residue-type table.
struct ResTypeInfo {
    char resName[17];
    char resLetter;
    int resCode;
    int resClass;  // 1 amino acid, 2 nucleotide, 3 deoxy, 4 ribo; 0 sentinel
};

// 33 residue types and the sentinel row "None" (code 0).
constexpr int CANONICAL_RES_COUNT = 34;
extern const ResTypeInfo CanonicalResList[CANONICAL_RES_COUNT];

// One atom, stored by value in PDBInfo::atomList.
struct AtomInfo {
    int atomID;
    void* auxInfo;
    char atomName[16];
    char locID[16];
    char resName[16];
    char chainID[16];
    int resID;
    char icode[16];
    float x, y, z;  // Angstrom
    float occupancy, tempFactor;
    float rcShift, secShift, shift, sigma;  // restraint library's; not set here
    char segID[16];
    char element[16];
    char chargeStr[16];
    int selected;  // 0 not selected, else the selection ID
    ResInfo* resInfo;
    ChainInfo* chainInfo;
    SegInfo* segInfo;
    DCoord3D velocity[3];
    DCoord3D force[3];
    double time[3];
    double vdwfc;  // van der Waals scale, default 1.0
    double radius, ljEpsilon, ljSigma, charge, mass;
    int fixed;
};

// One residue, stored by value in PDBInfo::resList.
struct ResInfo {
    int resID;
    int atomCount, maxAtomCount;
    void* auxInfo;
    char resName[16];
    char chainID[16];
    char segID[16];
    ChainInfo* chainInfo;
    SegInfo* segInfo;
    ResInfo* next;  // resID+1, same chain and segment names
    ResInfo* prev;  // resID-1
    float phi, psi;  // degrees; 9999.0 undefined
    float val;       // free slot, default 777777.0
    const ResTypeInfo* resType;
    PhiPsiSurface* phiPsiSurf;
    AtomInfo** atomList;  // the residue's atoms in file order
};

// The atoms and residues sharing one chain name and one segment name.
struct ChainInfo {
    int atomCount, resCount, maxAtomCount, maxResCount;
    int minResID, maxResID;
    void* auxInfo;
    float val;
    char chainID[16];
    char segID[16];
    AtomInfo** atomList;
    ResInfo** resList;
    ResInfo** resArray;  // indexed by resID - minResID; null for gaps
    SegInfo* segInfo;
};

// The mirror of ChainInfo for segments.
struct SegInfo {
    int atomCount, resCount;
    int minResID, maxResID;
    int maxAtomCount, maxResCount;
    void* auxInfo;
    float val;
    char segID[16];
    char chainID[16];
    AtomInfo** atomList;
    ResInfo** resList;
    ResInfo** resArray;
    ChainInfo* chainInfo;
};

// One molecular structure.
struct PDBInfo {
    int pdbID;
    void* auxInfo;
    AtomInfo* atomList;
    ResInfo* resList;
    ChainInfo* chainList;
    SegInfo* segList;
    Coord3D* coordList;  // saved coordinates, one per atom
    Coord3D* vdwList;    // coordinates last handed to the neighbour search
    foundation::HTabInfo* atomTab;
    foundation::HTabInfo* resTab;
    foundation::HTabInfo* chainTab;
    foundation::HTabInfo* segTab;
    int atomCount, resCount, chainCount, segCount;
    int minResID, maxResID;
    int maxAtomCount, maxResCount, maxChainCount, maxSegCount, maxCoordCount;
    char** bondMatrix;     // atomCount rows of atomCount flags
    int** neighborList;    // atomCount rows of atomCount ints
    int* neighborCount;    // one per atom
    char defChainName[17];
    char defSegName[17];
    // HETATM records readPDB skipped (it reads them only with hetatmFlag), and their residue
    // names with the count of each in file order ("MSE 8, MLY 18 and HOH 58"), cut to fit.
    int hetatmSkipped;
    char hetatmNames[PDB_SELECT_LIST_LEN];
};

// An atom selection.
struct PDBSelectInfo {
    int res1, resN;
    char resNameList[PDB_SELECT_LIST_LEN];
    char atomNameList[PDB_SELECT_LIST_LEN];
    char chainNameList[PDB_SELECT_LIST_LEN];
    char segNameList[PDB_SELECT_LIST_LEN];
    int resNameCount, atomNameCount, chainNameCount, segNameCount;
    int resIDMode;  // 1: residue range applies
    // 0 not used, 1 exact, 2 regular expression, 3 glob
    int resNameMode, atomNameMode, chainNameMode, segNameMode;
    int selectID;
    int selectMode;   // 0 clear, 1 set all, 2 criteria, -1 inverted
    int selectClass;  // 4: amino acids only
    int hetatmFlag;   // 1: the reader takes HETATM records
    int dbgFlag;
};

// One field of an ATOM record: columns loc1..locn, counted from 1.
struct pdbFieldInfo {
    int fieldLoc;
    const char* fieldName;
    int loc1, locn;
};

enum PdbField {
    PDB_ATOMID = 0, PDB_ATOMNAME, PDB_LOCID, PDB_RESNAME, PDB_CHAINID, PDB_RESID,
    PDB_ICODE, PDB_X, PDB_Y, PDB_Z, PDB_OCCUPANCY, PDB_TEMPFACTOR, PDB_SEGID,
    PDB_ELEMENT, PDB_CHARGE
};
constexpr int PDB_FIELD_COUNT = 15;
extern const pdbFieldInfo pdbFieldList[PDB_FIELD_COUNT + 1];

// ---- Name fields -----------------------------------------------------------
char* pdbStrCpy(char* dest, const char* src);   // 16-byte field
char* pdbNameCpy(char* dest, const char* src);  // 32-byte field
int pdbStrNull(char* dest);

// ---- Life cycle ------------------------------------------------------------
int pdbNull(PDBInfo* pdbPtr);
int pdbInit(PDBInfo* pdbInfo);
int atomNull(AtomInfo* atomInfo);
int resNull(ResInfo* resInfo);
int chainNull(ChainInfo* chainInfo);
int segNull(SegInfo* segInfo);
AtomInfo* getNextAtom(PDBInfo* pdbInfo);
// getNextAtom for a reader: the list grows in the same steps (same messages
// and accounts), but only the slot handed out gets the defaults; the spare
// slots stay untouched until getNextAtom hands them out (with the defaults).
AtomInfo* takeAtomSlot(PDBInfo* pdbInfo);
ResInfo* getNextRes(PDBInfo* pdbInfo);
ChainInfo* getNextChain(PDBInfo* pdbInfo);
SegInfo* getNextSeg(PDBInfo* pdbInfo);
int pdbFree(PDBInfo* pdbInfo);
int freePDBIndex(PDBInfo* pdbInfo);
int freeMerList(PDBInfo* pdbInfo);
int freeAtomList(PDBInfo* pdbInfo);
int freeCoordList(PDBInfo* pdbInfo);
int freeResList(PDBInfo* pdbInfo);
int freeChainList(PDBInfo* pdbInfo);
int freeSegList(PDBInfo* pdbInfo);
int merAllocInfo(PDBInfo* pdbInfo);
int updateVDWFromPDB(PDBInfo* pdbInfo);
int storePDBCoords(PDBInfo* pdbInfo);
int restorePDBCoords(PDBInfo* pdbInfo);
int pdbCopy(PDBInfo* destInfo, PDBInfo* srcInfo);
int pdbCopyCoords(Coord3D* dest, const Coord3D* src, int count);
int coordNull(Coord3D* dest, int count);
int pdbClearAuxInfo(PDBInfo* pdbInfo);
int updatePDBShifts(PDBInfo* pdbInfo);
int pdbSetSelection(PDBInfo* pdbInfo, int selectID);
int pdbClearSelection(PDBInfo* pdbInfo);
int pdbSetResSelection(ResInfo* resInfo, int selectID);
int pdbSetChain(PDBInfo* pdbInfo, const char* chainName, int selectID);
int pdbSetSeg(PDBInfo* pdbInfo, const char* segName, int selectID);
// Copies one atom record (atomInfo) into another (atomPtr).
int setAtomInfo(PDBInfo* pdbInfo, AtomInfo* atomPtr, const AtomInfo* atomInfo, int loc);
int fixAtomName(char* name);
int fixResName(char* name);
int fixChainName(char* name);
int fixSegName(char* name);
int getPDBCenter(PDBInfo* pdbInfo, float* xPtr, float* yPtr, float* zPtr, int selectID);
int findAtomListPos(AtomInfo** atomList, int atomCount, float* x, float* y, float* z);

// ---- Module flags ----------------------------------------------------------
int setPDBVerbose(int verbMode, int dbgMode);
int setPDBWarn(int warnMode);
int getPDBWarn();
int getPDBDBG();
int getPDBVerb();
int setPDBChainMode(int mode);  // returns the previous chain-ignore flag
int setPDBSegMode(int mode);    // returns the previous segment-ignore flag
int getPDBChainMode();
int getPDBSegMode();
// Puts every module flag back to its start value (tests).
void pdbModuleReset();

// ---- PDB reading and writing -----------------------------------------------
// Empty name: standard input / standard output. writePDB returns 0, or 1 after
// "PDB Error opening PDB file <name>: <reason>" or "PDB Error writing PDB file
// <name>: <reason>" (the part written is removed); either is noted as a lost output of the
// run (foundation/outputfile.h). readPDB refuses, naming the line, an atom record it reads that
// ends before column 54, whose residue number, x, y or z is blank or no number, or whose
// coordinate lies beyond its eight columns; other blank numbers (occupancy, B-factor) read as 0.
// HETATM records (ligands, waters, modified residues) of the first model are skipped unless
// sInfo's hetatmFlag is set: counted by residue name into pdbInfo's hetatmSkipped and
// hetatmNames, and named in one line on stderr (skippedHetatm) with the way to keep a residue.
int readPDB(const char* pdbName, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, const char* remark);
// "26 HETATM records skipped (MSE 8 and MLY 18)"; "" when readPDB skipped none.
std::string skippedHetatm(const PDBInfo* pdbInfo);
int writePDB(const char* pdbName, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, const char* remark);
// The ATOM records of the atoms that pass sInfo (null: every atom), in list
// order, on an open stream; returns the number written.
int writePDBAtoms(FILE* out, const PDBInfo* pdbInfo, const PDBSelectInfo* sInfo);
// Writes text to the file pdbName (empty: standard output) as writePDB writes
// its file, with the same message on failure: 0, or 1.
int writePDBText(const char* pdbName, const std::string& text);
// The coordinates a structure can hold, in A: those the writer's "% 8.3f" puts in the eight
// columns of a PDB coordinate, -999.999 to 9999.999 (a wider one would move the rest of its
// record). Every reader of coordinates (readPDB, the free-format coordinates) refuses any other,
// naming the file and the line, with kCoordinateRange.
inline bool coordinateFits(double v) { return v > -999.9995 && v < 9999.9995; }
inline constexpr const char* kCoordinateRange = "-999.999 to 9999.999 A (what the eight columns of a PDB coordinate hold)";
// The coordinates the writer's "% 8.3f" puts in the eight columns of a PDB coordinate, -999.999
// to 999.999 A: from 1000 on the blank before a positive value takes a ninth column and moves the
// rest of the record, which the reader then takes apart wrongly.
inline bool coordinateWritable(double v) { return v > -999.9995 && v < 999.9995; }
inline constexpr const char* kWritableRange =
    "-999.999 to 999.999 A (what the eight columns of a PDB coordinate hold as korim writes it)";
// True when the coordinates x, y, z (A) that atom a is to be written with fit the columns of a
// PDB coordinate (coordinateWritable); otherwise false after naming on stderr the atom, the
// coordinate and the file pdbName (empty: the standard output), which is then not written, and
// noting the lost output: a structure korim writes must be one it reads. pdbAtomsFit tests the
// atoms of pdbInfo that pass sInfo (null: every atom) at their own coordinates; writePDB calls it
// before it opens its file.
bool atomFits(const AtomInfo& a, double x, double y, double z, const char* pdbName);
bool pdbAtomsFit(const PDBInfo* pdbInfo, const PDBSelectInfo* sInfo, const char* pdbName);
// Field text of one record line (the non-blank characters of its columns)
// into a buffer of at least PDB_NAME_LEN bytes (longer fields are cut).
int getPDBField(const char* line, int fieldLoc, char* dest, int destLen);

// ---- Atom selection --------------------------------------------------------
int pdbSelectNull(PDBSelectInfo* sInfo);
int pdbSelectAdjust(PDBSelectInfo* sInfo);
int getPDBSelectArgs(int argc, char** argv, PDBSelectInfo* sInfo);
// The residue numbers of -res, -r1 and -rN checked as getPDBSelectArgs checks them (a whole
// number, or * for every residue), where no structure is read and that reader does not run: a word
// invalid in itself is refused in every mode. Nothing is stored or marked as read. Returns 1 after
// naming the first word refused, else 0.
int checkPDBSelectWords(int argc, char** argv);
int pdbSelectTest(const PDBSelectInfo* sInfo, const AtomInfo* atomInfo);
int pdbSelect(PDBInfo* pdbInfo, PDBSelectInfo* sInfo);
int pdbSelect1(PDBInfo* pdbInfo, int res1, int resN, const char* atomNameList, int selectID,
               int matchMode);

// ---- Look-up ---------------------------------------------------------------
AtomInfo* findAtom(PDBInfo* pdbInfo, int resID, const char* atomName, const char* chainName,
                   const char* segName);
ResInfo* findRes(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName);
ChainInfo* findChain(PDBInfo* pdbInfo, const char* chainName, const char* segName);
SegInfo* findSeg(PDBInfo* pdbInfo, const char* segName, const char* chainName);
const char* findResName(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName);
AtomInfo* findAtomN(PDBInfo* pdbInfo, int resID, const char* atomName, const char* chainName,
                    const char* segName);
AtomInfo* findBestAtom(PDBInfo* pdbInfo, int resID, const char* resName, const char* atomName,
                       const char* chainName, const char* segName);
// atomFmt: caller buffer of PDB_KEY_LEN bytes; 0 plain, 1 "#", 2 "*".
int isAtomExpr(const char* atomName, char* atomFmt);
// atomList: room for PDB_MAX_ATOM_LIST pointers.
int findAtomList(PDBInfo* pdbInfo, int resID, const char* atomName, const char* chainName,
                 const char* segName, AtomInfo** atomList);
int findAtomListRad(AtomInfo** atomListI, int atomCountI, AtomInfo** atomListJ, int atomCountJ,
                    float* rIJ);
const ResTypeInfo* findResType(const ResInfo* resInfo);
const ResTypeInfo* findResTypeByName(const char* resName);
int isAminoAcid(const char* resName);
char* getResName1(const char* resName3);
char* getResName3(const char* resName1);

// ---- Indexing and key tables -----------------------------------------------
int indexPDB(PDBInfo* pdbInfo);
// Key texts into caller buffers of PDB_KEY_LEN bytes; icode null: no
// insertion code given (the look-up form).
int buildAtomText(int resID, const char* atomName, const char* icode, const char* chainName,
                  const char* segName, char* atomText);
int buildResText(int resID, const char* chainName, const char* segName, char* resText);
int buildResTextOld(int resID, const char* chainName, const char* segName, char* resText);
int buildChainText(const char* chainName, const char* segName, char* chainText);
int buildSegText(const char* segName, const char* chainName, char* segText);
int insertAtom(PDBInfo* pdbInfo, AtomInfo* atomPtr);
int insertRes(PDBInfo* pdbInfo, AtomInfo* atomPtr);
int insertChain(PDBInfo* pdbInfo, AtomInfo* atomPtr);
int insertSeg(PDBInfo* pdbInfo, AtomInfo* atomPtr);
AtomInfo** getNextAtomPtr(AtomInfo*** atomList, int* atomCount, int* maxAtomCount, int initCount,
                          int incrCount);
ResInfo** getNextResPtr(ResInfo*** resList, int* resCount, int* maxResCount, int initCount,
                        int incrCount);
int setResInfo(ResInfo* resPtr, AtomInfo* atomInfo);
int setChainAtomInfo(ChainInfo* chainPtr, AtomInfo* atomInfo);
int setSegAtomInfo(SegInfo* segPtr, AtomInfo* atomInfo);
int setChainResInfo(ChainInfo* chainPtr, ResInfo* resInfo);
int setSegResInfo(SegInfo* segPtr, ResInfo* resInfo);

// ---- Coordinate transforms ---------------------------------------------------
// Row-major 4x4 matrix acting on column vectors (x, y, z, 1); angles in degrees.
typedef float Matrix4x4[4][4];

// The module keeps one current transform (identity in a new process);
// appending T makes it T x current.
int pdb3dReset();
int pdb3dCopyCurrentMatrix(Matrix4x4 m);
int pdb3dGet4x4(Matrix4x4 r);
int pdb3dGet3x3(float r[3][3]);
int pdb3dShow();
int pdb3dAppendTransform(const Matrix4x4 m);
int pdb3dAppendTranslation(float tx, float ty, float tz);
int pdb3dAppendScale(float sx, float sy, float sz, float cx, float cy, float cz);
int pdb3dAppendXRotation0(float theta);
int pdb3dAppendYRotation0(float theta);
int pdb3dAppendZRotation0(float theta);
// Rotation about x by psi, then y by theta, then z by phi.
int pdb3dAppendRotation0(float psi, float theta, float phi);
int pdb3dAppendXRotation1(float xa, float ya, float za, float theta);
int pdb3dAppendYRotation1(float xa, float ya, float za, float theta);
int pdb3dAppendZRotation1(float xa, float ya, float za, float theta);
int pdb3dAppendRotation1(float xc, float yc, float zc, float alpha, float beta);
// Right-handed rotation about the axis from a to b; nothing when a == b.
int pdb3dAppendRotation2(float xa, float ya, float za, float xb, float yb, float zb, float theta);
int pdb3dApplyTransform(PDBInfo* pdbInfo, int minID, int maxID);
int pdb3dCoordTransform(Coord3D* coordInfo, int count);
int pdb3dApplyTranslation(PDBInfo* pdbInfo, int minID, int maxID, float tx, float ty, float tz);
int pdb3dCoordTranslation(Coord3D* coordInfo, int count, float tx, float ty, float tz);
int m4x4SetIdentity(Matrix4x4 m);
int m4x4SetZero(Matrix4x4 m);
int m4x4Mult(const Matrix4x4 a, Matrix4x4 b);  // b = a x b
int m4x4Transpose(Matrix4x4 mT, const Matrix4x4 m);

// ---- Angles between points ---------------------------------------------------
// Angle at point 2, degrees; 0 ok, 1 undefined.
int get3DAngle(float rx1, float ry1, float rz1, float rx2, float ry2, float rz2, float rx3,
               float ry3, float rz3, float* theta);
int get3DAngleD(double rx1, double ry1, double rz1, double rx2, double ry2, double rz2,
                double rx3, double ry3, double rz3, double* theta);
// Torsion about the 1-2 bond, degrees in -180..180; 0 ok, 1 undefined.
int getDihedralAngle(float rx0, float ry0, float rz0, float rx1, float ry1, float rz1, float rx2,
                     float ry2, float rz2, float rx3, float ry3, float rz3, float* phi);
int getDihedralAngleD(double rx0, double ry0, double rz0, double rx1, double ry1, double rz1,
                      double rx2, double ry2, double rz2, double rx3, double ry3, double rz3,
                      double* phi);
// Decimal text of i; characters written, or 0 with an empty text when it does not fit.
int intToStr(int i, char* dest, int destLen);

// ---- Backbone and side-chain torsions ----------------------------------------
// One side-chain torsion of the table ChiDef.
struct TorsionDefInfo {
    int resCode;
    char resName[17];
    char angleName[17];
    int angleID;
    char atomNameI[17], atomNameJ[17], atomNameK[17], atomNameL[17];
    int rotateFlag;  // 1: rotateList moves; 0: all but rotateList move
    char rotateList[256];
};

constexpr int CHI_DEF_COUNT = 59;  // 58 rows and the sentinel (code 0)
extern const TorsionDefInfo ChiDef[CHI_DEF_COUNT];
constexpr int PDB_MAX_CHI = 30;

float pdbDist(const AtomInfo* atomI, const AtomInfo* atomJ);
float pdbAngle(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK);
float pdbDihedral(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK,
                  const AtomInfo* atomL);
int getPDBPhiPsi(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
                 float* phiPtr, float* psiPtr);
int getPDBOmega(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
                float* omegaPtr);
int getPDBKappa(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
                float* kappaPtr);
int getPDBAlpha(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
                float* alphaPtr);
int updatePDBAngles(PDBInfo* pdbInfo, int res1, int resN);
// chiList: PDB_MAX_CHI angles; chiInfo: PDB_MAX_CHI row pointers.
int getPDBChi(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
              float* chiList, const TorsionDefInfo** chiInfo, const int* idList, int* chiCountPtr);
int setPDBChi(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
              const float* chiList, const int* idList, int chiCount);
int setPDBPhiPsi(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
                 float phiNew, float psiNew);
int setPDBOmega(PDBInfo* pdbInfo, int resID, const char* chainName, const char* segName,
                const float* omegaNew);

// ---- Atom columns of restraint tables -----------------------------------------
// The sequence of a table: resNameList[k] is the one-letter name of residue
// firstResID + k; resCount + 1 entries, the last null.
struct SeqInfo {
    int firstResID;
    int resCount;
    char** resNameList;
};

int getAtomTabLocs(const foundation::tabVar* varInfo, int varCount, const char* suffix,
                   int* resIDLoc, int* resNameLoc, int* atomNameLoc, int* chainNameLoc,
                   int* segNameLoc);
// Bit mask of the fields read: 1 residue number, 2 atom, 4 residue, 8 chain, 16 segment name.
int getAtomTabVals(const foundation::tabVar* varInfo, int varCount, const float* rPtr,
                   int resIDLoc, int resNameLoc, int atomNameLoc, int chainNameLoc,
                   int segNameLoc, int* resID, char* resName, char* atomName, char* chainName,
                   char* segName);
int getSeqInfo(const foundation::hdrList* hdrBase, SeqInfo* seqInfo);
int wrSeqInfo(FILE* outUnit, const SeqInfo* seqInfo);
int getSeqResName(const SeqInfo* seqInfo, int resID, char* resName);
int seqInfoNull(SeqInfo* seqInfo);
int seqInfoFree(SeqInfo* seqInfo);

// ---- Superposition onto a reference ---------------------------------------------
int fitAlignInit();
int fitAlignCoords(const Coord3D* refList, const Coord3D* aList, int count, float* psiPtr,
                   float* thetaPtr, float* phiPtr, float* txPtr, float* tyPtr, float* tzPtr,
                   float* rmsPtr, int matrixFlag, int verbFlag);
int fitAlignPDB(PDBInfo* refPDBPtr, PDBInfo* aPDBPtr, int res1, int resN, const char* refChain,
                const char* refSeg, int aFirst, const char* aChain, const char* aSeg,
                const char* atomNames, float* psiPtr, float* thetaPtr, float* phiPtr, float* txPtr,
                float* tyPtr, float* tzPtr, int* atomCountPtr, float* rmsPtr, int matrixFlag,
                int verbFlag);
int setAlignLimits(float psi0, float psiLo, float psiHi, float theta0, float thetaLo,
                   float thetaHi, float phi0, float phiLo, float phiHi, float tx0, float txMin0,
                   float txMax0, float ty0, float tyMin0, float tyMax0, float tz0, float tzMin0,
                   float tzMax0, int setFixedFlag);
int fitAlignAlloc();
int fitAlignFree();
int fitAlignFill();
int fitAlignCenter();
int fitAlign2();
int fitAlignM();
// Residual function of the rotation fit: 3 residuals per pair.
void fitAlignTarget(int xCnt, int cCnt, float* cg, float* res);

}  // namespace korim::structure
