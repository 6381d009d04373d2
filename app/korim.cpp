// korim: the program entry; one run from the command line to the result files and exit status.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/analyze_dc.h"
#include "app/analyze_pdb.h"
#include "app/compare_saupe.h"
#include "app/convert_tab.h"
#include "app/dc_select.h"
#include "app/far_atoms.h"
#include "app/ensemble_config.h"
#include "app/korim_records.h"
#include "app/korim_utils.h"
#include "app/korim_utils_output.h"
#include "app/input_kind.h"
#include "app/korim_utils_read.h"
#include "app/option_words.h"
#include "app/run_outputs.h"
#include "assignment/korim_utils_visit.h"
#include "assignment/ran_sim_dc.h"
#include "charges/korim_charge_setup.h"
#include "couplings/analyzeSaupe.h"
#include "couplings/dc.h"
#include "couplings/dcpairs.h"
#include "couplings/fewcouplings.h"
#include "couplings/missingdc.h"
#include "couplings/writedc.h"
#include "fitting/aerasimdc.h"
#include "fitting/dahist.h"
#include "fitting/daflex.h"
#include "fitting/daml.h"
#include "fitting/mapsimdc.h"
#include "fitting/noisestruc.h"
#include "fitting/simdc.h"
#include "fitting/strucnoise.h"
#include "fitting/tensorform.h"
#include "foundation/appendf.h"
#include "foundation/cmndargs.h"
#include "foundation/constants.h"
#include "foundation/finitetext.h"
#include "foundation/memory.h"
#include "foundation/outputfile.h"
#include "restraints/cs.h"
#include "restraints/merido.h"
#include "restraints/surf.h"
#include "settings/settings.h"
#include "settings/settings_null.h"
#include "fitting/statdc.h"
#include "settings/korim_record.h"
#include "simulation/do_nsc.h"
#include "simulation/ensemble.h"
#include "simulation/korim_iface.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/order_convergence.h"
#include "simulation/no_fit.h"
#include "simulation/nsc.h"
#include "simulation/ssia_free.h"
#include "simulation/tensor_verdict.h"
#include "simulation/unsp.h"
#include "simulation/workers.h"
#include "structure/pdb.h"

using namespace korim::app;
using namespace korim::foundation;
using namespace korim::settings;
using korim::couplings::DTable;
using korim::restraints::CSTable;
using korim::structure::PDBInfo;
using korim::structure::PDBSelectInfo;

namespace {

constexpr int kChargeSlots = 1201;     // 1-based charge arrays: at most 1200 charges
constexpr int kCoordSpare = 1201;      // coordinate entries beyond the atom count
constexpr int kPotentialSlots = 10001; // 1-D potential, 1-based

// The run's records, work arrays and tensor results; every path ends in cleanUp().
struct Run {
  int status = 0;
  KorimParams params{};
  PDBSelectInfo sInfo{};
  PDBSelectInfo userSel{};  // the selection as the user gave it, before hydrogens are removed
  std::vector<RunInput> inputs;  // every file the command line names as an input
  int argc = 0;                  // the command line, for the ensemble's outputs once configured
  char** argv = nullptr;
  std::string selection;         // the atom selection as given ("-chain B"), "" for none

  DTable* dTab = nullptr;
  std::string mapRemark;  // the table's REMARK lines of how its rows map onto the structure
  CSTable* csTab = nullptr;
  PDBInfo* pdbInfo = nullptr;
  KorimInfo* korimInfo = nullptr;
  DcInfo* dcInfo = nullptr;

  int coordLen = 0;
  double* xI = nullptr;
  double* yI = nullptr;
  double* zI = nullptr;
  int* chargeAtomID = nullptr;
  int* chargeAtomIDOrig = nullptr;
  float* charges = nullptr;
  float* chargesOrig = nullptr;
  double* ddots = nullptr;
  double* potential = nullptr;
  int gridLen = 0;
  double* pot3D = nullptr;
  float* pot3Dst = nullptr;

  int chCount = 0;
  float chSum = 0.0f;
  int chCountOrig = 0;
  int atomSelCount = 0;
  int dotCount = 0;
  int digPotential = 0;
  double offset = 0.0;
  double stepsize = 0.0;

  double saupe[5] = {};
  double irrSaupe[5] = {};
  double gMag = 0.0;
  double eigVal[3] = {};
  double eigVec[3][3] = {};
  double da = 0.0;
  double dr = 0.0;
  double alphaList[4] = {};
  double betaList[4] = {};
  double gammaList[4] = {};

