// Built-in force-field partial-charge sets A, B and C as fixed data.
#include "charges/toppar_sets.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string_view>

namespace korim::charges {
namespace {

template <typename T, int N>
constexpr int countOf(const T (&)[N]) { return N; }

// Rows are listed in test order. Charges in e, as single-precision values.
// Where a block holds two names for one atom (HN/H, C5M/CM, the amino
// hydrogens of the bases) both rows carry the same charge.

// Set A: terminal rows, then 38 blocks (amino acids with groups; from HEME on, no groups).
constexpr ChargeRow kSetA_NTerm[] = {
    {"N", -0.3f, kOther}, {"HT1", 0.35f, kOther}, {"HT2", 0.35f, kOther},
    {"HT3", 0.35f, kOther}, {"CA", 0.25f, kOther},
};

constexpr ChargeRow kSetA_CTerm[] = {
    {"OT1", -0.57f, kOther}, {"OT2", -0.57f, kOther}, {"O", -0.57f, kOther},
    {"OXT", -0.57f, kOther}, {"C", 0.14f, kOther},
};

// The backbone rows alone: ALA, GLY, ILE, LEU, PHE and VAL (side chains carry no charge here).
constexpr ChargeRow kSetA_Backbone[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide},
};

constexpr ChargeRow kSetA_ARG[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CD", 0.1f, kOther}, {"NE", -0.4f, kOther},
    {"HE", 0.3f, kOther}, {"CZ", 0.5f, kOther}, {"NH1", -0.45f, kOther},
    {"HH11", 0.35f, kOther}, {"HH12", 0.35f, kOther}, {"NH2", -0.45f, kOther},
    {"HH21", 0.35f, kOther}, {"HH22", 0.35f, kOther},
};

constexpr ChargeRow kSetA_ASN[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"ND2", -0.6f, kOther}, {"HD21", 0.3f, kOther},
    {"HD22", 0.3f, kOther},
};

constexpr ChargeRow kSetA_ASP[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CB", -0.16f, kOther}, {"CG", 0.36f, kOther},
    {"OD1", -0.6f, kOther}, {"OD2", -0.6f, kOther},
};

constexpr ChargeRow kSetA_CYS[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CB", 0.19f, kOther}, {"SG", -0.19f, kOther},
};

constexpr ChargeRow kSetA_GLN[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CD", 0.55f, kOther}, {"OE1", -0.55f, kOther},
    {"NE2", -0.6f, kOther}, {"HE21", 0.3f, kOther}, {"HE22", 0.3f, kOther},
};

constexpr ChargeRow kSetA_GLU[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CG", -0.16f, kOther}, {"CD", 0.36f, kOther},
    {"OE1", -0.6f, kOther}, {"OE2", -0.6f, kOther},
};

constexpr ChargeRow kSetA_HIS[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CG", 0.1f, kOther}, {"ND1", -0.4f, kOther},
    {"HD1", 0.3f, kOther}, {"CD2", 0.1f, kOther}, {"NE2", -0.4f, kOther}, {"CE1", 0.3f, kOther},
};

constexpr ChargeRow kSetA_HSC[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CB", 0.1f, kOther}, {"CG", 0.15f, kOther},
    {"CD2", 0.2f, kOther}, {"ND1", -0.3f, kOther}, {"HD1", 0.35f, kOther},
    {"CE1", 0.45f, kOther}, {"NE2", -0.3f, kOther}, {"HE2", 0.35f, kOther},
};

constexpr ChargeRow kSetA_LYS[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CE", 0.25f, kOther}, {"NZ", -0.3f, kOther},
    {"HZ1", 0.35f, kOther}, {"HZ2", 0.35f, kOther}, {"HZ3", 0.35f, kOther},
};

constexpr ChargeRow kSetA_MET[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CG", 0.06f, kOther}, {"SD", -0.12f, kOther},
    {"CE", 0.06f, kOther},
};

constexpr ChargeRow kSetA_PRO[] = {
    {"N", -0.2f, kNSide}, {"CD", 0.1f, kNSide}, {"CA", 0.1f, kNSide}, {"C", 0.55f, kCSide},
    {"O", -0.55f, kCSide},
};

constexpr ChargeRow kSetA_SER[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CB", 0.25f, kOther}, {"OG", -0.65f, kOther},
    {"HG", 0.4f, kOther},
};

constexpr ChargeRow kSetA_THR[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CB", 0.25f, kOther}, {"OG1", -0.65f, kOther},
    {"HG1", 0.4f, kOther},
};

