#include "evaluation/profile_workbook.h"

#include "db/data_module.h"
#include "db/rows.h"
#include "db/schema.h"
#include "evaluation/bull_lookup.h"

#include "evaluation/workbook_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string>

namespace korvel {

using xlsx::Range;

namespace {

// The columns of a profile sheet: A the trait, B the low end's wording, C to F the chart area,
// G the high end's wording, H the deviation, I the daughters and the complex traits.
enum Column { kColumnA = 1, kColumnB, kColumnC, kColumnD, kColumnE, kColumnF, kColumnG, kColumnH, kColumnI };

// Rows that stay where they are whatever the catalogue holds.
constexpr int kTitleRow = 1;
constexpr int kIdentityRow = 2;      // region and owner
constexpr int kBullRow = 3;          // identification and breed
constexpr int kHeaderRow = 4;        // column captions and the scale
constexpr int kLastGroupRow = 22;    // the last row of column I's group cells

// The page margins in inches: 2 cm left and right, 1.5 cm top, 1 cm bottom, no header or footer.
constexpr xlsx::PageMargins kMargins{0.78740157480315, 0.78740157480315, 0.590551181102362, 0.3937007, 0, 0};

// Column widths in characters; C to F and I keep the default.
constexpr double kTraitColumnWidth = 10.5;
constexpr double kWordingColumnWidth = 7.8;  // B, G and H

// Font sizes in points: the title row, and everything below it.
constexpr double kTitleFontSize = 10;
constexpr double kBodyFontSize = 8;

// The two fill colours of the bars: the application's scheme colours 3 (bright green, for a
// deviation of 0 and above) and 2 (red, below 0).
constexpr xlsx::Color kRisingFill = xlsx::Color::rgb(0x00FF00);
constexpr xlsx::Color kFallingFill = xlsx::Color::rgb(0xFF0000);
constexpr double kBarTransparency = 0.7;
constexpr double kScaleLimit = 3.5;  // the chart area spans -3.5 to +3.5 units

// The labels of the scale, each over its place on the bars' axis: a text of its own, centred on
// that place, in the body font. (Spaced out in one cell, they could only be placed right in one
// application's fonts, and at a size too small to read.)
const QString kScaleLabels =
    QStringLiteral("    -3         -2         -1         0         +1         +2         +3");
constexpr double kScaleFontSize = 8;

// Printed on one A4 page in portrait, whatever size the reader's fonts make the sheet.
constexpr xlsx::PageFit kOnePage{1, 1};

// The five groups of complex traits in column I: the text a trait's XAR is searched for
// (case-sensitive), its caption and its cells.
struct ComplexGroup {
  const char16_t* marker;
  const char16_t* caption;
  xlsx::Range cells;
};
const ComplexGroup kComplexGroups[] = {
    {u"туло", u"ОТ Объем туловища ", Range(9, kColumnI, 10, kColumnI)},
    {u"моло", u"МТ Выражен- ность молочных признаков ", Range(11, kColumnI, 14, kColumnI)},
    {u"Ноги", u"Н          Ноги         ", Range(15, kColumnI, 16, kColumnI)},
    {u"Вымя", u"В          Вымя         ", Range(17, kColumnI, 18, kColumnI)},
    {u"Общий", u"ОВ    Общий        вид          ", Range(19, kColumnI, kLastGroupRow, kColumnI)},
};
const Range kOverallCells(6, kColumnI, 7, kColumnI);
const Range kDaughtersCells(kHeaderRow, kColumnI, 5, kColumnI);

// Calls fn(group, trait position) for each group cell a complex trait fills, in the order the
// cells are written (a later matching trait overwrites an earlier one).
template <typename Fn>
void forEachGroupCell(const SireEvaluation& e, Fn&& fn) {
  for (size_t m = 0; m < e.complexRows.size(); ++m) {
    const TraitRow& row = e.complexRows[m];
    if (row.heading) continue;
    for (const ComplexGroup& g : kComplexGroups)
      if (row.xar.contains(QStringView(g.marker))) fn(g, m);
  }
}

ProfileLayout layoutOf(const SireEvaluation& e) {
  return ProfileLayout::of(int(e.shownLinear.size()), int(e.shownDefects.size()));
}

Range chartArea(int row) { return Range(row, kColumnC, row, kColumnF); }

// Appends `value` with `decimals` decimals, left-padded with blanks to `width` ("%*.*f"): the
// decimal digits are those of the exact binary value rounded, a tie to the even neighbour.
void appendFixed(std::string& out, double value, int width, int decimals) {
  if (value == 0) value = 0;  // no "-0.00" for a negative zero
  char text[64];
  const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  const int n = int(r.ptr - text);
  if (n < width) out.append(size_t(width - n), ' ');
  out.append(text, size_t(n));
}

QString latin1(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

// Room for wrapped text, reckoned with character widths on the wide side of the fonts a
// spreadsheet application shows the body in (Carlito, Liberation Sans, DejaVu Sans; Gnumeric
// draws them about a sixth wider against its columns than LibreOffice): a blank 0.32 of the
// size, a digit 0.56, a capital 0.74, "%" 0.9, anything else 0.62. Each line of text takes 1.2
// of the size, and a cell keeps 2 points clear on each side.
constexpr double kCellPadding = 2;
constexpr double kLineSpacing = 1.2;

double textWidth(QStringView text, double size) {
  double em = 0;
  for (const QChar c : text)
    em += c.isSpace() ? 0.32 : c.isDigit() ? 0.56 : c.isUpper() ? 0.74 : c == u'%' ? 0.9 : 0.62;
  return em * size;
}

double widestWord(QStringView text, double size) {
  double widest = 0;
  for (const QStringView word : text.split(u' ', Qt::SkipEmptyParts)) widest = std::max(widest, textWidth(word, size));
  return widest;
}

// Lines the text takes when wrapped at blanks in `width` points; a word wider than that is
// broken over as many lines as it takes.
int wrappedLines(QStringView text, double width, double size) {
  const double blank = textWidth(u" ", size);
  int lines = 0;
  double line = -1;  // width taken on the current line; -1: no line started
  for (const QStringView word : text.split(u' ')) {
    const double w = textWidth(word, size);
    if (line >= 0 && line + blank + w <= width) {
      line += blank + w;
      continue;
    }
    ++lines;
    line = w;
    for (; line > width; line -= width) ++lines;
  }
  return std::max(lines, 1);
}

// The width in characters of a column that shows `points` of text besides its padding: the
// application's columns are 7 pixels a character and 5 pixels of margin.
double columnFor(double points) {
  const double pixels = std::ceil((points + 2 * kCellPadding) / 0.75);  // 0.75 points a pixel
  return (pixels - 5) / 7;
}

// Gives each row from `first` to `last` the height its wrapped texts need (an empty row that of
// one line of body text), then lengthens the last row of a merged block of rows whose text needs
// more than its rows.
void fitRows(xlsx::Sheet& sheet, int first, int last) {
  std::map<std::pair<int, int>, Range> mergedAt;  // by top-left cell
  for (const Range& m : sheet.merges()) mergedAt.emplace(std::pair{m.firstRow, m.firstColumn}, m);
  std::vector<std::pair<Range, double>> blocks;
  for (int row = first; row <= last; ++row) {
    double need = kBodyFontSize * kLineSpacing + 2 * kCellPadding;
    for (int column = kColumnA; column <= kColumnI; ++column) {
      const xlsx::CellValue value = sheet.value(row, column);
      const auto* text = std::get_if<QString>(&value);
      if (!text || text->isEmpty()) continue;
      const auto it = mergedAt.find({row, column});
      const Range cells = it == mergedAt.end() ? Range::cell(row, column) : it->second;
      const double size = sheet.format(row, column).font.size;
      const double width = sheet.geometry(cells).width - 2 * kCellPadding;
      const double height = wrappedLines(*text, width, size) * size * kLineSpacing + 2 * kCellPadding;
      if (cells.rows() == 1) need = std::max(need, height);
      else blocks.emplace_back(cells, height);
    }
    sheet.setRowHeight(row, row, need);
  }
  for (const auto& [cells, height] : blocks) {
    const double shortBy = height - sheet.geometry(cells).height;
    if (shortBy > 0) sheet.setRowHeight(cells.lastRow, cells.lastRow, sheet.rowHeight(cells.lastRow) + shortBy);
  }
}

}  // namespace

ProfileLayout ProfileLayout::of(int shownLinear, int shownDefects) {
  ProfileLayout l;
  l.lastTraitRow = kHeaderRow + shownLinear;
  // The header is merged across A:I, so it stays below the group cells of column I.
  l.defectHeaderRow = std::max(l.lastTraitRow + 2, kLastGroupRow + 1);
  l.blockTop = l.defectHeaderRow + 1;
  l.blockRows = std::max(8, (shownDefects + 5) / 6);
  l.noteTop = std::max(34, l.blockTop + l.blockRows);
  l.formatBottom = l.noteTop + 4;
  return l;
}

QString fixedText(double value, int width, int decimals) {
  std::string text;
  appendFixed(text, value, width, decimals);
  return latin1(text);
}

QString deviationText(float z, const TraitRow& row) {
  std::string text;
  if (z >= 0) text.push_back('+');
  appendFixed(text, z, 5, 2);
  text.push_back(' ');
  return latin1(text) + (z >= 0 ? row.dop2 : row.dop1).left(2).toUpper();
}

QString defectText(int p, float marked, float strong) {
  std::string text = std::to_string(p);
  text += "- ";
  appendFixed(text, marked, 5, 1);
  text += "% ";
  appendFixed(text, strong, 5, 1);
  text += '%';
  return latin1(text);
}

ProfileNames readProfileNames(HerdTables& dm, const SireEvaluation& evaluation) {
  ProfileNames out;
  for (db::Table* t : {&dm.region, &dm.vlad, &dm.poroda, &dm.bik})
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
  const auto regions = names(dm.region, db::field::region, db::field::kodreg, {});
  const auto farms = names(dm.vlad, db::field::vlad, db::field::kodvlad, db::field::kodreg);
  const auto breeds = names(dm.poroda, db::field::poroda, db::field::kodporod, {});

  // PORODA goes back to the run's breed, so that the breeds window keeps it current.
  db::Table& poroda = dm.poroda;
  poroda.first();
  while (!poroda.eof() && poroda.fieldByName(db::field::kodporod).asInteger() != evaluation.request.breed) poroda.next();
  const auto breed = breeds.find({0, evaluation.request.breed});
  out.breedName = breed == breeds.end() ? QString() : breed->second;

  db::Table& bik = dm.bik;
  const evaluation::BullRows bulls(bik);
  const db::DbfFile& file = bik.file();
  const db::TextView nokli(file, db::field::nokli);
  const db::WholeView kodreg(file, db::field::kodreg), kodvlad(file, db::field::kodvlad), kodporod(file, db::field::kodporod);
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

void formatProfileSheet(xlsx::Sheet& sheet, const SireEvaluation& e, const QString& breedName) {
  const ProfileLayout l = layoutOf(e);
  const int bottom = l.formatBottom;
  sheet.setMargins(kMargins);
  sheet.setPageFit(kOnePage);

  sheet.setHorizontalAlignment(Range(kTitleRow, kColumnA, kHeaderRow, kColumnI), xlsx::HAlign::Center);
  sheet.setVerticalAlignment(Range(kTitleRow, kColumnA, l.noteTop + 1, kColumnI), xlsx::VAlign::Center);
  sheet.setWrapText(Range(kTitleRow, kColumnA, bottom, kColumnI), true);
  const Range title(kTitleRow, kColumnA, kTitleRow, kColumnI);
  sheet.merge(title);
  sheet.setValue(title, QStringLiteral("Линейный профиль быка-производителя. (Порода коров: ") + breedName +
                            QLatin1Char(')'));
  sheet.setFontSize(title, kTitleFontSize);
  sheet.setFontSize(Range(kIdentityRow, kColumnA, bottom, kColumnI), kBodyFontSize);

  sheet.merge(Range(kBullRow, kColumnA, kBullRow, kColumnF));
  sheet.merge(Range(kBullRow, kColumnG, kBullRow, kColumnI));
  sheet.merge(Range(kIdentityRow, kColumnA, kIdentityRow, kColumnD));
  sheet.merge(Range(kIdentityRow, kColumnE, kIdentityRow, kColumnI));

  sheet.setValue(Range::cell(kHeaderRow, kColumnA), QStringLiteral("Признак"));
  sheet.setValue(Range::cell(kHeaderRow, kColumnB), QStringLiteral("Тенденция"));
  sheet.setValue(Range::cell(kHeaderRow, kColumnG), QStringLiteral("Тенденция"));
  sheet.merge(chartArea(kHeaderRow));  // the scale's labels are drawn over it
  sheet.setValue(Range::cell(kHeaderRow, kColumnH), QStringLiteral("ПСТ в долях СКО"));
  sheet.merge(kDaughtersCells);

  forEachGroupCell(e, [&](const ComplexGroup& g, size_t) { sheet.merge(g.cells); });
  sheet.merge(kOverallCells);
  sheet.setValue(Range::cell(8, kColumnI), QStringLiteral("в том числе:"));

  const Range columnI(kHeaderRow, kColumnI, kLastGroupRow, kColumnI);
  sheet.setVerticalAlignment(columnI, xlsx::VAlign::Center);
  sheet.setHorizontalAlignment(columnI, xlsx::HAlign::Center);
  sheet.setHorizontalAlignment(Range(kHeaderRow, kColumnA, bottom, kColumnH), xlsx::HAlign::Left);

  // Columns A, B and G at least as wide as the usual widths and as their longest word, so that
  // no word is broken; H as wide as "ПСТ в долях СКО"'s and the deviations' words need.
  double trait = widestWord(u"Признак", kBodyFontSize), low = widestWord(u"Тенденция", kBodyFontSize), high = low;
  int row = kHeaderRow;
  for (size_t j : e.shownLinear) {
    const TraitRow& t = e.linearRows[j];
    ++row;
    sheet.setValue(Range::cell(row, kColumnA), t.xar);
    sheet.setValue(Range::cell(row, kColumnB), t.dop1);
    sheet.setValue(Range::cell(row, kColumnG), t.dop2);
    sheet.merge(chartArea(row));
    trait = std::max(trait, widestWord(t.xar, kBodyFontSize));
    low = std::max(low, widestWord(t.dop1, kBodyFontSize));
    high = std::max(high, widestWord(t.dop2, kBodyFontSize));
  }
  sheet.setColumnWidth(Range::cell(1, kColumnA), std::max(kTraitColumnWidth, columnFor(trait)));
  sheet.setColumnWidth(Range::cell(1, kColumnB), std::max(kWordingColumnWidth, columnFor(low)));
  sheet.setColumnWidth(Range::cell(1, kColumnG), std::max(kWordingColumnWidth, columnFor(high)));
  sheet.setColumnWidth(Range::cell(1, kColumnH),
                       std::max(kWordingColumnWidth, columnFor(widestWord(u"ПСТ в долях СКО -0.00", kBodyFontSize))));
  // Column I as wide as the longest word of its captions ("признаков").
  double captions = widestWord(u"ОЦ по комплексу признаков Число дочерей в том числе:", kBodyFontSize);
  for (const ComplexGroup& g : kComplexGroups) captions = std::max(captions, widestWord(g.caption, kBodyFontSize));
  sheet.setColumnWidth(Range::cell(1, kColumnI), std::max(sheet.defaultColumnWidth(), columnFor(captions)));

  sheet.setBorders(Range(kIdentityRow, kColumnA, l.lastTraitRow, kColumnI), xlsx::AllLines, xlsx::BorderStyle::Thin);

  const Range header(l.defectHeaderRow, kColumnA, l.defectHeaderRow, kColumnI);
  sheet.merge(header);
  sheet.setHorizontalAlignment(header, xlsx::HAlign::Center);
  sheet.setVerticalAlignment(header, xlsx::VAlign::Center);
  sheet.setValue(header, QStringLiteral("Недостатки экстерьера у дочерей, % и сильно выраженные,%"));
  sheet.setBorders(Range(l.blockTop, kColumnB, l.blockTop + l.blockRows - 1, kColumnG), xlsx::AllLines,
                   xlsx::BorderStyle::Thin);

  const Range note(l.noteTop, kColumnA, l.noteTop + 2, kColumnI);
  sheet.merge(note);
  sheet.setValue(note, kProfileNote);
}

void fillProfileSheet(xlsx::Sheet& sheet, const SireEvaluation& e, const SireFigures& f, const SireIdentity& identity) {
  const ProfileLayout l = layoutOf(e);
  sheet.setValue(Range::cell(kBullRow, kColumnA), QStringLiteral("Идентификационный №, кличка: ") + identity.nokli);
  sheet.setValue(Range::cell(kBullRow, kColumnG), QStringLiteral("Порода: ") + identity.breed);
  sheet.setValue(Range::cell(kIdentityRow, kColumnA), QStringLiteral("Регион: ") + identity.region);
  sheet.setValue(Range::cell(kIdentityRow, kColumnE), QStringLiteral("Владелец: ") + identity.owner);
  sheet.setValue(kDaughtersCells, QStringLiteral("Число дочерей      ") + QString::number(f.daughters));

  forEachGroupCell(e, [&](const ComplexGroup& g, size_t m) {
    sheet.setValue(g.cells, QString::fromUtf16(g.caption) + fixedText(f.complexMeans[m], 3, 0));
  });
  sheet.setValue(kOverallCells, QStringLiteral("ОЦ по комплексу признаков ") + fixedText(f.overall, 4, 0));

  int row = kHeaderRow;
  for (size_t j : e.shownLinear) {
    const LinearFigure& fig = f.linear[j];
    ++row;
    sheet.setValue(Range::cell(row, kColumnH), deviationText(fig.z, e.linearRows[j]));
    QString warning;
    if (fig.zeroDaughters) warning += QStringLiteral("СКО по дочерям =0!  ");
    if (fig.zeroBase) warning += QStringLiteral("СКО базы сравнения =0!");
    if (!warning.isEmpty()) sheet.setValue(chartArea(row), warning);
  }

  // The p-th shown defect goes down column B, then C, ..., one block of rows per column.
  for (size_t p = 0; p < e.shownDefects.size(); ++p) {
    const DefectFigure& d = f.defects[e.shownDefects[p]];
    const int column = kColumnB + int(p) / l.blockRows;
    sheet.setValue(Range::cell(l.blockTop + int(p) % l.blockRows, column), defectText(int(p) + 1, d.marked, d.strong));
  }

  // Every row as tall as its texts need, before the bars and the scale are placed on them.
  fitRows(sheet, kTitleRow, l.formatBottom);
  // LibreOffice fits to the page only the rows down to the last one holding a text, the note's
  // first, and cuts the rest of the note off: its first row takes the note's whole height, the
  // other two a pixel each.
  const double noteHeight = sheet.geometry(Range(l.noteTop, kColumnA, l.noteTop + 2, kColumnA)).height;
  sheet.setRowHeight(l.noteTop + 1, l.noteTop + 2, xlsx::snapRowHeight(0.75));
  sheet.setRowHeight(l.noteTop, l.noteTop, noteHeight - 2 * xlsx::snapRowHeight(0.75));

  row = kHeaderRow;
  for (size_t j : e.shownLinear) {
    const float z = f.linear[j].z;
    ++row;
    // The bar: one unit of the scale is a seventh of the chart area, from its middle.
    const double clamped = std::clamp(double(z), -kScaleLimit, kScaleLimit);
    const xlsx::RectF area = sheet.geometry(chartArea(row));
    const double width = area.width / (2 * kScaleLimit) * std::fabs(clamped);
    const double middle = area.left + area.width / 2;
    xlsx::Shape& bar = sheet.addRectangle({z >= 0 ? middle : middle - width, area.top, width, area.height});
    bar.fill = z >= 0 ? kRisingFill : kFallingFill;
    bar.fillTransparency = kBarTransparency;
  }

  // The scale over the chart area: each label centred on its place in a box one unit wide, clear
  // of the row's rules. The boxes are white inside and out, as an application that draws every
  // shape filled and outlined shows them anyway.
  const xlsx::RectF header = sheet.geometry(chartArea(kHeaderRow));
  const double unit = header.width / (2 * kScaleLimit);
  const QStringList labels = kScaleLabels.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (qsizetype i = 0; i < labels.size(); ++i) {
    const double place = header.left + unit * (double(i) + kScaleLimit - 3);
    xlsx::Shape& label =
        sheet.addRectangle({place - unit / 2, header.top + kCellPadding, unit, header.height - 2 * kCellPadding});
    label.fill = label.line = xlsx::Color::rgb(0xFFFFFF);
    label.text = labels[i];
    label.textFont.size = kScaleFontSize;
    label.name = QStringLiteral("Шкала ") + labels[i];
  }
}

void layOutProfileSheet(xlsx::Sheet& sheet, const SireEvaluation& e, const SireFigures& figures,
                        const QString& breedName, const SireIdentity& identity) {
  formatProfileSheet(sheet, e, breedName);
  fillProfileSheet(sheet, e, figures, identity);
}

void writeProfileWorkbook(const SireEvaluation& e, const ProfileNames& names, const QString& path,
                          const std::function<void(int done, int total)>& sheetDone) {
  const int n = e.sireCount();
  // Each sheet is selected while it is filled, so the workbook opens on the last one.
  xlsx::WorkbookWriter writer(path, std::max(0, n - 1));
  // What every sheet shares is laid out once; each sire's sheet starts as a copy of it.
  xlsx::Sheet shared{QString()};
  formatProfileSheet(shared, e, names.breedName);
  for (int i = 0; i < n; ++i) {
    const SireIdentity& id = names.sires.at(size_t(i));
    xlsx::Sheet sheet = shared;
    fillProfileSheet(sheet, e, e.figures(i), id);
    // "№", the sheet's number, a blank and the bull's identification, made a name the
    // application accepts (at most 31 characters, none of : \ / ? * [ ]).
    writer.addSheet(sheet, QStringLiteral("№%1 ").arg(i + 1) + id.nokli);
    if (sheetDone) sheetDone(i + 1, n);
  }
  writer.finish();
}

}  // namespace korvel
