// Two-domain ensembles: domain placement, ensemble states, clash test and the averaged alignment.
#include "simulation/ensemble.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "couplings/analyzeMatrix3D.h"
#include "couplings/analyzeSaupe.h"
#include "couplings/writedc.h"
#include "foundation/advice.h"
#include "foundation/appendf.h"
#include "foundation/constants.h"
#include "foundation/memory.h"
#include "foundation/outputfile.h"
#include "simulation/do_nsc.h"
#include "simulation/korim_input.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_inert.h"
#include "simulation/korim_utils_math.h"
#include "simulation/order_convergence.h"
#include "simulation/sampling_convergence.h"
#include "simulation/step_convergence.h"
#include "simulation/unsp.h"

namespace korim::simulation {

using foundation::kPi8;
using settings::KorimInfo;
using structure::AtomInfo;
using structure::PDBInfo;

namespace {

constexpr int kGlobMatch = 3;                // glob name matching of the selection

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr && f != stdout) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The selection marks of a structure, put back when the guard ends.
struct SelectionGuard {
  PDBInfo* pdb;
  std::vector<int> marks;
  explicit SelectionGuard(PDBInfo* p) : pdb(p), marks(static_cast<size_t>(p->atomCount)) {
    for (int i = 0; i < p->atomCount; i++) marks[i] = p->atomList[i].selected;
  }
  void restore() const {
    for (int i = 0; i < pdb->atomCount; i++) pdb->atomList[i].selected = marks[i];
  }
  ~SelectionGuard() { restore(); }
};

// The saved coordinates, put back on a path that leaves the loop early.
struct CoordsGuard {
  PDBInfo* pdb = nullptr;
  ~CoordsGuard() {
    if (pdb != nullptr) structure::restorePDBCoords(pdb);
  }
};

void shiftAll(PDBInfo* pdb, float x, float y, float z) {
  for (int i = 0; i < pdb->atomCount; i++) {
    pdb->atomList[i].x -= x;
    pdb->atomList[i].y -= y;
    pdb->atomList[i].z -= z;
  }
}

// Moves the CA atom of residue resID to the origin; no such atom: no move.
void caToOrigin(PDBInfo* pdb, int resID) {
  for (int i = 0; i < pdb->atomCount; i++) {
    const AtomInfo& a = pdb->atomList[i];
    if (a.resID == resID && std::strcmp(a.atomName, "CA") == 0) {
      shiftAll(pdb, a.x, a.y, a.z);
      return;
    }
  }
}

int countSelected(const PDBInfo* pdb) {
  int n = 0;
  for (int i = 0; i < pdb->atomCount; i++)
    if (pdb->atomList[i].selected) n++;
  return n;
}

void selectedIndices(const PDBInfo* pdb, std::vector<int>* ind) {
  ind->clear();
  for (int i = 0; i < pdb->atomCount; i++)
    if (pdb->atomList[i].selected) ind->push_back(i);
}

// Selects the backbone atoms C, CA, N of residues resN..resC (added to the marks).
void selectBackbone(PDBInfo* pdb, int resN, int resC) {
  for (const char* name : {"C", "CA", "N"}) structure::pdbSelect1(pdb, resN, resC, name, 1, kGlobMatch);
}

// Second-moment tensor of the atoms of residues resN..resC into its principal frame.
int principalFrame(PDBInfo* pdb, const KorimInfo& k, int resN, int resC, double eigVec[3][3]) {
  double t[9], eigVal[3], da = 0, dr = 0, al[4], be[4], ga[4];
  if (calcInertiaSel(pdb, resN, resC, t) != 0) {
    std::fprintf(stderr, "matrix: error in calcInertiaSel.\n");
    return 1;
  }
  couplings::analyzeMatrix3D(t, eigVec, eigVal, k.yzFlag, &da, &dr, al, be, ga);
  return 0;
}

// Running sums of one ensemble run, and the work arrays of every state's prediction.
struct EnsembleWork {
  int dCount;
  int len;
  float* dSum = nullptr;
  double* x = nullptr;
  double* y = nullptr;
  double* z = nullptr;
  std::vector<int> chargeID;
  std::vector<float> charges;
  EnsembleWork(int dCount, int atoms) : dCount(dCount > 0 ? dCount : 1), len(atoms + 1201) {
    dSum = foundation::fltAlloc("matrix", this->dCount);
    x = foundation::dFltAlloc("matrix", len);
    y = foundation::dFltAlloc("matrix", len);
    z = foundation::dFltAlloc("matrix", len);
  }
  ~EnsembleWork() {
    foundation::unAlloc("matrix", dSum, dCount * 4);
    foundation::unAlloc("matrix", x, len * 8);
    foundation::unAlloc("matrix", y, len * 8);
    foundation::unAlloc("matrix", z, len * 8);
  }
  bool ok() const { return dSum && x && y && z; }
};

// The prediction of the state the structure holds, on the run's selection and charges, into s:
// 0; kOrderUnsettled (kStepUnsettled, kSamplingUnsettled), without a message, for an order the
// sphere of dots (the step of the positions, a steric sampling of orientations below its defaults)
// does not settle while the ensemble collects such verdicts; else the failing
// step's status after its message.
int stateOrder(PDBInfo* pdb, KorimInfo* k, const SelectionGuard& sel, const EnsembleCharges& ch,
               EnsembleWork& w, int dotCount, double* dots, int verb, double s[5]) {
  sel.restore();
  int chCount = ch.chCount;
  for (int c = 1; c <= chCount; c++) {
    w.chargeID[c] = ch.chargeAtomID[c];
    w.charges[c] = ch.charges[c];
  }
  int points = 0;
  if (chCoorSelect(pdb, k, &points, w.x, w.y, w.z, &chCount, w.chargeID.data(), w.charges.data(),
                   verb) != 0) {
    std::fprintf(stderr, "Matrix: Error reading selection of atoms.\n");
    return 1;
  }
  const int st = simEnsAlignment(k, points, w.x, w.y, w.z, chCount, w.chargeID.data(), w.charges.data(),
                                 dotCount, dots, ch.digPotential, ch.potential, ch.offset, ch.stepsize, s);
  if (st != 0 && st != kOrderUnsettled && st != kStepUnsettled && st != kSamplingUnsettled)
    std::fprintf(stderr, "Matrix: Error simulating alignment.\n");
  return st;
}

// One allowed state: its prediction on the run's selection, the back-calculated couplings and
// their sums, the analysis and the appended coupling table. s is the state's prediction. The
// status of stateOrder where it is not 0.
int predictState(PDBInfo* pdb, couplings::DTable* dTab, KorimInfo* k, const SelectionGuard& sel,
                 const EnsembleCharges& ch, EnsembleWork& w, int dotCount, double* dots,
                 int verbose, std::FILE* log, const char* outDcEnsName, const char* stateRemark,
                 double* saupeAve, double* lastR) {
  double s[5];
  if (const int st = stateOrder(pdb, k, sel, ch, w, dotCount, dots, 1, s); st != 0) return st;
  couplings::DTensor& t = dTab->dTensor;
  for (int j = 0; j < 5; j++) {
    s[j] = -s[j];
    saupeAve[j] += s[j];
    t.userSaupe[j] = static_cast<float>(s[j]);
  }
  t.tensorMode = couplings::kTensorSteric;
  couplings::fitD(pdb, dTab, verbose);
  for (int i = 0; i < dTab->dCount; i++)
    if (dTab->dCalcList[i].valid) w.dSum[i] += dTab->dCalcList[i].d;

  double irr[5], gMag = 0, eigVec[3][3], eigVal[3], da = 0, dr = 0, al[4], be[4], ga[4];
  if (couplings::analyzeSaupe(s, irr, &gMag, eigVec, eigVal, k->yzFlag, &da, &dr, al, be, ga,
                              k->eulerFlag) != 0) {
    std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
    return 1;
  }
  if (da != 0.0) *lastR = dr / da;
  std::fprintf(log, "Da(NH) =  %.1f [Hz]     R = Dr/Da = %.3f\n", da * foundation::kDaNHScale, *lastR);
  std::fprintf(log, "Euler angles (alpha/beta/gamma) [deg.]: %7.2f  %7.2f  %7.2f  \n", al[0],
               be[0], ga[0]);
  // Without -dcEns the table goes to the standard output, as it would go into the file.
  if (couplings::writeDCmod(outDcEnsName, "a", dTab, k, stateRemark) != 0) {
    std::fprintf(stderr, "ensembleAlignment: the coupling table of the state could not be appended to %s.\n",
                 outDcEnsName[0] != '\0' ? outDcEnsName : "the standard output");
    return 1;
  }
  return 0;
}

// Logs the angles between the principal frames of the two parts of the structure.
int logPartAngles(PDBInfo* pdb, const KorimInfo& k, std::FILE* log) {
  const settings::GridInfo& g = k.gridInfo;
  double e1[3][3], e2[3][3];
  if (principalFrame(pdb, k, g.startResPart1, g.endResPart1, e1) != 0) return 1;
  if (principalFrame(pdb, k, g.startResPart2, g.endResPart2, e2) != 0) return 1;
  float dcos[3];
  calcDcos(e1, e2, dcos);
  std::fprintf(log, "inter helix angle (x/y/z) [deg.]: %.3f  %.3f  %.3f\n",
               dcos[0] * 180.0 / kPi8, dcos[1] * 180.0 / kPi8, dcos[2] * 180.0 / kPi8);
  return 0;
}

// " of chain X" after a residue number, or nothing for an atom without a chain name.
std::string chainOf(const AtomInfo& a) {
  return a.chainID[0] != '\0' && a.chainID[0] != ' ' ? std::string(" of chain ") + a.chainID : "";
}

// Warns when the walk over the residues of a domain misses some of them, so that the atoms
// turned or centred are not the domain the configuration names.
void warnRangeOrder(const PDBInfo* pdb, int domain, int resN, int resC) {
  int stop = 0;
  const int miss = rangeWalkMiss(pdb, resN, resC, &stop);
  if (miss < 0) return;
  const AtomInfo &a = pdb->atomList[miss], &b = pdb->atomList[stop];
  std::fprintf(stderr,
               "Warning: the residues of domain %d (%d .. %d) are not in ascending order in the "
               "structure: residue %d%s stands after residue %d%s, where the domain ends; its "
               "atoms from there on are left out of the domain.\n",
               domain, resN, resC, a.resID, chainOf(a).c_str(), b.resID, chainOf(b).c_str());
}

// Restores the saved coordinates and turns domain 1 by the state's angles turn (degrees).
void turnState(PDBInfo* pdb, const settings::GridInfo& g, const double turn[3]) {
  structure::restorePDBCoords(pdb);
  rotateDomain(turn, pdb, g.startResDom1, g.endResDom1);
}

// Places the turned state as its prediction takes it: the whole molecule turned back
// (fixRotDomain), domain 2 centred (pivotCenter 0). 0; 1 after a message.
int frameState(PDBInfo* pdb, const settings::GridInfo& g, const double turn[3]) {
  if (g.fixRotDomain) {
    const double back[3] = {-turn[2], -turn[1], -turn[0]};
    rotateDomain(back, pdb, pdb->minResID, pdb->maxResID);
  }
  if (g.pivotCenter == 0 && shiftMol2Domain(pdb, g.startResDom2, g.endResDom2) != 0) {
    std::fprintf(stderr, "matrix: error in shiftMol2Domain.\n");
    return 1;
  }
  return 0;
}

// "state 4", "states 4 and 9", "states 4, 9 and 12"; beyond twelve, "and N more".
std::string stateList(const std::vector<int>& states) {
  constexpr size_t kNamed = 12;
  std::string text = states.size() == 1 ? "state " : "states ";
  const size_t named = std::min(states.size(), kNamed);
  for (size_t i = 0; i < named; i++) {
    if (i > 0) text += i + 1 == named && states.size() <= kNamed ? " and " : ", ";
    text += std::to_string(states[i]);
  }
  if (states.size() > kNamed) text += " and " + std::to_string(states.size() - kNamed) + " more";
  return text;
}

// What the advice of an unsettled ensemble needs to predict its allowed states again.
struct StateRun {
  PDBInfo* pdb;
  KorimInfo* k;
  const SelectionGuard& sel;
  const EnsembleCharges& ch;
  EnsembleWork& w;
  const double *alpha, *beta, *gamma;  // 1-based angles of the states
};

// Predicts the states in the order given as a run of the settings r.k holds does, on the sphere
// of nDots dots: the first whose order is not settled (or that fails otherwise, after its
// message), its status in *status; 0 when every one is settled.
int firstUnsettled(StateRun& r, int nDots, double* dots, const std::vector<int>& states, int* status) {
  for (int s : states) {
    const double turn[3] = {r.alpha[s], r.beta[s], r.gamma[s]};
    turnState(r.pdb, r.k->gridInfo, turn);
    double order[5];
    *status = frameState(r.pdb, r.k->gridInfo, turn);
    if (*status == 0) *status = stateOrder(r.pdb, r.k, r.sel, r.ch, r.w, nDots, dots, 0, order);
    if (*status != 0) return s;
  }
  return 0;
}

// The settings the advice of an unsettled ensemble tries, in order: the option, each value as the
// command line gives it, and the states predicted with that value (firstUnsettled; -1 after a
// message when they cannot be).
struct AdviceTries {
  const char* option;  // "-dot", "-dGrid"; "" where each value names its options ("-dot 20 -digPsi 18")
  const char* noun;    // "sphere", "step"
  const char* with;    // how the states are predicted: "on", "with"
  std::string range;   // the values tried, for the line that finds none: "from -dot 120 up to ..."
  std::vector<std::string> values;
  std::function<int(const std::string& value, const std::vector<int>& states, int* status)> predict;
  // The advice of a value where option is "" (else adviseOptions of also and option value).
  std::function<std::string(const std::string& value)> advise = nullptr;
  std::vector<foundation::AdvisedOption> also = {};  // named with the value found ("-digPsi 36")
  std::string named(const std::string& value) const {
    return option[0] != '\0' ? std::string(option) + " " + value : value;
  }
  std::string advised(const std::string& value) const {
    if (option[0] == '\0') return advise(value);
    std::vector<foundation::AdvisedOption> all = also;
    all.push_back({option, value});
    return foundation::adviseOptions(all);
  }
};

// The advice of an ensemble some of whose states (order: those found) the run's settings do not
// settle: the first value tried at which every allowed state is settled, each predicted and
// checked as a run of that value does it (the states found unsettled first, and a value given up
// at its first failing state); or that none tried settles them all.
void adviseEnsemble(const AdviceTries& t, const std::vector<int>& allowed, std::vector<int> order) {
  for (int s : allowed)
    if (std::find(order.begin(), order.end(), s) == order.end()) order.push_back(s);
  const int n = static_cast<int>(allowed.size());
  int failing = 0, status = 0;
  for (const std::string& v : t.values) {
    std::fprintf(stderr, "ensembleAlignment: for the advice, the %d allowed states are predicted %s the %s of %s.\n", n,
                 t.with, t.noun, t.named(v).c_str());
    failing = t.predict(v, order, &status);
    if (failing < 0) return;
    if (failing == 0) {
      std::fprintf(stderr,
                   "ensembleAlignment: the %s of %s settles the order of every one of the %d allowed states, each "
                   "checked as this run checks it: %s answers.\n",
                   t.noun, t.named(v).c_str(), n, t.advised(v).c_str());
      return;
    }
    order.erase(std::find(order.begin(), order.end(), failing));
    order.insert(order.begin(), failing);
  }
  // The last value tried is the default step or the densest sphere: a state its sphere does not
  // settle at the default step is a run of that step's to advise a -dot for.
  const std::string sphere = status == kOrderUnsettled && std::string(t.option) == "-dGrid"
                                 ? ": the sphere of orientations does not settle it, and that run names a -dot "
                                   "that does"
                                 : "";
  std::fprintf(stderr,
               "ensembleAlignment: no %s %s settles the order of every allowed state (at %s, state %d is not "
               "settled%s).\n",
               t.noun, t.range.c_str(), t.named(t.values.back()).c_str(), failing, sphere.c_str());
}

// The advice of an ensemble some of whose states the sphere of the run's density d does not
// settle: the densities of advisedDensities, each state predicted on that sphere as a run of that
// -dot does.
void adviseEnsembleDensity(StateRun& r, int d, const std::vector<int>& allowed, const std::vector<int>& order,
                           const std::vector<foundation::AdvisedOption>& also = {}) {
  const std::vector<int> tried = advisedDensities(d);
  if (tried.empty()) {
    std::fprintf(stderr, "ensembleAlignment: korim tries no sphere beyond -dot %d for a density that converges.\n",
                 kDensestAdvised);
    return;
  }
  AdviceTries t{"-dot", "sphere", "on", "", {}, nullptr, nullptr, also};
  for (int c : tried) t.values.push_back(std::to_string(c));
  t.range = "from -dot " + t.values.front() + " up to -dot " + t.values.back() + ", the densest tried,";
  t.predict = [&r](const std::string& value, const std::vector<int>& states, int* status) {
    const int c = std::stoi(value);
    int n = 0;
    const double* sphere = sphereOfDensity(c, &n);
    if (sphere == nullptr) return -1;
    std::vector<double> dots(sphere, sphere + 3 * static_cast<size_t>(n));
    const int own = r.k->densityNSC;
    r.k->densityNSC = c;  // the density the check names and compares against
    const int first = firstUnsettled(r, n, dots.data(), states, status);
    r.k->densityNSC = own;
    return first;
  };
  adviseEnsemble(t, allowed, order);
}

// The advice of an ensemble some of whose states the run's step of the positions does not settle:
// the steps of advisedSteps, each state predicted and checked (step and sphere) as a run of that
// -dGrid does, on the run's sphere.
void adviseEnsembleStep(StateRun& r, int nDots, double* dots, const std::vector<int>& allowed,
                        const std::vector<int>& order) {
  AdviceTries t{"-dGrid", "step", "with", "", {}, nullptr};
  for (double c : advisedSteps(stepOf(*r.k))) t.values.push_back(stepText(c));
  t.range = t.values.size() == 1 ? "tried, the default -dGrid " + t.values.back() + ","
                                  : "from -dGrid " + t.values.front() + " down to -dGrid " + t.values.back() +
                                        ", the default step,";
  t.predict = [&r, nDots, dots](const std::string& value, const std::vector<int>& states, int* status) {
    const float own = r.k->gridSpacing;
    r.k->gridSpacing = std::stof(value);
    const int first = firstUnsettled(r, nDots, dots, states, status);
    r.k->gridSpacing = own;
    return first;
  };
  adviseEnsemble(t, allowed, order);
}

// The advice of an ensemble some of whose steric states the run's sampling of orientations (below
// its defaults) does not settle: the samplings of advisedSamplings, each state predicted and
// checked as a run of that -dot and -digPsi does; the last, the default sampling, is not checked.
void adviseEnsembleSampling(StateRun& r, const std::vector<int>& allowed, const std::vector<int>& order) {
  const Sampling given = samplingOf(*r.k);
  const std::vector<Sampling> tried = advisedSamplings(given);
  AdviceTries t{"", "sampling", "with", "", {}, nullptr};
  for (const Sampling& c : tried) t.values.push_back(samplingText(c));
  t.range = "from " + t.values.front() + " up to " + t.values.back() + ", the default,";
  t.advise = [&given, &tried, &t](const std::string& value) {
    const size_t i = std::find(t.values.begin(), t.values.end(), value) - t.values.begin();
    return adviseSampling(given, tried[i]);
  };
  t.predict = [&r, &tried, &t](const std::string& value, const std::vector<int>& states, int* status) {
    const Sampling c = tried[std::find(t.values.begin(), t.values.end(), value) - t.values.begin()];
    int n = 0;
    const double* sphere = sphereOfDensity(c.density, &n);
    if (sphere == nullptr) return -1;
    std::vector<double> dots(sphere, sphere + 3 * static_cast<size_t>(n));
    const int ownDensity = r.k->densityNSC, ownTurns = r.k->digPsiNSC;
    r.k->densityNSC = c.density, r.k->digPsiNSC = c.turns;
    const int first = firstUnsettled(r, n, dots.data(), states, status);
    r.k->densityNSC = ownDensity, r.k->digPsiNSC = ownTurns;
    return first;
  };
  adviseEnsemble(t, allowed, order);
}

// The advice of an ensemble some of whose states the run's turns about each direction do not
// settle: the turns of advisedTurns, each state predicted on the run's sphere as a run of that
// -digPsi does (its dots and turns checked). Where a state fails there for its dots, not its turns,
// the densities of the sphere's advice are tried with those turns, and both are named.
void adviseEnsembleTurns(StateRun& r, int nDots, double* dots, const std::vector<int>& allowed,
                         std::vector<int> order) {
  for (int s : allowed)
    if (std::find(order.begin(), order.end(), s) == order.end()) order.push_back(s);
  const int own = r.k->digPsiNSC, n = static_cast<int>(allowed.size());
  const std::vector<int> tried = advisedTurns(own);
  int failing = 0, status = 0;
  for (const int t : tried) {
    std::fprintf(stderr, "ensembleAlignment: for the advice, the %d allowed states are predicted with the turns of "
                 "-digPsi %d.\n", n, t);
    r.k->digPsiNSC = t;
    unsettledTurnsTaken();
    failing = firstUnsettled(r, nDots, dots, order, &status);
    const bool turns = unsettledTurnsTaken();
    if (failing == 0 || failing < 0) {
      r.k->digPsiNSC = own;
      if (failing == 0)
        std::fprintf(stderr,
                     "ensembleAlignment: the turns of -digPsi %d settle the order of every one of the %d allowed "
                     "states, each checked as this run checks it: %s answers.\n",
                     t, n, foundation::adviseOption("-digPsi", std::to_string(t)).c_str());
      return;
    }
    order.erase(std::find(order.begin(), order.end(), failing));
    order.insert(order.begin(), failing);
    if (status == kOrderUnsettled && !turns) {
      // The turns settle that state; its dots do not: a density with these turns.
      adviseEnsembleDensity(r, sphereDensityOf(*r.k, nDots), allowed, order, {{"-digPsi", std::to_string(t)}});
      r.k->digPsiNSC = own;
      return;
    }
  }
  r.k->digPsiNSC = own;
  std::fprintf(stderr,
               "ensembleAlignment: no turns from -digPsi %d up to -digPsi %d, the most tried, settle the order of every "
               "allowed state (at -digPsi %d, state %d is not settled).\n",
               tried.front(), tried.back(), tried.back(), failing);
}

}  // namespace

