// Shared by the surface-directory fuzz targets: the bytes of one surface file from an input part.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "spectral/fdatap.h"
#include "tests/fuzz/fuzz_file.h"

namespace korim::fuzz {

// A part whose choice has its top bit set is a small grid: bytes 0 and 1 give the phi and psi
// counts (1 to 16), the rest the grid values (zeros past the end), behind a header that
// describes them; any other part is the whole file as it is. The short form lets the fuzzer
// reach directories of many well-formed grids of differing sizes within a short input.
inline std::vector<uint8_t> surfaceBytes(const InputPart& part) {
  if ((part.choice & 0x80) == 0 || part.size < 2) return std::vector<uint8_t>(part.data, part.data + part.size);
  const int phiCount = part.data[0] % 16 + 1, psiCount = part.data[1] % 16 + 1;
  float hdr[spectral::kHdrWords] = {};
  hdr[spectral::kWordFormat] = spectral::kHdrFormat;
  hdr[spectral::kWordOrder] = spectral::kHdrOrderMark;
  hdr[spectral::kWordDimCount] = 2.0f;
  hdr[spectral::kWordQuad] = 1.0f;
  hdr[spectral::kWordSize1] = static_cast<float>(phiCount);
  hdr[spectral::kWordSize2] = static_cast<float>(psiCount);
  const float words[][2] = {{70, -180}, {71, 180}, {72, -180}, {73, 180}, {74, 42}, {153, 0.25f}, {199, 0.5f}};
  for (const auto& w : words) hdr[static_cast<int>(w[0])] = w[1];
  std::vector<uint8_t> bytes(spectral::kHdrBytes + 4 * phiCount * psiCount, 0);
  std::memcpy(bytes.data(), hdr, spectral::kHdrBytes);
  const size_t values = part.size - 2 < bytes.size() - spectral::kHdrBytes ? part.size - 2 : bytes.size() - spectral::kHdrBytes;
  std::memcpy(bytes.data() + spectral::kHdrBytes, part.data + 2, values);
  return bytes;
}

}  // namespace korim::fuzz
