#include "crash_support.h"

#include "db/folder_files.h"
#include "db/schema.h"
#include "herdgen/herdgen.h"
#include "raw_table.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace korvel::test {

QString generatedHerd(const QString& dir, uint64_t seed, long long cows, long long bulls) {
  herd::HerdOptions o;
  o.cows = cows;
  o.bulls = bulls;
  o.regions = 2;
  o.farmsPerRegion = 2;
  o.breeds = 2;
  o.seed = seed;
  herd::generateHerd(dir, o);
  return dir;
}

TableBytes tableBytes(const QString& dir) {
  TableBytes out;
  QStringList names;
  for (const db::TableLayout& t : db::allLayouts()) names << t.fileName;
  names << QString::fromLatin1(db::kJournalFileName);
  for (const QString& name : names) {
    QFile f(QDir(dir).filePath(name));
    if (f.open(QIODevice::ReadOnly)) out[name] = f.readAll();
  }
  return out;
}

QString differingTables(const TableBytes& a, const TableBytes& b) {
  QStringList out;
  for (const auto& [name, bytes] : a) {
    const auto it = b.find(name);
    if (it == b.end()) out << name + QStringLiteral(" (only in the first)");
    else if (it->second != bytes) out << name;
  }
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) out << name + QStringLiteral(" (only in the second)");
  return out.join(QStringLiteral(", "));
}

int firstCowOf(const QString& dir, int r, int f) {
  int recNo = 0;
  for (const FileRow& row : fileRows(QDir(dir).filePath(QStringLiteral("KOROVA.DBF")))) {
    ++recNo;
    if (!row.deleted && row["kodreg"] == QString::number(r) && row["kodvlad"] == QString::number(f)) return recNo;
  }
  ADD_FAILURE() << "no cow in farm " << r << "/" << f;
  return 0;
}

void copyFolder(const QString& from, const QString& to) {
  QDir().mkpath(to);
  const QDir src(from), dst(to);
  for (const QString& name : src.entryList(QDir::Files | QDir::Hidden)) {
    QFile::remove(dst.filePath(name));
    if (!QFile::copy(src.filePath(name), dst.filePath(name))) ADD_FAILURE() << "cannot copy " << name.toStdString();
  }
}

namespace {

void readMarkers(const QByteArray& out, DriverRun& run) {
  for (const QByteArray& line : out.split('\n')) {
    if (line.startsWith("ready ")) run.writesAtReady = line.mid(6).toLong();
    if (line.startsWith("done ")) run.writesAtDone = line.mid(5).toLong();
  }
}

QProcess* start(const QString& dir, const QStringList& words, long killAfter, bool stopAtReady) {
  auto* p = new QProcess;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.remove(QStringLiteral("KORVEL_FAIL_WRITE"));
  if (killAfter > 0) env.insert(QStringLiteral("KORVEL_KILL_AFTER_WRITE"), QString::number(killAfter));
  else env.remove(QStringLiteral("KORVEL_KILL_AFTER_WRITE"));
  p->setProcessEnvironment(env);
  QStringList args;
  if (stopAtReady) args << QStringLiteral("--stop-at-ready");
  args << dir << words;
  p->start(QStringLiteral(KORVEL_CRASH_DRIVER), args);
  if (!p->waitForStarted(10000)) ADD_FAILURE() << "crash_driver did not start";
  return p;
}

DriverRun finish(QProcess* p) {
  DriverRun run;
  if (!p->waitForFinished(120000)) {
    ADD_FAILURE() << "crash_driver did not end";
    p->kill();
    p->waitForFinished();
  }
  run.killed = p->exitStatus() == QProcess::CrashExit;
  run.exitCode = p->exitCode();
  readMarkers(p->readAllStandardOutput(), run);
  run.messages = QString::fromLocal8Bit(p->readAllStandardError());
  delete p;
  return run;
}

}  // namespace

DriverRun runDriver(const QString& dir, const QStringList& words, long killAfter, bool stopAtReady) {
  return finish(start(dir, words, killAfter, stopAtReady));
}

DriverRun runDriverKilledAfter(const QString& dir, const QStringList& words, int delayUs) {
  QProcess* p = start(dir, words, 0, false);
  QByteArray seen;
  while (!seen.contains("ready ") && p->state() == QProcess::Running) {
    p->waitForReadyRead(100);
    seen += p->readAllStandardOutput();
  }
  std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
  p->kill();
  DriverRun run = finish(p);
  readMarkers(seen, run);
  return run;
}

}  // namespace korvel::test
