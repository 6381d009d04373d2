// Progress line of the long searches (the assignment search), on stderr.
#pragma once

namespace korim::settings {

// Writes "REMARK Sampled %d\r" with the assignment search's count of scored assignments and
// flushes stderr. The search passes its own counter, so the printer needs no access to the
// search's module state. No line feed: successive calls overwrite one another on a terminal.
void printoutput(int sampledCount);

}  // namespace korim::settings
