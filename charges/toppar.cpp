// Topology look-ups: atom-type index, residue-type index and fixed charge by atom name.
#include "charges/toppar.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace korim::charges {
namespace {

struct NamedIndex {
  const char* name;
  int index;
};

struct NamedCharge {
  const char* name;
  float charge;
};

// Atom-type names by index. The indexes group the names: C... (1-196),
// FC... (197-199), names ending in C (200-208), 1NE2 and 1ZN, N... (211-243),
// names ending in N (244-252), O... (253-315), SOD, S... (317-321), further
// heavy atoms (322-328), H... (330-584), digit-first hydrogens (585-588).
// Byte order holds within each group; 329 has no name.
constexpr const char* kAtomTypeNames[kAtomTypeCount + 1] = {
    nullptr,  // index 0 is not a type name
    /*   1 */ "C", "C1", "C1'", "C1'A", "C1'C", "C1'N", "C10", "C11", "C12", "C13",
    /*  11 */ "C14", "C15", "C16", "C17", "C18", "C19", "C1A", "C1B", "C1C", "C1D",
    /*  21 */ "C1M", "C2", "C2'", "C2'A", "C2'C", "C2'N", "C20", "C21", "C210", "C211",
    /*  31 */ "C212", "C213", "C214", "C215", "C216", "C22", "C23", "C24", "C25", "C26",
    /*  41 */ "C27", "C28", "C29", "C2A", "C2B", "C2C", "C2D", "C2N", "C3", "C3'",
    /*  51 */ "C3'A", "C3'C", "C3'N", "C30", "C31", "C310", "C311", "C312", "C313", "C314",
    /*  61 */ "C315", "C316", "C32", "C33", "C34", "C35", "C36", "C37", "C38", "C39",
    /*  71 */ "C3A", "C3B", "C3C", "C3D", "C3N", "C4", "C4'", "C4'A", "C4'C", "C4'N",
    /*  81 */ "C40", "C41", "C42", "C43", "C44", "C45", "C46", "C4A", "C4B", "C4C",
    /*  91 */ "C4D", "C4N", "C5", "C5'", "C5'A", "C5'C", "C5'N", "C5A", "C5C", "C5M",
    /* 101 */ "C5N", "C6", "C6A", "C6C", "C6N", "C7", "C7M", "C7N", "C8", "C8A",
    /* 111 */ "C8M", "C9", "C9A", "CA", "CAA", "CAB", "CAC", "CAD", "CAL", "CAY",
    /* 121 */ "CB", "CB1", "CB2", "CBA", "CBB", "CBC", "CBD", "CC", "CD", "CD1",
    /* 131 */ "CD2", "CE", "CE1", "CE2", "CE3", "CED", "CF", "CF3", "CG", "CG1",
    /* 141 */ "CG2", "CG3", "CGA", "CGD", "CH2", "CH3", "CHA", "CHB", "CHC", "CHD",
    /* 151 */ "CL", "CL1", "CLP", "CM", "CM1", "CM10", "CM2", "CM3", "CM4", "CM5",
    /* 161 */ "CM6", "CM7", "CM8", "CM9", "CMA", "CMB", "CMC", "CMD", "CP1", "CP10",
    /* 171 */ "CP11", "CP12", "CP13", "CP14", "CP15", "CP16", "CP17", "CP18", "CP19", "CP2",
    /* 181 */ "CP20", "CP3", "CP4", "CP5", "CP6", "CP7", "CP8", "CP9", "CR", "CRP",
    /* 191 */ "CT", "CY", "CZ", "CZ2", "CZ3", "Cl", "FC1", "FC2", "FC3", "N1C",
    /* 201 */ "N3C", "N4C", "NC", "O2'C", "O2C", "O3'C", "O4'C", "O5'C", "1NE2", "1ZN",
    /* 211 */ "N", "N1", "N10", "N1A", "N1N", "N2", "N3", "N3A", "N4", "N5",
    /* 221 */ "N6", "N6A", "N7", "N7A", "N7N", "N9", "N9A", "NA", "NB", "ND",
    /* 231 */ "ND1", "ND2", "NE", "NE1", "NE2", "NH1", "NH2", "NL", "NR", "NT",
    /* 241 */ "NZ", "NZ1", "Na", "O1PN", "O2'N", "O2PN", "O3'N", "O4'N", "O5'N", "O7N",
    /* 251 */ "PN", "ZN", "O", "O1", "O10", "O11", "O12", "O13", "O14", "O1A",
    /* 261 */ "O1B", "O1D", "O1P", "O1PA", "O2", "O2'", "O2'A", "O21", "O22", "O2A",
    /* 271 */ "O2D", "O2P", "O2PA", "O3", "O3'", "O3'A", "O31", "O32", "O3P", "O4",
    /* 281 */ "O4'", "O4'A", "O5", "O5'", "O5'A", "O6", "O7", "O8", "O9", "OBB",
    /* 291 */ "OBD", "OD1", "OD2", "OE1", "OE2", "OF", "OF1", "OF2", "OF3", "OG",
    /* 301 */ "OG1", "OG2", "OG3", "OH", "OH1", "OH2", "OH3", "OL", "OM", "OR",
    /* 311 */ "OS1", "OS2", "OS3", "OS4", "OY", "SOD", "S", "S2", "S3", "SD",
    /* 321 */ "SG", "FE", "MG", "P", "P1", "PA", "PF", "YB", nullptr, "H1",
    /* 331 */ "H1'", "H10", "H101", "H102", "H10R", "H10S", "H10X", "H10Y", "H11", "H111",
    /* 341 */ "H112", "H113", "H11A", "H11B", "H11R", "H11S", "H11X", "H11Y", "H12", "H121",
    /* 351 */ "H122", "H123", "H12A", "H12B", "H12R", "H12S", "H12T", "H12X", "H12Y", "H12Z",
    /* 361 */ "H13", "H13A", "H13B", "H13C", "H13R", "H13S", "H13X", "H13Y", "H14A", "H14B",
    /* 371 */ "H14C", "H14R", "H14S", "H14T", "H14X", "H14Y", "H14Z", "H15A", "H15B", "H15C",
    /* 381 */ "H15R", "H15S", "H15X", "H15Y", "H16R", "H16S", "H16T", "H16X", "H16Y", "H16Z",
    /* 391 */ "H2", "H2'", "H2''", "H2'A", "H2'C", "H2'N", "H21", "H211", "H212", "H213",
    /* 401 */ "H22", "H23", "H2R", "H2S", "H2X", "H2Y", "H3", "H3'", "H3'A", "H3'N",
    /* 411 */ "H31", "H32", "H33", "H3R", "H3S", "H3T", "H3X", "H3Y", "H4", "H4'",
    /* 421 */ "H41", "H41C", "H42", "H42C", "H43", "H4R", "H4S", "H4X", "H4Y", "H5",
    /* 431 */ "H5'", "H5''", "H51", "H52", "H53", "H5R", "H5S", "H5T", "H5X", "H5Y",
    /* 441 */ "H6", "H61", "H61A", "H62", "H62A", "H63", "H6R", "H6S", "H6X", "H6Y",
    /* 451 */ "H7", "H71", "H71N", "H72", "H72N", "H73", "H7R", "H7S", "H7X", "H7Y",
    /* 461 */ "H8", "H81", "H82", "H83", "H8R", "H8S", "H8X", "H8Y", "H9", "H91",
    /* 471 */ "H92", "H9R", "H9S", "H9X", "H9Y", "HA", "HA1", "HA2", "HA3", "HAA1",
    /* 481 */ "HAA2", "HAB", "HAC", "HAD1", "HAD2", "HB", "HB1", "HB2", "HB3", "HBA1",
    /* 491 */ "HBA2", "HBB1", "HBB2", "HBC1", "HBC2", "HBD1", "HBD2", "HC", "HC1", "HC2",
    /* 501 */ "HC3", "HD", "HD1", "HD11", "HD12", "HD13", "HD2", "HD21", "HD22", "HD23",
    /* 511 */ "HD3", "HE", "HE1", "HE2", "HE21", "HE22", "HE3", "HG", "HG1", "HG11",
    /* 521 */ "HG12", "HG13", "HG2", "HG21", "HG22", "HG23", "HG31", "HG32", "HH", "HH11",
    /* 531 */ "HH12", "HH2", "HH21", "HH22", "HL", "HL1", "HL2", "HL3", "HMA1", "HMA2",
    /* 541 */ "HMA3", "HMB1", "HMB2", "HMB3", "HMC1", "HMC2", "HMC3", "HMD1", "HMD2", "HMD3",
    /* 551 */ "HN", "HN1", "HN2", "HN3", "HN5", "HO", "HO1", "HO2", "HO3", "HO4",
    /* 561 */ "HO6", "HO7", "HO8", "HO9", "HR", "HR1", "HR2", "HR3", "HS", "HT",
    /* 571 */ "HT1", "HT2", "HX", "HY", "HY1", "HY2", "HY3", "HZ", "HZ1", "HZ11",
    /* 581 */ "HZ12", "HZ13", "HZ2", "HZ3", "1HG", "1HG1", "2HG", "2HG1",
};

// Second names of a type index above, and the names outside the type range.
constexpr NamedIndex kAtomTypeExtraKeys[] = {
    // aliases
    {"H", 551}, {"1H", 330}, {"2H", 391}, {"3H", 407},
    // placeholders
    {"X", 0}, {"QB", 0},
    // C-terminal oxygens
    {"OXT", -1}, {"OT1", -2}, {"OT2", -3}, {"OT3", -4},
    // hydrogens written with a leading digit that share one index
    {"1HA", 1000}, {"2HA", 1000}, {"1HB", 1000}, {"2HB", 1000}, {"3HB", 1000},
    {"3HG1", 1000}, {"1HG2", 1000}, {"2HG2", 1000}, {"3HG2", 1000}, {"1HE", 1000},
    {"2HE", 1000}, {"3HE", 1000}, {"1HE2", 1000}, {"2HE2", 1000}, {"1HD", 1000},
    {"2HD", 1000}, {"1HD1", 1000}, {"2HD1", 1000}, {"3HD1", 1000}, {"1HD2", 1000},
    {"2HD2", 1000}, {"3HD2", 1000}, {"1HZ", 1000}, {"2HZ", 1000}, {"3HZ", 1000},
    {"1HH1", 1000}, {"2HH1", 1000}, {"1HH2", 1000}, {"2HH2", 1000}, {"1HT", 1000},
    {"2HT", 1000}, {"3HT", 1000},
};

// Residue-type names; the index of a name is its place in byte order.
constexpr const char* kResidueTypeNames[kResidueTypeCount + 1] = {
    nullptr,  // index 0 is not a residue name
    /*   1 */ "1MA", "1MC", "1MT", "2'OM", "2AMP", "2END", "2M2G", "3PHO", "3TER", "3UMP",
    /*  11 */ "5MC", "5MET", "5PHO", "5TER", "7MG", "9EG", "9MA", "9MG", "A12", "A13",
    /*  21 */ "A13L", "A14", "A16", "A16L", "A23", "A26", "ACE", "ACEH", "ACEM", "ACET",
    /*  31 */ "ACHO", "ACP", "ADE", "AIB", "ALA", "ALAD", "AMG", "AMX", "AP2", "ARG",
    /*  41 */ "ASN", "ASP", "ASPP", "AZID", "B12", "B14", "B1N", "BCB", "BCHC", "BCL",
    /*  51 */ "BENZ", "BMPP", "BPB", "BPH", "BPHC", "BUTA", "BtoA", "C", "C8A", "CA++",
    /*  61 */ "CA2", "CAL", "CBX", "CCMP", "CE", "CHL", "CHOL", "CL", "CMP", "CO",
    /*  71 */ "COH", "CPA", "CPR", "CT1", "CT2", "CT3", "CTEG", "CTER", "CTN", "CYS",
    /*  81 */ "CYT", "DEO1", "DEO2", "DEOT", "DEOX", "DHU", "DISU", "DLPE", "DMDS", "DMPA",
    /*  91 */ "DMPC", "DPPC", "EIMI", "EIMM", "EMS", "ES1", "ETAC", "ETAM", "ETH", "ETHA",
    /* 101 */ "ETO", "ETOH", "ETSH", "FC", "FE1", "FEGL", "FEOX", "FHEM", "FMA", "FME",
    /* 111 */ "FMN", "FORM", "FUC", "GAL", "GCM", "GLC", "GLN", "GLU", "GLUA", "GLUP",
    /* 121 */ "GLY", "GLYP", "GMG", "GMP", "GMX", "GNP", "GOM", "GPC", "GPE", "GUA",
    /* 131 */ "GUAN", "HEM", "HEME", "HIBD", "HID", "HIP", "HIS", "HISD", "HISE", "HISH",
    /* 141 */ "HIST", "HISU", "HS2", "HSD", "HSE", "HSP", "HYL", "HYP", "IBUT", "ILE",
    /* 151 */ "IMIA", "IMIM", "INDO", "LDA", "LEU", "LIG1", "LIG2", "LIG3", "LINK", "LPPC",
    /* 161 */ "LYS", "LtoD", "M2G", "MAMI", "MAMM", "MAN", "MAS", "MEOH", "MES1", "MESH",
    /* 171 */ "MET", "METO", "MG", "MGUA", "MIMI", "MIP", "MPRO", "MP_0", "MP_1", "MP_2",
    /* 181 */ "MQ7", "MSO4", "NA", "NAD", "NAF", "NAG", "NAH", "NAP", "NAX", "NC4",
    /* 191 */ "NC5", "NH4", "NMA", "NMG", "NMX", "NS1", "NTEG", "NTER", "NUC", "O2",
    /* 201 */ "OH2", "PBCL", "PC", "PCYB", "PCYC", "PEN", "PENT", "PEPP", "PEPT", "PFE",
    /* 211 */ "PHE", "PHEM", "PHEN", "PHEO", "PLIG", "PLO2", "PLWA", "PMET", "PPG1", "PPG2",
    /* 221 */ "PPGG", "PPGP", "PRO", "PRO2", "PROP", "PSI", "PUR", "PURA", "PURG", "PYR",
    /* 231 */ "PYRC", "PYRU", "RIBN", "RIBT", "RMHB", "SDS", "SER", "SIA", "SO4", "SOD",
    /* 241 */ "TFE", "TFME", "THE", "THR", "THY", "TIP3", "TP2", "TRP", "TYR", "UNPR",
    /* 251 */ "UQ1", "URA", "URE", "URI", "VAL", "WAT", "WYE", "XCM", "XMG", "XMP",
    /* 261 */ "XMX", "XNP", "XOM", "XXX", "XYL", "YB3", "ZN", "ZN2", "ZNK",
};

// The atom names with a non-zero fixed charge (e); every other key gives 0.
constexpr NamedCharge kNonZeroCharges[] = {
    {"C1'N", 0.2f}, {"C18", -0.05f}, {"C2'N", 0.15f}, {"C3'N", 0.15f}, {"C4'N", 0.16f},
    {"C43", -0.05f}, {"C44", -0.1f}, {"C6N", 0.2f}, {"C7N", 0.38f}, {"C9A", 0.1f},
    {"CED", 0.3f}, {"CM9", -0.02f}, {"CP13", -0.04f}, {"CP18", -0.06f}, {"CP2", -0.06f},
    {"CP3", -0.07f}, {"CP8", -0.05f}, {"1NE2", -0.65f}, {"1ZN", 2.0f}, {"N10", -0.25f},
    {"N1N", -0.2f}, {"N5", -0.2f}, {"N7N", -0.83f}, {"O1PN", -0.36f}, {"O2'N", -0.548f},
    {"O2PN", -0.36f}, {"O3'N", -0.548f}, {"O4'N", -0.36f}, {"O5'N", -0.36f}, {"O7N", -0.38f},
    {"PN", 1.21f}, {"O10", -0.55f}, {"O1B", -0.6f}, {"O1PA", -0.36f}, {"O2PA", -0.36f},
    {"O3P", -0.26f}, {"O5", -0.4f}, {"O7", -0.55f}, {"O9", -0.65f}, {"OBB", -0.51f},
    {"OBD", -0.47f}, {"OF", -0.55f}, {"OF1", -0.4f}, {"OF2", -0.4f}, {"OF3", -0.4f},
    {"PA", 1.21f}, {"PF", 1.2f}, {"H2'N", 0.398f}, {"H3'A", 0.398f}, {"H3'N", 0.398f},
    {"H71N", 0.415f}, {"H72N", 0.415f},
};

constexpr int kTypeNameCount = kAtomTypeCount - 1;  // 588 indexes less the unused 329
constexpr int kExtraKeyCount = static_cast<int>(std::size(kAtomTypeExtraKeys));
static_assert(kTypeNameCount + kExtraKeyCount == kAtomTypeKeyCount);

// Index of an atom name, or kUnknownType; no output.
int atomTypeOf(const char* name) {
  for (int i = 1; i <= kAtomTypeCount; ++i) {
    if (kAtomTypeNames[i] != nullptr && std::strcmp(kAtomTypeNames[i], name) == 0) return i;
  }
  for (const NamedIndex& k : kAtomTypeExtraKeys) {
    if (std::strcmp(k.name, name) == 0) return k.index;
  }
  return kUnknownType;
}

void reportUnknownAtom(const char* name) {
  std::fprintf(stdout, "There is a atom of unknown type: %s\n", name);
}

}  // namespace

