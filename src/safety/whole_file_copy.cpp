#include "safety/whole_file_copy.h"

#include "db/folder_files.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace korvel::safety {

namespace {

std::filesystem::path nativePath(const QString& path) {
#ifdef Q_OS_WIN
  return std::filesystem::path(path.toStdWString());
#else
  return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool flushToMedium(QFile& f) {
  if (!f.flush()) return false;
#ifdef Q_OS_WIN
  return _commit(f.handle()) == 0;
#else
  return ::fsync(f.handle()) == 0;
#endif
}

}  // namespace

QString findEntry(const QDir& dir, const QString& name, QDir::Filters kinds) {
  const QStringList entries = dir.entryList(kinds | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  QString other;
  for (const QString& e : entries) {
    if (e == name) return e;
    if (other.isEmpty() && e.compare(name, Qt::CaseInsensitive) == 0) other = e;
  }
  return other;
}

QStringList listFiles(const QDir& dir, const QString& wildcard) {
  // Without QDir::Hidden and QDir::System: hidden and system files, folders and dangling links
  // are not listed.
  QStringList names = dir.entryList({wildcard}, QDir::Files, QDir::Name | QDir::IgnoreCase);
  names.removeIf([](const QString& n) {
    return n.endsWith(QLatin1String(kTemporarySuffix), Qt::CaseInsensitive) ||
           n.compare(QLatin1String(db::kLockFileName), Qt::CaseInsensitive) == 0 ||
           n.compare(QLatin1String(db::kJournalFileName), Qt::CaseInsensitive) == 0;
  });
  return names;
}

QString copyToTemporary(const QString& source, const QString& targetDir) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return {};
  QTemporaryFile out(QDir(targetDir).filePath(QStringLiteral(".korvel-XXXXXX") + QLatin1String(kTemporarySuffix)));
  if (!out.open()) return {};  // removed again by its destructor on every failure below

  std::vector<char> buffer(size_t(4) << 20);
  for (;;) {
    const qint64 n = in.read(buffer.data(), qint64(buffer.size()));
    if (n < 0) return {};
    if (n == 0) break;
    if (out.write(buffer.data(), n) != n) return {};
  }
  const QFileInfo info(source);
  out.setPermissions(info.permissions());
  out.setFileTime(info.lastModified(), QFileDevice::FileModificationTime);
  if (!flushToMedium(out)) return {};
  out.close();
  if (out.error() != QFileDevice::NoError) return {};
  out.setAutoRemove(false);
  return out.fileName();
}

bool putInPlace(const QString& temporary, const QString& target) {
  std::error_code ec;
  // A folder in the target's place would not be replaced by a file anywhere; refuse it alike.
  if (!QFileInfo(target).isDir()) std::filesystem::rename(nativePath(temporary), nativePath(target), ec);
  else ec = std::make_error_code(std::errc::is_a_directory);
  if (ec) {
    QFile::remove(temporary);
    return false;
  }
  return true;
}

bool copyReplacing(const QString& source, const QString& target) {
  const QString temporary = copyToTemporary(source, QFileInfo(target).absolutePath());
  return !temporary.isEmpty() && putInPlace(temporary, target);
}

}  // namespace korvel::safety
