// The files a run is given to read and those it writes, and the refusal of a run whose outputs
// would destroy each other or an input, or cannot be written.
#include "app/run_outputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "app/option_words.h"
#include "charges/korim_charge_setup.h"
#include "foundation/appendf.h"
#include "foundation/cmndargs.h"
#include "foundation/outputfile.h"
#include "simulation/ensemble.h"

namespace korim::app {

using namespace korim::settings;

namespace {

constexpr int kTurnedFiles = 4;  // the rotated structures name.0 to name.3

void add(std::vector<RunOutput>& v, const char* option, const char* name) {
  if (name[0] != '\0') v.push_back({option, name, name});
}

// A rotated structure written as the chosen frame (name) and every frame (name.0 to name.3).
void addTurned(std::vector<RunOutput>& v, const char* option, const char* name) {
  if (name[0] == '\0') return;
  add(v, option, name);
  for (int k = 0; k < kTurnedFiles; k++)
    v.push_back({option, name, std::string(name) + "." + std::to_string(k)});
}

void bestFitOutputs(std::vector<RunOutput>& v, const KorimParams& p, int spreadMode) {
  add(v, "-outD", p.outDName);
  addTurned(v, "-pdbRot", p.pRotName);
  if (spreadMode != kSpreadJackknife && spreadMode != kSpreadMcStructure &&
      spreadMode != kSpreadMcCouplings)
    return;
  add(v, "-outDa", p.outDaName);
  add(v, "-outMap", p.outMapName);
  add(v, "-outAng", p.outAngName);
  add(v, "-outA", p.outAName);
  if (spreadMode == kSpreadMcCouplings) add(v, "-outFail", p.outDFailName);
}

// Listing OUTPUT_ENSEMBLE 2 stops after the state lists; 3 writes each state's structure and no
// average table.
void ensembleOutputs(std::vector<RunOutput>& v, const KorimParams& p, const GridInfo& g) {
  add(v, "-pdbRot", p.pRotName);
  add(v, "-outE", p.outEName);
  add(v, "-outEAx", p.outEAxName);
  if (g.outEflag == 2) return;
  add(v, "-flex", p.flexName);
  add(v, "-dcEns", p.oDcEName);
  if (g.outEflag != 3) add(v, "-ave", p.aveName);
  add(v, nullptr, simulation::kStateStructureFile);
  if (g.outEflag == 3) add(v, nullptr, simulation::kListedStructureFile);
}

// The modes that read a structure and set up its charges first: the charge listing where the
// charges are used, then their own outputs.
void predictionOutputs(std::vector<RunOutput>& v, const KorimParams& p, const KorimInfo& k) {
  if (writesChargeListing(k, p.pkaName)) add(v, "-outPka", p.outPkaName);
  switch (k.korimMode) {
    case kModeSteric:
      add(v, "-outD", p.outDName);
      addTurned(v, "-pdbRot", p.pRotName);
      return;
    case kModeElectrostatic:  // the interface structure in the wall and rod media
      add(v, "-outD", p.outDName);
      if (k.lcType != kLc3D) add(v, "-pdbRot", p.pRotName);
      return;
    case kModeStericGrid:
      ensembleOutputs(v, p, k.gridInfo);
      return;
    case kModeAnalyzePdb:
      addTurned(v, "-pdbRot", p.pRotName);
      add(v, "-outP", p.outPName);
      return;
    default:  // the charges only
      return;
  }
}

// How an output is named in a message: the option and its name, and a numbered file as such.
std::string shown(const RunOutput& o) {
  if (o.option == nullptr) return "the ensemble's per-state structure " + o.file;
  std::string s = std::string(o.option) + " " + o.given;
  if (o.file != o.given) s += " (as " + o.file + ")";
  return s;
}

// Names of one option, or names the mode fixes itself, are not compared with each other.
bool sameOption(const RunOutput& a, const RunOutput& b) {
  if (a.option == nullptr || b.option == nullptr) return a.option == b.option;
  return std::strcmp(a.option, b.option) == 0;
}

int refuseSharedOutputs(const std::vector<RunOutput>& v) {
  for (size_t i = 0; i < v.size(); i++)
    for (size_t j = i + 1; j < v.size(); j++) {
      if (sameOption(v[i], v[j])) continue;
      if (!foundation::sameOutputFile(v[i].file.c_str(), v[j].file.c_str())) continue;
      std::fprintf(stderr,
                   "korim: %s and %s would write the same file; give each output a name of its "
                   "own.\n",
                   shown(v[i]).c_str(), shown(v[j]).c_str());
      return 1;
    }
  return 0;
}

// An output onto an input would destroy what the run reads, before or while it reads it.
int refuseOutputOnInput(const std::vector<RunOutput>& out, const std::vector<RunInput>& in) {
  for (const RunOutput& o : out)
    for (const RunInput& i : in) {
      if (!foundation::sameOutputFile(o.file.c_str(), i.file.c_str())) continue;
      std::fprintf(stderr,
                   "korim: %s would write over the input %s %s; korim never writes over an input "
                   "file.\n",
                   shown(o).c_str(), i.option, i.file.c_str());
      return 1;
    }
  return 0;
}

// A file of a name the mode fixes itself (the ensemble's structures, written into the current
// directory) that is there already and does not begin with the mode's mark is the user's: the
// run would replace it unasked. One the mode wrote (the previous run's) is replaced as before.
int refuseForeignFiles(const std::vector<RunOutput>& out) {
  const std::string mark = std::string("REMARK ") + simulation::kEnsembleFileMark;
  for (const RunOutput& o : out) {
    if (o.option != nullptr) continue;
    std::FILE* f = std::fopen(o.file.c_str(), "r");
    if (f == nullptr && errno == ENOENT) continue;
    std::string why;
    if (f == nullptr) {
      why = std::string("that cannot be read to tell whether korim -stKorimGrid wrote it (") + std::strerror(errno) + ")";
    } else {
      char first[128] = "";
      const bool read = std::fgets(first, sizeof first, f) != nullptr;
      std::fclose(f);
      if (read && std::strncmp(first, mark.c_str(), mark.size()) == 0) continue;
      why = "that korim -stKorimGrid did not write (its first line is not \"" + mark + ": ...\")";
    }
    std::fprintf(stderr,
                 "korim: the current directory holds a file %s %s, and the run would replace it with the "
                 "ensemble's per-state structure; move that file, or run from another directory.\n",
                 o.file.c_str(), why.c_str());
    return 1;
  }
  return 0;
}

// A folder that is missing or closed, found before the work rather than after it.
int refuseUnwritable(const std::vector<RunOutput>& out) {
  for (const RunOutput& o : out) {
    std::string place;
    const int err = foundation::unwritableOutput(o.file.c_str(), &place);
    if (err == 0) continue;
    std::fprintf(stderr, "korim: %s cannot be written: %s: %s.\n", shown(o).c_str(), place.c_str(),
                 std::strerror(err));
    return 1;
  }
  return 0;
}

// Every option that names a file a run may write, with the buffer of its name; -out is the
// short form of -outD and shares its buffer. -outS and -outCS are read, but no mode writes them.
using NameBuffer = char (KorimParams::*)[kNameLen];
constexpr struct {
  const char* option;
  NameBuffer name;
  const char* shortFor = nullptr;  // the option this one is a short form of
} kOutputOptions[] = {
    {"-outD", &KorimParams::outDName},     {"-out", &KorimParams::outDName, "-outD"},
    {"-outPka", &KorimParams::outPkaName}, {"-outFail", &KorimParams::outDFailName},
    {"-outDa", &KorimParams::outDaName},   {"-outMap", &KorimParams::outMapName},
    {"-outAng", &KorimParams::outAngName}, {"-outA", &KorimParams::outAName},
    {"-outP", &KorimParams::outPName},     {"-pdbRot", &KorimParams::pRotName},
    {"-outE", &KorimParams::outEName},     {"-outEAx", &KorimParams::outEAxName},
    {"-flex", &KorimParams::flexName},     {"-dcEns", &KorimParams::oDcEName},
    {"-ave", &KorimParams::aveName},       {"-outSc", &KorimParams::outScName},
    {"-outCol", &KorimParams::outColName}, {"-outS", &KorimParams::outSName},
    {"-outCS", &KorimParams::outCSName},
};

// The mode of the run as its options name it, with the variant of a best fit.
std::string modeShown(const KorimInfo& k) {
  std::string s = modeWord(k.korimMode);
  if (k.korimMode == kModeBestFit) s += std::string(" ") + spreadWord(k.spreadMode);
  return s;
}

bool onCommandLine(int argc, char** argv, const char* word) {
  for (int i = 1; i < argc; i++)
    if (std::strcmp(argv[i], word) == 0) return true;
  return false;
}

// The models that use charges: electrostatics (the -elKorim modes, -el) and the structure
// analysis (-anPdb). The steric models place none.
bool usesCharges(const KorimInfo& k) { return k.elInfo.elFlag != 0 || k.korimMode == kModeAnalyzePdb; }

// A charge listing named where the model uses charges: one line when it stays empty (the pKa
// file lists the charges itself) or is not written (the run places none, and why). True after
// the line.
bool sayChargeListing(const KorimParams& p, const KorimInfo& k, int argc, char** argv) {
  if (p.outPkaName[0] == '\0' || !usesCharges(k) || !onCommandLine(argc, argv, "-outPka")) return false;
  const charges::ChargeSource source = charges::chargeSource(p.pkaName, k.elInfo);
  if (source == charges::ChargeSource::pkaFile) {
    std::fprintf(stderr,
                 "korim: -outPka %s stays empty: the charges come from the pKa file %s, which lists them "
                 "already.\n",
                 p.outPkaName, p.pkaName);
    return true;
  }
  if (source != charges::ChargeSource::none) return false;
  char why[96];
  if (k.elInfo.pkaFlag == 0)
    std::snprintf(why, sizeof why, "-nopkaDef");
  else if (k.elInfo.elFlag == 0)
    std::snprintf(why, sizeof why, "-anPdb places them with -el, -charmm or -charmm22");
  else
    std::snprintf(why, sizeof why, "-charmm22 has no table for pH %.2f", static_cast<double>(k.elInfo.pH));
  std::fprintf(stderr, "korim: this run places no charges (%s); -outPka %s is not written.\n", why, p.outPkaName);
  return true;
}

}  // namespace

bool writesChargeListing(const KorimInfo& k, const char* pkaName) {
  return usesCharges(k) && charges::chargeSource(pkaName, k.elInfo) != charges::ChargeSource::none;
}

std::vector<RunOutput> runOutputs(const KorimParams& p, const KorimInfo& k) {
  std::vector<RunOutput> v;
  switch (k.korimMode) {
    case kModeStericFree:
    case kModeAnalyzeSaupe:
      add(v, "-outA", p.outAName);
      break;
    case kModeAnalyzeDc:
    case kModeConvert:
    case kModeDaHist:
      add(v, "-outD", p.outDName);
      break;
    case kModeDaMl:
    case kModeDaFlex:
      add(v, "-outD", p.outDName);
      add(v, "-outSc", p.outScName);
      if (k.korimMode == kModeDaFlex) add(v, "-outCol", p.outColName);
      break;
    case kModeBestFit:
      bestFitOutputs(v, p, k.spreadMode);
      break;
    case kModeStructNoise:
      add(v, "-pdbRot", p.pRotName);
      break;
    default:
      predictionOutputs(v, p, k);
      break;
  }
  return v;
}

std::vector<RunInput> runInputs(int argc, char** argv) {
  std::vector<RunInput> v;
  for (int i = 1; i + 1 < argc; i++)
    for (const OptionWord& o : optionWords())
      if (o.namesInput && std::strcmp(argv[i], o.word) == 0 && argv[i + 1][0] != '\0')
        v.push_back({o.word, argv[i + 1]});
  return v;
}

int refuseRunFiles(const KorimParams& p, const KorimInfo& k, const std::vector<RunInput>& inputs) {
  const std::vector<RunOutput> out = runOutputs(p, k);
  if (refuseSharedOutputs(out) != 0) return 1;
  if (refuseOutputOnInput(out, inputs) != 0) return 1;
  if (refuseForeignFiles(out) != 0) return 1;
  return refuseUnwritable(out);
}


int warnUnwrittenOutputs(const KorimParams& p, const KorimInfo& k, int argc, char** argv) {
  // What the mode writes: its outputs with every name given.
  auto every = std::make_unique<KorimParams>(p);
  for (const auto& o : kOutputOptions) std::strcpy((*every).*o.name, "x");
  std::vector<std::string> written;
  for (const RunOutput& o : runOutputs(*every, k))
    if (o.option != nullptr && std::find(written.begin(), written.end(), o.option) == written.end())
      written.emplace_back(o.option);
  // The Da and R histograms read -ave as a switch (-noave), not as an output: only a name after it
  // (a word that is no option) is one they do not write.
  const bool aveSwitch = (k.korimMode == kModeDaHist || k.korimMode == kModeDaFlex) && foundation::isFlag(p.aveName);
  const bool listingSaid = sayChargeListing(p, k, argc, argv);
  std::vector<std::string> unwritten;
  for (const auto& o : kOutputOptions) {
    const char* name = p.*o.name;
    if (name[0] == '\0' || (o.shortFor != nullptr && onCommandLine(argc, argv, o.shortFor)) ||
        !onCommandLine(argc, argv, o.option) || (aveSwitch && std::strcmp(o.option, "-ave") == 0) ||
        (listingSaid && std::strcmp(o.option, "-outPka") == 0))
      continue;
    const char* canonical = o.shortFor != nullptr ? o.shortFor : o.option;
    if (std::find(written.begin(), written.end(), canonical) == written.end())
      unwritten.push_back(std::string(o.option) + " " + name);
  }
  if (unwritten.empty()) return listingSaid ? 1 : 0;
  const std::string writes =
      written.empty() ? "writes no file" : "writes " + foundation::listedItems(written) + " only";
  std::fprintf(stderr, "korim: this mode (%s) %s; %s %s not written.\n", modeShown(k).c_str(), writes.c_str(),
               foundation::listedItems(unwritten).c_str(), unwritten.size() > 1 ? "are" : "is");
  return 1;
}

}  // namespace korim::app