  // Ensemble mode: the states (1-based angle lists, degrees) and the averaged tensor.
  double* alphaEnsemble = nullptr;
  double* betaEnsemble = nullptr;
  double* gammaEnsemble = nullptr;
  int ensembleCount = 0;
  double saupeAve[5] = {};
};

int selectedCount(const PDBInfo* pdb) {
  int n = 0;
  for (int i = 0; i < pdb->atomCount; i++)
    if (pdb->atomList[i].selected != 0) n++;
  return n;
}

// Ends a path: writes the line, keeps the status.
int fail(Run& run, int status, const char* line) {
  std::fputs(line, stderr);
  run.status = status;
  return status;
}

// A step after the result table failed: the table this run wrote goes (only a regular file it
// wrote itself, never a device or a pipe named by -outD).
int failAfterTable(Run& run, int status, const char* line) {
  removeOutput(run.params.outDName);
  return fail(run, status, line);
}

template <typename T>
void release(T*& p, int count) {
  unAlloc("matrix", p, static_cast<int>(sizeof(T)) * count);
  p = nullptr;
}

// Points of the user's 3-D grid, or -1 when the product does not fit an allocation.
int gridPoints(const KorimInfo* k) {
  const double n = static_cast<double>(k->grid3DnX) * k->grid3DnY * k->grid3DnZ;
  return (n < 1.0 || n * sizeof(double) > INT_MAX) ? -1 : static_cast<int>(n);
}

// Sphere of orientations, copied into the run's dot array.
int orientationDots(Run& run) {
  double* dots = nullptr;
  int count = 0;
  if (korim::simulation::do_unsp(run.korimInfo->densityNSC, &dots, &count) != 0 ||
      dots == nullptr)
    return fail(run, 1, "Matrix: unsp error occured.\n");
  if (count < 0 || count > kMaxOrientDots) {
    std::fprintf(stderr, "korim: the sphere of density %d holds %d dots, more than %d.\n",
                 run.korimInfo->densityNSC, count, kMaxOrientDots);
    run.status = 1;
    return 1;
  }
  std::memcpy(run.ddots, dots, sizeof(double) * 3 * static_cast<size_t>(count));
  run.dotCount = count;
  return 0;
}

int selectCoordinates(Run& run, const char* failLine) {
  int rc = korim::simulation::chCoorSelect(run.pdbInfo, run.korimInfo, &run.atomSelCount, run.xI,
                                           run.yI, run.zI, &run.chCount, run.chargeAtomID,
                                           run.charges, 1);
  if (rc != 0) return fail(run, rc, failLine);
  std::printf("REMARK %d atoms selected for simulation.\n", run.atomSelCount);
  std::printf("REMARK %d charges selected for simulation.\n", run.chCount);
  return 0;
}

void remark3D(const Run& run) {
  if (run.params.pot3DName[0] == '\0') return;
  const KorimInfo* k = run.korimInfo;
  std::fprintf(stderr, "REMARK 3D Potential %s, Total # of gridpositions %d (x: %d, y: %d, z: %d).\n",
               run.params.pot3DName, run.digPotential, k->grid3DnX, k->grid3DnY, k->grid3DnZ);
}

// The predicted tensor: analysed, stored in the coupling table, couplings back-calculated when
// there are valid ones, and the table written. A table that could not be written (no memory
// for its statistics, a failed analysis) fails the run rather than passing as a result.
int storeTensor(Run& run) {
  KorimInfo* k = run.korimInfo;
  for (double& s : run.saupe) s = -s;
  korim::couplings::analyzeSaupe(run.saupe, run.irrSaupe, &run.gMag, run.eigVec, run.eigVal,
                                 k->yzFlag, &run.da, &run.dr, run.alphaList, run.betaList,
                                 run.gammaList, k->eulerFlag);
  korim::couplings::DTensor& t = run.dTab->dTensor;
  t.tensorMode = korim::couplings::kTensorSteric;
  if (k->validCountD > 0) {
    for (int i = 0; i < 5; i++) t.userSaupe[i] = static_cast<float>(run.saupe[i]);
    korim::couplings::fitD(run.pdbInfo, run.dTab, k->verbFlag);
  } else {
    for (int i = 0; i < 5; i++) t.saupe[i] = static_cast<float>(run.saupe[i]);
  }
  // A note of the prediction (an order above half the medium's) stands among the table's REMARKs.
  const std::string remark = korim::simulation::takeOrderRemark() + run.mapRemark;
  const int rc = korim::couplings::writeDCmod(run.params.outDName, "w", run.dTab, k, remark.c_str());
  if (rc != 0) return fail(run, rc, "korim: error in writeDCmod.\n");
  return 0;
}

// The alignment of the run's selection with the medium's potential (if any). A structure whose
// own extent fits no room of the medium is refused naming the atoms that make it.
int simulate(Run& run, double* potential, double* pot3D, float* pot3Dst) {
  double centre[3] = {0.0, 0.0, 0.0};  // of the selection, as the model centres it
  for (int i = 1; i <= run.atomSelCount; i++) centre[0] += run.xI[i], centre[1] += run.yI[i], centre[2] += run.zI[i];
  for (double& c : centre) c /= run.atomSelCount > 0 ? run.atomSelCount : 1;
  korim::simulation::noFitReset();
  int rc = korim::simulation::simulateAlignment(
      run.korimInfo, run.atomSelCount, run.xI, run.yI, run.zI, run.chCount, run.chargeAtomID,
      run.charges, run.dotCount, run.ddots, run.digPotential, potential, run.offset, run.stepsize,
      pot3D, pot3Dst, run.saupe);
  if (const double limit = korim::simulation::structureBeyondReach(); rc != 0 && limit > 0.0)
    korim::app::nameFarAtoms(run.pdbInfo, run.params.pdbName, centre, limit);
  if (rc != 0) return fail(run, rc, "Matrix: Error simulating alignment.\n");
  return 0;
}

// The radial potential of -pot for the wall and the rod, into run.potential; the rod
// interpolates it by its step, so it needs at least two rows of a positive step.
int readRadialPotential(Run& run) {
  KorimInfo* k = run.korimInfo;
  run.potential = dFltAlloc("matrix", kPotentialSlots);
  if (run.potential == nullptr) return fail(run, 1, "Error allocating charge and potential buffers.\n");
  int rc = readPotential(run.params.potName, k, &run.digPotential, run.potential, &run.offset,
                         &run.stepsize);
  if (rc != 0) return fail(run, rc, "ERROR Reading of 1D potential not successful.\n");
  if (run.params.potName[0] != '\0')
    std::fprintf(stderr, "REMARK 1D Potential %s, Digitization %d, Offset %.1f, Stepsize %.1f [A].\n",
                 run.params.potName, run.digPotential, run.offset, run.stepsize);
  if (k->lcType == kLcRod && (run.digPotential < 2 || !(run.stepsize > 0.0))) {
    const std::string pot = run.params.potName;
    std::string got = pot.empty()              ? "the run gives no -pot"
                      : run.digPotential == 0 ? pot + " is empty"
                      : run.digPotential == 1 ? pot + " holds one row"
                                              : pot + " steps by ";
    if (run.digPotential >= 2) korim::foundation::appendf(got, "%g nm", run.stepsize / 10.0);  // read in nm, held in A
    const std::string line = "korim: the rod medium needs a 1D potential (-pot) of at least two rows with a "
                             "uniform positive step; " + got + ".\n";
    return fail(run, 1, line.c_str());
  }
  return 0;
}

// A steric prediction or ensemble with -el runs the electrostatic model on each structure: in the
// wall or the rod it reads the radial potential as -elKorim does (the rod cannot run without it).
int readModelPotential(Run& run) {
  const KorimInfo* k = run.korimInfo;
  if (k->elInfo.elFlag == 0 || (k->lcType != kLcWall && k->lcType != kLcRod)) return 0;
  return readRadialPotential(run);
}

// The 3-D grid of -pot3D, read as a potential (kT/e) into run.pot3D or as a steric mask into
// run.pot3Dst; noAlloc is the message when its buffer cannot be had. Not 0 after the message.
int readGrid(Run& run, bool asPotential, const char* noAlloc) {
  KorimInfo* k = run.korimInfo;
  run.gridLen = gridPoints(k);
  int rc = 0;
  if (asPotential) {
    if (run.gridLen > 0) run.pot3D = dFltAlloc("matrix", run.gridLen);
    if (run.pot3D == nullptr) return fail(run, 1, noAlloc);
    rc = read3DPotential(run.params.pot3DName, k, &run.digPotential, run.pot3D);
  } else {
    if (run.gridLen > 0) run.pot3Dst = fltAlloc("matrix", run.gridLen);
    if (run.pot3Dst == nullptr) return fail(run, 1, noAlloc);
    rc = read3DPotSteric(run.params.pot3DName, k, &run.digPotential, run.pot3Dst);
  }
  if (rc != 0) return fail(run, rc, "ERROR: Reading of 3D potential not successful.\n");
  remark3D(run);
  return 0;
}

// Steric prediction in the wall, rod or 3-D grid medium.
int stericPrediction(Run& run) {
  KorimInfo* k = run.korimInfo;
  if (orientationDots(run) != 0) return run.status;
  if (selectCoordinates(run, "korim: error reading selection of atoms.\n") != 0) return run.status;
  // With -el the grid's potential weighs each state, as in -elKorim: the grid is read as potential.
  if (k->lcType == kLc3D && readGrid(run, k->elInfo.elFlag != 0, "Error allocating potential buffer.\n") != 0)
    return run.status;
  if (readModelPotential(run) != 0) return run.status;
  if (simulate(run, run.potential, run.pot3D, run.pot3Dst) != 0) return run.status;
  if (storeTensor(run) != 0) return run.status;
  int rc = korim::simulation::writePDBRot(run.gammaList, run.betaList, run.alphaList, k->rotN,
                                          run.pdbInfo, &run.userSel, run.params.pRotName,
                                          run.params.remark);
  if (rc != 0) return failAfterTable(run, rc, "matrix: error in writePDBRot.\n");
  if (run.pot3Dst != nullptr) release(run.pot3Dst, run.gridLen);
  return 0;
}

// Steric and electrostatic prediction.
int electrostaticPrediction(Run& run) {
  KorimInfo* k = run.korimInfo;
  if (orientationDots(run) != 0) return run.status;
  if (selectCoordinates(run, "Matrix: Error reading selection of atoms.\n") != 0) return run.status;
  if (k->lcType == kLcWall || k->lcType == kLcRod) {
    if (readRadialPotential(run) != 0) return run.status;
    if (simulate(run, run.potential, nullptr, nullptr) != 0) return run.status;
    if (storeTensor(run) != 0) return run.status;
    const int rc = korim::simulation::iFacePDB(run.gammaList[0], run.betaList[0], run.alphaList[0],
                                     run.pdbInfo, k, run.params.pkaName, run.params.pRotName,
                                     run.params.remark, run.digPotential, run.potential,
                                     run.offset, run.stepsize, run.chCountOrig,
                                     run.chargeAtomIDOrig, run.chargesOrig);
    if (rc != 0) return failAfterTable(run, rc, "korim: error in iFacePDB.\n");
    release(run.potential, kPotentialSlots);
    return 0;
  }
  if (k->lcType == kLc3D) {
    if (readGrid(run, true, "Error allocating charge and potential buffers.\n") != 0) return run.status;
    if (simulate(run, nullptr, run.pot3D, nullptr) != 0) return run.status;
    if (storeTensor(run) != 0) return run.status;
  }
  return 0;
}

// The tensor averaged over a two-domain ensemble, its analysis and the average coupling table
// (with no coupling rows when no coupling is valid); OUTPUT_ENSEMBLE 3 predicts no state and
// writes no average.
int ensemblePrediction(Run& run) {
  namespace sim = korim::simulation;
  KorimInfo* k = run.korimInfo;
  KorimParams& p = run.params;
  run.alphaEnsemble = dFltAlloc("matrix", sim::kEnsembleSlots);
  if (run.alphaEnsemble != nullptr) run.betaEnsemble = dFltAlloc("matrix", sim::kEnsembleSlots);
  if (run.betaEnsemble != nullptr) run.gammaEnsemble = dFltAlloc("matrix", sim::kEnsembleSlots);
  if (run.gammaEnsemble == nullptr) return fail(run, 1, "Error allocating grid buffers.\n");
  if (orientationDots(run) != 0) return run.status;
  int rc = sim::initOrient(run.pdbInfo, k);
  if (rc != 0) return fail(run, rc, "matrix: error in initOrient.\n");
  korim::structure::storePDBCoords(run.pdbInfo);
  if (p.pRotName[0] != '\0' && korim::structure::writePDB(p.pRotName, run.pdbInfo, nullptr, p.remark) != 0)
    return fail(run, 1, "korim: error in writePDB.\n");
  rc = sim::setupEnsemble(k, p.outEName, p.outEAxName, p.inEName, &run.ensembleCount,
                          run.alphaEnsemble, run.betaEnsemble, run.gammaEnsemble);
  if (rc != 0) return fail(run, rc, "matrix: setupEnsemble error occured.\n");
  std::printf("REMARK ENSEMBLE MODE.\n");
  std::printf(k->gridInfo.clashFlag ? "REMARK STERIC CLASH CHECK ENABLED.\n"
                                    : "REMARK STERIC CLASH CHECK DISABLED.\n");
  std::printf("REMARK %d states in ensemble.\n", run.ensembleCount);
  if (k->gridInfo.outEflag == 2) return 0;
  if (p.oDcEName[0] != '\0') std::printf("REMARK Simulated DCs will be appended to %s.\n", p.oDcEName);
  if (readModelPotential(run) != 0) return run.status;
  sim::EnsembleCharges ch;
  ch.chCount = run.chCount;
  ch.chargeAtomID = run.chargeAtomID;
  ch.charges = run.charges;
  ch.digPotential = run.digPotential;
  ch.potential = run.potential;
  ch.offset = run.offset;
  ch.stepsize = run.stepsize;
  rc = sim::ensembleAlignment(run.pdbInfo, run.dTab, k, p.remark, p.flexName, p.oDcEName,
                              k->verbFlag, run.ensembleCount, run.alphaEnsemble,
                              run.betaEnsemble, run.gammaEnsemble, ch, run.dotCount, run.ddots,
                              run.saupeAve, p.inpName);
  if (rc != 0) return fail(run, rc, "matrix: ensembleAlignment error occured.\n");
  if (k->gridInfo.outEflag == 3) {
    std::fprintf(stderr, "korim: OUTPUT_ENSEMBLE 3 writes the states' structures and predicts no "
                         "state; no average table is written.\n");
    return 0;
  }
  double irrAve[5], gMagAve = 0.0;
  korim::couplings::analyzeSaupe(run.saupeAve, irrAve, &gMagAve, run.eigVec, run.eigVal,
                                 k->yzFlag, &run.da, &run.dr, run.alphaList, run.betaList,
                                 run.gammaList, k->eulerFlag);
  std::string result;
  writeKorim(k, &result);
  std::string euler;
  writeEulerInfo(irrAve, gMagAve, run.eigVal, run.eigVec, run.alphaList, run.betaList,
                 run.gammaList, &euler, k->eulerFlag);
  result += euler;
  // Without a valid coupling the table carries the averaged tensor alone, as the single
  // structure's does: agreement statistics over no coupling would read as a perfect fit.
  if (k->validCountD > 0) {
    char stats[korim::fitting::kStatDCTextLen];
    rc = korim::fitting::statDC(run.dTab, stats, 1);
    if (rc != 0) return fail(run, rc, "Matrix: error in statDC.\n");
    result += stats;
  }
  char line[256];
  const double* s = run.saupeAve;
  std::snprintf(line, sizeof line, "\nDATA SAUPE  % .4e % .4e % .4e % .4e % .4e\n\n", s[0], s[1],
                s[2], s[3], s[4]);
  result += line;
  const double R = run.da != 0.0 ? run.dr / run.da : 0.0;
  std::snprintf(line, sizeof line, "DATA Da(NH) = %.1f    R = Dr/Da = %.3f\n",
                run.da * kDaNHScale, R);
  result += line;
  // The records of a tensor that is not finite are no result, here as in the table.
  if (refuseNonFinite(result, p.aveName)) {
    run.status = 1;
    return 1;
  }
  std::fputs(result.c_str(), stderr);
  // The table of averaged couplings carries the averaged tensor, not the last state's.
  for (int i = 0; i < 5; i++) run.dTab->dTensor.saupe[i] = static_cast<float>(run.saupeAve[i]);
  rc = korim::couplings::writeDCmod(p.aveName, "w", run.dTab, k, (run.mapRemark + result).c_str());
  if (rc != 0) return fail(run, rc, "korim: error in writeDCmod.\n");
  return 0;
}

// Configuration, charges and medium geometry, then the prediction of the mode.
int prediction(Run& run) {
  KorimInfo* k = run.korimInfo;
  int rc = readConfig(run.params.inpName, k);
  if (rc != 0) {
    std::fprintf(stderr, "Error reading configuration file %s\n", run.params.inpName);
    run.status = rc;
    return rc;
  }
  // The ensemble's outputs depend on its configuration (OUTPUT_ENSEMBLE), and its residues on the
  // structure; nothing is written yet.
  if (k->korimMode == kModeStericGrid &&
      (refuseRunFiles(run.params, *k, run.inputs) != 0 ||
       checkEnsembleConfig(run.pdbInfo, &k->gridInfo, configKeysRead(), run.params.inpName,
                           run.params.pdbName) != 0)) {
    run.status = 1;
    return 1;
  }
  if (k->korimMode == kModeStericGrid) warnUnwrittenOutputs(run.params, *k, run.argc, run.argv);
  rc = korim::charges::chargeSetup(run.params.pkaName, run.pdbInfo, k, &run.chCount, &run.chSum,
                                   run.chargeAtomID, run.charges,
                                   writesChargeListing(*k, run.params.pkaName) ? run.params.outPkaName : "");
  if (rc != 0) return fail(run, rc, "WARNING: Error setting up charges!\n");
  run.chCountOrig = run.chCount;
  for (int i = 1; i <= run.chCount && i < kChargeSlots; i++) {
    run.chargeAtomIDOrig[i] = run.chargeAtomID[i];
    run.chargesOrig[i] = run.charges[i];
  }
  std::printf("REMARK %d charges placed, Total charge %.3f [e].\n", run.chCount,
              static_cast<double>(run.chSum));
  if (k->elInfo.elFlag && k->elInfo.chFlag) {
    std::printf("REMARK charges used in simulation:\n");
    std::printf("REMARK ===========================\n");
    std::printf("REMARK chargeID    atom serial number  charge [e] \n");
    for (int i = 1; i <= run.chCount && i < kChargeSlots; i++) {
      const int id = run.chargeAtomID[i];
      if (id < 0 || id >= run.pdbInfo->atomCount) continue;  // the set-up only names real atoms
      const korim::structure::AtomInfo& a = run.pdbInfo->atomList[id];
      std::printf("REMARK %d:  %5d  %8.3f %8.3f %8.3f %8.3f\n", i, id, static_cast<double>(a.x),
                  static_cast<double>(a.y), static_cast<double>(a.z),
                  static_cast<double>(run.charges[i]));
    }
    std::fflush(stdout);
    std::fprintf(stderr, "\n\n");
  }
  // The bicelle geometry of the medium; only a wall in which no bicelles form fails (the rod and
  // the 3-D grid do not depend on it).
  if (const int st = korim::simulation::refine_bicelle(k); st != 0)
    return fail(run, st, "korim: error in refine_bicelle.\n");
  switch (k->korimMode) {
    case kModeSteric:
      return stericPrediction(run);
    case kModeElectrostatic:
      return electrostaticPrediction(run);
    case kModeStericGrid:
      return ensemblePrediction(run);
    case kModeAnalyzePdb:
      rc = analyzePDB(run.pdbInfo, &run.userSel, k, run.chCount, &run.chSum, run.chargeAtomID,
                      run.charges, run.params.userSaupe1, run.params.pRotName,
                      run.params.outPName, run.params.remark);
      if (rc != 0) return fail(run, rc, "korim: error in analysis of PDB.\n");
      return 0;
    default:  // -elKorimFree, -elKorimGrid, -csSim, -asRan end after the charges
      return 0;
  }
}

// A tensor the fit holds whole (-da and -dr, -dadr, -fixed) that is not in the usual form is
// reported as the same tensor in that form: said on stderr, and the REMARK lines of the table that
// say it ("" when there is nothing to say).
std::string heldTensorRemark(const korim::couplings::DTensor& t) {
  namespace c = korim::couplings;
  const int m = t.tensorMode;
  const bool fitted = m == c::kTensorNoFixed || m == c::kTensorDaDr || m == c::kTensorFixed || m == c::kTensorFitNonlin;
  if (!fitted || t.daMin != t.daMax || t.drMin != t.drMax) return "";
  const std::string note = korim::fitting::heldTensorNote(t.daMin, t.drMin);
  return note.empty() ? "" : korim::fitting::sayNote(note) + "\n";
}

// The best-fit variant of the run.
int bestFit(Run& run) {
  KorimParams& p = run.params;
  KorimInfo* k = run.korimInfo;
  PDBSelectInfo* sel = &run.userSel;
  int rc = 0;
  // The error estimates fit order matrices again and again: with enough valid couplings but too
  // few of weight other than 0, too few distinct atom pairs or bond vectors along too few
  // directions every fit would give a zero or meaningless tensor, reported as a result.
  const bool estimate = k->spreadMode == kSpreadJackknife || k->spreadMode == kSpreadMcStructure ||
                        k->spreadMode == kSpreadMcCouplings;
  const korim::couplings::FitCouplings used = korim::couplings::fitCouplings(run.dTab);
  const int usable = used.rows;
  const bool search = k->spreadMode == kSpreadRandom || k->spreadMode == kSpreadExhaustive ||
                      k->spreadMode == kSpreadExhaustSel;
  if (usable == 0 && korim::fitting::oneAtomCouplings(run.dTab) > 0 &&
      run.dTab->dTensor.tensorMode == korim::couplings::kTensorSVD) {
    std::fprintf(stderr,
                 "korim: no coupling of %s has a bond vector (the two ends of each at one place, as "
                 "when a row names one atom twice): there is no order matrix to fit.\n",
                 p.inDName);
    return fail(run, 1, "Matrix: error in best-fit of data.\n");
  }
  // Too few couplings for an order matrix are refused, naming the option that left them few, before
  // any fit or estimate says so; a fit of a tensor held whole needs them only where a range was given.
  const int mode = run.dTab->dTensor.tensorMode;
  const bool orderMatrix = mode == korim::couplings::kTensorSVD || mode == korim::couplings::kTensorNoFixed;
  if (!search && (orderMatrix || !korim::couplings::couplingRangeGiven().empty()) &&
      korim::couplings::refuseFewCouplings(p.inDName, used.rows, used.pairs,
                                           {korim::couplings::kMinFitPairs, "fit an order matrix"}) != 0)
    return fail(run, 1, k->spreadMode == kSpreadSingle ? "korim: error in best-fit of data.\n"
                                                       : "Matrix: error in best-fit of data.\n");
  if (estimate && k->validCountD >= 5 && korim::couplings::refuseOrderMatrixFit(run.dTab) != 0)
    return fail(run, 1, "Matrix: error in best-fit of data.\n");
  const std::string heldNote = run.mapRemark + heldTensorRemark(run.dTab->dTensor);
  const char* note = heldNote.c_str();
  switch (k->spreadMode) {
    case kSpreadJackknife:
      rc = korim::fitting::aeraSimDC(run.pdbInfo, sel, run.dTab, k, p.outDName, p.pRotName,
                                     k->verbFlag, p.mapCount, p.outDaName, p.outMapName,
                                     p.outAngName, p.outAName, p.remark, note);
      break;
    case kSpreadMcStructure: {
      const DcInfo* dc = run.dcInfo;
      rc = korim::fitting::noiseStrucSimDC(run.pdbInfo, sel, run.dTab, k, dc->aFirst, dc->segFirst,
                                           dc->segLast, p.outDName, p.pRotName, k->verbFlag,
                                           p.mapCount, p.outDaName, p.outMapName, p.outAngName,
                                           p.outAName, p.remark, note);
      break;
    }
    case kSpreadRandom:
    case kSpreadExhaustive:
    case kSpreadExhaustSel:
      rc = korim::assignment::exhSimDC(run.pdbInfo, sel, run.dTab, k, p.outDName, p.pRotName,
                                       p.mapCount, p.nFixAa, p.fixResList, k->verbFlag, p.remark, note);
      break;
    case kSpreadMcCouplings:
      rc = korim::fitting::mapSimDC(run.pdbInfo, sel, run.dTab, k, p.outDName, p.pRotName,
                                    k->verbFlag, p.outDaName, p.outMapName, p.mapCount,
                                    p.outDFailName, p.outAngName, p.outAName, p.remark, note);
      break;
    default:
      rc = korim::fitting::simDC(run.pdbInfo, sel, run.dTab, k, p.remark, p.outDName, p.pRotName,
                                 k->verbFlag, note);
      if (rc != 0) return fail(run, rc, "korim: error in best-fit of data.\n");
      return 0;
  }
  if (rc != 0) return fail(run, rc, "Matrix: error in best-fit of data.\n");
  return 0;
}

// -struc: one perturbation of the structure by the structural noise, written to -pdbRot.
int structuralNoise(Run& run) {
  KorimInfo* k = run.korimInfo;
  const DcInfo* dc = run.dcInfo;
  DTable* dTab = run.dTab;
  int* valid = intAlloc("korim", dTab->dCount > 0 ? dTab->dCount : 1);
  if (valid == nullptr) return fail(run, 1, "Error allocating coord buffers.\n");
  long state = k->idum;
  for (int i = 0; i < dTab->dCount; i++) valid[i] = dTab->dCalcList[i].valid;
  int moved = 0;
  if (k->noiseMode == 0)
    korim::fitting::addPhiPsiNoise(&state, run.pdbInfo, dTab, k->coneWidth, k->coneFix, dc->aFirst,
                                   dc->segFirst, dc->segLast, k->allowFixedDI);
  else
    moved = korim::fitting::addPdbNoise(run.pdbInfo, dTab, k,
                                        korim::fitting::residueOffset(dc->aFirst, dc->segFirst),
                                        360.0 / k->coneDig, valid, &state);
  unAlloc("korim", valid, static_cast<int>(sizeof(int)) * (dTab->dCount > 0 ? dTab->dCount : 1));
  // Cone noise tilts the couplings' vectors: without one on the structure it moves no atom, and
  // the structure written would be the input under another name.
  if (k->noiseMode != 0 && moved == 0) {
    const KorimParams& p = run.params;
    if (p.inDName[0] == '\0')
      std::fprintf(stderr, "korim: -struc: without couplings (-inD) the cone noise has no vector "
                           "to tilt.\n");
    else
      std::fprintf(stderr, "korim: -struc: no coupling of %s maps to an atom pair of %s; the cone "
                           "noise has no vector to tilt.\n",
                   p.inDName, p.pdbName);
    return fail(run, 1, "korim: no noisy structure is written.\n");
  }
  const int rc = korim::structure::writePDB(run.params.pRotName, run.pdbInfo, &run.userSel,
                                            run.params.remark);
  if (rc != 0) return fail(run, rc, "korim: error in writePDB.\n");
  return 0;
}

// Structure, couplings, coupling and atom selection, then the mode's branch.
int structureRun(Run& run) {
  KorimParams& p = run.params;
  KorimInfo* k = run.korimInfo;
  DcInfo* dc = run.dcInfo;
  PDBInfo* pdb = run.pdbInfo;
  DTable* dTab = run.dTab;

  // The predictions scan orientations on the worker threads: they start
  // while the inputs are read.
  if (k->korimMode == kModeSteric || k->korimMode == kModeElectrostatic ||
      k->korimMode == kModeStericGrid) {
    korim::simulation::startWorkers();
    korim::simulation::prebuildSpheres(k->densityNSC,
                                       k->surfFlag ? korim::simulation::kNscDensity : 0);
  }
  if (p.pdbName[0] != '\0') {
    int rc = korim::structure::readPDB(p.pdbName, pdb, nullptr, nullptr);
    if (rc != 0) {
      std::fprintf(stderr, "Error reading PDB input %s\n", p.pdbName);
      korim::app::nameReaderOfFile(p.pdbName);
      run.status = rc;
      return rc;
    }
    std::fprintf(stderr, "%s, %d Atoms, Residues %d to %d.\n", p.pdbName, pdb->atomCount,
                 pdb->minResID, pdb->maxResID);
    if (pdb->atomCount == 0) {
      // An empty, header-only or binary file: nothing to predict or fit.
      std::fprintf(stderr, "PDB Error: no atoms read from %s\n", p.pdbName);
      korim::app::nameReaderOfFile(p.pdbName);
      run.status = 1;
      return 1;
    }
  } else {
    // Without -pdb the structure stays empty, as an empty file leaves it: every mode here
    // needs atoms. The message says where a structure comes from, so that one piped to the
    // program is not thought read.
    return fail(run, 1,
                "PDB Error: no structure given (-pdb); korim does not read one from the standard input\n");
  }
  int rc = korim::couplings::readDC(p.inDName, dTab);
  if (rc != 0) {
    std::fprintf(stderr, "Error reading DC input %s\n", p.inDName);
    run.status = rc;
    return rc;
  }
  // A prediction without -inD reads no table: there is no file to name.
  if (p.inDName[0] != '\0') korim::couplings::reportDcTable(p.inDName, dTab);

  settleDcRange(dc, dTab->dMinRes, dTab->dMaxRes);
  korim::couplings::noteCouplingRange(dTab, *dc);
  if (dc->aFirst < kNoRangeLimit) dc->aFirst = dc->segFirst;
  korim::structure::updatePDBAngles(pdb, dc->segFirst, dc->segLast);

  run.coordLen = pdb->atomCount + kCoordSpare;
  run.xI = dFltAlloc("matrix", run.coordLen);
  if (run.xI != nullptr) run.yI = dFltAlloc("matrix", run.coordLen);
  if (run.yI != nullptr) run.zI = dFltAlloc("matrix", run.coordLen);
  if (run.zI == nullptr) return fail(run, 1, "Error allocating coord buffers.\n");
  run.chargeAtomID = intAlloc("matrix", kChargeSlots);
  if (run.chargeAtomID != nullptr) run.charges = fltAlloc("matrix", kChargeSlots);
  if (run.charges != nullptr) run.chargeAtomIDOrig = intAlloc("matrix", kChargeSlots);
  if (run.chargeAtomIDOrig != nullptr) run.chargesOrig = fltAlloc("matrix", kChargeSlots);
  if (run.chargesOrig != nullptr) run.ddots = dFltAlloc("matrix", 3 * kMaxOrientDots);
  if (run.ddots == nullptr) return fail(run, 1, "Error allocating charge and potential buffers.\n");

  // The fits need the couplings; a prediction is made without them too.
  const bool fits = k->korimMode == kModeBestFit || k->korimMode == kModeStructNoise;
  if (korim::couplings::selectDcTable(dTab, p.inDName, dc, p.atomNameS1, p.atomNameS2,
                                      fits ? korim::couplings::DcRowUse::kFit : korim::couplings::DcRowUse::kPrediction) < 0) {
    run.status = 1;
    return 1;
  }
  // -a1 and the range start may each be any int: their difference is clamped to the int range
  // (an offset that large maps no coupling to the structure).
  const long long aOff = static_cast<long long>(dc->aFirst) - dc->segFirst;
  const int off = aOff > INT_MAX ? INT_MAX : aOff < INT_MIN ? INT_MIN : static_cast<int>(aOff);
  k->validCountD = korim::couplings::buildDC(pdb, dTab, off, dc->segFirst,
                                             p.wList, p.wCount, k->allowFixedDI);
  if (korim::couplings::refuseWeightBeyondBound(dTab, p.inDName, p.wList, p.wCount, dc->segFirst) != 0) {
    run.status = 1;
    return 1;
  }
  korim::couplings::keepRunWeights(dTab);
  const korim::couplings::DcMapCounts mapped = korim::couplings::reportDCMap(pdb, dTab, off, dc->segFirst);
  korim::couplings::noteCouplingMapping(dTab, mapped.shift, p.wList, p.wCount, dc->segFirst);
  run.mapRemark = korim::couplings::mapRemark(mapped);
  // Atoms left out of the structure are named in the table too, with the lines of the mapping.
  if (const std::string het = korim::structure::skippedHetatm(pdb); !het.empty())
    run.mapRemark = "REMARK " + het + ": korim reads ATOM records only.\n" +
                    (run.mapRemark.empty() ? "\n" : run.mapRemark);
  remarkCouplings(stdout, "selected", k->validCountD, dc->excludeMode);
  // The fits and the search take no row that marks its coupling as missing (the predictions'
  // statistics say the same of their table).
  if (k->korimMode == kModeBestFit) {
    const bool search = k->spreadMode == kSpreadRandom || k->spreadMode == kSpreadExhaustive ||
                        k->spreadMode == kSpreadExhaustSel;
    const DTable* t = dTab;
    korim::couplings::tellMissing(search ? "the assignment search" : "the fit", p.inDName,
                                  korim::couplings::countMissing(t, [t](int i) { return t->dCalcList[i].valid != 0; }));
  }

  PDBSelectInfo& s = run.sInfo;
  if (s.res1 == 0 && s.resN == 0) {
    s.res1 = pdb->minResID;
    s.resN = pdb->maxResID;
  }
  korim::structure::pdbSelect(pdb, &s);
  std::printf("REMARK PDB Selection:");
  if (s.selectMode == 1)
    std::printf(" All Atoms.\n");
  else
    std::printf(" Residues %d to %d  Residues: %s  Atoms: %s  Chains %s  Segs: %s.\n", s.res1,
                s.resN, s.resNameList, s.atomNameList, s.chainNameList, s.segNameList);
  run.userSel = s;
  if (p.pdbName[0] != '\0' && selectedCount(pdb) == 0)
    // -clear puts no mark: its selection is named, not -id.
    return fail(run, 1, noAtomSelected(run.selection, *pdb, s.selectMode == 0 ? 1 : s.selectID).c_str());
  // Said once, for every mode that maps the table: the fits and the search take the rows as mapped here.
  if (const std::string placed = warnCouplingPlaces(run.selection, run.argc, run.argv, *k, *pdb, *dTab, off, p.inDName);
      !placed.empty())
    run.mapRemark = run.mapRemark.empty() ? placed + "\n" : run.mapRemark.substr(0, run.mapRemark.size() - 1) + placed + "\n";

  if (!k->Hflag) {
    s.selectID = 0;
    s.atomNameMode = 3;
    s.selectMode = 2;
    std::snprintf(s.atomNameList, sizeof s.atomNameList, "%s", "[1-3]H* H*");
    korim::structure::pdbSelect(pdb, &s);
  }

  if (k->korimMode == kModeStructNoise) return structuralNoise(run);
  if (k->korimMode == kModeBestFit) return bestFit(run);
  return prediction(run);
}

void cleanUp(Run& run) {
  if (run.dTab != nullptr) korim::couplings::dTabFree(run.dTab);
  if (run.csTab != nullptr) korim::restraints::csTabFree(run.csTab);
  korim::structure::fitAlignFree();
  korim::couplings::dipolarFree();
  korim::restraints::surfFree();
  unAlloc("listArg", run.params.wList, run.params.wCount * static_cast<int>(sizeof(float)));
  run.params.wList = nullptr;
  std::fflush(stdout);
  showAlloc();
  if (run.pot3D != nullptr) release(run.pot3D, run.gridLen);
  if (run.pot3Dst != nullptr) release(run.pot3Dst, run.gridLen);
  if (run.potential != nullptr) release(run.potential, kPotentialSlots);
  release(run.pdbInfo, 1);
  release(run.dTab, 1);
  release(run.csTab, 1);
  release(run.korimInfo, 1);
  release(run.dcInfo, 1);
  release(run.xI, run.coordLen);
  release(run.yI, run.coordLen);
  release(run.zI, run.coordLen);
  release(run.chargeAtomID, kChargeSlots);
  release(run.charges, kChargeSlots);
  release(run.chargeAtomIDOrig, kChargeSlots);
  release(run.chargesOrig, kChargeSlots);
  release(run.ddots, 3 * kMaxOrientDots);
  release(run.alphaEnsemble, korim::simulation::kEnsembleSlots);
  release(run.betaEnsemble, korim::simulation::kEnsembleSlots);
  release(run.gammaEnsemble, korim::simulation::kEnsembleSlots);
  korim::restraints::merDone();
}

// The modes that read no structure; true when the mode was one of them (its status in run).
bool tableMode(Run& run) {
  KorimParams& p = run.params;
  KorimInfo* k = run.korimInfo;
  int rc = 0;
  switch (k->korimMode) {
    case kModeStericFree:  // bare coordinates straight to the order matrix
      rc = korim::simulation::ssiaFree(k, p.pdbFName, p.outAName, run.dTab);
      if (rc != 0) fail(run, rc, "matrix: error in ssiaFree.\n");
      return true;
    case kModeAnalyzeDc:
      rc = analyzeDC(p.inD1Name, p.inD2Name, k, run.dcInfo, p.atomNameS1, p.atomNameS2,
                     p.outDName);
      if (rc != 0) fail(run, rc, "Matrix: error in comparison of order matrices.\n");
      return true;
    case kModeAnalyzeSaupe:
      rc = compareSaupe(k, p.userSaupe1, p.userSaupe2, p.outAName, run.dTab, p.hingeAxis,
                        p.twistAxis, p.remark);
      if (rc != 0) fail(run, rc, "Matrix: error in comparison of order matrices.\n");
      return true;
    case kModeConvert:
      rc = convertTab(p.inDName, k, run.dcInfo, p.atomNameS1, p.atomNameS2, p.outDName);
      if (rc != 0) fail(run, rc, "korim: error in conversion of table.\n");
      return true;
    case kModeDaHist:
      rc = korim::fitting::getHistDabR(p.inDName, k, run.dcInfo, p.atomNameS1, p.atomNameS2,
                                       p.outDName);
      if (rc != 0) fail(run, rc, "korim: error in getHistDabR.\n");
      return true;
    case kModeDaMl:
      rc = korim::fitting::getMlDabR(p.inDName, k, run.dcInfo, p.atomNameS1, p.atomNameS2,
                                     p.outDName, p.outScName);
      if (rc != 0) fail(run, rc, "korim: error in getMlDabR.\n");
      return true;
    case kModeDaFlex:  // reports its failures with the histogram mode's line
      rc = korim::fitting::motionHist(p.inDName, k, run.dcInfo, p.atomNameS1, p.atomNameS2,
                                      p.outDName, p.outScName, p.outColName);
      if (rc != 0) fail(run, rc, "korim: error in getHistDabR.\n");
      return true;
    default:
      return false;
  }
}

// The option word of a mode that fits or estimates from a coupling table; null for the others
// (a prediction only compares with one when given).
const char* couplingModeWord(int mode) {
  switch (mode) {
    case kModeBestFit:
    case kModeDaHist:
    case kModeDaMl:
    case kModeDaFlex:
    case kModeConvert:
      return modeWord(mode);
    default:
      return nullptr;
  }
}

// Records, options and dispatch of one run; returns its status.
int runKorim(Run& run, int argc, char** argv) {
  korimParamsNull(&run.params);
  korim::structure::pdbSelectNull(&run.sInfo);
  korim::restraints::surfNull();
  korim::couplings::dipolarNull();

  korim::restraints::merInit(2, 2);
  legalNotice();
  korim::assignment::initializeGlobal();

  run.dTab = static_cast<DTable*>(voidMalloc("matrix", sizeof(DTable)));
  if (run.dTab != nullptr) run.csTab = static_cast<CSTable*>(voidMalloc("matrix", sizeof(CSTable)));
  if (run.csTab != nullptr) run.pdbInfo = static_cast<PDBInfo*>(voidMalloc("matrix", sizeof(PDBInfo)));
  if (run.pdbInfo != nullptr)
    run.korimInfo = static_cast<KorimInfo*>(voidMalloc("matrix", sizeof(KorimInfo)));
  if (run.korimInfo != nullptr)
    run.dcInfo = static_cast<DcInfo*>(voidMalloc("matrix", sizeof(DcInfo)));
  if (run.dcInfo == nullptr) return fail(run, 1, "Error allocating DC/PDB/KORIM structures.\n");
  std::memset(static_cast<void*>(run.dTab), 0, sizeof(DTable));
  std::memset(static_cast<void*>(run.csTab), 0, sizeof(CSTable));
  std::memset(static_cast<void*>(run.pdbInfo), 0, sizeof(PDBInfo));
  std::memset(static_cast<void*>(run.korimInfo), 0, sizeof(KorimInfo));
  std::memset(static_cast<void*>(run.dcInfo), 0, sizeof(DcInfo));
  korim::couplings::dTabNull(run.dTab);
  korim::restraints::csTabNull(run.csTab);
  korim::structure::pdbNull(run.pdbInfo);
  korimInfoNull(run.korimInfo);
  dcInfoNull(run.dcInfo);

  // Option words no mode reads (typos) are reported even without NMRCHECK.
  initArgs(argc, argv, 5);
  // A word that is no option of korim (a typo) would leave its option unset without a word.
  if (refuseUnknownWords(argc, argv) != 0) return fail(run, 1, "KORIM Error extracting command-line arguments.\n");
  int rc = getparams(argc, argv, &run.params, &run.dTab->dTensor, run.korimInfo, &run.sInfo,
                     run.dcInfo);
  if (rc != 0) return fail(run, rc, "KORIM Error extracting command-line arguments.\n");
  warnRepeatedOptions(argc, argv);
  warnUnusedChoices(argc, argv, *run.korimInfo, run.dTab->dTensor.tensorMode);
  run.selection = atomSelectionGiven(argc, argv);
  checkArgs(argc, argv);
  run.inputs = runInputs(argc, argv);
  run.argc = argc;
  run.argv = argv;
  if (korim::couplings::dbgFlag > 1) setAlloc(1);
  // The predictions in the 3-D grid medium would otherwise work on a grid that nothing filled.
  const KorimInfo* k = run.korimInfo;
  if (k->lcType == kLc3D && run.params.pot3DName[0] == '\0' &&
      (k->korimMode == kModeSteric || k->korimMode == kModeElectrostatic))
    return fail(run, 1, "KORIM Error: option -3D needs the grid file of option -pot3D.\n");
  // The ensemble predicts each state in the wall or rod medium only: a -3D run would average
  // tensors that nothing computed.
  if (k->lcType == kLc3D && k->korimMode == kModeStericGrid)
    return fail(run, 1,
                "KORIM Error: option -3D has no model in the ensemble mode (-stKorimGrid), which "
                "predicts each state in the wall (-bic) or rod (-pf1) medium.\n");
  if (const char* mode = couplingModeWord(k->korimMode); mode != nullptr && run.params.inDName[0] == '\0') {
    std::fprintf(stderr, "KORIM Error: no coupling table given (-inD); %s works on couplings and needs one.\n", mode);
    run.status = 1;
    return 1;
  }
  // Outputs that would overwrite each other or an input, or that cannot be written: refused
  // before the work, which would otherwise be lost or destroy what it reads.
  if (k->korimMode != kModeStericGrid && refuseRunFiles(run.params, *k, run.inputs) != 0) {
    run.status = 1;
    return 1;
  }
  if (k->korimMode != kModeStericGrid) warnUnwrittenOutputs(run.params, *k, argc, argv);

  return tableMode(run) ? run.status : structureRun(run);
}

// After a result refused for a number that is not finite: the options given to the run that set
// the scale of what it computes, with their values, so that a value out of its range is found.
void nameScaleOptions(int argc, char** argv) {
  static const char* const valued[] = {
      "-lcS", "-wv",   "-vol",  "-mwLC", "-massLC", "-unitLC", "-polyLC", "-rM",   "-rA",
      "-pRatio", "-dGrid", "-dX",  "-dY",    "-dZ",     "-kEne",   "-kPot", "-kMono",
      "-kDipo", "-kQuad", "-kAtt", "-pow", "-temp", "-pH",     "-nacl",   "-chSurf", "-c1", "-c2"};
  static const char* const flags[] = {"-mul", "-div"};
  std::string named;
  for (const char* w : valued)
    if (const int loc = flagLoc(argc, argv, w); loc > 0 && loc + 1 < argc)
      named += std::string(" ") + w + " " + argv[loc + 1];
  for (const char* w : flags)
    if (flagLoc(argc, argv, w) > 0) named += std::string(" ") + w;
  if (!named.empty())
    std::fprintf(stderr, "korim: options of this run that set the scale of its result:%s\n",
                 named.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // A closed standard stream would hand its number to the first file opened.
  korim::foundation::guardStandardStreams();
  static Run run;  // large (file-name buffers); kept off the stack
  int status = runKorim(run, argc, argv);
  // An output that could not be opened or written fails the run, also where the writer went on
  // to standard output or its caller went on without it.
  if (status == 0 && korim::foundation::outputLost()) status = 1;
  // A result that would carry a number that is not finite, or a predicted tensor refused as
  // wrong or zero, was not written: no result.
  if (korim::foundation::nonFiniteRefused() || korim::simulation::predictionRefused())
    nameScaleOptions(argc, argv);
  status = korim::foundation::statusAfterRefusals(status);
  // What went to the standard output (remarks, order matrices, tables) must have arrived too.
  if (korim::foundation::finishStandardOutput("korim: error writing to the standard output: %s\n") != 0 &&
      status == 0)
    status = 1;
  cleanUp(run);
  // A status is reported modulo 256 by the system; keep failures non-zero.
  if (status != 0 && (status & 0xff) == 0) return 1;
  return status;
}
