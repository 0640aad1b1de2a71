#include "crash_operations.h"

#include "cows/cow_card.h"
#include "db/data_module.h"
#include "named.h"
#include "reference/farms_window.h"
#include "scoreform/score_import.h"
#include "sires/bull_card.h"
#include "ui/forms.h"
#include "work_folder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <stdexcept>
#include <string>

namespace korvel::test {
namespace {

long long number(const QStringList& words, int i) {
  bool ok = false;
  const long long v = words.value(i).toLongLong(&ok);
  if (!ok) throw std::invalid_argument("not a number: " + words.value(i).toStdString());
  return v;
}

// Moves the cursor, under the table's own filter, to the first row the test accepts.
void goTo(db::Table& t, const std::function<bool()>& wanted) {
  for (t.first(); !t.eof() && !wanted();) t.next();
  if (t.eof()) throw std::invalid_argument(("no such row in " + t.tableName()).toStdString());
}

bool isRegion(db::Table& t, long long r) { return t.fieldByName(u"kodreg").asInteger() == r; }
bool isFarm(db::Table& t, long long r, long long f) {
  return isRegion(t, r) && t.fieldByName(u"kodvlad").asInteger() == f;
}

// The answer a farms window borrowed as a picker is given: the farm (r, f) left current, as
// the person's click on it would.
void pickFarm(App& app, long long r, long long f) {
  app.prompts.pickerActions.push_back([&app, r, f](QDialog&) {
    HerdTables& dm = app.dm();
    dm.region.setFiltered(false);
    goTo(dm.region, [&] { return isRegion(dm.region, r); });
    dm.vlad.setFiltered(false);
    goTo(dm.vlad, [&] { return isFarm(dm.vlad, r, f); });
  });
}

// The farms window lists region r: its region button, and r chosen in the regions window.
void listRegion(App& app, FarmsWindow& w, long long r) {
  app.prompts.pickerActions.push_back([&app, r](QDialog&) {
    db::Table& t = app.dm().region;
    t.setFiltered(false);
    goTo(t, [&] { return isRegion(t, r); });
  });
  button(w, "Button1")->click();
}

void removeFarm(App& app, const QStringList& words, const std::function<void()>& ready) {
  const long long variant = number(words, 1), r = number(words, 2), f = number(words, 3);
  FarmsWindow& w = *forms().farmsWindow;
  w.show();
  listRegion(app, w, r);
  db::Table& vlad = app.dm().vlad;
  goTo(vlad, [&] { return isFarm(vlad, r, f); });
  button(w, "Button4")->click();
  if (variant < 2 || variant > 6) throw std::invalid_argument("no such removal option");
  named<QRadioButton>(w, ("RadioButton" + std::to_string(variant)).c_str())->setChecked(true);
  if (ready) ready();
  button(w, "Button7")->click();
  if (w.removalState() == FarmsWindow::RemovalState::ChoosingTarget) {
    const long long tr = number(words, 4), tf = number(words, 5);
    listRegion(app, w, tr);
    goTo(vlad, [&] { return isFarm(vlad, tr, tf); });
    button(w, "Button8")->click();
  }
  w.hide();
}

// The cows or bulls window shown on farm (r, f), chosen with its "Перейти к другому хозяйству".
template <class Window>
Window& onFarm(App& app, Window& w, long long r, long long f) {
  w.show();
  pickFarm(app, r, f);
  button(w, "Button3")->click();
  return w;
}

void deleteBull(App& app, const QStringList& words, const std::function<void()>& ready) {
  const long long r = number(words, 1), f = number(words, 2);
  const QString code = words.value(3);
  BullWindow& w = onFarm(app, *forms().bullWindow, r, f);
  db::Table& bik = app.dm().bik;
  goTo(bik, [&] { return bik.fieldByName(u"kodbyk").asString().trimmed() == code; });
  app.prompts.confirmations = {true, words.value(4) == QLatin1String("yes")};
  if (ready) ready();
  button(w, "Button7")->click();
  w.hide();
}

CowWindow& cowsOf(App& app, long long r, long long f) { return onFarm(app, *forms().cowWindow, r, f); }

// The cow card on the cow at `recNo`, as a click on her row in the list leaves it.
void showCow(App& app, CowWindow& w, int recNo) {
  db::Table& t = app.dm().korova;
  t.goToRecNo(recNo);
  if (t.recNo() != recNo) throw std::invalid_argument("the cow is not in the farm");
  w.refreshCowCard();
}

void addCow(App& app, const QStringList& words, const std::function<void()>& ready) {
  CowWindow& w = cowsOf(app, number(words, 1), number(words, 2));
  app.prompts.texts = {words.value(3)};
  if (ready) ready();
  button(w, "Button1")->click();
  w.hide();
}

void correctCow(App& app, const QStringList& words, const std::function<void()>& ready) {
  CowWindow& w = cowsOf(app, number(words, 1), number(words, 2));
  showCow(app, w, int(number(words, 3)));
  button(w, "Button2")->click();
  edit(w, "Edlin")->setText(QStringLiteral("ИСПРАВЛ"));
  edit(w, "Edmat")->setText(QStringLiteral("Мать-777"));
  edit(w, "Edrogd")->setText(QStringLiteral("12.03.2019 Исправлено"));
  if (ready) ready();
  button(w, "Button5")->click();
  w.hide();
}

void moveCow(App& app, const QStringList& words, const std::function<void()>& ready) {
  CowWindow& w = cowsOf(app, number(words, 1), number(words, 2));
  showCow(app, w, int(number(words, 3)));
  pickFarm(app, number(words, 4), number(words, 5));
  if (ready) ready();
  button(w, "Button10")->click();
  w.hide();
}

void selectCows(App& app, const QStringList& words, const std::function<void()>& ready) {
  CowWindow& w = cowsOf(app, number(words, 1), number(words, 2));
  app.prompts.keys = {words.value(3)};
  if (ready) ready();
  button(w, "Button8")->click();
  w.hide();
}

// The farm's first ten cows scored from a filled form, their fathers recomputed: no window,
// the import's own operation.
void importScores(App& app, const QStringList& words, const std::function<void()>& ready) {
  const long long r = number(words, 1), f = number(words, 2);
  HerdTables& dm = app.dm();
  db::Table& korova = dm.korova;
  korova.open();
  korova.setFiltered(false);
  scoreform::FilledForm form{{{"KODREG", "KODVLAD", "NOKLI", "X1", "XX2", "XXX1"}}};
  for (korova.first(); !korova.eof() && form.rows.size() <= 10; korova.next())
    if (isFarm(korova, r, f)) {
      const int i = int(form.rows.size());
      form.rows.push_back({QString::number(r), QString::number(f), korova.fieldByName(u"nokli").asString(),
                           QString::number(i % 9 + 1), i % 2 ? QStringLiteral("++") : QString(), QString::number(50 + i)});
    }
  TraitCatalogue catalogue(dm.xarakt, &korova);
  const scoreform::ImportPlan plan = scoreform::planImport(dm, catalogue, form, {});
  if (plan.changes.empty()) throw std::invalid_argument("the form changes nothing");
  if (ready) ready();
  scoreform::applyImport(dm, catalogue, plan);
}

}  // namespace

void runOperation(App& app, const QStringList& words, const std::function<void()>& ready) {
  const QString op = words.value(0);
  if (op == QLatin1String("remove")) removeFarm(app, words, ready);
  else if (op == QLatin1String("delete-bull")) deleteBull(app, words, ready);
  else if (op == QLatin1String("add-cow")) addCow(app, words, ready);
  else if (op == QLatin1String("correct-cow")) correctCow(app, words, ready);
  else if (op == QLatin1String("move-cow")) moveCow(app, words, ready);
  else if (op == QLatin1String("select-cows")) selectCows(app, words, ready);
  else if (op == QLatin1String("import-scores")) importScores(app, words, ready);
  else throw std::invalid_argument("unknown operation: " + op.toStdString());
}

}  // namespace korvel::test
