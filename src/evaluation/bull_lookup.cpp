#include "evaluation/bull_lookup.h"

#include "db/field_value.h"
#include "db/schema.h"

#include <cmath>

namespace korvel::evaluation {

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
  const db::BytesView kodbyk(*file_, db::field::kodbyk);
  const bool numeric = kodbyk.def().type == 'N' || kodbyk.def().type == 'F';
  first_.reserve(file_->recordCount());
  for (const db::Row row : db::LiveRows(*file_)) {
    const std::string_view code = kodbyk(row);
    if (numeric) {
      bool ok;
      const double v = db::numericValue(code.data(), int(code.size()), &ok);
      if (ok && v == std::floor(v) && std::fabs(v) < 9e18) first_.emplace((long long)v, row.index());
    } else if (const auto v = db::parseWhole(code.data(), int(code.size()))) {
      first_.emplace(*v, row.index());
    }
  }
}

db::RowHandle BullRows::find(const QString& code) const {
  long long number;
  if (!lookableCode(code, &number)) return {};
  const auto it = first_.find(number);
  return it == first_.end() ? db::RowHandle() : db::RowHandle(*file_, it->second);
}

}  // namespace korvel::evaluation
