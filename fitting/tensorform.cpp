// The usual form of an alignment tensor given by Da and R.
#include "fitting/tensorform.h"

#include <algorithm>
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

// The usual form as the notes name it: an R within kUsualFormMargin of 0 or 2/3 is on that bound,
// so that the answer keeps its own Da.
void namedForm(double da, double r, double* daOut, double* rOut) {
  if (outsideUsualForm(r)) {
    usualForm(da, r, daOut, rOut);
    return;
  }
  *daOut = da;
  *rOut = std::clamp(r, 0.0, kMaxRhombicity);
}

// The steps usualForm took, as the notes word them.
const char* stepsTaken(FormSteps steps) {
  return !steps.zTaken  ? "its x and y axes swapped"
         : steps.swapped ? "its principal value of largest size taken as z, x and y swapped"
                         : "its principal value of largest size taken as z";
}

// A tensor outside the usual form as the notes name it: its usual form, the steps taken and
// which bound its R lies beyond.
struct NamedTensor {
  double da = 0.0, r = 0.0;
  const char *how, *where;
};

NamedTensor nameTensor(double da, double r) {
  NamedTensor t;
  t.how = stepsTaken(usualForm(da, r, &t.da, &t.r));
  t.where = r < 0.0 ? "below 0" : "above 2/3";
  return t;
}

}  // namespace

void equivalentTensor(double da, double r, double* daOut, double* rOut) { usualForm(da, r, daOut, rOut); }

bool aboveTwoThirds(double r) { return r > kMaxRhombicity + kUsualFormMargin; }

bool atOrAboveTwoThirds(double r) { return !(r < kMaxRhombicity - kUsualFormMargin); }

bool belowZero(double r) { return r < -kUsualFormMargin; }

bool outsideUsualForm(double r) { return belowZero(r) || aboveTwoThirds(r); }

std::string usualFormNote(double da, double r) {
  if (!outsideUsualForm(r)) return "";
  const NamedTensor t = nameTensor(da, r);
  char line[360];
  std::snprintf(line, sizeof line,
                "answer's R %.3f lies %s: Da %+.3f Hz, R %.3f is the tensor Da %+.3f Hz, R %.3f "
                "in the usual form (%s).\n",
                r, t.where, da, r, t.da, t.r, t.how);
  return line;
}

double leastPrincipalValue(double da, double r) {
  double da2 = 0.0, r2 = 0.0;
  usualForm(da, r, &da2, &r2);
  return std::fabs(da2 * (1.0 - 1.5 * r2));
}

std::string unsettledSignNote(double da, double r, double resolution, const std::string& what) {
  const double least = leastPrincipalValue(da, r);
  if (da == 0.0 || !(least < resolution)) return "";
  double da2 = 0.0, r2 = 0.0;
  namedForm(da, r, &da2, &r2);
  char line[640];
  std::snprintf(line, sizeof line,
                "couplings do not settle the sign of Da: the answer's principal value of least size, "
                "|Da (1 - 1.5 R)| = %.3f Hz, lies below their resolution, %.3f Hz (%s), so the tensor "
                "Da %+.3f Hz, R %.3f and its negative, Da %+.3f Hz, R %.3f (both in the usual form), "
                "give nearly the same couplings; a fit with the structure (-bestFit) settles the sign.\n",
                least, resolution, what.c_str(), da2, r2, -da2, r2);
  return line;
}

int usualFormSign(double da, double r) {
  double da2 = 0.0, r2 = 0.0;
  namedForm(da, r, &da2, &r2);
  if (da2 == 0.0 || atOrAboveTwoThirds(r2)) return 0;
  return da2 > 0.0 ? 1 : -1;
}

std::string opposedSignNote(const Reading& answer, const Reading& other) {
  const int a = usualFormSign(answer.da, answer.r), o = usualFormSign(other.da, other.r);
  if (a == 0 || o == 0 || a == o) return "";
  double da = 0.0, r = 0.0, daOther = 0.0, rOther = 0.0;
  namedForm(answer.da, answer.r, &da, &r);
  namedForm(other.da, other.r, &daOther, &rOther);
  char line[720];
  std::snprintf(line, sizeof line,
                "couplings do not settle the sign of Da: their two readings name opposite signs in the usual form "
                "(%s: Da %+.3f Hz, R %.3f; %s: Da %+.3f Hz, R %.3f), so the answer's tensor and its negative, Da "
                "%+.3f Hz, R %.3f, give nearly the same couplings; a fit with the structure (-bestFit) settles the "
                "sign.\n",
                answer.name, da, r, other.name, daOther, rOther, -da, r);
  return line;
}

std::string signNote(const Reading& answer, const Reading& other, double resolution, const std::string& what) {
  const std::string least = unsettledSignNote(answer.da, answer.r, resolution, what);
  return least.empty() ? opposedSignNote(answer, other) : least;
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
  if (!outsideUsualForm(r)) return "";
  const NamedTensor t = nameTensor(da, r);
  char line[360];
  std::snprintf(line, sizeof line,
                "held Da %+.3e and Dr %+.3e (R %.3f, %s) are the tensor Da %+.3e, Dr %+.3e, R %.3f in the "
                "usual form (%s), which the fit reports.\n",
                da, dr, r, t.where, t.da, t.da * t.r, t.r, t.how);
  return line;
}

}  // namespace korim::fitting
