// The chain and segment a coupling table that names none reads its rows on, said where the
// structure holds the rows' residues in more than one of them.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "couplings/dc.h"
#include "foundation/appendf.h"
#include "structure/pdb.h"

namespace korim::couplings {

using korim::structure::PDBInfo;

namespace {

// The kinds of place (chain, segment) a table names nowhere, where the structure's keys tell
// them apart; only these decide where a row of such a table is looked up without its saying so.
struct Unnamed {
    bool chain = false;
    bool seg = false;
    bool any() const { return chain || seg; }
};

// A place of the structure as far as the unnamed kinds go (a named kind's name is left empty).
struct Place {
    std::string chain, seg;
    bool operator==(const Place& o) const { return chain == o.chain && seg == o.seg; }
};

Place placeOf(const Unnamed& u, const char* chain, const char* seg) {
    return {u.chain ? chain : "", u.seg ? seg : ""};
}

// "chain B", "segment S2", "chain B, segment S2"; a blank name is "the unnamed chain" or "no
// segment name".
std::string placeText(const Unnamed& u, const Place& p) {
    std::vector<std::string> parts;
    if (u.chain) parts.push_back(p.chain.empty() ? "the unnamed chain" : "chain " + p.chain);
    if (u.seg) parts.push_back(p.seg.empty() ? "no segment name" : "segment " + p.seg);
    return parts.size() == 2 ? parts[0] + ", " + parts[1] : parts[0];
}

// Several places joined by joint (" and ": "chains B and C"; " or ": "chain B or C"); with both
// kinds, "chain A, segment S1; chain B, segment S2" and the like.
std::string placesText(const Unnamed& u, const std::vector<Place>& places, const char* joint) {
    if (places.size() == 1) return placeText(u, places[0]);
    std::vector<std::string> names;
    for (const Place& p : places) {
        const std::string& n = u.chain ? p.chain : p.seg;
        names.push_back(u.chain && u.seg ? placeText(u, p) : n.empty() ? "the unnamed one" : n);
    }
    std::string text = u.chain && u.seg ? "" : std::string(u.chain ? "chain" : "segment") +
                                                 (std::strcmp(joint, " and ") == 0 ? "s " : " ");
    for (size_t k = 0; k < names.size(); ++k)
        text += (k == 0 ? "" : k + 1 < names.size() ? (u.chain && u.seg ? "; " : ", ") : joint) + names[k];
    return text;
}

// True when residue res of a row end (its own chain and segment names) is in the structure at
// place p, the unnamed kinds taken from p.
bool holds(PDBInfo* pdb, const Unnamed& u, const Place& p, int res, const char* rowChain, const char* rowSeg) {
    return structure::findRes(pdb, res, u.chain ? p.chain.c_str() : rowChain, u.seg ? p.seg.c_str() : rowSeg) != nullptr;
}

// The places of the structure (its chain records, in order, as far as the unnamed kinds go) that
// hold a residue of a row the run uses (a selected observed row, at offset aOff).
std::vector<Place> holders(PDBInfo* pdb, const DTable* t, const Unnamed& u, int aOff) {
    std::vector<Place> found;
    for (int k = 0; pdb->chainList != nullptr && k < pdb->chainCount; ++k) {
        const structure::ChainInfo& c = pdb->chainList[k];
        const Place p = placeOf(u, c.chainID, c.segID);
        bool known = false;
        for (const Place& f : found) known = known || f == p;
        bool held = false;
        for (int r = 0; !known && !held && r < t->dCount; ++r) {
            const DInfo& o = t->dObsList[r];
            if (!o.valid) continue;
            for (const bool endI : {true, false}) {
                const int res = endI ? o.resIDI : o.resIDJ;
                if (res == kNoResID) continue;
                const long long at = static_cast<long long>(res) + aOff;
                if (at < INT_MIN || at > INT_MAX) continue;
                held = held || holds(pdb, u, p, static_cast<int>(at), endI ? o.chainNameI : o.chainNameJ,
                                     endI ? o.segNameI : o.segNameJ);
            }
        }
        if (held) found.push_back(p);
    }
    return found;
}

// How to have the rows read at the places of `to` instead of `from`: "name B in columns CHAINNAME_I
// and CHAINNAME_J of the table"; for several places, each row's name; for a blank name, one to be
// given to those atoms first.
std::string nameAdvice(const Unnamed& u, const Place& from, const std::vector<Place>& to) {
    std::vector<std::string> parts, blank;
    const auto kind = [&](bool unnamed, const std::string& was, std::string Place::*name, const char* what,
                          const char* column) {
        bool differs = false;
        for (const Place& p : to) differs = differs || p.*name != was;
        if (!unnamed || !differs) return;
        const std::string& one = to[0].*name;
        if (to.size() == 1 && one.empty()) blank.push_back(std::string("a ") + what + " name");
        const std::string named = to.size() > 1 ? std::string("each row's ") + what : one.empty() ? "it" : one;
        parts.push_back(named + " in columns " + column + "_I and " + column + "_J");
    };
    kind(u.chain, from.chain, &Place::chain, "chain", "CHAINNAME");
    kind(u.seg, from.seg, &Place::seg, "segment", "SEGNAME");
    std::string text = blank.empty() ? "name " : "give those atoms " + foundation::listedItems(blank) + " and name ";
    text += parts[0];
    if (parts.size() > 1) text += " and " + parts[1];
    return text + " of the table";
}

const char* unnamedKinds(const Unnamed& u) {
    return u.chain && u.seg ? "chain or segment" : u.chain ? "chain" : "segment";
}

// True when a row of the table maps to atoms, so that its coupling is compared.
bool anyMapped(const DTable* t) {
    for (int r = 0; t->dCalcList != nullptr && r < t->dCount; ++r)
        if (t->dCalcList[r].valid != 0 && t->dCalcList[r].atomICount > 0) return true;
    return false;
}

// The places of the structure's selected atoms, none of them at `at`; empty when one is there.
std::vector<Place> selectedElsewhere(const PDBInfo* pdb, const Unnamed& u, const Place& at) {
    std::vector<Place> places;
    for (int i = 0; i < pdb->atomCount; ++i) {
        const structure::AtomInfo& a = pdb->atomList[i];
        if (a.selected == 0) continue;
        const Place p = placeOf(u, a.chainID, a.segID);
        if (p == at) return {};
        bool known = false;
        for (const Place& f : places) known = known || f == p;
        if (!known) places.push_back(p);
    }
    return places;
}

// The kinds among u whose names differ between `from` and one of `to` (a kind that is the same
// everywhere is no choice to name), and the places of `to` as far as those go, each once.
Unnamed narrowed(const Unnamed& u, const Place& from, std::vector<Place>* to) {
    Unnamed n;
    for (const Place& p : *to) {
        n.chain = n.chain || (u.chain && p.chain != from.chain);
        n.seg = n.seg || (u.seg && p.seg != from.seg);
    }
    std::vector<Place> kept;
    for (const Place& p : *to) {
        const Place q = placeOf(n, p.chain.c_str(), p.seg.c_str());
        bool known = false;
        for (const Place& k : kept) known = known || k == q;
        if (!known) kept.push_back(q);
    }
    *to = kept;
    return n;
}

}  // namespace

std::string reportUnnamedPlaces(PDBInfo* pdb, const DTable* t, int aOff, const char* tableName,
                                const std::string& selectionLead) {
    if (pdb == nullptr || t == nullptr || t->dObsList == nullptr || t->dCount < 1 || pdb->atomCount < 1) return "";
    Unnamed u;
    u.chain = t->nullChainName != 0 && !structure::getPDBChainMode();
    u.seg = t->nullSegName != 0 && !structure::getPDBSegMode();
    if (!u.any()) return "";
    const Place readOn = placeOf(u, pdb->defChainName, pdb->defSegName);
    const std::vector<Place> held = holders(pdb, t, u, aOff);
    const auto isHeld = [&](const Place& p) {
        for (const Place& h : held)
            if (h == p) return true;
        return false;
    };
    // A prediction whose atom selection leaves out the place its couplings are read on compares
    // the tensor of the selected atoms with couplings on other bonds.
    if (!selectionLead.empty() && anyMapped(t)) {
        std::vector<Place> chosen = selectedElsewhere(pdb, u, readOn);
        if (!chosen.empty()) {
            std::vector<Place> reach;
            for (const Place& p : chosen)
                if (isHeld(p)) reach.push_back(p);
            const Unnamed n = narrowed(u, readOn, &chosen);
            narrowed(n, readOn, &reach);
            const Place from = placeOf(n, readOn.chain.c_str(), readOn.seg.c_str());
            const std::string where = placeText(n, from);
            const char* kinds = unnamedKinds(n);
            std::string line = selectionLead + " compares the couplings on the bonds of " + where +
                               ", where a table that names no " + kinds + " looks its rows up; ";
            if (reach.empty())
                line += placesText(n, chosen, " and ") + (chosen.size() > 1 ? " hold" : " holds") +
                        " none of their residues.\n";
            else
                line += "to compare them on the bonds of " + placesText(n, reach, " or ") + ", " +
                        nameAdvice(n, from, reach) + ".\n";
            std::fputs(line.c_str(), stderr);
            return "REMARK The couplings are compared on the bonds of " + where + " (the table names no " + kinds +
                   "), not on those of the selected atoms.\n";
        }
    }
    if (!isHeld(readOn) || held.size() < 2) return "";
    std::vector<Place> others;
    for (const Place& p : held)
        if (!(p == readOn)) others.push_back(p);
    const Unnamed n = narrowed(u, readOn, &others);
    const Place from = placeOf(n, readOn.chain.c_str(), readOn.seg.c_str());
    const std::string where = placeText(n, from);
    const char* kinds = unnamedKinds(n);
    std::fprintf(stderr,
                 "DC Warning: %s names no %s: its rows are read on %s, %s of the structure's first atom, and their "
                 "residues are in %s too; to read them on %s, %s.\n",
                 tableName, kinds, where.c_str(), n.chain && n.seg ? "those" : "that",
                 placesText(n, others, " and ").c_str(), placesText(n, others, " or ").c_str(),
                 nameAdvice(n, from, others).c_str());
    return "REMARK The rows are read on " + where + " (the table names no " + kinds + "); their residues are in " +
           placesText(n, others, " and ") + " too.\n";
}

}  // namespace korim::couplings
