// Farm removal done inside the pickers the cow and bull cards open: the callers' cursors and
// what they write afterwards.
#include "farm_removal_fixture.h"
#include "cows/cow_card.h"
#include "modal_answers.h"
#include "sires/bull_card.h"
#include "ui/real_prompts.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <algorithm>

using namespace korvel;
using namespace korvel::test;

namespace {

// The answer a farms window borrowed as a picker gets: farm `farm` of region `region` removed
// with `option` (no target asked), then the farm (targetRegion, targetFarm) left current.
std::function<void(QDialog&)> removeThenPick(Removal& r, int region, int farm, const char* option,
                                             int targetRegion, int targetFarm) {
  return [&r, region, farm, option, targetRegion, targetFarm](QDialog&) {
    if (region != 1) r.pickRegion(region);
    r.goToFarm(farm);
    button(r.w, "Button4")->click();
    named<QRadioButton>(r.w, option)->setChecked(true);
    button(r.w, "Button7")->click();
    if (targetRegion != region) r.pickRegion(targetRegion);
    r.goToFarm(targetFarm);
  };
}

// Makes the row whose NOKLI reads `name` current, under the table's filter.
void goToAnimal(db::Table& t, const QString& name) {
  for (t.first(); !t.eof() && t.fieldByName(u"nokli").asString() != name;) t.next();
  ASSERT_FALSE(t.eof()) << name.toStdString();
}

// The cows window on farm (region, farm) with the cow `name` on its card.
CowWindow& cowCardOn(Removal& r, int region, int farm, const QString& name) {
  CowWindow& cows = *forms().cowWindow;
  cows.show();
  r.app.prompts.pickerActions.push_back([&r, region, farm](QDialog&) {
    if (region != 1) r.pickRegion(region);
    r.goToFarm(farm);
  });
  button(cows, "Button3")->click();
  goToAnimal(r.dm.korova, name);
  cows.refreshCowCard();
  return cows;
}

}  // namespace

namespace {

// The bulls window with the bull `name` of its list current.
BullWindow& bullCardOn(Removal& r, int farm, const QString& name) {
  BullWindow& bulls = *forms().bullWindow;
  bulls.show();
  r.app.prompts.pickerActions.push_back([&r, farm](QDialog&) { r.goToFarm(farm); });
  button(bulls, "Button3")->click();
  goToAnimal(r.dm.bik, name);
  return bulls;
}

// The bulls window borrowed as the father picker: what the user does there, then the bull left
// current is the father.
std::function<void(QDialog&)> inBullPicker(std::function<void()> steps) {
  return [steps](QDialog&) { steps(); };
}

// Where the callers' cursors stand: KOROVA on the cow `cow`, BIK on the bull `bull` (null: not
// looked at). Checked at the end of a nested operation, before its picker closes.
void expectCursors(Removal& r, const char* cow, const char* bull) {
  for (const auto& [t, name] : {std::pair{&r.dm.korova, cow}, std::pair{&r.dm.bik, bull}})
    if (name) {
      EXPECT_EQ(t->fieldByName(u"nokli").asString().trimmed(), QString::fromUtf8(name).trimmed())
          << "cursor of " << t->tableName().toStdString();
    }
}

// removeThenPick, and the callers' cursors checked after it.
std::function<void(QDialog&)> removeKeeping(Removal& r, int region, int farm, const char* option,
                                            int targetRegion, int targetFarm, const char* cow,
                                            const char* bull = nullptr) {
  auto remove = removeThenPick(r, region, farm, option, targetRegion, targetFarm);
  return [&r, remove, cow, bull](QDialog& w) {
    remove(w);
    expectCursors(r, cow, bull);
  };
}

const QString kCowGone = QStringLiteral("Выбранной коровы больше нет в списке хозяйства. Изменение не записано.");
const QString kBullGone = QStringLiteral("Выбранного быка больше нет в списке хозяйства. Изменение не записано.");

}  // namespace

