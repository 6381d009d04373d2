// The usual form of an alignment tensor given by Da and R.
#include "fitting/tensorform.h"

#include <cstdio>

namespace korim::fitting {

void equivalentTensor(double da, double r, double* daOut, double* rOut) {
  *daOut = -da * (2.0 + 3.0 * r) / 4.0;
  *rOut = (4.0 - 2.0 * r) / (2.0 + 3.0 * r);
}

bool aboveTwoThirds(double r) { return r > kMaxRhombicity + kRhombicityTolerance; }

bool atOrAboveTwoThirds(double r) { return !(r < kMaxRhombicity - kRhombicityTolerance); }

std::string usualFormNote(double da, double r) {
  if (!aboveTwoThirds(r)) return "";
  double da2 = 0.0, r2 = 0.0;
  equivalentTensor(da, r, &da2, &r2);
  char line[320];
  std::snprintf(line, sizeof line,
                "answer's R %.3f lies above 2/3: Da %+.3f Hz, R %.3f is the tensor Da %+.3f Hz, R %.3f "
                "in the usual form (its principal value of largest size taken as z).\n",
                r, da, r, da2, r2);
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

}  // namespace korim::fitting
