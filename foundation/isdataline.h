// Tells a data row of a table file from its key lines (REMARK, VARS, FORMAT, ...).
#pragma once

namespace korim::foundation {

// 1 for a data row, 0 for a key line, a comment ("#...") or a blank line.
// Works through the single-token buffer of the token module.
int isDataLine(const char *line);
// The key word (REMARK, VARS, ...) that token spells in another case ("nullvalue", "Vars"), as
// korim reads it (in capitals); null when token is none, or one written in capitals. isDataLine
// takes such a line for no row, while the reader takes it for no key line either: without a word
// it would be skipped, its NULLVALUE or VARS lost.
const char *keyWordInOtherCase(const char *token);
// Number of data rows of a file. Returns 1 when it cannot be opened.
int cntDataLine(const char *inName, int *count);

}  // namespace korim::foundation
