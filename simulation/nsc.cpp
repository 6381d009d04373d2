// Sphere of orientations (icosahedron refinements) and the numerical
// solvent-accessible surface of a set of spheres (dots tested against
// neighbours found through a grid of boxes).
#include "simulation/nsc.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "simulation/workers.h"

namespace korim::simulation {

namespace {

// Degrees to radians as the sphere construction has always used it.
constexpr double kDegToRad = 0.017453293;
// Tolerance for equal squared distances between dots.
constexpr double kDistTol = 0.001;
constexpr double kFourPi = 12.566370614359172;
constexpr double kHalfPi = 1.5707963267948966;

struct NscState {
  double* xpunsp = nullptr;  // current sphere, 3 doubles per dot
  int n_dot = 0;
  int* ico_wk = nullptr;  // 2 c^3 + 1 ints: dots per cube, then first dot per cube
  int* ico_pt = nullptr;  // ico_wk + c^3
  int ico_cube = 0;
  double del_cube = 0.0;
  int last_densit = 0, last_unsp = 0, last_n_dot = 0, last_cubus = 0;
  double rg = 0.0, rh = 0.0;
  const char* file = "nsc";  // unit and line printed by error()/warning()
  int line = 0;
  std::vector<double*> handedOut;  // stable copies given to callers
};

// Each thread builds in its own state: the thread of prebuildSpheres hands
// its sphere over to the caller's.
thread_local NscState nsc;

// A sphere built by prebuildSpheres: its density (0 for a free slot) and,
// once ready, the state its build left (the sphere, cube tables and keys).
struct Prebuilt {
  int densit = 0;
  std::atomic<bool> ready{false};
  NscState state;
};

// The thread of prebuildSpheres and its spheres, in build order (the
// orientations' and the surface's, used from the main thread).
struct Prebuilder {
  std::thread thread;
  Prebuilt slots[2];
  static thread_local bool building;  // on the thread that builds

