// Two-domain ensembles: placing and turning domains, the list of ensemble states, the clash test
// between the domains and the alignment averaged over the states.
#pragma once

#include <vector>

#include "couplings/dc.h"
#include "settings/settings.h"
#include "simulation/korim_input.h"
#include "structure/pdb.h"

namespace korim::simulation {

// Largest number of generated ensemble states; the state arrays hold kEnsembleSlots entries
// (1-based).
constexpr int kEnsembleMaxStates = kEnsembleMaxRows;
constexpr int kEnsembleSlots = 40001;

// The structures the ensemble writes into the current directory under names no option changes:
// the latest state (domain 1 turned) and, with OUTPUT_ENSEMBLE 3, that state as placed for the
// listing. Each begins with the line "REMARK <kEnsembleFileMark>: <what it holds>", by which a
// later run tells a file it may replace from one of the user's.
constexpr const char* kStateStructureFile = "rot.pdb";
constexpr const char* kListedStructureFile = "rotEns.pdb";
constexpr const char* kEnsembleFileMark = "Written by korim -stKorimGrid";

// Moves the structure so that the CA atom of residue origin2 lies at the origin, turns residues
// resN..resC by (angleDom[0], angleDom[1], 0) degrees, then moves the CA atom of origin1 to the
// origin. A residue without a CA atom leaves that shift out. Returns 0.
int positionDomain(structure::PDBInfo* pdbInfo, settings::KorimInfo* korimInfo, int resN,
                   int resC, int origin1, int origin2);

// Start orientation of a two-domain structure: centres it on the heavy atoms of residues
// startResPart1..endResPart1, turns it into the principal frame of their second-moment tensor
// (initOrientFlag), places the second domain (angleDomFlag, positionDomain) and puts the CA atom
// of resDom1Origin at the origin. The atom selection marks are left as they were. Returns 0;
// 1 after "Error in initOrient: zero atoms selected.\n" when the part holds no heavy atom.
int initOrient(structure::PDBInfo* pdbInfo, settings::KorimInfo* korimInfo);

// The ensemble states (alpha, beta, gamma in degrees, entries 1..*n): for every dot of the sphere
// of density densE with beta in [lBetaCone, hBetaCone] and each of digPsiE turns gamma about it,
// the state whose turned z axis has |y| <= errAlphaCone. Writes the turned z axes ("%.3f %.3f
// %.3f") to outEAxName and the angles ("% .4e % .4e % .4e") to outEName when these are not empty.
// An ensemble file inEName (readEnsemble, which refuses an empty one) replaces the generated states. Returns 0; 1
// after a message when a file cannot be opened, written (it is removed then) or read, the sphere
// cannot be built, or more than kEnsembleMaxStates states are accepted.
int setupEnsemble(settings::KorimInfo* korimInfo, const char* outEName, const char* outEAxName,
                  const char* inEName, int* n, double* alphaEnsemble, double* betaEnsemble,
                  double* gammaEnsemble);

// Surface backbone atoms (C, CA, N) of the domain resN..resC (indI) and of the rest of the
// structure (indJ), as 0-based atom indices. Leaves the selection marks of the surface step.
// Returns 0; 1 after "Error in chkDomClash: zero atoms selected.\n"; the surface step's status.
int selectSurfDom(structure::PDBInfo* pdbInfo, int resN, int resC, std::vector<int>* indI,
                  std::vector<int>* indJ);

// 1 when an atom of indI lies closer than gridInfo.clashDist (Angstrom, strictly) to one of indJ
// (the first such pair is reported with its distance on stdout), else 0.
int chkClashDom(const structure::PDBInfo* pdbInfo, const settings::KorimInfo* korimInfo,
                const std::vector<int>& indI, const std::vector<int>& indJ);

// Charges and potential of an ensemble run, as the driver set them up. chargeAtomID holds 0-based
// atom indices; every state starts from these values (the coordinate selection renumbers them).
struct EnsembleCharges {
  int chCount = 0;
  const int* chargeAtomID = nullptr;  // 1-based
  const float* charges = nullptr;     // 1-based, e
  int digPotential = 0;
  double* potential = nullptr;  // 1-based radial table, or null
  double offset = 0.0;
  double stepsize = 0.0;
};

// The alignment averaged over the states s = 1..ensembleCount: domain 1 (startResDom1..
// endResDom1) is turned by (alpha_s, beta_s, gamma_s) from the saved coordinates, the state is
// tested for clashes (clashFlag), and an allowed state is predicted on the run's atom selection
// (restored for every state) with simEnsAlignment on the dots. saupeAve receives the negated
// elements summed over the allowed states divided by the number of all states (a clashing state
// counts with weight zero); every valid calculated coupling of dTab the same average of its
// back-calculated value. Per state: "rot.pdb" (and "rotEns.pdb" with outEflag 3) is rewritten,
// headed by its kEnsembleFileMark line and then the remark,
// the log goes to logName (empty: stdout), and the state's coupling table (writeDCmod, headed by
// the state's "REMARK ENSEMBLE ID" and "REMARK ENSEMBLE Q_EULER_ANGLES" lines) is appended to
// outDcEnsName, or written to stdout when that is empty. The structure's coordinates and
// selection marks are restored at the end. A domain (1; 2 when it is centred or placed) whose
// residues rotateDomain's walk does not all reach is warned about on stderr. Returns 0; 1 or the
// failing step's status after its message on stderr; a log file whose writing failed is removed
// then; 1 after "ensembleAlignment: no allowed state: ..." when every state clashes (except with
// outEflag 3, which predicts no state), naming the configuration configName whose CLASH_DISTANCE:
// set the distance and the distance that lets the state whose domains come least close through.
int ensembleAlignment(structure::PDBInfo* pdbInfo, couplings::DTable* dTab,
                      settings::KorimInfo* korimInfo, const char* remark, const char* logName,
                      const char* outDcEnsName, int verbose, int ensembleCount,
                      const double* alphaEnsemble, const double* betaEnsemble,
                      const double* gammaEnsemble, const EnsembleCharges& ch, int dotCount,
                      double* dots, double* saupeAve, const char* configName = nullptr);

}  // namespace korim::simulation
