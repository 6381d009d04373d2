// Sphere of orientations (icosahedron refinements) and the numerical
// solvent-accessible surface calculation that places those dots on atoms.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace korim::simulation {

// Mode bits of nsc_dclm.
constexpr int kNscDots = 1;    // return the exposed surface points
constexpr int kNscVolume = 2;  // return the enclosed volume
constexpr int kNscAreas = 4;   // return the area of every atom

// Distribution codes of the sphere.
constexpr int kUnspDodecahedral = 9;  // 30 t^2 + 2 dots
constexpr int kUnspArc = 10;          // 10 t^2 + 2 dots

// Densities accepted by make_unsp: below 3 the refinement formulas give
// fewer dots than asked; the upper bound keeps the dot count within an int
// and the sphere within memory.
constexpr int kUnspMinDensity = 3;
constexpr int kUnspMaxDensity = 1000000;

// 9 or 10: the distribution that reaches the density with fewer dots
// (the dodecahedral one on a tie).
int unsp_type(int densit);

// Builds the sphere of distribution |mode| (9 or 10) into the module buffer,
// replacing (and releasing) the previous one; a negative mode also sorts the
// dots into cubus^3 elementary cubes of [-1, 1]^3 (cubus 0: chosen from the
// dot count). Returns 0, or 1 (after a warning) for another mode or a density
// outside [kUnspMinDensity, kUnspMaxDensity]; the module is then empty.
int make_unsp(int densit, int mode, int* num_dot, int cubus);

// Builds the arc or dodecahedral sphere into a new module buffer and returns
// its dot count.
int ico_dot_arc(int densit);
int ico_dot_dod(int densit);

// The 12 icosahedron vertices (36 doubles) on the unit sphere.
void icosaeder_vertices(double* xus);

// The point at fraction div1/div2 of the great-circle arc from vector 1
// towards vector 2, normalised.
void divarc(double x1, double y1, double z1, double x2, double y2, double z2, int div1, int div2,
            double* xr, double* yr, double* zr);

// asin that accepts |f| up to 1.001 (returning pi/2) and stops the program
// beyond.
double safe_asin(double f);

// The module's reports on stderr. error() ends the program with status 1;
// warning() flushes stdout and stderr and returns.
[[noreturn]] void error(const char* format, ...) __attribute__((format(printf, 1, 2)));
void warning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Zero-filled allocation and reallocation from the system allocator;
// failures are reported through error() with the calling unit and line.
void* mycalloc(const char* filename, int linenr, size_t nelem, size_t elsize);
void* myrealloc(const char* filename, int linenr, void* ptr, size_t size);

// Surface of nat spheres (centres co, x y z per atom, 0-based; radii already
// including the probe) with dots of a sphere of density densit. Writes the
// total area always, the volume with kNscVolume, a new array of nat atom
// areas with kNscAreas and a new array of 3 * *nu_dots exposed points with
// kNscDots (both from the system allocator: release with std::free).
// Returns 0, or 1 when there is no atom or no sphere; outputs are written
// only on success. May rebuild the module's sphere.
int nsc_dclm(const double* co, const double* radius, int nat, int densit, int mode,
             double* value_of_area, double** at_area, double* value_of_vol, double** lidots,
             int* nu_dots);

// A test of an atom's exposed area: enough(atom, area), monotone in the area
// (false below some area, true from there on).
using AreaTest = std::function<bool(int atom, double area)>;

// flags[i] = enough(i, area of sphere i) for the areas nsc_dclm gives with
// kNscAreas (same spheres, density and rounding), the dot tests of a sphere
// stopping once its outcome is known. Returns 0, or 1 as nsc_dclm (flags
// then untouched).
int nsc_areaTest(const double* co, const double* radius, int nat, int densit,
                 const AreaTest& enough, std::vector<char>* flags);

// The module's current sphere (n_dot dots, x y z each, in build order, or in
// cube order after a sorted build); null when empty. Valid until the next
// build.
const double* unspCurrentDots(int* nDots);

// Cube tables of the last sorted build: cube count per axis and, per cube b
// (b = ix + c*iy + c^2*iz), its dot count and first dot. False when the last
// build was not sorted.
bool unspCubes(int* cubeCount, const int** dotsPerCube, const int** firstDot);

// A stable copy of the current sphere: it stays valid and unchanged when
// the module builds another sphere, and lives until nscReset() or the end of
// the process. Null when the module is empty.
double* unspHandOut();

// Builds the sorted spheres of densities first and second (0: none) with
// cubes 4 (the orientations' and the surface's) one after the other on a
// thread of their own while the caller goes on; the next such make_unsp of
// each takes it (waiting for it) instead of building it. Spheres not yet
// taken are dropped. Call from one thread.
void prebuildSpheres(int first, int second);

// Releases the sphere, the cube tables and every handed-out copy, and clears
// the keys (for tests).
void nscReset();

}  // namespace korim::simulation
