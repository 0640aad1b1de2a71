// The readability sweep: every window at its layout size, over a generated herd whose shown
// records carry the widest values the tables hold (20-character animal names in capitals,
// the longest region, farm and breed names, full-width lines and birth places, the longest
// category) and the starter catalogue with its longest trait names. In every state a person
// meets, each caption, header, cell and field shows whole (see caption_fit.h), in the
// program's own window font.
#include "caption_fit.h"
#include "messages.h"
#include "qt_print.h"
#include "real_windows.h"

#include "app/main_menu.h"
#include "cows/cow_card.h"
#include "db/data_module.h"
#include "db/table.h"
#include "evaluation/variants_window.h"
#include "help/instruction_text.h"
#include "help/instructions_window.h"
#include "herdgen/herdgen.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/regions_window.h"
#include "safety/backup_window.h"
#include "safety/restore_window.h"
#include "sires/bull_card.h"
#include "ui/forms.h"
#include "ui/session.h"
#include "ui/window_font.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::ModalAnswers;
using test::named;
using test::kNoDelete;

const QString kRegion = QStringLiteral("Республика Башкортостан");
const QString kFarm = QStringLiteral("СХПК «Племзавод Ленинский»");
const QString kBreed = QStringLiteral("Черно-пестрая голшт.");  // 20 characters
const QString kBull = QStringLiteral("БОГАТЫРЬ ШМЕЛЬ 12345");
const QString kBullCode = QStringLiteral("999999");
// The farm's first four cows: three daughters of the bull, and one whose father is only a name.
const QString kCows[] = {QStringLiteral("ЖЕМЧУЖИНА 1234567890"), QStringLiteral("ШОКОЛАДКА 1234567891"),
                         QStringLiteral("ЗВЕЗДОЧКА 1234567892"), QStringLiteral("МАЛИНОВКА 1234567893")};
const QString kFatherByName = QStringLiteral("ЖЕМЧУГ ШМЕЛЬ 1234567");
const QString kMother = QStringLiteral("ЖЕМЧУЖИНА 1234567800");
const QString kLine = QStringLiteral("ВИС АЙДИАЛ");            // 10 characters
const QString kPlace = QStringLiteral("01.02.2015 Шушенское");  // 20 characters
const QString kPrevious = QStringLiteral("Элита-рек.");

void setField(db::Table& t, QStringView field, const QString& value) { t.fieldByName(field).setString(value); }

// Puts the widest values into the records the windows open on: region 1, its farm 1, breed 1,
// the first bull (moved to that farm) and the farm's first four cows.
void widen(const QString& dir) {
  auto table = [&](const char* component, const char* name) {
    auto t = std::make_unique<db::Table>(QString::fromLatin1(component), QString::fromLatin1(name));
    t->setDirectory(dir);
    t->open();
    t->first();
    return t;
  };
  auto rewrite = [](db::Table& t, const std::function<bool()>& isTarget, const std::function<void()>& write) {
    int done = 0;
    for (t.first(); !t.eof(); t.next()) {
      if (!isTarget()) continue;
      t.edit();
      write();
      t.post();
      ++done;
    }
    return done;
  };
  auto whole = [](db::Table& t, const char16_t* field) { return t.fieldByName(field).asInteger(); };

  auto region = table("Table1", "REGION");
  rewrite(*region, [&] { return whole(*region, u"kodreg") == 1; }, [&] { setField(*region, u"region", kRegion); });
  auto farm = table("vlad2", "VLAD");
  rewrite(*farm, [&] { return whole(*farm, u"kodreg") == 1 && whole(*farm, u"kodvlad") == 1; },
          [&] { setField(*farm, u"vlad", kFarm); });
  auto breed = table("poroda", "PORODA");
  rewrite(*breed, [&] { return whole(*breed, u"kodporod") == 1; }, [&] { setField(*breed, u"poroda", kBreed); });

  auto bull = table("bik", "BIK");
  bull->edit();
  bull->fieldByName(u"kodreg").setInteger(1);
  bull->fieldByName(u"kodvlad").setInteger(1);
  bull->fieldByName(u"kodporod").setInteger(1);
  setField(*bull, u"nokli", kBull);
  setField(*bull, u"kodbyk", kBullCode);
  setField(*bull, u"line", kLine);
  setField(*bull, u"mesto", kPlace);
  bull->post();

  auto cow = table("korova", "KOROVA");
  int n = 0;
  const int written = rewrite(
      *cow, [&] { return n < 4 && whole(*cow, u"kodreg") == 1 && whole(*cow, u"kodvlad") == 1; },
      [&] {
        const bool daughter = n != 1;
        setField(*cow, u"nokli", kCows[n]);
        setField(*cow, u"basekod", daughter ? QStringLiteral("+") : QString());
        setField(*cow, u"kodbyk", daughter ? kBullCode : kFatherByName);
        setField(*cow, u"matnokli", kMother);
        setField(*cow, u"line", kLine);
        setField(*cow, u"mesto", kPlace);
        setField(*cow, u"predoc", kPrevious);
        cow->fieldByName(u"nlakt").setInteger(12);
        cow->fieldByName(u"kodporod").setInteger(1);
        cow->fieldByName(u"data").setDate(QDate(2017, 12, 28));
        // Scores whose means need two decimals ("8,67", "70,67"), every defect strongly present
        // ("100#100") and an overall score in the longest category, "Удовлетворительный".
        for (int i = 1; i <= 30; ++i) cow->fieldByName(QStringLiteral("x%1").arg(i)).setInteger(n == 0 ? 9 : 8);
        for (int i = 1; i <= 60; ++i) setField(*cow, QStringLiteral("xx%1").arg(i), QStringLiteral("++"));
        for (int i = 1; i <= 15; ++i) cow->fieldByName(QStringLiteral("xxx%1").arg(i)).setInteger(n == 0 ? 70 : 71);
        ++n;
      });
  ASSERT_EQ(written, 4) << "the generated farm 1 of region 1 has fewer than four cows";
}

