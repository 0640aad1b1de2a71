// The window kit under real windows: the one guarded road from every button into the program,
// and the picker mode a borrowed list window takes from its caller, not from its caption.
#include "app/main_menu.h"
#include "db/data_module.h"
#include "evaluation/variants_window.h"
#include "help/instructions_window.h"
#include "qt_print.h"
#include "real_windows.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/regions_window.h"
#include "safety/backup_window.h"
#include "safety/restore_window.h"
#include "cows/cow_card.h"
#include "sires/bull_card.h"
#include "ui/forms.h"

#include <QDir>
#include <QAbstractButton>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTableView>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>

using namespace korvel;
using test::ModalAnswers;

namespace {

const QString kOk = QStringLiteral("OK");
const QString kFault = QStringLiteral("Диалог не открылся");

// The real prompts, except that the next question or message asked for after `failNext()`
// fails with a standard exception instead of opening, as a broken dialog would.
class FailingPrompts : public RealPrompts {
 public:
  explicit FailingPrompts(Prompts& restore) : restore_(restore) { setPrompts(this); }
  ~FailingPrompts() override { setPrompts(&restore_); }
  void failNext() { fail_ = true; }

  void message(const QString& text) override {
    failIfAsked();
    RealPrompts::message(text);
  }
  Answer yesNoCancel(const QString& text) override {
    failIfAsked();
    return RealPrompts::yesNoCancel(text);
  }
  QString textInput(const QString& caption, const QString& initial) override {
    failIfAsked();
    return RealPrompts::textInput(caption, initial);
  }
  QString selectionKey() override {
    failIfAsked();
    return RealPrompts::selectionKey();
  }
  bool confirmDelete(const DeleteQuestion& question) override {
    failIfAsked();
    return RealPrompts::confirmDelete(question);
  }
  void showPicker(KorvelDialog& window, const QString& caption, PickerUse use) override {
    failIfAsked();
    RealPrompts::showPicker(window, caption, use);
  }

 private:
  void failIfAsked() {
    if (!fail_) return;
    fail_ = false;
    throw std::runtime_error(kFault.toStdString());
  }
  Prompts& restore_;
  bool fail_ = false;
};

QString failed(const QString& action) { return QStringLiteral("Не выполнено действие «%1»: %2").arg(action, kFault); }

}  // namespace