constexpr ChargeRow kSetA_TRP[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CG", -0.03f, kOther}, {"CD2", 0.1f, kOther},
    {"CE2", -0.04f, kOther}, {"CE3", -0.03f, kOther}, {"CD1", 0.06f, kOther},
    {"NE1", -0.36f, kOther}, {"HE1", 0.3f, kOther},
};

constexpr ChargeRow kSetA_TYR[] = {
    {"N", -0.35f, kNSide}, {"HN", 0.25f, kNSide}, {"H", 0.25f, kNSide}, {"CA", 0.1f, kNSide},
    {"C", 0.55f, kCSide}, {"O", -0.55f, kCSide}, {"CZ", 0.25f, kOther}, {"OH", -0.65f, kOther},
    {"HH", 0.4f, kOther},
};

constexpr ChargeRow kSetA_HEME[] = {
    {"FE", 0.24f, kOther}, {"NA", -0.18f, kOther}, {"NB", -0.18f, kOther},
    {"NC", -0.18f, kOther}, {"ND", -0.18f, kOther}, {"C1A", 0.03f, kOther},
    {"CHA", 0.04f, kOther}, {"C4D", 0.02f, kOther}, {"C1B", 0.03f, kOther},
    {"CHB", 0.04f, kOther}, {"C4A", 0.02f, kOther}, {"C1C", 0.03f, kOther},
    {"CHC", 0.04f, kOther}, {"C4B", 0.02f, kOther}, {"C1D", 0.03f, kOther},
    {"CHD", 0.04f, kOther}, {"C4C", 0.02f, kOther}, {"C2A", -0.02f, kOther},
    {"CAA", 0.04f, kOther}, {"C3A", -0.02f, kOther}, {"CMA", 0.04f, kOther},
    {"CBA", -0.1f, kOther}, {"CGA", 0.3f, kOther}, {"O1A", -0.5f, kOther},
    {"O2A", -0.5f, kOther}, {"C2B", 0.02f, kOther}, {"CMB", -0.04f, kOther},
    {"C3B", -0.05f, kOther}, {"CAB", 0.03f, kOther}, {"CBB", -0.1f, kOther},
    {"C2C", 0.02f, kOther}, {"CMC", -0.04f, kOther}, {"C3C", -0.05f, kOther},
    {"CAC", 0.03f, kOther}, {"CBC", -0.1f, kOther}, {"C2D", 0.02f, kOther},
    {"CMD", -0.04f, kOther}, {"C3D", -0.02f, kOther}, {"CAD", 0.04f, kOther},
    {"CBD", -0.1f, kOther}, {"CGD", 0.03f, kOther}, {"O1D", -0.5f, kOther},
    {"O2D", -0.5f, kOther},
};

constexpr ChargeRow kSetA_ACE[] = {
    {"C", 0.55f, kOther}, {"O", -0.55f, kOther},
};

constexpr ChargeRow kSetA_SO4[] = {
    {"O1", -0.5f, kOther}, {"O2", -0.5f, kOther}, {"O3", -0.5f, kOther}, {"O4", -0.5f, kOther},
};

constexpr ChargeRow kSetA_GUA[] = {
    {"P", 1.5f, kOther}, {"O1P", -0.8f, kOther}, {"O2P", -0.8f, kOther},
    {"O5'", -0.55f, kOther}, {"C5'", -0.08f, kOther}, {"H5'", 0.09f, kOther},
    {"H5''", 0.09f, kOther}, {"C4'", 0.11f, kOther}, {"H4'", 0.09f, kOther},
    {"O4'", -0.4f, kOther}, {"C1'", 0.11f, kOther}, {"H1'", 0.09f, kOther},
    {"N9", -0.14f, kOther}, {"C4", 0.14f, kOther}, {"N3", -0.66f, kOther},
    {"C2", 0.76f, kOther}, {"N1", -0.38f, kOther}, {"H1", 0.28f, kOther},
    {"N2", -0.64f, kOther}, {"H21", 0.31f, kOther}, {"HN'", 0.31f, kOther},
    {"H22", 0.33f, kOther}, {"HN''", 0.33f, kOther}, {"C6", 0.55f, kOther},
    {"O6", -0.47f, kOther}, {"C5", -0.08f, kOther}, {"N7", -0.69f, kOther},
    {"C8", 0.41f, kOther}, {"H8", 0.28f, kOther}, {"C2'", 0.14f, kOther},
    {"H2''", 0.09f, kOther}, {"O2'", -0.66f, kOther}, {"H2'", 0.43f, kOther},
    {"C3'", 0.01f, kOther}, {"H3'", 0.09f, kOther}, {"O3'", -0.55f, kOther},
};

