// Likelihood of measured couplings under the powder pattern of an alignment tensor: the pattern,
// its broadening by the measurement error, and the score of one tensor or of a Da x R grid.
#pragma once

#include <memory>
#include <vector>

namespace korim::fitting {

// Convention of the likelihood: for Da (Hz) and rhombicity R the principal values of the pattern
// are f33 = -2 Da, f22 = (1 + 1.5 R) Da, f11 = (1 - 1.5 R) Da; the grid runs over negative Da,
// for which f33 is the positive extreme, and the couplings are turned so that their extreme of
// larger magnitude is positive. Pattern and broadening are sampled every 0.01 Hz.

// Largest mean measurement error the broadening accepts (Hz).
constexpr double kMaxLineWidth = 3.41;
// Whether a mean error lies at or below kMaxLineWidth. Errors are read as floats: DD 3.41 in a
// table averages to 3.41 plus a few 1e-7 Hz, which is the limit as given, not beyond it.
inline bool mlLineWidthWithin(double delta) { return delta <= kMaxLineWidth * (1.0 + 1e-6); }
// Sampling of pattern and broadening (Hz).
constexpr double kMlSampleStep = 0.01;
// Smallest size of Da (Hz) whose pattern the sampling resolves. At R 0 the pattern is sampled
// from one step above its singular edge f11, and the density 1 / (2 sqrt(3 |Da| u)) at a
// distance u from that edge holds the share sqrt(step / (3 |Da|)) of the pattern within the
// step left out; a pattern that loses more than a tenth of itself there (whose samples near
// Da 0 shrink to one of enormous density) is no pattern of its tensor:
// |Da| >= step / (3 * 0.1^2) = 1/3 Hz.
constexpr double kMinPatternDa = kMlSampleStep / (3.0 * 0.1 * 0.1);
// Largest number of grid points one search scores.
constexpr long kMaxGridPoints = 2000000;

// Complete elliptic integral of the first kind K(m), parameter m = k^2, by the arithmetic-
// geometric mean: K(0) = pi/2, K(0.5) = 1.8540747; +infinity for m >= 1.
double kooky(double m);

// Gaussian density of mean m and standard deviation d at x.
double normal(double m, double d, double x);

// Powder pattern (probability density per Hz) of an isotropic distribution of bond vectors at
// the coupling Fi (Hz): K(m) / (pi sqrt(d)) between the principal values, 0 outside; finite at
// the singularity f11.
double analytical(double Dab, double R, double Fi);

// Score of one tensor: the sum over the couplings of log10 of the pattern broadened by a
// Gaussian of standard deviation delta (Hz), at each coupling; the density is floored at 1e-5 of
// its peak (couplings outside the pattern count at that floor). 0 for no coupling, and 0 after a
// message when delta is not in (0, kMaxLineWidth], Da is too large to sample or lies above
// -kMinPatternDa.
double mlMagTensorSingle(int coupCount, const float* coup_mat, double delta, double Dab, double R);

// 0 when the mean coupling error delta (Hz) lies in (0, kMaxLineWidth], the range the likelihood
// broadens its pattern by; 1 after a message naming it.
int mlLineWidthCheck(double delta);

// 0 when a pattern of Da, R broadened by delta can be laid out; 1 after the message that
// mlMagTensorSingle (and MlPattern::set) prints for it.
int mlPatternCheck(double delta, double Dab, double R);

// The broadened pattern of one tensor, to score several coupling lists under it: set() then
// score() gives what mlMagTensorSingle gives, the pattern computed once. Not shared between
// threads.
class MlPattern {
 public:
  MlPattern();
  ~MlPattern();
  MlPattern(const MlPattern&) = delete;
  MlPattern& operator=(const MlPattern&) = delete;
  // 0, or 1 after mlPatternCheck's message (every score is then 0).
  int set(double delta, double Dab, double R);
  double score(int coupCount, const float* coup) const;

 private:
  struct Ring;
  std::unique_ptr<Ring> ring_;
};

// Points along one axis of the likelihood grid, counted from its range and step: from one end
// of low to high by step toward the other, that far end a point only when withFarEnd (R runs
// from lowR up to highR included; Da from highDab down to above lowDab, as the default grid's
// -3.0 to -24.9 Hz always ran). An end within a millionth of a step of a grid point lies on it;
// values held in single precision count as the decimals they were given (0.6 to 0.63 by 0.01:
// 4 points). 0 when high lies below low.
double mlAxisPoints(double low, double high, float step, bool withFarEnd);

// Scores the grid R = lowR, lowR + incR, ... up to highR (outer) by Da = highDab,
// highDab - incDa, ... down to above lowDab (inner), each axis as mlAxisPoints counts it, the
// values summed step by step; on the worker threads, with a progress line of the points done
// on stderr. The points go to RList, DabList, scoreList in grid order (the same values whatever
// the number of threads) and their number to *lCount. No points when an axis has none.
// Returns 0; 1 after a message when an increment is not positive, delta is not in
// (0, kMaxLineWidth], the grid has more than kMaxGridPoints points, Da is too large or highDab
// lies above -kMinPatternDa (no point of the grid is scored then).
int mlMagTensor(int coupCount, const float* coup_mat, double delta, double lowDab, double highDab,
                float incDa, double lowR, double highR, float incR, std::vector<double>* RList,
                std::vector<double>* DabList, std::vector<double>* scoreList, int* lCount);

}  // namespace korim::fitting
