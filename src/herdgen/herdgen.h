// Generated herds for trying and measuring the program: regions, farms, breeds, bulls and cows
// with realistic names, a skewed number of daughters per sire and scored traits. The same
// options and seed always give the same files.
#pragma once

#include <QString>
#include <cstdint>

namespace korvel::herd {

struct HerdOptions {
  long long cows = 1000;
  long long bulls = -1;  // -1: one bull per twenty cows (at least one)
  int regions = 10;
  int farmsPerRegion = 20;
  int breeds = 8;
  uint64_t seed = 1;
  // Bull codes as a herd book numbers its bulls: registration numbers of 5 to 8 digits, no two
  // alike and in no order (instead of 1, 2, 3, ...). At most 10,000,000 bulls.
  bool herdBookCodes = false;
  // KOROVA's numeric fields only as wide as their values: region, farm and breed codes of 5
  // digits, lactation 2, linear scores 2, complex scores 3 (353-byte records instead of 405).
  bool narrowFields = false;
  // How unevenly the sires are used: a daughter's father is drawn by rank B * u^popularity
  // (u uniform in [0, 1)). 4 gives the most used sire tens of thousands of daughters; near 2,
  // about a hundredth of the cows.
  double popularity = 4.0;
};

struct HerdSummary {
  long long regions = 0, farms = 0, breeds = 0, bulls = 0, cows = 0;
  long long freeCows = 0;        // rows with KODREG 0
  long long linkedCows = 0;      // BASEKOD "+"
  long long maxDaughters = 0;    // of the most used sire
  long long siresUnder10 = 0;    // sires with 1 to 9 daughters
  long long siresWithDaughters = 0;
};

// Writes the six tables into `dir` (replacing them): REGION, VLAD, PORODA, BIK and KOROVA
// generated, XARAKT the starter catalogue, so that the folder is a whole working folder. An
// operation an earlier run left unfinished there is rolled back first. Throws UserError
// when a file cannot be written.
HerdSummary generateHerd(const QString& dir, const HerdOptions& options);

// Writes the starter trait catalogue as the table XARAKT at `path` (replacing it).
void writeStarterCatalogue(const QString& path);

}  // namespace korvel::herd
