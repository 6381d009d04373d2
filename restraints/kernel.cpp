// Energy kernels of the restraint library: geometry helpers and the distance, angle, torsion, coupling and shift terms.
#include "restraints/kernel.h"

#include <cmath>

#include "couplings/dc.h"
#include "restraints/cs.h"
#include "restraints/restab.h"

namespace korim::restraints {

namespace {

struct V3 {
    double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(double s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 pos(const AtomInfo* a) { return {a->x, a->y, a->z}; }
V3 pos(const structure::Coord3D* c) { return {c->x, c->y, c->z}; }

// Length of a vector, sqrt of the absolute squared length.
double len(V3 a) { return std::sqrt(std::fabs(dot(a, a))); }
// Length floored at 0.01 when its square is below 0.0001.
double flooredLen(V3 a) { return dot(a, a) < 0.0001 ? 0.01 : len(a); }
// Inverse of a length; exactly 0 gives 1.
double invLen(double r) { return r == 0.0 ? 1.0 : 1.0 / r; }

void addForce(AtomInfo* a, double s, V3 g) {
    a->force[0].x += s * g.x;
    a->force[0].y += s * g.y;
    a->force[0].z += s * g.z;
}

// One wrap of an angle (radians) into -pi..pi.
double wrapOnce(double a) {
    if (a > kMerPi) return a - kMerTwoPi;
    if (a < kMerWrapLow) return a + kMerTwoPi;
    return a;
}

// Deviation of x from the strict bounds lo..hi.
double wellDeviation(double x, double lo, double hi) {
    if (x > hi) return x - hi;
    if (x < lo) return x - lo;
    return 0.0;
}

void clearResult(GenericEnergy* e) {
    e->status = 0;
    e->energy = e->delta = e->diff = e->val = e->vio = 0.0;
}

// Square well on the distance of atom I from point p; the derivative on I is returned.
V3 pointWell(AtomInfo* atomI, V3 p, double dLo, double dHi, double forceConst,
             GenericEnergy* e) {
    V3 d = pos(atomI) - p;
    double r = len(d);
    double delta = wellDeviation(r, dLo, dHi);
    e->delta = delta;
    e->energy = forceConst * delta * delta;
    e->diff = r;
    V3 g = (2.0 * forceConst * delta * invLen(r)) * d;
    addForce(atomI, 1.0, g);
    return g;
}

// Orientation term of a dipolar coupling or a pseudo-contact shift for the vector r: the value
// |k| [Szz(3z^2q-1)/2 + Sxxyy(x^2-y^2)q/2 + 2q(Sxy xy + Sxz xz + Syz yz)] with q = 1/r^2, and
// its derivative with respect to r in grad. Evaluated in double precision, so that the energy
// is smooth on the scale of a minimiser's steps.
double orientTerm(double k, const float* s, V3 r, V3* grad) {
    double r2 = dot(r, r);
    double q = r2 <= 0.0001 ? 10000.0 : 1.0 / r2;
    double q2 = r2 * r2 <= 0.0001 ? 10000.0 : q * q;
    double x = r.x, y = r.y, z = r.z;
    double p = 1.5 * s[0] * z * z + 0.5 * s[1] * (x * x - y * y) + 2.0 * s[2] * x * y +
               2.0 * s[3] * x * z + 2.0 * s[4] * y * z;
    V3 gp{s[1] * x + 2.0 * s[2] * y + 2.0 * s[3] * z, -s[1] * y + 2.0 * s[2] * x + 2.0 * s[4] * z,
          3.0 * s[0] * z + 2.0 * s[3] * x + 2.0 * s[4] * y};
    double ak = std::fabs(k);
    *grad = ak * (q * gp - (2.0 * p * q2) * r);
    return ak * (p * q - 0.5 * s[0]);
}

}  // namespace

// ---- Geometry ----

int merDistCheck(const AtomInfo* atomI, const AtomInfo* atomJ) {
    V3 d = pos(atomI) - pos(atomJ);
    return dot(d, d) >= 0.01 ? 1 : 0;
}

int merAngleCheck(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK) {
    V3 u = pos(atomI) - pos(atomJ), v = pos(atomJ) - pos(atomK);
    double c = dot(u, v) / (flooredLen(u) * flooredLen(v));
    return c >= -0.99 && c <= 0.99 ? 1 : 0;
}

int merTorsionUsable(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK,
                     const AtomInfo* atomL) {
    return merDistCheck(atomI, atomJ) && merDistCheck(atomJ, atomK) &&
           merDistCheck(atomK, atomL) && merAngleCheck(atomI, atomJ, atomK) &&
           merAngleCheck(atomJ, atomK, atomL);
}

double merTorsionAngle(const AtomInfo* atomI, const AtomInfo* atomJ, const AtomInfo* atomK,
                       const AtomInfo* atomL) {
    V3 a = pos(atomI) - pos(atomJ), b = pos(atomJ) - pos(atomK), c = pos(atomK) - pos(atomL);
    V3 n1 = cross(a, b), n2 = cross(b, c), m = cross(b, n1);
    double cosPhi = dot(n1, n2) / (flooredLen(n1) * flooredLen(n2));
    cosPhi = cosPhi > 1.0 ? 1.0 : (cosPhi < -1.0 ? -1.0 : cosPhi);
    double phi = std::acos(cosPhi);
    return dot(n2, m) >= 0.0 ? -phi : phi;
}

// The derivative of the torsion in its closed form: with F = I - J, G = J - K, H = L - K,
// A = F x G and B = H x G, dphi/dI = -|G|/|A|^2 A and dphi/dL = |G|/|B|^2 B; J and K take
// the rest so that the four sum to zero. Equal to the ratio of the cosine and sine
// derivatives wherever either is defined, without the switch between them.
void merApplyTorsionForces(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL,
                           double dedphi) {
    V3 f = pos(atomI) - pos(atomJ), g = pos(atomJ) - pos(atomK), h = pos(atomL) - pos(atomK);
    V3 a = cross(f, g), b = cross(h, g);
    double a2 = dot(a, a) < 0.0001 ? 0.0001 : dot(a, a);
    double b2 = dot(b, b) < 0.0001 ? 0.0001 : dot(b, b);
    double gl = flooredLen(g);
    V3 dI = (-gl / a2) * a;
    V3 dL = (gl / b2) * b;
    double fg = dot(f, g) / (a2 * gl), hg = dot(h, g) / (b2 * gl);
    V3 dJ = (-1.0) * dI + fg * a - hg * b;
    V3 dK = (-1.0) * dL - fg * a + hg * b;
    addForce(atomI, dedphi, dI);
    addForce(atomJ, dedphi, dJ);
    addForce(atomK, dedphi, dK);
    addForce(atomL, dedphi, dL);
}

double merPhaseCorrectedTorsion(const AtomInfo* atomI, const AtomInfo* atomJ,
                                const AtomInfo* atomK, const AtomInfo* atomL, double phase1,
                                double phase2) {
    double phi = merTorsionAngle(atomI, atomJ, atomK, atomL);
    if (phi < phase1) phi += phase2;
    if (phi > kMerTwoPi) phi -= kMerTwoPi;
    if (phi < 0.0) phi += kMerTwoPi;
    return phi;
}

double merNormalizedTorsion(double phi, double range) {
    if (phi > range / 2.0) return phi - range;
    if (phi < -range / 2.0) return phi + range;
    return phi;
}

int removeForcesAlongVector(float xvec, float yvec, float zvec, float& xforce, float& yforce,
                            float& zforce) {
    float vv = xvec * xvec + yvec * yvec + zvec * zvec;
    if (vv == 0.0f) return 0;  // no direction to remove
    float p = (xforce * xvec + yforce * yvec + zforce * zvec) / vv;
    xforce -= p * xvec;
    yforce -= p * yvec;
    zforce -= p * zvec;
    return 0;
}

// ---- Distance kernels ----

int merBondEnergy(AtomInfo* atomI, AtomInfo* atomJ, double equil, double forceConst,
                  GenericEnergy* energyInfo) {
    V3 d = pos(atomI) - pos(atomJ);
    double r = len(d), delta = r - equil;
    energyInfo->status = 0;
    energyInfo->val = r;
    energyInfo->delta = delta;
    energyInfo->energy = forceConst * delta * delta;
    double g = 2.0 * forceConst * delta * invLen(r);
    addForce(atomI, g, d);
    addForce(atomJ, -g, d);
    return 0;
}

int merDistEnergy(AtomInfo* atomI, AtomInfo* atomJ, double equil, double forceConst,
                  GenericEnergy* energyInfo) {
    return merBondEnergy(atomI, atomJ, equil, forceConst, energyInfo);
}

int merDSEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL, double dLo,
                double dHi, double forceConst, GenericEnergy* energyInfo) {
    V3 d1 = pos(atomI) - pos(atomJ), d2 = pos(atomK) - pos(atomL);
    double r1 = len(d1), r2 = len(d2);
    double delta = wellDeviation(r1 - r2, dLo, dHi);
    energyInfo->delta = delta;
    energyInfo->energy = forceConst * delta * delta;
    double g = 2.0 * forceConst * delta;
    addForce(atomI, g * invLen(r1), d1);
    addForce(atomJ, -g * invLen(r1), d1);
    addForce(atomK, -g * invLen(r2), d2);
    addForce(atomL, g * invLen(r2), d2);
    return 0;
}

int merACEnergy(AtomInfo* atomI, const structure::Coord3D* coordPtr, float /*d*/, double dLo,
                double dHi, double forceConst, GenericEnergy* energyInfo) {
    pointWell(atomI, pos(coordPtr), dLo, dHi, forceConst, energyInfo);
    return 0;
}

int merNCSEnergy(AtomInfo* atomI, AtomInfo* atomJ, const structure::Coord3D* coordPtr,
                 int alignFlag, const float /*rot*/[4][4], float /*d*/, double dLo, double dHi,
                 double forceConst, GenericEnergy* energyInfo) {
    V3 g = pointWell(atomI, pos(coordPtr), dLo, dHi, forceConst, energyInfo);
    if (alignFlag == 0) addForce(atomJ, -1.0, g);
    return 0;
}

int merVDWEnergy(AtomInfo* atomI, AtomInfo* atomJ, double fc, double size,
                 GenericEnergy* energyInfo) {
    double rmin = (atomI->ljSigma + atomJ->ljSigma) * size * kMerVdwRminFactor;
    V3 d = pos(atomI) - pos(atomJ);
    energyInfo->energy = energyInfo->delta = 0.0;
    if (std::fabs(d.x) > rmin || std::fabs(d.y) > rmin || std::fabs(d.z) > rmin) return 0;
    double r2 = dot(d, d);
    if (r2 > rmin * rmin) return 0;
    double delta = rmin * rmin - r2;
    energyInfo->delta = delta;
    energyInfo->energy = fc * delta * delta;
    addForce(atomI, -4.0 * fc * delta, d);
    addForce(atomJ, 4.0 * fc * delta, d);
    return 0;
}

// ---- Angle and torsion kernels ----

int merAngleEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, double equil,
                   double forceConst, GenericEnergy* energyInfo) {
    energyInfo->status = 0;
    if (!merDistCheck(atomI, atomJ) || !merDistCheck(atomJ, atomK)) {
        energyInfo->energy = energyInfo->delta = energyInfo->val = 0.0;
        return 1;
    }
    V3 u = pos(atomI) - pos(atomJ), v = pos(atomK) - pos(atomJ);
    double lu = flooredLen(u), lv = flooredLen(v);
    double c = dot(u, v) / (lu * lv);
    c = c > 1.0 ? 1.0 : (c < -1.0 ? -1.0 : c);
    double theta = std::acos(c);
    double delta = theta - equil * kMerDegToRad;
    energyInfo->energy = forceConst * delta * delta;
    energyInfo->delta = delta * kMerRadToDeg;
    energyInfo->val = theta * kMerRadToDeg;
    double s = std::sqrt(1.0 - c * c);
    double invSin = s < 0.0001 ? 10000.0 : 1.0 / s;
    double g = -2.0 * forceConst * delta * invSin;  // dE/dcos
    V3 dI = (1.0 / (lu * lv)) * v - (c / (lu * lu)) * u;
    V3 dK = (1.0 / (lu * lv)) * u - (c / (lv * lv)) * v;
    addForce(atomI, g, dI);
    addForce(atomK, g, dK);
    addForce(atomJ, -g, dI + dK);
    return 0;
}

int merImproperEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL,
                      double equil, double forceConst, GenericEnergy* energyInfo) {
    energyInfo->status = 0;
    if (!merTorsionUsable(atomI, atomJ, atomK, atomL)) {
        clearResult(energyInfo);
        return 1;
    }
    double phi = merTorsionAngle(atomI, atomJ, atomK, atomL);
    double delta = wrapOnce(phi - equil * kMerDegToRad);
    merApplyTorsionForces(atomI, atomJ, atomK, atomL, 2.0 * forceConst * delta);
    energyInfo->energy = forceConst * delta * delta;
    energyInfo->delta = delta * kMerRadToDeg;
    energyInfo->val = phi * kMerRadToDeg;
    return 0;
}

int merTorsionSquareWellEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK,
                               AtomInfo* atomL, double tLo, double tHi, double forceConst,
                               GenericEnergy* energyInfo) {
    clearResult(energyInfo);
    if (!merTorsionUsable(atomI, atomJ, atomK, atomL)) return 1;
    double h = (tHi - tLo) / 2.0;
    double centre = wrapOnce((tLo + h) * kMerDegToRad);
    double w = wrapOnce(std::fabs(h) * kMerDegToRad);
    double phi = merTorsionAngle(atomI, atomJ, atomK, atomL);
    double e = wrapOnce(phi - centre);
    if (std::fabs(e) < w) {
        energyInfo->status = 1;
        merApplyTorsionForces(atomI, atomJ, atomK, atomL, 0.0);
    } else {
        double bound = wrapOnce(e < 0.0 ? centre - w : centre + w);
        double v = wrapOnce(phi - bound);
        energyInfo->status = -1;
        energyInfo->energy = forceConst * v * v;
        merApplyTorsionForces(atomI, atomJ, atomK, atomL, 2.0 * forceConst * v);
        energyInfo->delta = energyInfo->vio = v * kMerRadToDeg;
    }
    energyInfo->diff = e * kMerRadToDeg;
    energyInfo->val = phi * kMerRadToDeg;
    return 0;
}

