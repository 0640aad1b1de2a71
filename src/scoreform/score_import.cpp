#include "scoreform/score_import.h"

#include "base/user_error.h"
#include "cows/cow_evaluation.h"
#include "db/data_module.h"
#include "db/journal.h"
#include "db/protected_scan.h"
#include "db/rows.h"
#include "db/schema.h"
#include "db/text.h"
#include "sires/bull_figures.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace korvel::scoreform {

namespace {

// How far down the header rows are looked for: a group row, a names row and an ID row, with
// room for a title or a note someone put above them.
constexpr int kHeaderSearchRows = 20;

// The column's letters ("AB").
QString columnLetter(int column) { return FilledForm::cellName(0, column).chopped(1); }

// Headers compared with blanks and case aside: a field ID without any blank, a name with its
// inner blanks collapsed.
QString idKey(const QString& s) {
  QString out;
  for (QChar c : s)
    if (!c.isSpace()) out.append(c.toUpper());
  return out;
}
QString wordingKey(const QString& s) { return db::nameKey(s.simplified()); }

// What a header cell names.
struct HeaderTarget {
  enum Kind { None, Key, Trait, NotScored } kind = None;
  int index = -1;  // KeyColumnIndex or index into the form's columns
};

class HeaderNames {
 public:
  HeaderNames(const std::vector<FormColumn>& columns, TraitCatalogue& catalogue) {
    // Rows the card computes or shows as headings: named, but never read from a form.
    for (TraitKind kind : {TraitKind::Linear, TraitKind::Defect, TraitKind::Complex})
      for (const TraitRow& row : catalogue.rows(kind)) {
        add(idKey(row.id), {HeaderTarget::NotScored});
        if (!row.heading) add(wordingKey(row.xar), {HeaderTarget::NotScored});
      }
    for (size_t i = 0; i < columns.size(); ++i) {
      add(idKey(columns[i].id), {HeaderTarget::Trait, int(i)}, true);
      add(wordingKey(columns[i].name), {HeaderTarget::Trait, int(i)}, true);
    }
    for (int i = 0; i < KeyColumnCount; ++i) {
      add(idKey(keyColumns()[size_t(i)].field), {HeaderTarget::Key, i}, true);
      add(wordingKey(keyColumns()[size_t(i)].name), {HeaderTarget::Key, i}, true);
    }
  }

  HeaderTarget operator()(const QString& cell) const {
    if (cell.trimmed().isEmpty()) return {};
    if (const auto it = names_.find(idKey(cell)); it != names_.end()) return it->second;
    if (const auto it = names_.find(wordingKey(cell)); it != names_.end()) return it->second;
    return {};
  }