  // Waits for the builds and frees what they left.
  void clear() {
    if (thread.joinable()) thread.join();
    for (Prebuilt& slot : slots) {
      std::free(slot.state.xpunsp);
      std::free(slot.state.ico_wk);
      slot.state = NscState();
      slot.densit = 0;
      slot.ready = false;
    }
  }
  ~Prebuilder() { clear(); }
};

thread_local bool Prebuilder::building = false;
Prebuilder prebuilder;

// Work block of n zeroed T from mycalloc (which stops the program when the
// system has no memory), freed on scope exit; line is reported on failure.
template <typename T>
using CBuffer = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
CBuffer<T> cAlloc(int line, size_t n) {
  return CBuffer<T>(static_cast<T*>(mycalloc("nsc", line, n, sizeof(T))), &std::free);
}

// Remembers where a report comes from (this unit, given line).
#define NSC_WHERE() (nsc.file = "nsc", nsc.line = __LINE__)

void releaseSphere() {
  std::free(nsc.xpunsp);
  nsc.xpunsp = nullptr;
  std::free(nsc.ico_wk);
  nsc.ico_wk = nullptr;
  nsc.ico_pt = nullptr;
}

double sqDist(const double* a, const double* b) {
  const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  return dx * dx + dy * dy + dz * dz;
}

// A new sphere replaces the old one and its cube tables; the keys are set
// again by make_unsp, so a bare build is never mistaken for a sorted one.
void startBuild() {
  releaseSphere();
  nsc.last_densit = nsc.last_unsp = nsc.last_n_dot = nsc.last_cubus = 0;
}

bool near(double expected, double d2) { return std::fabs(expected - d2) <= kDistTol; }

void divarcV(const double* p, const double* q, int div1, int div2, double* r) {
  divarc(p[0], p[1], p[2], q[0], q[1], q[2], div1, div2, &r[0], &r[1], &r[2]);
}

void appendDot(double* xus, int& tn, const double* v) {
  if (tn >= nsc.n_dot) {
    NSC_WHERE();
    error("ico_dot: tn exceeds dimension of xus");
  }
  xus[3 * tn] = v[0];
  xus[3 * tn + 1] = v[1];
  xus[3 * tn + 2] = v[2];
  tn++;
}

// Interior points of the spherical triangle (xi, xj, xk) refined t times:
// every point is the normalised mean of three arc constructions.
void triangleInterior(double* xus, int& tn, const double* xi, const double* xj, const double* xk,
                      int t) {
  double xji[3], xki[3], xij[3], xkj[3], xik[3], xjk[3], p1[3], p2[3], p3[3];
  for (int l = 1; l <= t - 2; l++) {
    divarcV(xj, xi, l, t, xji);
    divarcV(xk, xi, l, t, xki);
    for (int l2 = 1; l2 <= t - l - 1; l2++) {
      divarcV(xi, xj, l2, t, xij);
      divarcV(xk, xj, l2, t, xkj);
      divarcV(xi, xk, t - l - l2, t, xik);
      divarcV(xj, xk, t - l - l2, t, xjk);
      if (tn >= nsc.n_dot) {
        NSC_WHERE();
        error("ico_dot: tn exceeds dimension of xus");
      }
      divarcV(xki, xji, l2, t - l, p1);
      divarcV(xkj, xij, l, t - l2, p2);
      divarcV(xjk, xik, l, l + l2, p3);
      double s[3] = {p1[0] + p2[0] + p3[0], p1[1] + p2[1] + p3[1], p1[2] + p2[2] + p3[2]};
      const double len = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
      for (double& c : s) c /= len;
      appendDot(xus, tn, s);
    }
  }
}

void appendEdge(double* xus, int& tn, const double* a, const double* b, int t) {
  double r[3];
  for (int l = 1; l < t; l++) {
    divarcV(a, b, l, t, r);
    appendDot(xus, tn, r);
  }
}

// Calls face(xi, xj, xk) for every face of the icosahedron (vertices 0..11
// of xus, squared edge a), i < j < k, with copies of the vertices (the
// callee appends to the same buffer).
template <typename Face>
void forEachFace(const double* xus, double a, Face face) {
  for (int i = 0; i < 10; i++)
    for (int j = i + 1; j < 11; j++) {
      if (!near(a, sqDist(&xus[3 * i], &xus[3 * j]))) continue;
      for (int k = j + 1; k < 12; k++) {
        if (!near(a, sqDist(&xus[3 * i], &xus[3 * k])) ||
            !near(a, sqDist(&xus[3 * j], &xus[3 * k])))
          continue;
        double xi[3], xj[3], xk[3];
        std::memcpy(xi, &xus[3 * i], sizeof xi);
        std::memcpy(xj, &xus[3 * j], sizeof xj);
        std::memcpy(xk, &xus[3 * k], sizeof xk);
        face(xi, xj, xk);
      }
    }
}

}  // namespace

void error(const char* format, ...) {
  std::fprintf(stderr, "\n---> ERROR when executing line %i in file %s !\n", nsc.line, nsc.file);
  va_list ap;
  va_start(ap, format);
  std::vfprintf(stderr, format, ap);
  va_end(ap);
  std::fprintf(stderr, "\n---> Execution stopped !\n\n");
  std::fflush(stderr);
  std::exit(1);
}

void warning(const char* format, ...) {
  std::fprintf(stderr, "\n---> WARNING : line %i in file %s\n", nsc.line, nsc.file);
  va_list ap;
  va_start(ap, format);
  std::vfprintf(stderr, format, ap);
  va_end(ap);
  std::fprintf(stderr, " ...!\n\n");
  std::fflush(stderr);
  std::fflush(stdout);
}

void* mycalloc(const char* filename, int linenr, size_t nelem, size_t elsize) {
  void* p = std::calloc(nelem == 0 ? 1 : nelem, elsize == 0 ? 1 : elsize);
  if (p == nullptr) {
    nsc.file = filename;
    nsc.line = linenr;
    error("CALLOC : failed in file %s at line %d", filename, linenr);
  }
  return p;
}

void* myrealloc(const char* filename, int linenr, void* ptr, size_t size) {
  void* p = std::realloc(ptr, size == 0 ? 1 : size);
  if (p == nullptr) {
    nsc.file = filename;
    nsc.line = linenr;
    error("REALLOC : failed in file %s at line %d", filename, linenr);
  }
  return p;
}

double safe_asin(double f) {
  const double a = std::fabs(f);
  if (a < 1.0) return std::asin(f);
  if (a > 1.001) {
    NSC_WHERE();
    error("ASIN : invalid argument %f", f);
  }
  return kHalfPi;
}

void divarc(double x1, double y1, double z1, double x2, double y2, double z2, int div1, int div2,
            double* xr, double* yr, double* zr) {
  const double xd = y1 * z2 - y2 * z1;
  const double yd = z1 * x2 - z2 * x1;
  const double zd = x1 * y2 - x2 * y1;
  const double dd = std::sqrt(xd * xd + yd * yd + zd * zd);
  if (dd < kDistTol) {
    NSC_WHERE();
    error("divarc: rotation axis of length %f", dd);
  }
  const double d1 = x1 * x1 + y1 * y1 + z1 * z1;
  if (d1 < 0.5) {
    NSC_WHERE();
    error("divarc: vector 1 of sq.length %f", d1);
  }
  const double d2 = x2 * x2 + y2 * y2 + z2 * z2;
  if (d2 < 0.5) {
    NSC_WHERE();
    error("divarc: vector 2 of sq.length %f", d2);
  }
  const double phi = safe_asin(dd / std::sqrt(d1 * d2)) * div1 / div2;
  const double cphi = std::cos(phi), sphi = std::sin(phi);
  const double s = (x1 * xd + y1 * yd + z1 * zd) / dd;
  const double x = x1 * cphi + xd * s * (1.0 - cphi) / dd + (yd * z1 - zd * y1) * sphi / dd;
  const double y = y1 * cphi + yd * s * (1.0 - cphi) / dd + (zd * x1 - xd * z1) * sphi / dd;
  const double z = z1 * cphi + zd * s * (1.0 - cphi) / dd + (xd * y1 - yd * x1) * sphi / dd;
  const double len = std::sqrt(x * x + y * y + z * z);
  *xr = x / len;
  *yr = y / len;
  *zr = z / len;
}

void icosaeder_vertices(double* xus) {
  const double c72 = std::cos(72.0 * kDegToRad);
  nsc.rh = std::sqrt(1.0 - 2.0 * c72) / (1.0 - c72);
  nsc.rg = c72 / (1.0 - c72);
  const double rh = nsc.rh, rg = nsc.rg;
  auto put = [&](int i, double x, double y, double z) {
    xus[3 * i] = x;
    xus[3 * i + 1] = y;
    xus[3 * i + 2] = z;
  };
  put(0, 0.0, 0.0, 1.0);
  const double upper[4] = {72.0, 144.0, 216.0, 288.0};
  for (int i = 0; i < 4; i++)
    put(1 + i, rh * std::cos(upper[i] * kDegToRad), rh * std::sin(upper[i] * kDegToRad), rg);
  put(5, rh, 0.0, rg);
  const double lower1[2] = {36.0, 108.0};
  for (int i = 0; i < 2; i++)
    put(6 + i, rh * std::cos(lower1[i] * kDegToRad), rh * std::sin(lower1[i] * kDegToRad), -rg);
  put(8, -rh, 0.0, -rg);
  const double lower2[2] = {252.0, 324.0};
  for (int i = 0; i < 2; i++)
    put(9 + i, rh * std::cos(lower2[i] * kDegToRad), rh * std::sin(lower2[i] * kDegToRad), -rg);
  put(11, 0.0, 0.0, -1.0);
}

int unsp_type(int densit) {
  long long i1 = 1;
  while (10 * i1 * i1 + 2 < densit) i1++;
  long long i2 = 1;
  while (30 * i2 * i2 + 2 < densit) i2++;
  return (10 * i1 * i1 - 2 < 30 * i2 * i2 - 2) ? kUnspArc : kUnspDodecahedral;
}

namespace {

// Densities outside the accepted range (make_unsp refuses them) are held to
// it here so that the level formulas stay defined.
int boundedDensity(int densit) { return std::clamp(densit, kUnspMinDensity, kUnspMaxDensity); }

// Starts the sphere of nsc.n_dot dots of tessellation level t built by the
// routine who: the level must reach the requested density; the dots are
// obtained and the 12 icosahedron vertices placed first.
double* beginSphere(const char* who, int t, int densit) {
  if (nsc.n_dot < densit) {
    NSC_WHERE();
    error("%s: error in formula for tessalation level (%d->%d, %d)", who, t, nsc.n_dot, densit);
  }
  startBuild();
  NSC_WHERE();
  double* xus = static_cast<double*>(mycalloc(nsc.file, nsc.line, 3 * nsc.n_dot, sizeof(double)));
  nsc.xpunsp = xus;
  icosaeder_vertices(xus);
  return xus;
}

// Squared edge of the icosahedron on the sphere of radius nsc.rh.
double icosahedronEdgeSq() { return 2.0 * nsc.rh * nsc.rh * (1.0 - std::cos(72.0 * kDegToRad)); }

// Every dot of the sphere has been placed: the count must be the one promised.
int finishSphere(int tn) {
  if (tn != nsc.n_dot) {
    NSC_WHERE();
    error("ico_dot: n_dot(%d) and tn(%d) differ", nsc.n_dot, tn);
  }
  return nsc.n_dot;
}

}  // namespace

int ico_dot_arc(int densit) {
  densit = boundedDensity(densit);
  const int t = static_cast<int>(std::ceil(std::sqrt((densit - 2) / 10.0)));
  nsc.n_dot = 10 * t * t + 2;
  double* xus = beginSphere("ico_dot_arc", t, densit);
  if (t < 2) return nsc.n_dot;

  const double a = icosahedronEdgeSq();
  int tn = 12;
  for (int i = 0; i < 11; i++)
    for (int j = i + 1; j < 12; j++)
      if (near(a, sqDist(&xus[3 * i], &xus[3 * j])))
        appendEdge(xus, tn, &xus[3 * i], &xus[3 * j], t);
  forEachFace(xus, a, [&](const double* xi, const double* xj, const double* xk) {
    triangleInterior(xus, tn, xi, xj, xk, t);
  });
  return finishSphere(tn);
}

int ico_dot_dod(int densit) {
  densit = boundedDensity(densit);
  int t = static_cast<int>(std::ceil(std::sqrt((densit - 2) / 30.0)));
  if (t < 1) t = 1;
  nsc.n_dot = 30 * t * t + 2;
  double* xus = beginSphere("ico_dot_dod", t, densit);
  const double a = icosahedronEdgeSq();

  // Face centres of the icosahedron = vertices of the dodecahedron.
  int tn = 12;
  forEachFace(xus, a, [&](const double* xi, const double* xj, const double* xk) {
    double c[3];
    for (int m = 0; m < 3; m++) c[m] = xi[m] + xj[m] + xk[m];
    const double len = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    for (double& v : c) v /= len;
    appendDot(xus, tn, c);
  });

  if (t >= 2) {
    tn = 32;
    const double adod = 4.0 * (std::cos(108.0 * kDegToRad) - std::cos(120.0 * kDegToRad)) /
                        (1.0 - std::cos(120.0 * kDegToRad));
    const double ai_d = 2.0 * (1.0 - std::sqrt(1.0 - a / 3.0));
    for (int i = 0; i < 31; i++) {
      const int jStart = i < 12 ? 12 : i + 1;
      const double expected = i < 12 ? ai_d : adod;
      for (int j = jStart; j < 32; j++) {
        if (!near(expected, sqDist(&xus[3 * i], &xus[3 * j]))) continue;
        double xi[3], xj[3];
        std::memcpy(xi, &xus[3 * i], sizeof xi);
        std::memcpy(xj, &xus[3 * j], sizeof xj);
        appendEdge(xus, tn, xi, xj, t);
      }
    }
    for (int i = 0; i < 12; i++)
      for (int j = 12; j < 31; j++) {
        if (!near(ai_d, sqDist(&xus[3 * i], &xus[3 * j]))) continue;
        for (int k = j + 1; k < 32; k++) {
          if (!near(ai_d, sqDist(&xus[3 * i], &xus[3 * k])) ||
              !near(adod, sqDist(&xus[3 * j], &xus[3 * k])))
            continue;
          double xi[3], xj[3], xk[3];
          std::memcpy(xi, &xus[3 * i], sizeof xi);
          std::memcpy(xj, &xus[3 * j], sizeof xj);
          std::memcpy(xk, &xus[3 * k], sizeof xk);
          triangleInterior(xus, tn, xi, xj, xk, t);
        }
      }
  }
  return finishSphere(tn);
}

namespace {

// Takes the prebuilt sphere of the density (waiting for it) when its keys
// are those of the build asked for (the same dots and tables as a build
// here would make).
bool takePrebuilt(int densit, int mode, int* num_dot, int cubus) {
  if (Prebuilder::building) return false;
  for (Prebuilt& slot : prebuilder.slots) {
    if (slot.densit == 0 || slot.densit != densit) continue;
    slot.ready.wait(false, std::memory_order_acquire);
    slot.densit = 0;
    NscState& b = slot.state;
    if (b.xpunsp == nullptr || b.last_unsp != mode || b.last_cubus != cubus) return false;
    releaseSphere();
    std::vector<double*> handedOut = std::move(nsc.handedOut);
    nsc = b;
    nsc.handedOut = std::move(handedOut);
    b = NscState();
    *num_dot = nsc.n_dot;
    return true;
  }
  return false;
}

}  // namespace

void prebuildSpheres(int first, int second) {
  prebuilder.clear();
  int n = 0;
  for (const int densit : {first, second})
    if (densit >= kUnspMinDensity && densit <= kUnspMaxDensity &&  // else make_unsp warns
        (n == 0 || densit != prebuilder.slots[0].densit))
      prebuilder.slots[n++].densit = densit;
  if (n == 0) return;
  try {
    prebuilder.thread = std::thread([n] {
      Prebuilder::building = true;
      for (int k = 0; k < n; k++) {
        Prebuilt& slot = prebuilder.slots[k];
        int count = 0;
        if (make_unsp(slot.densit, -unsp_type(slot.densit), &count, 4) == 0) {
          slot.state = nsc;
          nsc = NscState();
        }
        slot.ready.store(true, std::memory_order_release);
        slot.ready.notify_all();
      }
    });
  } catch (const std::system_error&) {
    for (Prebuilt& slot : prebuilder.slots) slot.densit = 0;  // built when asked for
  }
}

int make_unsp(int densit, int mode, int* num_dot, int cubus) {
  if (mode < 0 && takePrebuilt(densit, mode, num_dot, cubus)) return 0;
  releaseSphere();
  const bool sorted = mode < 0;
  const int m = sorted ? -mode : mode;
  if (m != kUnspArc && m != kUnspDodecahedral) {
    NSC_WHERE();
    warning("make_unsp: mode %c%d not allowed", sorted ? '-' : '+', m);
    return 1;
  }
  if (densit < kUnspMinDensity || densit > kUnspMaxDensity) {
    NSC_WHERE();
    warning("make_unsp: density %d outside %d..%d", densit, kUnspMinDensity, kUnspMaxDensity);
    return 1;
  }
  const int count = (m == kUnspArc) ? ico_dot_arc(densit) : ico_dot_dod(densit);
  nsc.last_n_dot = count;
  nsc.last_densit = densit;
  nsc.last_unsp = m;
  nsc.last_cubus = cubus;
  *num_dot = count;
  if (!sorted) return 0;

  nsc.last_unsp = -m;
  int c = cubus;
  if (c == 0) {
    int i = 1;
    while (2 * i * i * i < count) i++;
    c = i - 1;
  }
  if (c < 1) c = 1;  // one cube holds everything; an empty grid cannot
  nsc.ico_cube = c;
  nsc.del_cube = 2.0 / c;

  double* xus = nsc.xpunsp;
  auto cubeOf = [&](double v) {
    double f = std::floor((1.0 + v) / nsc.del_cube);
    if (!(f >= 0.0)) f = 0.0;
    if (f > c - 1) f = c - 1;
    return static_cast<int>(f);
  };
  CBuffer<int> boxOf = cAlloc<int>(__LINE__, static_cast<size_t>(count));
  int* box = boxOf.get();
  for (int l = 0; l < count; l++)
    box[l] = cubeOf(xus[3 * l]) + c * cubeOf(xus[3 * l + 1]) + c * c * cubeOf(xus[3 * l + 2]);

  const int c3 = c * c * c;
  NSC_WHERE();
  nsc.ico_wk = static_cast<int*>(mycalloc(nsc.file, nsc.line, 2 * c3 + 1, sizeof(int)));
  nsc.ico_pt = nsc.ico_wk + c3;
  for (int l = 0; l < count; l++) nsc.ico_wk[box[l]]++;

  // In-place reorder, cube after cube (ix outermost, iz innermost); the
  // exchange leaves the dots not yet placed in a scan-dependent order.
  int tn = 0;
  for (int ix = 0; ix < c; ix++)
    for (int iy = 0; iy < c; iy++)
      for (int iz = 0; iz < c; iz++) {
        const int b = ix + c * iy + c * c * iz;
        const int start = tn;
        nsc.ico_pt[b] = tn;
        for (int l = tn; l < count; l++) {
          if (box[l] != b) continue;
          for (int k = 0; k < 3; k++) {
            const double tmp = xus[3 * l + k];
            xus[3 * l + k] = xus[3 * tn + k];
            xus[3 * tn + k] = tmp;
          }
          const int tb = box[l];
          box[l] = box[tn];
          box[tn] = tb;
          tn++;
        }
        nsc.ico_wk[b] = tn - start;
      }
  return 0;
}

const double* unspCurrentDots(int* nDots) {
  *nDots = nsc.xpunsp ? nsc.n_dot : 0;
  return nsc.xpunsp;
}

bool unspCubes(int* cubeCount, const int** dotsPerCube, const int** firstDot) {
  if (nsc.xpunsp == nullptr || nsc.ico_wk == nullptr || nsc.last_unsp >= 0) return false;
  *cubeCount = nsc.ico_cube;
  *dotsPerCube = nsc.ico_wk;
  *firstDot = nsc.ico_pt;
  return true;
}

double* unspHandOut() {
  if (nsc.xpunsp == nullptr) return nullptr;
  NSC_WHERE();
  double* copy = static_cast<double*>(mycalloc(nsc.file, nsc.line, 3 * nsc.n_dot, sizeof(double)));
  std::memcpy(copy, nsc.xpunsp, sizeof(double) * 3 * nsc.n_dot);
  nsc.handedOut.push_back(copy);
  return copy;
}

void nscReset() {
  prebuilder.clear();
  releaseSphere();
  for (double* p : nsc.handedOut) std::free(p);
  nsc = NscState();
}

namespace {

// Neighbours of one atom, one array per component in one block (padded with
// entries that bury nothing to a multiple of kLanes): the vector (x, y, z)
// from the atom to the neighbour, its length and the threshold: a unit dot u
// is buried when u . (x, y, z) > t, evaluated as (ux x + uy y) + uz z.
constexpr int kLanes = 4;

struct NeighbourSet {
  std::unique_ptr<double[]> block;
  // tHigh and tLow: t with the margin of the group bounds added and taken off.
  double *x = nullptr, *y = nullptr, *z = nullptr, *t = nullptr, *len = nullptr;
  double *tHigh = nullptr, *tLow = nullptr;
  int n = 0, padded = 0, room = 0;

