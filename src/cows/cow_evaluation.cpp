#include "cows/cow_evaluation.h"

#include "cows/scoring.h"
#include "db/data_module.h"
#include "db/rows.h"
#include "db/protected_scan.h"
#include "db/schema.h"

namespace korvel {

namespace {

constexpr TraitKind kKinds[] = {TraitKind::Linear, TraitKind::Defect, TraitKind::Complex};

bool allDigits(const QString& s) {
  if (s.isEmpty()) return false;
  for (QChar c : s)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return true;
}

}  // namespace

FatherShown fatherOfCurrentCow(HerdTables& dm) {
  db::Table& korova = dm.korova;
  FatherShown out;
  const QString code = korova.fieldByName(db::field::kodbyk).asString();
  if (korova.fieldByName(db::field::basekod).asString() != QLatin1String("+")) {
    out.text = code;
    return out;
  }
  out.isBull = true;
  // A code that is not a whole number cannot name a bull, and would not make a filter.
  const QString digits = code.trimmed();
  if (!allDigits(digits) || digits.size() > 18) return out;
  // The bulls window must find its table exactly as it left it.
  db::ProtectedScan keep(dm.bik, dm.bullsSource);
  dm.bik.setFilter(QStringLiteral("kodbyk=") + QString::number(digits.toLongLong()));
  dm.bik.setFiltered(true);
  dm.bik.first();
  if (!dm.bik.isEmpty()) out.text = dm.bik.fieldByName(db::field::nokli).asString();
  return out;
}

CowCardData readCowCard(HerdTables& dm, TraitCatalogue& catalogue) {
  db::Table& korova = dm.korova;
  CowCardData card;
  for (TraitKind kind : kKinds) {
    TraitGridLines& grid = card.grids[gridIndex(kind)];
    try {
      grid.rows = catalogue.rows(kind);
    } catch (const CatalogueError& e) {
      grid.rows = e.rowsBefore;
      card.catalogueError = e.text();
    }
    for (const TraitRow& row : grid.rows)
      grid.values.push_back(row.heading ? QString() : korova.fieldByName(row.id).asString());
    if (card.catalogueError) return card;
  }
  card.score = overallScore(card.grids[gridIndex(TraitKind::Complex)].rows, recordValueReader(korova));

  // The breed table stays filtered on the cow's breed; the breeds window clears it on opening.
  db::Table& poroda = dm.poroda;
  poroda.open();
  poroda.setFilter(QStringLiteral("kodporod=%1").arg(korova.fieldByName(db::field::kodporod).asInteger()));
  poroda.setFiltered(true);
  poroda.first();
  if (!poroda.isEmpty()) card.breed = poroda.fieldByName(db::field::poroda).asString();

  card.mother = korova.fieldByName(db::field::matnokli).asString();
  card.line = korova.fieldByName(db::field::line).asString();
  card.lactation = korova.fieldByName(db::field::nlakt).asString();
  card.calvingDate = korova.fieldByName(db::field::data).asString();
  card.previous = korova.fieldByName(db::field::predoc).asString();
  card.birth = korova.fieldByName(db::field::mesto).asString();

  const FatherShown father = fatherOfCurrentCow(dm);
  card.father = father.text;
  card.fatherIsBull = father.isBull;
  return card;
}

CellAccess valueCellAccess(TraitKind kind, bool editing, const QString& lineText) {
  const bool marked = traitTextBlank(lineText) || lineText.contains(QLatin1Char('!'));
  switch (kind) {
    case TraitKind::Linear:
      return editing ? CellAccess::Editable : CellAccess::ReadOnly;
    case TraitKind::Defect:
      return editing && !marked ? CellAccess::Editable : CellAccess::ReadOnly;
    case TraitKind::Complex:
      return editing && !marked && !lineText.startsWith(QLatin1Char(' ')) ? CellAccess::Editable
                                                                          : CellAccess::Unselectable;
  }
  return CellAccess::ReadOnly;
}

std::optional<QString> cellInputRefusal(TraitKind kind, const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  switch (kind) {
    case TraitKind::Linear:
      if (text.size() == 1 && text[0] >= QLatin1Char('1') && text[0] <= QLatin1Char('9')) return std::nullopt;
      return QStringLiteral("Допустимы только цифры от 1 до 9");
    case TraitKind::Defect:
      if (text == QLatin1String("+") || text == QLatin1String("++") || text == QLatin1String(" ")) return std::nullopt;
      return QStringLiteral("Допустимы только + или ++ или пробел");
    case TraitKind::Complex: {
      qsizetype i = 0;
      while (i < text.size() && text[i] == QLatin1Char(' ')) ++i;
      const QString digits = text.mid(i);
      if (allDigits(digits) && digits.size() <= 9) {
        const int v = digits.toInt();
        if (v >= 1 && v <= 100) return std::nullopt;
      }
      return QStringLiteral("Допустимы только числа от 1 до 100");
    }
  }
  return std::nullopt;
}

std::optional<QDate> calvingDateOf(const QString& text) {
  if (text.size() != 10 || text[2] != QLatin1Char('.') || text[5] != QLatin1Char('.')) return std::nullopt;
  const QString d = text.left(2), m = text.mid(3, 2), y = text.mid(6, 4);
  if (!allDigits(d) || !allDigits(m) || !allDigits(y)) return std::nullopt;
  const QDate date(y.toInt(), m.toInt(), d.toInt());
  if (!date.isValid()) return std::nullopt;
  return date;
}

QString calvingDateRefusal() { return QStringLiteral("Дата отела введена ошибочно!! Пример: 31.01.2001"); }

void writeTraitValue(db::Field field, TraitKind kind, const QString& text) {
  if (text.trimmed().isEmpty() && kind != TraitKind::Defect)
    field.clear();
  else
    field.setString(text);
}

std::optional<QString> writeCowCorrections(HerdTables& dm, TraitCatalogue& catalogue, const CowCorrections& c) {
  const std::optional<QDate> date = calvingDateOf(c.calvingDate);
  if (!date) return calvingDateRefusal();

  // All three row lists first: a catalogue fault must stop the write before the row is touched.
  std::array<const std::vector<TraitRow>*, 3> rows{};
  for (TraitKind kind : kKinds) rows[gridIndex(kind)] = &catalogue.rows(kind);

  db::Table& korova = dm.korova;
  // Without a current cow, editing would insert a blank row instead.
  if (!db::currentRow(korova)) return std::nullopt;
  korova.edit();
  try {
    for (TraitKind kind : kKinds) {
      const std::vector<TraitRow>& shown = *rows[gridIndex(kind)];
      const std::vector<QString>& values = c.values[gridIndex(kind)];
      for (size_t i = 0; i < shown.size(); ++i) {
        writeTraitValue(korova.fieldByName(shown[i].id), kind, i < values.size() ? values[i] : QString());
      }
    }
    if (korova.fieldByName(db::field::basekod).asString() != QLatin1String("+"))
      korova.fieldByName(db::field::kodbyk).setString(c.father);
    korova.fieldByName(db::field::matnokli).setString(c.mother);
    korova.fieldByName(db::field::line).setString(c.line);
    const QString lactation = c.lactation.trimmed();
    korova.fieldByName(db::field::nlakt).setInteger(lactation.isEmpty() ? 0 : lactation.toLongLong());
    korova.fieldByName(db::field::data).setDate(*date);
    korova.fieldByName(db::field::predoc).setString(c.previous);
    korova.fieldByName(db::field::mesto).setString(c.birth);
    korova.post();
  } catch (...) {
    korova.cancel();
    throw;
  }
  return std::nullopt;
}

}  // namespace korvel
