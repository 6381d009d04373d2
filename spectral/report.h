// Messages of the spectral-data library: formatted lines and system error texts on stderr.
#pragma once

namespace korim::spectral {

// Prints one formatted message on stderr; the format carries its own newline.
void specMsg(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "prefix: <system error text of errnum>\n" on stderr.
void specSysMsg(const char* prefix, int errnum);

// As specSysMsg, but only when errnum is non-zero (the system reported an error).
void specSysMsgIf(const char* prefix, int errnum);

}  // namespace korim::spectral
