// Options whose value is a number or a code name from a table of name/value pairs.
#pragma once

namespace korim::foundation {

// One row of a name table; a table ends with a row whose name is null.
struct NameVal {
    const char* name;
    float val;
};

// A text not starting with a letter is a number (*value, result 1); otherwise
// the row of that name, ignoring case (*value, result 0); an unknown name prints
// the valid names on stderr and gives -1.
int getValByName(const char* flagName, const char* thisArg, const NameVal* name2Val, float* value);

// Option absent: 2, value unchanged. Option last: message, -1. Otherwise the
// next word decoded as by getValByName.
int fltStrArgD(int argc, char** argv, const char* flagName, float* value, const NameVal* name2Val);
// As fltStrArgD; the value is carried as a float and stored back truncated.
int intStrArgD(int argc, char** argv, const char* flagName, int* value, const NameVal* name2Val);

// Number of rows whose value equals value; *thisNamePtr := the last such name, or null.
int getNameByVal(const char** thisNamePtr, const NameVal* name2Val, float value);

}  // namespace korim::foundation
