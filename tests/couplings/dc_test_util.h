// Helpers shared by the coupling tests: captured stderr, fixture paths, physical constants,
// command lines and the ubiquitin structure with a coupling table mapped onto it.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "couplings/dc.h"
#include "foundation/cmndargs.h"
#include "structure/pdb.h"

namespace dctest {

inline std::string dataPath(const char* name) { return std::string(KORIM_TEST_DATA) + "/" + name; }

// Everything a call writes to stderr.
template <class F>
std::string captureStderr(F f) {
    std::FILE* tmp = std::tmpfile();
    std::fflush(stderr);
    const int saved = dup(fileno(stderr));
    dup2(fileno(tmp), fileno(stderr));
    f();
    std::fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    std::rewind(tmp);
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, tmp)) out += buf;
    std::fclose(tmp);
    return out;
}

// Dipolar prefactor from the physical constants, mu0/(4 pi) hbar / pi, with r in Angstrom.
constexpr double kPi = 3.14159265358979323846;
constexpr double kPref = 1e-7 * 1.054571817e-34 / kPi * 1e30;
constexpr double gH = 2.675198e8, gN = -2.7116e7, gC = 6.7283e7;
inline double physicalDI(double g1, double g2, double r) { return kPref * g1 * g2 / (r * r * r); }

// v^T S v for a unit vector u, S built from the five Saupe elements with Sxx = -(Szz - Sxxyy)/2
// and Syy = -(Szz + Sxxyy)/2 (the order matrix, not the code's basis functions).
inline double orderMatrixQuad(const double* s, const double* u) {
    const double szz = s[0], sxx = -(s[0] - s[1]) / 2, syy = -(s[0] + s[1]) / 2;
    return sxx * u[0] * u[0] + syy * u[1] * u[1] + szz * u[2] * u[2] + 2 * s[2] * u[0] * u[1] +
           2 * s[3] * u[0] * u[2] + 2 * s[4] * u[1] * u[2];
}

// out = Rz(phi) Ry(theta) Rx(psi) v, angles in degrees (written out independently of the code).
inline void rotateXYZ(double psi, double theta, double phi, const double* v, double* out) {
    const double a = psi * kPi / 180, b = theta * kPi / 180, c = phi * kPi / 180;
    const double x1[3] = {v[0], std::cos(a) * v[1] - std::sin(a) * v[2],
                          std::sin(a) * v[1] + std::cos(a) * v[2]};
    const double y1[3] = {std::cos(b) * x1[0] + std::sin(b) * x1[2], x1[1],
                          -std::sin(b) * x1[0] + std::cos(b) * x1[2]};
    out[0] = std::cos(c) * y1[0] - std::sin(c) * y1[1];
    out[1] = std::sin(c) * y1[0] + std::cos(c) * y1[1];
    out[2] = y1[2];
}

// The matrix of rotateXYZ: its columns are the images of the unit vectors.
inline void rotationXYZ(double psi, double theta, double phi, double m[3][3]) {
    for (int c = 0; c < 3; ++c) {
        const double e[3] = {c == 0 ? 1.0 : 0.0, c == 1 ? 1.0 : 0.0, c == 2 ? 1.0 : 0.0};
        double col[3];
        rotateXYZ(psi, theta, phi, e, col);
        for (int r = 0; r < 3; ++r) m[r][c] = col[r];
    }
}

// getDCTensorParams on a command line "korim <words>"; returns its status.
inline int tensorOptions(std::vector<std::string> words, korim::couplings::DTensor* t) {
    words.insert(words.begin(), "korim");
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    korim::foundation::nullArgs();
    return korim::couplings::getDCTensorParams(static_cast<int>(words.size()), argv.data(), t);
}

// The ubiquitin structure and a coupling table, read; map() selects and builds the rows.
struct Ubiquitin {
    korim::structure::PDBInfo pdb;
    korim::couplings::DTable tab;
    int readStatus = 0;
    explicit Ubiquitin(const char* table) {
        korim::structure::pdbNull(&pdb);
        korim::structure::readPDB(dataPath("ubiquitin_1d3z_model1.pdb").c_str(), &pdb, nullptr, "");
        korim::couplings::dTabNull(&tab);
        readStatus = korim::couplings::readDC(dataPath(table).c_str(), &tab);
    }
    ~Ubiquitin() {
        korim::couplings::dTabFree(&tab);
        korim::structure::pdbFree(&pdb);
        korim::couplings::dipolarFree();
        korim::couplings::fitDCFree();
    }
    int map(int allowFixed = 1, int aOff = 0) {
        korim::couplings::mapDCInfo(&pdb, &tab, aOff);
        korim::couplings::selectD(tab.dObsList, tab.dCount, -1000, 1000, 3);
        return korim::couplings::buildDC(&pdb, &tab, aOff, 0, nullptr, 0, allowFixed);
    }
    float q() {
        float qq = 0, r = 0;
        int n = 0;
        korim::couplings::getStatDCQR(tab.dObsList, tab.dCalcList, tab.dCount, &qq, &r, &n);
        return qq;
    }
};

}  // namespace dctest
