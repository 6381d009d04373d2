// The usual form of an alignment tensor given by Da and R.
#include "fitting/tensorform.h"

#include <cmath>
#include <cstdio>

namespace korim::fitting {

namespace {

// The steps of equivalentTensor taken: x and y swapped (once or more), z taken anew.
struct FormSteps {
  bool swapped = false, zTaken = false;
};

FormSteps usualForm(double da, double r, double* daOut, double* rOut) {
  FormSteps steps;
  if (r < 0.0) {
    r = -r;
    steps.swapped = true;
  }
  if (r > kMaxRhombicity) {
    const double taken = -da * (2.0 + 3.0 * r) / 4.0;
    r = (4.0 - 2.0 * r) / (2.0 + 3.0 * r);
    da = taken;
    steps.zTaken = true;
    if (r < 0.0) {  // R above 2: the new x and y come in the other order
      r = -r;
      steps.swapped = true;
    }
  }
  *daOut = da;
  *rOut = r;
  return steps;
}

}  // namespace

void equivalentTensor(double da, double r, double* daOut, double* rOut) { usualForm(da, r, daOut, rOut); }

bool aboveTwoThirds(double r) { return r > kMaxRhombicity + kRhombicityTolerance; }

bool atOrAboveTwoThirds(double r) { return !(r < kMaxRhombicity - kRhombicityTolerance); }

std::string usualFormNote(double da, double r) {
  if (!(r < 0.0) && !aboveTwoThirds(r)) return "";
  double da2 = 0.0, r2 = 0.0;
  const FormSteps steps = usualForm(da, r, &da2, &r2);
  const char* how = !steps.zTaken  ? "its x and y axes swapped"
                    : steps.swapped ? "its principal value of largest size taken as z, x and y swapped"
                                    : "its principal value of largest size taken as z";
  char line[360];
  std::snprintf(line, sizeof line,
                "answer's R %.3f lies %s: Da %+.3f Hz, R %.3f is the tensor Da %+.3f Hz, R %.3f "
                "in the usual form (%s).\n",
                r, r < 0.0 ? "below 0" : "above 2/3", da, r, da2, r2, how);
  return line;
}

std::string sayNote(const std::string& note) {
  std::fprintf(stderr, "korim: the %s", note.c_str());
  return "REMARK The " + note;
}

std::string sayUsualForm(double da, double r) {
  const std::string note = usualFormNote(da, r);
  return note.empty() ? "" : sayNote(note);
}

std::string heldTensorNote(double da, double dr) {
  if (da == 0.0) return "";
  const double r = dr / da;
  if (!(r < 0.0) && !aboveTwoThirds(r)) return "";
  double da2 = 0.0, r2 = 0.0;
  const FormSteps steps = usualForm(da, r, &da2, &r2);
  const char* how = !steps.zTaken  ? "its x and y axes swapped"
                    : steps.swapped ? "its principal value of largest size taken as z, x and y swapped"
                                    : "its principal value of largest size taken as z";
  char line[360];
  std::snprintf(line, sizeof line,
                "held Da %+.3e and Dr %+.3e (R %.3f, %s) are the tensor Da %+.3e, Dr %+.3e, R %.3f in the "
                "usual form (%s), which the fit reports.\n",
                da, dr, r, r < 0.0 ? "below 0" : "above 2/3", da2, da2 * r2, r2, how);
  return line;
}

}  // namespace korim::fitting
