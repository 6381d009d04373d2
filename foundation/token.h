// White-space tokens of a text, with module result buffers that grow on demand.
#pragma once

namespace korim::foundation {

// 0 at the start of every token operation, 1 when it did not deliver what was asked.
extern int badToken;

int cntToken(const char *string);
// Where the plain tokens of string start and how long they are: starts[k] and lengths[k] for
// token k + 1, for the first `room` tokens; gives the count of all tokens (as cntToken).
int tokenSpans(const char *string, const char **starts, int *lengths, int room);
// getToken, getTokenI and getTokenR of a token whose place in string is known (start and
// length from tokenSpans; a null start is a token that is absent): the same results, buffers
// and badToken.
char *getTokenAt(const char *string, const char *start, int length);
int getTokenIAt(const char *start, int length);
float getTokenRAt(const char *start, int length);
// The n-th token (from 1); valid until the next call of the same family.
char *getToken(int n, const char *string);
int getTokenI(int n, const char *string);
float getTokenR(int n, const char *string);
// Tokens n..last joined by single spaces.
char *rightToken(int n, const char *string);
// Tokens 1..n joined by single spaces.
char *leftToken(int n, const char *string);
// Tokens that may be quoted with " or '; getTokenS gives the text inside the quotes.
int cntTokenS(const char *string);
char *getTokenS(int n, const char *string);
// Releases the three result buffers; the next call starts at the static ones.
int freeToken();
// Test hook: buffers back to their initial state (nothing released), badToken 0.
void tokenReset();

}  // namespace korim::foundation
