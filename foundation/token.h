// White-space tokens of a text, with module result buffers that grow on demand.
#pragma once

namespace korim::foundation {

// 0 at the start of every token operation, 1 when it did not deliver what was asked.
extern int badToken;

int cntToken(const char *string);
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
