#include "db/table.h"

#include "db/field_value.h"
#include "db/table_error.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <cstring>

namespace korvel::db {

Table::Table(QString component, QString fileName) : component_(std::move(component)), fileName_(std::move(fileName)) {}

Table::~Table() = default;

QString Table::tableName() const {
  QString n = fileName_;
  if (n.endsWith(QLatin1String(".DBF"), Qt::CaseInsensitive)) n.chop(4);
  return n.toUpper();
}

void Table::fail(const QString& what) const {
  throw TableError(QStringLiteral("Таблица %1: %2").arg(tableName(), what));
}

void Table::requireOpen() const {
  if (!file_) fail(QStringLiteral("таблица не открыта."));
}

const DbfFile& Table::file() const {
  requireOpen();
  return *file_;
}

void Table::open() {
  if (file_) return;
  const QDir dir(dir_.isEmpty() ? QDir::currentPath() : dir_);
  QString wanted = fileName_;
  if (!wanted.contains(QLatin1Char('.'))) wanted += QLatin1String(".DBF");
  QString found;
  const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
  for (const QString& e : entries) {
    if (e == wanted) {
      found = e;
      break;
    }
    if (found.isEmpty() && e.compare(wanted, Qt::CaseInsensitive) == 0) found = e;
  }
  if (found.isEmpty())
    fail(QStringLiteral("файл %1 не найден в рабочей папке %2.").arg(wanted, QDir::toNativeSeparators(dir.absolutePath())));
  auto file = std::make_unique<DbfFile>(dir.filePath(found));
  if (openCheck_) openCheck_(*file);
  file->afterReload = [this] { fileReloaded(); };
  file_ = std::move(file);
  ++dataVersion_;
  state_ = TableState::Browse;
  try {
    compileFilter();
  } catch (...) {
    file_.reset();
    state_ = TableState::Inactive;
    throw;
  }
  notify(TableEvent::Reset);
  first();
}

void Table::close() {
  if (!file_) return;
  checkBrowseMode();
  file_.reset();
  ++dataVersion_;
  state_ = TableState::Inactive;
  cur_ = -1;
  eof_ = true;
  filterActive_ = false;
  notify(TableEvent::Reset);
}

void Table::compileFilter() {
  filterActive_ = false;
  compiled_ = CompiledFilter();
  if (!file_ || !filtered_) return;
  compiled_ = CompiledFilter(terms_, *file_, tableName());
  filterActive_ = !compiled_.empty();
}

void Table::setFilter(const QString& text) {
  if (text == filterText_) return;
  auto terms = parseFilter(text, tableName());
  if (file_ && filtered_) {
    checkBrowseMode();
    // Bind before committing so a bad field name leaves the old filter in force.
    CompiledFilter probe(terms, *file_, tableName());
    (void)probe;
  }
  filterText_ = text;
  terms_ = std::move(terms);
  if (file_ && filtered_) {
    compileFilter();
    notify(TableEvent::Reset);
    first();
  }
}

void Table::setFiltered(bool on) {
  if (on == filtered_) return;
  if (file_) checkBrowseMode();
  filtered_ = on;
  if (file_) {
    try {
      compileFilter();
    } catch (...) {
      filtered_ = !on;
      compileFilter();
      throw;
    }
    notify(TableEvent::Reset);
    first();
  }
}

bool Table::passes(uint32_t index) const {
  const char* rec = file_->record(index);
  if (rec[0] == '*') return false;
  return !filterActive_ || compiled_.matches(rec);
}

std::optional<uint32_t> Table::nextPassing(uint32_t from) const {
  const uint32_t n = file_->recordCount();
  const int len = file_->recordLength();
  const char* rec = file_->record(from);
  for (uint32_t i = from; i < n; ++i, rec += len) {
    if (rec[0] == '*') continue;
    if (!filterActive_ || compiled_.matches(rec)) return i;
  }
  return std::nullopt;
}

std::optional<uint32_t> Table::prevPassing(uint32_t before) const {
  for (uint32_t i = before; i-- > 0;)
    if (passes(i)) return i;
  return std::nullopt;
}

std::vector<uint32_t> Table::passingRecords() const {
  std::vector<uint32_t> out;
  if (!file_) return out;
  for (auto i = nextPassing(0); i; i = nextPassing(*i + 1)) out.push_back(*i);
  return out;
}

void Table::checkBrowseMode() {
  if (state_ == TableState::Edit || state_ == TableState::Insert) post();
}

void Table::notify(TableEvent e) {
  // Copy: a listener may add or remove listeners.
  const auto copy = listeners_;
  for (const auto& [id, fn] : copy) fn(e);
}

void Table::scrolled() { notify(TableEvent::Scrolled); }

void Table::first() {
  requireOpen();
  checkBrowseMode();
  const auto i = nextPassing(0);
  cur_ = i ? static_cast<long long>(*i) : -1;
  eof_ = !i;
  scrolled();
}

void Table::next() {
  requireOpen();
  checkBrowseMode();
  if (cur_ < 0) {
    eof_ = true;
    return;
  }
  const auto i = nextPassing(uint32_t(cur_) + 1);
  if (!i) {
    eof_ = true;
    return;
  }
  cur_ = *i;
  eof_ = false;
  scrolled();
}

bool Table::isEmpty() const {
  requireOpen();
  if (state_ == TableState::Insert) return false;
  return !nextPassing(0);
}

bool Table::goToRecNo(int recNo) {
  requireOpen();
  checkBrowseMode();
  const bool found = recNo >= 1 && uint32_t(recNo) <= file_->recordCount() && passes(uint32_t(recNo - 1));
  if (found) {
    cur_ = recNo - 1;
    eof_ = false;
  } else {
    // Walking forward never meets the row: the cursor ends on the last passing row, at end.
    const auto last = prevPassing(file_->recordCount());
    cur_ = last ? static_cast<long long>(*last) : -1;
    eof_ = true;
  }
  scrolled();
  return found;
}

bool Table::goToIndex(uint32_t index) {
  requireOpen();
  checkBrowseMode();
  if (index >= file_->recordCount() || !passes(index)) return false;
  if (cur_ == static_cast<long long>(index) && !eof_) return true;
  cur_ = index;
  eof_ = false;
  scrolled();
  return true;
}

void Table::editRowAt(uint32_t index) {
  if (!goToIndex(index)) fail(QStringLiteral("запись %1 недоступна, изменение не выполнено.").arg(qulonglong(index) + 1));
  edit();
}

int Table::recNo() const {
  if (!file_ || state_ == TableState::Insert || cur_ < 0) return 0;
  return int(cur_) + 1;
}

TableState Table::state() const { return state_; }

void Table::append() {
  requireOpen();
  checkBrowseMode();
  if (!file_->writable()) fail(QStringLiteral("файл доступен только для чтения, запись невозможна."));
  buffer_ = file_->blankRecord();
  state_ = TableState::Insert;
  eof_ = false;
  scrolled();
}

void Table::edit() {
  requireOpen();
  if (state_ == TableState::Edit || state_ == TableState::Insert) return;
  if (cur_ < 0) {
    // Editing an empty table inserts a row, as the table engine always did.
    append();
    return;
  }
  if (!file_->writable()) fail(QStringLiteral("файл доступен только для чтения, запись невозможна."));
  const char* rec = file_->record(uint32_t(cur_));
  buffer_.assign(rec, rec + file_->recordLength());
  state_ = TableState::Edit;
}

char* Table::writableBuffer() {
  if (state_ != TableState::Edit && state_ != TableState::Insert)
    fail(QStringLiteral("запись не в режиме редактирования."));
  return buffer_.data();
}

void Table::clearFields() {
  char* b = writableBuffer();
  std::memset(b + 1, ' ', buffer_.size() - 1);
}

void Table::cancel() {
  if (state_ != TableState::Edit && state_ != TableState::Insert) return;
  const bool wasInsert = state_ == TableState::Insert;
  state_ = TableState::Browse;
  buffer_.clear();
  if (wasInsert) {
    eof_ = cur_ < 0;
    scrolled();
  }
}

void Table::settleOn(std::optional<uint32_t> index) {
  cur_ = index ? static_cast<long long>(*index) : -1;
  eof_ = !index;
}

void Table::post() {
  requireOpen();
  // A failed write leaves the row as it was on file: its edit is over, so that no later post
  // writes what the user was told had failed.
  auto dropEdit = [this] {
    if (state_ == TableState::Insert) eof_ = cur_ < 0;
    state_ = TableState::Browse;
    buffer_.clear();
  };
  if (state_ == TableState::Edit) {
    const uint32_t index = uint32_t(cur_);
    try {
      file_->writeRecord(index, buffer_.data());
    } catch (...) {
      dropEdit();
      throw;
    }
    ++dataVersion_;
    state_ = TableState::Browse;
    buffer_.clear();
    notify(TableEvent::RowChanged);
    if (!passes(index)) {
      // The row left the filtered set: the next passing row becomes current.
      auto n = nextPassing(index + 1);
      settleOn(n ? n : prevPassing(index));
      notify(TableEvent::Reset);
      scrolled();
    }
  } else if (state_ == TableState::Insert) {
    uint32_t index;
    try {
      index = file_->appendRecord(buffer_.data());
    } catch (...) {
      dropEdit();
      throw;
    }
    ++dataVersion_;
    state_ = TableState::Browse;
    buffer_.clear();
    notify(TableEvent::Reset);
    if (passes(index)) {
      settleOn(index);
    } else {
      settleOn(prevPassing(index));
      scrolled();
    }
  }
}

void Table::deleteRecord() {
  requireOpen();
  if (state_ == TableState::Insert) {
    cancel();
    return;
  }
  checkBrowseMode();
  if (cur_ < 0) fail(QStringLiteral("нет текущей записи для удаления."));
  const uint32_t index = uint32_t(cur_);
  std::vector<char> rec(file_->record(index), file_->record(index) + file_->recordLength());
  rec[0] = '*';
  file_->writeRecord(index, rec.data());
  ++dataVersion_;
  auto n = nextPassing(index + 1);
  settleOn(n ? n : prevPassing(index));
  notify(TableEvent::Reset);
  scrolled();
}

void Table::fileReloaded() {
  state_ = file_ ? TableState::Browse : TableState::Inactive;
  buffer_.clear();
  ++dataVersion_;
  if (file_ && (cur_ < 0 || uint64_t(cur_) >= file_->recordCount() || !passes(uint32_t(cur_))))
    settleOn(nextPassing(0));
  notify(TableEvent::Reset);
}

const char* Table::currentRecord() const {
  if (!file_) return nullptr;
  if (state_ == TableState::Edit || state_ == TableState::Insert) return buffer_.data();
  if (cur_ < 0) return nullptr;
  return file_->record(uint32_t(cur_));
}

int Table::fieldIndex(QStringView name) const {
  requireOpen();
  const int i = file_->fieldIndex(name);
  if (i < 0) fail(QStringLiteral("поле «%1» не найдено.").arg(name.toString()));
  return i;
}

bool Table::hasField(QStringView name) const { return file_ && file_->fieldIndex(name) >= 0; }

Field Table::fieldByName(QStringView name) { return Field(*this, fieldIndex(name)); }

QString Table::textAt(uint32_t index, int field) const {
  return fieldText(file_->fields()[size_t(field)], file_->record(index), file_->codepage());
}

int Table::addListener(std::function<void(TableEvent)> listener) {
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void Table::removeListener(int id) {
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

QString storableName(const Table& table, QStringView field, const QString& typed, const QString& lead) {
  const DbfFile& file = table.file();
  const QString composed = typed.normalized(QString::NormalizationForm_C);
  const QString lacking = unstorableCharacters(composed, file.codepage());
  if (!lacking.isEmpty())
    throw TableError(QStringLiteral("%1 есть знаки, которые нельзя сохранить в таблице: %2").arg(lead, lacking));
  return storedText(composed, file.codepage(), file.fields()[size_t(table.fieldIndex(field))].width);
}

// ---- Field ----

const FieldDef& Field::def() const { return table_->file_->fields()[size_t(index_)]; }

void Field::notConverted(const char* what) const {
  table_->fail(QStringLiteral("«%1» не является %2 (поле %3), %4.")
                   .arg(asString(), QString::fromUtf8(what), def().name,
                        recordLabel(*table_->file_, table_->currentRecord(), table_->recNo())));
}

QString Field::asString() const {
  const char* rec = table_->currentRecord();
  if (!rec) return {};
  return fieldText(def(), rec, table_->file_->codepage());
}

bool Field::isNull() const { return asString().isEmpty(); }

long long Field::asInteger() const {
  const char* rec = table_->currentRecord();
  if (!rec) return 0;
  const FieldDef& f = def();
  if (f.type == 'C') {
    const auto v = parseWhole(rec + f.offset, f.width);
    if (!v) notConverted("целым числом");
    return *v;
  }
  const auto v = fieldNumber(f, rec, table_->file_->codepage());
  if (!v) notConverted("числом");
  // Converting a value outside the 64-bit range (or not finite) would give an arbitrary number.
  const double r = std::nearbyint(*v);
  if (!(r >= -9.2e18 && r <= 9.2e18)) notConverted("целым числом");
  return static_cast<long long>(r);
}

double Field::asFloat() const {
  const char* rec = table_->currentRecord();
  if (!rec) return 0;
  const auto v = fieldNumber(def(), rec, table_->file_->codepage());
  if (!v) notConverted("числом");
  return *v;
}

QDate Field::asDate() const {
  const char* rec = table_->currentRecord();
  if (!rec || def().type != 'D' || fieldBlank(def(), rec)) return {};
  return QDate::fromString(QString::fromLatin1(rec + def().offset, 8), QStringLiteral("yyyyMMdd"));
}

void Field::setString(const QString& value) {
  putText(def(), table_->writableBuffer(), value, table_->file_->codepage(), table_->tableName());
}

void Field::setInteger(long long value) {
  if (def().type == 'C') {
    setString(QString::number(value));
    return;
  }
  putNumber(def(), table_->writableBuffer(), double(value), table_->tableName());
}

void Field::setFloat(double value) { putNumber(def(), table_->writableBuffer(), value, table_->tableName()); }

void Field::setDate(const QDate& value) { putDate(def(), table_->writableBuffer(), value, table_->tableName()); }

void Field::clear() { putBlank(def(), table_->writableBuffer()); }

}  // namespace korvel::db
