// Mapping statistics shared by the error estimates (Monte-Carlo on couplings, jackknife, Monte-Carlo
// on the structure): the four logs, the statistics of the accepted fits, the listing after the
// trials and the "DATA STATISTICS MAPPING" text.
#pragma once

#include <cstdio>
#include <string>

#include "couplings/dc.h"
#include "settings/settings.h"
#include "structure/pdb.h"

namespace korim::fitting {

// Accepted fits kept for the listing after the trials; later ones enter the statistics only.
constexpr int kMapStoreMax = 11000;

// A running statistic over the accepted fits (Welford's method in double): mean, population
// standard deviation (0 for identical values, never NaN), minimum and maximum.
struct RunStat {
  long n = 0;
  double mean = 0.0;
  double m2 = 0.0;
  double min = 0.0;
  double max = 0.0;
  void add(double x);
  double sd() const;
};

// The log streams of a mapping: a file opened for writing when its name is not empty, else
// standard output.
struct MapLogs {
  FILE* map = nullptr;    // -outMap: principal axes on a sinusoidal world map
  FILE* da = nullptr;     // -outDa: Da, R, RMS and chi-square of each accepted fit
  FILE* ang = nullptr;    // -outAng: angles of each listed fit to the average tensor
  FILE* saupe = nullptr;  // -outA: Saupe elements of each listed fit
  const char* names[4] = {"", "", "", ""};  // map, Da, angle, Saupe: for the closing check
};

// Opens the logs in the order map, Da, angle, Saupe. On a failure prints the log's message
// (the Da message ends with a period when daPeriod is set), closes what was opened and returns 1.
int openMapLogs(MapLogs* logs, const char* outMapName, const char* outDaName,
                const char* outAngName, const char* outAName, bool daPeriod);
// Closes the logs opened as files (standard output is flushed). Returns 0; a log that did not
// arrive whole is reported, removed and noted as a lost output of the run.
int closeMapLogs(MapLogs* logs);

// The statistics of the accepted fits of one mapping.
struct MapStats {
  int accepted = 0;
  double* store = nullptr;  // kMapStoreMax Saupe vectors, tag "matrix"
  RunStat saupe[5];
  RunStat szz;   // |largest eigenvalue| of the order matrix
  RunStat gMag;  // generalised magnitude
  RunStat daHn;  // Da scaled to an N-H coupling, Hz
  RunStat da;    // Da (dimensionless)
  RunStat dr;    // Dr (dimensionless)
  // Euler angles (degrees) of the solution nearest the reference fit's first solution.
  float refPhi = 0.0f, refPsi = 0.0f, refTheta = 0.0f;
  int chosen = 0;
  float phiMin = 0.0f, phiMax = 0.0f, psiMin = 0.0f, psiMax = 0.0f, thetaMin = 0.0f,
        thetaMax = 0.0f;
};

// Empties the statistics and allocates the store. Returns 0, or 1 when the store cannot be had
// (nothing to free then).
int mapStatsInit(MapStats* s);
void mapStatsFree(MapStats* s);
// Keeps the first Euler solution of ref (the reference fit) as the reference angles.
void mapStatsReference(MapStats* s, const couplings::DTensor* ref);

// The statistics and logs of one estimate, released and closed when it goes out of scope.
struct Mapping {
  MapStats stats;
  MapLogs logs;
  // mapStatsInit ("Error allocating coord buffers.\n" when it fails), then openMapLogs.
  // Returns 0, or 1 after the message.
  int open(const char* outMapName, const char* outDaName, const char* outAngName,
           const char* outAName, bool daPeriod);
  ~Mapping();
};

// The progress line of trial t of count on stderr ("REMARK Sampled %d of %d\r").
void mapProgress(int t, int count);

// Trials ran (trials above 0) and none was accepted: the estimate has no result. Says so on
// stderr for mode ("-mcDc", "-jack", "-mcStruc") with the number of trials and what decides the
// acceptance: the line acceptance, or when it is null that of -jack and -mcStruc (an order matrix
// with S_zz below 999.9). Returns 1 then, 0 otherwise.
int noAcceptedTrial(const MapStats* s, const char* mode, int trials, const char* acceptance);

// Takes the fit now in dTab as accepted trial number trial (from 1): analyses its Saupe vector,
// stores and accumulates it, and writes its rows of the Da log (with the RMS and chi-square of
// getStatDC) and of the map log. Returns 0, or 1 after "Matrix: error in analyzeSaupe.\n".
int mapStatsAdd(MapStats* s, couplings::DTable* dTab, const settings::KorimInfo* korimInfo,
                const MapLogs* logs, int trial);

// After the trials: the average Saupe vector into aveSaupe and its Euler solutions into the
// alpha, beta and gamma lists (for the rotated structures); the angle and Saupe logs with one
// row per listed fit (saupeRowFormat: the Saupe log row with "%5d" and five "%e"); the mapping
// statistics text appended to text. Returns 0, or 1 after "korim: error in analyzeSaupe.\n" or
// "korim: error in compareSaupe.\n".
int mapStatsFinish(MapStats* s, const settings::KorimInfo* korimInfo, const MapLogs* logs,
                   const char* saupeRowFormat, double aveSaupe[5], double alphaList[4],
                   double betaList[4], double gammaList[4], std::string* text);

// The end of the jackknife and of the estimate on the structure: the listing (Saupe log rows
// "%5d  %e  %e  %e  %e  %e\n"), the table back-calculated from the average tensor (tensor mode 6)
// and written with the mapping statistics to outDName, and with an accepted fit the rotated
// structures under pdbRotName. Returns 0 (also when no trial ran, after "WARNING %d SVD runs of %d
// succesful.\n"; a run whose trials were all rejected stops at noAcceptedTrial); 1 after the
// failing step's message; the rotated-structure writer's status after "korim: error in
// writePDBRot.\n".
// tableRemark: REMARK lines the result table carries before its report (the note on a held tensor).
int writeAverageFit(MapStats* s, structure::PDBInfo* pdbInfo, structure::PDBSelectInfo* sInfo,
                    couplings::DTable* dTab, const settings::KorimInfo* korimInfo,
                    const MapLogs* logs, int verbose, int mapCount, const char* outDName,
                    const char* pdbRotName, const char* remark, const char* tableRemark = "");

}  // namespace korim::fitting
