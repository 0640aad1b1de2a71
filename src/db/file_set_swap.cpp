#include "db/file_set_swap.h"

#include "db/file_io.h"
#include "db/folder_files.h"
#include "db/table_error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>

namespace korvel::db {
namespace {

// One line of the record: whether the target existed, the temporary name that keeps it, the
// staged file and the target.
struct Entry {
  bool hadTarget = false;
  QString keep, staged, target;
};

// The record: a first line, the number of entries, one line per entry with its names
// percent-encoded, and the MD5 of all that, so that a record torn by a power cut is known.
const QByteArray kRecordMagic = "korvel swap 1";

QByteArray recordBytes(const std::vector<Entry>& entries) {
  QByteArray body = kRecordMagic + '\n' + QByteArray::number(qsizetype(entries.size())) + '\n';
  for (const Entry& e : entries) {
    body += (e.hadTarget ? "1" : "0");
    for (const QString* name : {&e.keep, &e.staged, &e.target}) body += ' ' + name->toUtf8().toPercentEncoding();
    body += '\n';
  }
  return body + QCryptographicHash::hash(body, QCryptographicHash::Md5).toHex() + '\n';
}

// The entries of a whole record; none for a torn one.
std::optional<std::vector<Entry>> parseRecord(const QByteArray& bytes) {
  if (!bytes.endsWith('\n')) return std::nullopt;
  const qsizetype sumAt = bytes.lastIndexOf('\n', bytes.size() - 2) + 1;
  const QByteArray body = bytes.left(sumAt);
  if (sumAt == 0 || QCryptographicHash::hash(body, QCryptographicHash::Md5).toHex() != bytes.mid(sumAt).trimmed())
    return std::nullopt;
  QList<QByteArray> lines = body.split('\n');
  lines.removeLast();  // after the last newline
  bool counted = false;
  if (lines.size() < 2 || lines[0] != kRecordMagic || lines[1].toLongLong(&counted) != lines.size() - 2 || !counted)
    return std::nullopt;
  std::vector<Entry> entries;
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QList<QByteArray> parts = lines[i].split(' ');
    if (parts.size() != 4) return std::nullopt;
    auto name = [&](int k) { return QString::fromUtf8(QByteArray::fromPercentEncoding(parts[k])); };
    entries.push_back({parts[0] == "1", name(1), name(2), name(3)});
  }
  return entries;
}

// Puts every entry's target back as it was before the replacement, from the last entry to
// the first. Every step may be repeated: a rollback cut short is finished by the next one.
// Returns 0, or the error number and the name of the file that could not be put back.
int rollBack(const QDir& dir, const std::vector<Entry>& entries, QString* failed) {
  for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
    const QString keep = dir.filePath(e->keep), staged = dir.filePath(e->staged), target = dir.filePath(e->target);
    if (e->hadTarget) {
      // No kept file: the target was never touched. A kept file that is a second name of the
      // target (nothing was put in its place yet) is merely dropped: renaming a file onto
      // another name of itself does nothing.
      if (QFileInfo::exists(keep)) {
        if (const int err = io::rename(keep, target)) {
          *failed = e->target;
          return err;
        }
        if (QFileInfo::exists(keep)) io::remove(keep);
      }
    } else if (!QFileInfo::exists(staged) && QFileInfo::exists(target)) {
      io::remove(target);  // the new file took a name that was free before
    }
    io::remove(staged);
  }
  return 0;
}

// Undoes the replacement whose record is in the folder, then drops the record.
int undoRecorded(const QDir& dir, QString* failed, QStringList* keptFiles) {
  const QString recordPath = dir.filePath(QLatin1String(kSwapRecordName));
  QFile record(recordPath);
  if (!record.exists()) return 0;
  if (!record.open(QIODevice::ReadOnly)) {
    *failed = QLatin1String(kSwapRecordName);
    return EIO;
  }
  // A torn record was written before the first file was touched: nothing to undo. Once a file
  // is kept aside, the record was whole; if it no longer reads, it was damaged since, and the
  // kept files are the only way back: the record and they stay for the person.
  const std::optional<std::vector<Entry>> entries = parseRecord(record.readAll());
  record.close();
  if (!entries) {
    QStringList kept = dir.entryList({QLatin1String(kTemporaryPrefix) + QStringLiteral("keep*")},
                                     QDir::Files | QDir::Hidden | QDir::System);
    kept.removeIf([](const QString& n) { return !isTemporaryName(n); });
    if (!kept.isEmpty()) {
      *failed = QLatin1String(kSwapRecordName);
      *keptFiles = kept;
      return EBADMSG;
    }
  }
  if (entries) {
    if (const int err = rollBack(dir, *entries, failed)) return err;
    io::syncFolder(dir.path());
  }
  if (const int err = io::remove(recordPath)) {
    *failed = QLatin1String(kSwapRecordName);
    return err;
  }
  io::syncFolder(dir.path());
  return 0;
}

