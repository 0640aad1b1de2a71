#include "evaluation/profile_workbook.h"

#include "db/data_module.h"
#include "db/rows.h"
#include "evaluation/bull_lookup.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace korvel {

using xlsx::Range;

namespace {

// The two fill colours of the bars: the application's scheme colours 3 (bright green, for a
// deviation of 0 and above) and 2 (red, below 0).
constexpr xlsx::Color kRisingFill = xlsx::Color::rgb(0x00FF00);
constexpr xlsx::Color kFallingFill = xlsx::Color::rgb(0xFF0000);
constexpr double kBarTransparency = 0.7;
constexpr double kScaleLimit = 3.5;  // the chart area spans -3.5 to +3.5 units

const QString kScaleLabels =
    QStringLiteral("    -3         -2         -1         0         +1         +2         +3");

// The five groups of complex traits in column I: the text a trait's XAR is searched for
// (case-sensitive), its caption and its cells.
struct ComplexGroup {
  const char16_t* marker;
  const char16_t* caption;
  Range cells;
};
const ComplexGroup kComplexGroups[] = {
    {u"туло", u"ОТ Объем туловища ", Range(9, 9, 10, 9)},
    {u"моло", u"МТ Выражен- ность молочных признаков ", Range(11, 9, 14, 9)},
    {u"Ноги", u"Н          Ноги         ", Range(15, 9, 16, 9)},
    {u"Вымя", u"В          Вымя         ", Range(17, 9, 18, 9)},
    {u"Общий", u"ОВ    Общий        вид          ", Range(19, 9, 22, 9)},
};

constexpr int kColumnI = 9;

}  // namespace

ProfileLayout ProfileLayout::of(int shownLinear, int shownDefects) {
  ProfileLayout l;
  l.lastTraitRow = 4 + shownLinear;
  // The header is merged across A:I, so it stays below the group cells of column I (row 22).
  l.defectHeaderRow = std::max(l.lastTraitRow + 2, 23);
  l.blockTop = l.defectHeaderRow + 1;
  l.blockRows = std::max(8, (shownDefects + 5) / 6);
  l.noteTop = std::max(34, l.blockTop + l.blockRows);
  l.formatBottom = l.noteTop + 4;
  return l;
}

QString fixedText(double value, int width, int decimals) {
  if (value == 0) value = 0;  // no "-0.00" for a negative zero
  // The C library rounds the exact binary value, a tie to the even neighbour (74.5 gives 74).
  char text[64];
  std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
  return QString::fromLatin1(text);
}

QString deviationText(float z, const TraitRow& row) {
  if (z >= 0) return QLatin1Char('+') + fixedText(z, 5, 2) + QLatin1Char(' ') + row.dop2.left(2).toUpper();
  return fixedText(z, 5, 2) + QLatin1Char(' ') + row.dop1.left(2).toUpper();
}

QString defectText(int p, float marked, float strong) {
  return QString::number(p) + QStringLiteral("- ") + fixedText(marked, 5, 1) + QStringLiteral("% ") +
         fixedText(strong, 5, 1) + QLatin1Char('%');
}