int positionDomain(PDBInfo* pdbInfo, KorimInfo* korimInfo, int resN, int resC, int origin1,
                   int origin2) {
  caToOrigin(pdbInfo, origin2);
  const double angle[3] = {korimInfo->gridInfo.angleDom[0], korimInfo->gridInfo.angleDom[1], 0.0};
  rotateDomain(angle, pdbInfo, resN, resC);
  caToOrigin(pdbInfo, origin1);
  return 0;
}

int initOrient(PDBInfo* pdbInfo, KorimInfo* korimInfo) {
  const settings::GridInfo& g = korimInfo->gridInfo;
  {
    SelectionGuard keep(pdbInfo);
    structure::pdbClearSelection(pdbInfo);
    structure::pdbSelect1(pdbInfo, g.startResPart1, g.endResPart1, "*", 1, kGlobMatch);
    structure::pdbSelect1(pdbInfo, g.startResPart1, g.endResPart1, "H*", 0, kGlobMatch);
    // A structure without hydrogens deselects nothing; only an empty part is refused.
    const int n = countSelected(pdbInfo);
    if (n == 0) {
      std::fprintf(stderr, "Error in initOrient: zero atoms selected.\n");
      return 1;
    }
    float sx = 0.0f, sy = 0.0f, sz = 0.0f;
    for (int i = 0; i < pdbInfo->atomCount; i++) {
      const AtomInfo& a = pdbInfo->atomList[i];
      if (!a.selected) continue;
      sx += a.x;
      sy += a.y;
      sz += a.z;
    }
    shiftAll(pdbInfo, sx / n, sy / n, sz / n);
    double t[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < pdbInfo->atomCount; i++) {
      const AtomInfo& a = pdbInfo->atomList[i];
      if (!a.selected) continue;
      const double v[3] = {a.x, a.y, a.z};
      for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) t[3 * r + c] += v[r] * v[c];
    }
    for (double& e : t) e /= n;
    double eigVec[3][3], eigVal[3], da = 0, dr = 0, al[4], be[4], ga[4];
    couplings::analyzeMatrix3D(t, eigVec, eigVal, korimInfo->yzFlag, &da, &dr, al, be, ga);
    if (g.initOrientFlag) {
      const double back[3] = {-ga[0], -be[0], -al[0]};
      rotateDomain(back, pdbInfo, pdbInfo->minResID, pdbInfo->maxResID);
    }
  }
  if (g.angleDomFlag)
    positionDomain(pdbInfo, korimInfo, g.startResDom2, g.endResDom2, g.resDom1Origin,
                   g.resDom2Origin);
  caToOrigin(pdbInfo, g.resDom1Origin);
  return 0;
}

