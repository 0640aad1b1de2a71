#include "evaluation/raw_fields.h"

#include "db/field_value.h"
#include "db/table_error.h"

#include <cmath>

namespace korvel::evaluation {

WholeField::WholeField(const db::DbfFile& file, int fieldIndex, QString tableName)
    : file_(&file), def_(file.fields()[size_t(fieldIndex)]), table_(std::move(tableName)) {
  offset_ = def_.offset;
  width_ = def_.width;
  plainNumeric_ = def_.type == 'N' || def_.type == 'F';
}

long long WholeField::slow(const char* record) const {
  if (db::fieldBlank(def_, record)) return 0;
  const auto fail = [&](const char* what) -> long long {
    const QString text = db::fieldText(def_, record, file_->codepage());
    throw db::TableError(QStringLiteral("Таблица %1: «%2» не является %3 (поле %4).")
                             .arg(table_, text, QString::fromUtf8(what), def_.name));
  };
  if (def_.type == 'C') {
    const auto v = db::parseWhole(record + def_.offset, def_.width);
    if (!v) return fail("целым числом");
    return *v;
  }
  const auto v = db::fieldNumber(def_, record, file_->codepage());
  if (!v) return fail("числом");
  const double r = std::nearbyint(*v);
  if (!(r >= -9.2e18 && r <= 9.2e18)) return fail("целым числом");
  return static_cast<long long>(r);
}

bool lookableCode(const QString& code, long long* number) {
  qsizetype i = code.startsWith(u'-') ? 1 : 0;
  const qsizetype digits = code.size() - i;
  if (digits < 1 || digits > 18) return false;
  for (; i < code.size(); ++i)
    if (code[i] < u'0' || code[i] > u'9') return false;
  *number = code.toLongLong();
  return true;
}

void filterBullsOn(db::Table& bik, const QString& code) {
  long long number;
  if (!lookableCode(code, &number)) return;
  bik.setFiltered(false);
  bik.setFilter(QStringLiteral("kodbyk=") + code);
  bik.setFiltered(true);
  bik.first();
}

BullRows::BullRows(db::Table& bik) : file_(&bik.file()) {
  const db::FieldDef& kodbyk = file_->fields()[size_t(bik.fieldIndex(u"kodbyk"))];
  const bool numeric = kodbyk.type == 'N' || kodbyk.type == 'F';
  const uint32_t n = file_->recordCount();
  first_.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    const char* rec = file_->record(i);
    if (rec[0] == '*') continue;
    if (numeric) {
      bool ok;
      const double v = db::numericValue(rec + kodbyk.offset, kodbyk.width, &ok);
      if (ok && v == std::floor(v) && std::fabs(v) < 9e18) first_.emplace((long long)v, i);
    } else if (const auto v = db::parseWhole(rec + kodbyk.offset, kodbyk.width)) {
      first_.emplace(*v, i);
    }
  }
}

const char* BullRows::find(const QString& code) const {
  long long number;
  if (!lookableCode(code, &number)) return nullptr;
  const auto it = first_.find(number);
  return it == first_.end() ? nullptr : file_->record(it->second);
}

}  // namespace korvel::evaluation
