// Simulation dispatch: centring, choice of the alignment model, scaling by the
// order of the medium, analysis and report of the predicted tensors; turning
// and shifting residue ranges of a structure, and writing it in the frames of
// the Euler solutions.
#include "foundation/constants.h"
#include "simulation/korim_utils_align.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "couplings/analyzeSaupe.h"
#include "foundation/memory.h"
#include "simulation/korim_utils_coor.h"
#include "simulation/korim_utils_inert.h"
#include "simulation/korim_utils_math.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/order_convergence.h"
#include "simulation/sampling_convergence.h"
#include "simulation/ssia.h"
#include "simulation/step_convergence.h"
#include "simulation/tensor_verdict.h"
#include "structure/pdbline.h"

namespace korim::simulation {

using namespace korim::foundation;
using settings::KorimInfo;
using structure::AtomInfo;
using structure::PDBInfo;
using structure::PDBSelectInfo;

namespace {

// The Euler solutions of the last analysis, kept between calls.
struct AlignState {
  double alphaList[4];
  double betaList[4];
  double gammaList[4];
};

AlignState align;

int runSteric(KorimInfo& k, int n, double* x, double* y, double* z, float maxRadius,
              int dotCount, double* ddots, double* out) {
  return stericAlignment(&k, k.orderDiscRim, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom,
                         k.gridSpacing, k.concentration, k.molarRatio, n, x, y, z,
                         static_cast<double>(maxRadius) + k.radiusAtom, k.radiusAtom, k.digPsiNSC,
                         dotCount, ddots, out);
}

// The inputs of the wall or rod model of a prediction, for its runs at other steps.
struct ModelInputs {
  int n;
  double *x, *y, *z;
  float maxRadius;
  int chCount;
  int* chargeAtomID;
  float* charges;
  int dotCount;
  double* ddots;
  int digPotential;
  double* potential;
  double offset, stepsize;
};

// The wall or rod model the settings choose (electrostatic with -el, else steric) on m, its order
// into out; the model's status.
int wallOrRodModel(KorimInfo& k, const ModelInputs& m, double out[5]) {
  if (k.elInfo.elFlag == 0) return runSteric(k, m.n, m.x, m.y, m.z, m.maxRadius, m.dotCount, m.ddots, out);
  return sma(&k, m.n, m.x, m.y, m.z, m.dotCount, m.ddots, static_cast<double>(m.maxRadius) + k.radiusAtom,
             k.radiusAtom, m.chCount, m.chargeAtomID, m.charges, m.digPotential, m.potential, m.offset, m.stepsize,
             out);
}


// The verdict on the sampling of orientations of a steric wall or rod prediction
// (samplingSettledOrRefuse: 0, 1 or kSamplingUnsettled), the model run on the other spheres and
// turns without a word; 0 for the electrostatic models, whose sphere the model checks itself, and
// for the other media.
int samplingVerdict(const KorimInfo& k, const ModelInputs& m) {
  if (k.elInfo.elFlag != 0 || (k.lcType != 1 && k.lcType != 2)) return 0;
  const SampledOrder model = [&k, &m](const double* dots, int nDots, int turns, double out[5], std::string* why) {
    KorimInfo at = k;
    at.digPsiNSC = turns;
    ModelInputs on = m;
    on.dotCount = nDots;
    on.ddots = const_cast<double*>(dots);  // the models read the dots only
    return quietOrder([&] { return wallOrRodModel(at, on, out); }, why);
  };
  return samplingSettledOrRefuse("stericAlignment", k, m.dotCount, m.ddots, model);
}

// The verdict on the step of the positions of a wall or rod prediction (stepSettledOrRefuse: 0, 1
// or kStepUnsettled), the model the settings choose run at the finer steps without a word and
// without its sphere's check; 0 for the other media. A step advised is run as its run would be:
// with the sphere's check, and a steric sampling below the defaults held against the default one
// at that step (a coarse step moves the orders of a coarse sampling further apart).
int stepVerdict(const KorimInfo& k, const ModelInputs& m) {
  if (k.lcType != 1 && k.lcType != 2) return 0;
  const StepOrder model = [&k, &m](double step, double out[5], bool sphereChecked, std::string* why) {
    KorimInfo at = k;
    at.gridSpacing = static_cast<float>(step);
    std::optional<SphereCheckPaused> paused;
    if (!sphereChecked) paused.emplace();
    return quietOrder([&] { return sphereChecked && samplingVerdict(at, m) != 0 ? 1 : wallOrRodModel(at, m, out); },
                      why);
  };
  return stepSettledOrRefuse(k.elInfo.elFlag != 0 ? "sma" : "stericAlignment", k, model);
}

int modelFailed(const char* model, int status) {
  std::fprintf(stderr, "simulateAlignment: error in %s.\n", model);
  return status;
}

void printTensor(const char* name, double gMag, const double s[5], const char* sep) {
  std::printf("%s  gMag %e\n", name, gMag);
  for (int j = 0; j < 5; j++) {
    std::printf("%e", s[j]);
    std::printf("%s", sep);
  }
  std::printf("\n");
}

// The saved-coordinate list must hold every atom, or a restore would leave atoms turned.
bool canSaveCoords(const PDBInfo* pdbInfo) {
  if (pdbInfo == nullptr) return false;
  if (pdbInfo->atomCount <= 0) return true;
  return pdbInfo->atomList != nullptr && pdbInfo->coordList != nullptr &&
         pdbInfo->maxCoordCount >= pdbInfo->atomCount;
}

// The turn of rotateDomain by angle (degrees): the axes of its inverse, whose
// dot products with a position give the turned position.
struct TurnAxes {
  double x[4], y[4], z[4];
  explicit TurnAxes(const double* angle) {
    // Degrees to radians with the sign reversed.
    const double f = foundation::kPi8 / -180.0;
    rotate_coorsystem(angle[1] * f, angle[2] * f, angle[0] * f, x, y, z);
  }
  // The turned position, in the same arithmetic for every build type: x and
  // y are the three products summed in double precision and rounded once,
  // z is rounded to single precision after each step. This is what the
  // optimised builds gave when the sums were written as three float steps
  // and the compiler vectorised x and y, so results stored from those
  // builds stay byte for byte; a build that honoured every step (Debug)
  // gave other last digits.
  void turn(float px, float py, float pz, float out[3]) const {
    const double dx = px, dy = py, dz = pz;
    out[0] = static_cast<float>(dx * x[1] + dy * x[2] + dz * x[3]);
    out[1] = static_cast<float>(dx * y[1] + dy * y[2] + dz * y[3]);
    float s = static_cast<float>(dx * z[1]);
    s = static_cast<float>(s + dy * z[2]);
    out[2] = static_cast<float>(s + dz * z[3]);
  }
};

// The structure turned into the frames of the Euler solutions: for each, the
// coordinates rotateDomain and shiftMol2Domain leave over the structure's
// residue range, computed from copies (the structure is not moved).
struct Turns {
  std::vector<float> xyz[4];  // x, y, z per atom; kept only when asked for
  int count = 0;              // the solutions turned before a failure
  const char* failure = nullptr;
};

void turnAll(Turns& t, const double* const angleLists[3], PDBInfo* pdbInfo, bool keep) {
  // The saved coordinates are those of the structure, as after a store and
  // restore for each solution.
  if (!canSaveCoords(pdbInfo) || structure::storePDBCoords(pdbInfo) != 0) {
    t.failure = "korim: error in storePDBCoords.\n";
    return;
  }
  const int n = pdbInfo->atomCount > 0 ? pdbInfo->atomCount : 0;
  const AtomInfo* atoms = pdbInfo->atomList;
  // The atoms of the range in the walk of rotateDomain and residueRangeCentroid.
  std::vector<int> range;
  for (int i = 0; i < n; i++) {
    if (atoms[i].resID < pdbInfo->minResID) continue;
    if (atoms[i].resID > pdbInfo->maxResID) break;
    range.push_back(i);
  }
  const int m = static_cast<int>(range.size());
  for (int k = 0; k < 4; k++) {
    const double angle[3] = {-angleLists[0][k], -angleLists[1][k], -angleLists[2][k]};
    const TurnAxes axes(angle);
    // The work space of shiftMol2Domain, holding the turned range.
    CoordArrays<float> c("shiftMol2Domain", n > 0 ? n : 1);
    if (!c.ok()) {
      std::fprintf(stderr, "Error in shiftMol2Domain: allocating coord buffers.\n");
      t.failure = "korim: error in shiftMol2Domain.\n";
      return;
    }
    for (int j = 0; j < m; j++) {
      const AtomInfo& a = atoms[range[j]];
      float out[3];
      axes.turn(a.x, a.y, a.z, out);
      c.x[j] = out[0], c.y[j] = out[1], c.z[j] = out[2];
    }
    if (m == 0) {
      std::fprintf(stderr, "Error in positionDomain: zero atoms selected.\n");
      t.failure = "korim: error in shiftMol2Domain.\n";
      return;
    }
    float sx = 0.0f, sy = 0.0f, sz = 0.0f;
    for (int j = 0; j < m; j++) {
      sx += c.x[j];
      sy += c.y[j];
      sz += c.z[j];
    }
    const float mx = sx / m, my = sy / m, mz = sz / m;
    if (keep) {
      std::vector<float>& v = t.xyz[k];
      v.resize(3 * static_cast<size_t>(n));
      for (int i = 0, j = 0; i < n; i++) {
        const bool turned = j < m && range[j] == i;
        v[3 * i] = (turned ? c.x[j] : atoms[i].x) - mx;
        v[3 * i + 1] = (turned ? c.y[j] : atoms[i].y) - my;
        v[3 * i + 2] = (turned ? c.z[j] : atoms[i].z) - mz;
        j += turned;
      }
    }
    t.count = k + 1;
  }
}

// The text of each turned structure, made in one frame whose records get the
// coordinates of one turn after another, and its files, written in order.
// Returns 0 or the status of the file that failed.
int writeTurnedFiles(const Turns& turns, int rotID, const PDBInfo* pdbInfo,
                     const PDBSelectInfo* sInfo, const char* outName, const char* remark) {
  const int n = pdbInfo != nullptr && pdbInfo->atomList != nullptr && pdbInfo->atomCount > 0
                    ? pdbInfo->atomCount
                    : 0;
  if (turns.count == 0) return 0;
  std::vector<char> selected(static_cast<size_t>(n), 1);
  for (int i = 0; sInfo != nullptr && i < n; i++)
    selected[i] = structure::pdbSelectTest(sInfo, &pdbInfo->atomList[i]) != 0;
  // The text writePDB writes: the remark, the records, END.
  structure::RecordFrame frame;
  if (remark != nullptr) frame.text.append("REMARK ").append(remark).append("\n\n");
  const size_t head = frame.text.size();
  frame.text.reserve(head + 81 * static_cast<size_t>(n) + 4);  // the records and END in place
  structure::frameRecords(frame, n > 0 ? pdbInfo->atomList : nullptr, n, selected.data());
  frame.text.append("END\n");
  // A coordinate wider than its columns would make a file korim cannot read back: no turn is
  // written then, checked before the first file.
  for (int k = 0; k < turns.count; k++)
    for (const structure::FramedRecord& r : frame.records) {
      const float* v = turns.xyz[k].data() + 3 * static_cast<size_t>(r.atom);
      if (structure::coordinateWritable(v[0]) && structure::coordinateWritable(v[1]) &&
          structure::coordinateWritable(v[2]))
        continue;
      const std::string name = k == rotID ? std::string(outName) : std::string(outName) + "." + std::to_string(k);
      structure::atomFits(pdbInfo->atomList[r.atom], v[0], v[1], v[2], name.c_str());
      return 1;
    }
  for (int k = 0; k < turns.count; k++) {
    const std::string* text = &frame.text;
    if (!structure::setFramedCoordinates(frame, turns.xyz[k].data())) return 1;  // every coordinate fits
    int status = 0;
    if (k == rotID) status = structure::writePDBText(outName, *text);
    if (status == 0) {
      const std::string name = std::string(outName) + "." + std::to_string(k);
      status = structure::writePDBText(name.c_str(), *text);
    }
    if (status != 0) return status;
  }
  return 0;
}

}  // namespace

void centre(int n, double* x, double* y, double* z) {
  if (n < 1) return;
  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  for (int i = 1; i <= n; i++) {
    sx = static_cast<float>(sx + x[i]);
    sy = static_cast<float>(sy + y[i]);
    sz = static_cast<float>(sz + z[i]);
  }
  const float cx = sx / n, cy = sy / n, cz = sz / n;
  for (int i = 1; i <= n; i++) {
    x[i] = x[i] - cx;
    y[i] = y[i] - cy;
    z[i] = z[i] - cz;
  }
}

float largestRadius(int n, const double* x, const double* y, const double* z) {
  float r2max = 0.0f;
  for (int i = 1; i <= n; i++) {
    const float r2 = static_cast<float>(x[i] * x[i] + y[i] * y[i] + z[i] * z[i]);
    if (r2 > r2max) r2max = r2;
  }
  return std::sqrt(r2max);
}

int simulateAlignment(KorimInfo* korimInfo, int atomSelCount, double* xI, double* yI, double* zI,
                      int chCount, int* chargeAtomID, float* charges, int dotCount, double* ddots,
                      int digPotential, double* potential, double offset, double stepsize,
                      double* pot3D, float* pot3Dst, double* saupe) {
  KorimInfo& k = *korimInfo;
  double saupeSteric[5] = {0, 0, 0, 0, 0};
  double saupeEl[5] = {0, 0, 0, 0, 0};

  centre(atomSelCount, xI, yI, zI);
  std::printf("REMARK Molecule shifted to geometric center.\n");
  const float maxRadius = largestRadius(atomSelCount, xI, yI, zI);

  const ModelInputs inputs{atomSelCount, xI, yI, zI, maxRadius, chCount, chargeAtomID, charges,
                           dotCount, ddots, digPotential, potential, offset, stepsize};
  if (stepVerdict(k, inputs) != 0 || samplingVerdict(k, inputs) != 0) return 1;
  int status = 0;
  if (k.elInfo.elFlag == 0) {
    if (k.lcType == 1 || k.lcType == 2) {
      status = wallOrRodModel(k, inputs, saupeSteric);
      if (status != 0) return modelFailed("stericAlignment", status);
    } else if (k.lcType == 3) {
      status = ssia3D(korimInfo, atomSelCount, xI, yI, zI, dotCount, ddots, digPotential, pot3Dst,
                      saupeSteric);
      if (status != 0) return modelFailed("ssia3D", status);
    }
  } else {
    if (k.lcType == 1 || k.lcType == 2) {
      // Where no density settles the order at the run's step, the refusal asks the run at the
      // default step (its sphere and turns checked) for a density that answers.
      const AdviceAtDefaultStep atDefault([&k, &inputs](int density, int turns) {
        int n = 0;
        const double* sphere = sphereOfDensity(density, &n);
        if (sphere == nullptr) return false;
        std::vector<double> dots(sphere, sphere + 3 * static_cast<size_t>(n));
        KorimInfo at = k;
        at.gridSpacing = settings::kGridSpacingDefault;
        at.densityNSC = density;
        at.digPsiNSC = turns;
        ModelInputs m = inputs;
        m.dotCount = n;
        m.ddots = dots.data();
        double out[5];
        std::string why;
        const UnsettledOrders quietly;  // its refusal noted, not advised
        return quietOrder([&] { return wallOrRodModel(at, m, out); }, &why);
      });
      status = wallOrRodModel(k, inputs, saupeEl);
      if (status != 0) return modelFailed("sma", status);
    } else if (k.lcType == 3) {
      status = sma3D(korimInfo, atomSelCount, xI, yI, zI, dotCount, ddots, chCount, chargeAtomID,
                     charges, digPotential, pot3D, saupeEl);
      if (status != 0) return modelFailed("sma3D", status);
    }
  }

  double model[5];
  for (int j = 0; j < 5; j++) {
    model[j] = saupeSteric[j] + saupeEl[j];
    saupeSteric[j] *= static_cast<double>(k.lcOrder);
    saupeEl[j] *= static_cast<double>(k.lcOrder);
    saupe[j] = saupeSteric[j] + saupeEl[j];
  }

  double gMag[3] = {0, 0, 0};
  const double* tensors[3] = {saupeSteric, saupeEl, saupe};
  for (int t = 0; t < 3; t++) {
    double irrSaupe[5], eigVec[3][3], eigVal[3], da = 0.0, dr = 0.0;
    if (couplings::analyzeSaupe(tensors[t], irrSaupe, &gMag[t], eigVec, eigVal, k.yzFlag, &da, &dr,
                                align.alphaList, align.betaList, align.gammaList,
                                k.eulerFlag) != 0) {
      std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
      return 1;
    }
  }
  printTensor("SaupeSteric", gMag[0], saupeSteric, "  ");
  printTensor("SaupeEl", gMag[1], saupeEl, " ");
  printTensor("SaupeSum", gMag[2], saupe, "  ");
  return predictionVerdict(k, model, atomSelCount, xI, yI, zI);
}

int simEnsAlignment(KorimInfo* korimInfo, int atomSelCount, double* xI, double* yI, double* zI,
                    int chCount, int* chargeAtomID, float* charges, int dotCount, double* ddots,
                    int digPotential, double* potential, double offset, double stepsize,
                    double* saupe) {
  KorimInfo& k = *korimInfo;
  if (k.gridInfo.pivotCenter != 0) centre(atomSelCount, xI, yI, zI);
  const float maxRadius = largestRadius(atomSelCount, xI, yI, zI);
  const ModelInputs inputs{atomSelCount, xI, yI, zI, maxRadius, chCount, chargeAtomID, charges,
                           dotCount, ddots, digPotential, potential, offset, stepsize};
  // A step that does not settle the order, while the ensemble collects such verdicts, is noted as
  // an unsettled sphere is (kStepUnsettled): the ensemble advises once for all its states.
  if (const int st = stepVerdict(k, inputs); st != 0) return st;
  // The same for a steric state's sampling of orientations below its defaults (kSamplingUnsettled).
  if (const int st = samplingVerdict(k, inputs); st != 0) return st;
  // An order its sphere does not settle, while the ensemble collects such verdicts, is no failure of
  // the model: the ensemble advises once for all its states (the steric model checks no sphere).
  if (const int status = wallOrRodModel(k, inputs, saupe); status != 0)
    return unsettledOrderTaken() ? kOrderUnsettled
                                 : modelFailed(k.elInfo.elFlag != 0 ? "sma" : "stericAlignment", status);
  // A state's note of its order goes to stderr only: the ensemble's table is no state's.
  takeOrderRemark();
  if (predictionVerdict(k, saupe, atomSelCount, xI, yI, zI) != 0) return 1;
  for (int j = 0; j < 5; j++) saupe[j] *= static_cast<double>(k.lcOrder);
  return 0;
}

int rotateDomain(const double* angle, PDBInfo* pdbInfo, int resN, int resC) {
  const TurnAxes axes(angle);
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    AtomInfo& a = pdbInfo->atomList[i];
    if (a.resID < resN) continue;
    if (a.resID > resC) break;
    float out[3];
    axes.turn(a.x, a.y, a.z, out);
    a.x = out[0];
    a.y = out[1];
    a.z = out[2];
  }
  return 0;
}