// With absFlag the deviation is |J| - |targ|, whose derivative carries the sign of J.
int mer3JEnergy(AtomInfo* atomI, AtomInfo* atomJ, AtomInfo* atomK, AtomInfo* atomL, double a,
                double b, double c, double phase, int absFlag, double targ, double forceConst,
                GenericEnergy* energyInfo) {
    clearResult(energyInfo);
    if (!merTorsionUsable(atomI, atomJ, atomK, atomL)) return 1;
    double theta = merTorsionAngle(atomI, atomJ, atomK, atomL) + phase * kMerDegToRad;
    double ct = std::cos(theta), st = std::sin(theta);
    double j = a * ct * ct + b * ct + c;
    double x = absFlag != 0 ? std::fabs(j) - std::fabs(targ) : j - targ;
    double dj = -2.0 * a * ct * st - b * st;
    if (absFlag != 0 && j < 0.0) dj = -dj;
    merApplyTorsionForces(atomI, atomJ, atomK, atomL, 2.0 * forceConst * x * dj);
    energyInfo->delta = energyInfo->diff = energyInfo->vio = x;
    energyInfo->energy = forceConst * x * x;
    energyInfo->val = j;
    return 0;
}

// ---- Radius of gyration, couplings, shifts ----

int merRadGyrEnergy(RadGyrInfo** atomList, int atomCount, double sizeScale,
                    double forceConstScale, GenericEnergy* energyInfo) {
    if (atomList == nullptr || atomCount < 1) return 0;
    double fc = forceConstScale * atomList[0]->fc;
    double target = sizeScale * atomList[0]->target;
    float cx = 0.0f, cy = 0.0f, cz = 0.0f;
    for (int i = 0; i < atomCount; i++) {
        cx += atomList[i]->atom->x;
        cy += atomList[i]->atom->y;
        cz += atomList[i]->atom->z;
    }
    V3 centre{cx / atomCount, cy / atomCount, cz / atomCount};
    double sum = 0.0;
    for (int i = 0; i < atomCount; i++) {
        V3 d = pos(atomList[i]->atom) - centre;
        sum += dot(d, d);
    }
    double rg = std::sqrt(sum / atomCount);
    double delta = rg - target;
    energyInfo->delta = delta;
    energyInfo->energy = fc * delta * delta;
    if (rg == 0.0) return 0;  // coinciding atoms: no direction to push along
    double g = 2.0 * fc * delta / (atomCount * rg);
    for (int i = 0; i < atomCount; i++) addForce(atomList[i]->atom, g, pos(atomList[i]->atom) - centre);
    return 0;
}

