// The distance, AC and DS tables seen alike: their record lists and the atoms of their records.
#pragma once

#include "restraints/dist.h"
#include "restraints/restab.h"

namespace korim::restraints {

template <>
struct TableKind<DistTable> {
    using Rec = DistInfo;
    static constexpr int kAtoms = 2;
    static DistInfo*& records(DistTable& t) { return t.distList; }
    static int& count(DistTable& t) { return t.distCount; }
    static int atoms(DistInfo& r, AtomRef* out) { return letteredAtoms<kAtoms>(r, out); }
};

template <>
struct TableKind<ACTable> {
    using Rec = ACInfo;
    static constexpr int kAtoms = 1;
    static ACInfo*& records(ACTable& t) { return t.acList; }
    static int& count(ACTable& t) { return t.acCount; }
    static int atoms(ACInfo& r, AtomRef* out) { return singleAtom(r, out); }
};

template <>
struct TableKind<DSTable> {
    using Rec = DSInfo;
    static constexpr int kAtoms = 4;
    static DSInfo*& records(DSTable& t) { return t.dsList; }
    static int& count(DSTable& t) { return t.dsCount; }
    static int atoms(DSInfo& r, AtomRef* out) { return letteredAtoms<kAtoms>(r, out); }
};

}  // namespace korim::restraints
