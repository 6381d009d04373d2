// Free-format steric prediction: reads bare coordinates, keeps the surface, runs the steric model.
#include "simulation/ssia_free.h"

#include <cstdio>
#include <cstring>

#include "couplings/writedc.h"
#include "foundation/memory.h"
#include "simulation/do_nscS.h"
#include "simulation/korim_input.h"
#include "simulation/korim_utils_align.h"
#include "simulation/korim_utils_simu.h"
#include "simulation/sampling_convergence.h"
#include "simulation/ssia.h"
#include "simulation/step_convergence.h"
#include "simulation/tensor_verdict.h"
#include "simulation/unsp.h"

namespace korim::simulation {

namespace {

constexpr const char* kTag = "ssiaFree";
constexpr int kFreeSlots = 5001;  // 1-based coordinates: room for readPDBfree's 4998 atoms

// The coordinate arrays and the run's own copy of the orientation dots, released on every path.
struct FreeWork {
  double* x = nullptr;
  double* y = nullptr;
  double* z = nullptr;
  double* dots = nullptr;
  int dotLen = 0;  // doubles in dots: three per dot, sized from the sphere actually built
  ~FreeWork() {
    foundation::unAlloc(kTag, x, kFreeSlots * 8);
    foundation::unAlloc(kTag, y, kFreeSlots * 8);
    foundation::unAlloc(kTag, z, kFreeSlots * 8);
    foundation::unAlloc(kTag, dots, dotLen * 8);
  }
};

}  // namespace

int ssiaFree(settings::KorimInfo* korimInfo, const char* pdbFreeName, const char* outAName,
             couplings::DTable* dTab) {
  settings::KorimInfo& k = *korimInfo;
  FreeWork w;
  w.x = foundation::dFltAlloc(kTag, kFreeSlots);
  w.y = foundation::dFltAlloc(kTag, kFreeSlots);
  w.z = foundation::dFltAlloc(kTag, kFreeSlots);
  if (!w.x || !w.y || !w.z) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  if (const int st = refine_bicelle(korimInfo); st != 0) return st;

  int atomCount = 0;
  if (const int st = readPDBfree(pdbFreeName, &atomCount, w.x, w.y, w.z); st != 0) {
    std::fprintf(stderr, "Matrix: Error reading PDB file in free format.\n");
    return st;
  }
  if (atomCount < 1) {  // an empty name reads nothing
    std::fprintf(stderr, "ssiaFree: no free-format coordinates given (-pdbF).\n");
    return 1;
  }
  std::fprintf(stderr, "%s, %d Atoms, Free format.\n", pdbFreeName, atomCount);

  double* sphere = nullptr;
  int dotCount = 0;
  if (do_unsp(k.densityNSC, &sphere, &dotCount) != 0 || sphere == nullptr || dotCount < 1) {
    std::fprintf(stderr, "Matrix: unsp error occured.\n");
    return 1;
  }
  // The copy holds exactly the dots of this sphere, however dense it was asked to be.
  w.dots = foundation::dFltAlloc(kTag, 3 * dotCount);
  if (w.dots == nullptr) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  w.dotLen = 3 * dotCount;
  std::memcpy(w.dots, sphere, sizeof(double) * static_cast<size_t>(w.dotLen));

  int selCount = 0;
  if (const int st = surfSel(atomCount, w.x, w.y, w.z, &selCount); st != 0) {
    std::fprintf(stderr, "Matrix: Error reading PDB file in free format.\n");
    return st;
  }
  if (selCount == 0) {
    std::fprintf(stderr, "KORIM: error - zero atoms remain after surface selection!\n");
    return 1;
  }
  std::printf("REMARK %d atoms selected for simulation.\n", selCount);

  centre(selCount, w.x, w.y, w.z);
  const float maxRadius = largestRadius(selCount, w.x, w.y, w.z);
  double saupe[5] = {0, 0, 0, 0, 0};
  const auto steric = [&](float step, int turns, int nDots, const double* dots, double out[5]) {
    return stericAlignment(korimInfo, k.orderDiscRim, k.lcType, k.rSingleCell, k.radiusModel, k.radiusAtom, step,
                           k.concentration, k.molarRatio, selCount, w.x, w.y, w.z,
                           static_cast<double>(maxRadius) + k.radiusAtom, k.radiusAtom, turns, nDots, dots, out);
  };
  // A step above the default is checked against finer ones first (the sphere is not checked here),
  // then a sampling of orientations below the default against the default one.
  const StepOrder atStep = [&](double step, double out[5], bool, std::string* why) {
    return quietOrder([&] { return steric(static_cast<float>(step), k.digPsiNSC, dotCount, w.dots, out); }, why);
  };
  const SampledOrder sampled = [&](const double* dots, int nDots, int turns, double out[5], std::string* why) {
    return quietOrder([&] { return steric(k.gridSpacing, turns, nDots, dots, out); }, why);
  };
  if (stepSettledOrRefuse("stericAlignment", k, atStep) != 0 ||
      samplingSettledOrRefuse("stericAlignment", k, dotCount, w.dots, sampled) != 0)
    return 1;
  const int st = steric(k.gridSpacing, k.digPsiNSC, dotCount, w.dots, saupe);
  if (st != 0) {
    std::fprintf(stderr, "simulateAlignment: error in stericAlignment.\n");
    return st;
  }
  if (predictionVerdict(k, saupe, selCount, w.x, w.y, w.z) != 0) return 1;
  for (int j = 0; j < 5; j++)
    dTab->dTensor.saupe[j] = static_cast<float>(-(saupe[j] * static_cast<double>(k.lcOrder)));
  if (couplings::writeDCmod(outAName, "w", dTab, korimInfo, "") != 0) {
    std::fprintf(stderr, "ssiaFree: the order matrix could not be written to %s.\n",
                 outAName[0] != '\0' ? outAName : "the standard output");
    return 1;
  }
  return 0;
}

}  // namespace korim::simulation
