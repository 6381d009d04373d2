// Couplings marked as missing: a measured D of 888 Hz or more.
#include "couplings/missingdc.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace korim::couplings {

MissingCount countMissing(const DTable* dTab, const std::function<bool(int)>& use) {
  MissingCount n;
  if (dTab == nullptr || dTab->dObsList == nullptr) return n;
  for (int k = 0; k < dTab->dCount; ++k) {
    if (!use(k)) continue;
    ++n.rows;
    n.missing += missingCoupling(dTab->dObsList[k].d) ? 1 : 0;
  }
  return n;
}

void tellMissing(const char* who, const char* name, const MissingCount& n, const char* because) {
  if (n.missing == 0) return;
  std::fprintf(stderr,
               "korim: %s leaves out %d of the %d selected couplings of %s, whose D is 888 Hz or more (a D "
               "that high marks a coupling as missing; one of -888 Hz or less counts)%s%s.\n",
               who, n.missing, n.rows, name, because != nullptr ? ": " : "", because != nullptr ? because : "");
}

bool unmarkedResidueRange(const DTable* dTab, int* lo, int* hi) {
  if (dTab == nullptr || dTab->dObsList == nullptr) return false;
  bool any = false;
  int first = 0, last = 0;
  for (int k = 0; k < dTab->dCount; ++k) {
    const DInfo& r = dTab->dObsList[k];
    if (missingCoupling(r.d)) continue;
    for (const int id : {r.resIDI, r.resIDJ}) {
      if (id == kNoResID) continue;
      first = any ? std::min(first, id) : id;
      last = any ? std::max(last, id) : id;
      any = true;
    }
  }
  if (any) *lo = first, *hi = last;
  return any;
}

float statsDifference(const DInfo& obs, const DInfo& calc) {
  return obs.valid && statsExit(obs, calc) == StatsExit::kNone ? obs.d - calc.d : kDcMissing;
}

void StatsExits::add(StatsExit e) {
  missing += e == StatsExit::kMissing ? 1 : 0;
  weightZero += e == StatsExit::kWeightZero ? 1 : 0;
}

std::string statsExitsText(const StatsExits& n) {
  std::vector<std::pair<int, const char*>> parts;
  if (n.missing > 0)
    parts.emplace_back(n.missing, "whose measured D is 888 Hz or more (a D that high marks a coupling as missing; "
                                  "one of -888 Hz or less counts)");
  if (n.weightZero > 0) parts.emplace_back(n.weightZero, "whose weight W is 0");
  if (parts.empty()) return std::string();
  if (parts.size() == 1) return std::string(", ") + parts[0].second;
  std::string text;
  for (const auto& [count, what] : parts) text += (text.empty() ? ": " : ", ") + std::to_string(count) + " " + what;
  return text;
}

}  // namespace korim::couplings
