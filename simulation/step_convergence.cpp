// Whether the step of a prediction's positions (-dGrid) settles its order.
#include "simulation/step_convergence.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "foundation/advice.h"
#include "simulation/order_convergence.h"
#include "simulation/tensor_verdict.h"

namespace korim::simulation {

namespace {

// A step the settings hold (a float) as the command line gives it.
double decimalStep(float step) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(step));
  return std::strtod(text, nullptr);
}

// The default step (0.2); a model run at it is the default run.
double defaultStep() { return decimalStep(settings::kGridSpacingDefault); }

// The refusal of the order own at step that the finer steps of v move: each order (Da_HN, R) and
// its distance from the run's.
void refuse(const char* who, const settings::KorimInfo& k, double step, const double own[5], const StepSettling& v,
            SteppedOrders& orders) {
  double da1, r1, da2, r2, finer[5];
  orders.get(v.quarter, finer);
  daAndR(k, own, &da1, &r1);
  daAndR(k, finer, &da2, &r2);
  std::string further;
  if (v.sixteenth != 0.0) {
    double far[5], da3, r3;
    orders.get(v.sixteenth, far);
    daAndR(k, far, &da3, &r3);
    char text[200];
    std::snprintf(text, sizeof text, ", and at -dGrid %s Da_HN %.1f Hz and R %.3f, %.1f %% of that order's size apart",
                  stepText(v.sixteenth).c_str(), da3, r3, 100.0 * v.apartFar);
    further = text;
  }
  std::fprintf(stderr,
               "%s: the step of the positions does not settle this prediction's order: at -dGrid %s it gives Da_HN "
               "%.1f Hz and R %.3f, at the finer step -dGrid %s Da_HN %.1f Hz and R %.3f, %.1f %% of that order's "
               "size apart%s, more than a tenth; no alignment computed.\n",
               who, stepText(step).c_str(), da1, r1, stepText(v.quarter).c_str(), da2, r2, 100.0 * v.apart,
               further.c_str());
  std::fputs(stepAdvice(who, step, orders).c_str(), stderr);
}

}  // namespace

double finerStep(double step, int quarters) {
  double s = step;
  for (int q = 0; q < quarters; q++) s /= 4.0;
  return std::max(s, defaultStep());
}

bool stepIsChecked(double step) { return step > defaultStep(); }

double stepOf(const settings::KorimInfo& k) { return decimalStep(k.gridSpacing); }

// The finer steps are the run's divided by powers of four, whose digits "%g" would round.
std::string stepText(double step) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", step);
  return text;
}

std::vector<double> advisedSteps(double step) {
  std::vector<double> tried;
  for (double c = finerStep(step, 1); tried.empty() || stepIsChecked(tried.back()); c = finerStep(c, 1))
    tried.push_back(c);
  return tried;
}

bool SteppedOrders::get(double step, double out[5]) {
  const auto it = at.find(step);
  if (it != at.end()) {
    std::copy(it->second.begin(), it->second.end(), out);
    return true;
  }
  double o[5];
  takeQuietRefusal();
  if (!model(step, o, false, &why)) return said = takeQuietRefusal(), false;
  at[step] = {o[0], o[1], o[2], o[3], o[4]};
  std::copy(o, o + 5, out);
  return true;
}

StepSettling settlesStep(double step, const double own[5], SteppedOrders& orders) {
  StepSettling v;
  if (!stepIsChecked(step)) return v.settled = true, v;
  double other[5];
  v.quarter = finerStep(step, 1);
  if (!orders.get(v.quarter, other)) return v.had = false, v;
  v.apart = orderDistance(own, other);
  if (!(v.apart <= kOrderTolerance)) return v;
  const double far = finerStep(step, 2);
  if (v.apart <= kSteadyShare || far >= v.quarter) return v.settled = true, v;
  v.sixteenth = far;
  double quarter[5];
  std::copy(other, other + 5, quarter);
  if (!orders.get(far, other)) return v.had = false, v;
  // The move on from the sixteenth to the default step, were the order's move in proportion to
  // the step: without it, two copies of the example on the charged wall at -dGrid 5 would pass at
  // 9.9 % from the sixteenth's order, 11.0 % from the default step's.
  const double onward = orderDistance(quarter, other) * (far - defaultStep()) / (3.0 * far);
  v.apartFar = orderDistance(own, other) + onward;
  v.settled = v.apartFar <= kOrderTolerance;
  return v;
}

