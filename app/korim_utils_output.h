// Usage text and start-up banner (both on stderr).
#ifndef KORIM_APP_KORIM_UTILS_OUTPUT_H
#define KORIM_APP_KORIM_UTILS_OUTPUT_H

namespace korim::app {

// Writes the whole usage text on the standard error stream; returns 0.
int printInfo();

// Writes the boxed start-up banner on the standard error stream.
void legalNotice();

}  // namespace korim::app

#endif  // KORIM_APP_KORIM_UTILS_OUTPUT_H
