// Optimiser over bit-encoded variables: simulated annealing by random bit
// flips under the Metropolis rule with greedy passes after it, or an
// exhaustive grid search over every bit combination.
#pragma once

namespace korim::spectral {

// One variable: an integer or float in [lo, hi] coded by bitCount bits.
typedef struct {
  float val;            // current value
  float hi, lo;         // bounds, lo <= hi
  float tol;            // requested resolution (float variables; 1 for integers)
  float scale;          // value step per bit-integer unit (1 for integers)
  long long iMax;       // largest bit integer, 2^bitCount - 1 (32 bits fit)
  int type;             // 1 integer, 2 float
  int adjMode;          // 0 searched, 1 not searched, 2 fixed (no bit coding)
  int bitCount;         // number of bits, at most 32
  char bitList[36];     // bit k is character k, '0' or '1', least significant first
} SAVar;

// Energy of a set of variables, and a report of temperature t and best energy e.
typedef float (*SAEnergyFunc)(SAVar *vars, int varCount, void *auxInfo);
typedef int (*SAShowFunc)(SAVar *vars, int varCount, void *auxInfo, float t, float e);

typedef struct {
  float tInitial;   // first temperature (100)
  float tFinal;     // last temperature (1)
  int tCount;       // temperature steps (100)
  int opCount;      // bit flips per temperature (0)
  int gCount;       // greedy passes (20)
  int optMode;      // 1 annealing, 0 grid search
  int varCount;     // variables in newVars
  int totalBits;    // sum of the variables' bit counts
  int iseed;        // random seed (54321)
  char **bitList;   // [totalBits] pointers to the searched bit characters of newVars
  int *locList;     // [totalBits] owning variable of each listed bit
  SAVar *newVars;   // [varCount] working copy of the variables
  int verbose;      // report level (0)
} NOSABuff;

NOSABuff *nosaAlloc();
int nosaNull(NOSABuff *nosaInfo);
int nosaUnAlloc(NOSABuff *nosaInfo);
// Releases the lists and restores the defaults; null is accepted.
int nosaFree(NOSABuff *nosaInfo);
// Settings for annealing (negative tCount, gCount become 0) or the grid
// search, then nosaInit2. varCount < 1 returns 0 and changes nothing; a
// temperature that is no finite number returns 1 after a message, before
// anything changes. Otherwise nosaInit2's status.
int nosaInit(NOSABuff *nosaInfo, SAVar *varList, int varCount, int tCount, int opCount, int gCount,
             float tInitial, float tFinal, int iseed, int verbose);
int gridInit(NOSABuff *nosaInfo, SAVar *varList, int varCount, int verbose);
// Seeds the random generators, allocates the lists (tag "nosa") and copies
// the variables. 0, or 1 after a "NOSA Error allocating ..." message.
int nosaInit2(NOSABuff *nosaInfo, SAVar *varList, int varCount);
// Search; varList receives the best variables and *bestE their energy.
// 0, or 1 after a message when the record was not initialised.
int nosa(SAVar *varList, NOSABuff *nosaInfo, void *auxInfo, SAEnergyFunc varE, SAShowFunc showE,
         float *bestE);
// Evaluates the start, then every one of the 2^B - 1 other bit combinations.
int gridSearch(SAVar *varList, NOSABuff *nosaInfo, void *auxInfo, SAEnergyFunc varE,
               SAShowFunc showE, float *bestE);

// Variable set-up: bounds ordered, value clamped and put on the bit grid.
// 0, or 1 after a message when more than 32 bits would be needed or when the
// value, a bound or the tolerance is not a finite number (the variable is then
// cleared, with no bits).
int initIVar(SAVar *var, float val, float hi, float lo, int adjMode);
int initFVar(SAVar *var, float val, float hi, float lo, float tol, int adjMode);
// Value to bits and bits to value (values past the bounds are clipped with a message).
// setVarBits leaves the bits and returns 1 after a message when the value, a
// bound or the scale is not a finite number.
int setVarBits(SAVar *var);
int setVarVal(SAVar *var);
float getVarVal(SAVar *var);
// Smallest b with 2^b > |irange| (0 for 0; 64 for the most negative count).
int getBitCount(long long irange);
int varCopy(SAVar *srcVars, SAVar *destVars, int varCount);
// Lists the bits of the searched variables in order: pointer and owner index.
int findAdjBits(SAVar *varList, int varCount, char **bitList, int *locList, int *bitCount);
// Adds 1 to the number formed by the listed bits (first least significant);
// 0 after wrapping from all ones to all zeros, else 1.
int incrBits(char **bitList, int bitCount);

}  // namespace korim::spectral