constexpr ChargeRow kSetA_ADE[] = {
    {"P", 1.5f, kOther}, {"O1P", -0.8f, kOther}, {"O2P", -0.8f, kOther},
    {"O5'", -0.55f, kOther}, {"C5'", -0.08f, kOther}, {"H5'", 0.09f, kOther},
    {"H5''", 0.09f, kOther}, {"C4'", 0.11f, kOther}, {"H4'", 0.09f, kOther},
    {"O4'", -0.4f, kOther}, {"C1'", 0.11f, kOther}, {"H1'", 0.09f, kOther},
    {"C5", 0.23f, kOther}, {"N7", -0.63f, kOther}, {"C8", 0.38f, kOther}, {"H8", 0.18f, kOther},
    {"N9", -0.16f, kOther}, {"N1", -0.74f, kOther}, {"C2", 0.53f, kOther},
    {"H2", 0.16f, kOther}, {"N3", -0.69f, kOther}, {"C4", 0.31f, kOther}, {"C6", 0.43f, kOther},
    {"N6", -0.8f, kOther}, {"H61", 0.4f, kOther}, {"HN'", 0.4f, kOther}, {"H62", 0.4f, kOther},
    {"HN''", 0.4f, kOther}, {"C2'", 0.14f, kOther}, {"H2''", 0.09f, kOther},
    {"O2'", -0.66f, kOther}, {"H2'", 0.43f, kOther}, {"C3'", 0.01f, kOther},
    {"H3'", 0.09f, kOther}, {"O3'", -0.55f, kOther},
};

constexpr ChargeRow kSetA_CYT[] = {
    {"P", 1.5f, kOther}, {"O1P", -0.8f, kOther}, {"O2P", -0.8f, kOther},
    {"O5'", -0.55f, kOther}, {"C5'", -0.08f, kOther}, {"H5'", 0.09f, kOther},
    {"H5''", 0.09f, kOther}, {"C4'", 0.11f, kOther}, {"H4'", 0.09f, kOther},
    {"O4'", -0.4f, kOther}, {"C1'", 0.11f, kOther}, {"H1'", 0.09f, kOther},
    {"N1", -0.16f, kOther}, {"C6", 0.11f, kOther}, {"H6", 0.05f, kOther}, {"C2", 0.53f, kOther},
    {"O2", -0.48f, kOther}, {"N3", -0.67f, kOther}, {"C4", 0.62f, kOther},
    {"N4", -0.58f, kOther}, {"HN'", 0.31f, kOther}, {"H41", 0.31f, kOther},
    {"HN''", 0.27f, kOther}, {"H42", 0.27f, kOther}, {"C5", -0.1f, kOther},
    {"H5", 0.1f, kOther}, {"C2'", 0.14f, kOther}, {"H2''", 0.09f, kOther},
    {"O2'", -0.66f, kOther}, {"H2'", 0.43f, kOther}, {"C3'", 0.01f, kOther},
    {"H3'", 0.09f, kOther}, {"O3'", -0.55f, kOther},
};

constexpr ChargeRow kSetA_THY[] = {
    {"P", 1.5f, kOther}, {"O1P", -0.8f, kOther}, {"O2P", -0.8f, kOther},
    {"O5'", -0.55f, kOther}, {"C5'", -0.08f, kOther}, {"H5'", 0.09f, kOther},
    {"H5''", 0.09f, kOther}, {"C4'", 0.11f, kOther}, {"H4'", 0.09f, kOther},
    {"O4'", -0.4f, kOther}, {"C1'", 0.11f, kOther}, {"H1'", 0.09f, kOther},
    {"N1", -0.3f, kOther}, {"C6", 0.17f, kOther}, {"H6", 0.13f, kOther}, {"C2", 0.57f, kOther},
    {"O2", -0.47f, kOther}, {"N3", -0.46f, kOther}, {"H3", 0.36f, kOther},
    {"C4", 0.54f, kOther}, {"O4", -0.49f, kOther}, {"C5", -0.15f, kOther},
    {"C5M", -0.11f, kOther}, {"CM", -0.11f, kOther}, {"H51", 0.07f, kOther},
    {"H52", 0.07f, kOther}, {"H53", 0.07f, kOther}, {"C2'", 0.14f, kOther},
    {"H2''", 0.09f, kOther}, {"O2'", -0.66f, kOther}, {"H2'", 0.43f, kOther},
    {"C3'", 0.01f, kOther}, {"H3'", 0.09f, kOther}, {"O3'", -0.55f, kOther},
};

