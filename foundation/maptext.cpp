// A growing list of distinct texts, as used for the text columns of tables.
#include "foundation/maptext.h"

#include <cstdio>
#include <cstring>

#include "foundation/memory.h"

namespace korim::foundation {

int mapText(const char *text, char ***knownList, int *knownCount, int *error) {
    if (!text || !knownList || !knownCount) {
        if (error) *error = 1;
        return -1;
    }
    char **list = *knownList;
    int count = list ? *knownCount : 0;
    // Most known texts differ from this one in their first character.
    for (int i = 0; i < count; ++i)
        if (list[i] && list[i][0] == text[0] && std::strcmp(list[i], text) == 0) return i;

    const int ps = static_cast<int>(sizeof(char *));
    char **grown = static_cast<char **>(
        voidReMalloc("mapText", list, (count + 2) * ps, (count + 1) * ps));
    if (!grown) {
        std::fprintf(stdout, "MapText error allocating equiv list.\n");
        if (error) *error = 1;
        return -1;
    }
    *knownList = grown;
    grown[count] = strDup2("mapText", text);
    if (!grown[count]) {
        std::fprintf(stdout, "MapText error allocating equiv text.\n");
        if (error) *error = 1;
        return -1;
    }
    grown[count + 1] = nullptr;
    *knownCount = count + 1;
    return count;
}

}  // namespace korim::foundation
