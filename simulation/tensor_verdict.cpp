// Whether a predicted alignment tensor is a result.
#include "simulation/tensor_verdict.h"

#include <atomic>
#include <cmath>
#include <cstdio>

namespace korim::simulation {

namespace {

// The module's state: the cause a model noted for the tensor in progress, and whether a verdict
// of this run refused one (atomic: a model may note its cause from a worker thread).
struct VerdictState {
  std::atomic<const char*> incorrect{nullptr};
  std::atomic<bool> refused{false};
  std::atomic<bool> zero{false};  // noted by the model running now
} state;

// Largest element of a model's tensor that is still zero: the rounding of its sums over the
// sampled orientations (order values of size 1, some 1e5 of them) stays far below it, and the
// weakest alignment that gives a measurable coupling (Da of 0.01 Hz for an N-H pair) far above.
constexpr double kZeroElement = 1e-12;

bool onePlace(int n, const double* x, const double* y, const double* z) {
  for (int i = 2; i <= n; i++)
    if (x[i] != x[1] || y[i] != y[1] || z[i] != z[1]) return false;
  return true;
}

// A molecule stood for by its charges alone (-dipole, -chSel) that carries none has no point
// for the medium to align: the cause is the missing charge, not its shape.
void noCharge(const settings::KorimInfo& k) {
  const settings::ElInfo& el = k.elInfo;
  std::fprintf(stderr,
               "korim: the predicted alignment tensor is zero: with %s the molecule is stood for "
               "by %s, and this run places no charge on it, so %s (%s); no result is written.\n",
               el.dipoleFlag ? "-dipole" : "-chSel",
               el.dipoleFlag ? "the dipole of its charges" : "its charged atoms",
               el.dipoleFlag ? "it has no dipole to align" : "no atom is left to align",
               el.elFlag ? "its charges come from -pka, -nopkaDef, -pH and -nochTerm"
                         : "the steric model places none; -elKorim does");
}

}  // namespace

bool tensorIsZero(const double s[5]) {
  for (int j = 0; j < 5; j++)
    if (!(std::fabs(s[j]) <= kZeroElement)) return false;
  return true;
}

bool tensorNotedIncorrect() { return state.incorrect.load() != nullptr; }

void noteTensorZero() { state.zero = true; }

bool tensorNotesTaken(std::string* cause) {
  const char* incorrect = state.incorrect.exchange(nullptr);
  const bool zero = state.zero.exchange(false);
  if (cause != nullptr) *cause = incorrect != nullptr ? incorrect : "";
  return incorrect != nullptr || zero;
}

void noteTensorIncorrect(const char* cause) {
  const char* none = nullptr;
  state.incorrect.compare_exchange_strong(none, cause);
}

int predictionVerdict(const settings::KorimInfo& k, const double model[5], int n, const double* x,
                      const double* y, const double* z) {
  const char* cause = state.incorrect.exchange(nullptr);
  const bool notedZero = state.zero.exchange(false);
  if (k.lcOrder == 0.0f) return 0;
  if (cause != nullptr) {
    std::fprintf(stderr,
                 "korim: %s: the magnitude of the alignment tensor is incorrect; no result is "
                 "written.\n",
                 cause);
  } else if (notedZero || tensorIsZero(model)) {
    if (n == 0 && (k.elInfo.dipoleFlag || k.elInfo.chSelFlag))
      noCharge(k);
    else if (onePlace(n, x, y, z))
      std::fprintf(stderr, "korim: the predicted alignment tensor is zero: a molecule whose atoms "
                           "lie at one place has no shape for the medium to align; no result is "
                           "written.\n");
    else
      std::fprintf(stderr,
                   "korim: the predicted alignment tensor is zero, though the medium's order "
                   "parameter (-lcS) is %.3f: the medium of this run's options aligns no "
                   "molecule; no result is written.\n",
                   static_cast<double>(k.lcOrder));
  } else {
    return 0;
  }
  state.refused = true;
  return 1;
}

bool predictionRefused() { return state.refused; }

void predictionVerdictReset() {
  state.incorrect = nullptr;
  state.zero = false;
  state.refused = false;
}

}  // namespace korim::simulation