 private:
  void add(const QString& key, HeaderTarget t, bool overrides = false) {
    if (key.isEmpty()) return;
    if (overrides) names_[key] = t;
    else names_.try_emplace(key, t);
  }
  std::unordered_map<QString, HeaderTarget> names_;
};

const QString& cellOf(const FilledForm& form, int row, int column) {
  static const QString empty;
  if (row < 0 || size_t(row) >= form.rows.size()) return empty;
  const auto& cells = form.rows[size_t(row)];
  return column >= 0 && size_t(column) < cells.size() ? cells[size_t(column)] : empty;
}

bool blankRow(const std::vector<QString>& cells) {
  for (const QString& c : cells)
    if (!c.trimmed().isEmpty()) return false;
  return true;
}

// The file's header: the rows it takes and what each column holds.
struct Header {
  int firstDataRow = 0;
  std::array<int, KeyColumnCount> keys;  // column of each key, -1 when absent
  std::vector<std::pair<int, size_t>> traits;  // file column, index into the form's columns
};

int matches(const std::vector<QString>& cells, const HeaderNames& names) {
  int n = 0;
  for (const QString& c : cells) {
    const HeaderTarget t = names(c);
    n += t.kind == HeaderTarget::Key || t.kind == HeaderTarget::Trait;
  }
  return n;
}

Header readHeader(const FilledForm& form, const std::vector<FormColumn>& columns, const HeaderNames& names,
                  std::vector<QString>& unknown) {
  // The header is the row naming the most columns, with the rows next to it that name any
  // (the form's names row and ID row; the group row above names none).
  const int searched = int(std::min<size_t>(form.rows.size(), kHeaderSearchRows));
  std::vector<int> score(size_t(searched), 0);
  int best = -1;
  for (int r = 0; r < searched; ++r) {
    score[size_t(r)] = matches(form.rows[size_t(r)], names);
    if (score[size_t(r)] > 0 && (best < 0 || score[size_t(r)] > score[size_t(best)])) best = r;
  }
  Header h;
  h.keys.fill(-1);
  if (best < 0)
    throw UserError(QStringLiteral("В файле не найдена строка заголовков бланка оценки: ни один столбец не назван "
                                   "ни как ключ коровы («%1»), ни как признак каталога.")
                        .arg(keyColumns()[CowColumn].name));
  int top = best, bottom = best;
  while (top > 0 && score[size_t(top - 1)] > 0) --top;
  while (bottom + 1 < searched && score[size_t(bottom + 1)] > 0) ++bottom;
  h.firstDataRow = bottom + 1;

  // A column is named by the best row first, then by the rows below it, then above.
  std::vector<int> order;
  for (int r = best; r <= bottom; ++r) order.push_back(r);
  for (int r = best - 1; r >= top; --r) order.push_back(r);
  // Columns with a value under the header: one without a header still holds something.
  std::vector<bool> filled;
  for (size_t r = size_t(h.firstDataRow); r < form.rows.size(); ++r) {
    const auto& cells = form.rows[r];
    if (filled.size() < cells.size()) filled.resize(cells.size());
    for (size_t c = 0; c < cells.size(); ++c)
      if (!filled[c] && !cells[c].trimmed().isEmpty()) filled[c] = true;
  }
  size_t width = filled.size();
  for (int r : order) width = std::max(width, form.rows[size_t(r)].size());
  std::vector<int> traitColumn(columns.size(), -1);
  for (int c = 0; c < int(width); ++c) {
    HeaderTarget target;
    QString text;  // the header cell shown in messages
    for (size_t o = 0; o < order.size() && target.kind != HeaderTarget::Key && target.kind != HeaderTarget::Trait; ++o) {
      const QString& cell = cellOf(form, order[o], c);
      if (cell.trimmed().isEmpty()) continue;
      if (text.isEmpty()) text = cell.trimmed();
      const HeaderTarget t = names(cell);
      if (t.kind != HeaderTarget::None) target = t, text = cell.trimmed();
    }
    const QString where = QStringLiteral("Столбец %1").arg(columnLetter(c));
    int* taken = target.kind == HeaderTarget::Key     ? &h.keys[size_t(target.index)]
                 : target.kind == HeaderTarget::Trait ? &traitColumn[size_t(target.index)]
                                                      : nullptr;
    if (taken && *taken >= 0) {
      unknown.push_back(QStringLiteral("%1 «%2»: повторяет столбец %3, его значения не читаются")
                            .arg(where, text, columnLetter(*taken)));
      continue;
    }
    if (taken) {
      *taken = c;
      if (target.kind == HeaderTarget::Trait) h.traits.emplace_back(c, size_t(target.index));
      continue;
    }
    if (target.kind == HeaderTarget::NotScored) {
      unknown.push_back(QStringLiteral("%1 «%2»: этот признак не вводится в карточке коровы, его значения не читаются")
                            .arg(where, text));
    } else if (!text.isEmpty()) {
      unknown.push_back(QStringLiteral("%1 «%2»: в каталоге признаков нет такого признака, его значения не читаются")
                            .arg(where, text));
    } else if (size_t(c) < filled.size() && filled[size_t(c)]) {
      unknown.push_back(QStringLiteral("%1 без заголовка: его значения не читаются").arg(where));
    }
  }
  QStringList missing;
  for (int k : {RegionColumn, FarmColumn, CowColumn})
    if (h.keys[size_t(k)] < 0)
      missing << QStringLiteral("«%1» (%2)").arg(keyColumns()[size_t(k)].name, keyColumns()[size_t(k)].field);
  if (!missing.isEmpty())
    throw UserError(QStringLiteral("В бланке оценки нет %1 %2: строки нельзя сопоставить с коровами.")
                        .arg(missing.size() == 1 ? QStringLiteral("столбца") : QStringLiteral("столбцов"),
                             missing.join(QStringLiteral(", "))));
  return h;
}

// A region or farm code as a spreadsheet may show it ("7", "7.0", " 7"); nothing when it is
// not a whole number.
std::optional<long long> wholeNumber(const QString& text) {
  static const QRegularExpression whole(QStringLiteral("^\\s*(\\d{1,18})(?:[.,]0*)?\\s*$"));
  const QRegularExpressionMatch m = whole.match(text);
  if (!m.hasMatch()) return std::nullopt;
  return m.captured(1).toLongLong();
}

// A cell's text as the card's value cell would be typed: blanks around it and a whole number's
// ".0" that spreadsheets add go; a defect cell of blanks only is the card's blank, which takes
// the mark away. Empty: the cell says nothing.
QString typedValue(TraitKind kind, const QString& cell) {
  const QString t = cell.trimmed();
  if (t.isEmpty()) return kind == TraitKind::Defect && !cell.isEmpty() ? QStringLiteral(" ") : QString();
  if (kind == TraitKind::Defect) return t;
  if (const auto n = wholeNumber(t); n && *n <= 999999999) return QString::number(*n);
  return t;
}

// The text the card shows once the typed value is written.
QString shownAfterWriting(const QString& typed) { return typed.trimmed(); }

QString cowLabel(long long region, long long farm, const QString& name) {
  return QStringLiteral("%1/%2 «%3»").arg(region).arg(farm).arg(name);
}

QString farmKey(long long region, long long farm) { return QStringLiteral("%1/%2").arg(region).arg(farm); }

// A cow's key as the table stores it: region, farm, NOKLI's bytes without the blanks after it.
std::string cowKey(long long region, long long farm, std::string_view nokli) {
  std::string k = std::to_string(region) + '/' + std::to_string(farm) + '/';
  k.append(nokli);
  return k;
}

// One row of the file once its key is read.
struct FileRow {
  int row = 0;  // 0-based in the form
  long long region = 0, farm = 0;
  QString name;
  std::optional<std::string> key;  // nothing when the name cannot be stored in the table
  QString refusal;                 // the key could not be read
};

}  // namespace

