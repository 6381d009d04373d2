// Coupling-table writer: full report or short table, agreement statistics, Euler-solution block.
#include "couplings/writedc.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "couplings/analyzeSaupe.h"
#include "couplings/missingdc.h"
#include "foundation/constants.h"
#include "foundation/finitetext.h"
#include "foundation/fixedtext.h"
#include "foundation/gamma.h"
#include "foundation/memory.h"
#include "foundation/moment.h"
#include "foundation/outputfile.h"
#include "settings/korim_record.h"

namespace korim::couplings {

using namespace korim::foundation;

namespace {

// Euler lists handed to the Saupe analysis, which clears them on every call; and the last line
// said of rows left out of an appended table (an ensemble appends one table a state to one
// target, and the same line each time says nothing new).
struct WriterState {
    double alpha[4];
    double beta[4];
    double gamma[4];
    std::string appendedGapLine;
};
WriterState writer;

constexpr float kDiffLimit = 999.0f;   // a difference with a value at or above this is not formed
constexpr float kDiffMissing = 9999.0f;
constexpr int kCopyMargin = 5000;    // extra zeroed entries of the regression copies

// One single-precision work array under the "statDC" tag, released on every path.
struct StatArray {
    float* p = nullptr;
    int n = 0;
    bool alloc(int length) {
        p = fltAlloc("statDC", length);
        n = p ? length : 0;
        return p != nullptr;
    }
    ~StatArray() {
        if (p) unAlloc("statDC", p, 4 * n);
    }
};

bool hasSpread(const float* v, int n) {
    for (int i = 2; i <= n; ++i)
        if (v[i] != v[1]) return true;
    return false;
}

// Da and Dr of a tensor as the order-matrix block analyses its Saupe elements, with the axis named
// zz by yzFlag (0 and 0 for a zero tensor, which the table does not print).
void analysedDaDr(const DTensor& t, int yzFlag, float* da, float* dr) {
    *da = *dr = 0.0f;
    double saupe[5], irr[5], gen = 0.0, eigVec[3][3], eigVal[3], a = 0.0, r = 0.0;
    double alpha[4], beta[4], gamma[4];
    bool any = false;
    for (int i = 0; i < 5; ++i) {
        saupe[i] = t.saupe[i];
        any = any || t.saupe[i] != 0.0f;
    }
    if (!any) return;
    analyzeSaupe(saupe, irr, &gen, eigVec, eigVal, yzFlag, &a, &r, alpha, beta, gamma, 0);
    *da = static_cast<float>(a);
    *dr = static_cast<float>(r);
}

// Da and Dr of the tensor a table prints: those of its Saupe elements. The tensor's own da and dr
// may hold another tensor's: the mean of the fits of an error run, or of the allowed states of an
// ensemble, beside their averaged Saupe elements. Q SAUPE divides by 2 Da^2 (4 + 3 R^2) / 5, which
// is 4/15 of the sum of the squared eigenvalues whichever axis is named zz (-yz included).
void printedDaDr(const DTensor& t, float* da, float* dr) { analysedDaDr(t, 0, da, dr); }

struct Stats {
    float rms = 0, chi2 = 0, stdDev = 0, q = 0, qIso = 0, corr = 0;
    float offset = 0, errOffset = 0, slope = 0, errSlope = 0, aveSlope = 0, errAveSlope = 0;
    int n = 0;
    StatGaps gaps;
};


// The caller's remark, with every line that does not begin with "REMARK" made a REMARK line, so
// that the table reader never takes remark text for a data row. A remark that is already made of
// REMARK lines is written exactly as given.
void writeRemark(FILE* out, const char* remark) {
    const char* p = remark;
    while (*p) {
        const char* end = std::strchr(p, '\n');
        const size_t len = end ? static_cast<size_t>(end - p) : std::strlen(p);
        const bool blank = len == 0;
        const bool isRemark = std::strncmp(p, "REMARK", 6) == 0;
        if (!blank && !isRemark) std::fputs("REMARK ", out);
        std::fwrite(p, 1, len, out);
        if (end)
            std::fputc('\n', out);
        else if (!blank && !isRemark)
            std::fputc('\n', out);
        p = end ? end + 1 : p + len;
    }
}

void writeAngleRanges(FILE* out, const DTensor* t) {
    std::fprintf(out, "DATA PSI_RANGE   % 8.2f % 8.2f\n", t->psiMin, t->psiMax);
    std::fprintf(out, "DATA THETA_RANGE % 8.2f % 8.2f\n", t->thetaMin, t->thetaMax);
    std::fprintf(out, "DATA PHI_RANGE   % 8.2f % 8.2f\n", t->phiMin, t->phiMax);
}

void writeTensorModeLines(FILE* out, const DTensor* t) {
    switch (t->tensorMode) {
        case kTensorSVD:
            std::fprintf(out, "DATA TENSOR_MODE SVD (Order Matrix Method)\n");
            break;
        case kTensorSaupe:
            std::fprintf(out, "DATA TENSOR_MODE SAUPE (Fixed Saupe Values)\n");
            break;
        case kTensorNoFixed:
            std::fprintf(out,
                         "DATA TENSOR_MODE NOFIXED (Variable Da and Dr, Variable Rotations)\n\n");
            std::fprintf(out, "DATA DA_RANGE    % .4e % .4e\n", t->daMin, t->daMax);
            std::fprintf(out, "DATA DR_RANGE    % .4e % .4e\n", t->drMin, t->drMax);
            writeAngleRanges(out, t);
            break;
        case kTensorDaDr:
            std::fprintf(out, "DATA TENSOR_MODE DADR (Fixed Da and Dr, Variable Rotations)\n\n");
            writeAngleRanges(out, t);
            break;
        case kTensorFixed:
            std::fprintf(out, "DATA TENSOR_MODE FIXED (Fixed Da and Dr, Fixed Rotations)\n");
            break;
        default:
            break;
    }
}

void writeLikelihoodLines(FILE* out, const settings::HistInfo* h) {
    std::fprintf(out, "DATA KORIM DA LOW_GRID     % .3f\n", h->lDaMl);
    std::fprintf(out, "DATA KORIM DA HIGH_GRID    % .3f\n", h->hDaMl);
    std::fprintf(out, "DATA KORIM DA INCREMENT    % .3f\n", h->incDaMl);
    std::fprintf(out, "DATA KORIM R  LOW_GRID     % .3f\n", h->lRMl);
    std::fprintf(out, "DATA KORIM R  HIGH_GRID    % .3f\n", h->hRMl);
    std::fprintf(out, "DATA KORIM R  INCREMENT    % .3f\n", h->incRMl);
    std::fprintf(out, "\n\nREMARK Solving the linear equation system.\n\n");
    std::fprintf(out, "DATA EQ Da         % .3f\n", h->Da2Par);
    std::fprintf(out, "DATA EQ R          % .3f\n", h->R2Par);
    std::fprintf(out, "\n\nREMARK Maximum Likelihood determination.\n\n");
    std::fprintf(out, "DATA ML Da            % .3f\n", h->DaMl);
    std::fprintf(out, "DATA ML Da Err        % .3f\n", h->DaErrMl);
    std::fprintf(out, "DATA ML R             % .3f\n", h->RMl);
    std::fprintf(out, "DATA ML R Err         % .3f\n", h->RErrMl);
}

// The run-mode record and the lines of the mode that are not settings (the settings block follows
// it); modes without a record write nothing.
void writeModeBlock(FILE* out, const settings::KorimInfo* k, const DTensor* t) {
    static const char* const words[] = {
        nullptr, "STERIC", "STERIC_FREE", "STERIC_GRID", "ELECTROSTATIC", "ELECTROSTATIC_FREE",
        "ELECTROSTATIC_GRID", "DC", "CS", nullptr, "DA_ML", nullptr, "HIST", "DC_CP", "SAUPE_CP",
        nullptr, nullptr, "CONV"};
    const int mode = k->korimMode;
    if (mode < 0 || mode >= static_cast<int>(sizeof words / sizeof *words) || !words[mode]) return;
    std::fprintf(out, "\nDATA KORIM_MODE %s\n\n", words[mode]);
    if (mode == settings::kModeBestFit) writeTensorModeLines(out, t);
    if (mode == settings::kModeDaMl) writeLikelihoodLines(out, &k->histInfo);
    if (mode == settings::kModeConvert) {
        std::fprintf(out, k->normDc ? "DATA DCs are normalized.\n"
                                    : "DATA DCs are not normalized.\n");
        if (k->dcNoise) std::fprintf(out, "DATA Gaussian noise according to DD has been added.\n");
    }
}

// Sinusoidal map projection of a unit axis: x = lambda cos(beta), y = beta (radians).
void projectAxis(double x, double y, double z, double* lambda, double* beta) {
    if (z > 1.0) z = 1.0;  // rounding of a unit vector must not leave the arc cosine's domain
    if (z < -1.0) z = -1.0;
    *beta = kHalfPi8 - std::acos(z);
    *lambda = std::atan2(y, x);
}

void writeMapping(FILE* out, const double eigVec[3][3]) {
    double lambda[3], beta[3];
    for (int c = 0; c < 3; ++c)
        projectAxis(eigVec[0][c], eigVec[1][c], eigVec[2][c], &lambda[c], &beta[c]);
    std::fprintf(out, "\nREMARK Mapping of coordinates.\n\n");
    std::fprintf(out, "DATA MAPPING_COOR   Szz_d(x)  Szz_d(y)  Syy_d(x)  Syy_d(y)  Sxx_d(x)  "
                      "Sxx_d(y)\n");
    std::fprintf(out, "DATA MAPPING     ");
    for (int c = 0; c < 3; ++c)
        std::fprintf(out, c < 2 ? "  % .5f  % .5f" : "  % .5f  % .5f\n",
                     lambda[c] * std::cos(beta[c]), beta[c]);
    // The opposite direction: azimuth shifted by half a turn, latitude mirrored. An azimuth of
    // exactly 0 takes the shift +pi like every non-positive one, so the opposite of an axis
    // along +x maps to the right-hand edge of the projection.
    std::fprintf(out, "DATA MAPPING INV ");
    for (int c = 0; c < 3; ++c) {
        const double inv = lambda[c] > 0.0 ? lambda[c] - kPi8 : lambda[c] + kPi8;
        std::fprintf(out, c < 2 ? "  % .5f  % .5f" : "  % .5f  % .5f\n", inv * std::cos(beta[c]),
                     -beta[c]);
    }
}

void writeEigenAndEuler(FILE* out, DTensor* t, const double eigVec[3][3], const double* eigVal,
                        double da, double dr, int nD) {
    std::fprintf(out, "\n\nREMARK Eigensystem & Euler angles for clockwise rotation about z, y', "
                      "z''.\n\n");
    std::fprintf(out, "DATA EIGENVALUES (Sxx_d,Syy_d,Szz_d)");
    std::fprintf(out, "   % .4e % .4e % .4e\n", eigVal[2], eigVal[1], eigVal[0]);
    std::fprintf(out, "DATA EIGENVECTORS          (x_coor      y_coor      z_coor)\n");
    static const char* const names[3] = {"X_AXIS", "Y_AXIS", "Z_AXIS"};
    for (int a = 0; a < 3; ++a) {
        const int c = 2 - a;
        std::fprintf(out, "DATA EIGENVECTORS %s % .4e % .4e % .4e\n", names[a], eigVec[0][c],
                     eigVec[1][c], eigVec[2][c]);
    }
    std::fprintf(out, "\n");
    std::fprintf(out, "DATA Q_EULER_SOLUTIONS  %7s  %7s  %7s\n", "ALPHA", "BETA", "GAMMA");
    for (int k = 1; k <= 4; ++k)
        std::fprintf(out, "DATA Q_EULER_ANGLES %2d  %7.2f  %7.2f  %7.2f\n", k,
                     writer.alpha[k - 1], writer.beta[k - 1], writer.gamma[k - 1]);
    std::fprintf(out, "\n\nREMARK Euler angles (psi/theta/phi) for rotation about x, y, z.\n\n");
    if (nD <= 0)
        t->eulerCount = saupe2euler(t->saupe, t->psiList, t->thetaList, t->phiList, t->eigVal,
                                    &t->da, &t->dr);
    for (int i = 0; i < 3; ++i) t->eigVal[i] = static_cast<float>(eigVal[i]);
    t->da = static_cast<float>(da);
    t->dr = static_cast<float>(dr);
    reportEuler(out, t);
}

// Order matrix, its irreducible form, the map of its axes and (with eulerFlag) the eigensystem
// and Euler solutions. Returns 1 when the analysis fails.
int writeOrderMatrix(FILE* out, DTensor* t, const settings::KorimInfo* k, int nD) {
    std::fprintf(out, "REMARK Order matrix.\n\n");
    std::fprintf(out, "DATA SAUPE_MATRIX     %s       %s      %s      %s      %s\n", "S(zz)",
                 "S(xx-yy)", "S(xy)", "S(xz)", "S(yz)");
    std::fprintf(out, "DATA SAUPE        % .4e % .4e % .4e % .4e % .4e\n\n", t->saupe[0],
                 t->saupe[1], t->saupe[2], t->saupe[3], t->saupe[4]);
    double saupe[5], irr[5], gen = 0.0, eigVec[3][3], eigVal[3], da = 0.0, dr = 0.0;
    for (int i = 0; i < 5; ++i) saupe[i] = t->saupe[i];
    if (analyzeSaupe(saupe, irr, &gen, eigVec, eigVal, k->yzFlag, &da, &dr, writer.alpha,
                     writer.beta, writer.gamma, k->eulerFlag) != 0) {
        std::fprintf(stderr, "KORIM: error occured in analyzeSaupe.\n");
        return 1;
    }
    std::fputs("DATA IRREDUCIBLE_REP    A0          A1R          A1I         A2R         A2I  \n",
               out);
    std::fprintf(out, "DATA IRREDUCIBLE    % .4e % .4e % .4e % .4e % .4e\n", irr[0], irr[1], irr[2],
                 irr[3], irr[4]);
    std::fprintf(out, "DATA IRREDUCIBLE GENERAL_MAGNITUDE");
    std::fprintf(out, "  % .4e\n\n", gen);
    writeMapping(out, eigVec);
    if (k->eulerFlag) writeEigenAndEuler(out, t, eigVec, eigVal, da, dr, nD);
    return 0;
}

// The name of a statistic in its record and in the remark that stands for it: of one medium of
// several (the word MEDIUM and its segment name before it, "of medium <name>" after it), or of
// the table.
struct StatName {
    std::string record;  // "RMS", "MEDIUM B502 RMS"
    std::string remark;  // "RMS", "RMS of medium B502"
};
StatName statName(const char* medium, const char* name) {
    if (medium == nullptr) return {name, name};
    return {std::string("MEDIUM ") + medium + " " + name, std::string(name) + " of medium " + medium};
}

// A statistic that is undefined over these couplings is left out, a remark saying why in its
// place: 0 would read as no correlation, or as perfect agreement.
void writeStatLine(FILE* out, const char* medium, const char* name, const char* gap, float value) {
    const StatName n = statName(medium, name);
    if (gap != nullptr)
        std::fputs(gapRemark(n.remark.c_str(), gap).c_str(), out);
    else
        // A medium's name and segment widen the name column, so that its values line up.
        std::fprintf(out, "DATA %-*s %.3f\n", static_cast<int>(20 + n.record.size() - std::strlen(name)),
                     n.record.c_str(), value);
}

// A regression line or, where undefined, its remark.
void writeRegressionLine(FILE* out, const char* medium, const char* name, const char* gap, float value,
                         float error) {
    if (gap != nullptr) {
        const StatName n = statName(medium, (std::string("REGRESSION ") + name).c_str());
        std::fputs(gapRemark(n.remark.c_str(), gap).c_str(), out);
        return;
    }
    std::fprintf(out, "DATA %s%-9s %.3f +/- %.3f [Hz]\n", statName(medium, "REGRESSION ").record.c_str(), name, value,
                 error);
}

// The statistics lines of the table (medium null) or of one medium of several.
void writeStatLines(FILE* out, const Stats& s, int qFlag, const char* medium = nullptr) {
    writeStatLine(out, medium, "RMS", nullptr, s.rms);
    writeStatLine(out, medium, "Chi2", nullptr, s.chi2);
    writeStatLine(out, medium, "CORR R", s.gaps.corr, s.corr);
    if (qFlag == 0) writeStatLine(out, medium, "Q RDC_RMS", s.gaps.q, s.q);
    if (qFlag == 1) writeStatLine(out, medium, "Q SAUPE", s.gaps.qIso, s.qIso);
    if (qFlag == 2) writeStatLine(out, medium, "Q STDDEV", nullptr, s.stdDev);
    writeRegressionLine(out, medium, "OFFSET", s.gaps.line, s.offset, s.errOffset);
    writeRegressionLine(out, medium, "SLOPE", s.gaps.line, s.slope, s.errSlope);
    writeRegressionLine(out, medium, "ZEB SLOPE", s.gaps.zeb, s.aveSlope, s.errAveSlope);
}

// The listed rows left out of the statistics (D back-calculated) or of the count DATA N (D a
// table's value).
int leftOutCount(const Stats& s, DColumn column) {
    return column == DColumn::kBackCalculated ? s.gaps.leftOut.total() : s.gaps.overLimit;
}

// What the rows left out are, as the REMARK line and the warning naming the table say it: by
// reason where D is back-calculated (statsExitsText), by the 888 Hz limit on either column where
// D is a table's value, which holds no statistics and leaves them out of its count DATA N.
std::string leftOutText(const Stats& s, DColumn column) {
    const int out = leftOutCount(s, column);
    std::string text = std::to_string(out) + " of its " + std::to_string(s.n + out) + " rows";
    if (column == DColumn::kBackCalculated) return text + statsExitsText(s.gaps.leftOut);
    return text + ", whose D_OBS or D is 888 Hz or more (a D that high marks a coupling as missing; one of -888 Hz "
                  "or less counts)";
}

std::string leftOutRemark(const Stats& s, DColumn column) {
    return std::string(column == DColumn::kBackCalculated ? "REMARK The statistics leave out "
                                                          : "REMARK DATA N leaves out ") +
           leftOutText(s, column) + ".\n";
}

// The statistics of the table, as far as its D compares with D_OBS (tableComparison).
void writeComparison(FILE* out, const Stats& s, const settings::KorimInfo* k) {
    const TableComparison c = tableComparison(k);
    if (!c.none.empty()) {
        std::fputs(gapRemark("comparison statistics", c.none.c_str()).c_str(), out);
        return;
    }
    if (c.dHolds == nullptr) {
        writeStatLines(out, s, k->qFlag);
        return;
    }
    std::fprintf(out, "REMARK %s.\n", c.dHolds);
    std::fprintf(out, "DATA RMS                  %.3f\n", s.rms);
    std::fprintf(out, "DATA Chi2                 %.3f\n", s.chi2);
    std::fputs(gapRemark("CORR R, Q or REGRESSION", c.rest).c_str(), out);
}

// VARS and FORMAT lines and one row per pair of valid rows; full = six value columns, whose D_DIFF
// is 9999 for the rows the statistics leave out (D back-calculated) or where either coupling is
// 999 Hz or more (D a table's value).
void writeTablePart(FILE* out, const DTable* dTab, bool full, DColumn column) {
    std::fprintf(out, "\n");
    writeDcAtomVars(out, dTab);
    std::fprintf(out, full ? " DI D_OBS D D_DIFF DD W\n" : " D DD W\n");
    writeDcAtomFormat(out, dTab);
    std::fputs(full ? " %9.2f %9.3f %9.3f %9.3f %.2f %.2f\n\n" : " %9.3f %9.3f %.2f\n\n", out);
    for (int i = 0; i < dTab->dCount; ++i) {
        const DInfo& o = dTab->dObsList[i];
        const DInfo& c = dTab->dCalcList[i];
        if (!o.valid || !c.valid) continue;
        // " % 9.2f % 9.4f % 9.4f % 9.4f %7.4f %.2f" (full) or " % 9.4f %7.4f %.2f".
        char row[kDcRowRoom];
        char* p = putDcAtomColumns(row, dTab, o);
        auto number = [&p](double v, int width, int prec, bool space) {
            *p++ = ' ';
            p = foundation::putFixed(p, v, width, prec, space);
        };
        if (full) {
            number(c.di, 9, 2, true);
            number(o.d, 9, 4, true);
        }
        number(c.d, 9, 4, true);
        if (full)
            number(column == DColumn::kBackCalculated ? statsDifference(o, c) : dcDifference(o, c), 9, 4, true);
        number(o.sigma, 7, 4, false);
        number(o.w, 0, 2, false);
        *p++ = '\n';
        std::fwrite(row, 1, static_cast<size_t>(p - row), out);
    }
}

// One medium of several and its statistics over its own rows.
struct MediumStats {
    const TableMedium* medium = nullptr;
    Stats stats;
    // Its segment name as the records write it: an empty one as the table's columns do.
    const char* name() const { return medium->segment[0] != '\0' ? medium->segment : "None"; }
};

// Each medium's records: its order matrix, fitted to its rows alone, the Da_HN and rhombicity of
// its analysis, and its statistics over those rows, whose Q SAUPE divides by that tensor.
void writeMedia(FILE* out, const std::vector<MediumStats>& media, const settings::KorimInfo* k,
                DColumn column) {
    std::fprintf(out, "\nREMARK Each medium's order matrix, fitted to its own rows (SEGNAME_I), and their "
                      "statistics.\n\n");
    for (const MediumStats& m : media) {
        const DTensor& t = m.medium->tensor;
        const char* name = m.name();
        float da = 0.0f, dr = 0.0f;
        analysedDaDr(t, k->yzFlag, &da, &dr);
        std::fprintf(out, "DATA MEDIUM %s SAUPE        % .4e % .4e % .4e % .4e % .4e\n", name, t.saupe[0],
                     t.saupe[1], t.saupe[2], t.saupe[3], t.saupe[4]);
        std::fprintf(out, "DATA MEDIUM %s Da_HN      % 8.6e\n", name, da * kDipolarNH);
        std::fprintf(out, "DATA MEDIUM %s Rhombicity % 8.6e\n", name, da != 0.0f ? dr / da : 0.0f);
        std::fprintf(out, "DATA MEDIUM %s N                    %d\n", name, m.stats.n);
        if (leftOutCount(m.stats, column) > 0)
            std::fprintf(out, "REMARK The statistics of medium %s leave out %s.\n", name,
                         leftOutText(m.stats, column).c_str());
        if (m.stats.n > 0) writeStatLines(out, m.stats, k->qFlag, name);
        std::fputc('\n', out);
    }
}

// The full report. With several media (media not empty) s holds the first medium's statistics,
// those of the tensor the order-matrix block prints, and each medium's records follow.
void writeFullReport(FILE* out, DTable* dTab, const settings::KorimInfo* k, const char* remark,
                     const Stats& s, const std::vector<MediumStats>& media, DColumn column, int* status) {
    *status = 0;
    std::fprintf(out, "REMARK Molecular Alignment Simulation.\n\n");
    if (remark) writeRemark(out, remark);
    std::fprintf(out, "REMARK Simulation parameters.\n");
    DTensor* t = &dTab->dTensor;
    writeModeBlock(out, k, t);
    std::string settingsBlock;
    settings::appendKorimSettings(k, settings::SettingsLayout::CouplingReport, &settingsBlock);
    std::fputs(settingsBlock.c_str(), out);
    std::fprintf(out, "\n\n");
    bool anySaupe = false;
    for (float v : t->saupe) anySaupe = anySaupe || v != 0.0f;
    if (anySaupe && writeOrderMatrix(out, t, k, s.n) != 0) {
        *status = 1;
        return;
    }
    std::fprintf(out, "\nREMARK Dipolar couplings.\n\n");
    bool anyRows = s.n > 0;
    if (!media.empty()) {
        std::fprintf(out,
                     "REMARK The order matrix above, DATA N and the statistics below are medium %s's, over its own "
                     "rows (the first of %zu media, -dcID); DATA MEDIUM records give each medium's.\n",
                     media[0].name(), media.size());
        for (const MediumStats& m : media) anyRows = anyRows || m.stats.n > 0;
    }
    std::fprintf(out, "DATA N                    %d\n", s.n);
    if (leftOutCount(s, column) > 0) std::fputs(leftOutRemark(s, column).c_str(), out);
    if (s.n > 0) writeComparison(out, s, k);
    if (!media.empty()) writeMedia(out, media, k, column);
    if (!anyRows) return;
    writeTablePart(out, dTab, true, column);
}

}  // namespace

void writeDCReset() { writer = WriterState{}; }

int reportTensorMode(FILE* outUnit, const DTensor* dTensor) {
    writeTensorModeLines(outUnit, dTensor);
    return 0;
}

FILE* openDcOutput(const char* outDName, const char* access) {
    FILE* out = foundation::openOutput(outDName, access != nullptr ? access : "w",
                                       "DC Error opening output file %s: %s\n");
    return out != nullptr ? out : stdout;
}

int closeDcOutput(FILE* out, const char* outDName) {
    // A table that did not reach its file (disk full, I/O error) is no result.
    return foundation::closeOutput(out, outDName, "DC Error writing output file %s: %s\n");
}

bool dcTextReady(const foundation::MemoryText& text, const char* outDName) {
    if (text.stream() != nullptr) return true;
    std::fprintf(stderr, "DC Error no memory for output file %s\n",
                 outDName == nullptr || outDName[0] == '\0' ? "(standard output)" : outDName);
    return false;
}

int writeDcText(std::string_view text, const char* outDName, const char* access) {
    if (foundation::refuseNonFinite(text, outDName)) return 1;
    FILE* out = openDcOutput(outDName, access);
    std::fwrite(text.data(), 1, text.size(), out);
    return closeDcOutput(out, outDName);
}

void writeDcAtomVars(FILE* out, const DTable* dTab) {
    std::fprintf(out, "VARS   ");
    for (const char* side : {"I", "J"}) {
        std::fprintf(out, " RESID_%s RESNAME_%s ATOMNAME_%s", side, side, side);
        if (dTab->nullChainName == 0) std::fprintf(out, " CHAINNAME_%s", side);
        if (dTab->nullSegName == 0) std::fprintf(out, " SEGNAME_%s", side);
    }
}

void writeDcAtomFormat(FILE* out, const DTable* dTab) {
    std::fputs("FORMAT ", out);
    for (int side = 0; side < 2; ++side) {
        std::fputs(" %4d %4s %4s", out);
        if (dTab->nullChainName == 0) std::fputs(" %4s", out);
        if (dTab->nullSegName == 0) std::fputs(" %4s", out);
    }
}

char* putDcAtomColumns(char* p, const DTable* dTab, const DInfo& o) {
    // Empty names are written as the null word, so that every row keeps its columns.
    auto word = [&p](const char* name) {
        *p++ = ' ';
        p = foundation::putWord(p, name[0] ? name : "None", 4);
    };
    const bool chain = dTab->nullChainName == 0, seg = dTab->nullSegName == 0;
    *p++ = ' ';
    p = foundation::putInt(p, o.resIDI, 4);
    word(o.resNameI);
    word(o.atomNameI);
    if (chain) word(o.chainNameI);
    if (seg) word(o.segNameI);
    *p++ = ' ';
    p = foundation::putInt(p, o.resIDJ, 4);
    word(o.resNameJ);
    word(o.atomNameJ);
    if (chain) word(o.chainNameJ);
    if (seg) word(o.segNameJ);
    return p;
}

void writeDcAtomColumns(FILE* out, const DTable* dTab, const DInfo& o) {
    char row[kDcRowRoom];
    std::fwrite(row, 1, static_cast<size_t>(putDcAtomColumns(row, dTab, o) - row), out);
}

float dcDifference(const DInfo& obs, const DInfo& calc) {
    return (obs.d >= kDiffLimit || calc.d >= kDiffLimit) ? kDiffMissing : obs.d - calc.d;
}

const char* correlationGap(const float* x, const float* y, int n) {
    if (n < 3) return "fewer than three couplings (a correlation needs three or more)";
    if (!hasSpread(x, n)) return "the measured couplings all have one value (a correlation needs spread in both sets)";
    if (!hasSpread(y, n)) return "the calculated couplings all have one value (a correlation needs spread in both sets)";
    return nullptr;
}

const char* regressionGap(const float* x, const float* y, int n, bool both) {
    if (n < 3) return "fewer than three couplings (a regression needs three or more)";
    if (!hasSpread(x, n)) return "the measured couplings all have one value (a regression needs their spread)";
    if (both && !hasSpread(y, n))
        return "the calculated couplings all have one value (the mean slope of both regressions needs their spread)";
    return nullptr;
}

namespace {

// A factor of a combined coupling as -c1 or -c2 gave it, in brackets when negative.
std::string couplingFactor(float c, const char* d) {
    char text[48];
    std::snprintf(text, sizeof text, c < 0.0f ? "(%g)*%s" : "%g*%s", static_cast<double>(c), d);
    return text;
}

// What -anDc writes as D: its action on D1 and D2 with the factors of the run.
std::string combination(const settings::KorimInfo* k) {
    const std::string a = couplingFactor(k->c1, "D1"), b = couplingFactor(k->c2, "D2");
    switch (k->opCode) {
        case settings::kOpAdd: return a + " + " + b;
        case settings::kOpSub: return a + " - " + b;
        case settings::kOpMul: return "(" + a + ")*(" + b + ")";
        case settings::kOpDiv: return "(" + a + ")/(" + b + ")";
        case settings::kOpMax: return a + " if D1 >= D2, else " + b;
        default: return "0";
    }
}

}  // namespace

TableComparison tableComparison(const settings::KorimInfo* k) {
    TableComparison c;
    switch (k->korimMode) {
        case settings::kModeDaHist:
            c.none = "-daHist fits no tensor and back-calculates no coupling: D repeats D_OBS";
            break;
        case settings::kModeDaFlex:
            c.none = "-daFlex fits no tensor and back-calculates no coupling: D repeats D_OBS";
            break;
        case settings::kModeDaMl:
            if (k->histInfo.mlMap != 1) {
                c.none = "-daMl fits no tensor and back-calculates no coupling: D repeats D_OBS";
                break;
            }
            c.dHolds = "D is the centre of the range of couplings that the answer's Da and R, within "
                       "their errors, allow at the orientations where each measured coupling lies "
                       "within its error, and DD half that range's width (a coupling no orientation "
                       "allows keeps D = D_OBS and DD 0); no coupling is back-calculated from a tensor";
            c.rest = "D is formed from D_OBS and the answer's Da and R alone, without a tensor's "
                     "orientation: they would compare the couplings with themselves";
            break;
        case settings::kModeConvert:
            c.none = "-conv back-calculates no coupling: D is D_OBS converted (with noise or scaled "
                     "where asked)";
            break;
        case settings::kModeAnalyzeDc:
            c.none = "-anDc back-calculates no coupling: D is " + combination(k) +
                     ", where D1 is the coupling of -inD1 (D_OBS) and D2 that of the same atoms in -inD2";
            break;
        default:
            break;
    }
    return c;
}

std::string gapRemark(const char* name, const char* why) {
    return std::string("REMARK No ") + name + ": " + why + ".\n";
}

namespace {

// The agreement statistics of getStatDCmod into s (every field set), over the rows of segment
// (their SEGNAME_I; null: every row), their Q against tensor. Returns 0, or 1 after "Error
// allocating temporary buffers.".
int statsOf(const DTable* dTab, const DTensor& tensor, const char* segment, DColumn column, Stats* s) {
    *s = Stats{};
    const int count = dTab->dCount > 0 ? dTab->dCount : 0;
    StatArray x, y, sig, xc, yc;
    if (!x.alloc(count + 1) || !y.alloc(count + 1) || !sig.alloc(count + 1) ||
        !xc.alloc(count + kCopyMargin + 1) || !yc.alloc(count + kCopyMargin + 1)) {
        std::fprintf(stderr, "Error allocating temporary buffers.\n");
        return 1;
    }
    StatGaps& found = s->gaps;
    int n = 0;
    double sumDiff = 0.0, sumDiff2 = 0.0, sumX2 = 0.0, chi2 = 0.0;
    float diRef = 0.0f;
    for (int i = 0; i < count; ++i) {
        const DInfo& o = dTab->dObsList[i];
        const DInfo& c = dTab->dCalcList[i];
        if (!o.valid || !c.valid) continue;
        if (segment != nullptr && std::strncmp(o.segNameI, segment, sizeof o.segNameI - 1) != 0) continue;
        if (column == DColumn::kBackCalculated) {
            // A back-calculated D of any size counts; a row of weight 0 has none.
            const StatsExit exit = statsExit(o, c);
            if (exit != StatsExit::kNone) {
                found.leftOut.add(exit);
                continue;
            }
        } else if (!(o.d < kDcMissingFrom) || !(c.d < kDcMissingFrom)) {
            ++found.overLimit;
            continue;
        }
        ++n;
        x.p[n] = c.w * o.d;
        y.p[n] = c.w * c.d;
        sig.p[n] = o.sigma;
        const float diff = x.p[n] - y.p[n];
        sumDiff += diff;
        sumDiff2 += static_cast<double>(diff) * diff;
        sumX2 += static_cast<double>(x.p[n]) * x.p[n];
        const float sd = o.sigma == 0.0f ? 1.0f : o.sigma;
        const float q = diff / sd;  // rounded to single precision before squaring
        chi2 += static_cast<double>(q) * q;
        if (n == 1 || std::fabs(c.di) > std::fabs(diRef)) diRef = c.di;
    }
    s->n = n;
    if (n == 0) return 0;
    // Rounding may leave the variance a hair below zero for identical differences.
    const double var = (sumDiff2 - sumDiff * sumDiff / n) / n;
    s->stdDev = static_cast<float>(var > 0.0 ? std::sqrt(var) : 0.0);
    s->q = sumX2 != 0.0 ? static_cast<float>(std::sqrt(sumDiff2 / sumX2)) : 0.0f;
    if (sumX2 == 0.0) found.q = kQGapObserved;
    s->rms = static_cast<float>(std::sqrt(sumDiff2 / n));
    s->chi2 = static_cast<float>(chi2);

    // Q SAUPE divides the RMS printed beside it by the size of the tensor printed beside it, Da in
    // Hz of the pair of the largest constant: a weight scales the RMS through its rows, never the
    // tensor, so that no one row's weight moves Q.
    if (sumX2 == 0.0) {
        found.qIso = kQGapObservedTensor;
    } else {
        float da = 0.0f, dr = 0.0f;
        printedDaDr(tensor, &da, &dr);
        const float a = diRef * da;
        float dRms = 0.0f;
        if (a != 0.0f) {
            const float r = (diRef * dr) / a;
            const float inner = (3.0f * r * r + 4.0f) * (2.0f * a) * a / 5.0f;
            dRms = static_cast<float>(std::sqrt(static_cast<double>(inner)));
        }
        // A Da so small beside Dr that their ratio overflows, or a Da of 0 beside a Dr, still
        // leaves a tensor of a size: the RMS coupling of both, without their ratio.
        if (a == 0.0f || !std::isfinite(dRms)) {
            const double ad = static_cast<double>(diRef) * da;
            const double bd = static_cast<double>(diRef) * dr;
            dRms = static_cast<float>(std::sqrt((3.0 * bd * bd + 4.0 * ad * ad) * 2.0 / 5.0));
        }
        if (dRms != 0.0f)
            s->qIso = s->rms / dRms;
        else
            found.qIso = kQGapTensor;
    }
    found.corr = correlationGap(x.p, y.p, n);
    found.line = regressionGap(x.p, y.p, n, false);
    found.zeb = regressionGap(x.p, y.p, n, true);

    // Correlation and regression need two degrees of freedom for their errors.
    if (n < 3) return 0;
    float r = 0.0f, prob = 0.0f, z = 0.0f;
    pearsn(x.p, y.p, n, &r, &prob, &z);
    s->corr = r;
    float fa = 0.0f, fb = 0.0f, sa = 0.0f, sb = 0.0f, fchi2 = 0.0f, fq = 0.0f;
    if (hasSpread(x.p, n)) {
        fit(x.p, y.p, n, sig.p, 0, &fa, &fb, &sa, &sb, &fchi2, &fq);
        s->offset = fa;
        s->slope = fb;
        s->errOffset = sa;
        s->errSlope = sb;
    }
    for (int i = 1; i < xc.n; ++i) {
        xc.p[i] = i <= n ? x.p[i] : 0.0f;
        yc.p[i] = i <= n ? y.p[i] : 0.0f;
    }
    float b1 = 0.0f, s1 = 0.0f, b2 = 0.0f, s2 = 0.0f;
    if (hasSpread(xc.p, n)) fit(xc.p, yc.p, n, sig.p, 0, &fa, &b1, &sa, &s1, &fchi2, &fq);
    if (hasSpread(yc.p, n)) fit(yc.p, xc.p, n, sig.p, 0, &fa, &b2, &sa, &s2, &fchi2, &fq);
    if (b2 != 0.0f) {
        s->aveSlope = (1.0f / b2 + b1) / 2.0f;
        s->errAveSlope = std::sqrt((s2 / (b2 * b2)) * (s2 / (b2 * b2)) + s1 * s1) * s->aveSlope * 0.5f;
    }
    return 0;
}

}  // namespace

int getStatDCmod(const DTable* dTab, float* rSumD2, float* pSumD, float* stdDevD, float* qD,
                 float* qIsoD, float* coorR, float* offset, float* errOffset, float* slope,
                 float* errSlope, float* aveSlope, float* errAveSlope, int* nD, StatGaps* gaps,
                 DColumn column) {
    Stats s;
    const int status = statsOf(dTab, dTab->dTensor, nullptr, column, &s);
    if (status != 0) s = Stats{};
    *rSumD2 = s.rms, *pSumD = s.chi2, *stdDevD = s.stdDev, *qD = s.q, *qIsoD = s.qIso, *coorR = s.corr;
    *offset = s.offset, *errOffset = s.errOffset, *slope = s.slope, *errSlope = s.errSlope;
    *aveSlope = s.aveSlope, *errAveSlope = s.errAveSlope;
    *nD = s.n;
    if (gaps != nullptr) *gaps = s.gaps;
    return status;
}

int reportEuler(FILE* outUnit, const DTensor* t) {
    int count = t->eulerCount;
    if (count < 0) count = 0;
    if (count > kMaxEuler) count = kMaxEuler;  // the lists hold no more
    std::fprintf(outUnit, "DATA EULER_SOLUTIONS %d\n", t->eulerCount);
    for (int i = 0; i < count; ++i)
        std::fprintf(outUnit, "DATA EULER_ANGLES % 7.2f % 7.2f % 7.2f\n", t->psiList[i],
                     t->thetaList[i], t->phiList[i]);
    std::fprintf(outUnit, "\n");
    std::fprintf(outUnit, "DATA Da % e\n", t->da);
    std::fprintf(outUnit, "DATA Dr % e\n", t->dr);
    std::fprintf(outUnit, "\n\n");
    std::fprintf(outUnit, "DATA Aa % e\n", 2.0f * t->da);
    std::fprintf(outUnit, "DATA Ar % e\n", 2.0f * t->dr);
    std::fprintf(outUnit, "\n\n");
    std::fprintf(outUnit, "DATA Da_HN      % 8.6e\n", t->da * kDipolarNH);
    std::fprintf(outUnit, "DATA Rhombicity % 8.6e\n", t->da != 0.0f ? t->dr / t->da : 0.0f);
    std::fprintf(outUnit, "\n");
    if (dbgFlag) {
        float s[5] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        euler2saupe(s, t->psiList[0], t->thetaList[0], t->phiList[0], t->da, t->dr);
        std::fprintf(stderr, "REMARK S %f %f %f %f %f\n\n", s[0], s[1], s[2], s[3], s[4]);
    }
    return 0;
}

int writeDCmod(const char* outDName, const char* access, DTable* dTab,
               const settings::KorimInfo* korimInfo, const char* remark, const TableMedium* media,
               int mediaCount) {
    assert(dTab && korimInfo);
    const bool toStdout = outDName == nullptr || outDName[0] == '\0';
    const bool full = korimInfo->verbFlag != 0;
    // A table without statistics holds no back-calculated D, but a table's value.
    const DColumn column = tableComparison(korimInfo).none.empty() ? DColumn::kBackCalculated : DColumn::kTableValue;
    // Several media: the table's statistics are the first medium's, each medium's its own.
    std::vector<MediumStats> mediaStats;
    for (int m = 0; media != nullptr && mediaCount > 1 && m < mediaCount; ++m) mediaStats.push_back({&media[m], {}});
    Stats s;
    s.n = dTab->dCount;
    bool statsFailed = false;
    if (full) {
        statsFailed = statsOf(dTab, dTab->dTensor, mediaStats.empty() ? nullptr : media[0].segment, column, &s) != 0;
        for (MediumStats& m : mediaStats)
            statsFailed = statsFailed || statsOf(dTab, m.medium->tensor, m.medium->segment, column, &m.stats) != 0;
    }
    if (statsFailed) {
        // No report at all rather than one that shows a perfect fit.
        std::fprintf(stderr, "DC Error no statistics, output file %s not written\n",
                     toStdout ? "(standard output)" : outDName);
        return 1;
    }
    // Products and ratios of -anDc are no couplings: the coupling limits say nothing of them, so
    // the report lists every row the table holds and counts each.
    if (full && korimInfo->korimMode == settings::kModeAnalyzeDc &&
        (korimInfo->opCode == settings::kOpMul || korimInfo->opCode == settings::kOpDiv)) {
        s.n = 0;
        s.gaps.overLimit = 0;
        s.gaps.leftOut = StatsExits{};
        for (int i = 0; i < dTab->dCount; ++i)
            s.n += dTab->dObsList[i].valid && dTab->dCalcList[i].valid ? 1 : 0;
    }
    // The table is formatted whole first: one that carries a number that is not finite is not
    // written at all.
    foundation::MemoryText text;
    if (!dcTextReady(text, outDName)) return 1;
    int status = 0;
    if (full) {
        writeFullReport(text.stream(), dTab, korimInfo, remark, s, mediaStats, column, &status);
    } else {
        std::fprintf(text.stream(), "DATA SEQUENCE \n");
        if (dTab->dCount > 0) writeTablePart(text.stream(), dTab, false, column);
    }
    if (writeDcText(text.text(), outDName, access) != 0) return 1;
    // The warning counts the rows every medium's statistics leave out.
    if (!mediaStats.empty()) {
        s = Stats{};
        for (const MediumStats& m : mediaStats) {
            s.n += m.stats.n;
            s.gaps.leftOut.missing += m.stats.gaps.leftOut.missing;
            s.gaps.leftOut.weightZero += m.stats.gaps.leftOut.weightZero;
        }
    }
    if (full && status == 0 && leftOutCount(s, column) > 0) {
        const bool statistics = column == DColumn::kBackCalculated;
        const std::string line = std::string("DC Warning: ") + (statistics ? "the statistics of " : "DATA N of ") +
                                 (toStdout ? "the table (standard output)" : outDName) +
                                 (statistics ? " leave out " : " leaves out ") + leftOutText(s, column) + ".\n";
        const bool appended = access != nullptr && access[0] == 'a';
        if (!appended || line != writer.appendedGapLine) std::fputs(line.c_str(), stderr);
        writer.appendedGapLine = appended ? line : std::string();
    }
    return status;
}

}  // namespace korim::couplings
