// Fuzz target: spectral unit texts and the option readers that take them. The first 16 bytes are
// the sweep width, observe frequency, origin and size of one dimension (raw floats), byte 16
// chooses the dimension (bits 0-1) and an interleaved layout (bit 2); the rest are words. Each
// word is converted every way to and from points; then the words are an argument vector for
// specArgD and its kin, specList2Pnt, and the header update (-select, -fdata). A reader that
// reports success with a value that is not finite, or a header update that leaves a word not
// finite, is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/cmndargs.h"
#include "foundation/memory.h"
#include "spectral/fdatap.h"
#include "spectral/specunit.h"
#include "spectral/tessmar.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::spectral;

namespace {

int noChange(ProcDataInfo*) { return 0; }

int nonFiniteWords(const float* fdata) {
  int count = 0;
  for (int i = 0; i < kHdrWords; i++) count += std::isfinite(fdata[i]) ? 0 : 1;
  return count;
}

void convertEveryWay(const float* fdata, int dim, const std::string& word) {
  const char* w = word.c_str();
  float p = 0;
  for (int clip = 0; clip <= 2; clip++) p = spec2rPnt2(fdata, dim, w, clip);
  spec2iPnt(fdata, dim, w);
  const float width = specWidth2rPnt(fdata, dim, w);
  hasSpecLabel(w);
  char label[8];
  getSpecLabel(getSpecUnits(w), label);
  rPnt2spec(fdata, dim, p, w);
  iPnt2spec(fdata, dim, 7, w);
  rPnt2specWidth(fdata, dim, width, w);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 17) return 0;
  float axis[4];
  std::memcpy(axis, data, sizeof axis);
  const int dim = data[16] % 4 + 1;
  float fdata[kHdrWords] = {};
  fdata[kWordDimCount] = 4.0f;
  for (int word : {kWordSize1, kWordSize2, kWordSize3, kWordSize4}) fdata[word] = 64.0f;
  fixfdata(fdata);
  setParm(fdata, kParmSw, axis[0], dim);
  setParm(fdata, kParmObs, axis[1], dim);
  setParm(fdata, kParmOrig, axis[2], dim);
  setParm(fdata, kParmSize, axis[3], dim);
  const float quad = (data[16] & 4) ? 0.0f : 1.0f;
  setParm(fdata, kParmQuadFlag, quad, 1);
  setParm(fdata, kParmQuadFlag, quad, dim);

  std::vector<std::string> words = korim::fuzz::inputWords(data + 17, size - 17, 64);
  for (const std::string& w : words) convertEveryWay(fdata, dim, w);

  std::string prog = "nmrproc";
  std::vector<char*> argv = korim::fuzz::argVector(prog, words);
  const int argc = static_cast<int>(argv.size()) - 1;

  if (argc > 1) {
    int* list = specList2Pnt(argv.data() + 1, argc - 1, fdata, dim);
    if (list != nullptr) korim::foundation::unAlloc("spec", list, 4 * (argc - 1));
  }
  korim::foundation::initArgs(argc, argv.data(), 0);
  int ix = 0;
  float fx = 0;
  if (specArgD(argc, argv.data(), "-x1", &ix, fdata, dim) == 1 && ix < 1) __builtin_trap();
  if (specFltArgD(argc, argv.data(), "-xn", &fx, fdata, dim) == 1 && !std::isfinite(fx)) __builtin_trap();
  wideArgD(argc, argv.data(), "-w", &ix, fdata, dim);
  if (wideFltArgD(argc, argv.data(), "-xw", &fx, fdata, dim) == 1 && !std::isfinite(fx)) __builtin_trap();

  auto d = std::make_unique<ProcDataInfo>();
  *d = ProcDataInfo{};
  std::memcpy(d->fdata, fdata, sizeof fdata);
  d->argc = argc;
  d->argv = argv.data();
  d->dimCount = 4;
  d->size = d->specnum = d->zSize = d->aSize = d->sliceCount = d->maxSize = d->outSize = 64;
  d->quadState = d->outQuadState = 1;
  d->inSock = d->outSock = d->serverSock = d->serverMsgSock = -1;
  for (ServerInfo& s : d->server) s.sock = -1;
  d->fnName = prog.data();
  ProcFuncInfo f{noChange, "FUZZ", "fuzz", ""};
  const int before = nonFiniteWords(d->fdata);
  if (updateHeader(&f, d.get()) == 0) {
    if (nonFiniteWords(d->fdata) > before) __builtin_trap();
    for (int i = 1; i < 4; i++)
      if (d->selectMode && (d->selX1[i] < 0 || d->selX1[i] > d->selXN[i])) __builtin_trap();
  }
  korim::foundation::nullArgs();
  return 0;
}
