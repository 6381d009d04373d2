// The Da/R window of the assignment search against what each medium's couplings prove about its
// tensor, checked before any candidate is scored, and the notes of the answer that say what the
// couplings and the search did not settle.
#include "assignment/search_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/advice.h"
#include "foundation/constants.h"
#include "foundation/diag3.h"
#include "foundation/quantile.h"

namespace korim::assignment {

namespace {

using korim::foundation::kDipolarNH;

// A tensor is the point (p0, p2) of its largest and smallest principal couplings (Hz); p1 =
// -p0 - p2. Every constraint on it is a half-plane a p0 + b p2 <= c.
struct Half {
  double a, b, c;
};
struct Point {
  double p0, p2;
};

constexpr double kBound = 1e5;      // Hz: no principal coupling beyond it (bounds the region)
constexpr double kStrict = 1e-5;    // Hz: how far inside a window's bound a value must lie
constexpr double kOnLine = 1e-7;    // Hz: a point this close to a half-plane lies in it

// Da and dr (Hz) of a tensor in the form of yzFlag, linear in (p0, p2) on one side of p1 = 0.
// The usual form takes the principal coupling of largest size as z: for p1 <= 0 (Da >= 0) that
// is p0, else p2; -yzInv takes the one of middle size, the other extreme.
struct Form {
  double da0, da2, dr0, dr2;
  double da(Point q) const { return da0 * q.p0 + da2 * q.p2; }
  double dr(Point q) const { return dr0 * q.p0 + dr2 * q.p2; }
};

// side: p1 <= 0 (the usual form's Da >= 0). Whether the form takes p0 as z, and so has Da >= 0.
bool positiveForm(bool side, int yzFlag) { return side != (yzFlag != 0); }

Form formOf(bool side, int yzFlag) {
  // z = p0, y = p2, x = p1: Da = p0 / 2, dr = (p1 - p2) / 3; z = p2, y = p0: Da = p2 / 2,
  // dr = (p1 - p0) / 3.
  return positiveForm(side, yzFlag) ? Form{0.5, 0.0, -1.0 / 3.0, -2.0 / 3.0}
                                    : Form{0.0, 0.5, -2.0 / 3.0, -1.0 / 3.0};
}

bool inside(const std::vector<Half>& h, Point q) {
  for (const Half& c : h)
    if (c.a * q.p0 + c.b * q.p2 > c.c + kOnLine * (1.0 + std::fabs(c.c))) return false;
  return true;
}

// The vertices of the bounded region the half-planes leave (none where it is empty).
std::vector<Point> vertices(const std::vector<Half>& h) {
  std::vector<Point> found;
  for (size_t i = 0; i < h.size(); i++)
    for (size_t j = i + 1; j < h.size(); j++) {
      const double det = h[i].a * h[j].b - h[j].a * h[i].b;
      if (std::fabs(det) < 1e-12) continue;
      const Point q{(h[i].c * h[j].b - h[j].c * h[i].b) / det, (h[i].a * h[j].c - h[j].a * h[i].c) / det};
      if (inside(h, q)) found.push_back(q);
    }
  return found;
}

// What the proof allows on one side of p1 = 0: the order p0 >= p1 >= p2, the side, the span of
// the couplings and the fit's margins.
std::vector<Half> proofHalves(const MediumProof& t, bool side) {
  std::vector<Half> h = {{-2.0, -1.0, 0.0},  // p1 <= p0
                         {1.0, 2.0, 0.0},    // p2 <= p1
                         side ? Half{-1.0, -1.0, 0.0} : Half{1.0, 1.0, 0.0},
                         {1.0, 0.0, kBound},
                         {0.0, -1.0, kBound}};
  if (t.count > 0) {
    h.push_back({-1.0, 0.0, -t.spanHi});
    h.push_back({0.0, 1.0, t.spanLo});
  }
  if (t.fitted) {
    h.push_back({1.0, 0.0, t.p[0] + t.margin[0]});
    h.push_back({-1.0, 0.0, -(t.p[0] - t.margin[0])});
    h.push_back({0.0, 1.0, t.p[2] + t.margin[2]});
    h.push_back({0.0, -1.0, -(t.p[2] - t.margin[2])});
    h.push_back({-1.0, -1.0, t.p[1] + t.margin[1]});
    h.push_back({1.0, 1.0, -(t.p[1] - t.margin[1])});
  }
  return h;
}

// The window lDa < Da < hDa, lR < R < hR (R = dr / Da) in the form f, whose Da has the sign of
// positive.
void addWindow(std::vector<Half>* h, const AssignProblem& w, const Form& f, bool positive) {
  h->push_back({f.da0, f.da2, w.hDa - kStrict});
  h->push_back({-f.da0, -f.da2, -w.lDa - kStrict});
  const double s = positive ? 1.0 : -1.0;  // dr < hR Da and dr > lR Da, times the sign of Da
  h->push_back({s * (f.dr0 - w.hR * f.da0), s * (f.dr2 - w.hR * f.da2), -kStrict});
  h->push_back({s * (w.lR * f.da0 - f.dr0), s * (w.lR * f.da2 - f.dr2), -kStrict});
}

// A proof that allows no tensor at all (the couplings' span beyond the fit's margins: couplings
// of another medium, or errors DD far too small) proves nothing about the window.
bool windowHolds(const AssignProblem& w, const MediumProof& t, int yzFlag) {
  if (vertices(proofHalves(t, true)).empty() && vertices(proofHalves(t, false)).empty()) return true;
  for (bool side : {true, false}) {
    std::vector<Half> h = proofHalves(t, side);
    addWindow(&h, w, formOf(side, yzFlag), positiveForm(side, yzFlag));
    if (!vertices(h).empty()) return true;
  }
  return false;
}

// The window given, widened where it must be to hold a tensor: an end beyond a Da moves out to
// 1.5 times its size in steps of 5 Hz (the end away from 0) or to half its size in steps of
// 0.01 Hz (the end toward 0); an end beyond R moves past it to the next step of 0.05.
struct Window {
  double lDa, hDa, lR, hR;
  void holdDa(double d) {
    const double far = std::ceil(1.5 * std::fabs(d) / 5.0) * 5.0;
    const double near = std::floor(0.5 * std::fabs(d) / 0.01) * 0.01;
    if (d >= hDa) hDa = d > 0.0 ? far : -near;
    if (d <= lDa) lDa = d < 0.0 ? -far : near;
  }
  void holdR(double r) {
    if (r <= lR) lR = std::floor((r - 0.05) / 0.05) * 0.05;
    if (r >= hR) hR = std::ceil((r + 0.05) / 0.05) * 0.05;
  }
  // How far (Da, R) lies outside, R counting 20 Hz per unit and an R on a bound a little.
  double distance(double da, double r) const {
    return std::max({0.0, lDa - da, da - hDa}) + 20.0 * std::max({0.0, lR - r, r - hR}) +
           (r <= lR || r >= hR ? 1e-3 : 0.0);
  }
};

// The tensor the advice widens the window to hold, in the form of yzFlag: the fit's where the
// couplings span within it, else the allowed tensor nearest the window.
void adviseFor(const MediumProof& t, int yzFlag, Window* w) {
  double bestDa = 0.0, bestR = 0.0, best = -1.0;
  for (bool side : {true, false}) {
    const std::vector<Half> h = proofHalves(t, side);
    const Form f = formOf(side, yzFlag);
    std::vector<Point> points = vertices(h);
    const Point fit{t.p[0], t.p[2]};
    const bool fitHere = t.fitted && (t.p[1] <= 0.0) == side && inside(h, fit);
    if (fitHere) points = {fit};
    for (const Point& q : points) {
      const double da = f.da(q);
      if (std::fabs(da) < 1e-6) continue;
      const double r = f.dr(q) / da, d = w->distance(da, r);
      if (best < 0.0 || d < best || fitHere) bestDa = da, bestR = r, best = fitHere ? 0.0 : d;
    }
    if (fitHere) break;
  }
  w->holdDa(bestDa);
  w->holdR(bestR);
}

// The lines that name what a medium's couplings prove.
std::string describe(const MediumProof& t, const char* medium, int yzFlag) {
  char line[1400];
  int n = 0;
  char who[80] = "";
  if (medium[0]) std::snprintf(who, sizeof who, "medium %s (-dcID): ", medium);
  const Form f = formOf(t.p[1] <= 0.0, yzFlag);
  const double da = f.da({t.p[0], t.p[2]}), r = da != 0.0 ? f.dr({t.p[0], t.p[2]}) / da : 0.0;
  if (t.fitted)
    n += std::snprintf(line, sizeof line,
                       "   %sDa_HN %+.3f Hz, R %.3f: the SVD fit of the %d fixed couplings alone, %d more than the "
                       "five that fix a tensor: its principal couplings %.2f, %.2f and %.2f Hz, each within %.2f, "
                       "%.2f and %.2f Hz (%.2f times its error, from the errors DD, the scatter of the fit and the "
                       "spread of the bond vectors).\n",
                       who, da, r, t.fixedCount, t.fixedCount - 5, t.p[0], t.p[1], t.p[2], t.margin[0],
                       t.margin[1], t.margin[2], t.quantile);
  n += std::snprintf(line + n, sizeof line - n,
                     "   %sthe %d %s run from %.3f to %.3f Hz: a tensor that gives "
                     "them has principal couplings of at least %.3f and at most %.3f Hz (each coupling less %.2f "
                     "times its error DD)",
                     who, t.count, t.cells ? "couplings, fixed and unassigned," : "fixed couplings", t.low, t.high,
                     t.spanHi, t.spanLo, t.spanFactor);
  if (!t.fitted)
    std::snprintf(line + n, sizeof line - n,
                  "; the %d fixed couplings do not over-determine it (more than five atom pairs are needed).\n",
                  t.fixedCount);
  else
    std::snprintf(line + n, sizeof line - n, ".\n");
  return line;
}

// The principal couplings of the order matrix s (Saupe vector), largest first, with the unit
// vectors of their axes (columns of axes).
bool principal(const float s[5], double p[3], double axes[3][3]) {
  float m[3][3] = {{-(s[0] - s[1]) / 2.0f, s[2], s[3]}, {s[2], -(s[0] + s[1]) / 2.0f, s[4]}, {s[3], s[4], s[0]}};
  float d[3], v[3][3];
  if (korim::foundation::diag3By3(m, d, v) != 0) return false;
  int order[3] = {0, 1, 2};
  std::sort(order, order + 3, [&d](int a, int b) { return d[a] > d[b]; });
  for (int i = 0; i < 3; i++) {
    p[i] = kDipolarNH * d[order[i]];
    for (int k = 0; k < 3; k++) axes[k][i] = v[k][order[i]];
  }
  return true;
}

// The fit of the fixed couplings and the margins of its principal couplings.
void proveByFit(AssignProblem& prob, int medium, MediumProof* t) {
  FixedFit f;
  if (!fixedFit(prob, medium, &f) || f.count <= 5) return;
  double axes[3][3];
  if (!principal(f.saupe, t->p, axes)) return;
  const int nu = f.count - 5;
  const double scale = std::sqrt(std::max(1.0, f.chi2 / nu));
  t->quantile = korim::foundation::studentQuantile(kProofTail, nu);
  for (int i = 0; i < 3; i++) {
    // To first order a principal coupling moves by the coupling along its own axis.
    const double u[3] = {axes[0][i], axes[1][i], axes[2][i]};
    double a[5], var = 0.0;
    korim::couplings::saupeBasis(u, a);
    for (int r = 0; r < 5; r++)
      for (int c = 0; c < 5; c++) var += a[r] * f.covar[r][c] * a[c];
    t->margin[i] = t->quantile * scale * kDipolarNH * std::sqrt(std::fabs(var));
  }
  t->fitted = std::isfinite(t->p[0] + t->p[1] + t->p[2] + t->margin[0] + t->margin[1] + t->margin[2]);
}

}  // namespace

bool fittedTensor(const MediumProof& t, int yzFlag, double* da, double* r) {
  if (!t.fitted) return false;
  const Form f = formOf(t.p[1] <= 0.0, yzFlag);
  *da = f.da({t.p[0], t.p[2]});
  *r = *da != 0.0 ? f.dr({t.p[0], t.p[2]}) / *da : 0.0;
  return *da != 0.0;
}

int MediumProof::sign() const {
  if (!fitted || !(std::fabs(p[1]) > margin[1])) return 0;
  return p[1] < 0.0 ? 1 : -1;
}

MediumProof mediumProof(AssignProblem& prob, int medium, bool overDetermined, bool cells) {
  MediumProof t;
  t.cells = cells;
  int fixOff = 0, colOff = 0;
  mediumOffsets(prob, medium, &fixOff, &colOff);
  t.fixedCount = prob.nDTypList[medium];
  std::vector<std::pair<double, double>> c;  // coupling and error, Hz on the N-H scale
  auto add = [&c](float d, float di, float sigma) {
    if (di == 0.0f) return;
    const double q = kDipolarNH / std::fabs(di);
    c.push_back({d * q, std::fabs(sigma) * q});
  };
  for (int i = fixOff; i < fixOff + t.fixedCount; i++) add(prob.dcList[i], prob.diList[i], prob.ddList[i]);
  for (int col = colOff; cells && col < colOff + prob.colIdList[medium]; col++)
    for (int i = 0; i < prob.peakCount; i++)
      if (prob.dcMat[i][col] != kEmptyCell) add(prob.dcMat[i][col], prob.diValMat[i][col], prob.sigMat[i][col]);
  t.count = static_cast<int>(c.size());
  if (t.count > 0) t.spanFactor = korim::foundation::normalQuantile(kProofTail / t.count);
  for (size_t i = 0; i < c.size(); i++) {
    const auto [d, e] = c[i];
    const double m = t.spanFactor * e;
    t.low = i == 0 ? d : std::min(t.low, d);
    t.high = i == 0 ? d : std::max(t.high, d);
    t.spanLo = i == 0 ? d + m : std::min(t.spanLo, d + m);
    t.spanHi = i == 0 ? d - m : std::max(t.spanHi, d - m);
  }
  if (overDetermined && t.fixedCount > 5) proveByFit(prob, medium, &t);
  return t;
}

int checkSearchWindow(const AssignProblem& p, const MediumProof* proofs, const char* const* media, int yzFlag) {
  Window w{p.lDa, p.hDa, p.lR, p.hR};
  std::string left;
  int outside = 0;
  for (int m = 0; m < p.nLcType; m++) {
    if (windowHolds(p, proofs[m], yzFlag)) continue;
    outside++;
    left += describe(proofs[m], p.nLcType > 1 ? media[m] : "", yzFlag);
    adviseFor(proofs[m], yzFlag, &w);
  }
  if (outside == 0) return 0;
  std::fprintf(stderr,
               "KORIM Error: the window of the assignment search, Da_HN %g to %g Hz (-lDa, -hDa) and R %g to %g "
               "(-lR, -hR)%s, holds no tensor the couplings allow, whatever their assignment: any answer of the "
               "search would be a tensor they do not give.\n%s",
               p.lDa, p.hDa, p.lR, p.hR, yzFlag ? " in the form of -yzInv, which -rand scores in" : "",
               left.c_str());
  const auto text = [](double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%g", v);
    return std::string(t);
  };
  std::vector<foundation::AdvisedOption> advised{{"-lDa", text(w.lDa)}, {"-hDa", text(w.hDa)}};
  if (w.lR != p.lR || w.hR != p.hR) advised.insert(advised.end(), {{"-lR", text(w.lR)}, {"-hR", text(w.hR)}});
  std::fprintf(stderr, "korim: %s hold a tensor the couplings allow%s; the search has not run.\n",
               foundation::adviseOptions(advised).c_str(), p.nLcType > 1 ? " in each medium" : "");
  return 1;
}

std::string unsettledSignNote(const MediumProof& t, const char* medium, float daNH, float rhomb, int yzFlag) {
  if (daNH == 0.0f) return "";
  char who[80] = "";
  if (medium[0]) std::snprintf(who, sizeof who, " of medium %s (-dcID)", medium);
  char line[900];
  const int sign = t.sign();
  if (sign != 0) {
    // The proof's sign is that of the usual form; an answer in the -yzInv form is not compared.
    if (yzFlag != 0 || (daNH > 0.0f ? 1 : -1) == sign) return "";
    std::snprintf(line, sizeof line,
                  "couplings%s settle the sign of Da as %s: the fit of the %d fixed couplings puts the principal "
                  "coupling of least size, %+.2f Hz, beyond its margin, %.2f Hz, of 0; the answer's, Da_HN %+.3f Hz, "
                  "R %.3f, has the other sign, a tensor they do not give.\n",
                  who, sign > 0 ? "positive" : "negative", t.fixedCount, t.p[1], t.margin[1], daNH, rhomb);
    return line;
  }
  char why[400];
  if (t.fitted)
    std::snprintf(why, sizeof why,
                  "the fit of the %d fixed couplings leaves the principal coupling of least size, %+.2f Hz, within "
                  "its margin, %.2f Hz, of 0",
                  t.fixedCount, t.p[1], t.margin[1]);
  else
    std::snprintf(why, sizeof why,
                  "the %d fixed couplings do not over-determine the tensor (more than five atom pairs are needed)",
                  t.fixedCount);
  std::snprintf(line, sizeof line,
                "couplings%s do not settle the sign of Da: %s, so they allow tensors of either sign, and the "
                "answer's, Da_HN %+.3f Hz, R %.3f, has the sign the window and the scores of the search chose; "
                "more fixed couplings (-fixRes) settle it.\n",
                who, why, daNH, rhomb);
  return line;
}

std::string heldFitNote(const AssignProblem& w, const korim::couplings::DTensor& t, int yzFlag) {
  namespace c = korim::couplings;
  const int m = t.tensorMode;
  if (m != c::kTensorNoFixed && m != c::kTensorDaDr && m != c::kTensorFixed && m != c::kTensorFitNonlin) return "";
  const bool da = t.daMin == t.daMax, dr = t.drMin == t.drMax;
  const bool angles = t.psiMin == t.psiMax && t.thetaMin == t.thetaMax && t.phiMin == t.phiMax;
  if (!da && !dr && !angles) return "";
  std::vector<std::string> held;
  char part[200];
  const double daNH = t.daMin * kDipolarNH;
  if (da) {
    std::snprintf(part, sizeof part, "Da %.3e (Da_HN %+.3f Hz)", t.daMin, daNH);
    held.push_back(part);
  }
  if (dr && da && t.daMin != 0.0f)
    std::snprintf(part, sizeof part, "Dr %.3e (R %.3f)", t.drMin, t.drMin / t.daMin);
  else
    std::snprintf(part, sizeof part, "Dr %.3e", t.drMin);
  if (dr) held.push_back(part);
  std::snprintf(part, sizeof part, "the angles psi %g, theta %g and phi %g", t.psiMin, t.thetaMin, t.phiMin);
  if (angles) held.push_back(part);
  std::string list;
  for (size_t i = 0; i < held.size(); i++)
    list += (i == 0 ? "" : i + 1 == held.size() ? " and " : ", ") + held[i];
  std::string outside;
  if (da && dr && t.daMin != 0.0f) {
    // The held tensor's principal couplings, then its Da and R in the form the search scored.
    const double d = daNH, r = t.drMin / t.daMin;
    double p[3] = {2.0 * d, -d * (1.0 - 1.5 * r), -d * (1.0 + 1.5 * r)};
    std::sort(p, p + 3, [](double a, double b) { return a > b; });
    const Form f = formOf(p[1] <= 0.0, yzFlag);
    const double fDa = f.da({p[0], p[2]}), fR = fDa != 0.0 ? f.dr({p[0], p[2]}) / fDa : 0.0;
    if (!(w.lDa < fDa && fDa < w.hDa && w.lR < fR && fR < w.hR)) {
      outside = ", a tensor outside that window";
      std::snprintf(part, sizeof part, " (Da_HN %+.3f Hz, R %.3f in the form of -yzInv)", fDa, fR);
      if (yzFlag) outside += part;
    }
  }
  char line[1000];
  std::snprintf(line, sizeof line,
                "search scored each order by the SVD fit of a free tensor within the window, Da_HN %g to %g Hz and R "
                "%g to %g%s; the final fit held %s%s, and the table reports that fit.\n",
                w.lDa, w.hDa, w.lR, w.hR, yzFlag ? " in the form of -yzInv" : "", list.c_str(), outside.c_str());
  return line;
}

EdgeHits edgesOf(const SearchBounds& w, double da, double r, int yzFlag) {
  const double lowestR = yzFlag ? 2.0 / 3.0 : 0.0, highestR = yzFlag ? 2.0 : 2.0 / 3.0;
  const double daEdge = kEdgeShare * (w.hDa - w.lDa), rEdge = kEdgeShare * (w.hR - w.lR);
  EdgeHits h;
  h.lDa = da <= w.lDa + daEdge;
  h.hDa = da >= w.hDa - daEdge;
  h.lR = w.lR > lowestR && r <= w.lR + rEdge;
  h.hR = w.hR < highestR && r >= w.hR - rEdge;
  return h;
}

SearchBounds widenedPast(const SearchBounds& w, const EdgeHits& hits, double da, double r) {
  SearchBounds out = w;
  const auto far = [](double d) { return std::max(5.0, std::ceil(1.5 * std::fabs(d) / 5.0) * 5.0); };
  const auto near = [](double d) { return std::floor(0.5 * std::fabs(d) / 0.01) * 0.01; };
  if (hits.lDa) out.lDa = std::min(w.lDa, da) < 0.0 ? -far(std::min(w.lDa, da)) : near(std::min(w.lDa, da));
  if (hits.hDa) out.hDa = std::max(w.hDa, da) > 0.0 ? far(std::max(w.hDa, da)) : -near(std::max(w.hDa, da));
  if (hits.lR) out.lR = std::floor((std::min(w.lR, r) - 0.05) / 0.05) * 0.05;
  if (hits.hR) out.hR = std::ceil((std::max(w.hR, r) + 0.05) / 0.05) * 0.05;
  return out;
}

SearchBounds openedWindow(const SearchBounds& w, int yzFlag) {
  // 1000 Hz holds any N-H tensor of a liquid crystal; 1e-3 Hz keeps the side of Da = 0.
  SearchBounds out = w;
  out.lDa = w.lDa >= 0.0 ? std::min(w.lDa, 1e-3) : -1000.0;
  out.hDa = w.hDa <= 0.0 ? std::max(w.hDa, -1e-3) : 1000.0;
  out.lR = std::min(w.lR, (yzFlag ? 2.0 / 3.0 : 0.0) - 0.05);
  out.hR = std::max(w.hR, (yzFlag ? 2.0 : 2.0 / 3.0) + 0.05);
  return out;
}

std::string windowAdvice(const SearchBounds& given, const SearchBounds& wider) {
  std::vector<foundation::AdvisedOption> moved;
  const struct {
    const char* option;
    double given, wider;
  } bounds[] = {{"-lDa", given.lDa, wider.lDa},
                {"-hDa", given.hDa, wider.hDa},
                {"-lR", given.lR, wider.lR},
                {"-hR", given.hR, wider.hR}};
  for (const auto& b : bounds) {
    if (b.wider == b.given) continue;
    char value[40];
    std::snprintf(value, sizeof value, "%g", b.wider);
    moved.emplace_back(b.option, value);
  }
  return moved.empty() ? std::string() : foundation::adviseOptions(moved);
}

}  // namespace korim::assignment