// A button whose handler fails with a standard exception, in every window family: the failure
// is told in a real box naming the button, the box is answered by a click on its OK, and the
// window (and with it the program) goes on.
TEST(OneRoadRealWindows, AFailingHandlerIsToldNamingItsButtonAndTheWindowGoesOn) {
  test::RealApp app;
  FailingPrompts failing(prompts());
  Forms& f = forms();
  // The instructions window meets a missing instruction file when it opens.
  ASSERT_TRUE(QFile::remove(QDir(app.dir()).filePath(QStringLiteral("rezerv.txt"))));
  // A run that got past its failure would leave its workbook here.
  const QTemporaryDir out;
  f.variantsWindow->outputFolder = out.path();
  f.variantsWindow->openWorkbook = [](const QString&) { return true; };
  struct Case {
    QWidget* window;
    QString title;
    const char* before;  // a control clicked first, or null
    const char* button;
    QString action;      // the button's caption
    QStringList shown;   // besides the failure
    bool staysOpen;
  };
  const Case cases[] = {
      {f.regionsWindow, QStringLiteral("Работа с регионами"), nullptr, "Button1", QStringLiteral("Добавить"), {}, true},
      {f.farmsWindow, QStringLiteral("Работа с владельцами (хозяйствами)"), nullptr, "Button2",
       QStringLiteral("Добавить владельца (хозяйство)"), {}, true},
      {f.breedsWindow, QStringLiteral("Породы"), nullptr, "Button1", QStringLiteral("Добавить"), {}, true},
      {f.cowWindow, QStringLiteral("Коровы"), nullptr, "Button1", QStringLiteral("Добавить"), {}, true},
      {f.bullWindow, QStringLiteral("Быки"), nullptr, "Button2", QStringLiteral("Добавить"), {}, true},
      // A run ends by closing its window, however it ends.
      {f.variantsWindow, QStringLiteral("Выбор варианта расчета"), "RadioButton6", "Button1",
       QStringLiteral("Параметры расчета заданы. Начать расчет."), {}, false},
      {f.backupWindow, QStringLiteral("Создание архива"), nullptr, "Button1", QStringLiteral("Архивировать"), {}, true},
      {f.restoreWindow, QStringLiteral("Восстановление данных с резервного носителя"), nullptr, "Button1",
       QStringLiteral("Восстановить данные"), {}, true},
      // The main menu's button opens the instructions, whose opening fails: the window comes up
      // all the same and is closed by its user.
      {f.mainMenu, QStringLiteral("Корвель"), nullptr, "Button10", QStringLiteral("Открытие окна „Инструкции“"),
       {QStringLiteral("Инструкции")}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title.toStdString());
    ModalAnswers answers;
    c.window->setWindowTitle(c.title);
    test::openModal(*c.window, answers);
    if (c.before) {
      // A click on the option's caption, near its left end (a radio button takes clicks on its
      // circle and caption only).
      auto* option = test::named<QAbstractButton>(*c.window, c.before);
      QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(12, option->height() / 2));
      ASSERT_TRUE(option->isChecked());
    }
    answers.click(kOk);
    for (int i = 0; i < c.shown.size(); ++i) answers.act([](QWidget& w) { w.close(); });
    failing.failNext();
    test::clickOn(test::named<QWidget>(*c.window, c.button));
    test::settle(answers);
    EXPECT_EQ(answers.shown, QStringList{failed(c.action)} + c.shown);
    EXPECT_EQ(c.window->isVisible(), c.staysOpen);
    c.window->hide();
  }
  EXPECT_TRUE(QDir(out.path()).isEmpty()) << "the failed run wrote a workbook";
}

