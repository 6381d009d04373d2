// Symbols of the calculator interpreter: the name list, arrays owned by symbols, variables set by the host.
#pragma once

#include "interp/m.h"

namespace korim::interp {

// First symbol whose name equals name exactly (the latest of equal names), or null.
Symbol *lookup(const char *name);

// A new symbol at the head of the list with a copy of the name, the type and
// u.val = value, owning no array. Null after the allocator's message when
// memory is short.
Symbol *install(const char *name, int type, double value);

// Gives sp a zero-filled array of length elements of elemType: FLTARRAY
// (floats), INTARRAY (ints) or anything else (bytes, and ptrType becomes
// CHRARRAY). Length 0 takes the truncated value of the variable "BUFLEN".
// Returns 1 (sp owning nothing) when no length can be had or memory is short.
int newAdr(Symbol *sp, int length, int elemType);

// Releases sp's array (length bytes, or length * 4 for ints and floats);
// returns 1 for a null symbol.
int freeAdr(Symbol *sp);

// One line "Name: %12s Type: %d Size: %3d" per symbol on stderr, newest first.
int dumpSymbols();

// Set or create numeric variables ("Bad Type for User Variable:" when the
// name belongs to something else). The text is read as a floating-point number.
// Return 0, or 1 when a new symbol cannot be allocated.
int setOrAddVar(const char *name, const char *text);
int setOrAddVar2(const char *name, double value);

// Set or create a string variable holding a copy of text ("Re-allocating
// array:" when no room can be had).
int setOrAddStr(const char *name, const char *text);
// The same, adopting the caller's buffer of length bytes as the variable's array.
int setOrAddStr2(const char *name, char *buffer, int length);

// Number of symbols in the list.
int symbolCount();

// Forgets every symbol (tests).
void symbolReset();

}  // namespace korim::interp
