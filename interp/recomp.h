// One current regular expression (POSIX basic syntax): compile it, then test texts against it.
#pragma once

namespace korim::interp {

// Compiles pattern as the current expression, replacing the previous one.
// Returns 0, or 1 when it does not compile (then there is no current expression).
int reComp(const char *pattern);

// 1 when text contains a match of the current expression, 0 when it does not,
// -1 when there is no current expression.
int reExec(const char *text);

// Drops the current expression (tests).
void recompReset();

}  // namespace korim::interp
