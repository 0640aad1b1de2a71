#include "db/rows.h"

#include "db/field_value.h"
#include "db/table.h"
#include "db/table_error.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace korvel::db {
namespace {

// "KOROVA" for ".../KOROVA.DBF", as the table component names its table in messages.
QString tableNameOf(const DbfFile& file) { return QFileInfo(file.path()).completeBaseName().toUpper(); }

}  // namespace

LiveRows::LiveRows(const Table& table) : LiveRows(table.file()) {}

void releaseRecords(const DbfFile& file, uint32_t end) {
#ifdef Q_OS_LINUX
  end = std::min(end, file.recordCount());
  if (end == 0) return;
  // Whole pages only: from the page that holds the first record (the map starts on a page) to
  // the page where the last record released ends, which stays with the records after it.
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t from = reinterpret_cast<uintptr_t>(file.record(0)) / page * page;
  const uintptr_t to = reinterpret_cast<uintptr_t>(file.record(end - 1) + file.recordLength()) / page * page;
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
#else
  Q_UNUSED(file);
  Q_UNUSED(end);
#endif
}

FieldView::FieldView(const DbfFile& file, QStringView name) : file_(&file) {
  const int i = file.fieldIndex(name);
  if (i < 0)
    throw TableError(QStringLiteral("Таблица %1: поле «%2» не найдено.").arg(tableNameOf(file), name.toString()));
  def_ = file.fields()[size_t(i)];
}

void FieldView::conversionFailed(const Row& row, const char* what) const {
  throw TableError(QStringLiteral("Таблица %1: «%2» не является %3 (поле %4), %5.")
                       .arg(tableNameOf(*file_), fieldText(def_, record(row), file_->codepage()),
                            QString::fromUtf8(what), def_.name,
                            recordLabel(*file_, record(row), (long long)row.index() + 1)));
}

WholeView::WholeView(const DbfFile& file, QStringView name) : FieldView(file, name) {
  plainNumeric_ = def_.type == 'N' || def_.type == 'F';
}

long long WholeView::slow(const Row& row) const {
  const char* rec = record(row);
  if (fieldBlank(def_, rec)) return 0;
  if (def_.type == 'C') {
    const auto v = parseWhole(rec + def_.offset, def_.width);
    if (!v) conversionFailed(row, "целым числом");
    return *v;
  }
  const auto v = fieldNumber(def_, rec, file_->codepage());
  if (!v) conversionFailed(row, "числом");
  // Converting a value outside the 64-bit range (or not finite) would give an arbitrary number.
  const double r = std::nearbyint(*v);
  if (!(r >= -9.2e18 && r <= 9.2e18)) conversionFailed(row, "целым числом");
  return static_cast<long long>(r);
}

QString TextView::operator()(const Row& row) const { return fieldText(def_, record(row), file_->codepage()); }

std::optional<double> FloatView::number(const Row& row) const {
  return fieldNumber(def_, record(row), file_->codepage());
}

double FloatView::operator()(const Row& row) const {
  const auto v = number(row);
  if (!v) conversionFailed(row, "числом");
  return *v;
}

std::optional<long long> WholeView::number(const Row& row) const {
  const char* rec = record(row);
  if (def_.type == 'C') return parseWhole(rec + def_.offset, def_.width);
  const auto v = fieldNumber(def_, rec, file_->codepage());
  if (!v) return std::nullopt;
  const double r = std::nearbyint(*v);
  if (!(r >= -9.2e18 && r <= 9.2e18)) return std::nullopt;
  return static_cast<long long>(r);
}

double FloatView::blankZero(const Row& row) const { return fieldBlank(def_, record(row)) ? 0.0 : (*this)(row); }

Row currentRow(const Table& table) {
  const char* bytes = table.isOpen() ? table.currentRecord() : nullptr;
  if (!bytes) return {};
  return Row(bytes, uint32_t(std::max(table.recNo(), 1) - 1));
}

bool hasCurrentRecord(const Table& table) { return table.recNo() > 0; }

RowFilter::RowFilter(const Table& table, const QString& expression)
    : compiled_(parseFilter(expression, table.tableName()), table.file(), table.tableName()) {}

bool RowFilter::operator()(const Row& row) const { return compiled_.matches(row.bytes_); }

}  // namespace korvel::db