int merDCEnergy(couplings::DInfo* dObs, couplings::DInfo* /*dCalc*/, const float* saupe,
                double forceConstScale, GenericEnergy* energyInfo) {
    AtomInfo* atomI = dObs->atomI[0];
    AtomInfo* atomJ = dObs->atomJ[0];
    V3 g;
    double x0 = orientTerm(dObs->di, saupe, pos(atomJ) - pos(atomI), &g) - dObs->d;
    double k = dObs->w * forceConstScale;
    energyInfo->energy = k * x0 * x0;
    energyInfo->delta = dObs->w * x0;
    addForce(atomJ, 2.0 * k * x0, g);
    addForce(atomI, -2.0 * k * x0, g);
    return 0;
}

int merPCSEnergy(PCSInfo* pcsPtr, CSInfo* csPtr, const float* saupe, double forceConstScale,
                 GenericEnergy* energyInfo) {
    V3 r{static_cast<double>(csPtr->x) - pcsPtr->x, static_cast<double>(csPtr->y) - pcsPtr->y,
         static_cast<double>(csPtr->z) - pcsPtr->z};
    V3 g;
    double gamma = static_cast<double>(pcsPtr->gamma) * csPtr->gamma;
    double x0 = orientTerm(gamma, saupe, r, &g) - csPtr->shift;
    double k = csPtr->w * forceConstScale;
    energyInfo->energy = k * x0 * x0;
    energyInfo->delta = csPtr->w * x0;
    if (pcsPtr->atom != nullptr) addForce(pcsPtr->atom, -2.0 * k * x0, g);
    int n = csPtr->atomCount;
    if (n > structure::PDB_MAX_ATOM_LIST) n = structure::PDB_MAX_ATOM_LIST;
    for (int i = 0; i < n; i++) {
        if (csPtr->atomList[i] != nullptr) addForce(csPtr->atomList[i], 2.0 * k * x0 / n, g);
    }
    return 0;
}

