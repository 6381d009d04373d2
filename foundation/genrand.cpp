// Uniform random generators, positions drawn from them, and TT800-based normal deviates.
#include "foundation/genrand.h"

#include <cstdint>

#include "foundation/polarcore.h"

namespace korim::foundation {

namespace {

const int NTAB = 32;
const int TT_N = 25, TT_M = 7;

struct RanState {
  // ran1
  long iy = 0;
  long iv[NTAB] = {};
  // ran3
  int inext = 0, inextp = 0, iff = 0;
  long ma[56] = {};
  // genrand (TT800 with its published start table) and gauss
  int k = 0;
  std::uint32_t x[TT_N] = {0x95f24dab, 0x0b685215, 0xe76ccae7, 0xaf3ec239, 0x715fad23,
                           0x24a590ad, 0x69e4b5ef, 0xbf456141, 0x96bc1b7b, 0xa7bdf825,
                           0xc1de75b7, 0x8858a9c9, 0x2da87693, 0xb657f9dd, 0xffdc8a9f,
                           0x8121da71, 0x8b823ecb, 0x885d05f5, 0x4e20cd47, 0x5a9ad5d9,
                           0x512c0c03, 0xea857ccd, 0x4cc1d30f, 0x8891a8a1, 0xa6b7aadb};
  int have_extra = 0;
  double extra = 0.0;
};

RanState rs;

// One step of the minimal standard generator 16807 x mod (2^31 - 1) by
// Schrage's method, which never overflows 32 bits.
long minStdStep(long idum) {
  const long IA = 16807, IM = 2147483647, IQ = 127773, IR = 2836;
  long k = idum / IQ;
  idum = IA * (idum - k * IQ) - IR * k;
  if (idum < 0) idum += IM;
  return idum;
}

}  // namespace

void genrandReset() { rs = RanState(); }

float ran1(long *idum) {
  const long IM = 2147483647;
  const long NDIV = 1 + (IM - 1) / NTAB;
  const double AM = 1.0 / IM;
  const float RNMX = 1.0f - 1.2e-7f;
  if (*idum <= 0 || !rs.iy) {
    // A negative seed starts from its magnitude, anything else from 1. The
    // magnitude is reduced modulo the generator's modulus: a larger one
    // would leave the range Schrage's step keeps and index outside the table.
    long s = *idum < 0 ? -(*idum % IM) : 1;
    *idum = s < 1 ? 1 : s;
    for (int j = NTAB + 7; j >= 0; j--) {
      *idum = minStdStep(*idum);
      if (j < NTAB) rs.iv[j] = *idum;
    }
    rs.iy = rs.iv[0];
  }
  *idum = minStdStep(*idum);
  int j = static_cast<int>(rs.iy / NDIV);
  rs.iy = rs.iv[j];
  rs.iv[j] = *idum;
  float temp = static_cast<float>(AM * rs.iy);
  return temp > RNMX ? RNMX : temp;
}

float ran3(long *idum) {
  const long MBIG = 1000000000, MSEED = 161803398, MZ = 0;
  const double FAC = 1.0 / MBIG;
  if (*idum < 0 || rs.iff == 0) {
    rs.iff = 1;
    // |MSEED - |idum|| computed without overflow for any idum.
    unsigned long u = *idum < 0 ? 0UL - static_cast<unsigned long>(*idum) : static_cast<unsigned long>(*idum);
    unsigned long d = u >= static_cast<unsigned long>(MSEED) ? u - MSEED : MSEED - u;
    long mj = static_cast<long>(d % MBIG);
    rs.ma[55] = mj;
    long mk = 1;
    for (int i = 1; i <= 54; i++) {
      int ii = (21 * i) % 55;
      rs.ma[ii] = mk;
      mk = mj - mk;
      if (mk < MZ) mk += MBIG;
      mj = rs.ma[ii];
    }
    for (int k = 1; k <= 4; k++)
      for (int i = 1; i <= 55; i++) {
        rs.ma[i] -= rs.ma[1 + (i + 30) % 55];
        if (rs.ma[i] < MZ) rs.ma[i] += MBIG;
      }
    rs.inext = 0;
    rs.inextp = 31;
    *idum = 1;
  }
  if (++rs.inext == 56) rs.inext = 1;
  if (++rs.inextp == 56) rs.inextp = 1;
  long mj = rs.ma[rs.inext] - rs.ma[rs.inextp];
  if (mj < MZ) mj += MBIG;
  rs.ma[rs.inext] = mj;
  return static_cast<float>(mj * FAC);
}

int drawPosition(float u, int n) {
  const int k = static_cast<int>(u * static_cast<float>(n));
  return k >= n ? n - 1 : (k < 0 ? 0 : k);
}

int randomPosition(long *idum, int n) { return drawPosition(ran3(idum), n); }

double genrand() {
  static const std::uint32_t mag01[2] = {0x0, 0x8ebfd028};
  if (rs.k == TT_N) {  // the next 25 words at once
    int kk;
    for (kk = 0; kk < TT_N - TT_M; kk++)
      rs.x[kk] = rs.x[kk + TT_M] ^ (rs.x[kk] >> 1) ^ mag01[rs.x[kk] % 2];
    for (; kk < TT_N; kk++)
      rs.x[kk] = rs.x[kk + (TT_M - TT_N)] ^ (rs.x[kk] >> 1) ^ mag01[rs.x[kk] % 2];
    rs.k = 0;
  }
  std::uint32_t y = rs.x[rs.k];
  y ^= (y << 7) & 0x2b5b2500u;
  y ^= (y << 15) & 0xdb8b0000u;
  y ^= (y >> 16);
  rs.k++;
  return static_cast<double>(y) / 4294967295.0;
}

double gauss() {
  if (rs.have_extra) {
    rs.have_extra = 0;
    return rs.extra;
  }
  rs.have_extra = 1;
  return polarcore::normalPair<double>(genrand, &rs.extra);
}

}  // namespace korim::foundation
