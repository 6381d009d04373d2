// Tensor options of the command line: how the alignment tensor is obtained, its start values
// and search limits.
#include <cstdio>
#include <cstdlib>

#include "couplings/dc.h"
#include "foundation/cmndargs.h"

namespace korim::couplings {

using namespace korim::foundation;

int getDCTensorParams(int argc, char** argv, DTensor* tInfo) {
    if (tInfo == nullptr) return 0;
    DTensor& t = *tInfo;
    dTensorNull(&t);

    // Later switches win: -nofixed beats -fixed, -dadr beats both.
    if (flagLoc(argc, argv, "-svd")) t.tensorMode = kTensorSVD;
    if (flagLoc(argc, argv, "-saupe")) t.tensorMode = kTensorSaupe;
    if (flagLoc(argc, argv, "-align")) t.tensorMode = kTensorSaupe;
    if (flagLoc(argc, argv, "-fixed")) t.tensorMode = kTensorFixed;
    if (flagLoc(argc, argv, "-nofixed")) t.tensorMode = kTensorNoFixed;
    if (flagLoc(argc, argv, "-dadr")) t.tensorMode = kTensorDaDr;

    if (flagLoc(argc, argv, "-euler")) t.eulerFlag = 1;
    if (flagLoc(argc, argv, "-noeuler")) t.eulerFlag = 0;

    const int gotDa = fltArgD(argc, argv, "-da", &t.da);
    const int gotDr = fltArgD(argc, argv, "-dr", &t.dr);
    if ((gotDa || gotDr) && t.tensorMode == kTensorSVD) t.tensorMode = kTensorDaDr;
    if (t.tensorMode == kTensorDaDr || t.tensorMode == kTensorFixed) {
        t.daMin = t.daMax = t.da;
        t.drMin = t.drMax = t.dr;
    }

    fltArgD(argc, argv, "-daMin", &t.daMin);
    fltArgD(argc, argv, "-daMax", &t.daMax);
    fltArgD(argc, argv, "-drMin", &t.drMin);
    fltArgD(argc, argv, "-drMax", &t.drMax);
    fltArgD(argc, argv, "-psi", &t.psi);
    fltArgD(argc, argv, "-theta", &t.theta);
    fltArgD(argc, argv, "-phi", &t.phi);
    if (t.tensorMode == kTensorFixed) {
        t.psiMin = t.psiMax = t.psi;
        t.thetaMin = t.thetaMax = t.theta;
        t.phiMin = t.phiMax = t.phi;
    }
    // Explicit limits override the pinning above.
    fltArgD(argc, argv, "-psiMin", &t.psiMin);
    fltArgD(argc, argv, "-psiMax", &t.psiMax);
    fltArgD(argc, argv, "-thetaMin", &t.thetaMin);
    fltArgD(argc, argv, "-thetaMax", &t.thetaMax);
    fltArgD(argc, argv, "-phiMin", &t.phiMin);
    fltArgD(argc, argv, "-phiMax", &t.phiMax);

    int loc = flagLoc(argc, argv, "-saupe");
    if (loc == 0) loc = flagLoc(argc, argv, "-align");
    if (loc == 0) return 0;
    if (nextFlag(argc, argv, loc) != loc + 6) {
        std::fprintf(stderr, "MERIDO Error: -saupe option requires 5 values.\n");
        return 1;
    }
    for (int k = 0; k < 5; ++k) {
        const char* word = getNthArg(argc, argv, loc + 1 + k);
        t.userSaupe[k] = word != nullptr ? static_cast<float>(std::strtod(word, nullptr)) : 0.0f;
    }
    return 0;
}

}  // namespace korim::couplings
