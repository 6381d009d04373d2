// Tensor settings copied between tensors, and the x, y, z Euler solutions of a principal frame
// stored into a tensor.
#include "couplings/dc.h"

namespace korim::couplings {

int dTensorCopy(DTensor* tInfoA, const DTensor* tInfoB) {
    DTensor& a = *tInfoA;
    const DTensor& b = *tInfoB;
    a.da = b.da, a.daMin = b.daMin, a.daMax = b.daMax;
    a.dr = b.dr, a.drMin = b.drMin, a.drMax = b.drMax;
    a.psi = b.psi, a.psiMin = b.psiMin, a.psiMax = b.psiMax;
    a.theta = b.theta, a.thetaMin = b.thetaMin, a.thetaMax = b.thetaMax;
    a.phi = b.phi, a.phiMin = b.phiMin, a.phiMax = b.phiMax;
    for (int k = 0; k < kMaxEuler; ++k) {
        a.psiList[k] = b.psiList[k];
        a.thetaList[k] = b.thetaList[k];
        a.phiList[k] = b.phiList[k];
    }
    for (int k = 0; k < 5; ++k) {
        a.saupe[k] = b.saupe[k];
        a.dSaupe[k] = b.dSaupe[k];
        a.userSaupe[k] = b.userSaupe[k];
    }
    for (int k = 0; k < 3; ++k) a.eigVal[k] = b.eigVal[k];
    a.tensorMode = b.tensorMode;
    a.eulerFlag = b.eulerFlag;
    a.eulerCount = b.eulerCount;
    return 0;  // rh, its limits and rhFlag stay the target's own
}

int getEulerDC(float eigenVec[3][3], DTensor* dTensor) {
    DTensor& t = *dTensor;
    t.eulerCount = rot2euler(eigenVec, t.psiList, t.thetaList, t.phiList);
    euler2saupe(t.saupe, t.psiList[0], t.thetaList[0], t.phiList[0], t.da, t.dr);
    return t.eulerCount;
}

}  // namespace korim::couplings
