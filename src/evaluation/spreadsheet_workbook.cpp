// Sheet names the application accepts, and the workbook's sheets.
#include "evaluation/spreadsheet.h"

#include <QSet>

namespace korvel::xlsx {

QString acceptableSheetName(const QString& wanted, const QStringList& taken) {
  QString name = wanted;
  for (QChar& c : name) {
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F || u == u':' || u == u'\\' || u == u'/' || u == u'?' || u == u'*' ||
        u == u'[' || u == u']' || u == 0xFFFE || u == 0xFFFF)
      c = u'_';
  }
  if (!name.isEmpty() && name.front() == u'\'') name.front() = u'_';
  if (!name.isEmpty() && name.back() == u'\'') name.back() = u'_';
  if (name.isEmpty()) name = QStringLiteral("Лист");

  // Cut to `length` UTF-16 units without splitting a surrogate pair.
  auto cut = [](const QString& text, qsizetype length) {
    if (text.size() <= length) return text;
    if (length > 0 && text[length - 1].isHighSurrogate()) --length;
    QString out = text.left(length);
    if (!out.isEmpty() && out.back() == u'\'') out.back() = u'_';
    return out;
  };

  QSet<QString> folded;
  for (const QString& t : taken) folded.insert(t.toCaseFolded());
  folded.insert(QStringLiteral("history"));  // the application keeps this name for itself

  QString candidate = cut(name, kMaxSheetNameLength);
  for (int n = 2; folded.contains(candidate.toCaseFolded()); ++n) {
    const QString suffix = QStringLiteral(" (%1)").arg(n);
    candidate = cut(name, kMaxSheetNameLength - suffix.size()) + suffix;
  }
  return candidate;
}

// ---------------------------------------------------------------- workbook

Workbook::Workbook(int sheetCount) {
  for (int i = 1; i <= sheetCount; ++i) {
    sheets_.emplace_back(QStringLiteral("Лист%1").arg(i));
    countName(sheets_.back().name(), 1);
  }
}

void Workbook::countName(const QString& name, int delta) {
  const QString key = name.toCaseFolded();
  const int n = nameCounts_.value(key) + delta;
  if (n > 0)
    nameCounts_.insert(key, n);
  else
    nameCounts_.remove(key);
}

QString Workbook::freeName(const QString& wanted, const Sheet* except) const {
  // The first acceptable form of the name is taken unless another sheet has it; only then are
  // the other names gathered to find a numbered form.
  const QString plain = acceptableSheetName(wanted, {});
  const int own = except && except->name().toCaseFolded() == plain.toCaseFolded() ? 1 : 0;
  if (nameCounts_.value(plain.toCaseFolded()) - own <= 0) return plain;
  QStringList others;
  for (const Sheet& s : sheets_)
    if (&s != except) others << s.name();
  return acceptableSheetName(wanted, others);
}

Sheet& Workbook::addSheet(const QString& wantedName) {
  const QString wanted =
      wantedName.isEmpty() ? QStringLiteral("Лист%1").arg(sheets_.size() + 1) : wantedName;
  Sheet& sheet = sheets_.emplace_back(freeName(wanted, nullptr));
  countName(sheet.name(), 1);
  return sheet;
}

QString Workbook::renameSheet(int index, const QString& wanted) {
  Sheet& target = sheets_.at(size_t(index));
  const QString name = freeName(wanted, &target);
  countName(target.name_, -1);
  target.name_ = name;
  countName(name, 1);
  return target.name_;
}

QStringList Workbook::sheetNames() const {
  QStringList names;
  names.reserve(qsizetype(sheets_.size()));
  for (const Sheet& s : sheets_) names << s.name();
  return names;
}

void Workbook::setActiveSheet(int index) {
  if (index < 0 || index >= sheetCount()) throw std::out_of_range("no such sheet");
  activeSheet_ = index;
}

}  // namespace korvel::xlsx