int writeRecord(const QString& path, const std::vector<Entry>& entries) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return EACCES;
  const QByteArray bytes = recordBytes(entries);
  if (const int err = io::writeAt(f.handle(), 0, bytes.constData(), size_t(bytes.size()))) return err;
  return io::sync(f.handle());
}

}  // namespace

std::optional<ReplaceFailure> replaceFiles(const QString& folder, const std::vector<FileReplacement>& files) {
  const QDir dir(folder);
  const QString recordPath = dir.filePath(QLatin1String(kSwapRecordName));
  std::vector<Entry> entries;
  auto dropStaged = [&] {
    for (const FileReplacement& f : files) QFile::remove(dir.filePath(f.staged));
  };
  auto failure = [&](const QString& name, int err) {
    dropStaged();
    return std::optional<ReplaceFailure>(ReplaceFailure{name, err});
  };

  // A replacement left unfinished is undone first, so that its record is not overwritten.
  QString failed;
  QStringList kept;
  if (const int err = undoRecorded(dir, &failed, &kept)) return failure(failed, err);

  for (size_t i = 0; i < files.size(); ++i) {
    const QFileInfo target(dir.filePath(files[i].target));
    if (target.isDir()) return failure(files[i].target, EISDIR);
    const QString keep = QLatin1String(kTemporaryPrefix) + QStringLiteral("keep%1").arg(i) + QLatin1String(kTemporarySuffix);
    QFile::remove(dir.filePath(keep));  // a stray one would be taken for a kept file
    entries.push_back({target.exists() || target.isSymLink(), keep, files[i].staged, files[i].target});
  }
  if (const int err = writeRecord(recordPath, entries)) {
    QFile::remove(recordPath);
    return failure(QLatin1String(kSwapRecordName), err);
  }

  // From here on, every failure is undone from the entries, as the next opening would.
  auto undo = [&](const QString& name, int err) {
    QString notBack;
    if (rollBack(dir, entries, &notBack) == 0 && QFile::remove(recordPath)) io::syncFolder(folder);
    return failure(name, err);
  };
  int err = io::syncFolder(folder);
  if (err) return undo(QLatin1String(kSwapRecordName), err);
  for (const Entry& e : entries) {
    const QString keep = dir.filePath(e.keep), target = dir.filePath(e.target);
    if (e.hadTarget) {
      // The replaced file keeps a second name; where the medium has no second names, it
      // moves to that name (and the target's name is free until the new file takes it).
      if (io::link(target, keep) != 0 && (err = io::rename(target, keep)) != 0) return undo(e.target, err);
    }
    if ((err = io::rename(dir.filePath(e.staged), target)) != 0) return undo(e.target, err);
  }
  if ((err = io::syncFolder(folder)) != 0) return undo(QLatin1String(kSwapRecordName), err);

  // The commit: once the record is gone, the new files are the folder's files.
  if ((err = io::remove(recordPath)) != 0) return undo(QLatin1String(kSwapRecordName), err);
  io::syncFolder(folder);
  for (const Entry& e : entries)
    if (e.hadTarget) QFile::remove(dir.filePath(e.keep));
  return std::nullopt;
}

void undoUnfinishedReplacement(const QString& folder) {
  const QDir dir(folder);
  QString failed;
  QStringList kept;
  const int err = undoRecorded(dir, &failed, &kept);
  if (!kept.isEmpty())
    throw TableError(QStringLiteral("В папке %1 осталась запись прерванной замены файлов (%2), но она повреждена, и "
                                    "вернуть файлы к прежнему состоянию по ней нельзя. Часть файлов уже заменена; "
                                    "прежние файлы сохранены в той же папке под именами %3. Ничего не изменено: "
                                    "запись и сохраненные файлы оставлены на месте. Верните прежние файлы вручную или "
                                    "восстановите данные из резервной копии, затем удалите запись.")
                         .arg(QDir::toNativeSeparators(folder), QLatin1String(kSwapRecordName),
                              kept.join(QStringLiteral(", "))));
  if (err)
    throw TableError(QStringLiteral("Восстановление данных было прервано, и файл %1 в папке %2 не удаётся вернуть "
                                    "в прежнее состояние: %3. Устраните причину и запустите программу снова.")
                         .arg(failed, QDir::toNativeSeparators(folder), io::causeText(err)));
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
    if (isTemporaryName(name)) QFile::remove(dir.filePath(name));
}

}  // namespace korvel::db