struct ReadabilitySweep : ::testing::Test {
  ReadabilitySweep() {
    herd::HerdOptions o;
    o.cows = 80;
    o.bulls = 8;
    o.regions = 2;
    o.farmsPerRegion = 2;
    o.breeds = 3;
    o.seed = 11;
    herd::generateHerd(folder.path(), o);
    widen(folder.path());
    previousFolder = QDir::currentPath();
    QDir::setCurrent(folder.path());
    app = std::make_unique<test::App>(folder.path());
    real = std::make_unique<test::RealPromptsInForce>(app->prompts);
  }
  ~ReadabilitySweep() override {
    real.reset();
    app.reset();
    QDir::setCurrent(previousFolder);
  }

  // What a person sees of `window` now: every text that does not show whole, and the window's
  // size when it is not its layout size.
  void look(QWidget& window, const char* state, QSize size = {}) {
    SCOPED_TRACE(state);
    QApplication::processEvents();
    if (size.isValid()) {
      EXPECT_EQ(window.size(), size);
    }
    const QStringList unreadable = test::unreadableTexts(window);
    EXPECT_TRUE(unreadable.isEmpty()) << window.windowTitle().toStdString() << ", " << state << ":\n  "
                                      << unreadable.join(QStringLiteral("\n  ")).toStdString();
    ++looks;
  }
  // Opens a working window as the main menu does, with the caption the menu gives it.
  void open(QDialog& window, const QString& caption = {}) {
    if (!caption.isEmpty()) window.setWindowTitle(caption);
    test::openModal(window, answers);
    test::settle(answers);
  }
  void press(QWidget& window, const char* button) {
    test::clickOn(named<QPushButton>(window, button));
    test::settle(answers);
  }
  // Shows the write button of a card: a letter typed at the end of the field and taken back.
  void changeAndRestore(QWidget& window, const char* field) {
    auto* edit = named<QLineEdit>(window, field);
    test::clickOn(edit);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_X);
    QTest::keyClick(edit, Qt::Key_Backspace);
  }

  test::WorkFolder folder;
  QString previousFolder;
  std::unique_ptr<test::App> app;
  std::unique_ptr<test::RealPromptsInForce> real;
  ModalAnswers answers;
  int looks = 0;
};

const QSize kWorkingWindow(1024, 736);