int get_atom_type_index(const char* residuetype) {
  const int index = atomTypeOf(residuetype);
  if (index == kUnknownType) reportUnknownAtom(residuetype);
  return index;
}

int get_aa_index(const char* residuetype) {
  for (int i = 1; i <= kResidueTypeCount; ++i) {
    if (std::strcmp(kResidueTypeNames[i], residuetype) == 0) return i;
  }
  std::fprintf(stdout, "There is a residue of unknown type: %s\n", residuetype);
  return kUnknownType;
}

float return_charge(const char* residuetype) {
  if (atomTypeOf(residuetype) == kUnknownType) {
    reportUnknownAtom(residuetype);
    return 0.0f;
  }
  for (const NamedCharge& c : kNonZeroCharges) {
    if (std::strcmp(c.name, residuetype) == 0) return c.charge;
  }
  return 0.0f;
}

const char* atomTypeKey(int i, int* index) {
  // Keys 0 .. 586 are the type names in index order (skipping 329), then the extra keys.
  if (i < 0 || i >= kAtomTypeKeyCount) return nullptr;
  if (i < kTypeNameCount) {
    const int idx = i < 328 ? i + 1 : i + 2;
    if (index != nullptr) *index = idx;
    return kAtomTypeNames[idx];
  }
  const NamedIndex& k = kAtomTypeExtraKeys[i - kTypeNameCount];
  if (index != nullptr) *index = k.index;
  return k.name;
}

const char* residueTypeName(int index) {
  if (index < 1 || index > kResidueTypeCount) return nullptr;
  return kResidueTypeNames[index];
}

}  // namespace korim::charges
