// Reading a table file's records in place, for scans over whole tables: a walk over the live
// rows in record order, field views compiled once from a field name that read a row's field
// without allocating, and a row handle that stays valid when the table grows.
//
// How to use it (the bull figures and the sire statistics are worked examples):
//
//   const db::DbfFile& file = table.file();          // the table must be open
//   const db::WholeView kodporod(file, u"kodporod");  // a missing field throws TableError
//   const db::BytesView kodbyk(file, u"kodbyk");
//   for (const db::Row row : db::LiveRows(file)) {    // deleted records are left out
//     if (kodporod(row) != breed) continue;
//     std::string_view code = kodbyk.trimmed(row);    // no allocation
//     ...
//   }
//
// Lifetimes. A walk, and every Row it hands out, reads the file's memory map: both are valid
// until the file is next appended to (an append may map the file anew), so never keep a Row
// across a write to its table. To remember a row for later, keep its RowHandle (file and record
// index) and ask it for a Row when you read it again. Views keep the field's place only and stay
// valid as long as the file is open.
//
// Deleted records. A record whose deletion byte is '*' is not live: LiveRows skips it, and
// Row::live() tells it for rows reached otherwise (RowHandle, LiveRows::ahead). A free row of
// the herd (KODREG 0) is a live record: the walk hands it out like any other.
//
// Look-ahead. A scan over a table far larger than the caches spends its time waiting for
// memory; LiveRows::ahead gives the row some records further on (deleted or not) and
// prefetch() asks for its bytes, so that they have arrived when the walk gets there.
#pragma once

#include "db/dbf_file.h"
#include "db/filter.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel::db {

class Table;
class FieldView;
class RowHandle;

// One record of a walk: its index in the file and its bytes, valid until the next append.
class Row {
 public:
  Row() = default;
  explicit operator bool() const { return bytes_ != nullptr; }  // false: past the end
  uint32_t index() const { return index_; }                     // record number - 1
  bool live() const { return bytes_[0] != '*'; }

 private:
  friend class LiveRows;
  friend class FieldView;
  friend class RowHandle;
  friend void prefetch(const Row& row, int from, int to);
  friend class RowFilter;
  friend Row currentRow(const Table& table);
  Row(const char* bytes, uint32_t index) : bytes_(bytes), index_(index) {}
  const char* bytes_ = nullptr;
  uint32_t index_ = 0;
};

// A record kept for later: the file and the record index. Unlike a Row it survives appends.
class RowHandle {
 public:
  RowHandle() = default;
  RowHandle(const DbfFile& file, uint32_t index) : file_(&file), index_(index) {}
  RowHandle(const DbfFile& file, const Row& row) : file_(&file), index_(row.index()) {}
  explicit operator bool() const { return file_ != nullptr; }
  uint32_t index() const { return index_; }
  // The record's bytes now; a record index beyond the file's records gives an empty Row.
  Row row() const {
    if (!file_ || index_ >= file_->recordCount()) return {};
    return Row(file_->record(index_), index_);
  }

 private:
  const DbfFile* file_ = nullptr;
  uint32_t index_ = 0;
};

// The live records of a file in record order.
class LiveRows {
 public:
  explicit LiveRows(const DbfFile& file)
      : base_(file.recordCount() ? file.record(0) : nullptr),
        count_(file.recordCount()),
        length_(uint32_t(file.recordLength())) {}
  // The open table's file (TableError when it is closed).
  explicit LiveRows(const Table& table);

  class iterator {
   public:
    Row operator*() const { return Row(p_, index_); }
    iterator& operator++() {
      do {
        p_ += length_;
        ++index_;
      } while (index_ < count_ && p_[0] == '*');
      return *this;
    }
    bool operator!=(const iterator& o) const { return index_ != o.index_; }
    bool operator==(const iterator& o) const { return index_ == o.index_; }

   private:
    friend class LiveRows;
    iterator(const char* p, uint32_t index, uint32_t count, uint32_t length)
        : p_(p), index_(index), count_(count), length_(length) {}
    const char* p_;
    uint32_t index_;
    uint32_t count_;
    uint32_t length_;
  };

  iterator begin() const {
    iterator it(base_, 0, count_, length_);
    if (count_ && base_[0] == '*') ++it;
    return it;
  }
  iterator end() const { return iterator(nullptr, count_, count_, length_); }

  // Records on file, live or not: the walk's length for a progress figure.
  uint32_t recordCount() const { return count_; }
  int recordLength() const { return int(length_); }
  // The record `distance` records after `row`, deleted or not (see Row::live()), or an empty
  // Row past the last record.
  Row ahead(const Row& row, uint32_t distance) const {
    const uint32_t index = row.index() + distance;
    if (index >= count_ || index < row.index()) return {};
    return Row(base_ + size_t(index) * length_, index);
  }

 private:
  const char* base_;
  uint32_t count_;
  uint32_t length_;
};

