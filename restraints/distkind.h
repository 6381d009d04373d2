// The distance, AC and DS tables seen alike: their record lists and the atoms of their records.
#pragma once

#include "restraints/dist.h"
#include "restraints/restab.h"

namespace korim::restraints {

template <class Tab>
struct DistKind;

template <>
struct DistKind<DistTable> {
    using Rec = DistInfo;
    static constexpr int kAtoms = 2;
    static DistInfo*& records(DistTable& t) { return t.distList; }
    static int& count(DistTable& t) { return t.distCount; }
    static int atoms(DistInfo& r, AtomRef* out) {
        out[0] = {&r.resIDI, r.resNameI, r.atomNameI, r.chainNameI, r.segNameI, &r.atomI};
        out[1] = {&r.resIDJ, r.resNameJ, r.atomNameJ, r.chainNameJ, r.segNameJ, &r.atomJ};
        return kAtoms;
    }
};

template <>
struct DistKind<ACTable> {
    using Rec = ACInfo;
    static constexpr int kAtoms = 1;
    static ACInfo*& records(ACTable& t) { return t.acList; }
    static int& count(ACTable& t) { return t.acCount; }
    static int atoms(ACInfo& r, AtomRef* out) {
        out[0] = {&r.resID, r.resName, r.atomName, r.chainName, r.segName, &r.atom};
        return kAtoms;
    }
};

template <>
struct DistKind<DSTable> {
    using Rec = DSInfo;
    static constexpr int kAtoms = 4;
    static DSInfo*& records(DSTable& t) { return t.dsList; }
    static int& count(DSTable& t) { return t.dsCount; }
    static int atoms(DSInfo& r, AtomRef* out) {
        out[0] = {&r.resIDI, r.resNameI, r.atomNameI, r.chainNameI, r.segNameI, &r.atomI};
        out[1] = {&r.resIDJ, r.resNameJ, r.atomNameJ, r.chainNameJ, r.segNameJ, &r.atomJ};
        out[2] = {&r.resIDK, r.resNameK, r.atomNameK, r.chainNameK, r.segNameK, &r.atomK};
        out[3] = {&r.resIDL, r.resNameL, r.atomNameL, r.chainNameL, r.segNameL, &r.atomL};
        return kAtoms;
    }
};

}  // namespace korim::restraints
