// Bounded fit of Da and R to the principal couplings of a coupling histogram.
#include "fitting/histonls.h"

#include <cmath>
#include <cstdio>

#include "foundation/memory.h"
#include "foundation/nlsopt.h"

namespace korim::fitting {

namespace {

// The targets of the fit under way, its verbosity and the RMS of the last evaluation.
struct HistoNlsState {
  float target[3] = {};  // Dzz, Dyy, Dxx, Hz
  int verbose = 0;
  double rms = 0.0;      // Hz
};
HistoNlsState state;

}  // namespace

void histoNlsReset() { state = HistoNlsState{}; }
double histoNlsRms() { return state.rms; }

void fitDCHistTarget(int xCnt, int /*cCnt*/, float* cg, float* res) {
  const float da = cg[0];
  const float r = cg[1];
  const float model[3] = {2.0f * da, -da * (1.0f + 1.5f * r), -da * (1.0f - 1.5f * r)};
  double sum = 0.0;
  for (int i = 0; i < xCnt && i < 3; ++i) {
    res[i] = state.target[i] - model[i];
    sum += static_cast<double>(res[i]) * res[i];
  }
  state.rms = xCnt > 0 ? std::sqrt(sum / xCnt) : 0.0;
  if (state.verbose > 1)
    std::fprintf(stderr,
                 "Dzz %.3f Dyy %.3f Dxx %.3f DzzC %.3f DyyC %.3f DxxC %.3f Da %.3e Rh %.3f RMS %.4f\n",
                 state.target[0], state.target[1], state.target[2], model[0], model[1], model[2],
                 da, r, state.rms);
}

int fitDCHisto(settings::KorimInfo* korimInfo, int verbFlag) {
  settings::HistInfo& h = korimInfo->histInfo;
  if (h.modeFit != 2 && h.modeFit != 3) return 0;
  state.target[0] = h.Dzz;
  state.target[1] = h.Dyy;
  state.target[2] = h.Dxx;
  state.verbose = verbFlag;
  float guess[2] = {h.Da2Par, h.R2Par};
  float lower[2] = {h.daLo, h.rhLo};
  float upper[2] = {h.daHi, h.rhHi};
  int rank = 0, ierror = 0;
  float* fit = foundation::nlsOpt(fitDCHistTarget, h.modeFit, 2, guess, lower, upper, 1e-8f, 4,
                                  1000, 1000, 0.0f, nullptr, nullptr, &rank, &ierror, 0);
  h.DaFit = fit[0];
  h.RFit = fit[1];
  if (fit != guess) foundation::unAlloc("nls", fit, 2 * static_cast<int>(sizeof(float)));
  return 0;
}

}  // namespace korim::fitting
