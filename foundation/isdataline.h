// Tells a data row of a table file from its key lines (REMARK, VARS, FORMAT, ...).
#pragma once

namespace korim::foundation {

// 1 for a data row, 0 for a key line, a comment ("#...") or a blank line.
// Works through the single-token buffer of the token module.
int isDataLine(const char *line);
// Number of data rows of a file. Returns 1 when it cannot be opened.
int cntDataLine(const char *inName, int *count);

}  // namespace korim::foundation
