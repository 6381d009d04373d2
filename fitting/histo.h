// Coupling histogram: extremes of the distribution, bins, most populated value and the model of
// the principal couplings.
#pragma once

#include "couplings/principal.h"

namespace korim::fitting {

// Largest number of bins a histogram may have.
constexpr int kMaxHistBins = 250;

// The two-extreme estimate of the principal couplings, shared with the assignment search.
using couplings::twoExtremeEstimate;

// Averaged extremes: sorts coupList[0..nD-1] ascending, then on each side widens a window of the
// outermost values until sqrt(k) times their sample standard deviation reaches delta * sdev of
// that side (or the window holds all nD); *dPos and *dNeg are the means of the two windows (a
// window of one value has that value as its mean). nD must be at least 1.
void getDzzDyy(int nD, float* coupList, double delta, float sdevNeg, float sdevPos, float* dNeg,
               float* dPos);

// Bin centres bins[0..nBins-1] from min to max (Hz) widened by delta on each side: with
// nUserBins below 3 the width is 2 delta (one bin, the whole span, would hold every value; two
// would each be as wide as the span, centred at its ends, so that the fullest is always an end),
// else nUserBins bins spread over the span. delta must be positive. Returns 0; 1 with *nBins set (bins untouched) when
// the layout needs more than maxBins bins (bins must hold maxBins).
int makeBins(double delta, float max, float min, int maxBins, int nUserBins, int* nBins,
             float* binwidth, float* bins);

// Histogram of coupList[0..nD-1] over the bins (values outside are reported on stdout, unless
// reportOutside is false, and skipped). *dxx = the centre of the first bin that reached the largest count. Returns 1 when
// exactly one bin holds the largest count, 0 when two or more share it (or no value
// fell in the bins).
int getDxx(int nD, const float* coupList, int nBins, float binWidth, const float* bins, float* dxx,
           bool reportOutside = true);

// The margin (Hz) within which the three values read from a histogram, Dzz, Dyy and Dxx, may sum
// to other than 0 and still be a tensor's: a traceless tensor's sum to 0, but averaged extremes
// fall short of its principal values and the fullest bin places Dxx to within its width, so right
// answers sum to a few Hz. Two bin widths, each taken as at least the mean error delta (finer bins
// place Dxx no better than the couplings' errors) and at most twice it (the automatic bins' width:
// with wider bins, a fullest bin a whole bin beside Dxx, next to Dyy, would pass), and a tenth of
// |Dzz| (the shortfall the assignment window also allows); beyond it the fullest bin lies beside an
// extreme, not at Dxx.
double tracelessMargin(float dzz, float binWidth, double delta);

// The least difference (Hz) of the sizes of the two extremes, Dzz and Dyy, that settles which of
// them is Dzz, and so the sign of Da. The extreme of n bonds falls short of its principal value
// l_i by about 1/(n rho_i), rho_i = 1 / (2 sqrt((l_i - l_j)(l_i - l_k))) the density of the couplings
// of random orientations at that outer edge (l taken from the two extremes, the third making the
// trace zero); the margin is kExtremeSampling times the larger of the two edges' shortfalls, and
// the noise moves the outermost couplings by kExtremeNoise times their mean error delta. Set on
// simulated tables (random frames, Da 5-40 Hz of both signs, R 0-0.66, 30-300 couplings, errors
// 0.5-2 Hz), a fit set and two others, so that no answer of the wrong sign passes it; bonds that
// bunch leave holes beyond this mean, hence the factor. A term in the bin width adds nothing.
double extremesSignMargin(float dzz, float dyy, double delta, int n);
constexpr double kExtremeSampling = 5.0;
constexpr double kExtremeNoise = 1.6;

// How reading Dxx from a histogram ended.
enum class DxxReading {
  kSingle,        // one fullest bin, and Dzz + Dyy + Dxx within tracelessMargin of 0
  kTooManyBins,   // the layout needs more than kMaxHistBins bins (*nBins says how many)
  kTie,           // two or more bins share the largest count
  kNotTraceless,  // one fullest bin, but the three values are no tensor's
};

// The histogram's reading of Dxx, the one place both histogram estimates take it: the bins of
// -bin count nUserBins (below 3: of width 2 delta) laid out over Dzz and Dyy (makeBins), the
// fullest bin's centre as *dxx (getDxx, values outside reported unless reportOutside is false),
// and the check that the three values can be a traceless tensor's. *nBins, *binWidth and *dxx are
// set as far as the layout got (*binWidth untouched when there are too many bins).
DxxReading readDxx(int nD, const float* coupList, double delta, float dzz, float dyy, int nUserBins,
                   bool reportOutside, int* nBins, float* binWidth, float* dxx);

// Model of the principal couplings for the fitter: abscissa 0, 1, -1 gives Dzz, Dyy, Dxx of
// a[1] = Da and a[2] = R; y and the derivatives dyda[1..2].
void alignpoly(float x, float* a, float* y, float* dyda, int na);

}  // namespace korim::fitting
