// In-place upper-casing of the ASCII letters of a text.
#pragma once

namespace korim::foundation {

// a-z become A-Z; every other byte is unchanged. Null does nothing. Returns 0.
int raiseStr(char *string);

}  // namespace korim::foundation