ProfileNames readProfileNames(TDataModule5& dm, const SireEvaluation& evaluation) {
  ProfileNames out;
  for (db::Table* t : {&dm.Table1, &dm.vlad2, &dm.poroda, &dm.bik})
    if (!t->isOpen()) t->open();

  // Walks a table with its filter off; the last row with a code gives its name.
  const auto names = [](db::Table& table, QStringView nameField, QStringView codeField,
                        QStringView regionField) {
    table.setFiltered(false);
    const db::DbfFile& file = table.file();
    const db::TextView name(file, nameField);
    const db::WholeView code(file, codeField);
    const db::WholeView region = regionField.isEmpty() ? db::WholeView() : db::WholeView(file, regionField);
    std::map<std::pair<long long, long long>, QString> byCode;
    for (const db::Row row : db::LiveRows(file))
      byCode[{regionField.isEmpty() ? 0 : region(row), code(row)}] = name(row);
    return byCode;
  };
  const auto regions = names(dm.Table1, u"region", u"kodreg", {});
  const auto farms = names(dm.vlad2, u"vlad", u"kodvlad", u"kodreg");
  const auto breeds = names(dm.poroda, u"poroda", u"kodporod", {});

  // PORODA goes back to the run's breed, so that the breeds window keeps it current.
  db::Table& poroda = dm.poroda;
  poroda.first();
  while (!poroda.eof() && poroda.fieldByName(u"kodporod").asInteger() != evaluation.request.breed) poroda.next();
  const auto breed = breeds.find({0, evaluation.request.breed});
  out.breedName = breed == breeds.end() ? QString() : breed->second;

  db::Table& bik = dm.bik;
  const evaluation::BullRows bulls(bik);
  const db::DbfFile& file = bik.file();
  const db::TextView nokli(file, u"nokli");
  const db::WholeView kodreg(file, u"kodreg"), kodvlad(file, u"kodvlad"), kodporod(file, u"kodporod");
  const auto nameOr = [](const auto& map, std::pair<long long, long long> key, const char16_t* none) {
    const auto it = map.find(key);
    return it == map.end() ? QString::fromUtf16(none) : it->second;
  };
  out.sires.reserve(evaluation.sires.size());
  for (const SireTotals& sire : evaluation.sires) {
    SireIdentity id;
    long long region = 0, farm = 0, breedCode = 0;
    if (const db::Row bull = bulls.find(sire.code).row()) {
      id.nokli = nokli(bull);
      region = kodreg(bull);
      farm = kodvlad(bull);
      breedCode = kodporod(bull);
    }
    id.region = nameOr(regions, {0, region}, u"Не определен");
    id.owner = nameOr(farms, {region, farm}, u"Не определено");
    id.breed = nameOr(breeds, {0, breedCode}, u"Не определена");
    out.sires.push_back(std::move(id));
  }

  // BIK stays positioned by the last sire's code, as a lookup by filter leaves it.
  if (!evaluation.sires.empty()) evaluation::filterBullsOn(bik, evaluation.sires.back().code);
  return out;
}

