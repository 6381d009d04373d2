// Residue-number shift of a coupling table against a structure (see dcshift.h).
#include "couplings/dcshift.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "foundation/advice.h"
#include "foundation/appendf.h"
#include "structure/pdb.h"

namespace korim::couplings {

namespace {

constexpr int kLeastRows = 4;  // fewer rows than this may agree under a shift by chance

// The atom's own residue name: a residue record holds every insertion code of its number under
// the name of its last atom, while a row maps to the atoms without a code.
const char* residueName(const structure::AtomInfo* a) { return a->resName; }

// Whether a row's named residues are the structure's at offset off: both ends map and every
// residue name the row gives is that of its end's first atom.
bool rowAgrees(structure::PDBInfo* pdb, const DTable* t, const DInfo& o, int off) {
    DInfo c{};
    findRowAtoms(pdb, t, o, off, &c);
    if (c.atomICount == 0 || c.atomJCount == 0) return false;
    return (o.resNameI[0] == '\0' || std::strcmp(o.resNameI, residueName(c.atomI[0])) == 0) &&
           (o.resNameJ[0] == '\0' || std::strcmp(o.resNameJ, residueName(c.atomJ[0])) == 0);
}

bool judged(const DInfo& o) {
    return o.valid && knownNucleus(o.atomNameI) && knownNucleus(o.atomNameJ) && o.resIDI != kNoResID &&
           o.resIDJ != kNoResID && (o.resNameI[0] != '\0' || o.resNameJ[0] != '\0');
}

}  // namespace

ResidueShift residueShift(structure::PDBInfo* pdb, const DTable* dTab, int aOff) {
    ResidueShift best;
    best.offset = aOff;
    if (pdb == nullptr || pdb->resList == nullptr || dTab == nullptr || dTab->dObsList == nullptr) return best;
    // The residue numbers the structure gives each residue name.
    std::map<std::string, std::vector<int>> numbers;
    for (int k = 0; k < pdb->resCount; ++k) numbers[pdb->resList[k].resName].push_back(pdb->resList[k].resID);
    for (auto& [name, ids] : numbers) {
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    }
    // Each row votes for the shifts that set its named residue on one of that name.
    std::map<long long, int> votes;
    int rows = 0;
    for (int k = 0; k < dTab->dCount; ++k) {
        const DInfo& o = dTab->dObsList[k];
        if (!judged(o)) continue;
        ++rows;
        const bool endI = o.resNameI[0] != '\0';
        const auto found = numbers.find(endI ? o.resNameI : o.resNameJ);
        if (found == numbers.end()) continue;
        const long long res = static_cast<long long>(endI ? o.resIDI : o.resIDJ) + aOff;
        for (const int id : found->second)
            if (res != id) ++votes[res - id];
    }
    const int need = std::max(kLeastRows, (9 * rows + 9) / 10);
    int kept = 0;
    for (const auto& [shift, count] : votes) {
        const long long off = static_cast<long long>(aOff) - shift;
        if (count < need || off < INT_MIN || off > INT_MAX || shift < INT_MIN || shift > INT_MAX) continue;
        int agree = 0;
        for (int k = 0; k < dTab->dCount; ++k)
            if (judged(dTab->dObsList[k]) && rowAgrees(pdb, dTab, dTab->dObsList[k], static_cast<int>(off))) ++agree;
        if (agree < need) continue;
        if (++kept > 1) return ResidueShift{0, 0, 0, aOff};
        best = {static_cast<int>(shift), agree, rows, aOff};
    }
    return best;
}

std::string shiftLine(const ResidueShift& s, int segFirst) {
    if (s.shift == 0) return "";
    // The table's own numbering against the structure's, before the run's offset.
    const long long own = static_cast<long long>(s.shift) - s.offset;
    std::string line;
    if (own == 0) {
        // The run's -a1 moves a table numbered as the structure: the offset is the mismatch.
        const long long by = s.offset;
        foundation::appendf(line,
                            "-a1 %lld with -s1 %d maps the table's residue r on the structure's r %c %lld, yet the "
                            "table's own numbers are the structure's: at them %d of %d rows map and their names "
                            "agree; %s (as -s1) maps them so",
                            segFirst + by, segFirst, by > 0 ? '+' : '-', by > 0 ? by : -by, s.agree, s.rows,
                            foundation::adviseOption("-a1", std::to_string(segFirst)).c_str());
        return line;
    }
    const long long size = own > 0 ? own : -own;
    // -a1 names the structure's number of the table's residue -s1.
    foundation::appendf(line,
                        "the table's residue numbers look %lld %s than the structure's: at residue %c %lld, %d of %d "
                        "rows map and their names agree; %s maps them so",
                        size, own > 0 ? "higher" : "lower", own > 0 ? '-' : '+', size, s.agree, s.rows,
                        foundation::adviseOptions({{"-s1", std::to_string(segFirst)},
                                                   {"-a1", std::to_string(segFirst - own)}})
                            .c_str());
    return line;
}

}  // namespace korim::couplings
