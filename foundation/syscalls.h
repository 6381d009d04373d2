// Small system wrappers: a pause, a number reader and an empty clean-up hook.
#pragma once

namespace korim::foundation {

// Pauses uSecDelay microseconds (none for 0). Returns 0.
int uSleep(unsigned int uSecDelay);
// The text read as a double with "%lf"; 0.0 when it does not begin with a number.
double Atof2(const char *str);
// Does nothing; kept for callers that name it.
void _cleanup();

}  // namespace korim::foundation
