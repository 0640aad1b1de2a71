#include "scoreform/form_export.h"

#include "cows/cow_records.h"
#include "db/data_module.h"
#include "db/file_io.h"
#include "db/rows.h"
#include "db/schema.h"
#include "evaluation/spreadsheet.h"
#include "evaluation/workbook_writer.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <map>

namespace korvel::scoreform {

namespace {

// Names by code, the first live row of each code winning, as the card's filtered look-up finds
// them (a free row included).
std::map<long long, QString> namesByCode(db::Table& t, const char16_t* codeField, const char16_t* nameField) {
  std::map<long long, QString> out;
  t.open();
  const db::WholeView code(t.file(), codeField);
  const db::TextView name(t.file(), nameField);
  for (const db::Row row : db::LiveRows(t))
    if (const auto c = code.number(row)) out.try_emplace(*c, name(row));
  return out;
}

bool allDigits(const QString& s) {
  return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString rowFilter(const HerdContext& herd, FormScope scope) {
  switch (scope) {
    case FormScope::Farm: return herd.animalFilter();
    case FormScope::Selection: return cowSelectionFilter(herd);
    case FormScope::Region: break;
  }
  return QStringLiteral("kodreg=%1").arg(herd.regionCode);
}

}  // namespace

ScoringForm collectScoringForm(HerdTables& dm, TraitCatalogue& catalogue, const HerdContext& herd, FormScope scope) {
  ScoringForm form;
  form.columns = formColumns(catalogue);
  const std::map<long long, QString> breeds = namesByCode(dm.poroda, db::field::kodporod, db::field::poroda);
  const std::map<long long, QString> bulls = namesByCode(dm.bik, db::field::kodbyk, db::field::nokli);

  db::Table& korova = dm.korova;
  korova.open();
  const db::DbfFile& file = korova.file();
  const db::RowFilter listed(korova, rowFilter(herd, scope));
  const db::WholeView kodreg(file, db::field::kodreg), kodvlad(file, db::field::kodvlad),
      kodporod(file, db::field::kodporod);
  const db::TextView nokli(file, db::field::nokli), kodbyk(file, db::field::kodbyk), basekod(file, db::field::basekod);
  std::vector<std::pair<db::BytesView, db::TextView>> values;
  for (const FormColumn& c : form.columns) values.emplace_back(db::BytesView(file, c.id), db::TextView(file, c.id));

  for (const db::Row row : db::LiveRows(file)) {
    if (!listed(row)) continue;
    FormCow cow;
    cow.record = row.index() + 1;
    cow.region = kodreg.number(row).value_or(0);
    cow.farm = kodvlad.number(row).value_or(0);
    cow.name = nokli(row);
    if (const auto breed = breeds.find(kodporod.number(row).value_or(0)); breed != breeds.end()) cow.breed = breed->second;
    // The father as the card shows him: a linked bull by his name (nobody when his code names
    // no bull), any other father as KODBYK holds him.
    const QString father = kodbyk(row);
    if (basekod(row) != QLatin1String("+")) {
      cow.father = father;
    } else if (const QString code = father.trimmed(); allDigits(code) && code.size() <= 18) {
      if (const auto bull = bulls.find(code.toLongLong()); bull != bulls.end()) cow.father = bull->second;
    }
    cow.values.reserve(values.size());
    for (const auto& [bytes, text] : values) cow.values.push_back(bytes.blank(row) ? QString() : text(row));
    form.cows.push_back(std::move(cow));
  }
  // The region's cows farm by farm, each farm's as its list shows them.
  if (scope == FormScope::Region)
    std::stable_sort(form.cows.begin(), form.cows.end(), [](const FormCow& a, const FormCow& b) { return a.farm < b.farm; });
  return form;
}

namespace {

constexpr int kHeaderRows = 3;  // group captions, names, field IDs
const xlsx::Color kKeyFill = xlsx::Color::rgb(0xE7E6E6);
const xlsx::Color kHeaderFill = xlsx::Color::rgb(0xD0CECE);

QString fieldOfKey(int i) { return keyColumns()[size_t(i)].field; }

// One line of the form as text: the key columns, then one cell per trait column.
QStringList cowCells(const FormCow& cow) {
  QStringList cells{QString::number(cow.region), QString::number(cow.farm), cow.name, cow.breed, cow.father};
  for (const QString& v : cow.values) cells << v;
  return cells;
}

void appendCsvLine(QByteArray& out, const QStringList& cells) {
  for (qsizetype i = 0; i < cells.size(); ++i) {
    if (i) out += ';';
    const QString& cell = cells[i];
    const bool quoted = cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('"')) ||
                        cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r')) ||
                        cell.startsWith(QLatin1Char(' ')) || cell.endsWith(QLatin1Char(' '));
    if (!quoted) {
      out += cell.toUtf8();
      continue;
    }
    out += '"';
    out += QString(cell).replace(QLatin1Char('"'), QLatin1String("\"\"")).toUtf8();
    out += '"';
  }
  out += "\r\n";
}

void writeCsv(const ScoringForm& form, const QString& path) {
  QStringList names, ids;
  for (const KeyColumn& k : keyColumns()) {
    names << k.name;
    ids << k.field;
  }
  for (const FormColumn& c : form.columns) {
    names << c.name;
    ids << columnHeaderId(c.id);
  }
  QByteArray out("\xEF\xBB\xBF");  // the BOM by which spreadsheet applications know UTF-8
  out.reserve(qsizetype(form.cows.size()) * qsizetype(16 + 3 * form.columns.size()));
  appendCsvLine(out, names);
  appendCsvLine(out, ids);
  for (const FormCow& cow : form.cows) appendCsvLine(out, cowCells(cow));
  if (const int err = db::io::replaceWholeFile(path, out))
    throw UserError(QStringLiteral("Не удалось записать файл «%1»: %2.")
                        .arg(QDir::toNativeSeparators(path), db::io::causeText(err)));
}

// The width of a column fitted to its texts: the longest value or word of its caption, with a
// margin, kept within reason (a longer caption wraps). Widths count digits of the default font;
// letters, the more so bold ones, are wider.
struct ColumnFit {
  int longestWord = 0, longestValue = 0;
  void caption(const QString& text) {
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
      longestWord = std::max(longestWord, int(word.size()));
  }
  void value(const QString& text) { longestValue = std::max(longestValue, int(text.size())); }
  double width() const { return std::clamp(std::max(longestWord * 1.3, longestValue * 1.15) + 2, 5.0, 45.0); }
};

// The lines a wrapped bold caption takes in a column `width` wide (as ColumnFit counts).
int linesOf(const QString& caption, double width) {
  const double letters = (width - 2) / 1.3;
  int lines = 1, used = 0;
  for (const QString& word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const int n = int(word.size());
    if (used && used + 1 + n > letters) {
      ++lines;
      used = n;
    } else {
      used += (used ? 1 : 0) + n;
    }
  }
  return lines;
}

void setCell(xlsx::Sheet& sheet, int row, int column, const QString& text, bool numeric) {
  if (text.isEmpty()) return;
  const QString digits = text.trimmed();
  if (numeric && allDigits(digits) && digits.size() <= 9)
    sheet.setValue(xlsx::Range::cell(row, column), double(digits.toInt()));
  else
    sheet.setValue(xlsx::Range::cell(row, column), text);
}

// The trait columns' checks, one per run of columns of a kind, with the card's allowed values.
void addValidations(xlsx::Sheet& sheet, const std::vector<FormColumn>& columns, int lastRow) {
  const int first = KeyColumnCount + 1;
  for (size_t i = 0; i < columns.size();) {
    size_t j = i;
    while (j < columns.size() && columns[j].kind == columns[i].kind) ++j;
    xlsx::Validation v;
    v.range = xlsx::Range(kHeaderRows + 1, first + int(i), lastRow, first + int(j) - 1);
    v.errorTitle = QStringLiteral("Недопустимое значение");
    switch (columns[i].kind) {
      case TraitKind::Linear:
        v.minimum = 1;
        v.maximum = 9;
        v.error = QStringLiteral("Допустимы только целые числа от 1 до 9.");
        break;
      case TraitKind::Defect:
        v.kind = xlsx::Validation::Kind::List;
        v.items = {QStringLiteral("+"), QStringLiteral("++")};
        v.error = QStringLiteral("Допустимы только + или ++.");
        break;
      case TraitKind::Complex:
        v.minimum = 1;
        v.maximum = 100;
        v.error = QStringLiteral("Допустимы только целые числа от 1 до 100.");
        break;
    }
    sheet.addValidation(v);
    i = j;
  }
}

void writeWorkbook(const ScoringForm& form, const QString& path) {
  const int lastRow = kHeaderRows + int(form.cows.size());
  if (lastRow > xlsx::kMaxRows)
    throw UserError(QStringLiteral("Бланк «%1» не записан: в нём %2 коров, а лист книги вмещает не больше %3. "
                                   "Запишите бланк в файл CSV или выберите меньше коров.")
                        .arg(QDir::toNativeSeparators(path))
                        .arg(form.cows.size())
                        .arg(xlsx::kMaxRows - kHeaderRows));
  const int lastColumn = KeyColumnCount + int(form.columns.size());
  xlsx::Sheet sheet(QStringLiteral("Бланк оценки"));

  // Trait cells are the ones to type in, down to the last row of the sheet.
  xlsx::CellFormat trait;
  trait.locked = false;
  trait.horizontal = xlsx::HAlign::Center;
  if (!form.columns.empty()) sheet.setColumnFormat(xlsx::Range(1, KeyColumnCount + 1, 1, lastColumn), trait);
  // A defect mark typed stays text: "++" typed into a cell of general format is taken for the
  // start of a formula.
  xlsx::CellFormat mark = trait;
  mark.text = true;
  for (size_t i = 0; i < form.columns.size(); ++i)
    if (form.columns[i].kind == TraitKind::Defect)
      sheet.setColumnFormat(xlsx::Range::cell(1, KeyColumnCount + 1 + int(i)), mark);

  std::vector<ColumnFit> fits(static_cast<size_t>(lastColumn));
  for (int k = 0; k < KeyColumnCount; ++k) {
    sheet.setValue(xlsx::Range::cell(2, k + 1), keyColumns()[size_t(k)].name);
    sheet.setValue(xlsx::Range::cell(3, k + 1), fieldOfKey(k));
    fits[size_t(k)].caption(keyColumns()[size_t(k)].name);
    fits[size_t(k)].value(fieldOfKey(k));
  }
  for (size_t i = 0; i < form.columns.size(); ++i) {
    const FormColumn& c = form.columns[i];
    const int column = KeyColumnCount + 1 + int(i);
    sheet.setValue(xlsx::Range::cell(2, column), c.name);
    sheet.setValue(xlsx::Range::cell(3, column), columnHeaderId(c.id));
    fits[size_t(column - 1)].caption(c.name);
    fits[size_t(column - 1)].value(columnHeaderId(c.id));
  }

  int row = kHeaderRows;
  for (const FormCow& cow : form.cows) {
    ++row;
    const QStringList cells = cowCells(cow);
    for (int k = 0; k < cells.size(); ++k) {
      const bool numeric = k < KeyColumnCount ? k <= FarmColumn
                                              : form.columns[size_t(k - KeyColumnCount)].kind != TraitKind::Defect;
      setCell(sheet, row, k + 1, cells[k], numeric);
      fits[size_t(k)].value(cells[k]);
    }
  }

  // The catalogue's headings over their columns.
  for (size_t i = 0; i < form.columns.size();) {
    size_t j = i;
    while (j < form.columns.size() && form.columns[j].group == form.columns[i].group &&
           form.columns[j].kind == form.columns[i].kind)
      ++j;
    if (!form.columns[i].group.isEmpty()) {
      const xlsx::Range caption(1, KeyColumnCount + 1 + int(i), 1, KeyColumnCount + int(j));
      sheet.setValue(caption, form.columns[i].group);
      sheet.merge(caption);
    }
    i = j;
  }

  const auto captionOf = [&](int column) {
    return column <= KeyColumnCount ? keyColumns()[size_t(column - 1)].name
                                    : form.columns[size_t(column - KeyColumnCount - 1)].name;
  };
  int nameLines = 1, groupLines = 1;
  for (int c = 1; c <= lastColumn; ++c) {
    const double width = fits[size_t(c - 1)].width();
    sheet.setColumnWidth(xlsx::Range(1, c, 1, c), width);
    nameLines = std::max(nameLines, linesOf(captionOf(c), width));
  }
  for (const xlsx::Range& m : sheet.merges()) {
    double width = 0;
    for (int c = m.firstColumn; c <= m.lastColumn; ++c) width += sheet.columnWidth(c);
    groupLines = std::max(groupLines, linesOf(form.columns[size_t(m.firstColumn - KeyColumnCount - 1)].group, width));
  }
  sheet.setRowHeight(1, 1, 15 * groupLines);
  sheet.setRowHeight(2, 2, 15 * nameLines);

  const xlsx::Range header(1, 1, kHeaderRows, lastColumn);
  sheet.setLocked(header, true);
  sheet.setFill(header, kHeaderFill);
  sheet.setBold(xlsx::Range(1, 1, 2, lastColumn), true);
  sheet.setWrapText(xlsx::Range(1, 1, 2, lastColumn), true);
  sheet.setHorizontalAlignment(header, xlsx::HAlign::Center);
  sheet.setVerticalAlignment(header, xlsx::VAlign::Center);
  sheet.setBorders(header, xlsx::AllLines, xlsx::BorderStyle::Thin);
  if (lastRow > kHeaderRows) {
    sheet.setFill(xlsx::Range(kHeaderRows + 1, 1, lastRow, KeyColumnCount), kKeyFill);
    sheet.setHorizontalAlignment(xlsx::Range(kHeaderRows + 1, RegionColumn + 1, lastRow, FarmColumn + 1), xlsx::HAlign::Center);
  }

  addValidations(sheet, form.columns, std::max(lastRow, kHeaderRows + 1));
  sheet.freezePanes(kHeaderRows, KeyColumnCount);
  sheet.setProtected(true);

  xlsx::WorkbookWriter writer(path);
  writer.addSheet(sheet, sheet.name());
  writer.finish();
}

}  // namespace

void writeScoringForm(const ScoringForm& form, const QString& path) {
  if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
    writeCsv(form, path);
  else
    writeWorkbook(form, path);
}

}  // namespace korvel::scoreform
