// A file's bytes, and every file under a folder with its bytes, for comparing a folder before
// and after something that must not have touched it.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QString>
#include <gtest/gtest.h>

namespace korvel::test {

// The bytes of a file; "<unreadable>" when it cannot be read, which no file compared with holds.
inline QByteArray bytesOf(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return f.readAll();
}

// Every file under a folder with its bytes; the lock file of a live process is left out.
inline QMap<QString, QByteArray> folderSnapshot(const QString& dir) {
  QMap<QString, QByteArray> files;
  QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (it.fileName() == u"korvel.lock") continue;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    files.insert(QDir(dir).relativeFilePath(path), f.readAll());
  }
  return files;
}

}  // namespace korvel::test