constexpr ChargeRow kSetA_URA[] = {
    {"P", 1.5f, kOther}, {"O1P", -0.8f, kOther}, {"O2P", -0.8f, kOther},
    {"O5'", -0.55f, kOther}, {"C5'", -0.08f, kOther}, {"H5'", 0.09f, kOther},
    {"H5''", 0.09f, kOther}, {"C4'", 0.11f, kOther}, {"H4'", 0.09f, kOther},
    {"O4'", -0.4f, kOther}, {"C1'", 0.11f, kOther}, {"H1'", 0.09f, kOther},
    {"N1", -0.3f, kOther}, {"C6", 0.17f, kOther}, {"H6", 0.13f, kOther}, {"C2", 0.57f, kOther},
    {"O2", -0.47f, kOther}, {"N3", -0.46f, kOther}, {"H3", 0.36f, kOther},
    {"C4", 0.54f, kOther}, {"O4", -0.49f, kOther}, {"C5", -0.15f, kOther}, {"H5", 0.1f, kOther},
    {"C2'", 0.14f, kOther}, {"H2''", 0.09f, kOther}, {"O2'", -0.66f, kOther},
    {"H2'", 0.43f, kOther}, {"C3'", 0.01f, kOther}, {"H3'", 0.09f, kOther},
    {"O3'", -0.55f, kOther},
};

constexpr ChargeRow kSetA_DMPA[] = {
    {"P1", 1.5f, kOther}, {"O3", -0.8f, kOther}, {"O4", -0.8f, kOther}, {"O1", -0.55f, kOther},
    {"O2", -0.55f, kOther}, {"C1", -0.17f, kOther}, {"H11", 0.09f, kOther},
    {"H12", 0.09f, kOther}, {"H13", 0.09f, kOther}, {"C2", -0.17f, kOther},
    {"H21", 0.09f, kOther}, {"H22", 0.09f, kOther}, {"H23", 0.09f, kOther},
};

constexpr ChargeRow kSetA_MP_0[] = {
    {"C1", -0.17f, kOther}, {"O1", -0.56f, kOther}, {"P1", 1.5f, kOther},
    {"O2", -0.63f, kOther}, {"O3", -0.63f, kOther}, {"O4", -0.64f, kOther},
    {"H11", 0.09f, kOther}, {"H12", 0.09f, kOther}, {"H13", 0.09f, kOther},
    {"H2", 0.43f, kOther}, {"H3", 0.43f, kOther},
};

constexpr ChargeRow kSetA_MP_1[] = {
    {"C1", -0.17f, kOther}, {"O1", -0.62f, kOther}, {"P1", 1.5f, kOther},
    {"O2", -0.68f, kOther}, {"O3", -0.82f, kOther}, {"O4", -0.82f, kOther},
    {"H11", 0.09f, kOther}, {"H12", 0.09f, kOther}, {"H13", 0.09f, kOther},
    {"H2", 0.34f, kOther},
};

constexpr ChargeRow kSetA_MP_2[] = {
    {"P1", 1.1f, kOther}, {"O1", -0.4f, kOther}, {"O2", -0.9f, kOther}, {"O3", -0.9f, kOther},
    {"O4", -0.9f, kOther}, {"C1", -0.27f, kOther}, {"H11", 0.09f, kOther},
    {"H12", 0.09f, kOther}, {"H13", 0.09f, kOther},
};

constexpr ChargeRow kSetA_TIP3[] = {
    {"OH2", -0.834f, kOther}, {"H1", 0.417f, kOther}, {"H2", 0.417f, kOther},
};

constexpr ChargeRow kSetA_SOD[] = {
    {"SOD", 1.0f, kOther},
};

constexpr ChargeRow kSetA_MG[] = {
    {"MG", 2.0f, kOther},
};

constexpr ChargeRow kSetA_RIBT[] = {
    {"C5'", -0.27f, kOther}, {"H51", 0.09f, kOther}, {"H52", 0.09f, kOther},
    {"H53", 0.09f, kOther}, {"N1", -0.2f, kOther}, {"HN1", 0.1f, kOther}, {"HN2", 0.1f, kOther},
    {"C2'", 0.14f, kOther}, {"H2''", 0.09f, kOther}, {"O2'", -0.66f, kOther},
    {"H2'", 0.43f, kOther}, {"C3'", 0.14f, kOther}, {"H3'", 0.09f, kOther},
    {"O3'", -0.66f, kOther}, {"H3T", 0.43f, kOther}, {"C1'", 0.11f, kOther},
    {"H1'", 0.09f, kOther}, {"C4'", 0.11f, kOther}, {"H4'", 0.09f, kOther},
    {"O4'", -0.4f, kOther},
};