bool ImportPlan::writable(const ImportOptions& options) const {
  return !changes.empty() && (options.skipRefused || (refused.empty() && unknownColumns.empty()));
}

ImportPlan planImport(HerdTables& dm, TraitCatalogue& catalogue, const FilledForm& form, const ImportOptions& options) {
  ImportPlan plan;
  const std::vector<FormColumn> all = formColumns(catalogue);
  const HeaderNames names(all, catalogue);
  const Header header = readHeader(form, all, names, plan.unknownColumns);
  for (const auto& [column, index] : header.traits) plan.columns.push_back(all[index]);

  db::ProtectedScan scan(dm.korova, dm.cowsSource);
  const db::DbfFile& file = dm.korova.file();
  const db::FieldDef& nokliDef = file.fields()[size_t(file.fieldIndex(db::field::nokli))];

  // The rows' keys; the farms they name.
  std::vector<FileRow> rows;
  std::set<std::pair<long long, long long>> farms;
  for (int r = header.firstDataRow; r < int(form.rows.size()); ++r) {
    if (blankRow(form.rows[size_t(r)])) continue;
    ++plan.rowsRead;
    FileRow fr;
    fr.row = r;
    fr.name = cellOf(form, r, header.keys[CowColumn]);
    QStringList problems;
    for (int k : {RegionColumn, FarmColumn}) {
      const QString& text = cellOf(form, r, header.keys[size_t(k)]);
      const auto n = wholeNumber(text);
      if (!n)
        problems << (text.trimmed().isEmpty() ? QStringLiteral("не указан %1").arg(keyColumns()[size_t(k)].name.toLower())
                                              : QStringLiteral("%1 «%2» не является целым числом")
                                                    .arg(keyColumns()[size_t(k)].name, text.trimmed()));
      else
        (k == RegionColumn ? fr.region : fr.farm) = *n;
    }
    if (fr.name.trimmed().isEmpty()) problems << QStringLiteral("не указан идентификационный №, кличка");
    fr.refusal = problems.join(QStringLiteral("; "));
    if (fr.refusal.isEmpty()) {
      farms.emplace(fr.region, fr.farm);
      // A name with characters the table cannot hold is no cow's name.
      if (db::unstorableCharacters(fr.name.normalized(QString::NormalizationForm_C), file.codepage()).isEmpty()) {
        QByteArray b = db::encodeForField(fr.name, file.codepage(), nokliDef.width);
        while (!b.isEmpty() && (b.back() == ' ' || b.back() == '\0')) b.chop(1);
        fr.key = cowKey(fr.region, fr.farm, std::string_view(b.constData(), size_t(b.size())));
      }
    }
    rows.push_back(std::move(fr));
  }

  // One walk over the cows: those of the farms the file names, by key.
  struct Cows {
    uint32_t record = 0;
    int count = 0;
    int namedAt = -1;  // the file row that names her
  };
  std::unordered_map<std::string, Cows> cows;
  // The farms' cows in table order, for the list of the missing.
  struct Listed {
    long long region, farm;
    uint32_t record;
    const Cows* key;
  };
  std::vector<Listed> listed;
  {
    const db::WholeView kodreg(file, db::field::kodreg), kodvlad(file, db::field::kodvlad);
    const db::BytesView nokli(file, db::field::nokli);
    for (const db::Row row : db::LiveRows(file)) {
      const auto region = kodreg.number(row);
      if (!region || *region == 0) continue;  // a free row is nobody's cow
      const auto farm = kodvlad.number(row);
      if (!farm || !farms.count({*region, *farm})) continue;
      Cows& c = cows[cowKey(*region, *farm, nokli.trimmed(row))];
      if (c.count++ == 0) c.record = row.index();
      listed.push_back({*region, *farm, row.index(), &c});
    }
  }

  std::vector<db::TextView> values;
  for (const FormColumn& c : plan.columns) values.emplace_back(file, c.id);
  const db::TextView nokliText(file, db::field::nokli);
  for (const FileRow& fr : rows) {
    const int line = fr.row + 1;
    const QString label = fr.refusal.isEmpty() ? cowLabel(fr.region, fr.farm, fr.name) : fr.name;
    auto refuse = [&](const QString& reason) { plan.refused.push_back({line, label, reason}); };
    if (!fr.refusal.isEmpty()) {
      refuse(fr.refusal);
      continue;
    }
    const auto found = fr.key ? cows.find(*fr.key) : cows.end();
    if (found == cows.end()) {
      refuse(QStringLiteral("нет такой коровы в хозяйстве %1").arg(farmKey(fr.region, fr.farm)));
      continue;
    }
    Cows& cow = found->second;
    if (cow.count > 1) {
      refuse(QStringLiteral("в хозяйстве %1 коров с этим идентификационным номером: %2, неясно, какой из них оценки")
                 .arg(farmKey(fr.region, fr.farm))
                 .arg(cow.count));
      cow.namedAt = fr.row;
      continue;
    }
    if (cow.namedAt >= 0) {
      refuse(QStringLiteral("эта корова уже названа в строке %1").arg(cow.namedAt + 1));
      continue;
    }
    cow.namedAt = fr.row;

    const db::Row stored = db::RowHandle(file, cow.record).row();
    CowChange change;
    change.record = cow.record + 1;
    change.line = line;
    change.name = nokliText(stored);
    change.region = fr.region;
    change.farm = fr.farm;
    QStringList problems;
    for (size_t i = 0; i < header.traits.size(); ++i) {
      const FormColumn& column = plan.columns[i];
      const QString& cell = cellOf(form, fr.row, header.traits[i].first);
      const QString typed = typedValue(column.kind, cell);
      if (typed.isEmpty() && !options.emptyClears) continue;
      if (const auto refusal = cellInputRefusal(column.kind, typed)) {
        problems << QStringLiteral("«%1» (%2) «%3»: %4")
                        .arg(column.name, columnHeaderId(column.id), cell.trimmed(), refusal->toLower());
        continue;
      }
      const QString from = values[i](stored);
      const QString to = shownAfterWriting(typed);
      if (from != to) change.changes.push_back({&column, from, to});
    }
    if (!problems.isEmpty())
      refuse(problems.join(QStringLiteral("; ")));
    else if (change.changes.empty())
      ++plan.unchangedCows;
    else
      plan.changes.push_back(std::move(change));
  }

  for (const Listed& c : listed)
    if (c.key->namedAt < 0)
      plan.cowsNotInFile.push_back(cowLabel(c.region, c.farm, nokliText(db::RowHandle(file, c.record).row())));
  return plan;
}

