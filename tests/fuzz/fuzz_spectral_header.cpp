// Fuzz target: a one-dimensional spectral data file (header and data), and the header checks
// (byte order, defaults, sizes, quadrature) the surface reader applies to its header.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "foundation/memory.h"
#include "spectral/dataio.h"
#include "spectral/fdatap.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::spectral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "spectrum.fid");
  float* vec = nullptr;
  int n = 0, quad = 0;
  read1D(name.c_str(), &vec, &n, &quad);
  if (vec != nullptr)
    korim::foundation::unAlloc("1d", vec, 4 * n * quad);
  if (size >= static_cast<size_t>(kHdrBytes)) {
    float fdata[kHdrWords];
    std::memcpy(fdata, data, kHdrBytes);
    testHdr(fdata);
    fixfdata(fdata);
    for (int dim = 0; dim <= 4; ++dim) {
      getQuad(fdata, kWordQuad, dim);
      getFold(fdata, dim);
      isInterleaved(fdata, dim);
      is90_180(fdata, dim);
      getParm(fdata, kParmSize, dim);
    }
    char text[64];
    flt2Txt(fdata, text, 63);
  }
  return 0;
}
