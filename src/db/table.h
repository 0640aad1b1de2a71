// The table component: one open DBF file with one cursor, a filter expression and its switch,
// the browse/edit/insert states, field access by name, and listeners told of its changes.
#pragma once

#include "db/dbf_file.h"
#include "db/filter.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace korvel::db {

class Table;

enum class TableState { Inactive, Browse, Edit, Insert };
enum class TableEvent { Reset, RowChanged, Scrolled };

// One field of the current row, by name (case-insensitive).
class Field {
 public:
  Field(Table& table, int index) : table_(&table), index_(index) {}
  QString asString() const;
  long long asInteger() const;  // numbers rounded half to even; text must hold a whole number
  double asFloat() const;
  bool isNull() const;          // the field's text form is empty
  QDate asDate() const;
  void setString(const QString& value);
  void setInteger(long long value);
  void setFloat(double value);
  void setDate(const QDate& value);
  void clear();
  const FieldDef& def() const;

 private:
  // "«x» не является числом (поле X1), запись №5 (…)" as the table's error.
  [[noreturn]] void notConverted(const char* what) const;
  Table* table_;
  int index_;
};

class Table {
 public:
  // component: the data module's name ("korova"); fileName: the table's name ("KOROVA") or
  // full file name ("PORODA.DBF"), looked up case-insensitively in the working folder.
  Table(QString component, QString fileName);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const QString& component() const { return component_; }
  QString tableName() const;  // "KOROVA", for messages
  void setDirectory(const QString& dir) { dir_ = dir; }
  const QString& directory() const { return dir_; }

  // Run at every opening with the file found, before the table takes it: a check that throws
  // TableError keeps the table closed.
  void setOpenCheck(std::function<void(const DbfFile&)> check) { openCheck_ = std::move(check); }
  void open();
  void close();
  bool isOpen() const { return file_ != nullptr; }

  void setFilter(const QString& text);
  const QString& filter() const { return filterText_; }
  void setFiltered(bool on);
  bool filtered() const { return filtered_; }

  void first();
  void next();
  bool eof() const { return eof_; }
  bool isEmpty() const;

  void append();
  void edit();
  void clearFields();
  // Writes the row; when the write fails the file is as before, the row's changes are dropped
  // (nothing of them can reach the file later) and the cursor stays where it was.
  void post();
  void cancel();
  void deleteRecord();
  TableState state() const;

  // Physical position of the current row (1-based); 0 when there is none.
  int recNo() const;
  // Goes to the first passing row, then forward until the record number is `recNo`;
  // ends at the end of the table when no passing row has it. True when that record is current.
  bool goToRecNo(int recNo);
  // Makes the passing row at file index `index` current (the grids use it). False, with the
  // cursor left where it was, when no passing row has that index (the filter hides it, it is
  // deleted or beyond the file): the caller must not go on with the row that is current.
  [[nodiscard]] bool goToIndex(uint32_t index);
  // Makes the passing row at `index` current and starts editing it; throws TableError when it
  // cannot be made current, so that nothing meant for it is written into another row.
  void editRowAt(uint32_t index);

  Field fieldByName(QStringView name);
  int fieldIndex(QStringView name) const;  // throws TableError when the field does not exist
  bool hasField(QStringView name) const;

  // Raw access for scans: the current row's bytes (the edit buffer while editing), or null.
  const char* currentRecord() const;
  const DbfFile& file() const;
  bool passes(uint32_t index) const;
  std::vector<uint32_t> passingRecords() const;
  QString textAt(uint32_t index, int field) const;

  // Grows whenever the rows on file or the file itself change (open, close, post, append,
  // delete): a grid whose table shows the same filter at the same version need not rebuild.
  quint64 dataVersion() const { return dataVersion_; }
  // Told of every reset, rewritten row and move of the cursor to a row (open, first, next,
  // append, delete, filter): the data sources keep their lists in step with it. No window is
  // redrawn from here: a window redraws after the operation it called, or when its list is moved.
  int addListener(std::function<void(TableEvent)> listener);
  void removeListener(int id);

 private:
  friend class Field;
  [[noreturn]] void fail(const QString& what) const;
  void requireOpen() const;
  void compileFilter();
  void checkBrowseMode();
  void scrolled();
  void notify(TableEvent e);
  // The file was put back as it was before an operation: the row being edited is dropped and
  // the cursor kept where it still stands on a passing row.
  void fileReloaded();
  std::optional<uint32_t> nextPassing(uint32_t from) const;
  std::optional<uint32_t> prevPassing(uint32_t before) const;
  void settleOn(std::optional<uint32_t> index);
  char* writableBuffer();

  QString component_;
  QString fileName_;
  QString dir_;
  std::function<void(const DbfFile&)> openCheck_;
  std::unique_ptr<DbfFile> file_;
  QString filterText_;
  bool filtered_ = false;
  std::vector<FilterTerm> terms_;
  CompiledFilter compiled_;
  bool filterActive_ = false;
  TableState state_ = TableState::Inactive;
  long long cur_ = -1;  // file index of the current row, -1 when none
  bool eof_ = true;
  std::vector<char> buffer_;
  std::vector<std::pair<int, std::function<void(TableEvent)>>> listeners_;
  int nextListener_ = 1;
  quint64 dataVersion_ = 0;
};

// A name typed for a character field of an open table, as the field will keep it: composed,
// in the table's code page, cut to the field's width. Throws TableError "<lead> есть знаки,
// которые нельзя сохранить в таблице: é, 🐄" when the code page lacks some of its characters.
QString storableName(const Table& table, QStringView field, const QString& typed, const QString& lead);

}  // namespace korvel::db
