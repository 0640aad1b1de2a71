// Farm removal in the farms window: the panel of variants, the window's three states and its
// close box, the choice of the target farm, the archive variants, and what each variant leaves
// in both animal tables (read from the files' bytes).
#include "farm_removal_fixture.h"
#include "cows/cow_card.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

TEST(FarmRemoval, ThePanelTakesTheWindowAndCancellingChangesNothing) {
  Removal r;
  // A farm name as long as its field: the window still fits the screen.
  r.dm.vlad.setFiltered(false);
  r.goToFarm(2);
  r.dm.vlad.edit();
  r.dm.vlad.fieldByName(u"vlad").setString(QStringLiteral("Рассвет") + QString(200, QChar(u'Ш')));
  r.dm.vlad.post();
  const QString longName = r.dm.vlad.fieldByName(u"vlad").asString();
  const QByteArray cowBytes = [&] {
    QFile f(r.folder.file("KOROVA.DBF"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  r.startRemoval(2);
  EXPECT_EQ(r.w.removalState(), FarmsWindow::RemovalState::ChoosingVariant);
  const QString title = named<QGroupBox>(r.w, "GroupBox1")->title();
  EXPECT_TRUE(title.startsWith(QStringLiteral("Удаление хозяйства \"РассветШ"))) << title.toStdString();
  EXPECT_TRUE(title.endsWith(QStringLiteral("\", находящегося в регионе: Север"))) << title.toStdString();
  EXPECT_LE(r.w.width(), 1024);
  EXPECT_LE(r.w.minimumSizeHint().width(), 1024);
  EXPECT_TRUE(named<QGroupBox>(r.w, "GroupBox1")->isVisible());
  EXPECT_FALSE(named<DBGrid>(r.w, "DBGrid1")->isVisible());
  EXPECT_EQ(shownButtons(r.w), QStringList{"Button7"});
  EXPECT_TRUE(named<QRadioButton>(r.w, "RadioButton1")->isChecked());

  // No close box, and no way to close the window meanwhile: each attempt is told why.
  EXPECT_FALSE(r.hasCloseBox());
  EXPECT_FALSE(r.w.windowFlags().testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(r.w.close());
  QTest::keyClick(&r.w, Qt::Key_Escape);
  r.w.reject();
  EXPECT_TRUE(r.w.isVisible());
  QCoreApplication::processEvents();
  EXPECT_EQ(r.app.prompts.messages, QStringList(3, QStringLiteral("Сначала выберите вариант удаления и нажмите ВЫПОЛНИТЬ.")));
  r.app.prompts.messages.clear();

  r.carryOut(named<QRadioButton>(r.w, "RadioButton1"));
  r.expectBrowsing();
  EXPECT_EQ(shownButtons(r.w), kBrowsing);
  EXPECT_EQ(r.farmsOf(1), QStringList({"1 Заря", "2 " + longName}));
  EXPECT_TRUE(r.app.prompts.messages.isEmpty());
  QFile f(r.folder.file("KOROVA.DBF"));
  f.open(QIODevice::ReadOnly);
  EXPECT_EQ(f.readAll(), cowBytes);
  EXPECT_EQ(r.bulls(), r.bullsBefore);

  // Browsing again: the window closes as usual.
  EXPECT_TRUE(r.w.close());
}

TEST(FarmRemoval, CowsToAChosenFarmOfAnotherRegionWithBullsFreed) {
  Removal r;
  r.w.show();
  const QString caption = r.w.windowTitle();
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton5"));
  // Choosing the target: the farm row is gone, its animals still carry its codes.
  EXPECT_EQ(r.w.removalState(), FarmsWindow::RemovalState::ChoosingTarget);
  EXPECT_EQ(r.app.prompts.messages, QStringList{kChooseTarget});
  EXPECT_EQ(r.w.windowTitle(), kTargetCaption);
  EXPECT_EQ(r.farmsOf(1), QStringList{"2 Рассвет"});
  EXPECT_EQ(r.farmsOf(2), QStringList({"1 Заря", "3 Восход"}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2", "Button3", "Button5", "Button6", "Button8", "Button9"}));
  EXPECT_FALSE(r.hasCloseBox());
  EXPECT_FALSE(r.w.close());
  QCoreApplication::processEvents();
  EXPECT_EQ(r.app.prompts.messages.value(1),
            QStringLiteral("Сначала выберите хозяйство и нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ ЖИВОТНЫХ ВЫПОЛНЕН!"));
  r.app.prompts.messages.removeAt(1);
  EXPECT_EQ(r.cows(), r.cowsBefore);

  // The target is chosen in the other region.
  r.pickRegion(2);
  EXPECT_FALSE(button(r.w, "Button4")->isVisible());
  EXPECT_TRUE(button(r.w, "Button8")->isVisible());
  r.goToFarm(3);
  button(r.w, "Button8")->click();
  EXPECT_EQ(r.app.prompts.messages, QStringList({kChooseTarget, kMovedDone}));
  r.expectBrowsing();
  EXPECT_EQ(shownButtons(r.w), kBrowsing);
  EXPECT_EQ(r.w.windowTitle(), caption) << "the caption asks for a farm only while one is chosen";
  EXPECT_EQ(r.cows(), QStringList({"Майка 2/3 |#Буян 1", "Зорька 2/3 +|7", "Ночка 2/3 |5", "Дочь-Рассвет 1/2 |#Гром",
                                   "Дочь-Юг 2/1 |#Буян 1", "Юг-1 2/1 +|8", "Старая 0/0 |#Гром"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  EXPECT_FALSE(r.dm.korova.isOpen()) << "the cow table is left closed as it was found";
  EXPECT_FALSE(r.dm.bik.isOpen());
}

TEST(FarmRemoval, AllAnimalsToAChosenFarmKeepTheirFatherLinks) {
  Removal r;
  // Tables open under a list filter are given it back.
  r.dm.korova.open();
  r.dm.korova.setFilter("kodreg=2 and kodvlad=1");
  r.dm.korova.setFiltered(true);
  r.dm.bik.open();
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton2"));
  r.goToFarm(2);
  button(r.w, "Button8")->click();
  r.expectBrowsing();
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/2 +|5", "Зорька 1/2 +|7", "Ночка 1/2 |5", "Дочь-Рассвет 1/2 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8", "Старая 0/0 +|6"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/2 5", " Гром 1/2 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  EXPECT_EQ(r.dm.korova.filter(), QStringLiteral("kodreg=2 and kodvlad=1"));
  EXPECT_TRUE(r.dm.korova.filtered());
  EXPECT_EQ(r.dm.korova.fieldByName(u"nokli").asString(), QStringLiteral("Дочь-Юг"));
  EXPECT_TRUE(r.dm.bik.isOpen());
  EXPECT_FALSE(r.dm.bik.filtered());
}

TEST(FarmRemoval, ATargetRegionWithoutFarmsIsRefusedAndTheChoiceGoesOn) {
  Removal r;
  appendRow(r.dm.region, {{"kodreg", 3}, {"region", "Пустой"}});
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton2"));
  r.pickRegion(3);
  EXPECT_EQ(r.app.prompts.messages, QStringList({kChooseTarget, kNoFarms}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2", "Button8"}));
  button(r.w, "Button8")->click();
  ASSERT_EQ(r.app.prompts.messages.size(), 3);
  EXPECT_TRUE(r.app.prompts.messages[2].startsWith(
      QStringLiteral("В этом регионе нет хозяйства, в которое можно перевести животных!")));
  EXPECT_EQ(r.w.removalState(), FarmsWindow::RemovalState::ChoosingTarget);
  EXPECT_TRUE(button(r.w, "Button8")->isVisible());
  EXPECT_FALSE(r.hasCloseBox());
  EXPECT_EQ(r.cows(), r.cowsBefore) << "nothing is freed";
  EXPECT_EQ(r.bulls(), r.bullsBefore);

  // A farm added there is a fine target.
  r.app.prompts.texts = {QStringLiteral("Новая")};
  button(r.w, "Button2")->click();
  button(r.w, "Button8")->click();
  EXPECT_EQ(r.app.prompts.messages.last(), kMovedDone);
  r.expectBrowsing();
  EXPECT_EQ(r.cows().first(), QStringLiteral("Майка 3/1 +|5"));
  EXPECT_EQ(r.bulls().first(), QStringLiteral("Буян 1 3/1 5"));
}

TEST(FarmRemoval, ArchiveVariantsCreateTheRegionArchiveOnce) {
  Removal r;
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton3"));
  EXPECT_EQ(r.app.prompts.messages, QStringList{kMovedDone});
  r.expectBrowsing();
  EXPECT_EQ(r.farmsOf(1), QStringList({"2 Рассвет", "0 Архив региона"}));
  EXPECT_EQ(r.farmsOf(2), QStringList({"1 Заря", "3 Восход"}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2", "Button3", "Button4", "Button5", "Button6"}))
      << "the region has its archive now";
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/2 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 +|8", "Старая 0/0 +|6"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));

  // The second removal finds the archive and frees the bulls.
  r.goToFarm(2);
  button(r.w, "Button4")->click();
  r.carryOut(named<QRadioButton>(r.w, "RadioButton4"));
  EXPECT_EQ(r.app.prompts.messages, QStringList({kMovedDone, kMovedDone}));
  r.expectBrowsing();
  EXPECT_EQ(r.farmsOf(1), QStringList{"0 Архив региона"});
  EXPECT_EQ(r.cows(), QStringList({"Майка 1/0 +|5", "Зорька 1/0 +|7", "Ночка 1/0 |5", "Дочь-Рассвет 1/0 +|6",
                                   "Дочь-Юг 2/1 +|5", "Юг-1 2/1 |#Соседский", "Старая 0/0 +|6"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 1/0 5", " Гром 1/0 6", "Чужой 2/1 7", "Соседский 0/0 8"}));
}

TEST(FarmRemoval, AllAnimalsFreedOnlyInTheFarmOfThatRegion) {
  Removal r;
  r.startRemoval(1);
  r.carryOut(named<QRadioButton>(r.w, "RadioButton6"));
  EXPECT_EQ(r.app.prompts.messages, QStringList{kFreedDone});
  r.expectBrowsing();
  // Farm 1 of region 2 keeps its animals, its daughter of a freed bull loses only the link.
  EXPECT_EQ(r.cows(), QStringList({"Майка 0/0 |#Буян 1", "Зорька 0/0 +|7", "Ночка 0/0 |5", "Дочь-Рассвет 1/2 |#Гром",
                                   "Дочь-Юг 2/1 |#Буян 1", "Юг-1 2/1 +|8", "Старая 0/0 |#Гром"}));
  EXPECT_EQ(r.bulls(), QStringList({"Буян 1 0/0 5", " Гром 0/0 6", "Чужой 2/1 7", "Соседский 1/2 8"}));
  EXPECT_EQ(r.farmsOf(2), QStringList({"1 Заря", "3 Восход"}));

  // The cows window's next addition takes the first freed row.
  CowWindow& cows = *forms().cowWindow;
  cows.show();
  EXPECT_EQ(cows.herd.farmCode, 2);
  r.app.prompts.texts = {QStringLiteral("Новая")};
  button(cows, "Button1")->click();
  cows.hide();
  EXPECT_EQ(r.cows().first(), QStringLiteral("Новая 1/2 |"));
  r.w.show();

  // Removing the region's last farm leaves the region without farms.
  r.goToFarm(2);
  button(r.w, "Button4")->click();
  r.carryOut(named<QRadioButton>(r.w, "RadioButton6"));
  EXPECT_EQ(r.app.prompts.messages, QStringList({kFreedDone, kFreedDone, kNoFarms}));
  EXPECT_EQ(shownButtons(r.w), QStringList({"Button1", "Button2"}));
  EXPECT_TRUE(r.farmsOf(1).isEmpty());
  EXPECT_EQ(r.cows()[0], QStringLiteral("Новая 0/0 |"));
  EXPECT_EQ(r.cows()[3], QStringLiteral("Дочь-Рассвет 0/0 |#Гром"));
  EXPECT_EQ(r.bulls()[3], QStringLiteral("Соседский 0/0 8"));
  EXPECT_EQ(r.cows()[5], QStringLiteral("Юг-1 2/1 |#Соседский"));
}
