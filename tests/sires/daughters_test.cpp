// The daughters list: every daughter of the bull wherever she stands, with her region, farm,
// breed, score and category, the cow side left as found.
#include "herd_writer.h"
#include "named.h"
#include "work_folder.h"

#include "sires/daughters_window.h"
#include "sires/string_grid.h"
#include "ui/forms.h"

#include <gtest/gtest.h>

using namespace korvel;
using test::grid;

namespace {

struct Daughters : ::testing::Test {
  test::WorkFolder folder;
  test::App app{folder.path()};
  HerdTables& dm = app.dm();
  test::HerdWriter herd{dm};
  DaughtersWindow& list = *forms().daughtersWindow;

  QStringList row(int r) {
    QStringList out;
    QTableWidget* daughters = grid(list, "StringGrid1");
    for (int c = 0; c < daughters->columnCount(); ++c) out << gridText(daughters, r, c);
    return out;
  }
  void TearDown() override { list.hide(); }
};

TEST_F(Daughters, EveryDaughterWithHerFarmAndScore) {
  herd.region(1, "СЕВЕР");
  herd.region(2, "ЮГ");
  herd.farm(1, 1, "ЛУЧ");
  herd.farm(1, 2, "ЗАРЯ");
  herd.farm(2, 1, "ПОЛЕ");
  herd.breed(3, "Голштинская");
  const int bull = herd.bull(1, 1, "1234", "1234");
  herd.cow(2, 1, "Ночка", "+", "1234",
           {{"xxx1", "90"}, {"xxx2", "90"}, {"xxx3", "90"}, {"xxx5", "90"}, {"xxx6", "90"}}, 3);
  herd.cow(1, 1, "Чужая", "+", "12");
  herd.cow(1, 2, "Зорька", "+", "1234", {{"xxx5", "50"}});
  herd.cow(0, 0, "Удалённая", "+", "1234");
  herd.cow(1, 1, "Отвязанная", "", "#1234");
  herd.cow(1, 1, "С нулём", "+", "01234");  // the text differs: not listed
  herd.cow(1, 1, "Майка", "+", "1234", {}, 9);  // a breed nobody has

  // The cow card's state is kept.
  dm.korova.setFilter("kodreg=1 and kodvlad=1");
  dm.korova.setFiltered(true);
  dm.korova.first();
  dm.korova.next();
  const int cowRec = dm.korova.recNo();
  dm.vlad.setFilter("kodreg=1");
  dm.vlad.setFiltered(true);

  dm.bik.goToRecNo(bull);
  list.show();
  EXPECT_EQ(list.windowTitle(), "Дочери быка \"1234\"");
  ASSERT_EQ(grid(list, "StringGrid1")->rowCount(), 5);
  EXPECT_EQ(row(0), QStringList({"Регион", "Хозяйство", "Порода", "Кличка (инв.№)", "Оценка", "Категория"}));
  EXPECT_EQ(row(1), QStringList({"ЮГ", "ПОЛЕ", "Голштинская", "Ночка", "90", "Превосходный"}));
  EXPECT_EQ(row(2), QStringList({"СЕВЕР", "ЗАРЯ", "", "Зорька", "20", "Очень плохой"}));
  EXPECT_EQ(row(3), QStringList({"", "", "", "Удалённая", "0", "Очень плохой"}));
  EXPECT_EQ(row(4), QStringList({"СЕВЕР", "ЛУЧ", "", "Майка", "0", "Очень плохой"}));
  EXPECT_FALSE(grid(list, "StringGrid1")->item(1, 1)->flags() & Qt::ItemIsEditable);

  EXPECT_EQ(dm.korova.recNo(), cowRec);
  EXPECT_EQ(dm.korova.filter(), "kodreg=1 and kodvlad=1");
  EXPECT_EQ(dm.vlad.filter(), "kodreg=1");

  // Reopened for a bull without daughters: the titles alone.
  list.hide();
  herd.bull(1, 1, "5", "Пустой");
  list.show();
  EXPECT_EQ(grid(list, "StringGrid1")->rowCount(), 1);
  EXPECT_EQ(list.windowTitle(), "Дочери быка \"Пустой\"");
}

}  // namespace