int setupEnsemble(KorimInfo* korimInfo, const char* outEName, const char* outEAxName,
                  const char* inEName, int* n, double* alphaEnsemble, double* betaEnsemble,
                  double* gammaEnsemble) {
  const settings::GridInfo& g = korimInfo->gridInfo;
  File axes, angles;
  for (auto [name, file] : {std::pair{outEAxName, &axes}, std::pair{outEName, &angles}}) {
    if (name == nullptr || name[0] == '\0') continue;
    file->reset(foundation::openOutput(name, "w",
                                       "KORIM Error opening ensemble monitoring file %s: %s\n"));
    if (*file == nullptr) return 1;
  }
  double* dots = nullptr;
  int dotCount = 0;
  if (do_unsp(g.densE, &dots, &dotCount) != 0 || dots == nullptr) {
    std::fprintf(stderr, "setupEnsemble: unsp error occured.\n");
    return 1;
  }
  const int turns = g.digPsiE > 0 ? g.digPsiE : 0;
  int count = 0;
  for (int d = 0; d < dotCount; d++) {
    const double x = dots[3 * d], y = dots[3 * d + 1], z = dots[3 * d + 2];
    const double phi = std::atan2(y, x);
    const double beta = std::fabs(foundation::kHalfPi8 - std::atan2(z, std::sqrt(x * x + y * y)));
    const double betaDeg = beta * 180.0 / kPi8;
    if (betaDeg < g.lBetaCone || betaDeg > g.hBetaCone) continue;
    for (int j = 0; j < turns; j++) {
      const double psi = j * (360.0 / turns) * kPi8 / 180.0 + 0.0;
      const double zAxis[4] = {0.0, 0.0, 0.0, 1.0};
      double v[4];
      rotate_vector(beta, phi, psi, zAxis, v);
      if (std::fabs(std::sqrt(v[1] * v[1] + v[2] * v[2]) * std::sin(std::atan2(v[2], v[1]))) >
          g.errAlphaCone)
        continue;
      // Past the slots the states are only counted, for the message.
      if (++count > kEnsembleMaxStates) continue;
      alphaEnsemble[count] = phi * 180.0 / kPi8;
      betaEnsemble[count] = betaDeg;
      gammaEnsemble[count] = psi * 180.0 / kPi8;
      if (axes) std::fprintf(axes.get(), "%.3f %.3f %.3f\n", v[1], v[2], v[3]);
      if (angles)
        std::fprintf(angles.get(), "% .4e % .4e % .4e\n", alphaEnsemble[count], betaEnsemble[count],
                     gammaEnsemble[count]);
    }
  }
  if (count > kEnsembleMaxStates) {
    std::fprintf(stderr,
                 "setupEnsemble: ensemble too big: the configuration's ENSEMBLE_DENSITY: %d within BETA_L: %g to "
                 "BETA_H: %g and ALPHA_WIDTH: %g, turned in ENSEMBLE_GAMMA: %d steps, gives %d states, more than "
                 "the %d an ensemble holds (they are made also where -inE gives the states); a lower density or "
                 "fewer turns gives fewer.\n",
                 g.densE, static_cast<double>(g.lBetaCone), static_cast<double>(g.hBetaCone),
                 static_cast<double>(g.errAlphaCone), g.digPsiE, count, kEnsembleMaxStates);
    // The monitoring lists hold the first states only: none is left as if it were whole.
    for (auto [name, file] : {std::pair{outEAxName, &axes}, std::pair{outEName, &angles}}) {
      if (*file == nullptr) continue;
      file->reset();
      foundation::removeOutput(name);
    }
    return 1;
  }
  // A list cut short (a full disk) is reported and removed, and fails the run.
  for (auto [name, file] : {std::pair{outEAxName, &axes}, std::pair{outEName, &angles}}) {
    if (*file != nullptr &&
        foundation::closeOutput(file->release(), name,
                                "KORIM Error writing ensemble monitoring file %s: %s\n") != 0)
      return 1;
  }
  int readCount = 0;
  if (readEnsemble(inEName, &readCount, alphaEnsemble, betaEnsemble, gammaEnsemble) != 0) {
    std::fprintf(stderr, "error in readEnsemble.\n");
    return 1;
  }
  if (readCount > 0) count = readCount;
  // A states file holds at least one state (readEnsemble refuses an empty one).
  if (count == 0) {
    std::fprintf(stderr,
                 "setupEnsemble: no state: the configuration's ENSEMBLE_DENSITY: %d within BETA_L: %g to BETA_H: %g "
                 "and ALPHA_WIDTH: %g, turned in ENSEMBLE_GAMMA: %d steps, gives none, and no -inE file gives "
                 "states.\n",
                 g.densE, static_cast<double>(g.lBetaCone), static_cast<double>(g.hBetaCone),
                 static_cast<double>(g.errAlphaCone), g.digPsiE);
    return 1;
  }
  *n = count;
  return 0;
}