// ---- NOE groups ----

namespace {

// Effective distance of a group: (sum over the members of r^-6)^-0.166667, or with mean the
// mean instead of the sum, in double precision so that it is smooth on the scale of a
// minimiser's steps. A pair at distance 0 makes it 0.
double noeEffective(const SimpleNOE* noe, bool mean) {
    double s = 0.0;
    for (int i = 0; i < noe->count; i++) {
        const DistInfo* m = noe->distList[i];
        V3 d = pos(m->atomI) - pos(m->atomJ);
        double r2 = dot(d, d);
        if (r2 == 0.0) return 0.0;
        s += 1.0 / (r2 * r2 * r2);
    }
    if (mean) s /= noe->count;
    return std::pow(s, kMerNoeExponent);
}

double noeDeviation(const SimpleNOE* noe, double rEff) {
    const DistInfo* first = noe->distList[0];
    if (rEff < first->dLo) return rEff - first->dLo;
    if (rEff > first->dHi) return rEff - first->dHi;
    return 0.0;
}

// Energy of the group at deviation delta; g divided by divisor on every member pair.
double noeWell(SimpleNOE* noe, double delta, double scale, double divisor) {
    const DistInfo* first = noe->distList[0];
    double k = first->fc * scale;
    double r = delta < 0.0 ? first->dLo + delta
                           : (delta > 0.0 ? first->dHi + delta : (first->dLo + first->dHi) / 2.0);
    double r7 = std::pow(r, 7.0);
    for (int i = 0; i < noe->count; i++) {
        DistInfo* m = noe->distList[i];
        V3 d = pos(m->atomI) - pos(m->atomJ);
        double r2 = dot(d, d);
        if (r2 == 0.0) continue;  // coinciding pair: no direction
        double g = r7 / (r2 * r2 * r2 * r2) * 2.0 * k * delta / divisor;
        addForce(m->atomI, g, d);
        addForce(m->atomJ, -g, d);
    }
    return k * delta * delta;
}

}  // namespace