int rangeWalkMiss(const PDBInfo* pdbInfo, int resN, int resC, int* stop) {
  int end = -1;
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    const int r = pdbInfo->atomList[i].resID;
    if (end < 0 && r > resC) end = i;
    if (end >= 0 && r >= resN && r <= resC) {
      *stop = end;
      return i;
    }
  }
  return -1;
}

int shiftMol2Domain(PDBInfo* pdbInfo, int resN, int resC) {
  constexpr const char* kTag = "shiftMol2Domain";
  const int len = pdbInfo->atomCount > 0 ? pdbInfo->atomCount : 1;
  CoordArrays<float> c(kTag, len);
  if (!c.ok()) {
    std::fprintf(stderr, "Error in shiftMol2Domain: allocating coord buffers.\n");
    return 1;
  }
  float m[3];
  const int n = residueRangeCentroid(pdbInfo, resN, resC, c.x, c.y, c.z, m);
  if (n == 0) return 1;
  for (int i = 0; i < pdbInfo->atomCount; i++) {
    pdbInfo->atomList[i].x -= m[0];
    pdbInfo->atomList[i].y -= m[1];
    pdbInfo->atomList[i].z -= m[2];
  }
  return 0;
}

int writePDBRot(const double* angleList1, const double* angleList2, const double* angleList3,
                int rotID, PDBInfo* pdbInfo, PDBSelectInfo* sInfo, const char* outName,
                const char* remark) {
  assert(angleList1 != nullptr && angleList2 != nullptr && angleList3 != nullptr);
  const double* const angleLists[3] = {angleList1, angleList2, angleList3};
  const bool writeFiles = outName != nullptr && outName[0] != '\0';
  // The four turns one after another; a failure ends them: the files of the
  // turns before it are written, then it is reported.
  Turns turns;
  turnAll(turns, angleLists, pdbInfo, writeFiles);
  if (writeFiles) {
    const int status = writeTurnedFiles(turns, rotID, pdbInfo, sInfo, outName, remark);
    if (status != 0) return status;
  }
  if (turns.failure != nullptr) {
    std::fputs(turns.failure, stderr);
    return 1;
  }
  return 0;
}

void alignReset() { align = AlignState{}; }

}  // namespace korim::simulation