TEST_F(ReadabilitySweep, EveryTextOfEveryWindowShowsWholeAtItsLayoutSize) {
  ASSERT_EQ(QFontInfo(QApplication::font()).family(), QString::fromLatin1(kWindowFontFamily))
      << "the window font is not installed (fonts-paratype)";
  Forms& f = forms();
  QWidget& menu = *f.mainMenu;
  QDialog& regions = *f.regionsWindow;
  QDialog& farms = *f.farmsWindow;
  QDialog& breeds = *f.breedsWindow;
  QDialog& cows = *f.cowWindow;
  QDialog& bulls = *f.bullWindow;
  QDialog& variants = *f.variantsWindow;
  QDialog& backup = *f.backupWindow;
  QDialog& restore = *f.restoreWindow;
  QDialog& instructions = *f.instructionsWindow;
  const QString ok = QStringLiteral("OK");

  struct Scene {
    const char* name;
    std::function<void()> run;
  };
  const std::vector<Scene> scenes = {
      {"main menu",
       [&] {
         menu.show();
         EXPECT_TRUE(QTest::qWaitFor([&] { return menu.size() == kWorkingWindow; }, 5000));
         look(menu, "as started", kWorkingWindow);
         menu.hide();
       }},
      {"regions",
       [&] {
         open(regions, QStringLiteral("Работа с регионами"));
         look(regions, "opened", kWorkingWindow);
         regions.hide();
       }},
      {"breeds with the key and text dialogs",
       [&] {
         open(breeds, QStringLiteral("Породы"));
         look(breeds, "opened from the menu", kWorkingWindow);
         answers.act([&](QWidget& key) {
           look(key, "selection key dialog", QSize(320, 120));
           test::clickOn(ModalAnswers::button(key, QStringLiteral("Выделить")));
         });
         press(breeds, "Button3");
         answers.act([&](QWidget& text) {
           look(text, "text input dialog with the breed's name", QSize(680, 100));
           test::clickOn(ModalAnswers::button(text, QStringLiteral("Записать")));
         });
         press(breeds, "Button2");
         breeds.hide();
       }},
      {"calculation variants",
       [&] {
         open(variants, QStringLiteral("Подготовка расчета характеристик быков-производителей породы \"%1\"").arg(kBreed));
         look(variants, "opened", kWorkingWindow);
         // A run over the whole herd, its progress window shown from the start.
         f.variantsWindow->progressDelayMs = 0;
         f.variantsWindow->outputFolder = folder.path();
         f.variantsWindow->openWorkbook = [](const QString&) { return true; };
         answers.answerProgressWindows().act([&](QWidget& progress) {
           look(progress, "progress of a run");
         });
         answers.act([&](QWidget& done) {
           look(done, "where the workbook was written");
           test::clickOn(ModalAnswers::button(done, ok));
         });
         press(variants, "Button1");
         answers.answerProgressWindows(false);
         variants.hide();
       }},
      {"cows",
       [&] {
         open(cows);
         look(cows, "the first cow, her father a bull of the table", kWorkingWindow);
         press(cows, "Button2");
         changeAndRestore(cows, "Edlin");
         look(cows, "editing with unsaved changes");
         answers.act([&](QWidget& question) {
           look(question, "the question about unsaved changes");
           test::clickOn(ModalAnswers::button(question, QStringLiteral("Нет")));
         });
         test::clickCell(named<QTableView>(cows, "DBGrid1"), 1, 0);
         test::settle(answers);
         look(cows, "a cow whose father is only a name");
         answers.act([&](QWidget& question) {
           look(question, "delete confirmation");
           test::clickOn(ModalAnswers::button(question, kNoDelete));
         });
         press(cows, "Button4");
         cows.hide();
       }},
      {"bulls and daughters",
       [&] {
         open(bulls, QStringLiteral("Быки"));
         look(bulls, "the first bull with his three daughters", kWorkingWindow);
         press(bulls, "Button1");
         changeAndRestore(bulls, "Edlin");
         look(bulls, "line and birth place changed, not written");
         answers.act([&](QWidget& daughters) {
           look(daughters, "daughters list", kWorkingWindow);
           daughters.close();
         });
         press(bulls, "Button10");
         bulls.hide();
       }},
      {"backup and restore",
       [&] {
         open(backup);
         look(backup, "backup", QSize(825, 563));
         backup.hide();
         open(restore);
         look(restore, "restore", QSize(804, 563));
         restore.hide();
       }},
      {"instructions",
       [&] {
         for (int selector = 1; selector <= kInstructionCount; ++selector) {
           instructionSelector = selector;
           open(instructions);
           look(instructions, qPrintable(QStringLiteral("instruction %1").arg(selector)), kWorkingWindow);
           instructions.hide();
         }
       }},
      {"farms and the removal of a farm",
       [&] {
         open(farms, QStringLiteral("Работа с владельцами (хозяйствами)"));
         look(farms, "browsing", kWorkingWindow);
         press(farms, "Button4");
         look(farms, "choosing the removal variant");
         test::clickOn(named<QWidget>(farms, "RadioButton2"));
         answers.click(ok);
         press(farms, "Button7");
         look(farms, "choosing the farm for the animals");
         answers.click(ok);
         press(farms, "Button8");
         farms.hide();
       }},
  };
  for (const Scene& s : scenes) {
    SCOPED_TRACE(s.name);
    s.run();
  }
  EXPECT_EQ(looks, 29);
}

}  // namespace
}  // namespace korvel
