// The breeds window: adding and correcting breeds, selection, and the entry to the sire
// evaluation that only the menu's opening offers.
#include "db/data_module.h"
#include "evaluation/variants_window.h"
#include "messages.h"
#include "modal_closer.h"
#include "named.h"
#include "reference/breeds_window.h"
#include "reference_support.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "ui/prompts.h"
#include "work_folder.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace korvel;
using test::liveRows;
using test::button;
using test::named;
using test::kBreedPicker;
using test::appendRow;

namespace {

const QString kDuplicate = QStringLiteral("Такая порода уже есть... повтор недопустим.");

struct BreedsFixture {
  test::WorkFolder folder;
  test::App app{folder.path()};
  BreedsWindow& w = *forms().breedsWindow;
  HerdTables& dm = app.dm();
  QString file() const { return folder.file(QStringLiteral("PORODA.DBF")); }
  void breed(int code, const QString& name, const QString& mark = {}) {
    appendRow(dm.poroda, {{"kodporod", code}, {"poroda", name}, {"ot", mark}});
  }
  QStringList breeds() const {
    QStringList out;
    for (const auto& r : liveRows(file())) out << r["kodporod"] + QLatin1Char(' ') + r["poroda"];
    return out;
  }
  QString current() { return dm.poroda.fieldByName(u"poroda").asString(); }
  void openFromMenu() {
    w.setWindowTitle(QStringLiteral("Породы"));
    w.show();
  }
  ~BreedsFixture() { w.hide(); }
};

}  // namespace

TEST(BreedsWindow, ANewBreedTakesTheNextCodeAndDuplicatesAreRefused) {
  BreedsFixture f;
  f.breed(1, QStringLiteral("ГОЛШТИНСКАЯ"));
  f.breed(5, QStringLiteral("Айрширская"));
  f.breed(2, QStringLiteral("Джерсейская"));
  f.openFromMenu();
  EXPECT_EQ(f.w.width(), 1024);
  EXPECT_EQ(f.w.height(), 736);

  f.app.prompts.texts = {QStringLiteral(" голштинская  "), QStringLiteral("Ярославская")};
  button(f.w, "Button1")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList{kDuplicate});
  EXPECT_EQ(f.breeds().size(), 3);
  button(f.w, "Button1")->click();
  EXPECT_EQ(f.app.prompts.textCaptions.last(), QStringLiteral("Введите название новой породы и закройте это окно"));
  EXPECT_EQ(f.breeds().last(), QStringLiteral("6 Ярославская"));
  EXPECT_EQ(f.current(), QStringLiteral("Ярославская"));
  EXPECT_EQ(f.app.prompts.messages.size(), 1);
  // A name longer than the field is cut to its 20 characters.
  f.app.prompts.texts = {QStringLiteral("Черно-пестрая улучшенная")};
  button(f.w, "Button1")->click();
  EXPECT_EQ(f.breeds().last(), QStringLiteral("7 Черно-пестрая улучше"));
}

TEST(BreedsWindow, CorrectingRewritesTheCurrentBreedUnlessAnotherHasTheName) {
  BreedsFixture f;
  f.breed(1, QStringLiteral("Голштинская"));
  f.breed(2, QStringLiteral("Айрширская"), QStringLiteral("+"));
  f.openFromMenu();
  f.dm.poroda.setFilter(QStringLiteral("ot='+'"));
  f.dm.poroda.setFiltered(true);
  ASSERT_EQ(f.current(), QStringLiteral("Айрширская"));

  f.app.prompts.texts = {QStringLiteral("АЙРШИРСКАЯ")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.app.prompts.textCaptions.last(), QStringLiteral("Уточните (исправьте) название породы и закройте это окно"));
  EXPECT_EQ(f.breeds(), QStringList({QStringLiteral("1 Голштинская"), QStringLiteral("2 АЙРШИРСКАЯ")}));
  EXPECT_FALSE(f.dm.poroda.filtered());  // the whole list shows again
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 2);
  EXPECT_EQ(f.current(), QStringLiteral("АЙРШИРСКАЯ"));

  f.app.prompts.texts = {QStringLiteral("голштинская ")};
  button(f.w, "Button2")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList{kDuplicate});
  EXPECT_EQ(f.breeds(), QStringList({QStringLiteral("1 Голштинская"), QStringLiteral("2 АЙРШИРСКАЯ")}));
}

TEST(BreedsWindow, CorrectingOrCalculatingOnAnEmptyListIsRefusedWithoutWritingARow) {
  BreedsFixture f;
  f.openFromMenu();
  button(f.w, "Button2")->click();
  button(f.w, "Button5")->click();
  EXPECT_EQ(f.app.prompts.messages,
            QStringList({QStringLiteral("Породы не заведены, уточнять нечего. Можно только добавить."),
                         QStringLiteral("Породы не заведены, рассчитывать нечего. Можно только добавить.")}));
  EXPECT_FALSE(forms().variantsWindow->isVisible());
  EXPECT_TRUE(f.app.prompts.textCaptions.isEmpty());
  EXPECT_TRUE(test::fileRows(f.file()).empty());
  // Nothing is hidden for an empty list.
  EXPECT_EQ(test::shownButtons(f.w), QStringList({"Button1", "Button2", "Button3", "Button4", "Button5"}));
}