// Every picker opened by a window that writes into its current cow or bull afterwards, with
// each operation that walks the tables done inside it: the caller's cursor is where it was when
// the picker closes, and what the caller writes goes to the animal it had chosen — or, where the
// operation took that animal out of the caller's list, to no animal at all.
TEST(FarmRemoval, InsidePickersTheCallersCowAndBullStayChosen) {
  enum class Caller { CowCard, BullCard };
  struct Case {
    const char* what;
    Caller caller;
    int region, farm;  // the caller's farm
    const char* animal;
    const char* button;
    std::function<void(Removal&)> script;  // the picker actions and answers
    QStringList cows, bulls;
    QStringList messages;
  };
  const Case cases[] = {
      {"cow card, move: a farm removed with all its animals", Caller::CowCard, 2, 1, "Юг-1", "Button10",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 1, "RadioButton6", 1, 2, "Юг-1"));
       },
       {"Майка 0/0 |#Буян 1", "Зорька 0/0 +|7", "Ночка 0/0 |5", "Дочь-Рассвет 1/2 |#Гром", "Дочь-Юг 2/1 |#Буян 1",
        "Юг-1 1/2 +|8", "Старая 0/0 |#Гром"},
       {"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"cow card, move: her own farm removed to the archive", Caller::CowCard, 1, 1, "Зорька", "Button10",
       [&](Removal& r) { r.app.prompts.pickerActions.push_back(removeThenPick(r, 1, 1, "RadioButton3", 1, 2)); },
       {"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kMovedDone, kCowGone}},
      {"cow card, another farm: a farm removed", Caller::CowCard, 1, 1, "Зорька", "Button3",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 2, 1, "RadioButton6", 1, 2, "Зорька"));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 |#Чужой", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 0/0 +|5",
        "Юг-1 0/0 +|8", "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 0/0 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"cow card, father: another farm in the bulls window, a farm removed there", Caller::CowCard, 2, 1, "Юг-1",
       "Button6",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 1, "RadioButton6", 2, 1, "Юг-1"));
           button(*forms().bullWindow, "Button3")->click();
         }));
       },
       {"Майка 0/0 |#Буян 1", "Зорька 0/0 +|7", "Ночка 0/0 |5", "Дочь-Рассвет 1/2 |#Гром", "Дочь-Юг 2/1 |#Буян 1",
        "Юг-1 2/1 +|7", "Старая 0/0 |#Гром"},
       {"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"cow card, father: a bull added in the bulls window", Caller::CowCard, 1, 1, "Зорька", "Button6",
       [&](Removal& r) {
         r.app.prompts.texts.push_back(QStringLiteral("Новый"));
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           button(*forms().bullWindow, "Button2")->click();
           expectCursors(r, "Зорька", nullptr);
         }));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 +|9", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8", "Новый 2/1 9"},
       {}},
      {"cow card, father: her father deleted, his daughters released", Caller::CowCard, 1, 1, "Майка", "Button6",
       [&](Removal& r) {
         r.app.prompts.confirmations = {true, false};
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           button(*forms().bullWindow, "Button7")->click();
           expectCursors(r, "Майка", nullptr);
         }));
       },
       {"Майка 1/1 +|6", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 |#Буян 1",
        "Юг-1 2/1 +|8", "Старая 0/0 +|6"},
       {"Буян 1 0/0 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {}},
      {"cow card, father: her father deleted with his daughters", Caller::CowCard, 1, 1, "Майка", "Button6",
       [&](Removal& r) {
         r.app.prompts.confirmations = {true, true};
         r.app.prompts.pickerActions.push_back(inBullPicker([] { button(*forms().bullWindow, "Button7")->click(); }));
       },
       {"Майка 0/0 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 0/0 +|5",
        "Юг-1 2/1 +|8", "Старая 0/0 +|6"},
       {"Буян 1 0/0 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kCowGone}},
      {"cow card, father: a bull moved in the bulls window, a farm removed in its picker", Caller::CowCard, 1, 1,
       "Майка", "Button6",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(inBullPicker([&r] {
           goToAnimal(r.dm.bik, QStringLiteral(" Гром"));
           r.app.prompts.pickerActions.push_back(removeKeeping(r, 2, 1, "RadioButton6", 1, 2, "Майка", " Гром"));
           button(*forms().bullWindow, "Button11")->click();
         }));
       },
       {"Майка 1/1 +|6", "Зорька 1/1 |#Чужой", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 0/0 +|5",
        "Юг-1 0/0 +|8", "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/2 6", "Чужой 0/0 7", "Соседский 1/2 8"},
       {kFreedDone}},
      {"bulls window, move: a farm removed to the archive", Caller::BullCard, 1, 1, " Гром", "Button11",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 2, "RadioButton3", 2, 3, nullptr, " Гром"));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/0 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 2/3 6", "Чужой 2/1 7", "Соседский 1/0 8"},
       {kMovedDone}},
      {"bulls window, move: his own farm removed to the archive", Caller::BullCard, 1, 1, " Гром", "Button11",
       [&](Removal& r) { r.app.prompts.pickerActions.push_back(removeThenPick(r, 1, 1, "RadioButton3", 1, 2)); },
       {"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/2 +|6", "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8",
        "Старая 0/0 +|6"},
       {"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"},
       {kMovedDone, kBullGone, kNoBulls}},
      {"bulls window, another farm: a farm removed", Caller::BullCard, 1, 1, "Буян 1", "Button3",
       [&](Removal& r) {
         r.app.prompts.pickerActions.push_back(removeKeeping(r, 1, 2, "RadioButton6", 2, 1, nullptr, "Буян 1"));
       },
       {"Майка 1/1 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 0/0 +|6", "Дочь-Юг 2/1 +|5",
        "Юг-1 2/1 |#Соседский", "Старая 0/0 +|6"},
       {"Буян 1 1/1 5", " Гром 1/1 6", "Чужой 2/1 7", "Соседский 0/0 8"},
       {kFreedDone}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Removal r;
    QDialog* window;
    if (c.caller == Caller::CowCard)
      window = &cowCardOn(r, c.region, c.farm, QString::fromUtf8(c.animal));
    else
      window = &bullCardOn(r, c.farm, QString::fromUtf8(c.animal));
    r.app.prompts.messages.clear();
    c.script(r);
    QPushButton* button = window->findChild<QPushButton*>(QString::fromLatin1(c.button));
    ASSERT_TRUE(button) << c.button;
    button->click();
    window->hide();
    if (c.caller == Caller::CowCard) {
      // The cows window shows a farm that is there, never the header of one removed.
      const HerdContext& herd = forms().cowWindow->herd;
      const QStringList farms = r.farmsOf(int(herd.regionCode));
      const QString code = QString::number(herd.farmCode) + ' ';
      EXPECT_TRUE(std::any_of(farms.begin(), farms.end(), [&](const QString& f) { return f.startsWith(code); }))
          << herd.header.toStdString();
      EXPECT_EQ(named<QLabel>(*window, "Label1")->text(), herd.header);
    }
    EXPECT_TRUE(r.app.prompts.pickerActions.empty());
    EXPECT_TRUE(r.app.prompts.confirmations.empty());
    EXPECT_EQ(r.app.prompts.messages, c.messages);
    EXPECT_EQ(r.cows(), c.cows);
    EXPECT_EQ(r.bulls(), c.bulls);
  }
}

