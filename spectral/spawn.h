// Child processes run from argument vectors (never through a shell line).
#pragma once

namespace korim::spectral {

// Runs argv[0] (looked up on PATH) with the vector argv (null-terminated).
// Foreground: waits and returns the exit status (128 + signal when killed).
// Background: returns 0 as soon as the program has started, detached so that
// the system reaps it. A program that cannot be started gives 127 with the
// system error number in *execErr (0 otherwise).
int spawnWait(char* const argv[], int* execErr);
int spawnDetached(char* const argv[], int* execErr);

}  // namespace korim::spectral
