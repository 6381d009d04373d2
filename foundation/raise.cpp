// In-place upper-casing of the ASCII letters of a text.
#include "foundation/raise.h"

namespace korim::foundation {

int raiseStr(char *string) {
    if (!string) return 0;
    // Only a-z: the locale's idea of letters must not change names or bytes >127.
    for (char *p = string; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    return 0;
}

}  // namespace korim::foundation
