// The farms window over two regions of farms, bulls and cows, as the farm removal tests use it:
// the texts the removal shows, the herd it starts from and the steps a person takes.
#pragma once

#include "db/data_module.h"
#include "messages.h"
#include "named.h"
#include "reference/farms_window.h"
#include "reference_support.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "work_folder.h"

#include <QDialog>
#include <QGroupBox>
#include <QRadioButton>
#include <QWindow>

namespace korvel::test {

const QString kChooseTarget =
    QStringLiteral("Выберите нужное хозяйство, затем нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ ЖИВОТНЫХ ВЫПОЛНЕН!");
const QString kTargetCaption = QStringLiteral("Выбор хозяйства, в которое будут переведены животные.");
const QString kMovedDone = QStringLiteral("Удаление хозяйства с переводом животных ВЫПОЛНЕНО!");
const QString kFreedDone = QStringLiteral("Удаление хозяйства со всеми его животными ВЫПОЛНЕНО!");
const QStringList kBrowsing = {"Button1", "Button2", "Button3", "Button4", "Button5", "Button6", "Button9"};

// Two regions that both hold a farm with code 1, bulls and cows on both, daughters of the
// farm's bulls standing in other farms and regions and in a free row.
struct Removal {
  test::WorkFolder folder;
  test::App app{folder.path()};
  FarmsWindow& w = *forms().farmsWindow;
  HerdTables& dm = app.dm();

  Removal() {
    appendRow(dm.region, {{"kodreg", 1}, {"region", "Север"}});
    appendRow(dm.region, {{"kodreg", 2}, {"region", "Юг"}});
    farm(1, 1, "Заря");
    farm(1, 2, "Рассвет");
    farm(2, 1, "Заря");
    farm(2, 3, "Восход");
    bull("Буян 1", 1, 1, "5");
    bull(" Гром  ", 1, 1, "6");
    bull("Чужой", 2, 1, "7");
    bull("Соседский", 1, 2, "8");
    cow("Майка", 1, 1, "+", "5");
    cow("Зорька", 1, 1, "+", "7");
    cow("Ночка", 1, 1, "", "5");  // a father named in free text: no link to release
    cow("Дочь-Рассвет", 1, 2, "+", "6");
    cow("Дочь-Юг", 2, 1, "+", "5");
    cow("Юг-1", 2, 1, "+", "8");
    cow("Старая", 0, 0, "+", "6");  // a free row still linked
    dm.korova.close();
    dm.bik.close();
  }
  ~Removal() { w.hide(); }

  void farm(int region, int code, const char* name) {
    appendRow(dm.vlad, {{"vlad", name}, {"kodvlad", code}, {"kodreg", region}});
  }
  void bull(const char* name, int region, int farm, const char* code) {
    appendRow(dm.bik, {{"nokli", name}, {"kodreg", region}, {"kodvlad", farm}, {"kodbyk", code}});
  }
  void cow(const char* name, int region, int farm, const char* base, const char* father) {
    appendRow(dm.korova, {{"nokli", name}, {"kodreg", region}, {"kodvlad", farm}, {"basekod", base}, {"kodbyk", father}});
  }

  // Every live row of a file as "NOKLI R/F BASEKOD|KODBYK" (cows) or "NOKLI R/F KODBYK" (bulls).
  QStringList cows() const {
    QStringList out;
    for (const auto& r : liveRows(folder.file("KOROVA.DBF")))
      out << r["nokli"] + ' ' + r["kodreg"] + '/' + r["kodvlad"] + ' ' + r["basekod"] + '|' + r["kodbyk"];
    return out;
  }
  QStringList bulls() const {
    QStringList out;
    for (const auto& r : liveRows(folder.file("BIK.DBF")))
      out << r["nokli"] + ' ' + r["kodreg"] + '/' + r["kodvlad"] + ' ' + r["kodbyk"];
    return out;
  }
  QStringList farmsOf(int region) const {
    QStringList out;
    for (const auto& r : liveRows(folder.file("VLAD.DBF")))
      if (r["kodreg"] == QString::number(region)) out << r["kodvlad"] + ' ' + r["vlad"];
    return out;
  }

  // Moves the farm list to the farm with this code.
  void goToFarm(int code) {
    db::Table& t = dm.vlad;
    for (t.first(); !t.eof() && t.fieldByName(u"kodvlad").asInteger() != code;) t.next();
    ASSERT_FALSE(t.eof()) << "no farm " << code;
  }
  void pickRegion(int code) {
    app.prompts.pickerActions.push_back([this, code](QDialog&) {
      db::Table& t = dm.region;
      for (t.first(); !t.eof() && t.fieldByName(u"kodreg").asInteger() != code;) t.next();
    });
    button(w, "Button1")->click();
  }
  // Opens the window (on region 1) and asks to remove its farm with this code.
  void startRemoval(int code) {
    w.show();
    goToFarm(code);
    button(w, "Button4")->click();
  }
  void carryOut(QRadioButton* option) {
    option->setChecked(true);
    button(w, "Button7")->click();
  }
  bool hasCloseBox() const {
    return w.windowFlags().testFlag(Qt::WindowCloseButtonHint) &&
           (!w.windowHandle() || w.windowHandle()->flags().testFlag(Qt::WindowCloseButtonHint));
  }
  // The window back in browsing: list shown, panel and target button hidden, close box back.
  void expectBrowsing() {
    EXPECT_EQ(w.removalState(), FarmsWindow::RemovalState::Browsing);
    EXPECT_TRUE(named<DBGrid>(w, "DBGrid1")->isVisible());
    EXPECT_FALSE(named<QGroupBox>(w, "GroupBox1")->isVisible());
    EXPECT_FALSE(button(w, "Button8")->isVisible());
    EXPECT_TRUE(hasCloseBox());
    EXPECT_TRUE(dm.cowsSource.enabled());
    EXPECT_TRUE(dm.bullsSource.enabled());
  }

  const QStringList cowsBefore = {
      "Майка 1/1 +|5",        "Зорька 1/1 +|7", "Ночка 1/1 |5",   "Дочь-Рассвет 1/2 +|6",
      "Дочь-Юг 2/1 +|5",      "Юг-1 2/1 +|8",   "Старая 0/0 +|6",
  };
  const QStringList bullsBefore = {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8"};
};

}  // namespace korvel::test
