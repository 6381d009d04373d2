// Name matching: exact text, our own backtracking regular expressions, and shell-style globs.
#pragma once

namespace korim::foundation {

// Number of capture slots: slot 0 is the whole match, 1..19 the groups.
constexpr int NSUBEXP = 20;

// A compiled regular expression. One block from the system allocator holds the
// record followed by its node program; release it with std::free.
struct Regexp {
    const char* startp[NSUBEXP];  // match start (0) and group starts in the subject
    const char* endp[NSUBEXP];    // the matching ends
    char regstart;                // character every match begins with, or 0
    char reganch;                 // non-zero: the expression is anchored by "^"
    const char* regmust;          // literal every match contains (inside program), or null
    int regmlen;                  // its length
    unsigned char* program;       // node program (first byte is the validity mark)
};

// 1 when string matches pattern in matchMode (1 exact, 2 regular expression,
// 3 glob; any other mode never matches). caseMode 0 ignores case.
int strMatch(const char* string, const char* pattern, int matchMode, int caseMode);

// Compile, search anywhere in string, release. 0 also when the pattern is bad.
int strMatchRegex(const char* string, const char* pattern);

// Shell-style wildcards: *, ?, [set] with ranges, backslash escapes.
int strMatchGlob(const char* string, const char* pattern);

// Compile exp; null on error with the reason available from strGetRegError().
Regexp* strRegComp(const char* exp);

// Search string; 1 with startp/endp filled on a match, else 0.
int strRegExec(Regexp* prog, const char* string);

// As strRegExec, with start taken as the beginning of the text for "^".
int strRegExec2(Regexp* prog, const char* string, const char* start);

// Set or fetch the last error text of this module (null when none).
void strRegError(const char* string);
const char* strGetRegError();

}  // namespace korim::foundation