int selectSurfDom(PDBInfo* pdbInfo, int resN, int resC, std::vector<int>* indI,
                  std::vector<int>* indJ) {
  structure::pdbClearSelection(pdbInfo);
  selectBackbone(pdbInfo, resN, resC);
  if (countSelected(pdbInfo) == 0) {
    std::fprintf(stderr, "Error in chkDomClash: zero atoms selected.\n");
    return 1;
  }
  if (const int st = callNSC(pdbInfo); st != 0) return st;
  selectedIndices(pdbInfo, indI);

  structure::pdbClearSelection(pdbInfo);
  selectBackbone(pdbInfo, pdbInfo->minResID, pdbInfo->maxResID);
  structure::pdbSelect1(pdbInfo, resN, resC, "*", 0, kGlobMatch);
  if (countSelected(pdbInfo) == 0) {
    std::fprintf(stderr, "Error in chkDomClash: zero atoms selected.\n");
    return 1;
  }
  if (const int st = callNSC(pdbInfo); st != 0) return st;
  selectedIndices(pdbInfo, indJ);
  return 0;
}

int chkClashDom(const PDBInfo* pdbInfo, const KorimInfo* korimInfo, const std::vector<int>& indI,
                const std::vector<int>& indJ) {
  const float limit = korimInfo->gridInfo.clashDist;
  for (int i : indI) {
    const AtomInfo& a = pdbInfo->atomList[i];
    for (int j : indJ) {
      const AtomInfo& b = pdbInfo->atomList[j];
      const float d = calcNorm(a.x - b.x, a.y - b.y, a.z - b.z);
      if (d < limit) {
        std::printf("\nREMARK steric clash of %5d %6s %6s   and  %5d %6s %6s : %6.2f A\n",
                    a.resID, a.resName, a.atomName, b.resID, b.resName, b.atomName,
                    static_cast<double>(d));
        return 1;
      }
    }
  }
  return 0;
}

