// Whether a steric prediction's sampling of orientations below its defaults settles its order.
#include "simulation/sampling_convergence.h"

#include <algorithm>
#include <cstdio>

#include "foundation/advice.h"
#include "simulation/order_convergence.h"
#include "simulation/tensor_verdict.h"

namespace korim::simulation {

namespace {

using settings::kDensityDefault;
using settings::kDigPsiDefault;

// The values a part below its default tries: doubled until the default, which ends the list.
std::vector<int> partValues(int given, int fallback) {
  std::vector<int> v;
  if (given >= fallback) return {given};
  for (long long c = 2LL * std::max(given, 1); c < fallback; c *= 2) v.push_back(static_cast<int>(c));
  v.push_back(fallback);
  return v;
}

// The orientations of a sampling: the dots of its sphere times its turns (0 when the sphere
// cannot be built).
long long orientationsOf(const Sampling& s) {
  int n = 0;
  return sphereOfDensity(s.density, &n) != nullptr ? static_cast<long long>(n) * s.turns : 0;
}

// The order of the model with the sampling s, on the module's sphere of its density.
bool orderWith(const SampledOrder& model, const Sampling& s, double out[5], std::string* why) {
  int n = 0;
  const double* dots = sphereOfDensity(s.density, &n);
  return dots != nullptr && model(dots, n, s.turns, out, why);
}

}  // namespace

Sampling samplingOf(const settings::KorimInfo& k) { return {k.densityNSC, k.digPsiNSC}; }

bool samplingIsChecked(const Sampling& s) { return s.density < kDensityDefault || s.turns < kDigPsiDefault; }

Sampling referenceSampling(const Sampling& s) {
  return {std::max(s.density, kDensityDefault), std::max(s.turns, kDigPsiDefault)};
}

std::vector<Sampling> advisedSamplings(const Sampling& s) {
  std::vector<Sampling> tried;
  for (int d : partValues(s.density, kDensityDefault))
    for (int t : partValues(s.turns, kDigPsiDefault)) tried.push_back({d, t});
  // Fewest orientations first; a sphere that cannot be built (0) last but for the reference.
  std::vector<std::pair<long long, Sampling>> byCost;
  for (const Sampling& c : tried) {
    const long long n = orientationsOf(c);
    byCost.emplace_back(n > 0 ? n : (1LL << 62), c);
  }
  std::stable_sort(byCost.begin(), byCost.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  tried.clear();
  const Sampling ref = referenceSampling(s);
  for (const auto& c : byCost)
    if (!(c.second == ref)) tried.push_back(c.second);
  tried.push_back(ref);
  return tried;
}

std::string samplingText(const Sampling& s) {
  return "-dot " + std::to_string(s.density) + " -digPsi " + std::to_string(s.turns);
}

std::string adviseSampling(const Sampling& from, const Sampling& to) {
  std::vector<foundation::AdvisedOption> options;
  if (to.density != from.density) options.emplace_back("-dot", std::to_string(to.density));
  if (to.turns != from.turns) options.emplace_back("-digPsi", std::to_string(to.turns));
  return foundation::adviseOptions(options);
}

std::string samplingAdvice(const char* who, const Sampling& s, const double ref[5], const SampledOrder& model) {
  const Sampling reference = referenceSampling(s);
  char line[400];
  for (const Sampling& c : advisedSamplings(s)) {
    const std::string answers = adviseSampling(s, c);
    if (c == reference) {
      std::snprintf(line, sizeof line, "%s: the default sampling of orientations, %s, answers.\n", who,
                    answers.c_str());
      return line;
    }
    double at[5];
    std::string why;
    if (!orderWith(model, c, at, &why)) continue;
    const double apart = orderDistance(at, ref);
    if (!(apart <= kSamplingTolerance)) continue;
    std::snprintf(line, sizeof line,
                  "%s: with %s the order lies %.1f %% of its size from that of the default sampling, within "
                  "%.1f %%: %s answers.\n",
                  who, samplingText(c).c_str(), 100.0 * apart, 100.0 * kSamplingTolerance, answers.c_str());
    return line;
  }
  return "";  // the list ends at the reference, which returns above
}

int samplingSettledOrRefuse(const char* who, const settings::KorimInfo& k, int nDots, const double* dots,
                            const SampledOrder& model) {
  const Sampling s = samplingOf(k);
  if (!samplingIsChecked(s)) return 0;
  double own[5];
  std::string why;
  if (!model(dots, nDots, s.turns, own, &why)) return 0;  // the run itself names its failure
  const Sampling reference = referenceSampling(s);
  std::fprintf(stderr, "REMARK The sampling of orientations (%s) is checked against the default sampling (%s).\n",
               samplingText(s).c_str(), samplingText(reference).c_str());
  double ref[5];
  if (!orderWith(model, reference, ref, &why)) {
    std::fprintf(stderr,
                 "%s: the sampling of orientations cannot be checked: with the default sampling (%s) the model gives "
                 "no order%s; no alignment computed.\n",
                 who, samplingText(reference).c_str(), why.empty() ? "" : (": " + why).c_str());
    return 1;
  }
  // A medium that aligns nothing with either sampling is the run's verdict to name.
  if (tensorIsZero(own) && tensorIsZero(ref)) return 0;
  const double apart = orderDistance(own, ref);
  if (apart <= kSamplingTolerance) return 0;
  if (unsettledOrdersCollected()) return kSamplingUnsettled;
  double da1, r1, da2, r2;
  daAndR(k, own, &da1, &r1);
  daAndR(k, ref, &da2, &r2);
  std::fprintf(stderr,
               "%s: the sampling of orientations does not settle this prediction's order: with %s (%lld "
               "orientations) it gives Da_HN %.1f Hz and R %.3f, with the default sampling %s (%lld orientations) "
               "Da_HN %.1f Hz and R %.3f, %.1f %% of that order's size apart, more than %.1f %% (a tenth, less what the "
               "default sampling may lie from a denser one); no alignment computed.\n",
               who, samplingText(s).c_str(), static_cast<long long>(nDots) * s.turns, da1, r1,
               samplingText(reference).c_str(), orientationsOf(reference), da2, r2, 100.0 * apart,
               100.0 * kSamplingTolerance);
  std::fputs(samplingAdvice(who, s, ref, model).c_str(), stderr);
  return 1;
}

}  // namespace korim::simulation
