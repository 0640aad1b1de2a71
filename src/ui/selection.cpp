#include "ui/selection.h"

#include "db/freeze.h"
#include "db/journal.h"

namespace korvel {
namespace {

void setScope(db::Table& table, const QString& filter) {
  if (filter.isEmpty()) {
    table.setFilter(QString());
    table.setFiltered(false);
  } else {
    table.setFiltered(false);
    table.setFilter(filter);
    table.setFiltered(true);
  }
}

}  // namespace

SelectionOutcome selectByKey(const SelectionScope& scope, const QString& key) {
  if (key.isEmpty()) return SelectionOutcome::NoKey;
  db::Table& t = scope.table;
  const db::Freeze frozen(scope.source);
  setScope(t, scope.scopeFilter);
  // Every mark of the scope is rewritten: all or nothing, the rows' images taken at once.
  db::JournalScope op(t.file().folder());
  op.declare(t.file(), t.passingRecords());
  t.first();
  const int nameField = t.fieldIndex(scope.nameField);
  const int markField = t.fieldIndex(scope.markField);
  int count = 0;
  while (!t.eof()) {
    t.edit();
    // Upper-cased but not trimmed: the key is found anywhere in the name as stored.
    const bool hit = t.textAt(uint32_t(t.recNo() - 1), nameField).toUpper().contains(key);
    db::Field mark(t, markField);
    mark.setString(hit ? QStringLiteral("+") : QString());
    if (hit) ++count;
    t.post();
    t.next();
  }
  op.commit();
  t.first();
  if (count == 0) return SelectionOutcome::NoMatch;
  t.setFiltered(false);
  t.setFilter(scope.resultFilter);
  t.setFiltered(true);
  return SelectionOutcome::Selected;
}

void showAllRows(db::Table& table) {
  table.setFilter(QString());
  table.setFiltered(false);
}

}  // namespace korvel
