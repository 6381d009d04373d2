// Couplings of a Da/R estimate: the coupling table read and selected, and its used couplings.
#include "fitting/dcsample.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "couplings/dcpairs.h"
#include "couplings/fewcouplings.h"
#include "couplings/missingdc.h"
#include "couplings/writedc.h"
#include "fitting/histo.h"
#include "fitting/tensorform.h"
#include "foundation/memory.h"
#include "settings/korim_record.h"

namespace korim::fitting {

using couplings::DTable;

void DcTableDeleter::operator()(DTable* t) const {
  couplings::dTabFree(t);
  foundation::unAlloc(tag, t, static_cast<int>(sizeof(DTable)));
}

int readSelectedDc(const char* inDName, const char* tag, settings::DcInfo* dcInfo,
                   const char* atomNameS1, const char* atomNameS2, DcTablePtr* table) {
  auto* raw = static_cast<DTable*>(foundation::voidMalloc(tag, static_cast<int>(sizeof(DTable))));
  if (raw == nullptr) {
    std::fprintf(stderr, "Error allocating DC structures.\n");
    return 1;
  }
  std::memset(static_cast<void*>(raw), 0, sizeof(DTable));
  couplings::dTabNull(raw);
  DcTablePtr dTab(raw, DcTableDeleter{tag});
  if (const int rc = couplings::readDC(inDName, dTab.get()); rc != 0) {
    std::fprintf(stderr, "Error reading DC input %s\n", inDName);
    return rc;
  }
  couplings::reportDcTable(inDName, dTab.get());
  couplings::settleDcRange(dcInfo, dTab->dMinRes, dTab->dMaxRes);
  couplings::noteCouplingRange(dTab.get(), *dcInfo);
  const int n = couplings::selectDcTable(dTab.get(), inDName, dcInfo, atomNameS1, atomNameS2);
  if (n < 0) return 1;
  couplings::remarkCouplings(stdout, "selected", n, dcInfo->excludeMode);
  *table = std::move(dTab);
  return 0;
}

int writeEstimateTable(const char* outName, DTable* dTab, const settings::KorimInfo* korimInfo,
                       const std::string& remark) {
  std::string text;
  if (const int rc = settings::writeKorim(korimInfo, &text); rc != 0) {
    std::fprintf(stderr, "korim: error in writeKorim.\n");
    return rc;
  }
  text += remark;
  if (const int rc = couplings::writeDCmod(outName, "w", dTab, korimInfo, text.c_str()); rc != 0) {
    std::fprintf(stderr, "korim: error in writeDCmod.\n");
    return rc;
  }
  return 0;
}

void collectDc(const DTable* dTab, DcSample* sample,
               const std::function<bool(const couplings::DInfo&)>& keep) {
  *sample = DcSample{};
  couplings::PairSet pairs;
  double sum = 0.0;
  for (int i = 0; i < dTab->dCount; ++i) {
    const couplings::DInfo& d = dTab->dObsList[i];
    if (!d.valid || (keep && !keep(d))) continue;
    if (couplings::missingCoupling(d.d)) {
      sample->missing.push_back(i);
      continue;
    }
    const float c = d.d * d.w;
    const bool coupOut = !(std::fabs(c) <= kDcSampleBound);
    if (coupOut || !(std::fabs(d.sigma * d.w) <= kDcSampleBound)) {
      if (sample->outOfBound.row < 0) sample->outOfBound = {i, !coupOut, d.d, d.sigma, d.w};
      continue;
    }
    sample->kinds.add(d);
    sample->coup.push_back(c);
    sample->sigma.push_back(d.sigma * d.w);
    sample->row.push_back(i);
    pairs.add(d, nullptr, i + 1);
    sum += d.sigma * d.w;
    if (c < sample->dcMin) sample->dcMin = c;
    if (c > sample->dcMax) sample->dcMax = c;
  }
  sample->pairs = pairs.size();
  if (!sample->coup.empty()) sample->delta = sum / static_cast<double>(sample->coup.size());
}

std::string mixedKinds(const DcSample& sample, const char* inDName) {
  if (sample.kinds.size() < 2) return "";
  std::string what = std::to_string(sample.coup.size()) + " selected couplings";
  std::string rest = " are of " + std::to_string(sample.kinds.size()) + " kinds of atom pair: " + sample.kinds.list();
  rest += "; the estimate is the Da of one kind only when D*W scales every row onto it (-aD1 and -aD2 "
          "select one kind).\n";
  std::fprintf(stderr, "korim: the %s of %s%s", what.c_str(), inDName, rest.c_str());
  return "REMARK The " + what + rest;
}

void markUsedRows(DTable* dTab, const DcSample& sample) {
  for (const std::vector<int>* rows : {&sample.row, &sample.missing})
    for (int row : *rows) {
      dTab->dCalcList[row].d = dTab->dObsList[row].d;
      dTab->dCalcList[row].valid = dTab->dObsList[row].valid;
    }
}

void tellMissingRows(const DcSample& sample, const char* inDName, const char* mode) {
  const int missing = static_cast<int>(sample.missing.size());
  couplings::tellMissing(mode, inDName, {static_cast<int>(sample.coup.size()) + missing, missing});
}

int checkDcSample(const DcSample& sample, const char* inDName) {
  if (const DcOutOfBound& b = sample.outOfBound; b.row >= 0) {
    couplings::reportRowBeyondBound(inDName, b.row, b.error, b.d, b.dd, b.w,
                                    "Da and R take D*W as the coupling and DD*W as its error");
    return 1;
  }
  if (sample.coup.empty()) {
    std::fprintf(stderr, "korim: no coupling of %s is selected; Da and R need couplings.\n",
                 inDName);
    return 1;
  }
  const int n = static_cast<int>(sample.coup.size());
  if (couplings::refuseFewCouplings(inDName, n, sample.pairs,
                                    {kMinDistributionCouplings, "estimate Da and R from their distribution"}) != 0)
    return 1;
  if (sample.dcMin == sample.dcMax) {
    std::fprintf(stderr,
                 "korim: the %d usable couplings of %s all have one value (%.3f Hz): a distribution "
                 "without spread gives no Da and R.\n",
                 n, inDName, sample.dcMin);
    return 1;
  }
  // A spread the table cannot print is none: the fit would run on rounding (or, at weights of
  // 1e-20, on couplings single precision no longer resolves).
  if (!(static_cast<double>(sample.dcMax) - sample.dcMin >= kDcMinSpread)) {
    std::fprintf(stderr,
                 "korim: the %d usable couplings of %s span %g Hz (D*W from %g to %g Hz), below the "
                 "%g Hz a table prints: a distribution without spread gives no Da and R.\n",
                 n, inDName, static_cast<double>(sample.dcMax) - sample.dcMin, sample.dcMin, sample.dcMax,
                 kDcMinSpread);
    return 1;
  }
  if (!(sample.delta > 0.0) || !std::isfinite(sample.delta)) {
    std::fprintf(stderr,
                 "korim: the selected couplings of %s carry no errors (column DD is 0); Da and R "
                 "need the measurement errors.\n",
                 inDName);
    return 1;
  }
  return 0;
}

int refuseBelowFloor(const DcSample& sample, const char* inDName, const char* mode) {
  float eq = 0.0f, r = 0.0f, sdevNeg = 0.0f, sdevPos = 0.0f;
  twoExtremeEstimate(sample.dcMin, sample.dcMax, 0.0f, 0.0f, &eq, &r, &sdevNeg, &sdevPos);
  if (std::fabs(static_cast<double>(eq)) >= kMinEstimateDa) return 0;
  std::fprintf(stderr,
               "korim: the couplings of %s (D*W from %g to %g Hz) give DATA EQ Da %+.3g Hz from their extremes, "
               "below the 2/3 Hz in size from which the estimates of Da and R answer (-daHist, -daMl and -daFlex "
               "alike): the likelihood's pattern, sampled every %.2f Hz, resolves a Da of 1/3 Hz and more, and its "
               "grid must reach below the answer to show it a maximum; so %s gives no answer for them.\n",
               inDName, static_cast<double>(sample.dcMin), static_cast<double>(sample.dcMax), static_cast<double>(eq),
               kMlSampleStep, mode);
  return 1;
}

std::string oneSignWord(const DcSample& sample) {
  int positive = 0, negative = 0, zero = 0;
  for (float c : sample.coup) {
    positive += c > 0.0f;
    negative += c < 0.0f;
    zero += c == 0.0f;
  }
  if (positive > 0 && negative > 0) return "";
  std::string word = positive > 0 ? "positive" : "negative";
  if (zero > 0) word += " or 0 (" + std::to_string(zero) + " of them 0)";
  return word;
}

namespace {

// The span of the couplings under any tensor, as the messages write it.
constexpr const char* kBothSigns = "from -Da (1 + 1.5 R) to 2 Da for R 0 to 2/3";

// "N selected couplings of name are all <sign>".
std::string selectedOfOneSign(const DcSample& sample, const char* inDName, const std::string& word) {
  return std::to_string(sample.coup.size()) + " selected couplings of " + inDName + " are all " + word;
}

}  // namespace

int refuseOneSign(const DcSample& sample, const char* inDName, const char* mode) {
  const std::string word = oneSignWord(sample);
  if (word.empty()) return 0;
  std::fprintf(stderr,
               "korim: the %s: %s reads Da from the two extremes of the couplings, which under any "
               "tensor lie on opposite signs (%s), so couplings of one sign give no Da (nor do sizes "
               "|D| without their sign); a fit with the structure (-bestFit) settles Da.\n",
               selectedOfOneSign(sample, inDName, word).c_str(), mode, kBothSigns);
  return 1;
}

std::string warnOneSign(const DcSample& sample, const char* inDName) {
  const std::string word = oneSignWord(sample);
  if (word.empty()) return "";
  return sayNote(selectedOfOneSign(sample, inDName, word) +
                 ": under any tensor the couplings of evenly spread bonds lie on both signs (" + kBothSigns +
                 "), so these are no such sample and the answer is not settled by them (if they are sizes |D| "
                 "without their sign, give them their signs); a fit with the structure (-bestFit) settles Da.\n");
}

}  // namespace korim::fitting