void layOutProfileSheet(xlsx::Sheet& sheet, const SireEvaluation& e, const SireFigures& f,
                        const QString& breedName, const SireIdentity& identity) {
  int shownLinear = 0, shownDefects = 0;
  for (const TraitRow& r : e.linearRows) shownLinear += !r.heading;
  for (const TraitRow& r : e.defectRows) shownDefects += !r.heading;
  const ProfileLayout l = ProfileLayout::of(shownLinear, shownDefects);
  const int bottom = l.formatBottom;

  xlsx::PageMargins m;
  m.left = m.right = 0.78740157480315;
  m.top = 0.590551181102362;
  m.bottom = 0.3937007;
  m.header = m.footer = 0;
  sheet.setMargins(m);

  sheet.setHorizontalAlignment(Range(1, 1, 4, 9), xlsx::HAlign::Center);
  sheet.setVerticalAlignment(Range(1, 1, l.noteTop + 1, 9), xlsx::VAlign::Center);
  sheet.setWrapText(Range(1, 1, bottom, 9), true);
  sheet.merge("A1:I1");
  sheet.setValue("A1:I1", QStringLiteral("Линейный профиль быка-производителя. (Порода коров: ") + breedName +
                              QLatin1Char(')'));
  sheet.setFontSize("A1:I1", 10);
  sheet.setFontSize(Range(2, 1, bottom, 9), 8);

  sheet.merge("A3:F3");
  sheet.setValue("A3:F3", QStringLiteral("Иднетификационный №, кличка: ") + identity.nokli);
  sheet.merge("G3:I3");
  sheet.setValue("G3:I3", QStringLiteral("Порода: ") + identity.breed);
  sheet.merge("A2:D2");
  sheet.setValue("A2:D2", QStringLiteral("Регион: ") + identity.region);
  sheet.merge("E2:I2");
  sheet.setValue("E2:I2", QStringLiteral("Владелец: ") + identity.owner);

  sheet.setColumnWidth("A1", 10.5);
  sheet.setColumnWidth("B1", 7.8);
  sheet.setColumnWidth("G1", 7.8);
  sheet.setColumnWidth("H1", 7.8);
  sheet.setValue("A4", QStringLiteral("Признак"));
  sheet.setValue("B4", QStringLiteral("Тенденция"));
  sheet.setValue("G4", QStringLiteral("Тенденция"));
  sheet.merge("C4:F4");
  sheet.setValue("C4:F4", kScaleLabels);
  sheet.setValue("H4", QStringLiteral("ПСТ в долях СКО"));
  sheet.merge("I4:I5");
  sheet.setValue("I4:I5", QStringLiteral("Число дочерей      ") + QString::number(f.daughters));

  for (size_t m = 0; m < e.complexRows.size(); ++m) {
    const TraitRow& row = e.complexRows[m];
    if (row.heading) continue;
    for (const ComplexGroup& g : kComplexGroups) {
      if (!row.xar.contains(QStringView(g.marker))) continue;
      sheet.merge(g.cells);
      sheet.setValue(g.cells, QString::fromUtf16(g.caption) + fixedText(f.complexMeans[m], 3, 0));
    }
  }
  sheet.merge("I6:I7");
  sheet.setValue("I6:I7", QStringLiteral("ОЦ по комплексу признаков ") + fixedText(f.overall, 4, 0));
  sheet.setValue("I8", QStringLiteral("в том числе:"));

  sheet.setVerticalAlignment("I4:I22", xlsx::VAlign::Center);
  sheet.setHorizontalAlignment("I4:I22", xlsx::HAlign::Center);
  sheet.setHorizontalAlignment(Range(4, 1, bottom, 8), xlsx::HAlign::Left);

  int row = 4;
  for (size_t j = 0; j < e.linearRows.size(); ++j) {
    const TraitRow& trait = e.linearRows[j];
    if (trait.heading) continue;
    ++row;
    const LinearFigure& fig = f.linear[j];
    sheet.setValue(Range::cell(row, 1), trait.xar);
    sheet.setValue(Range::cell(row, 2), trait.dop1);
    sheet.setValue(Range::cell(row, 7), trait.dop2);
    const Range chart(row, 3, row, 6);
    sheet.merge(chart);
    sheet.setValue(Range::cell(row, 8), deviationText(fig.z, trait));

    // The bar: one unit of the scale is a seventh of the chart area, from its middle.
    const double clamped = std::clamp(double(fig.z), -kScaleLimit, kScaleLimit);
    const xlsx::RectF area = sheet.geometry(chart);
    const double width = area.width / 7 * std::fabs(clamped);
    const double middle = area.left + area.width / 2;
    xlsx::Shape& bar = sheet.addRectangle({fig.z >= 0 ? middle : middle - width, area.top, width, area.height});
    bar.fill = fig.z >= 0 ? kRisingFill : kFallingFill;
    bar.fillTransparency = kBarTransparency;

    QString warning;
    if (fig.zeroDaughters) warning += QStringLiteral("СКО по дочерям =0!  ");
    if (fig.zeroBase) warning += QStringLiteral("СКО базы сравнения =0!");
    if (!warning.isEmpty()) sheet.setValue(chart, warning);
  }

  sheet.setBorders(Range(2, 1, l.lastTraitRow, kColumnI), xlsx::AllLines, xlsx::BorderStyle::Thin);

  const Range header(l.defectHeaderRow, 1, l.defectHeaderRow, kColumnI);
  sheet.merge(header);
  sheet.setHorizontalAlignment(header, xlsx::HAlign::Center);
  sheet.setVerticalAlignment(header, xlsx::VAlign::Center);
  sheet.setValue(header, QStringLiteral("Недостатки экстерьера у дочерей, % и сильно выраженные,%"));
  sheet.setBorders(Range(l.blockTop, 2, l.blockTop + l.blockRows - 1, 7), xlsx::AllLines, xlsx::BorderStyle::Thin);
  int p = 0;
  for (size_t k = 0; k < e.defectRows.size(); ++k) {
    if (e.defectRows[k].heading) continue;
    const int column = 2 + p / l.blockRows;
    const int r = l.blockTop + p % l.blockRows;
    ++p;
    sheet.setValue(Range::cell(r, column), defectText(p, f.defects[k].marked, f.defects[k].strong));
  }

  const Range note(l.noteTop, 1, l.noteTop + 2, kColumnI);
  sheet.merge(note);
  sheet.setValue(note, kProfileNote);
}

xlsx::Workbook buildProfileWorkbook(const SireEvaluation& e, const ProfileNames& names,
                                    const std::function<void(int done, int total)>& sheetDone) {
  const int n = e.sireCount();
  xlsx::Workbook book(n);
  for (int i = 0; i < n; ++i) {
    const SireIdentity& id = names.sires.at(size_t(i));
    // "№", the sheet's number, a blank and the bull's identification; the name is made one the
    // application accepts (at most 31 characters, none of : \ / ? * [ ]).
    book.renameSheet(i, QStringLiteral("№%1 ").arg(i + 1) + id.nokli);
    layOutProfileSheet(book.sheet(i), e, e.figures(i), names.breedName, id);
    if (sheetDone) sheetDone(i + 1, n);
  }
  // Each sheet is selected while it is filled, so the workbook opens on the last one.
  if (n > 0) book.setActiveSheet(n - 1);
  return book;
}

}  // namespace korvel
