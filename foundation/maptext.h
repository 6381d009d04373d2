// A growing list of distinct texts: the index of a text, appended when new.
#pragma once

namespace korim::foundation {

// knownList is a null-terminated array (or null) of knownCount texts, tag "mapText".
// Returns the index of text; -1 with *error 1 when the list cannot grow.
int mapText(const char *text, char ***knownList, int *knownCount, int *error);

}  // namespace korim::foundation
