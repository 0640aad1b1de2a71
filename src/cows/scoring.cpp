#include "cows/scoring.h"

#include <climits>
#include <cmath>

namespace korvel {

TraitValueReader recordValueReader(db::Table& table) {
  return [&table](const TraitRow& row, int) -> std::optional<double> {
    const db::Field f = table.fieldByName(row.id);
    if (f.isNull()) return 0.0;
    return f.asFloat();
  };
}

TraitValueReader gridValueReader(std::function<QString(int line)> cellText) {
  return [cellText = std::move(cellText)](const TraitRow&, int line) -> std::optional<double> {
    const QString text = cellText(line).trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = text.toDouble(&ok);
    // The grid accepts only whole numbers; anything else adds nothing rather than failing.
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
  };
}

float overallTotal(const std::vector<TraitRow>& complexRows, const TraitValueReader& value) {
  float total = 0;
  for (size_t i = 0; i < complexRows.size(); ++i) {
    const TraitRow& row = complexRows[i];
    if (row.heading || traitTextBlank(row.xar)) continue;
    const std::optional<double> v = value(row, int(i) + 1);
    if (!v) continue;
    total = float(row.koef * *v + double(total));
  }
  return total;
}

int roundScore(float total) {
  if (std::isnan(total)) return 0;
  const float r = std::nearbyint(total);
  if (r >= float(INT_MAX)) return INT_MAX;
  if (r <= float(INT_MIN)) return INT_MIN;
  return int(r);
}

int overallScore(const std::vector<TraitRow>& complexRows, const TraitValueReader& value) {
  return roundScore(overallTotal(complexRows, value));
}

int overallScore(db::Table& xarakt, const TraitValueReader& value, const db::Table* korova) {
  return overallScore(catalogueRows(xarakt, TraitKind::Complex, korova), value);
}

QString categoryOf(int score) {
  if (score < 0 || score > 101) return {};
  if (score <= 49) return QStringLiteral("Очень плохой");
  if (score <= 64) return QStringLiteral("Плохой");
  if (score <= 74) return QStringLiteral("Удовлетворительный");
  if (score <= 79) return QStringLiteral("Хороший");
  if (score <= 84) return QStringLiteral("Хороший с плюсом");
  if (score <= 89) return QStringLiteral("Отличный");
  return QStringLiteral("Превосходный");
}

QString scoreCaption(int score) { return QStringLiteral("Общая оценка:  %1").arg(score); }

QString categoryCaption(int score) { return QStringLiteral("Категория:  ") + categoryOf(score); }

}  // namespace korvel
