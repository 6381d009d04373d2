// Van der Waals neighbour lists of a structure: rebuild for a cut-off, and the test whether atoms moved too far since.
#include "restraints/neighbor.h"

#include <cmath>

#include "restraints/restab.h"

namespace korim::restraints {

int testMerNeighbors(structure::PDBInfo* pdbInfo, double maxAllowedMove) {
    if (pdbInfo == nullptr || pdbInfo->atomList == nullptr || pdbInfo->vdwList == nullptr) return 0;
    const float m = static_cast<float>(maxAllowedMove);
    // No comparison with a nan margin holds, so no move would ever be seen and the lists would
    // never be rebuilt; a rebuild is the safe answer.
    if (std::isnan(m) && pdbInfo->atomCount > 0) return 1;
    for (int i = 0; i < pdbInfo->atomCount; i++) {
        const structure::AtomInfo& a = pdbInfo->atomList[i];
        const structure::Coord3D& v = pdbInfo->vdwList[i];
        const float dx = v.x - a.x, dy = v.y - a.y, dz = v.z - a.z;
        if (std::fabs(dx) > m || std::fabs(dy) > m || std::fabs(dz) > m) return 1;
        if (dx * dx + dy * dy + dz * dz > m * m) return 1;
    }
    return 0;
}

int updateMerNeighbors(structure::PDBInfo* pdbInfo, float neighborDist) {
    structure::PDBInfo* p = pdbInfo;
    if (p == nullptr || p->neighborList == nullptr || p->neighborCount == nullptr ||
        p->bondMatrix == nullptr || p->atomList == nullptr)
        return 0;
    // No distance compares above a nan cut-off, so every pair would be listed as neighbours.
    if (std::isnan(neighborDist)) {
        merReport("MERIDO Error: VDW neighbor cut-off is not a number.\n");
        return 1;
    }
    merReport("MERIDO updating VDW neighbor matrix.\n");
    const int n = p->atomCount;
    for (int a = 0; a < n; a++) p->neighborCount[a] = 0;
    const float c2 = neighborDist * neighborDist;
    int excluded = 0;
    for (int a = 0; a < n - 1; a++) {
        const structure::AtomInfo& ai = p->atomList[a];
        const char* bonds = p->bondMatrix[a];
        for (int b = a + 1; b < n; b++) {
            if (bonds[b] != 0) {
                excluded++;
                continue;
            }
            const structure::AtomInfo& bi = p->atomList[b];
            const float dx = ai.x - bi.x;
            float d2 = dx * dx;
            if (d2 > c2) continue;
            const float dy = ai.y - bi.y;
            d2 += dy * dy;
            if (d2 > c2) continue;
            const float dz = ai.z - bi.z;
            d2 += dz * dz;
            if (d2 > c2) continue;
            // Rows hold atomCount entries (merAllocInfo) and the list of a takes at most
            // n - 1 - a of them; the guard keeps that bound explicit at the append.
            if (p->neighborCount[a] >= n) {
                merReport("MERIDO Error: VDW neighbor list of atom %d is full.\n", a + 1);
                return 1;
            }
            p->neighborList[a][p->neighborCount[a]++] = b;
        }
    }
    merReport("MERIDO VDW Matrix used %d exclusions.\n", n + 2 * excluded);
    structure::updateVDWFromPDB(p);
    return 0;
}

}  // namespace korim::restraints