namespace {

// The closest approach (Angstrom) of an atom of indI to one of indJ, measured as chkClashDom does.
float closestApproach(const PDBInfo* pdbInfo, const std::vector<int>& indI, const std::vector<int>& indJ) {
  float closest = std::numeric_limits<float>::infinity();
  for (int i : indI) {
    const AtomInfo& a = pdbInfo->atomList[i];
    for (int j : indJ) {
      const AtomInfo& b = pdbInfo->atomList[j];
      closest = std::min(closest, calcNorm(a.x - b.x, a.y - b.y, a.z - b.z));
    }
  }
  return closest;
}

// Every state clashed: the message names the distance and the key that sets it, and the largest
// CLASH_DISTANCE: (in hundredths of an Angstrom, rounded down) that lets the openest state through.
void sayEveryStateClashes(const settings::GridInfo& g, int ensembleCount, const char* configName, int openest,
                          float openestApproach) {
  const double within = std::floor(static_cast<double>(openestApproach) * 100.0) / 100.0;
  std::string advice;
  if (openest > 0 && within > 0.0)
    foundation::appendf(advice,
                        "a smaller CLASH_DISTANCE: lowers the count of clashes: %.2f or less lets state %d through, "
                        "whose domains come no closer than that; ",
                        within, openest);
  std::fprintf(stderr,
               "ensembleAlignment: no allowed state: all %d states clash at the clash distance %.2f A "
               "(CLASH_DISTANCE: of the configuration %s); %sENSEMBLE_CLASH: 0 turns the check off.\n",
               ensembleCount, static_cast<double>(g.clashDist),
               configName != nullptr && configName[0] != '\0' ? configName : "(none)", advice.c_str());
}

}  // namespace

