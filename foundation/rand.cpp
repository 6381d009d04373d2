// Seeding of rand/drand48 and polar-method normal deviates from them.
#include "foundation/rand.h"

#include <cmath>
#include <cstdlib>

namespace korim::foundation {

namespace {

struct RandState {
  int currentISeed = 0;
  int gValid = 0;  // a cached deviate is waiting (shared by both generators)
  int sValid = 0;  // seeding has happened
  double gsetD = 0.0;
  float gsetR = 0.0f;
};

RandState rnd;

}  // namespace

void randReset() { rnd = RandState(); }

int sRand(int iseed) {
  int previous = rnd.currentISeed;
  std::srand(static_cast<unsigned>(iseed));
  srand48(iseed);
  rnd.currentISeed = iseed;
  rnd.gValid = 0;
  rnd.sValid = 1;
  return previous;
}

int sRandInit(int iseed) {
  if (rnd.sValid) return 0;
  return sRand(iseed);
}

// A pair at the origin (r = 0) is drawn again: its logarithm has no value.
float gaussRand() {
  if (rnd.gValid) {
    rnd.gValid = 0;
    return rnd.gsetR;
  }
  float p, q, r;
  do {
    p = 2.0f * (std::rand() * 4.656613e-10f) - 1.0f;
    q = 2.0f * (std::rand() * 4.656613e-10f) - 1.0f;
    r = p * p + q * q;
  } while (r >= 1.0f || r == 0.0f);
  float fac = std::sqrt(-2.0f * std::log(r) / r);
  rnd.gsetR = p * fac;
  rnd.gsetD = rnd.gsetR;  // either generator may hand out the cached value
  rnd.gValid = 1;
  return q * fac;
}

double gaussRandD() {
  if (rnd.gValid) {
    rnd.gValid = 0;
    return rnd.gsetD;
  }
  double p, q, r;
  do {
    p = 2.0 * drand48() - 1.0;
    q = 2.0 * drand48() - 1.0;
    r = p * p + q * q;
  } while (r >= 1.0 || r == 0.0);
  double fac = std::sqrt(-2.0 * std::log(r) / r);
  rnd.gsetD = p * fac;
  rnd.gsetR = static_cast<float>(rnd.gsetD);
  rnd.gValid = 1;
  return q * fac;
}

}  // namespace korim::foundation