TEST(BreedsWindow, SelectionMarksMatchesAndANoMatchShowsEveryBreedUnmarked) {
  BreedsFixture f;
  f.breed(1, QStringLiteral("Черно-пестрая"));
  f.breed(2, QStringLiteral("Красная степная"), QStringLiteral("+"));
  f.breed(3, QStringLiteral("Бурая швицкая"));
  f.openFromMenu();
  auto marks = [&] {
    QStringList out;
    for (const auto& r : liveRows(f.file())) out << r["ot"];
    return out;
  };
  f.app.prompts.keys = {QStringLiteral("ая ш"), QStringLiteral("пест"), QStringLiteral("голшт")};
  button(f.w, "Button3")->click();
  EXPECT_EQ(marks(), QStringList({"", "", "+"}));
  EXPECT_EQ(f.dm.poroda.filter(), QStringLiteral("ot='+'"));
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 1);
  button(f.w, "Button3")->click();
  EXPECT_EQ(marks(), QStringList({"+", "", ""}));
  EXPECT_EQ(f.current(), QStringLiteral("Черно-пестрая"));
  button(f.w, "Button3")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList{test::kNoMatch});
  EXPECT_EQ(marks(), QStringList({"", "", ""}));
  EXPECT_FALSE(f.dm.poroda.filtered());
  EXPECT_EQ(named<DBGrid>(f.w, "DBGrid1")->gridModel().rowCount(), 3);
}

TEST(BreedsWindow, TheCalculationButtonBelongsToTheMenuOpeningOnly) {
  BreedsFixture f;
  f.breed(1, QStringLiteral("Голштинская"));
  f.breed(2, QStringLiteral("Айрширская"));
  f.openFromMenu();
  EXPECT_TRUE(button(f.w, "Button5")->isVisible());
  EXPECT_EQ(button(f.w, "Button5")->text(), QStringLiteral("Расчет характеристик быков-производителей выбранной породы"));
  f.w.hide();

  // As the breed picker: no calculation; a breed added there is the one delivered.
  f.app.prompts.texts = {QStringLiteral("Симментальская")};
  f.app.prompts.pickerActions.push_back([&](QDialog&) {
    EXPECT_FALSE(button(f.w, "Button5")->isVisible());
    EXPECT_TRUE(button(f.w, "Button1")->isVisible());
    button(f.w, "Button1")->click();
  });
  prompts().showPicker(f.w, kBreedPicker);
  EXPECT_EQ(f.current(), QStringLiteral("Симментальская"));
  EXPECT_EQ(f.dm.poroda.fieldByName(u"kodporod").asInteger(), 3);

  f.openFromMenu();
  EXPECT_TRUE(button(f.w, "Button5")->isVisible());
  f.dm.poroda.next();  // Айрширская
  test::ModalCloser closer;
  button(f.w, "Button5")->click();
  EXPECT_EQ(closer.titles,
            QStringList{QStringLiteral("Подготовка расчета характеристик быков-производителей породы \"Айрширская\"")});
  EXPECT_EQ(forms().variantsWindow->windowTitle(), closer.titles.value(0));
  EXPECT_FALSE(forms().variantsWindow->isVisible());
}

TEST(BreedsWindow, NamesLongerThanTheFieldAreComparedAsTheyWillBeStored) {
  BreedsFixture f;
  f.breed(1, QStringLiteral("Голштинская черно-пе"));  // 20 characters, the width of PORODA
  f.openFromMenu();
  // Cut to 20 characters, both names would be the stored one: refused, added and renamed alike.
  f.app.prompts.texts = {QStringLiteral("голштинская черно-пестрая"), QStringLiteral("Красная степная порода"),
                         QStringLiteral("Красная степная поро и т. д.")};
  button(f.w, "Button1")->click();
  button(f.w, "Button1")->click();
  button(f.w, "Button1")->click();
  EXPECT_EQ(f.app.prompts.messages, QStringList({kDuplicate, kDuplicate}));
  EXPECT_EQ(f.breeds(), QStringList({QStringLiteral("1 Голштинская черно-пе"), QStringLiteral("2 Красная степная поро")}));
  f.app.prompts.texts = {QStringLiteral("Голштинская черно-пестрая")};
  button(f.w, "Button2")->click();  // the current breed is the new one: its cut name is the first breed's
  EXPECT_EQ(f.app.prompts.messages.size(), 3);
  EXPECT_EQ(f.breeds(), QStringList({QStringLiteral("1 Голштинская черно-пе"), QStringLiteral("2 Красная степная поро")}));
}
