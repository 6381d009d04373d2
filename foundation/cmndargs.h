// Command-line argument library: option getters that mark what they consume, and the final check.
#pragma once

namespace korim::foundation {

// Set-up and check. checkMode: 0 none, 1 flags only, 2 all arguments,
// 3 all with a debug listing, 4 taken from the environment variable NMRCHECK,
// 5 as 4 but flags only (1) when NMRCHECK is unset.
int initArgs(int argc, char** argv, int checkMode);
// Reports the arguments no getter consumed (stderr), resets the module;
// returns the number of reports.
int checkArgs(int argc, char** argv);
int getArgvChecksum(int argc, char** argv);
const char* getProgName();
int nullArgs();

// 0 after a successful getter, 1 when the option was absent or had no value.
int getBadFlag();

// The option words the getters looked for since the last reset (initArgs, checkArgs, nullArgs),
// present or not, each once in the order first asked: the words a program's option reader knows.
// *takes says what a getter read after the option (the widest reading asked for it): kTakesNothing
// (presence only), kTakesValue (the next word, whatever it is: one-value getters), kTakesList (the
// words up to the next flag: list getters), kTakesOptional (the next word unless it is a flag:
// optArgD). Null when i is out of range.
enum { kTakesNothing = 0, kTakesValue = 1, kTakesList = 2, kTakesOptional = 3 };
int askedFlagCount();
const char* askedFlag(int i, int* takes);

// 1 when a getter has consumed argument i since initArgs (slots 0 to 254), else 0.
int argConsumed(int i);

// Searches. flagLoc: index of the first argument equal to flag (marked), 0 when
// absent. nextFlag: index of the first flag after prevFlag, argc when none.
int flagLoc(int argc, char** argv, const char* flag);
char* getNthArg(int argc, char** argv, int n);
int nextFlag(int argc, char** argv, int prevFlag);
// A flag begins with "-" and its second character is neither a digit nor ".".
int isFlag(const char* arg);
int isNumber(const char* string);

// Strict reading of one word, for callers that must refuse a bad value (the getters below never
// do): the whole word must be one base-10 integer, or one decimal or exponent number. Result 1
// with *value set; 0 when the word is no such number (null, empty, "abc", "3.5" for an int,
// "1.2.3", "12abc"); -1 when it is a number outside the type: beyond the int range, or not
// finite ("nan", "inf") or beyond the float or double range. A number nearer 0 than the type
// can hold rounds toward 0 as any number rounds. *value is unchanged unless the result is 1.
int wordToInt(const char* word, int* value);
int wordToFloat(const char* word, float* value);
int wordToDouble(const char* word, double* value);

// One-value getters: 1 when the option and its value were found, else 0 with the
// destination unchanged. Values are converted without validation (non-numbers give 0).
int intArgD(int argc, char** argv, const char* flag, int* value);
int fltArgD(int argc, char** argv, const char* flag, float* value);
// Copies the value into value[valueSize]; a value that does not fit is refused
// with a message on stderr, the buffer unchanged, result -1 and the bad flag set.
int strArgD(int argc, char** argv, const char* flag, char* value, int valueSize);
int ptrArgD(int argc, char** argv, const char* flag, char** value);
int logArgD(int argc, char** argv, const char* flag, int* value);
int notLogArgD(int argc, char** argv, const char* flag, int* value);
// An option with an optional value: 1 when the option is present, with *value the word after it
// when that word is no flag (marked as consumed), else null; 0 when absent (*value unchanged).
// Such an option never takes a flag as its value (askedFlag: kTakesOptional). optIntArgD: the value converted as intArgD does, or alone when no word follows.
int optArgD(int argc, char** argv, const char* flag, char** value);
int optIntArgD(int argc, char** argv, const char* flag, int alone, int* value);
int intArg(int argc, char** argv, const char* flag);
float fltArg(int argc, char** argv, const char* flag);
// The value in a module buffer of 256 bytes (overwritten by the next call);
// null when absent or longer than 255 characters (then with a message).
char* strArg(int argc, char** argv, const char* flag);
char* ptrArg(int argc, char** argv, const char* flag);

// List getters: the words after the option up to the next flag. Absent option:
// null, *length 0, bad flag 1; empty list: null, *length 0; allocation failure:
// null, *length -1. Arrays are 0-based, from the tagged allocator ("listArg").
int* listArg(int argc, char** argv, const char* flag, int* length);
float* rListArg(int argc, char** argv, const char* flag, int* length);
// Null-terminated array ("strListArg") of strDup copies.
char** strListArg(int argc, char** argv, const char* flag, int* length);
// Pointer into argv at the first list word; no allocation.
char** ptrListArg(int argc, char** argv, const char* flag, int* length);
// The single word after the option holds the whole list, separated by white space.
float* rListArg2(int argc, char** argv, const char* flag, int* length);

}  // namespace korim::foundation