// The same through the real windows: the farms window run modally by the cow card, its boxes
// and its text input answered by clicks and keys.
TEST(FarmRemoval, InsideARealPickerTheMoveGoesToTheChosenCow) {
  Removal r;
  CowWindow& cows = cowCardOn(r, 1, 1, QStringLiteral("Зорька"));
  RealPrompts real;
  setPrompts(&real);
  {
    test::ModalAnswers answers;
    answers.act([&](QWidget&) {
      r.goToFarm(2);
      QTest::mouseClick(button(r.w, "Button4"), Qt::LeftButton);
      // On the option's circle: the button is wider than its text.
      auto* option = named<QRadioButton>(r.w, "RadioButton6");
      QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
      QTest::mouseClick(button(r.w, "Button7"), Qt::LeftButton);
    });
    answers.click(QStringLiteral("OK"));
    answers.act([&](QWidget&) { QTest::mouseClick(button(r.w, "Button2"), Qt::LeftButton); });
    answers.type(QStringLiteral("Новая"), Qt::Key_Return);
    answers.act([&](QWidget& w) {
      r.goToFarm(2);  // the new farm takes the freed code
      w.close();
    });
    QTest::mouseClick(button(cows, "Button10"), Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u);
    EXPECT_EQ(answers.shown.value(1), kFreedDone);
  }
  setPrompts(&r.app.prompts);
  cows.hide();
  EXPECT_EQ(r.farmsOf(1), QStringList({"1 Заря", "2 Новая"}));
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/1 +|5", "Зорька 1/2 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 0/0 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 |#Соседский", "Старая 0/0 +|6"}));
}

