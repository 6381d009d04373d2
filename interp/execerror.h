// Fatal errors of the calculator interpreter: banner, message, end of the process.
#pragma once

namespace korim::interp {

// Writes "************** FATAL ERROR *************" and then the two messages
// separated by a blank (the first alone when message2 is null) on stderr, and
// ends the process with status -1 (255 as the parent sees it).
[[noreturn]] void execerror(const char *message1, const char *message2);

}  // namespace korim::interp
