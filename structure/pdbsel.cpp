// Atom selection: residue range and name lists matched exactly, by regular expression or by glob.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/cmndargs.h"
#include "foundation/strmatch.h"
#include "foundation/token.h"
#include "structure/pdb.h"

using namespace korim::foundation;

namespace korim::structure {

namespace {

// 1 when some blank-separated word of list matches field in the given mode
// (case-sensitive); 0 also for a list without words.
int listMatches(const char* list, const char* field, int mode) {
    // Lists live in fixed buffers; never read past them. A word is at most the
    // whole list.
    char word[PDB_SELECT_LIST_LEN + 1];
    size_t n = 0;
    for (size_t i = 0; i <= PDB_SELECT_LIST_LEN; i++) {
        // Blanks as std::isspace takes them in the "C" locale the program runs in.
        const char c = i < PDB_SELECT_LIST_LEN ? list[i] : '\0';
        if (c != '\0' && c != ' ' && (c < '\t' || c > '\r')) {
            word[n++] = c;
            continue;
        }
        if (n > 0) {
            word[n] = '\0';
            if (strMatch(field, word, mode, 1)) return 1;
            n = 0;
        }
        if (c == '\0') break;
    }
    return 0;
}

// The blank-separated words of a name list, in order (the words listMatches tries).
std::vector<std::string> listWords(const char* list) {
    // Lists live in fixed buffers; never read past them.
    std::vector<std::string> words;
    std::string word;
    for (size_t i = 0; i <= PDB_SELECT_LIST_LEN; i++) {
        // Blanks as std::isspace takes them in the "C" locale the program runs in.
        const char c = i < PDB_SELECT_LIST_LEN ? list[i] : '\0';
        if (c != '\0' && c != ' ' && (c < '\t' || c > '\r')) {
            word += c;
            continue;
        }
        if (!word.empty()) words.push_back(word);
        word.clear();
        if (c == '\0') break;
    }
    return words;
}

// 1 when some word matches field in the given mode (case-sensitive), tried in order; 0 also
// for no words.
int wordsMatch(const std::vector<std::string>& words, const char* field, int mode) {
    for (const std::string& w : words)
        if (strMatch(field, w.c_str(), mode, 1)) return 1;
    return 0;
}

// The four name lists of a selection.
enum SelectList { kResList, kAtomList, kChainList, kSegList };

// The words of the four name lists of a selection, split once for a walk over many atoms.
struct SelectWords {
    std::vector<std::string> lists[4];
    explicit SelectWords(const PDBSelectInfo* s)
        : lists{listWords(s->resNameList), listWords(s->atomNameList),
                listWords(s->chainNameList), listWords(s->segNameList)} {}
    int operator()(SelectList l, const char* field, int mode) const {
        return wordsMatch(lists[l], field, mode);
    }
};

// pdbSelectTest with match(list, field, mode) telling whether a name matches a list.
template <typename Match>
int selectTest(const PDBSelectInfo* s, const AtomInfo* a, const Match& match) {
    if (s->selectClass == 4 && (a == nullptr || !isAminoAcid(a->resName))) return 0;
    if (s->selectMode == 1) return 1;
    if (s->selectMode == 0) return 0;
    const int pass = s->selectMode == -1 ? 0 : 1;
    const int fail = 1 - pass;
    if (a == nullptr) return fail;
    if (s->resIDMode && (a->resID < s->res1 || a->resID > s->resN)) return fail;
    if (s->atomNameMode != 0 && !match(kAtomList, a->atomName, s->atomNameMode)) return fail;
    if (s->resNameMode != 0 && !match(kResList, a->resName, s->resNameMode)) return fail;
    if (s->chainNameMode != 0 && !match(kChainList, a->chainID, s->chainNameMode)) return fail;
    if (s->segNameMode != 0 && !match(kSegList, a->segID, s->segNameMode)) return fail;
    return pass;
}

// Copies text into a selection list buffer; refuses a text that does not fit.
int setList(char* list, const char* text, const char* option) {
    size_t len = std::strlen(text);
    if (len >= static_cast<size_t>(PDB_SELECT_LIST_LEN)) {
        std::fprintf(stderr, "PDB Error: name list of %s longer than %d characters: %s\n", option,
                     PDB_SELECT_LIST_LEN - 1, text);
        return 1;
    }
    std::memcpy(list, text, len + 1);
    return 0;
}

// The words of a list option joined by single blanks into list; 1 when the
// option is present (whether or not the list fits), 0 when absent.
int listOption(int argc, char** argv, const char* flag, char* list, int* status) {
    int length = 0;
    char** words = ptrListArg(argc, argv, flag, &length);
    if (flagLoc(argc, argv, flag) == 0) return 0;
    std::string joined;
    for (int i = 0; words != nullptr && i < length; i++) {
        if (i > 0) joined += ' ';
        joined += words[i];
    }
    if (setList(list, joined.c_str(), flag) != 0) *status = 1;
    return 1;
}

// A residue number given as text; empty text is 0.
bool residueNumber(const char* text, int* value) {
    if (text[0] == '\0') {
        *value = 0;
        return true;
    }
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    *value = static_cast<int>(v);
    return true;
}

void printUsage() {
    static const char* const kLines[] = {
        " -res      resID  Single Residue for Selection.",
        " -r1       res1   First Residue in Segment.",
        " -rN       resN   Last Residue in Segment.",
        " -atomName aList  Atom Name List  (also -atom).",
        " -resName  rList  Res Name List   (Default: *).",
        " -chain    cList  Chain Name List (Default: *).",
        " -seg      sList  Seg Name List   (Default: *).",
        " -id       sID    Selection ID.",
        " -inv             Invert Selection.",
        "Special Class Selection:",
        " -protein        Select Only Canonical Amino Acids.",
        "Reset Selection; No Other Selection Performed:",
        " -clear          Clear Selection for All Atoms.",
        " -set            Set Selection for All Atoms.",
        "Name Matching Modes:",
        " -exact        Match Names Exactly (Default).",
        " -regex        Regular Expression Pattern Matching.",
        " -glob         Glob-style Pattern Matching.",
        "PDB Input Options:",
        " -hetatm       Interpret HETATM records as ATOMs.",
    };
    for (const char* line : kLines) std::fprintf(stderr, "%s\n", line);
}

// The refusal of a residue number of the selection (option opt, its word) that is neither a whole
// number nor *.
void badResidueNumber(const char* opt, const char* word) {
    std::fprintf(stderr, "PDB Error: bad residue number in selection: %s %s (a whole number, or * for "
                 "every residue)\n", opt, word);
}

}  // namespace

int pdbSelectNull(PDBSelectInfo* s) {
    if (s == nullptr) return 0;
    std::memset(s, 0, sizeof(PDBSelectInfo));
    std::strcpy(s->resNameList, "*");
    std::strcpy(s->atomNameList, "*");
    std::strcpy(s->chainNameList, "*");
    std::strcpy(s->segNameList, "*");
    s->resNameCount = s->atomNameCount = s->chainNameCount = s->segNameCount = 1;
    s->atomNameMode = 1;
    s->selectID = 1;
    s->selectMode = 1;
    s->selectClass = 1;
    return 0;
}

int pdbSelectAdjust(PDBSelectInfo* s) {
    if (s == nullptr) return 0;
    if (s->res1 > s->resN) {
        int t = s->res1;
        s->res1 = s->resN;
        s->resN = t;
    }
    struct {
        char* list;
        int* count;
        int* mode;
    } lists[] = {{s->resNameList, &s->resNameCount, &s->resNameMode},
                 {s->atomNameList, &s->atomNameCount, &s->atomNameMode},
                 {s->chainNameList, &s->chainNameCount, &s->chainNameMode},
                 {s->segNameList, &s->segNameCount, &s->segNameMode}};
    for (auto& l : lists) {
        l.list[PDB_SELECT_LIST_LEN - 1] = '\0';
        *l.count = cntToken(l.list);
        if (std::strcmp(l.list, "*") == 0) *l.mode = 0;
    }
    return 0;
}

int pdbSelectTest(const PDBSelectInfo* s, const AtomInfo* a) {
    if (s == nullptr) return 1;
    const char* const lists[4] = {s->resNameList, s->atomNameList, s->chainNameList, s->segNameList};
    return selectTest(s, a, [&lists](SelectList l, const char* field, int mode) {
        return listMatches(lists[l], field, mode);
    });
}

int pdbSelect(PDBInfo* p, PDBSelectInfo* s) {
    if (p == nullptr || p->atomList == nullptr || s == nullptr) return 0;
    pdbSelectAdjust(s);
    if (s->selectMode == 0) return pdbSetSelection(p, 0);
    if (s->selectMode == 1) return pdbSetSelection(p, s->selectID);
    int count = 0;
    const SelectWords words(s);
    if (p->chainCount == 1 && p->segCount == 1 && s->chainNameMode == 0 && s->segNameMode == 0) {
        if (s->dbgFlag) std::fprintf(stderr, "MERIDO Info: Simple Selection.\n");
        // Residues outside the structure's range are never found, so the walk
        // is limited to the overlap of the two ranges.
        int first = s->res1 > p->minResID ? s->res1 : p->minResID;
        int last = s->resN < p->maxResID ? s->resN : p->maxResID;
        for (long long id = first; id <= last; id++) {
            ResInfo* r = findRes(p, static_cast<int>(id), p->defChainName, p->defSegName);
            for (int i = 0; r != nullptr && r->atomList != nullptr && i < r->atomCount; i++) {
                AtomInfo* a = r->atomList[i];
                if (a != nullptr && selectTest(s, a, words)) {
                    a->selected = s->selectID;
                    count++;
                }
            }
        }
        return count;
    }
    if (s->dbgFlag) {
        std::fprintf(stderr, "MERIDO Info: Complex Selection Atom %d Res %d Seg %d Chain %d\n",
                     s->atomNameMode, s->resNameMode, s->segNameMode, s->chainNameMode);
    }
    for (int i = 0; i < p->atomCount; i++) {
        AtomInfo* a = &p->atomList[i];
        if (selectTest(s, a, words)) {
            a->selected = s->selectID;
            count++;
        }
    }
    return count;
}

int pdbSelect1(PDBInfo* p, int res1, int resN, const char* atomNameList, int selectID,
               int matchMode) {
    PDBSelectInfo s;
    pdbSelectNull(&s);
    if (setList(s.atomNameList, atomNameList != nullptr ? atomNameList : "", "the selection") != 0)
        return 0;
    s.res1 = res1;
    s.resN = resN;
    s.selectID = selectID;
    s.atomNameMode = matchMode;
    s.resIDMode = 0;
    s.selectMode = 2;
    s.selectClass = 1;
    return pdbSelect(p, &s);
}

int checkPDBSelectWords(int argc, char** argv) {
    for (const char* opt : {"-res", "-r1", "-rN"}) {
        for (int i = 1; argv != nullptr && i + 1 < argc; i++) {
            if (argv[i] == nullptr || std::strcmp(argv[i], opt) != 0 || argv[i + 1] == nullptr) continue;
            int v = 0;
            if (std::strcmp(argv[i + 1], "*") == 0 || residueNumber(argv[i + 1], &v)) break;
            badResidueNumber(opt, argv[i + 1]);
            return 1;
        }
    }
    return 0;
}

int getPDBSelectArgs(int argc, char** argv, PDBSelectInfo* s) {
    if (s == nullptr) return 0;
    if (flagLoc(argc, argv, "-help") > 0) {
        printUsage();
        return 0;
    }
    int status = 0;
    int verb = 0;
    optIntArgD(argc, argv, "-dbg", 1, &s->dbgFlag);
    logArgD(argc, argv, "-verb", &verb);
    if (flagLoc(argc, argv, "-hetatm") > 0) s->hetatmFlag = 1;
    if (flagLoc(argc, argv, "-nohetatm") > 0) s->hetatmFlag = 0;
    if (flagLoc(argc, argv, "-protein") > 0) s->selectClass = 4;
    intArgD(argc, argv, "-id", &s->selectID);
    if (flagLoc(argc, argv, "-inv") > 0) s->selectMode = -1;

    std::string first, last;
    const char* firstBy = "-r1";  // the option that gave each end, named when it is refused
    const char* lastBy = "-rN";
    bool range = false;
    char* word = nullptr;
    if (ptrArgD(argc, argv, "-res", &word) == 1) {
        first = last = word;
        firstBy = lastBy = "-res";
        range = true;
    }
    if (ptrArgD(argc, argv, "-r1", &word) == 1) {
        first = word;
        firstBy = "-r1";
        range = true;
    }
    if (ptrArgD(argc, argv, "-rN", &word) == 1) {
        last = word;
        lastBy = "-rN";
        range = true;
    }
    // An option given without its value still counts as given.
    for (const char* opt : {"-res", "-r1", "-rN"}) range = range || flagLoc(argc, argv, opt) > 0;
    bool atomList = listOption(argc, argv, "-atom", s->atomNameList, &status) != 0;
    atomList = listOption(argc, argv, "-atomName", s->atomNameList, &status) != 0 || atomList;
    bool resList = listOption(argc, argv, "-resName", s->resNameList, &status) != 0;
    bool chainList = listOption(argc, argv, "-chain", s->chainNameList, &status) != 0;
    bool segList = listOption(argc, argv, "-seg", s->segNameList, &status) != 0;
    if (range) s->resIDMode = 1;
    if (range || atomList || resList || chainList || segList) s->selectMode = 2;
    if (flagLoc(argc, argv, "-clear") > 0) s->selectMode = 0;
    if (flagLoc(argc, argv, "-set") > 0) s->selectMode = 1;

    struct {
        const char* flag;
        int mode;
    } const allModes[] = {{"-exact", 1}, {"-regex", 2}, {"-glob", 3}};
    for (const auto& m : allModes) {
        if (flagLoc(argc, argv, m.flag) > 0) {
            s->atomNameMode = s->resNameMode = s->chainNameMode = s->segNameMode = m.mode;
        }
    }
    struct {
        const char* flag;
        int* target;
        int mode;
    } const oneMode[] = {
        {"-aExact", &s->atomNameMode, 1},  {"-aRegex", &s->atomNameMode, 2},
        {"-aGlob", &s->atomNameMode, 3},   {"-rExact", &s->resNameMode, 1},
        {"-rRegex", &s->resNameMode, 2},   {"-rGlob", &s->resNameMode, 3},
        {"-cExact", &s->chainNameMode, 1}, {"-cRegex", &s->chainNameMode, 2},
        {"-cGlob", &s->chainNameMode, 3},  {"-sExact", &s->segNameMode, 1},
        {"-sRegex", &s->segNameMode, 2},   {"-sGlob", &s->segNameMode, 3},
    };
    for (const auto& m : oneMode) {
        if (flagLoc(argc, argv, m.flag) > 0) *m.target = m.mode;
    }

    // A list given on the command line is matched, exactly unless a mode
    // option says otherwise (the residue, chain and segment lists start
    // switched off).
    if (atomList && s->atomNameMode == 0) s->atomNameMode = 1;
    if (resList && s->resNameMode == 0) s->resNameMode = 1;
    if (chainList && s->chainNameMode == 0) s->chainNameMode = 1;
    if (segList && s->segNameMode == 0) s->segNameMode = 1;

    if (first == "*" || last == "*") {
        s->resIDMode = 0;
    } else {
        int r1 = 0, rN = 0;
        if (!residueNumber(first.c_str(), &r1) || !residueNumber(last.c_str(), &rN)) {
            const bool firstGood = residueNumber(first.c_str(), &r1);
            badResidueNumber(firstGood ? lastBy : firstBy, firstGood ? last.c_str() : first.c_str());
            status = 1;
        } else {
            s->res1 = r1;
            s->resN = rN;
        }
    }
    pdbSelectAdjust(s);

    if (verb) {
        std::fprintf(stderr, "PDB Selection:");
        if (s->selectMode == 1) {
            std::fprintf(stderr, " All Atoms.\n");
        } else {
            std::fprintf(stderr, " %d to %d Atoms: %s Residues: %s Chains %s Segs: %s.\n", s->res1,
                         s->resN, s->atomNameList, s->resNameList, s->chainNameList,
                         s->segNameList);
        }
    }
    return status;
}

}  // namespace korim::structure