// Asks the memory for the bytes [from, to) of a row (offsets from the deletion byte), one
// cache line at a time; reads nothing.
inline void prefetch(const Row& row, int from, int to) {
  // Through a local copy of the pointer: GCC 12 drops prefetches whose address it reads
  // through the reference inside this loop.
  const char* const p = row.bytes_;
  for (int offset = from; offset < to; offset += 64) __builtin_prefetch(p + offset);
  if (to > from) __builtin_prefetch(p + to - 1);
}

// Lets the pages of the records before `end` leave the process's memory. A one-off pass over a
// large file that will not come back to them (a tool's) calls it as it goes, so that the whole
// file is never held at once. The records stay readable: the system keeps the file in its cache
// and maps them again when they are read. Does nothing where the system offers no such advice.
void releaseRecords(const DbfFile& file, uint32_t end);

// A field of a file, found once by name (case-insensitive). The base of the views below.
class FieldView {
 public:
  FieldView() = default;
  // Throws TableError "Таблица KOROVA: поле «x» не найдено." when the file has no such field,
  // as Table::fieldIndex does.
  FieldView(const DbfFile& file, QStringView name);
  const FieldDef& def() const { return def_; }
  int width() const { return def_.width; }

 protected:
  const char* at(const Row& row) const { return row.bytes_ + def_.offset; }
  const char* record(const Row& row) const { return row.bytes_; }
  // "Таблица KOROVA: «x» не является целым числом (поле X1), запись №5 (корова «Зорька», …)."
  [[noreturn]] void conversionFailed(const Row& row, const char* what) const;
  const DbfFile* file_ = nullptr;
  FieldDef def_;
};

// The field's bytes as stored, with or without the blanks (and NULs) that pad it.
class BytesView : public FieldView {
 public:
  using FieldView::FieldView;
  std::string_view operator()(const Row& row) const { return {at(row), size_t(def_.width)}; }
  // Without trailing blanks: a character field's text as stored.
  std::string_view trimmed(const Row& row) const {
    const char* p = at(row);
    size_t n = size_t(def_.width);
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
    return {p, n};
  }
  // True when the field holds nothing but blanks.
  bool blank(const Row& row) const { return trimmed(row).empty(); }
};

// The field read as a whole number, as the table component reads one: numbers rounded half to
// even, a character field holding decimal digits; a blank field reads 0. A text that holds no
// whole number throws TableError naming the table, the text and the field. Plain digits (the
// usual content) are read without a call.
class WholeView : public FieldView {
 public:
  WholeView() = default;
  WholeView(const DbfFile& file, QStringView name);

  [[gnu::always_inline]] long long operator()(const Row& row) const {
    if (plainNumeric_) {
      const char* p = at(row);
      const int width = def_.width;
      int i = 0;
      while (i < width && p[i] == ' ') ++i;
      long long v = 0;
      int digits = 0;
      for (; i < width && p[i] >= '0' && p[i] <= '9'; ++i, ++digits) v = v * 10 + (p[i] - '0');
      while (i < width && p[i] == ' ') ++i;
      if (i == width && digits <= 18) return v;  // blank counts 0
    }
    return slow(row);
  }
  // The field as a number without the error: a numeric field as Field::asFloat reads it (an
  // empty one is 0), rounded half to even; a character field written in decimal digits (a
  // blank one holds none). Nothing when it holds no whole number.
  std::optional<long long> number(const Row& row) const;

 private:
  long long slow(const Row& row) const;
  bool plainNumeric_ = false;
};

// The field as text, as Field::asString gives it (character fields without trailing blanks,
// numbers in plain decimal, dates as dd.MM.yyyy). Allocates: for names, not for every row.
class TextView : public FieldView {
 public:
  using FieldView::FieldView;
  QString operator()(const Row& row) const;
};

// The field as a floating-point number, as Field::asFloat reads it (an empty number is 0); a
// text that is no number throws TableError.
class FloatView : public FieldView {
 public:
  using FieldView::FieldView;
  double operator()(const Row& row) const;
  // The same without the error: nothing when the text is no number.
  std::optional<double> number(const Row& row) const;
  // As operator(), a blank field of any type reading 0.
  double blankZero(const Row& row) const;
};

// ---- For code outside the table layer: the current row and filters over rows ----

// The table's current row (while it is edited, the edit buffer with its changes); an empty Row
// when the table is closed or has no current row. Valid until the table moves or is written.
// A row being appended has no record number yet: its index() reads 0.
Row currentRow(const Table& table);

// Whether the cursor stands on a record on file: the table is open and a row is current that is
// not still being appended. A row being appended is no animal yet: an operation on "the current
// cow (bull)" never writes into it, and renaming, moving or deleting it would have no record to
// work on. A walk that ran off the end of the list leaves its last row current.
bool hasCurrentRecord(const Table& table);

// A filter expression of the shapes Table::setFilter accepts, compiled once for a table's file:
// true for the rows that would pass it. Throws TableError as setFilter does.
class RowFilter {
 public:
  RowFilter(const Table& table, const QString& expression);
  bool operator()(const Row& row) const;

 private:
  CompiledFilter compiled_;
};

}  // namespace korvel::db