// The animal taken out of the caller's list inside a picker, through the real windows: the bulls
// window run modally by the cow card, a bull deleted there with his daughters; the farms window
// run by the bulls window, the bull's own farm removed there. The caller says so and writes
// nothing.
TEST(FarmRemoval, InsideRealPickersAnAnimalTakenOutOfTheListGetsNothing) {
  {
    SCOPED_TRACE("the cow card's father");
    // Her father is the only bull of his farm: the bulls window says the farm is empty between
    // its two questions.
    Removal r;
    CowWindow& cows = cowCardOn(r, 2, 1, QStringLiteral("Юг-1"));
    BullWindow& bulls = *forms().bullWindow;
    test::RealPromptsInForce real(r.app.prompts);
    // The bulls window is worked by hand once it is up (its boxes come one after another, and
    // it is in front between them): the answers go to the boxes only.
    test::ModalAnswers answers;
    answers.ignore(bulls);
    answers.click(kYesDelete);
    answers.click(QStringLiteral("OK"));
    answers.click(kYesDelete);
    answers.click(QStringLiteral("OK"));
    QTimer work;
    work.setInterval(50);
    QObject::connect(&work, &QTimer::timeout, [&] {
      if (QApplication::activeModalWidget() != &bulls) return;
      work.stop();
      QTest::mouseClick(button(bulls, "Button7"), Qt::LeftButton);
      bulls.close();
    });
    work.start();
    QTest::mouseClick(button(cows, "Button6"), Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u);
    EXPECT_EQ(answers.shown, QStringList({QStringLiteral("Удаление быка"),
                                          kNoBulls, kBullDeleteGoesOn, kCowGone}));
    cows.hide();
    EXPECT_EQ(r.cows(), QStringList({"Майка 1/1 +|5", "Зорька 1/1 +|7", "Ночка 1/1 |5", "Дочь-Рассвет 1/2 +|6",
                                     "Дочь-Юг 2/1 +|5", "Юг-1 0/0 +|8", "Старая 0/0 +|6"}));
  }
  {
    SCOPED_TRACE("the bulls window's move");
    Removal r;
    BullWindow& bulls = bullCardOn(r, 1, QStringLiteral(" Гром"));
    test::RealPromptsInForce real(r.app.prompts);
    test::ModalAnswers answers;
    answers.act([&](QWidget&) {
      r.goToFarm(1);
      QTest::mouseClick(button(r.w, "Button4"), Qt::LeftButton);
      auto* option = named<QRadioButton>(r.w, "RadioButton3");
      QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
      QTest::mouseClick(button(r.w, "Button7"), Qt::LeftButton);
    });
    answers.click(QStringLiteral("OK"));
    answers.act([&](QWidget& w) { w.close(); });
    answers.click(QStringLiteral("OK"));
    answers.click(QStringLiteral("OK"));
    QTest::mouseClick(button(bulls, "Button11"), Qt::LeftButton);
    EXPECT_EQ(answers.pending(), 0u);
    EXPECT_EQ(answers.shown.value(1), kMovedDone);
    EXPECT_EQ(answers.shown.value(3), kBullGone);
    EXPECT_EQ(answers.shown.value(4), kNoBulls);
    bulls.hide();
    EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  }
}
