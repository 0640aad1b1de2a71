// A DBF file on disk: header and field descriptors checked on open, records read from a
// memory map, records written in place or appended with the header kept true.
// dBASE III / FoxPro 2.x headers are read and written; Visual FoxPro headers are read.
// Every change is all or nothing: a write that fails puts back what it had changed (bytes and
// length) and throws naming the cause; a change that takes more than one write (an append, or
// a record and the header's date) goes through the operation journal (db/journal.h), the
// operation's own when one is in progress over the folder, else one of its own.
#pragma once

#include "db/text.h"

#include <QFile>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace korvel::db {

struct FieldDef {
  QString name;      // as stored, upper case
  char type = 'C';   // C N F D L (read and written); I B Y T M G P (read only)
  int width = 1;
  int decimals = 0;
  int offset = 0;    // from the start of the record (byte 0 is the deletion mark)
};

class DbfFile {
 public:
  // Opens an existing table; throws TableError naming the file when it is missing, locked,
  // truncated or malformed. A file that cannot be opened for writing is opened read-only and
  // every write to it is refused.
  explicit DbfFile(const QString& path);
  // The same, with the code page decided as for the table at `codepageOf` (the .cpg beside
  // that path): a copy staged under a temporary name is read as it will be read in its place.
  DbfFile(const QString& path, const QString& codepageOf);
  ~DbfFile();
  DbfFile(const DbfFile&) = delete;
  DbfFile& operator=(const DbfFile&) = delete;

  // Writes a new empty table (dBASE III, Windows-1251 language driver).
  static void create(const QString& path, std::vector<FieldDef> fields);

  const QString& path() const { return path_; }
  QString displayName() const;  // the file name, for messages
  const QString& folder() const { return folder_; }  // the folder, symbolic links resolved
  const std::vector<FieldDef>& fields() const { return fields_; }
  int fieldIndex(QStringView name) const;  // case-insensitive; -1 when absent
  // From the .cpg file beside the table, else the language-driver byte (0xC9 Windows-1251,
  // 0x65 and 0x26 CP866); a table whose code page is neither told nor one of these (UTF-8 too,
  // through a .cpg) is not opened.
  Codepage codepage() const { return codepage_; }
  bool writable() const { return writable_; }

  uint32_t recordCount() const { return count_; }
  int recordLength() const { return recordLength_; }
  const char* record(uint32_t index) const { return base_ + headerLength_ + size_t(index) * recordLength_; }

  // Writes one whole record (deletion byte included) in place.
  void writeRecord(uint32_t index, const char* bytes);
  // Writes the record after the last one, then the new count into the header; returns its index.
  uint32_t appendRecord(const char* bytes);
  // A record of blanks, not deleted.
  std::vector<char> blankRecord() const { return std::vector<char>(size_t(recordLength_), ' '); }

  // The whole file as mapped: its length, and its bytes from the header on (what the journal
  // keeps of it before a change).
  int headerLength() const { return headerLength_; }
  qint64 fileLength() const { return mappedSize_; }
  const char* bytes() const { return base_; }

  // Reads the header again and maps the file anew, after the journal put the file back as it
  // was before an operation; then runs afterReload.
  void reload();
  std::function<void()> afterReload;
  // Lets go of the mapping until reload(), so that the journal may cut the file shorter.
  void unmap();

 private:
  struct Piece {
    qint64 pos;
    const char* bytes;
    qint64 n;
  };
  void parseHeader(qint64 fileSize);
  void map();
  Codepage decideCodepage(const QString& tablePath) const;
  // Writes the pieces in order. When one fails, the bytes the earlier ones (and the failed one)
  // overwrote and the file's length are put back, and the error names the cause.
  void writePieces(std::initializer_list<Piece> pieces);
  void requireWritable() const;
  [[noreturn]] void fail(const QString& what) const;

  QString path_;
  QString folder_;
  QFile file_;
  bool writable_ = true;
  uchar* map_ = nullptr;
  const char* base_ = nullptr;
  qint64 mappedSize_ = 0;
  std::vector<FieldDef> fields_;
  Codepage codepage_ = Codepage::Cp1251;
  uint32_t count_ = 0;
  int headerLength_ = 0;
  int recordLength_ = 0;
  uint8_t version_ = 0x03;
  uint8_t ldid_ = 0;
  uint8_t date_[3] = {0, 0, 0};
};

}  // namespace korvel::db