  explicit NeighbourSet(int first) { grow(first); }

  // Room for at least want entries, keeping the first n.
  void grow(int want) {
    constexpr int kArrays = 7;
    int r = std::max(room, 64);
    while (r < want) r *= 2;
    std::unique_ptr<double[]> b(new double[kArrays * static_cast<size_t>(r)]);
    for (int k = 0; k < kArrays && room > 0; k++)
      std::memcpy(&b[k * static_cast<size_t>(r)], &block[k * static_cast<size_t>(room)],
                  n * sizeof(double));
    block = std::move(b);
    room = r;
    x = block.get();
    y = x + r;
    z = y + r;
    t = z + r;
    len = t + r;
    tHigh = len + r;
    tLow = tHigh + r;
  }

  void add(double dx, double dy, double dz, double dt) {
    if (n + kLanes >= room) grow(2 * room);
    x[n] = dx;
    y[n] = dy;
    z[n] = dz;
    t[n] = dt;
    len[n] = std::sqrt(dx * dx + dy * dy + dz * dz);
    // A margin far above the rounding of the dot tests and of the bounds.
    const double margin = 1e-9 * (1.0 + len[n] + std::fabs(dt));
    tHigh[n] = dt + margin;
    tLow[n] = dt - margin;
    n++;
  }