constexpr ChargeRow kSetA_DEOT[] = {
    {"C5'", -0.27f, kOther}, {"H51", 0.09f, kOther}, {"H52", 0.09f, kOther},
    {"H53", 0.09f, kOther}, {"N1", -0.2f, kOther}, {"HN1", 0.1f, kOther}, {"HN2", 0.1f, kOther},
    {"C2'", -0.18f, kOther}, {"H2'", 0.09f, kOther}, {"H2''", 0.09f, kOther},
    {"C3'", 0.14f, kOther}, {"H3'", 0.09f, kOther}, {"O3'", -0.66f, kOther},
    {"H3T", 0.43f, kOther}, {"C1'", 0.11f, kOther}, {"H1'", 0.09f, kOther},
    {"C4'", 0.11f, kOther}, {"H4'", 0.09f, kOther}, {"O4'", -0.4f, kOther},
};

constexpr ChargeBlock kSetA_Blocks[] = {
    {"ALA", nullptr, kSetA_Backbone, countOf(kSetA_Backbone)},
    {"ARG", nullptr, kSetA_ARG, countOf(kSetA_ARG)},
    {"ASN", nullptr, kSetA_ASN, countOf(kSetA_ASN)},
    {"ASP", nullptr, kSetA_ASP, countOf(kSetA_ASP)},
    {"CYS", nullptr, kSetA_CYS, countOf(kSetA_CYS)},
    {"GLN", nullptr, kSetA_GLN, countOf(kSetA_GLN)},
    {"GLU", nullptr, kSetA_GLU, countOf(kSetA_GLU)},
    {"GLY", nullptr, kSetA_Backbone, countOf(kSetA_Backbone)},
    {"HIS", "HSD", kSetA_HIS, countOf(kSetA_HIS)},
    {"HSC", nullptr, kSetA_HSC, countOf(kSetA_HSC)},
    {"ILE", nullptr, kSetA_Backbone, countOf(kSetA_Backbone)},
    {"LEU", nullptr, kSetA_Backbone, countOf(kSetA_Backbone)},
    {"LYS", nullptr, kSetA_LYS, countOf(kSetA_LYS)},
    {"MET", nullptr, kSetA_MET, countOf(kSetA_MET)},
    {"PHE", nullptr, kSetA_Backbone, countOf(kSetA_Backbone)},
    {"PRO", nullptr, kSetA_PRO, countOf(kSetA_PRO)},
    {"SER", nullptr, kSetA_SER, countOf(kSetA_SER)},
    {"THR", nullptr, kSetA_THR, countOf(kSetA_THR)},
    {"TRP", nullptr, kSetA_TRP, countOf(kSetA_TRP)},
    {"TYR", nullptr, kSetA_TYR, countOf(kSetA_TYR)},
    {"VAL", nullptr, kSetA_Backbone, countOf(kSetA_Backbone)},
    {"HEME", nullptr, kSetA_HEME, countOf(kSetA_HEME)},
    {"ACE", nullptr, kSetA_ACE, countOf(kSetA_ACE)},
    {"SO4", nullptr, kSetA_SO4, countOf(kSetA_SO4)},
    {"GUA", nullptr, kSetA_GUA, countOf(kSetA_GUA)},
    {"ADE", nullptr, kSetA_ADE, countOf(kSetA_ADE)},
    {"CYT", nullptr, kSetA_CYT, countOf(kSetA_CYT)},
    {"THY", nullptr, kSetA_THY, countOf(kSetA_THY)},
    {"URA", nullptr, kSetA_URA, countOf(kSetA_URA)},
    {"DMPA", nullptr, kSetA_DMPA, countOf(kSetA_DMPA)},
    {"MP_0", nullptr, kSetA_MP_0, countOf(kSetA_MP_0)},
    {"MP_1", nullptr, kSetA_MP_1, countOf(kSetA_MP_1)},
    {"MP_2", nullptr, kSetA_MP_2, countOf(kSetA_MP_2)},
    {"TIP3", nullptr, kSetA_TIP3, countOf(kSetA_TIP3)},
    {"SOD", nullptr, kSetA_SOD, countOf(kSetA_SOD)},
    {"MG", nullptr, kSetA_MG, countOf(kSetA_MG)},
    {"RIBT", nullptr, kSetA_RIBT, countOf(kSetA_RIBT)},
    {"DEOT", nullptr, kSetA_DEOT, countOf(kSetA_DEOT)},
};

// Set B: the N-terminal rows are shared with set C; blocks test N-side, other, C-side.
constexpr ChargeRow kSetB_NTerm[] = {
    {"N", -0.3f, kOther}, {"HT1", 0.33f, kOther}, {"HT2", 0.33f, kOther},
    {"HT3", 0.33f, kOther}, {"CA", 0.21f, kOther}, {"HA", 0.1f, kOther},
};