void merSingleAssignSumNOEDeviation(SimpleNOE* simpleNOE) {
    if (simpleNOE == nullptr || simpleNOE->count < 1) return;
    double rEff = noeEffective(simpleNOE, false);
    double delta = noeDeviation(simpleNOE, rEff);
    for (int i = 0; i < simpleNOE->count; i++) {
        simpleNOE->distList[i]->status = kMerStatusUnused;
        simpleNOE->distList[i]->dCurrent = static_cast<float>(rEff);
        simpleNOE->distList[i]->dVio = static_cast<float>(delta);
    }
}

double merNOEGroupDeviation(const SimpleNOE* simpleNOE, int mean) {
    if (simpleNOE == nullptr || simpleNOE->count < 1) return 0.0;
    return noeDeviation(simpleNOE, noeEffective(simpleNOE, mean != 0));
}

double merSingleAssignR6NOEDeviation(SimpleNOE* simpleNOE) {
    if (simpleNOE == nullptr || simpleNOE->count < 1) return 0.0;
    return noeDeviation(simpleNOE, noeEffective(simpleNOE, true));
}

int merSingleAssignSumNOESquareWellEnergy(SimpleNOE* simpleNOE, double deviation,
                                          double forceConstScale, GenericEnergy* energyInfo) {
    energyInfo->energy = energyInfo->delta = 0.0;
    if (simpleNOE == nullptr || simpleNOE->count < 1) return 0;
    energyInfo->delta = deviation;
    energyInfo->energy = noeWell(simpleNOE, deviation, forceConstScale, 1.0);
    int status = deviation == 0.0 ? kMerStatusOK : kMerStatusViolated;
    for (int i = 0; i < simpleNOE->count; i++) simpleNOE->distList[i]->status = status;
    return 0;
}

int merSingleAssignR6NOESquareWellEnergy(SimpleNOE* simpleNOE, double deviation,
                                         double forceConstScale, SimpleNOE* target) {
    if (simpleNOE == nullptr || simpleNOE->count < 1) return 0;
    target->delta = deviation;
    target->energy = noeWell(simpleNOE, deviation, forceConstScale, simpleNOE->count);
    return 0;
}

}  // namespace korim::restraints
