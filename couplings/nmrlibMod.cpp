// Tensor options of the command line, in the application's form and in the self-contained form:
// how the alignment tensor is obtained, its start values and search limits.
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "couplings/dc.h"
#include "foundation/cmndargs.h"

namespace korim::couplings {

using namespace korim::foundation;

namespace {

constexpr float kRhLimit = 0.6666667f;  // largest rhombicity

struct ModeSwitch {
    const char* flag;
    int mode;
};

// Tested in the order given, so that a later switch present overrides an earlier one.
void readModeSwitches(int argc, char** argv, std::initializer_list<ModeSwitch> switches, int* mode) {
    for (const ModeSwitch& s : switches)
        if (flagLoc(argc, argv, s.flag)) *mode = s.mode;
}

struct FloatOption {
    const char* flag;
    float* value;
};

// Each option present sets its value; 1 when any of them was given.
int readFloats(int argc, char** argv, std::initializer_list<FloatOption> options) {
    int any = 0;
    for (const FloatOption& o : options) any |= fltArgD(argc, argv, o.flag, o.value);
    return any;
}

void readAngleLimits(int argc, char** argv, DTensor& t) {
    readFloats(argc, argv, {{"-psiMin", &t.psiMin}, {"-psiMax", &t.psiMax},
                            {"-thetaMin", &t.thetaMin}, {"-thetaMax", &t.thetaMax},
                            {"-phiMin", &t.phiMin}, {"-phiMax", &t.phiMax}});
}

void readEulerSwitch(int argc, char** argv, DTensor& t) {
    if (flagLoc(argc, argv, "-euler")) t.eulerFlag = 1;
    if (flagLoc(argc, argv, "-noeuler")) t.eulerFlag = 0;
}

// "-saupe", or else "-align", with exactly five numbers before the next flag: userSaupe.
// Returns 0 (also when neither option is given), or 1 with a message.
int readUserSaupe(int argc, char** argv, DTensor* t) {
    int n = 0;
    char** words = ptrListArg(argc, argv, "-saupe", &n);
    if (words == nullptr) words = ptrListArg(argc, argv, "-align", &n);
    if (words == nullptr) return 0;
    bool numbers = n == 5;
    for (int k = 0; numbers && k < 5; ++k) numbers = isNumber(words[k]) != 0;
    if (!numbers) {
        std::fprintf(stderr, "MERIDO Error: -saupe option requires 5 values.\n");
        return 1;
    }
    for (int k = 0; k < 5; ++k) t->userSaupe[k] = static_cast<float>(std::strtod(words[k], nullptr));
    return 0;
}

const char* const kTensorHelp[] = {
    "Alignment Tensor Specification Methods:\n",
    " -svd         SVD Calc of Saupe Matrix (Default).\n",
    " -saupe sList List of 5 Saupe Values (also: -align).\n",
    " -fit         Nonlinear Fit with Variation of one or\n",
    "              more of: Da, Dr or Rh, and Rotations.\n",
    " -fixed       Fixed Da, Dr or Rh, and Rotations.\n",
    " -nofixed     Same as -fit.\n",
    "Predefined Nonlinear Fitting Modes (Use Only One):\n",
    " -dadr        Fixed Da and Dr, Variable Rotations.\n",
    " -rot         Fixed Rotations, Variable Da and Dr.\n",
    " -rotdr       Fixed Dr and Rotations, Variable Da.\n",
    " -rotrh       Fixed Rh and Rotations, Variable Da.\n",
    "Alignment Tensor Magnitude (Da) Limits:\n",
    " -da          [1.0e-3]  Initial Da Value.\n",
    " -daMin      [-1.0e-2]  Minimum Da Value.\n",
    " -daMax       [1.0e-2]  Maximum Da Value.\n",
    "Alignment Tensor Dr or Rhombicity Limits:\n",
    " -dr          [1.0e-4]  Initial Dr Value.\n",
    " -drMin      [-1.0e-2]  Minimum Dr Value.\n",
    " -drMax       [1.0e-2]  Maximum Dr Value.\n",
    " -rh          [0.5]     Initial Rhombicity Value.\n",
    " -rhMin       [0.0]     Minimum Rhombicity Value.\n",
    " -rhMax       [0.6666]  Maximum Rhombicity Value.\n",
    "Rotation Angle Starting Values and Limits:\n",
    " -psi           [45.0]  Initial X-Axis Rotation.\n",
    " -psiMax       [360.0]  Maximum X-Axis Rotation.\n",
    " -psiMin      [-360.0]  Minimum X-Axis Rotation.\n",
    " -theta         [45.0]  Initial Y-Axis Rotation.\n",
    " -thetaMax     [360.0]  Maximum Y-Axis Rotation.\n",
    " -thetaMin    [-360.0]  Minimum Y-Axis Rotation.\n",
    " -phi           [45.0]  Initial Z-Axis Rotation.\n",
    " -phiMax       [360.0]  Maximum Z-Axis Rotation.\n",
    " -phiMin      [-360.0]  Minimum Z-Axis Rotation.\n",
    "Extraction of Da, Dr Etc (for -svd and -saupe):\n",
    " -euler    Solve for Euler Angles, Da, Dr (Default).\n",
    " -noeuler  Don't Solve for Euler Angles.\n",
};

void pin(float* value, float* lo, float* hi) { *lo = *hi = *value; }

void pinAngles(DTensor& t) {
    pin(&t.psi, &t.psiMin, &t.psiMax);
    pin(&t.theta, &t.thetaMin, &t.thetaMax);
    pin(&t.phi, &t.phiMin, &t.phiMax);
}

// Below the minimum: the minimum; then above the maximum: the maximum (crossed limits: maximum).
void clampTo(float* value, float lo, float hi) {
    if (*value < lo) *value = lo;
    if (*value > hi) *value = hi;
}

float rhLimited(float rh) { return rh < 0.0f ? 0.0f : (rh > kRhLimit ? kRhLimit : rh); }

// Nonlinear variants and their limits: -dadr, -rot, -rotdr, -rotrh, then the -fixed pinning.
void readVariants(int argc, char** argv, DTensor& t) {
    if (flagLoc(argc, argv, "-dadr")) {
        t.tensorMode = kTensorFitNonlin;
        pin(&t.da, &t.daMin, &t.daMax);
        pin(&t.dr, &t.drMin, &t.drMax);
    }
    if (flagLoc(argc, argv, "-rot")) {
        t.tensorMode = kTensorFitNonlin;
        pinAngles(t);
    }
    if (flagLoc(argc, argv, "-rotdr")) {
        t.tensorMode = kTensorFitNonlin;
        pin(&t.dr, &t.drMin, &t.drMax);
        pinAngles(t);
    }
    if (flagLoc(argc, argv, "-rotrh")) {
        t.tensorMode = kTensorFitNonlin;
        pin(&t.rh, &t.rhMin, &t.rhMax);
        pinAngles(t);
        t.rhFlag = 1;
    }
    if (t.tensorMode == kTensorFixed) {
        pin(&t.da, &t.daMin, &t.daMax);
        pin(&t.dr, &t.drMin, &t.drMax);
        pin(&t.rh, &t.rhMin, &t.rhMax);
        pinAngles(t);
    }
}

}  // namespace

int getDCTensorParams(int argc, char** argv, DTensor* tInfo) {
    if (tInfo == nullptr) return 0;
    DTensor& t = *tInfo;
    dTensorNull(&t);

    // Later switches win: -nofixed beats -fixed, -dadr beats both.
    readModeSwitches(argc, argv,
                     {{"-svd", kTensorSVD}, {"-saupe", kTensorSaupe}, {"-align", kTensorSaupe},
                      {"-fixed", kTensorFixed}, {"-nofixed", kTensorNoFixed},
                      {"-dadr", kTensorDaDr}},
                     &t.tensorMode);
    readEulerSwitch(argc, argv, t);

    const int gotDa = fltArgD(argc, argv, "-da", &t.da);
    const int gotDr = fltArgD(argc, argv, "-dr", &t.dr);
    if ((gotDa || gotDr) && t.tensorMode == kTensorSVD) t.tensorMode = kTensorDaDr;
    if (t.tensorMode == kTensorDaDr || t.tensorMode == kTensorFixed) {
        pin(&t.da, &t.daMin, &t.daMax);
        pin(&t.dr, &t.drMin, &t.drMax);
    }

    readFloats(argc, argv, {{"-daMin", &t.daMin}, {"-daMax", &t.daMax}, {"-drMin", &t.drMin},
                            {"-drMax", &t.drMax}, {"-psi", &t.psi}, {"-theta", &t.theta},
                            {"-phi", &t.phi}});
    if (t.tensorMode == kTensorFixed) pinAngles(t);
    // Explicit limits override the pinning above.
    readAngleLimits(argc, argv, t);

    return readUserSaupe(argc, argv, &t);
}


int getDTensorParams(int argc, char** argv, DTensor* tInfo) {
    if (tInfo == nullptr) return 0;
    if (flagLoc(argc, argv, "-help")) {
        for (const char* line : kTensorHelp) std::fputs(line, stderr);
        return 0;
    }
    DTensor& t = *tInfo;
    dTensorNull(&t);

    // Later switches win.
    readModeSwitches(argc, argv,
                     {{"-svd", kTensorSVD}, {"-saupe", kTensorSaupe}, {"-align", kTensorSaupe},
                      {"-fit", kTensorFitNonlin}, {"-fixed", kTensorFixed},
                      {"-nofixed", kTensorFitNonlin}},
                     &t.tensorMode);
    readEulerSwitch(argc, argv, t);

    const int gotDr = fltArgD(argc, argv, "-dr", &t.dr);
    const int gotRh = fltArgD(argc, argv, "-rh", &t.rh);
    readFloats(argc, argv, {{"-da", &t.da}, {"-psi", &t.psi}, {"-theta", &t.theta},
                            {"-phi", &t.phi}});
    readVariants(argc, argv, t);

    // Explicit limits override the pinning above.
    readFloats(argc, argv, {{"-daMin", &t.daMin}, {"-daMax", &t.daMax}});
    const int gotDrLimit = readFloats(argc, argv, {{"-drMin", &t.drMin}, {"-drMax", &t.drMax}});
    const int gotRhLimit = readFloats(argc, argv, {{"-rhMin", &t.rhMin}, {"-rhMax", &t.rhMax}});
    if (gotRh || gotRhLimit) {
        t.rhFlag = 1;
        if (gotDr || gotDrLimit)
            std::fprintf(stderr, "DC Tensor Warning: mixed use of Dr and Rhombicity arguments.\n");
    }
    readAngleLimits(argc, argv, t);

    t.rhMin = rhLimited(t.rhMin);
    t.rhMax = rhLimited(t.rhMax);
    clampTo(&t.da, t.daMin, t.daMax);
    clampTo(&t.dr, t.drMin, t.drMax);
    clampTo(&t.rh, t.rhMin, t.rhMax);
    clampTo(&t.psi, t.psiMin, t.psiMax);
    clampTo(&t.theta, t.thetaMin, t.thetaMax);
    clampTo(&t.phi, t.phiMin, t.phiMax);

    return readUserSaupe(argc, argv, &t);
}

}  // namespace korim::couplings