constexpr ChargeRow kSetB_CTerm[] = {
    {"C", 0.34f, kOther}, {"OT1", -0.67f, kOther}, {"OT2", -0.67f, kOther},
};

constexpr ChargeRow kSetB_ALA[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.27f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"HB3", 0.09f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_ARG[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", -0.18f, kOther}, {"HG1", 0.09f, kOther}, {"HG2", 0.09f, kOther},
    {"CD", 0.2f, kOther}, {"HD1", 0.09f, kOther}, {"HD2", 0.09f, kOther}, {"NE", -0.7f, kOther},
    {"HE", 0.44f, kOther}, {"CZ", 0.64f, kOther}, {"NH1", -0.8f, kOther},
    {"HH11", 0.46f, kOther}, {"HH12", 0.46f, kOther}, {"NH2", -0.8f, kOther},
    {"HH21", 0.46f, kOther}, {"HH22", 0.46f, kOther}, {"C", 0.51f, kCSide},
    {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_ASN[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", 0.55f, kOther}, {"OD1", -0.55f, kOther}, {"ND2", -0.62f, kOther},
    {"HD21", 0.32f, kOther}, {"HD22", 0.3f, kOther}, {"C", 0.51f, kCSide},
    {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_ASP[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.28f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", 0.62f, kOther}, {"OD1", -0.76f, kOther}, {"OD2", -0.76f, kOther},
    {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_CYS[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.11f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"SG", -0.23f, kOther}, {"HG1", 0.16f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_GLN[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", -0.18f, kOther}, {"HG1", 0.09f, kOther}, {"HG2", 0.09f, kOther},
    {"CD", 0.55f, kOther}, {"OE1", -0.55f, kOther}, {"NE2", -0.62f, kOther},
    {"HE21", 0.32f, kOther}, {"HE22", 0.3f, kOther}, {"C", 0.51f, kCSide},
    {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_GLU[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", -0.28f, kOther}, {"HG1", 0.09f, kOther}, {"HG2", 0.09f, kOther},
    {"CD", 0.62f, kOther}, {"OE1", -0.76f, kOther}, {"OE2", -0.76f, kOther},
    {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_GLY[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", -0.02f, kNSide},
    {"HA1", 0.09f, kNSide}, {"HA2", 0.09f, kNSide}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_HSD[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"ND1", -0.36f, kOther}, {"HD1", 0.32f, kOther}, {"CG", -0.05f, kOther},
    {"CB", -0.09f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"NE2", -0.7f, kOther}, {"CD2", 0.22f, kOther}, {"HD2", 0.1f, kOther},
    {"CE1", 0.25f, kOther}, {"HE1", 0.13f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_HSE[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"NE2", -0.36f, kOther}, {"HE2", 0.32f, kOther}, {"CD2", -0.05f, kOther},
    {"HD2", 0.09f, kOther}, {"ND1", -0.7f, kOther}, {"CG", 0.22f, kOther},
    {"CE1", 0.25f, kOther}, {"HE1", 0.13f, kOther}, {"CB", -0.08f, kOther},
    {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_HSP[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"ND1", -0.51f, kOther}, {"HD1", 0.44f, kOther}, {"NE2", -0.51f, kOther},
    {"HE2", 0.44f, kOther}, {"CE1", 0.32f, kOther}, {"HE1", 0.18f, kOther},
    {"CD2", 0.19f, kOther}, {"HD2", 0.13f, kOther}, {"CG", 0.19f, kOther},
    {"CB", -0.05f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_ILE[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.09f, kOther}, {"HB", 0.09f, kOther}, {"CG2", -0.27f, kOther},
    {"HG21", 0.09f, kOther}, {"HG22", 0.09f, kOther}, {"HG23", 0.09f, kOther},
    {"CG1", -0.18f, kOther}, {"HG11", 0.09f, kOther}, {"HG12", 0.09f, kOther},
    {"CD", -0.27f, kOther}, {"HD1", 0.09f, kOther}, {"HD2", 0.09f, kOther},
    {"HD3", 0.09f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_LEU[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", -0.09f, kOther}, {"HG", 0.09f, kOther}, {"CD1", -0.27f, kOther},
    {"HD11", 0.09f, kOther}, {"HD12", 0.09f, kOther}, {"HD13", 0.09f, kOther},
    {"CD2", -0.27f, kOther}, {"HD21", 0.09f, kOther}, {"HD22", 0.09f, kOther},
    {"HD23", 0.09f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_LYS[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", -0.18f, kOther}, {"HG1", 0.09f, kOther}, {"HG2", 0.09f, kOther},
    {"CD", -0.18f, kOther}, {"HD1", 0.09f, kOther}, {"HD2", 0.09f, kOther},
    {"CE", 0.21f, kOther}, {"HE1", 0.05f, kOther}, {"HE2", 0.05f, kOther},
    {"NZ", -0.3f, kOther}, {"HZ1", 0.33f, kOther}, {"HZ2", 0.33f, kOther},
    {"HZ3", 0.33f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_MET[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", -0.14f, kOther}, {"HG1", 0.09f, kOther}, {"HG2", 0.09f, kOther},
    {"SD", -0.09f, kOther}, {"CE", -0.22f, kOther}, {"HE1", 0.09f, kOther},
    {"HE2", 0.09f, kOther}, {"HE3", 0.09f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_PHE[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", 0.0f, kOther}, {"CD1", -0.115f, kOther}, {"HD1", 0.115f, kOther},
    {"CD2", -0.115f, kOther}, {"HD2", 0.115f, kOther}, {"CE1", -0.115f, kOther},
    {"HE1", 0.115f, kOther}, {"CE2", -0.115f, kOther}, {"HE2", 0.115f, kOther},
    {"CZ", -0.115f, kOther}, {"HZ", 0.115f, kOther}, {"C", 0.51f, kCSide},
    {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_PRO[] = {
    {"N", -0.29f, kNSide}, {"CA", 0.02f, kNSide}, {"HA", 0.09f, kNSide}, {"CD", 0.0f, kOther},
    {"HD1", 0.09f, kOther}, {"HD2", 0.09f, kOther}, {"CB", -0.18f, kOther},
    {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther}, {"CG", -0.18f, kOther},
    {"HG1", 0.09f, kOther}, {"HG2", 0.09f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_SER[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", 0.05f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"OG", -0.66f, kOther}, {"HG1", 0.43f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_THR[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", 0.14f, kOther}, {"HB", 0.09f, kOther}, {"OG1", -0.66f, kOther},
    {"HG1", 0.43f, kOther}, {"CG2", -0.27f, kOther}, {"HG21", 0.09f, kOther},
    {"HG22", 0.09f, kOther}, {"HG23", 0.09f, kOther}, {"C", 0.51f, kCSide},
    {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_TRP[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", -0.03f, kOther}, {"CD2", -0.02f, kOther}, {"CD1", 0.035f, kOther},
    {"HD1", 0.115f, kOther}, {"NE1", -0.61f, kOther}, {"HE1", 0.38f, kOther},
    {"CE2", 0.13f, kOther}, {"CE3", -0.115f, kOther}, {"HE3", 0.115f, kOther},
    {"CZ2", -0.115f, kOther}, {"HZ2", 0.115f, kOther}, {"CZ3", -0.115f, kOther},
    {"HZ3", 0.115f, kOther}, {"CH2", -0.115f, kOther}, {"HH2", 0.115f, kOther},
    {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_TYR[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.18f, kOther}, {"HB1", 0.09f, kOther}, {"HB2", 0.09f, kOther},
    {"CG", 0.0f, kOther}, {"CD1", -0.115f, kOther}, {"HD1", 0.115f, kOther},
    {"CD2", -0.115f, kOther}, {"HD2", 0.115f, kOther}, {"CE1", -0.115f, kOther},
    {"HE1", 0.115f, kOther}, {"CE2", -0.115f, kOther}, {"HE2", 0.115f, kOther},
    {"CZ", 0.11f, kOther}, {"OH", -0.54f, kOther}, {"HH", 0.43f, kOther}, {"C", 0.51f, kCSide},
    {"O", -0.51f, kCSide},
};

constexpr ChargeRow kSetB_VAL[] = {
    {"N", -0.47f, kNSide}, {"HN", 0.31f, kNSide}, {"CA", 0.07f, kNSide}, {"HA", 0.09f, kNSide},
    {"CB", -0.09f, kOther}, {"HB", 0.09f, kOther}, {"CG1", -0.27f, kOther},
    {"HG11", 0.09f, kOther}, {"HG12", 0.09f, kOther}, {"HG13", 0.09f, kOther},
    {"CG2", -0.27f, kOther}, {"HG21", 0.09f, kOther}, {"HG22", 0.09f, kOther},
    {"HG23", 0.09f, kOther}, {"C", 0.51f, kCSide}, {"O", -0.51f, kCSide},
};

constexpr ChargeBlock kSetB_Blocks[] = {
    {"ALA", nullptr, kSetB_ALA, countOf(kSetB_ALA)},
    {"ARG", nullptr, kSetB_ARG, countOf(kSetB_ARG)},
    {"ASN", nullptr, kSetB_ASN, countOf(kSetB_ASN)},
    {"ASP", nullptr, kSetB_ASP, countOf(kSetB_ASP)},
    {"CYS", nullptr, kSetB_CYS, countOf(kSetB_CYS)},
    {"GLN", nullptr, kSetB_GLN, countOf(kSetB_GLN)},
    {"GLU", nullptr, kSetB_GLU, countOf(kSetB_GLU)},
    {"GLY", nullptr, kSetB_GLY, countOf(kSetB_GLY)},
    {"HSD", nullptr, kSetB_HSD, countOf(kSetB_HSD)},
    {"HSE", nullptr, kSetB_HSE, countOf(kSetB_HSE)},
    {"HSP", nullptr, kSetB_HSP, countOf(kSetB_HSP)},
    {"HIS", nullptr, kSetB_HSP, countOf(kSetB_HSP)},
    {"ILE", nullptr, kSetB_ILE, countOf(kSetB_ILE)},
    {"LEU", nullptr, kSetB_LEU, countOf(kSetB_LEU)},
    {"LYS", nullptr, kSetB_LYS, countOf(kSetB_LYS)},
    {"MET", nullptr, kSetB_MET, countOf(kSetB_MET)},
    {"PHE", nullptr, kSetB_PHE, countOf(kSetB_PHE)},
    {"PRO", nullptr, kSetB_PRO, countOf(kSetB_PRO)},
    {"SER", nullptr, kSetB_SER, countOf(kSetB_SER)},
    {"THR", nullptr, kSetB_THR, countOf(kSetB_THR)},
    {"TRP", nullptr, kSetB_TRP, countOf(kSetB_TRP)},
    {"TYR", nullptr, kSetB_TYR, countOf(kSetB_TYR)},
    {"VAL", nullptr, kSetB_VAL, countOf(kSetB_VAL)},
};

// Set C: set B with neutral carboxyl groups (ASP, GLU) and a neutral
// C-terminus. Only ten charges differ; every name, order and group is set B's.
struct NewCharge {
  std::string_view atomName;
  float charge;
};

// The rows with the charges of the named atoms replaced.
template <int N>
constexpr std::array<ChargeRow, N> recharged(const ChargeRow (&rows)[N], std::initializer_list<NewCharge> changes) {
  std::array<ChargeRow, N> out{};
  for (int r = 0; r < N; ++r) {
    out[r] = rows[r];
    for (const NewCharge& c : changes) {
      if (c.atomName == rows[r].atomName) out[r].charge = c.charge;
    }
  }
  return out;
}

constexpr auto kSetC_CTerm = recharged(kSetB_CTerm, {{"OT1", -0.17f}, {"OT2", -0.17f}});
constexpr auto kSetC_ASP = recharged(kSetB_ASP, {{"CB", -0.21f}, {"CG", 0.75f}, {"OD1", -0.36f}, {"OD2", -0.36f}});
constexpr auto kSetC_GLU = recharged(kSetB_GLU, {{"CG", -0.21f}, {"CD", 0.75f}, {"OE1", -0.36f}, {"OE2", -0.36f}});

constexpr auto kSetC_Blocks = [] {
  std::array<ChargeBlock, std::size(kSetB_Blocks)> blocks{};
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    blocks[b] = kSetB_Blocks[b];
    const std::string_view name = blocks[b].resName;
    if (name == "ASP") blocks[b].rows = kSetC_ASP.data();
    if (name == "GLU") blocks[b].rows = kSetC_GLU.data();
  }
  return blocks;
}();

}  // namespace

const ChargeSet kChargeSetA = {kSetA_NTerm, countOf(kSetA_NTerm), kSetA_CTerm, countOf(kSetA_CTerm),
                               kSetA_Blocks, countOf(kSetA_Blocks), 0};
const ChargeSet kChargeSetB = {kSetB_NTerm, countOf(kSetB_NTerm), kSetB_CTerm, countOf(kSetB_CTerm),
                               kSetB_Blocks, countOf(kSetB_Blocks), 1};
const ChargeSet kChargeSetC = {kSetB_NTerm, countOf(kSetB_NTerm), kSetC_CTerm.data(),
                               static_cast<int>(kSetC_CTerm.size()), kSetC_Blocks.data(),
                               static_cast<int>(kSetC_Blocks.size()), 1};

const ChargeBlock* findChargeBlock(const ChargeSet* set, const char* resName) {
  for (int b = 0; b < set->blockCount; ++b) {
    const ChargeBlock& block = set->blocks[b];
    if (std::strcmp(block.resName, resName) == 0) return &block;
    if (block.altResName != nullptr && std::strcmp(block.altResName, resName) == 0) return &block;
  }
  return nullptr;
}

}  // namespace korim::charges