QString previewText(const ImportPlan& plan) {
  QString out;
  auto line = [&](const QString& s) { out += s + QLatin1Char('\n'); };
  line(QStringLiteral("Строк с коровами: %1. Изменятся оценки коров: %2, без изменений: %3, отказано строк: %4.")
           .arg(plan.rowsRead)
           .arg(plan.changes.size())
           .arg(plan.unchangedCows)
           .arg(plan.refused.size()));
  line(QStringLiteral("Столбцов признаков в файле: %1.").arg(plan.columns.size()));
  if (!plan.unknownColumns.empty()) {
    line(QStringLiteral("\nСтолбцы, которые не читаются:"));
    for (const QString& c : plan.unknownColumns) line(QStringLiteral("  ") + c);
  }
  if (!plan.changes.empty()) {
    line(QStringLiteral("\nИзменения:"));
    for (const CowChange& c : plan.changes) {
      line(QStringLiteral("  Строка %1: %2").arg(c.line).arg(cowLabel(c.region, c.farm, c.name)));
      for (const ValueChange& v : c.changes)
        line(QStringLiteral("    %1 (%2): %3 → %4")
                 .arg(v.column->name, columnHeaderId(v.column->id),
                      v.from.isEmpty() ? QStringLiteral("пусто") : v.from,
                      v.to.isEmpty() ? QStringLiteral("пусто") : v.to));
    }
  }
  if (!plan.refused.empty()) {
    line(QStringLiteral("\nОтказано:"));
    for (const RefusedRow& r : plan.refused)
      line(QStringLiteral("  Строка %1: %2 — %3").arg(r.line).arg(r.cow, r.reason));
  }
  if (!plan.cowsNotInFile.empty()) {
    line(QStringLiteral("\nКоровы этих хозяйств, которых нет в файле (%1):").arg(plan.cowsNotInFile.size()));
    for (const QString& c : plan.cowsNotInFile) line(QStringLiteral("  ") + c);
  }
  return out;
}