// Every signal of every window reaches the program's code through the guarded road of the
// window kit: a bare connection would let an exception reach the event loop and end the program.
TEST(OneRoad, NoWindowConnectsASignalAroundTheGuard) {
  const QDir src(QStringLiteral(KORVEL_SOURCE_DIR "/src"));
  // The table layer's signals are emitted inside the handler that changes a table, which the
  // guard already wraps; the spreadsheet opener only tidies up a process of its own, and the
  // watch for its window only asks the desktop for windows, running no code of a window.
  const QStringList allowed = {QStringLiteral("db/"), QStringLiteral("ui/window_base."),
                               QStringLiteral("evaluation/desktop_open.cpp"), QStringLiteral("app/window_to_front.cpp")};
  const QRegularExpression bare(QStringLiteral(R"(\b(connect|invokeMethod|singleShot)\s*\()"));
  QStringList found;
  int files = 0;
  for (QDirIterator it(src.path(), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
       it.hasNext();) {
    const QString path = src.relativeFilePath(it.next());
    if (std::any_of(allowed.begin(), allowed.end(), [&](const QString& a) { return path.startsWith(a); })) continue;
    QFile file(it.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    ++files;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
      if (bare.match(lines[i]).hasMatch()) found << path + QLatin1Char(':') + QString::number(i + 1);
  }
  EXPECT_GT(files, 40) << "the sources were not found";
  EXPECT_EQ(found, QStringList());
}

// The picker mode comes from the caller's picker call, not from the caption: the breeds window
// offers the sire evaluation whenever it is not a picker, and the bulls window starts on the
// father's farm only when it is asked for a cow's father.
TEST(PickerModeRealWindows, TheWindowKnowsItIsAPickerFromItsCallerNotFromItsCaption) {
  test::RealApp app;
  HerdTables& dm = app.dm();
  Forms& f = forms();
  const QString kFatherPicker = bullPickerCaption();
  // A cow whose father stands on another farm than the first region's first, where the bulls
  // window opens from the menu.
  db::Table& cows = dm.korova;
  db::Table& bulls = dm.bik;
  cows.open();
  bulls.open();
  bulls.setFiltered(false);
  for (bulls.first(); !bulls.eof() && bulls.fieldByName(u"kodreg").asInteger() == 1 &&
                      bulls.fieldByName(u"kodvlad").asInteger() == 1;)
    bulls.next();
  ASSERT_FALSE(bulls.eof()) << "every bull stands on the first farm";
  const QString fatherCode = bulls.fieldByName(u"kodbyk").asString();
  const QString fatherName = bulls.fieldByName(u"nokli").asString();
  cows.setFiltered(false);
  cows.first();
  cows.edit();
  cows.fieldByName(u"basekod").setString(QStringLiteral("+"));
  cows.fieldByName(u"kodbyk").setString(fatherCode);
  cows.post();

  auto calculationOffered = [&] { return test::named<QWidget>(*f.breedsWindow, "Button5")->isVisible(); };
  auto currentBull = [&] { return bulls.fieldByName(u"nokli").asString(); };
  auto header = [&] { return test::named<QLabel>(*f.bullWindow, "Label3")->text(); };
  struct Case {
    const char* what;
    KorvelDialog* window;
    QString caption;
    std::optional<PickerUse> picker;  // shown as a picker for this, or as the menu shows it
    std::function<void()> check;
  };
  QString firstFarmHeader;
  const Case cases[] = {
      {"breeds from the menu", f.breedsWindow, QStringLiteral("Породы"), std::nullopt,
       [&] { EXPECT_TRUE(calculationOffered()); }},
      {"breeds as a picker under the menu's caption", f.breedsWindow, QStringLiteral("Породы"), PickerUse::Row,
       [&] { EXPECT_FALSE(calculationOffered()); }},
      {"breeds from the menu under a picker's caption", f.breedsWindow,
       QStringLiteral("Выберите нужную породу, а если такой нет - добавьте новую породу и закройте это окно."),
       std::nullopt, [&] { EXPECT_TRUE(calculationOffered()); }},
      {"bulls from the menu", f.bullWindow, QStringLiteral("Быки"), std::nullopt,
       [&] { firstFarmHeader = header(); }},
      {"bulls from the menu under the father picker's caption", f.bullWindow, kFatherPicker, std::nullopt,
       [&] { EXPECT_EQ(header(), firstFarmHeader); }},
      {"bulls as the calculation's bull picker", f.bullWindow,
       QStringLiteral("Выбор БЫКА-ПРОИЗВОДИТЕЛЯ для расчета характеристик. Выберите нужного быка и закройте это окно."),
       PickerUse::Row, [&] { EXPECT_EQ(header(), firstFarmHeader); }},
      {"bulls as the father picker", f.bullWindow, kFatherPicker, PickerUse::CowFather, [&] {
         EXPECT_NE(header(), firstFarmHeader);
         EXPECT_EQ(currentBull(), fatherName);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModalAnswers answers;
    if (c.picker) {
      // Looked at, then closed by its close box, as a person leaves a picker.
      answers.act([&](QWidget& w) {
        EXPECT_EQ(w.windowTitle(), c.caption);
        EXPECT_EQ(c.window->pickerUse(), c.picker);
        c.check();
        w.close();
      });
      prompts().showPicker(*c.window, c.caption, *c.picker);
      test::settle(answers);
    } else {
      c.window->setWindowTitle(c.caption);
      test::openModal(*c.window, answers);
      EXPECT_EQ(c.window->pickerUse(), std::nullopt);
      c.check();
      c.window->hide();
    }
    EXPECT_EQ(c.window->pickerUse(), std::nullopt) << "the picker mode ends with the picker";
  }
}