std::string stepAdvice(const char* who, double step, SteppedOrders& orders) {
  char line[400];
  for (double c : advisedSteps(step)) {
    double at[5];
    if (!orders.get(c, at)) {
      if (!orders.said.empty())
        return orders.said + std::string(who) + ": the refusal above is the model's at the finer step -dGrid " +
               stepText(c) + ", tried for the advice.\n";
      std::snprintf(line, sizeof line, "%s: at the finer step -dGrid %s the model gives no order%s.\n", who,
                    stepText(c).c_str(), orders.why.empty() ? "" : (": " + orders.why).c_str());
      return line;
    }
    const StepSettling v = settlesStep(c, at, orders);
    const std::string answers = foundation::adviseOption("-dGrid", stepText(c));
    if (!v.had) continue;
    // The advised step must answer: its sphere is checked too (a coarser step may need more
    // orientations than the run's).
    double checked[5];
    if (!stepIsChecked(c)) {
      std::string why;
      if (orders.model(c, checked, true, &why))
        std::snprintf(line, sizeof line, "%s: the default step, %s, answers.\n", who, answers.c_str());
      else
        std::snprintf(line, sizeof line,
                      "%s: no step above the default settles the order; at the default step, %s, the sphere of "
                      "orientations does not settle it, and that run names a -dot that does.\n",
                      who, answers.c_str());
      return line;
    }
    std::string why;
    if (!v.settled || !orders.model(c, checked, true, &why)) continue;
    if (v.sixteenth == 0.0)
      std::snprintf(line, sizeof line,
                    "%s: at -dGrid %s the order agrees with that of its finer step (-dGrid %s) within a tenth: %s "
                    "answers.\n",
                    who, stepText(c).c_str(), stepText(v.quarter).c_str(), answers.c_str());
    else
      std::snprintf(line, sizeof line,
                    "%s: at -dGrid %s the order agrees with those of its finer steps (-dGrid %s and %s) within a "
                    "tenth: %s answers.\n",
                    who, stepText(c).c_str(), stepText(v.quarter).c_str(), stepText(v.sixteenth).c_str(),
                    answers.c_str());
    return line;
  }
  return "";  // the list ends at the default step, which returns above
}

int stepSettledOrRefuse(const char* who, const settings::KorimInfo& k, const StepOrder& model) {
  const double step = stepOf(k);
  if (!stepIsChecked(step)) return 0;
  SteppedOrders orders{model, {}, "", ""};
  double own[5];
  if (!orders.get(step, own)) return 0;  // the run itself names its failure
  std::fprintf(stderr, "REMARK The step of the positions (-dGrid %s) is checked against finer steps.\n",
               stepText(step).c_str());
  StepSettling v = settlesStep(step, own, orders);
  if (!v.had && !orders.said.empty()) {
    std::fputs(orders.said.c_str(), stderr);
    std::fprintf(stderr,
                 "%s: the refusal above is the model's at the finer step -dGrid %s, which checks the step of the "
                 "positions (-dGrid %s); no alignment computed.\n",
                 who, stepText(v.sixteenth != 0.0 ? v.sixteenth : v.quarter).c_str(), stepText(step).c_str());
    return 1;
  }
  if (!v.had) {
    const std::string why = orders.why.empty() ? "" : ": " + orders.why;
    std::fprintf(stderr,
                 "%s: the step of the positions cannot be checked: at the finer step -dGrid %s the model gives no "
                 "order%s; no alignment computed.\n",
                 who, stepText(v.sixteenth != 0.0 ? v.sixteenth : v.quarter).c_str(), why.c_str());
    return 1;
  }
  if (v.settled) return 0;
  // A medium that aligns nothing at the default step either is the run's verdict to name.
  double fine[5];
  if (tensorIsZero(own) && orders.get(defaultStep(), fine) && tensorIsZero(fine)) return 0;
  if (unsettledOrdersCollected()) return kStepUnsettled;
  refuse(who, k, step, own, v, orders);
  return 1;
}

namespace {

// The refusal the last quiet run made (module state).
std::string& quietState() {
  static std::string said;
  return said;
}

// The lines of the standard error f held that a model writes to refuse: those that begin with a
// name and a colon ("sma: ...", "sma3D: ...", "stericAlignment: ..."), less the REMARK, warning
// and dispatch lines.
std::string refusalLines(std::FILE* f) {
  std::string text, kept;
  std::rewind(f);
  char buf[4096];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string l = text.substr(at, end - at);
    at = end + 1;
    const size_t colon = l.find(": ");
    if (colon == std::string::npos || colon == 0 || l.find(' ') < colon) continue;
    if (l.rfind("REMARK", 0) == 0 || l.rfind("Warning", 0) == 0 || l.rfind("Matrix:", 0) == 0 ||
        l.rfind("simulateAlignment:", 0) == 0)
      continue;
    kept += l + "\n";
  }
  return kept;
}

}  // namespace

std::string takeQuietRefusal() {
  std::string r;
  r.swap(quietState());
  return r;
}

bool quietOrder(const std::function<int()>& run, std::string* why) {
  // The streams come back on every path out of run, an exception's included.
  struct Silenced {
    int out = -1, err = -1;
    explicit Silenced(std::FILE* errTo) {
      std::fflush(stdout);
      std::fflush(stderr);
      out = dup(STDOUT_FILENO), err = dup(STDERR_FILENO);
      const int null = open("/dev/null", O_WRONLY);
      const int errFd = errTo != nullptr ? fileno(errTo) : null;
      if (out >= 0 && err >= 0 && null >= 0 && errFd >= 0) dup2(null, STDOUT_FILENO), dup2(errFd, STDERR_FILENO);
      if (null >= 0) close(null);
    }
    ~Silenced() {
      std::fflush(stdout);
      std::fflush(stderr);
      if (out >= 0) dup2(out, STDOUT_FILENO), close(out);
      if (err >= 0) dup2(err, STDERR_FILENO), close(err);
    }
  };
  int status = 1;
  std::FILE* said = std::tmpfile();  // the model's standard error, for a refusal it makes
  {
    const Silenced quiet(said);
    status = run();
  }
  const bool noted = tensorNotesTaken(why);
  quietState().clear();
  if (said != nullptr) {
    if (status != 0 && !noted) quietState() = refusalLines(said);
    std::fclose(said);
  }
  unsettledOrderTaken();  // an ensemble's note of its states' spheres is not this run's
  unsettledTurnsTaken();
  takeOrderRemark();
  return status == 0 && !noted;
}

}  // namespace korim::simulation