ImportResult applyImport(HerdTables& dm, TraitCatalogue& catalogue, const ImportPlan& plan,
                         const std::function<void(int done, int total)>& progress) {
  ImportResult result;
  if (plan.changes.empty()) return result;

  // Both lists frozen and put back afterwards; the journal scope inside them, so that an error
  // rolls the tables back before the cursors return.
  db::ProtectedScan cowScan(dm.korova, dm.cowsSource);
  db::ProtectedScan bullScan(dm.bik, dm.bullsSource);
  db::Table& korova = dm.korova;
  db::Table& bik = dm.bik;
  const db::DbfFile& cowFile = korova.file();

  // The plan must still describe the table: the same cow in each row, her values as shown.
  const CowTraitFields traits(cowFile);
  const db::TextView nokli(cowFile, db::field::nokli);
  const db::WholeView kodreg(cowFile, db::field::kodreg), kodvlad(cowFile, db::field::kodvlad);
  // Each column's field bound once.
  struct Bound {
    db::TextView shown;
    int index;
  };
  std::unordered_map<const FormColumn*, Bound> fields;
  for (const FormColumn& c : plan.columns) fields.try_emplace(&c, Bound{db::TextView(cowFile, c.id), korova.fieldIndex(c.id)});
  std::unordered_set<long long> fathers;
  std::vector<uint32_t> cowRows;
  cowRows.reserve(plan.changes.size());
  for (const CowChange& c : plan.changes) {
    const db::Row row = db::RowHandle(cowFile, c.record - 1).row();
    bool same = row && row.live() && kodreg.number(row) == c.region && kodvlad.number(row) == c.farm &&
                nokli(row) == c.name;
    for (size_t i = 0; same && i < c.changes.size(); ++i)
      same = fields.at(c.changes[i].column).shown(row) == c.changes[i].from;
    if (!same)
      throw UserError(QStringLiteral("Оценки не записаны: корова %1 изменилась после просмотра. Загрузите файл заново.")
                          .arg(cowLabel(c.region, c.farm, c.name)));
    if (const auto father = traits.father.code(row)) fathers.insert(*father);
    cowRows.push_back(c.record - 1);
  }

  // Their fathers' live records in BIK.
  std::vector<uint32_t> bullRows;
  {
    const db::DbfFile& bullFile = bik.file();
    const db::WholeView region(bullFile, db::field::kodreg), code(bullFile, db::field::kodbyk);
    for (const db::Row row : db::LiveRows(bullFile)) {
      if (region.number(row).value_or(0) == 0) continue;
      const auto k = code.number(row);
      if (k && fathers.count(*k)) bullRows.push_back(row.index());
    }
  }

  db::JournalScope op(dm.workDir(), QStringLiteral("загрузка оценок"));
  op.declare(cowFile, cowRows);
  op.declare(bik.file(), bullRows);
  const int total = int(plan.changes.size());
  for (const CowChange& c : plan.changes) {
    korova.editRowAt(c.record - 1);
    try {
      for (const ValueChange& v : c.changes) writeTraitValue(db::Field(korova, fields.at(v.column).index), v.column->kind, v.to);
    } catch (...) {
      korova.cancel();
      throw;
    }
    korova.post();
    ++result.cowsWritten;
    if (progress) progress(result.cowsWritten, total);
  }

  // The fathers' figures over all their daughters, as the bull card recomputes them.
  std::unordered_map<long long, DaughterTally> tallies;
  for (long long f : fathers) tallies[f];
  for (const db::Row row : db::LiveRows(cowFile))
    if (const auto father = traits.father.code(row))
      if (const auto it = tallies.find(*father); it != tallies.end()) it->second.add(traits, row);
  const db::WholeView bullCode(bik.file(), db::field::kodbyk);
  const BullFigureWriter writeFigures(bik);
  for (uint32_t index : bullRows) {
    if (!bik.goToIndex(index)) continue;
    writeFigures.write(tallies[bullCode(db::currentRow(bik))]);
    ++result.bullsRecomputed;
  }
  op.commit();
  return result;
}

}  // namespace korvel::scoreform
