// What the crash and fault tests share: working folders made from a generated herd, the six
// tables' bytes, and the child process that runs one operation and is killed.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <random>

namespace korvel::test {

// A small generated herd in `dir` (two regions of two farms, 40 cows and 6 bulls unless told
// otherwise): seed 3 gives farm (1, 2) two bulls with daughters elsewhere and one free cow row,
// seed 2 no free row. Returns `dir`.
QString generatedHerd(const QString& dir, uint64_t seed, long long cows = 40, long long bulls = 6);

// The six tables of a folder, file name -> bytes; "korvel.journal" too when one is there.
using TableBytes = std::map<QString, QByteArray>;
TableBytes tableBytes(const QString& dir);
// The names of the tables whose bytes differ, for failure reports.
QString differingTables(const TableBytes& a, const TableBytes& b);

// The physical record number of the first cow of farm (r, f) in the folder's KOROVA.
int firstCowOf(const QString& dir, int r, int f);

// Copies the regular files of `from` into `to` (which it creates), replacing what is there.
void copyFolder(const QString& from, const QString& to);

struct DriverRun {
  bool killed = false;      // ended by SIGKILL (TerminateProcess on Windows)
  int exitCode = -1;
  long writesAtReady = -1;  // from "ready N"
  long writesAtDone = -1;   // from "done N"
  QString messages;         // what it showed (its stderr)
};

// Runs crash_driver over `dir` with the operation's words. killAfter > 0 sets
// KORVEL_KILL_AFTER_WRITE; stopAtReady ends it at "ready".
DriverRun runDriver(const QString& dir, const QStringList& words, long killAfter = 0, bool stopAtReady = false);

// Runs crash_driver and kills it `delayUs` microseconds after it says "ready".
DriverRun runDriverKilledAfter(const QString& dir, const QStringList& words, int delayUs);

}  // namespace korvel::test
