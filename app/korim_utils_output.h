// Usage text, start-up banner and the progress line of the assignment search (all on stderr).
#ifndef KORIM_APP_KORIM_UTILS_OUTPUT_H
#define KORIM_APP_KORIM_UTILS_OUTPUT_H

namespace korim::app {

// Writes the whole usage text on the standard error stream; returns 0.
int printInfo();

// Writes the boxed start-up banner on the standard error stream.
void legalNotice();

// Writes "REMARK Sampled %d\r" with the assignment search's count of scored assignments and
// flushes stderr. The search passes its own counter, so the driver needs no access to the
// search's module state. No line feed: successive calls overwrite one another on a terminal.
void printoutput(int sampledCount);

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_UTILS_OUTPUT_H
