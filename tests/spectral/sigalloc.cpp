// Allocation failures in the set-up of the signal-processing tools: each
// failure is reported with status 1 and the record can still be released.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "spectral/apod.h"
#include "spectral/dmusic.h"
#include "spectral/ftnet.h"
#include "spectral/ipl.h"
#include "spectral/lp2d.h"
#include "spectral/lpc.h"
#include "spectral/ml.h"
#include "spectral/phasetab.h"
#include "spectral/qmix.h"
#include "spectral/sase.h"
#include "spectral/solvent.h"
#include "tests/support/allocfail.h"
#include "tests/support/files.h"

using namespace korim::spectral;

namespace {

// Sweeps one set-up: a round whose allocation failed must report 1, a clean round 0 and, unless the
// tool keeps a work space for the run, leave nothing allocated once released.
void sweep(const char *name, const std::function<int()> &init, const std::function<void()> &release,
           bool keepsWork = false) {
  int status = 0;
  int failed = korim_test::sweepAllocationFailures(
      [&](int) {
        status = init();
        release();
      },
      [&](int n, bool fired, const std::string &err) {
        EXPECT_EQ(fired ? 1 : 0, status) << name << ", allocation " << n << ":\n" << err;
        if (!fired && !keepsWork) { EXPECT_EQ(0, korim::foundation::memoryBytesUsed()) << name; }
      });
  EXPECT_GT(failed, 0) << name;
}

}  // namespace

TEST(SignalAllocation, EveryFailureReported) {
  psBuff ps;
  sweep("phase", [&] {
    phaseNull(&ps);
    return phaseExpInit(&ps, 16, 45.0f, 2.0f);
  }, [&] { phaseFree(&ps); });
  float *w = nullptr;
  sweep("apod", [&] { return apodInit(APOD_SP, &w, 16, 1, 16, 1, 0, 1, 1, 0, 0, 0); }, [&] { apodFree(&w, 16); });
  LPBuff lp;
  sweep("lpc", [&] {
    lpcNull(&lp);
    return lpcInit(&lp, 32, 8, 4, 4, 1, 1, 0, 0);
  }, [&] { lpcFree(&lp); });
  LP2DBuff *lp2 = nullptr;
  sweep("lp2d", [&] { return lp2DInit(&lp2, 8, 8, 2, 2, 10, 10, 1, 0); }, [&] { lp2DFree(&lp2); });

  solventBuf solv;
  sweep("solvent", [&] {
    solventNull(&solv);
    solv.size = 64, solv.filtSize = 4;
    return solventInit(&solv);
  }, [&] { solventFree(&solv); });

  ImageBuff im;
  sweep("ipl", [&] {
    iplNull(&im);
    iplReset();
    int status = iplInit(&im, 5, 4, 1, 1);
    return status ? status : iplFilter(&im, 2, nullptr, 1, 1);
  }, [&] { iplFree(&im); }, true);

  QMixBuff q;
  std::vector<std::string> words = {"qmix", "-ic", "2", "-oc", "2"};
  std::vector<char *> argv;
  for (auto &w : words) argv.push_back(w.data());
  sweep("qmix", [&] {
    qMixNull(&q);
    return qMixInit(int(argv.size()), argv.data(), 8, &q);
  }, [&] { qMixFree(&q); });

  SASEBuff s;
  int tSize[4] = {16}, fSize[4] = {32}, type[4] = {1};
  float dMin[4] = {0}, dMax[4] = {2}, dTol[4] = {0.1f}, dInit[4] = {0}, fTol[4] = {0.1f}, p0[4] = {0}, p1[4] = {0};
  sweep("sase", [&] {
    saseNull(&s);
    return saseInit(&s, tSize, fSize, 1, 1, 2, type, dMin, dMax, dTol, dInit, fTol, p0, p1, 1, 100, 2, 10,
                    0, 2, 100, 1, 1, 0);
  }, [&] { saseFree(&s); });

  DMUSICBuff *d = nullptr;
  sweep("dmusic", [&] { return dmusicInit(&d, 16, 16, 1, 2, 0, 16, 1, 0, 4, 1, 0, 0); },
        [&] { dmusicFree(d); d = nullptr; });

  sweep("ml", [&] { return ml1DInit(32); }, [&] { ml1DFree(); });

  korim_test::TempDir dir;
  const std::string path = korim_test::writeFile(dir / "weights.txt", "1 2 3 4\n");
  FTNetInfo f;
  sweep("ftnet", [&] {
    ftNetNull(&f);
    return ftNetInit(&f, 1, 1, 1, 0, path.c_str());
  }, [&] { ftNetFree(&f); });
}
