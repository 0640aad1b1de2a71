// What the safety tests share: a temporary folder standing for the medium of a drive letter
// (through KORVEL_DRIVE_<LETTER>), and snapshots of a folder's files to compare byte for byte.
#pragma once

#include "folder_snapshot.h"
#include "qt_print.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <map>

#include "db/table.h"

#include <gtest/gtest.h>

// Texts in test failures as text.

namespace korvel::test {

class TestDrive {
 public:
  explicit TestDrive(char letter) : var_(QByteArray("KORVEL_DRIVE_") + letter) {
    EXPECT_TRUE(dir_.isValid());
    qputenv(var_.constData(), QFile::encodeName(dir_.path()));
  }
  ~TestDrive() { qunsetenv(var_.constData()); }
  TestDrive(const TestDrive&) = delete;
  TestDrive& operator=(const TestDrive&) = delete;

  QString root() const { return dir_.path(); }
  QString path(const QString& relative) const { return dir_.filePath(relative); }

 private:
  QByteArray var_;
  QTemporaryDir dir_;
};

// Every entry of a folder (hidden ones too) with a file's bytes; a folder is marked "<dir>".
inline std::map<QString, QByteArray> snapshot(const QString& dir) {
  std::map<QString, QByteArray> s;
  const QDir d(dir);
  for (const QString& e : d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    s[e] = QFileInfo(d.filePath(e)).isDir() ? QByteArray("<dir>") : bytesOf(d.filePath(e));
  return s;
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

// Copies every file of a folder (hidden ones too; not its subfolders) into another.
inline void copyFiles(const QString& from, const QString& to) {
  const QDir src(from);
  for (const QString& e : src.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    QFile::remove(QDir(to).filePath(e));
    ASSERT_TRUE(QFile::copy(src.filePath(e), QDir(to).filePath(e))) << e.toStdString();
  }
}

// The six tables of a working folder, by name, with their bytes.
inline std::map<QString, QByteArray> sixTables(const QString& dir) {
  std::map<QString, QByteArray> s;
  for (const char* name : {"BIK.DBF", "KOROVA.DBF", "PORODA.DBF", "REGION.DBF", "VLAD.DBF", "XARAKT.DBF"})
    s[QString::fromLatin1(name)] = bytesOf(QDir(dir).filePath(QString::fromLatin1(name)));
  return s;
}

// Adds a region to the REGION table of a folder: the folder's data become a state of their own.
inline void addRegion(const QString& dir, int code, const QString& name) {
  db::Table t(QStringLiteral("Table1"), QStringLiteral("REGION"));
  t.setDirectory(dir);
  t.open();
  t.append();
  t.fieldByName(u"kodreg").setInteger(code);
  t.fieldByName(u"region").setString(name);
  t.post();
  t.close();
}

// The names in a folder that are left-over temporary copies.
inline QStringList temporaries(const QString& dir) {
  return QDir(dir).entryList({QStringLiteral("*.korvel-tmp")}, QDir::Files | QDir::Hidden);
}

}  // namespace korvel::test