  // Appends entry k of another set as it is.
  void copy(const NeighbourSet& from, int k) {
    if (n + kLanes >= room) grow(2 * room);
    x[n] = from.x[k];
    y[n] = from.y[k];
    z[n] = from.z[k];
    t[n] = from.t[k];
    len[n] = from.len[k];
    tHigh[n] = from.tHigh[k];
    tLow[n] = from.tLow[k];
    n++;
  }

  // Pads to whole blocks (at least one) with neighbours that bury nothing.
  void pad() {
    for (padded = n; padded == 0 || padded % kLanes != 0; padded++) {
      x[padded] = y[padded] = z[padded] = len[padded] = 0.0;
      t[padded] = tHigh[padded] = tLow[padded] = HUGE_VAL;
    }
  }

  bool buries(int k, double ux, double uy, double uz) const {
    return ux * x[k] + uy * y[k] + uz * z[k] > t[k];
  }
};

// The dots of one cube of the sorted sphere: a centre c and a radius rho with
// |u - c| <= rho for every dot u of the cube, so that u . v lies within
// c . v -+ rho |v|. Decisions from these bounds keep a margin far above the
// rounding of the dot tests, so they agree with the test of every dot.
struct DotGroup {
  double cx, cy, cz, rho;
  int first, count;
};

// Every dot of the group is buried by neighbour k.
bool coversGroup(const NeighbourSet& s, int k, const DotGroup& g) {
  const double lowest = g.cx * s.x[k] + g.cy * s.y[k] + g.cz * s.z[k] - g.rho * s.len[k];
  return lowest > s.tHigh[k];
}


// Two lanes of doubles and their comparison masks (lane-wise IEEE operations,
// the same as the scalar ones).
typedef double Lanes2 __attribute__((vector_size(16)));
typedef long long Mask2 __attribute__((vector_size(16)));

Lanes2 load2(const double* p) {
  Lanes2 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The first of the padded neighbours that buries the dot, or -1: the dot
// tests of kLanes neighbours at a time, each as the single test computes it.
int firstBurier(const NeighbourSet& s, double ux, double uy, double uz) {
  const Lanes2 vx = {ux, ux}, vy = {uy, uy}, vz = {uz, uz};
  const double *x = s.x, *y = s.y, *z = s.z, *t = s.t;
  for (int k = 0; k < s.padded; k += kLanes) {
    const Mask2 a = (vx * load2(x + k) + vy * load2(y + k)) + vz * load2(z + k) > load2(t + k);
    const Mask2 b =
        (vx * load2(x + k + 2) + vy * load2(y + k + 2)) + vz * load2(z + k + 2) > load2(t + k + 2);
    const Mask2 any = a | b;
    if ((any[0] | any[1]) == 0) continue;
    return a[0] ? k : a[1] ? k + 1 : b[0] ? k + 2 : k + 3;
  }
  return -1;
}

std::vector<DotGroup> dotGroups(const double* dots) {
  std::vector<DotGroup> groups;
  const int c3 = nsc.ico_cube * nsc.ico_cube * nsc.ico_cube;
  for (int b = 0; b < c3; b++) {
    DotGroup g{0.0, 0.0, 0.0, 0.0, nsc.ico_pt[b], nsc.ico_wk[b]};
    if (g.count == 0) continue;
    for (int d = g.first; d < g.first + g.count; d++) {
      g.cx += dots[3 * d];
      g.cy += dots[3 * d + 1];
      g.cz += dots[3 * d + 2];
    }
    g.cx /= g.count;
    g.cy /= g.count;
    g.cz /= g.count;
    for (int d = g.first; d < g.first + g.count; d++) {
      const double c[3] = {g.cx, g.cy, g.cz};
      g.rho = std::max(g.rho, std::sqrt(sqDist(&dots[3 * d], c)));
    }
    g.rho = g.rho * (1.0 + 1e-9) + 1e-12;
    groups.push_back(g);
  }
  return groups;
}

// The need of exposedDots that asks for the exact count.
constexpr int kExactCount = -1;

// The neighbours coverOf looks at: the first ones (those with the largest
// caps) cover nearly every group that one neighbour covers.
constexpr int kCoverScan = 8;

// Finds among the first kCoverScan neighbours one that buries every dot of
// the group: true with *which set to it.
bool coverOf(const NeighbourSet& s, const DotGroup& g, int* which) {
  const Lanes2 cx = {g.cx, g.cx}, cy = {g.cy, g.cy}, cz = {g.cz, g.cz}, rho = {g.rho, g.rho};
  const int end = std::min(s.padded, kCoverScan);
  for (int k = 0; k < end; k += kLanes) {
    // coversGroup for four neighbours at once (the same operations lane by lane).
    const Mask2 a = ((cx * load2(s.x + k) + cy * load2(s.y + k)) + cz * load2(s.z + k)) -
                        rho * load2(s.len + k) >
                    load2(s.tHigh + k);
    const Mask2 b = ((cx * load2(s.x + k + 2) + cy * load2(s.y + k + 2)) + cz * load2(s.z + k + 2)) -
                        rho * load2(s.len + k + 2) >
                    load2(s.tHigh + k + 2);
    const Mask2 any = a | b;
    if ((any[0] | any[1]) == 0) continue;
    *which = a[0] ? k : a[1] ? k + 1 : b[0] ? k + 2 : k + 3;
    return true;
  }
  return false;
}

// The neighbours of s that may bury a dot of the group, into reach: all but
// those whose bound shows they bury none (kept when in doubt), two at a time.
void gatherReach(const NeighbourSet& s, const DotGroup& g, NeighbourSet& reach) {
  const Lanes2 cx = {g.cx, g.cx}, cy = {g.cy, g.cy}, cz = {g.cz, g.cz}, rho = {g.rho, g.rho};
  reach.n = 0;
  for (int k = 0; k < s.padded; k += 2) {
    const Mask2 misses = ((cx * load2(s.x + k) + cy * load2(s.y + k)) + cz * load2(s.z + k)) +
                             rho * load2(s.len + k) <
                         load2(s.tLow + k);
    if (!misses[0]) reach.copy(s, k);
    if (!misses[1]) reach.copy(s, k + 1);
  }
  reach.pad();
}

// Exposed dots of one atom whose neighbours are s: their count, and with
// exposed non-null a flag per dot (1 exposed). A group that one neighbour
// covers is skipped; after the first exposed dot of a group, the rest of it
// is tested only against the neighbours that may reach the group. With
// exposed null and need not kExactCount the tests stop once the count is
// known to reach need or to stay below it: the count returned is then exact
// only below need.
int exposedDots(const NeighbourSet& s, NeighbourSet& reach, const std::vector<DotGroup>& groups,
                const double* dots, int nDot, unsigned char* exposed, int need) {
  if (exposed != nullptr) std::memset(exposed, s.n == 0 ? 1 : 0, static_cast<size_t>(nDot));
  if (s.n == 0) return nDot;
  const bool decide = exposed == nullptr && need != kExactCount;
  int count = 0;
  int left = nDot;  // dots not yet decided
  int last = 0;  // the neighbour that buried the last dot usually buries the next
  for (const DotGroup& g : groups) {
    if (decide && (count >= need || count + left < need)) return count;
    if (coversGroup(s, last, g) || coverOf(s, g, &last)) {
      left -= g.count;
      continue;
    }
    const NeighbourSet* tested = &s;
    int* lastOf = &last;
    int reachLast = 0;
    for (int d = g.first; d < g.first + g.count; d++) {
      left--;
      const double ux = dots[3 * d], uy = dots[3 * d + 1], uz = dots[3 * d + 2];
      if (tested->buries(*lastOf, ux, uy, uz)) continue;
      const int k = firstBurier(*tested, ux, uy, uz);
      if (k >= 0) {
        *lastOf = k;
        if (tested == &s && coversGroup(s, k, g)) {
          left -= g.first + g.count - 1 - d;
          break;
        }
        continue;
      }
      count++;
      if (decide && count >= need) return count;
      if (exposed != nullptr) exposed[d] = 1;
      if (tested == &s) {
        gatherReach(s, g, reach);
        tested = &reach;
        lastOf = &reachLast;
      }
    }
  }
  return count;
}

// Boxes of edge 2 rmax over the atoms: overlapping spheres lie in adjacent
// boxes. Atoms are kept box after box (x fastest), with their coordinates and
// radii in that order.
struct BoxGrid {
  double edge = 1.0, origin[3] = {0.0, 0.0, 0.0};
  int nb[3] = {1, 1, 1};
  std::vector<int> order;      // atoms box by box
  std::vector<int> start;      // first position of every box, and the end
  std::vector<double> sorted;  // x, y, z, radius per position

  int cellOf(double v, int k) const {
    double f = std::floor((v - origin[k]) / edge);
    if (!(f >= 0.0)) f = 0.0;
    if (f > nb[k] - 1) f = nb[k] - 1;
    return static_cast<int>(f);
  }
};

void buildGrid(const double* co, const double* radius, int nat, BoxGrid& g) {
  double lo[3], hi[3], rmax = 0.0;
  for (int k = 0; k < 3; k++) lo[k] = hi[k] = co[k];
  for (int i = 0; i < nat; i++) {
    for (int k = 0; k < 3; k++) {
      const double v = co[3 * i + k];
      if (v < lo[k]) lo[k] = v;
      if (v > hi[k]) hi[k] = v;
    }
    if (radius[i] > rmax) rmax = radius[i];
  }
  // The edge only grows (which keeps adjacency enough) when the extent would
  // need an absurd number of boxes.
  g.edge = rmax > 0.0 ? 2.0 * rmax : 1.0;
  for (;;) {
    double total = 1.0;
    for (int k = 0; k < 3; k++) {
      double n = std::ceil((hi[k] - lo[k]) / g.edge);
      if (!(n >= 1.0)) n = 1.0;
      if (n > 1.0e6) n = 1.0e6;
      g.nb[k] = static_cast<int>(n);
      total *= n;
    }
    if (total <= 8.0 * nat + 1.0e6) break;
    g.edge *= 2.0;
  }
  for (int k = 0; k < 3; k++)
    g.origin[k] = lo[k] - (g.nb[k] * g.edge - (hi[k] - lo[k])) / 2.0;
  const int nBoxes = g.nb[0] * g.nb[1] * g.nb[2];
  std::vector<int> atomBox(static_cast<size_t>(nat));
  g.start.assign(static_cast<size_t>(nBoxes) + 1, 0);
  for (int i = 0; i < nat; i++) {
    const int b = g.cellOf(co[3 * i], 0) + g.nb[0] * g.cellOf(co[3 * i + 1], 1) +
                  g.nb[0] * g.nb[1] * g.cellOf(co[3 * i + 2], 2);
    atomBox[i] = b;
    g.start[b + 1]++;
  }
  for (int b = 0; b < nBoxes; b++) g.start[b + 1] += g.start[b];
  std::vector<int> fill(g.start.begin(), g.start.end() - 1);
  g.order.resize(static_cast<size_t>(nat));
  g.sorted.resize(4 * static_cast<size_t>(nat));
  for (int i = 0; i < nat; i++) {
    const int p = fill[atomBox[i]]++;
    g.order[p] = i;
    for (int k = 0; k < 3; k++) g.sorted[4 * p + k] = co[3 * i + k];
    g.sorted[4 * p + 3] = radius[i];
  }
}

// The overlapping neighbours of the atom at position p of the grid.
void gatherNeighbours(const BoxGrid& g, int p, NeighbourSet& s) {
  const double* a = &g.sorted[4 * static_cast<size_t>(p)];
  const double xi = a[0], yi = a[1], zi = a[2], ri = a[3];
  const int ix = g.cellOf(xi, 0), iy = g.cellOf(yi, 1), iz = g.cellOf(zi, 2);
  const int x0 = std::max(ix - 1, 0), x1 = std::min(ix + 1, g.nb[0] - 1);
  struct Candidate {
    double cap, dx, dy, dz, t;
  };
  thread_local std::vector<Candidate> found;
  found.clear();
  for (int jz = std::max(iz - 1, 0); jz <= std::min(iz + 1, g.nb[2] - 1); jz++)
    for (int jy = std::max(iy - 1, 0); jy <= std::min(iy + 1, g.nb[1] - 1); jy++) {
      // Boxes x0..x1 of a row are consecutive: one run of positions.
      const int row = g.nb[0] * (jy + g.nb[1] * jz);
      for (int q = g.start[row + x0]; q < g.start[row + x1 + 1]; q++) {
        if (q == p) continue;
        const double* b = &g.sorted[4 * static_cast<size_t>(q)];
        const double dx = b[0] - xi, dy = b[1] - yi, dz = b[2] - zi;
        const double dd = dx * dx + dy * dy + dz * dz;
        const double rj = b[3];
        if (dd > (ri + rj) * (ri + rj)) continue;
        const double t = (dd + ri * ri - rj * rj) / (2.0 * ri);
        // A dot is buried when its cosine to the neighbour exceeds t / |d|:
        // the smaller that bound, the more dots the neighbour buries.
        double cap = t / std::sqrt(dd);
        if (!(cap == cap)) cap = HUGE_VAL;  // coincident or undefined centres: last
        found.push_back({cap, dx, dy, dz, t});
      }
    }
  // The neighbours burying most come first (the first kCoverScan in order,
  // the rest after them): the dot and group tests then find a burier early.
  // Which neighbour buries a dot does not change whether it is buried.
  auto buriesMore = [](const Candidate& a, const Candidate& b) { return a.cap < b.cap; };
  const auto first = found.begin() + std::min<std::ptrdiff_t>(kCoverScan, found.size());
  std::nth_element(found.begin(), first, found.end(), buriesMore);
  std::sort(found.begin(), first, buriesMore);
  s.n = 0;
  for (const Candidate& c : found) s.add(c.dx, c.dy, c.dz, c.t);
  s.pad();
}

// What the serial sums need of one atom: its exposed dot count and, for the
// volume, its term.
struct AtomResult {
  int exposed = 0;
  double volume = 0.0;
};

// The dot tests of every atom, made on the worker threads: per atom in box
// order its result and, with kNscDots, the flags of its dots.
struct SurfaceTests {
  BoxGrid grid;
  std::vector<AtomResult> results;
  std::vector<unsigned char> exposedAll;  // flags of every atom's dots, for the points
  const double* dots = nullptr;
  int nDot = 0;
  double dotArea = 0.0;
};

// The exposed area of an atom of radius ri with count exposed dots.
double atomArea(double dotArea, double ri, int count) { return dotArea * ri * ri * count; }

// The least count of exposed dots whose area enough(i, area) accepts
// (nDot + 1 when none does); enough is monotone in the area.
int leastCount(const AreaTest& enough, int i, double dotArea, double ri, int nDot) {
  int lo = 0, hi = nDot + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (enough(i, atomArea(dotArea, ri, mid)))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

// Builds the sphere when needed and tests the dots of every atom; enough,
// when given, lets the tests of an atom stop once its outcome is known (the
// count is then exact only below the least count enough accepts). Returns 1
// after a warning when there is no atom, no sphere or no memory.
int testAtoms(const double* co, const double* radius, int nat, int densit, int mode,
              const AreaTest* enough, SurfaceTests& t) {
  const int distribution = unsp_type(densit);
  if (distribution != -nsc.last_unsp || nsc.last_cubus != 4 ||
      (densit != nsc.last_densit && densit != nsc.last_n_dot) || nsc.xpunsp == nullptr) {
    int count = 0;
    if (make_unsp(densit, -distribution, &count, 4) != 0) return 1;
  }
  if (nat <= 0) {
    NSC_WHERE();
    warning("nsc_dclm: no surface atoms selected");
    return 1;
  }
  const double* dots = nsc.xpunsp;
  const int nDot = nsc.n_dot;
  t.dots = dots;
  t.nDot = nDot;
  t.dotArea = kFourPi / nDot;

  double sum[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < nat; i++)
    for (int k = 0; k < 3; k++) sum[k] += co[3 * i + k];
  const double centroid[3] = {sum[0] / nat, sum[1] / nat, sum[2] / nat};

  // The dots of every atom are tested on the worker threads; the sums of the
  // caller then take the atoms one after another (in box order) as a single
  // thread would.
  BoxGrid& grid = t.grid;
  std::vector<DotGroup> groups;
  std::vector<AtomResult>& results = t.results;
  std::vector<unsigned char>& exposedAll = t.exposedAll;
  std::vector<std::unique_ptr<unsigned char[]>> flagsOf;
  std::vector<NeighbourSet> neighbOf, reachOf;
  // An atom costs some eight simple steps per dot (neighbours, cube tests,
  // the dot tests that remain).
  const int grain = std::max(1, kGrainWork / (8 * (nDot + 1)));
  const int workers = chunkCount(nat, grain);
  try {
    buildGrid(co, radius, nat, grid);
    groups = dotGroups(dots);
    results.resize(static_cast<size_t>(nat));
    if (mode & kNscDots) exposedAll.resize(static_cast<size_t>(nat) * nDot);
    // Room for the usual neighbours; a crowded atom grows its set.
    for (int w = 0; w < workers; w++) {
      neighbOf.emplace_back(256);
      reachOf.emplace_back(256);
      if (mode & kNscVolume) flagsOf.emplace_back(new unsigned char[nDot]);
    }
  } catch (const std::bad_alloc&) {
    NSC_WHERE();
    warning("nsc_dclm: no memory for the dot tests of %d atoms", nat);
    return 1;
  }
  // The threads start one after another: each takes atoms two at a time
  // until none is left, so that the first started do more and none is left
  // with a long tail of costly surface atoms while the others wait.
  std::atomic<int> nextAtom{0};
  const int block = 2;
  forChunks(workers, 1, [&](int, int, int worker) {
    NeighbourSet& s = neighbOf[worker];
    for (int begin; (begin = nextAtom.fetch_add(block)) < nat;) {
      for (int p = begin; p < std::min(nat, begin + block); p++) {
        gatherNeighbours(grid, p, s);
        unsigned char* flags = (mode & kNscDots) ? &exposedAll[static_cast<size_t>(p) * nDot]
                               : (mode & kNscVolume) ? flagsOf[worker].get()
                                                     : nullptr;
        const double* a = &grid.sorted[4 * static_cast<size_t>(p)];
        const double ri = a[3];
        const int need = enough != nullptr && flags == nullptr
                             ? leastCount(*enough, grid.order[p], t.dotArea, ri, nDot)
                             : kExactCount;
        AtomResult& r = results[p];
        r.exposed = exposedDots(s, reachOf[worker], groups, dots, nDot, flags, need);
        if (!(mode & kNscVolume)) continue;
        double v[3] = {0.0, 0.0, 0.0};
        for (int d = 0; d < nDot; d++) {
          if (!flags[d]) continue;
          v[0] += dots[3 * d];
          v[1] += dots[3 * d + 1];
          v[2] += dots[3 * d + 2];
        }
        r.volume = ri * ri *
                   (v[0] * (a[0] - centroid[0]) + v[1] * (a[1] - centroid[1]) +
                    v[2] * (a[2] - centroid[2]) + ri * r.exposed);
      }
    }
  });
  return 0;
}

}  // namespace

int nsc_areaTest(const double* co, const double* radius, int nat, int densit,
                 const AreaTest& enough, std::vector<char>* flags) {
  SurfaceTests t;
  if (testAtoms(co, radius, nat, densit, 0, &enough, t) != 0) return 1;
  flags->assign(static_cast<size_t>(nat), 0);
  for (int p = 0; p < nat; p++) {
    const int i = t.grid.order[p];
    (*flags)[i] = enough(i, atomArea(t.dotArea, radius[i], t.results[p].exposed));
  }
  return 0;
}

int nsc_dclm(const double* co, const double* radius, int nat, int densit, int mode,
             double* value_of_area, double** at_area, double* value_of_vol, double** lidots,
             int* nu_dots) {
  SurfaceTests t;
  if (testAtoms(co, radius, nat, densit, mode, nullptr, t) != 0) return 1;
  const BoxGrid& grid = t.grid;
  const std::vector<AtomResult>& results = t.results;
  const std::vector<unsigned char>& exposedAll = t.exposedAll;
  const double* dots = t.dots;
  const int nDot = t.nDot;
  const double dotArea = t.dotArea;

  // Surface points (bit 1): every exposed dot of every atom, atom after atom.
  CBuffer<double> points(nullptr, &std::free);
  size_t nPoints = 0;
  if (mode & kNscDots) {
    for (const AtomResult& r : results) nPoints += static_cast<size_t>(r.exposed);
    NSC_WHERE();
    points.reset(static_cast<double*>(mycalloc(nsc.file, nsc.line, 3 * nPoints, sizeof(double))));
  }
  CBuffer<double> areas(nullptr, &std::free);
  if (mode & kNscAreas) areas = cAlloc<double>(__LINE__, nat);
  double area = 0.0, vol = 0.0;
  double* q = points.get();
  for (int p = 0; p < nat; p++) {
    const int i = grid.order[p];
    const double ri = radius[i];
    const double a = atomArea(dotArea, ri, results[p].exposed);
    area += a;
    if (mode & kNscAreas) areas.get()[i] = a;
    if (mode & kNscVolume) vol += results[p].volume;
    if (!(mode & kNscDots)) continue;
    const unsigned char* flags = &exposedAll[static_cast<size_t>(p) * nDot];
    for (int d = 0; d < nDot; d++) {
      if (!flags[d]) continue;
      q[0] = ri * dots[3 * d] + co[3 * i];
      q[1] = ri * dots[3 * d + 1] + co[3 * i + 1];
      q[2] = ri * dots[3 * d + 2] + co[3 * i + 2];
      q += 3;
    }
  }

  *value_of_area = area;
  if (mode & kNscVolume) *value_of_vol = vol * kFourPi / (3.0 * nDot);
  if (mode & kNscAreas) *at_area = areas.release();
  if (mode & kNscDots) {
    *lidots = points.release();
    *nu_dots = static_cast<int>(nPoints);
  }
  return 0;
}

}  // namespace korim::simulation
