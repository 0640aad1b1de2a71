#include "cows/trait_catalogue.h"

#include "db/rows.h"
#include "db/schema.h"

#include <algorithm>

namespace korvel {
namespace {

// Column indexes of the catalogue fields in the open XARAKT file.
struct Columns {
  int id, xar, koef, dop1, dop2;
};

Columns columnsOf(const db::Table& xarakt) {
  // fieldIndex throws the table layer's error when XARAKT is closed or lacks a field.
  return {xarakt.fieldIndex(u"ID"), xarakt.fieldIndex(u"XAR"), xarakt.fieldIndex(u"KOEF"),
          xarakt.fieldIndex(u"DOP1"), xarakt.fieldIndex(u"DOP2")};
}

QLatin1String groupPrefix(TraitKind kind) {
  switch (kind) {
    case TraitKind::Linear: return QLatin1String("X");
    case TraitKind::Defect: return QLatin1String("XX");
    case TraitKind::Complex: return QLatin1String("XXX");
  }
  return QLatin1String("X");
}

// True when `id` names a cow field of the group of `kind`: the group's letters followed by
// digits only ("xX5" would find XX5 by name, but that field is a defect, not a linear trait).
bool namesFieldOfGroup(const QString& id, TraitKind kind, const db::Table* korova) {
  const QString up = id.toUpper();
  const QLatin1String prefix = groupPrefix(kind);
  if (up.size() <= prefix.size() || !up.startsWith(prefix)) return false;
  for (qsizetype i = prefix.size(); i < up.size(); ++i)
    if (up[i] < u'0' || up[i] > u'9') return false;
  if (korova && korova->isOpen()) return korova->hasField(id);
  static const std::vector<db::FieldDef> layout = db::korovaLayout().fields;
  return std::any_of(layout.begin(), layout.end(),
                     [&](const db::FieldDef& f) { return f.name.compare(id, Qt::CaseInsensitive) == 0; });
}

}  // namespace

std::optional<TraitKind> traitKindOf(const QString& id) {
  if (id.contains(QLatin1String("xxx"))) return TraitKind::Complex;
  if (id.contains(QLatin1String("xx"))) return TraitKind::Defect;
  if (id.contains(QLatin1Char('x'))) return TraitKind::Linear;
  return std::nullopt;
}

bool traitTextBlank(const QString& xar) {
  return std::all_of(xar.begin(), xar.end(), [](QChar c) { return c == u' '; });
}

std::vector<TraitRow> catalogueRows(db::Table& xarakt, TraitKind kind, const db::Table* korova) {
  const Columns col = columnsOf(xarakt);
  const db::FloatView koef(xarakt.file(), db::field::koef);
  std::vector<TraitRow> rows;
  // The rows the table component passes (not deleted), in physical order; the cursor stays.
  for (const uint32_t index : xarakt.passingRecords()) {
    const QString id = xarakt.textAt(index, col.id);
    const QString xar = xarakt.textAt(index, col.xar);
    const auto rowKind = traitKindOf(id);
    const bool blank = traitTextBlank(xar);
    if (kind == TraitKind::Linear) {
      if (rowKind != TraitKind::Linear || blank) break;  // the linear section ends here
    } else if (rowKind != kind || blank) {
      continue;
    }
    if (!namesFieldOfGroup(id, kind, korova))
      throw CatalogueError(QStringLiteral("Таблица KOROVA: поле «%1» не найдено.").arg(id), std::move(rows));
    TraitRow row;
    row.id = id;
    row.xar = xar;
    // A blank weight counts 0; a text that is no number throws.
    if (kind == TraitKind::Complex) row.koef = koef.blankZero(db::RowHandle(xarakt.file(), index).row());
    row.dop1 = xarakt.textAt(index, col.dop1);
    row.dop2 = xarakt.textAt(index, col.dop2);
    row.heading = xar.contains(QLatin1Char('!'));
    row.subRow = kind == TraitKind::Complex && xar.startsWith(QLatin1Char(' '));
    row.record = int(index) + 1;
    rows.push_back(std::move(row));
  }
  return rows;
}

const TraitRow* rowForLine(const std::vector<TraitRow>& rows, int line) {
  if (line < 1 || size_t(line) > rows.size()) return nullptr;
  return &rows[size_t(line - 1)];
}

int lineForId(const std::vector<TraitRow>& rows, const QString& id) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].id.compare(id, Qt::CaseInsensitive) == 0) return int(i) + 1;
  return 0;
}

const std::vector<TraitRow>& TraitCatalogue::rows(TraitKind kind) {
  auto& slot = cache_[size_t(kind)];
  if (!slot) slot = catalogueRows(*xarakt_, kind, korova_);
  return *slot;
}

void TraitCatalogue::reload() {
  for (auto& slot : cache_) slot.reset();
}

}  // namespace korvel
