// Readers of the simulation's own inputs: ensemble orientations and free-format coordinates.
#pragma once

namespace korim::simulation {

// Largest number of ensemble orientations readEnsemble stores (rows 1..39998); the caller's
// arrays hold at least kEnsembleMaxRows + 1 entries (the ensemble set-up gives 40001).
constexpr int kEnsembleMaxRows = 39998;
// Largest number of atoms readPDBfree stores (1..4998); the caller's arrays hold at least
// kFreeAtomMax + 1 entries (the free-format mode gives 5001).
constexpr int kFreeAtomMax = 4998;

// Ensemble orientations, one "alpha beta gamma" line each (degrees), into entries 1.. of the
// three arrays. An empty name reads nothing: *n = 0, result 0. Failures (file not opened, a file
// of no line, a line without three numbers, more than kEnsembleMaxRows rows, a read error) print
// their message on stderr and return 1; *n is then not written.
int readEnsemble(const char* inEName, int* n, double* alphaEnsemble, double* betaEnsemble,
                 double* gammaEnsemble);

// Free-format coordinates: whitespace-separated words; after each word "ATOM" one record
// "serial atomName resName resID x y z", up to a word "END". Only x, y, z are kept, in entries
// 1.. of the arrays (Angstrom). An empty name reads nothing: *atomCount = 0, result 0. A record
// whose seven fields do not parse (a chain letter before the residue number, a non-number, an
// integer out of range, a name longer than 15 characters, a non-finite coordinate) is refused
// with a message naming the file and line; a file without any record, more than kFreeAtomMax
// atoms or a file not opened also return 1 after a message. A file that ends without "END"
// after at least one complete record keeps the records read.
int readPDBfree(const char* inName, int* atomCount, double* xI, double* yI, double* zI);

}  // namespace korim::simulation
