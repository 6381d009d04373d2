// Seeding of rand/drand48 and polar-method normal deviates from them.
#include "foundation/rand.h"

#include <cstdlib>

#include "foundation/polarcore.h"

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

// One cache serves both generators: whichever filled it, the next call of
// either hands out the waiting deviate.
float gaussRand() {
  if (rnd.gValid) {
    rnd.gValid = 0;
    return rnd.gsetR;
  }
  float q = polarcore::normalPair<float>([] { return std::rand() * 4.656613e-10f; }, &rnd.gsetR);
  rnd.gsetD = rnd.gsetR;
  rnd.gValid = 1;
  return q;
}

double gaussRandD() {
  if (rnd.gValid) {
    rnd.gValid = 0;
    return rnd.gsetD;
  }
  double q = polarcore::normalPair<double>(drand48, &rnd.gsetD);
  rnd.gsetR = static_cast<float>(rnd.gsetD);
  rnd.gValid = 1;
  return q;
}

}  // namespace korim::foundation
