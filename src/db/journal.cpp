#include "db/journal.h"

#include "db/crc32.h"
#include "db/dbf_file.h"
#include "db/file_io.h"
#include "db/folder_files.h"
#include "db/table_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

namespace korvel::db {
namespace {

constexpr char kMagic[8] = {'K', 'O', 'R', 'V', 'J', 'R', 'N', '2'};
constexpr char kMagicV1[8] = {'K', 'O', 'R', 'V', 'J', 'R', 'N', '1'};
constexpr char kBatchMagic[4] = {'B', 'T', 'C', 'H'};
constexpr qint64 kHeaderSize = 16;
constexpr qint64 kBatchHeaderSize = 16;  // magic, entry count, payload length, their checksum
// How much of a table, at its start and at its end, the journal's checksum of it covers.
constexpr qint64 kSampleSize = 64 * 1024;

// The checksum of a batch's head: the journal's salt and the batch's entry count and payload
// length (the 8 bytes after its magic).
uint32_t headCrc(uint32_t salt, const char* countAndLength) {
  char saltBytes[4];
  for (int i = 0; i < 4; ++i) saltBytes[i] = char((salt >> (8 * i)) & 0xFF);
  return crc32(crc32(0, saltBytes, 4), countAndLength, 8);
}

// The checksum of a whole batch: its head's, continued over the payload.
uint32_t batchCrc(uint32_t salt, const char* countAndLength, const char* payload, size_t n) {
  return crc32(headCrc(salt, countAndLength), payload, n);
}

// The ranges of a table the journal's checksum of it covers: its first and its last
// kSampleSize bytes (the whole table when it is smaller), as [begin, end) pairs.
std::array<std::pair<qint64, qint64>, 2> sampleRanges(qint64 length) {
  const qint64 firstEnd = std::min(length, kSampleSize);
  return {{{0, firstEnd}, {std::max(firstEnd, length - kSampleSize), length}}};
}

void put16(QByteArray& b, uint16_t v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}
void put32(QByteArray& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}
void put64(QByteArray& b, uint64_t v) {
  for (int i = 0; i < 8; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

// Reads little-endian numbers from a journal, never past its end.
class Reader {
 public:
  Reader(const char* p, qint64 n) : p_(p), n_(n) {}
  bool has(qint64 k) const { return pos_ + k <= n_; }
  qint64 pos() const { return pos_; }
  const char* here() const { return p_ + pos_; }
  void skip(qint64 k) { pos_ += k; }
  uint64_t number(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(uint8_t(p_[pos_ + i])) << (8 * i);
    pos_ += bytes;
    return v;
  }

 private:
  const char* p_;
  qint64 n_;
  qint64 pos_ = 0;
};

QString resolved(const QString& folder) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  return canonical.isEmpty() ? QFileInfo(folder).absoluteFilePath() : canonical;
}

QString journalPath(const QString& folder) { return QDir(folder).filePath(QString::fromLatin1(kJournalFileName)); }

QString shown(const QString& folder) { return QDir::toNativeSeparators(folder); }

[[noreturn]] void writeFailed(const DbfFile& f, int err) {
  throw TableError(QStringLiteral("Таблица %1: запись не удалась: %2.").arg(f.displayName(), io::causeText(err)));
}

// Takes the lock that marks a journal as live; false only when another process holds it: a
// running copy of the program in the middle of an operation (the lock goes with the process
// however it ends, so a journal left by a killed run is free).
bool lockJournal(QFile& f) { return io::lock(f.handle(), io::LockKind::Exclusive) != EWOULDBLOCK; }

// What a journal holds: the operation it belongs to, and per table its name, its length and
// the checksum of its sample before the operation, and the images of the bytes it overwrote.
struct JournalContents {
  struct Table {
    QString name;
    qint64 length = 0;
    uint32_t sample = 0;
    std::vector<std::pair<qint64, QByteArray>> images;  // point into the journal's bytes
  };
  QString operation;
  std::vector<Table> tables;
};

QString journalShown(const QString& folder) { return shown(journalPath(folder)); }

// A journal that must not be applied: the tables are not touched and the journal stays where it is.
TableError refusal(const QString& folder, const QString& what, const QString& todo) {
  return TableError(QStringLiteral("Рабочая папка %1: журнал прерванной операции %2 %3. Таблицы не изменены, журнал "
                                   "оставлен на месте (%4). %5")
                        .arg(shown(folder), QString::fromLatin1(kJournalFileName), what, journalShown(folder), todo));
}

TableError damaged(const QString& folder) {
  return refusal(folder, QStringLiteral("поврежден, и вернуть по нему таблицы к состоянию до той операции нельзя"),
                 QStringLiteral("Восстановите данные из резервной копии, затем удалите журнал."));
}

// Reads a whole journal. Only a torn tail (the last batch, or the header, cut short by the end
// of the file: it was being written when the operation stopped, and no table byte it covers had
// been written yet) is ignored; any other damage is refused.
JournalContents parse(const QByteArray& bytes, const QString& folder) {
  JournalContents out;
  Reader r(bytes.constData(), bytes.size());
  if (!r.has(kHeaderSize)) return out;  // the header itself was being written
  if (std::memcmp(r.here(), kMagicV1, 8) == 0)
    throw refusal(folder, QStringLiteral("записан прежней версией программы, и эта версия его не читает"),
                  QStringLiteral("Откатите операцию той версией программы, что ее начала, или восстановите данные из "
                                 "резервной копии и удалите журнал."));
  const uint32_t salt = uint32_t(Reader(bytes.constData() + 8, 4).number(4));
  if (std::memcmp(r.here(), kMagic, 8) != 0 ||
      crc32(0, bytes.constData(), 12) != uint32_t(Reader(bytes.constData() + 12, 4).number(4)))
    throw damaged(folder);
  r.skip(kHeaderSize);
  while (r.has(1)) {
    if (!r.has(kBatchHeaderSize)) break;  // a head cut short
    const char* batch = r.here();
    if (std::memcmp(batch, kBatchMagic, 4) != 0) throw damaged(folder);
    r.skip(4);
    const uint32_t entries = uint32_t(r.number(4));
    const uint32_t length = uint32_t(r.number(4));
    if (headCrc(salt, batch + 4) != uint32_t(r.number(4))) throw damaged(folder);
    if (!r.has(qint64(length) + 4)) break;  // a batch cut short
    if (batchCrc(salt, batch + 4, r.here(), length) != uint32_t(Reader(r.here() + length, 4).number(4)))
      throw damaged(folder);
    Reader e(r.here(), length);
    for (uint32_t i = 0; i < entries; ++i) {
      if (!e.has(3)) throw damaged(folder);
      const char kind = *e.here();
      e.skip(1);
      const uint16_t id = uint16_t(e.number(2));
      if (kind == 'O') {
        if (!e.has(2)) throw damaged(folder);
        const int n = int(e.number(2));
        if (!e.has(n)) throw damaged(folder);
        out.operation = QString::fromUtf8(e.here(), n);
        e.skip(n);
      } else if (kind == 'T') {
        if (id != out.tables.size() || !e.has(2)) throw damaged(folder);
        const int n = int(e.number(2));
        if (!e.has(n + 12)) throw damaged(folder);
        JournalContents::Table t;
        t.name = QString::fromUtf8(e.here(), n);
        e.skip(n);
        t.length = qint64(e.number(8));
        t.sample = uint32_t(e.number(4));
        if (t.name.isEmpty() || t.name.contains(QLatin1Char('/')) || t.name.contains(QLatin1Char('\\')) ||
            t.name.startsWith(QLatin1Char('.')) || t.length < 0)
          throw damaged(folder);
        out.tables.push_back(std::move(t));
      } else if (kind == 'R') {
        if (id >= out.tables.size() || !e.has(12)) throw damaged(folder);
        const qint64 pos = qint64(e.number(8));
        const uint32_t n = uint32_t(e.number(4));
        if (!e.has(n) || pos < 0 || pos + qint64(n) > out.tables[id].length) throw damaged(folder);
        out.tables[id].images.emplace_back(pos, QByteArray::fromRawData(e.here(), qsizetype(n)));
        e.skip(n);
      } else {
        throw damaged(folder);
      }
    }
    r.skip(qint64(length) + 4);
  }
  return out;
}

// The file of a table in the folder, found as opening finds it: the exact name, else the same
// name in another case; empty when there is none.
QString tableFile(const QDir& dir, const QString& name) {
  if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
  for (const QString& e : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
    if (e.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(e);
  return {};
}

// Whether each table of the journal is the one the operation began on: there, not shorter than
// it was, and its sample, with the journal's images put back over it, the one the operation
// found. Throws the refusal naming what was found.
void checkTables(const QString& folder, const JournalContents& c) {
  const QDir dir(folder);
  auto mismatch = [&](const QString& found) {
    return refusal(folder, QStringLiteral("не подходит к таблицам папки: %1").arg(found),
                   QStringLiteral("Если таблицы заменяли вручную, верните в папку те, с которыми шла прерванная "
                                  "операция, и запустите программу снова; иначе восстановите данные из резервной "
                                  "копии и удалите журнал."));
  };
  for (const JournalContents::Table& t : c.tables) {
    const QString path = tableFile(dir, t.name);
    if (path.isEmpty()) throw mismatch(QStringLiteral("таблицы %1 в папке нет").arg(t.name));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
      throw refusal(folder, QStringLiteral("нельзя применить: таблица %1 не открывается (%2)").arg(t.name, f.errorString()),
                    QStringLiteral("Устраните причину и запустите программу снова."));
    if (f.size() < t.length)
      throw mismatch(QStringLiteral("таблица %1 короче, чем была в начале операции (%2 байт вместо %3)")
                         .arg(t.name).arg(f.size()).arg(t.length));
    uint32_t crc = 0;
    for (const auto& [begin, end] : sampleRanges(t.length)) {
      if (!f.seek(begin)) throw mismatch(QStringLiteral("таблица %1 не читается").arg(t.name));
      QByteArray bytes = f.read(end - begin);
      if (bytes.size() != end - begin) throw mismatch(QStringLiteral("таблица %1 не читается").arg(t.name));
      for (const auto& [pos, image] : t.images) {
        const qint64 from = std::max(pos, begin), to = std::min(pos + image.size(), end);
        if (from < to) std::memcpy(bytes.data() + (from - begin), image.constData() + (from - pos), size_t(to - from));
      }
      crc = crc32(crc, bytes.constData(), size_t(bytes.size()));
    }
    if (crc != t.sample) throw mismatch(QStringLiteral("таблица %1 — не та, что была в начале операции").arg(t.name));
  }
}

struct Registry {
  std::vector<Journal*> journals;
  std::vector<DbfFile*> files;
};

Registry& registry() {
  static Registry r;
  return r;
}

// The open files of this process over the tables of the journal.
std::vector<DbfFile*> openFilesOf(const QString& folder, const JournalContents& c) {
  std::vector<DbfFile*> out;
  for (DbfFile* f : registry().files) {
    const QString name = QFileInfo(f->path()).fileName();
    if (f->folder() == folder && std::any_of(c.tables.begin(), c.tables.end(), [&](const auto& t) {
          return t.name.compare(name, Qt::CaseInsensitive) == 0;
        }))
      out.push_back(f);
  }
  return out;
}

// The open files of the tables put back are read again: counts, dates and bytes may differ.
void reloadOpenFiles(const QString& folder, const JournalContents& c) {
  for (DbfFile* f : openFilesOf(folder, c)) {
    try {
      f->reload();
    } catch (const TableError&) {
      // The file could not be read again; its next opening will say why.
    }
  }
}

// Writes every image back and cuts each table to its old length, then flushes it. The open
// files of those tables let go of their mappings first (Windows cuts no mapped file shorter);
// reloadOpenFiles maps them anew, whether this succeeds or fails.
void putBack(const QString& folder, const JournalContents& c) {
  for (DbfFile* f : openFilesOf(folder, c)) f->unmap();
  const QDir dir(folder);
  for (const JournalContents::Table& t : c.tables) {
    QFile f(tableFile(dir, t.name));
    auto failed = [&](int err) {
      return TableError(QStringLiteral("Рабочая папка %1: таблицу %2 не удалось вернуть к состоянию до прерванной "
                                       "операции: %3.")
                            .arg(shown(folder), t.name, io::causeText(err)));
    };
    if (f.fileName().isEmpty() || !f.open(QIODevice::ReadWrite)) throw failed(io::openError(f, EACCES));
    for (const auto& [pos, bytes] : t.images)
      if (const int err = io::writeAt(f.handle(), pos, bytes.constData(), size_t(bytes.size()))) throw failed(err);
    if (const int err = io::truncate(f.handle(), t.length)) throw failed(err);
    if (const int err = io::sync(f.handle())) throw failed(err);
  }
}

// Removes the journal, which ends the operation (committed or rolled back).
void removeJournal(const QString& folder, const QString& path) {
  if (!QFile::remove(path)) {
    // A journal that cannot be removed must at least not be taken for a whole one; a link is
    // never followed to empty another file.
    QFile f;
#ifdef Q_OS_UNIX
    const int fd = QFileInfo(path).isSymLink() ? -1 : ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    const bool opened = fd >= 0 && f.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle);
#else
    f.setFileName(path);
    const bool opened = !QFileInfo(path).isSymLink() && f.open(QIODevice::ReadWrite);
#endif
    if (!opened || io::truncate(f.handle(), 0) != 0)
      throw TableError(QStringLiteral("Рабочая папка %1: журнал операции %2 не удаляется.")
                           .arg(shown(folder), QString::fromLatin1(kJournalFileName)));
  }
  io::syncFolder(folder);
}

}  // namespace

class Journal {
 public:
  Journal(QString folder, QString operation)
      : folder_(std::move(folder)), path_(journalPath(folder_)), operation_(std::move(operation)) {}
  const QString& folder() const { return folder_; }

  // The images of the rows of `f` not yet in the journal join the pending batch. With `flush`
  // (a table byte is about to change) the pending batch is written and flushed now; declared
  // rows wait for that moment, so that the declarations of one step make one batch.
  void image(const DbfFile& f, const uint32_t* rows, size_t n, bool flush) {
    Touched& t = touched_[touch(f)];
    const int length = f.recordLength();
    for (size_t i = 0; i < n; ++i) {
      const uint32_t row = rows[i];
      if (row >= t.count || t.imaged[row]) continue;
      if (pending_.payload.capacity() - pending_.payload.size() < length + 15)
        pending_.payload.reserve(pending_.payload.size() + qsizetype(n - i) * (length + 15));
      addImage(pending_, t.id, f.headerLength() + qint64(row) * length, f.record(row), length);
      t.imaged[row] = true;
    }
    if (flush) write(pending_, f);
  }

  void commit() {
    if (!file_.isOpen()) return;  // nothing was written
    const QDir dir(folder_);
    for (const Touched& t : touched_) {
      QFile f(dir.filePath(t.name));
      int err = 0;
      if (!f.open(QIODevice::ReadWrite)) err = io::openError(f, EACCES);
      else err = io::sync(f.handle());
      if (err != 0) {
        try {
          rollBack();
        } catch (const TableError&) {
          // The journal stays and the next opening rolls it back.
        }
        throw TableError(QStringLiteral("Таблица %1: запись не удалась: %2.").arg(t.name, io::causeText(err)));
      }
    }
    file_.close();
    removeJournal(folder_, path_);
  }

  void rollBack() {
    if (!file_.isOpen()) return;  // nothing was written
    file_.seek(0);
    const QByteArray bytes = file_.readAll();
    const JournalContents c = parse(bytes, folder_);
    try {
      putBack(folder_, c);
    } catch (...) {
      reloadOpenFiles(folder_, c);
      file_.close();
      throw;
    }
    file_.close();
    removeJournal(folder_, path_);
    reloadOpenFiles(folder_, c);
  }

 private:
  struct Touched {
    QString name;
    uint16_t id;
    uint32_t count;             // records before the operation: later ones need no image
    std::vector<bool> imaged;   // records whose image is in the journal
  };
  struct Batch {
    QByteArray payload;
    uint32_t entries = 0;
  };

  static void addImage(Batch& b, uint16_t id, qint64 pos, const char* bytes, qint64 n) {
    b.payload.append('R');
    put16(b.payload, id);
    put64(b.payload, uint64_t(pos));
    put32(b.payload, uint32_t(n));
    b.payload.append(bytes, qsizetype(n));
    ++b.entries;
  }

  // The table's entry, with its header and what follows its last record, added to the pending
  // batch the first time the operation touches it.
  size_t touch(const DbfFile& f) {
    if (&f == lastFile_ && f.path() == lastPath_) return lastTouched_;
    const QString name = QFileInfo(f.path()).fileName();
    size_t i = 0;
    while (i < touched_.size() && touched_[i].name != name) ++i;
    if (i == touched_.size()) addTable(f, name);
    lastFile_ = &f;
    lastPath_ = f.path();
    lastTouched_ = i;
    return i;
  }

  void addTable(const DbfFile& f, const QString& name) {
    Batch& b = pending_;
    if (touched_.size() >= 0xFFFF) throw TableError(QStringLiteral("Слишком много таблиц в одной операции."));
    Touched t{name, uint16_t(touched_.size()), f.recordCount(), std::vector<bool>(f.recordCount())};
    b.payload.append('T');
    put16(b.payload, t.id);
    const QByteArray n = name.toUtf8();
    put16(b.payload, uint16_t(n.size()));
    b.payload.append(n);
    put64(b.payload, uint64_t(f.fileLength()));
    uint32_t sample = 0;
    for (const auto& [begin, end] : sampleRanges(f.fileLength()))
      sample = crc32(sample, f.bytes() + begin, size_t(end - begin));
    put32(b.payload, sample);
    ++b.entries;
    addImage(b, t.id, 0, f.bytes(), std::min<qint64>(32, f.fileLength()));
    const qint64 dataEnd = f.headerLength() + qint64(f.recordCount()) * f.recordLength();
    if (f.fileLength() > dataEnd) addImage(b, t.id, dataEnd, f.bytes() + dataEnd, f.fileLength() - dataEnd);
    touched_.push_back(std::move(t));
  }

  // Appends the batch and flushes the journal: only then may the tables change.
  void write(Batch& b, const DbfFile& f) {
    if (b.entries == 0) return;
    if (broken_) writeFailed(f, EIO);
    QByteArray head;
    const bool creating = !file_.isOpen();
    if (creating && !operation_.isEmpty()) {
      // The operation's name, for the notice after a rollback, comes first.
      QByteArray named;
      named.append('O');
      put16(named, 0);
      const QByteArray text = operation_.toUtf8().left(0xFFFF);
      put16(named, uint16_t(text.size()));
      named.append(text);
      b.payload.prepend(named);
      ++b.entries;
    }
    if (creating) {
      file_.setFileName(path_);
      errno = 0;
      if (!file_.open(QIODevice::ReadWrite | QIODevice::NewOnly)) {
        if (QFileInfo::exists(path_))
          throw TableError(QStringLiteral("Рабочая папка %1: в ней остался журнал прерванной операции (%2). Закройте "
                                          "программу и запустите её снова: таблицы вернутся к состоянию до той "
                                          "операции.")
                               .arg(shown(folder_), QString::fromLatin1(kJournalFileName)));
        writeFailed(f, io::openError(file_, EACCES));
      }
      lockJournal(file_);
      salt_ = QRandomGenerator::system()->generate();
      head.append(kMagic, 8);
      put32(head, salt_);
      put32(head, crc32(0, head.constData(), 12));
    }
    head.append(kBatchMagic, 4);
    put32(head, b.entries);
    put32(head, uint32_t(b.payload.size()));
    put32(head, headCrc(salt_, head.constData() + head.size() - 8));
    QByteArray tail;
    put32(tail, batchCrc(salt_, head.constData() + head.size() - 12, b.payload.constData(), size_t(b.payload.size())));
    // The batch and its checksum are two writes: a batch cut short between them is torn and
    // is recognised as such.
    head.append(b.payload);
    int err = io::writeAt(file_.handle(), size_, head.constData(), size_t(head.size()));
    if (!err) err = io::writeAt(file_.handle(), size_ + head.size(), tail.constData(), size_t(tail.size()));
    if (!err) err = io::sync(file_.handle());
    if (!err && creating) err = io::syncFolder(folder_);
    if (err) {
      broken_ = true;
      if (creating) {
        // No table was touched: the journal goes, as if the operation had never begun.
        file_.close();
        QFile::remove(path_);
      }
      writeFailed(f, err);
    }
    size_ += head.size() + tail.size();
    b = Batch();
  }

  QString folder_;
  QString path_;
  QString operation_;
  QFile file_;
  uint32_t salt_ = 0;
  qint64 size_ = 0;
  bool broken_ = false;
  std::vector<Touched> touched_;
  Batch pending_;  // images declared and not yet written: no table byte depends on them
  // The table last touched, so that a write of a row already in the journal costs no lookup.
  const DbfFile* lastFile_ = nullptr;
  QString lastPath_;
  size_t lastTouched_ = 0;
};

// ---- JournalScope ----

JournalScope::JournalScope(const QString& folder, const QString& operation) {
  const QString dir = resolved(folder);
  journal_ = journal_hooks::covering(dir);
  first_ = journal_ == nullptr;
  if (first_) {
    journal_ = new Journal(dir, operation);
    registry().journals.push_back(journal_);
  }
}

namespace {
void forget(Journal* j) {
  std::erase(registry().journals, j);
  delete j;
}
}  // namespace

JournalScope::~JournalScope() {
  if (!first_ || ended_) return;
  try {
    journal_->rollBack();
  } catch (const TableError&) {
    // The journal stays on disk; the next opening of the folder rolls it back.
  }
  forget(journal_);
}

void JournalScope::declare(const DbfFile& file, const std::vector<uint32_t>& rows) {
  if (ended_) return;
  journal_->image(file, rows.data(), rows.size(), false);
}

void JournalScope::end(void (Journal::*how)()) {
  if (ended_) return;
  ended_ = true;
  if (!first_) return;
  // The journal is forgotten however the end goes: a failed one stays on disk for the next
  // opening, and the folder's next operation finds it there.
  struct Forget {
    Journal* j;
    ~Forget() { forget(j); }
  } forgetAtEnd{journal_};
  (journal_->*how)();
}

void JournalScope::commit() { end(&Journal::commit); }

void JournalScope::rollback() { end(&Journal::rollBack); }

// ---- Recovery ----

namespace {
QString& recoveryNotice() {
  static QString notice;
  return notice;
}
}  // namespace

QString takeRecoveryNotice() { return std::exchange(recoveryNotice(), QString()); }

Recovery recoverInterruptedOperation(const QString& folder) {
  const QString dir = resolved(folder);
  const QString path = journalPath(dir);
  if (QFileInfo(path).isSymLink())
    throw refusal(dir, QStringLiteral("— символическая ссылка на другой файл; программа ее не открывает"),
                  QStringLiteral("Удалите ссылку и запустите программу снова."));
  if (!QFileInfo::exists(path)) return Recovery::NoJournal;
  if (journal_hooks::covering(dir)) return Recovery::NoJournal;  // this process's own operation, still running
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite))
    throw TableError(QStringLiteral("Рабочая папка %1: журнал прерванной операции (%2) не открывается: %3.")
                         .arg(shown(dir), QString::fromLatin1(kJournalFileName), f.errorString()));
  if (!lockJournal(f))
    throw TableError(QStringLiteral("Рабочая папка %1 занята: в ней идёт операция другой копии программы Корвель.")
                         .arg(shown(dir)));
  const QByteArray bytes = f.readAll();
  const JournalContents c = parse(bytes, dir);
  Recovery outcome = Recovery::Discarded;
  if (!c.tables.empty()) {
    checkTables(dir, c);
    try {
      putBack(dir, c);
    } catch (...) {
      reloadOpenFiles(dir, c);
      throw;
    }
    outcome = Recovery::RolledBack;
  }
  f.close();
  removeJournal(dir, path);
  reloadOpenFiles(dir, c);
  if (outcome == Recovery::RolledBack)
    recoveryNotice() = QStringLiteral("Последняя операция (%1) была прервана и отменена; таблицы возвращены к "
                                      "состоянию до нее.")
                           .arg(c.operation.isEmpty() ? QStringLiteral("изменение данных") : c.operation);
  return outcome;
}

// ---- What DbfFile asks ----

namespace journal_hooks {

Journal* covering(const QString& folder) {
  for (Journal* j : registry().journals)
    if (j->folder() == folder) return j;
  return nullptr;
}

void beforeRecordWrite(Journal& j, const DbfFile& file, uint32_t index) { j.image(file, &index, 1, true); }

void beforeGrowth(Journal& j, const DbfFile& file) { j.image(file, nullptr, 0, true); }

void fileOpened(DbfFile* file) { registry().files.push_back(file); }

void fileClosed(DbfFile* file) { std::erase(registry().files, file); }

}  // namespace journal_hooks

}  // namespace korvel::db