int ensembleAlignment(PDBInfo* pdbInfo, couplings::DTable* dTab, KorimInfo* korimInfo,
                      const char* remark, const char* logName, const char* outDcEnsName,
                      int verbose, int ensembleCount, const double* alphaEnsemble,
                      const double* betaEnsemble, const double* gammaEnsemble,
                      const EnsembleCharges& ch, int dotCount, double* dots, double* saupeAve,
                      const char* configName) {
  KorimInfo& k = *korimInfo;
  const settings::GridInfo& g = k.gridInfo;
  for (int j = 0; j < 5; j++) saupeAve[j] = 0.0;
  if (ch.chCount < 0 || ch.chCount > kMaxCharges) {
    std::fprintf(stderr, "ensembleAlignment: %d charges, at most %d can be placed.\n", ch.chCount,
                 kMaxCharges);
    return 1;
  }
  EnsembleWork w(dTab->dCount, pdbInfo->atomCount);
  if (!w.ok()) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  for (int i = 0; i < w.dCount; i++) w.dSum[i] = 0.0f;
  w.chargeID.assign(kMaxCharges + 1, 0);
  w.charges.assign(kMaxCharges + 1, 0.0f);

  File logFile(stdout);
  if (logName != nullptr && logName[0] != '\0') {
    logFile.reset(foundation::openOutput(logName, "w",
                                         "KORIM Error opening log file for grid search %s: %s\n"));
    if (logFile == nullptr) return 1;
  }
  std::FILE* log = logFile.get();
  if (structure::storePDBCoords(pdbInfo) != 0) {
    std::fprintf(stderr, "matrix: error in storePDBCoords.\n");
    return 1;
  }
  CoordsGuard coords{pdbInfo};
  SelectionGuard sel(pdbInfo);  // the run's selection, restored for every state and at the end
  std::vector<int> indI, indJ;
  if (const int st = selectSurfDom(pdbInfo, g.startResDom1, g.endResDom1, &indI, &indJ); st != 0) {
    std::fprintf(stderr, "ensembleAlignment: error in chkDomClash.\n");
    return st;
  }

  warnRangeOrder(pdbInfo, 1, g.startResDom1, g.endResDom1);
  if (g.pivotCenter == 0 || g.angleDomFlag) warnRangeOrder(pdbInfo, 2, g.startResDom2, g.endResDom2);

  // Each structure's first line marks it as this mode's, so that the next run may replace it.
  const auto headed = [remark](const char* what) {
    std::string text = std::string(kEnsembleFileMark) + ": " + what;
    if (remark != nullptr) text += std::string("\nREMARK ") + remark;
    return text;
  };
  const std::string stateHead = headed("the latest state's structure, domain 1 turned.");
  const std::string listedHead = headed("the latest state's structure as OUTPUT_ENSEMBLE 3 places it.");
  double count = 0.0, lastR = 0.0;
  int allowed = 0;
  int openest = 0;  // while every state clashes: the one whose domains come least close, and how close
  float openestApproach = 0.0f;
  // Each state's order is checked as a single prediction's is; a state whose step or sphere does
  // not settle it is noted, the run goes on to find every such state (predicting the rest only for
  // the check), and advises one step or density for all of them at the end. The step comes first:
  // a density advised at an unsettled step would not answer.
  const UnsettledOrders collect;
  std::vector<int> allowedStates, unsettled, unsettledStep, unsettledSampling, unsettledTurns;
  for (int s = 1; s <= ensembleCount; s++) {
    const double a = alphaEnsemble[s], b = betaEnsemble[s], c = gammaEnsemble[s];
    const double turn[3] = {a, b, c};
    turnState(pdbInfo, g, turn);
    if (structure::writePDB(kStateStructureFile, pdbInfo, nullptr, stateHead.c_str()) != 0) return 1;
    std::fprintf(log, "[%d]  domain rotation angle [deg.]:  %e  %e  %e\n", s, a, b, c);
    char stateRemark[160];
    std::snprintf(stateRemark, sizeof stateRemark,
                  "REMARK ENSEMBLE ID %d\nREMARK ENSEMBLE Q_EULER_ANGLES  %7.2f  %7.2f  %7.2f\n", s,
                  a, b, c);
    std::fputs(stateRemark, stdout);
    if (frameState(pdbInfo, g, turn) != 0) return 1;
    if (g.outEflag == 3) {
      const double zAxis[4] = {0.0, 0.0, 0.0, 1.0};
      double v[4];
      rotate_vector(b * kPi8 / 180.0, a * kPi8 / 180.0, c * kPi8 / 180.0, zAxis, v);
      std::printf("REMARK X Y Z  %.3f %.3f %.3f\n", v[1], v[2], v[3]);
      if (structure::writePDB(kListedStructureFile, pdbInfo, nullptr, listedHead.c_str()) != 0) return 1;
    }
    count += 1.0;  // every state counts; a clashing one adds nothing to the sums
    if (g.clashFlag && chkClashDom(pdbInfo, korimInfo, indI, indJ)) {
      std::printf("REMARK steric clash of domains in state %d.\n", s);
      if (allowed == 0) {
        const float approach = closestApproach(pdbInfo, indI, indJ);
        if (openest == 0 || approach > openestApproach) {
          openest = s;
          openestApproach = approach;
        }
      }
      continue;
    }
    allowed++;
    if (g.outEflag == 3) {
      std::printf("REMARK allowed state %d.\n", s);
      continue;
    }
    allowedStates.push_back(s);
    if (logPartAngles(pdbInfo, k, log) != 0) return 1;
    double order[5];
    const int st = unsettled.empty() && unsettledStep.empty() && unsettledSampling.empty()
                       ? predictState(pdbInfo, dTab, korimInfo, sel, ch, w, dotCount, dots, verbose,
                                      log, outDcEnsName, stateRemark, saupeAve, &lastR)
                       : stateOrder(pdbInfo, korimInfo, sel, ch, w, dotCount, dots, 1, order);
    if (st == kOrderUnsettled) {
      unsettled.push_back(s);
      if (unsettledTurnsTaken()) unsettledTurns.push_back(s);
    }
    else if (st == kStepUnsettled)
      unsettledStep.push_back(s);
    else if (st == kSamplingUnsettled)
      unsettledSampling.push_back(s);
    else if (st != 0)
      return st;
  }
  StateRun again{pdbInfo, korimInfo, sel, ch, w, alphaEnsemble, betaEnsemble, gammaEnsemble};
  if (!unsettledStep.empty()) {
    std::fprintf(stderr,
                 "ensembleAlignment: the step of the positions of -dGrid %s does not settle the order of %d of the %d "
                 "allowed states (%s), each checked as a single prediction's order is; no average computed.\n",
                 stepText(stepOf(k)).c_str(), static_cast<int>(unsettledStep.size()),
                 static_cast<int>(allowedStates.size()), stateList(unsettledStep).c_str());
    adviseEnsembleStep(again, dotCount, dots, allowedStates, unsettledStep);
    return 1;
  }
  if (!unsettledSampling.empty()) {
    std::fprintf(stderr,
                 "ensembleAlignment: the sampling of orientations of %s does not settle the order of %d of the %d "
                 "allowed states (%s), each checked as a single prediction's order is; no average computed.\n",
                 samplingText(samplingOf(k)).c_str(), static_cast<int>(unsettledSampling.size()),
                 static_cast<int>(allowedStates.size()), stateList(unsettledSampling).c_str());
    adviseEnsembleSampling(again, allowedStates, unsettledSampling);
    return 1;
  }
  if (!unsettledTurns.empty()) {
    std::fprintf(stderr,
                 "ensembleAlignment: the turns about each direction of -digPsi %d do not settle the order of %d of the "
                 "%d allowed states (%s), each checked as a single prediction's order is; no average computed.\n",
                 k.digPsiNSC, static_cast<int>(unsettledTurns.size()), static_cast<int>(allowedStates.size()),
                 stateList(unsettledTurns).c_str());
    adviseEnsembleTurns(again, dotCount, dots, allowedStates, unsettledTurns);
    return 1;
  }
  if (!unsettled.empty()) {
    const int d = sphereDensityOf(k, dotCount);
    std::fprintf(stderr,
                 "ensembleAlignment: the sphere of orientations of -dot %d does not settle the order of %d of the "
                 "%d allowed states (%s), each checked as a single prediction's order is; no average computed.\n",
                 d, static_cast<int>(unsettled.size()), static_cast<int>(allowedStates.size()),
                 stateList(unsettled).c_str());
    adviseEnsembleDensity(again, d, allowedStates, unsettled);
    return 1;
  }
  if (count == 0.0) {
    std::fprintf(stderr, "matrix: zero number of ensemble states.\n");
    return 1;
  }
  for (int j = 0; j < 5; j++) saupeAve[j] /= count;
  for (int i = 0; i < dTab->dCount; i++)
    if (dTab->dCalcList[i].valid)
      dTab->dCalcList[i].d = static_cast<float>(w.dSum[i] / count);
  coords.pdb = nullptr;
  if (structure::restorePDBCoords(pdbInfo) != 0) {
    std::fprintf(stderr, "matrix: error in storePDBCoords.\n");
    return 1;
  }
  // The log of a file cut short (a full disk) is reported and removed, and fails the run; the
  // standard output is checked at the end of the run.
  if (log != stdout && foundation::closeOutput(logFile.release(), logName,
                                               "KORIM Error writing log file for grid search %s: %s\n") != 0)
    return 1;
  // An average over clashing states only is an average of nothing.
  if (allowed == 0 && g.outEflag != 3) {
    sayEveryStateClashes(g, ensembleCount, configName, openest, openestApproach);
    return 1;
  }
  return 0;
}

}  // namespace korim::simulation
