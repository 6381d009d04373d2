// Sphere of orientations (icosahedron refinements) and the numerical
// solvent-accessible surface of a set of spheres (dots tested against
// neighbours found through a grid of boxes).
#include "simulation/nsc.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
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

NscState nsc;

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

int make_unsp(int densit, int mode, int* num_dot, int cubus) {
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
  releaseSphere();
  for (double* p : nsc.handedOut) std::free(p);
  nsc = NscState();
}

namespace {

struct Neighb {
  double x, y, z;  // vector from the atom to the neighbour
  double dot;      // a unit dot u is buried when u . (x, y, z) > dot
};

}  // namespace

int nsc_dclm(const double* co, const double* radius, int nat, int densit, int mode,
             double* value_of_area, double** at_area, double* value_of_vol, double** lidots,
             int* nu_dots) {
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
  const double dotArea = kFourPi / nDot;

  // Surface points (bit 1): grown by one sphere's worth whenever the next
  // point would not fit.
  CBuffer<double> points(nullptr, &std::free);
  size_t room = 0, nPoints = 0;
  if (mode & kNscDots) {
    room = (3 * static_cast<size_t>(nDot) * nat) / 10;
    NSC_WHERE();
    points.reset(static_cast<double*>(mycalloc(nsc.file, nsc.line, room, sizeof(double))));
  }
  CBuffer<double> areas(nullptr, &std::free);
  if (mode & kNscAreas) areas = cAlloc<double>(__LINE__, nat);

  // Bounding box, centroid, largest radius.
  double lo[3], hi[3], sum[3] = {0.0, 0.0, 0.0}, rmax = 0.0;
  for (int k = 0; k < 3; k++) lo[k] = hi[k] = co[k];
  for (int i = 0; i < nat; i++) {
    for (int k = 0; k < 3; k++) {
      const double v = co[3 * i + k];
      if (v < lo[k]) lo[k] = v;
      if (v > hi[k]) hi[k] = v;
      sum[k] += v;
    }
    if (radius[i] > rmax) rmax = radius[i];
  }
  const double centroid[3] = {sum[0] / nat, sum[1] / nat, sum[2] / nat};

  // Boxes of edge 2 rmax: overlapping spheres lie in adjacent boxes. The
  // edge only grows (which keeps that true) when the extent would need an
  // absurd number of boxes.
  double edge = rmax > 0.0 ? 2.0 * rmax : 1.0;
  int nb[3];
  for (;;) {
    double total = 1.0;
    for (int k = 0; k < 3; k++) {
      double n = std::ceil((hi[k] - lo[k]) / edge);
      if (!(n >= 1.0)) n = 1.0;
      if (n > 1.0e6) n = 1.0e6;
      nb[k] = static_cast<int>(n);
      total *= n;
    }
    if (total <= 8.0 * nat + 1.0e6) break;
    edge *= 2.0;
  }
  double origin[3];
  for (int k = 0; k < 3; k++) origin[k] = lo[k] - (nb[k] * edge - (hi[k] - lo[k])) / 2.0;
  const int nBoxes = nb[0] * nb[1] * nb[2];

  // Counting sort of the atoms by box.
  CBuffer<int> work = cAlloc<int>(__LINE__, 2 * static_cast<size_t>(nat));
  int* order = work.get();     // atoms box by box
  int* atomBox = order + nat;  // box of each atom
  CBuffer<int> flags = cAlloc<int>(__LINE__, static_cast<size_t>(nDot) + nBoxes + 1);
  int* boxStart = flags.get() + nDot;  // nBoxes + 1 running starts
  auto cellOf = [&](double v, int k) {
    double f = std::floor((v - origin[k]) / edge);
    if (!(f >= 0.0)) f = 0.0;
    if (f > nb[k] - 1) f = nb[k] - 1;
    return static_cast<int>(f);
  };
  for (int i = 0; i < nat; i++) {
    const int b = cellOf(co[3 * i], 0) + nb[0] * cellOf(co[3 * i + 1], 1) +
                  nb[0] * nb[1] * cellOf(co[3 * i + 2], 2);
    atomBox[i] = b;
    boxStart[b + 1]++;
  }
  int mostInBox = 0;
  for (int b = 0; b < nBoxes; b++) {
    if (boxStart[b + 1] > mostInBox) mostInBox = boxStart[b + 1];
    boxStart[b + 1] += boxStart[b];
  }
  {
    std::vector<int> fill(boxStart, boxStart + nBoxes);
    for (int i = 0; i < nat; i++) order[fill[atomBox[i]]++] = i;
  }

  // The dots of every atom (in box order) are tested on the worker threads;
  // the sums below then take the atoms one after another as a single thread
  // would.
  const long long maxNeighb = std::min<long long>(nat, 27LL * mostInBox);
  const int workers = chunkCount(nat, std::max(1, 2 * kGrainWork / (nDot + 1)));
  std::vector<unsigned char> exposedAll;
  std::vector<int> exposedCount;
  std::vector<std::vector<Neighb>> neighbOf;
  std::vector<std::vector<int>> candidatesOf;
  try {
    exposedAll.resize(static_cast<size_t>(nat) * nDot);
    exposedCount.resize(static_cast<size_t>(nat));
    neighbOf.assign(static_cast<size_t>(workers), std::vector<Neighb>(maxNeighb));
    candidatesOf.resize(static_cast<size_t>(workers));
    for (auto& c : candidatesOf) c.reserve(static_cast<size_t>(maxNeighb));
  } catch (const std::bad_alloc&) {
    NSC_WHERE();
    warning("nsc_dclm: no memory for the dot tests of %d atoms", nat);
    return 1;
  }
  forChunks(nat, std::max(1, 2 * kGrainWork / (nDot + 1)), [&](int begin, int end, int worker) {
    Neighb* neighb = neighbOf[worker].data();
    std::vector<int>& candidates = candidatesOf[worker];
    int candidatesBox = -1;
    for (int p = begin; p < end; p++) {
      const int i = order[p];
      const int b = atomBox[i];
      if (b != candidatesBox) {
        candidatesBox = b;
        const int ix = b % nb[0], iy = (b / nb[0]) % nb[1], iz = b / (nb[0] * nb[1]);
        candidates.clear();
        for (int jz = iz - 1; jz <= iz + 1; jz++) {
          if (jz < 0 || jz >= nb[2]) continue;
          for (int jy = iy - 1; jy <= iy + 1; jy++) {
            if (jy < 0 || jy >= nb[1]) continue;
            for (int jx = ix - 1; jx <= ix + 1; jx++) {
              if (jx < 0 || jx >= nb[0]) continue;
              const int jb = jx + nb[0] * jy + nb[0] * nb[1] * jz;
              for (int q = boxStart[jb]; q < boxStart[jb + 1]; q++)
                candidates.push_back(order[q]);
            }
          }
        }
      }
      const double xi = co[3 * i], yi = co[3 * i + 1], zi = co[3 * i + 2];
      const double ri = radius[i];
      unsigned char* dotExposed = &exposedAll[static_cast<size_t>(p) * nDot];
      int nNeighb = 0;
      for (int j : candidates) {
        if (j == i) continue;
        const double dx = co[3 * j] - xi, dy = co[3 * j + 1] - yi, dz = co[3 * j + 2] - zi;
        const double dd = dx * dx + dy * dy + dz * dz;
        const double rj = radius[j];
        if (dd > (ri + rj) * (ri + rj)) continue;
        neighb[nNeighb++] = Neighb{dx, dy, dz, (dd + ri * ri - rj * rj) / (2.0 * ri)};
      }
      int exposed = 0;
      if (nNeighb == 0) {
        for (int d = 0; d < nDot; d++) dotExposed[d] = 1;
        exposed = nDot;
      } else {
        // The neighbour that buried the last dot usually buries the next.
        int last = 0;
        for (int d = 0; d < nDot; d++) {
          dotExposed[d] = 0;
          const double ux = dots[3 * d], uy = dots[3 * d + 1], uz = dots[3 * d + 2];
          const Neighb& nl = neighb[last];
          if (ux * nl.x + uy * nl.y + uz * nl.z > nl.dot) continue;
          bool buried = false;
          for (int n = 0; n < nNeighb; n++) {
            const Neighb& nn = neighb[n];
            if (ux * nn.x + uy * nn.y + uz * nn.z > nn.dot) {
              last = n;
              buried = true;
              break;
            }
          }
          if (!buried) {
            dotExposed[d] = 1;
            exposed++;
          }
        }
      }
      exposedCount[p] = exposed;
    }
  });

  double area = 0.0, vol = 0.0;
  for (int p = 0; p < nat; p++) {
    {
      const int i = order[p];
      const double xi = co[3 * i], yi = co[3 * i + 1], zi = co[3 * i + 2];
      const double ri = radius[i];
      const unsigned char* dotExposed = &exposedAll[static_cast<size_t>(p) * nDot];
      const int exposed = exposedCount[p];
      const double a = dotArea * ri * ri * exposed;
      area += a;
      if (mode & kNscAreas) areas.get()[i] = a;
      if (mode & kNscDots) {
        for (int d = 0; d < nDot; d++) {
          if (!dotExposed[d]) continue;
          if (room < 3 * (nPoints + 1)) {
            const size_t newRoom = room + 3 * static_cast<size_t>(nDot);
            NSC_WHERE();
            double* grown = static_cast<double*>(
                myrealloc(nsc.file, nsc.line, points.get(), newRoom * sizeof(double)));
            points.release();
            points.reset(grown);
            room = newRoom;
          }
          double* q = points.get() + 3 * nPoints;
          q[0] = ri * dots[3 * d] + xi;
          q[1] = ri * dots[3 * d + 1] + yi;
          q[2] = ri * dots[3 * d + 2] + zi;
          nPoints++;
        }
      }
      if (mode & kNscVolume) {
        double s[3] = {0.0, 0.0, 0.0};
        for (int d = 0; d < nDot; d++) {
          if (!dotExposed[d]) continue;
          s[0] += dots[3 * d];
          s[1] += dots[3 * d + 1];
          s[2] += dots[3 * d + 2];
        }
        vol += ri * ri *
               (s[0] * (xi - centroid[0]) + s[1] * (yi - centroid[1]) +
                s[2] * (zi - centroid[2]) + ri * exposed);
      }
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
