// The backup and restore windows offscreen, with scripted prompts and folders standing for media.
#include "drive_fixture.h"
#include "herd_writer.h"
#include "messages.h"
#include "modal_answers.h"
#include "modal_closer.h"
#include "named.h"
#include "work_folder.h"

#include "app/main_menu.h"
#include "db/data_module.h"
#include "safety/backup_manifest.h"
#include "safety/backup_restore.h"
#include "safety/backup_window.h"
#include "safety/restore_window.h"
#include "sires/bull_card.h"
#include "ui/forms.h"
#include "ui/real_prompts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <QFileInfo>

namespace korvel {
namespace {

using test::addRegion;
using test::bytesOf;
using test::button;
using test::edit;
using test::label;
using test::snapshot;
using test::TestDrive;
using test::WorkFolder;
using test::kNotRestored;

void add(db::Table& t, std::initializer_list<std::pair<const char16_t*, QString>> values) {
  t.append();
  for (const auto& [field, value] : values) t.fieldByName(field).setString(value);
  t.post();
}

// A few regions, farms and breeds, and the reference tables opened as the main menu opens them.
void fillAndActivate(HerdTables& dm) {
  forms().mainMenu->FormActivate();
  add(dm.region, {{u"kodreg", "1"}, {u"region", "Северный"}});
  add(dm.region, {{u"kodreg", "2"}, {u"region", "Южный"}});
  add(dm.vlad, {{u"kodreg", "1"}, {u"kodvlad", "0"}, {u"vlad", "Архив"}});
  add(dm.vlad, {{u"kodreg", "2"}, {u"kodvlad", "0"}, {u"vlad", "Архив"}});
  add(dm.vlad, {{u"kodreg", "2"}, {u"kodvlad", "1"}, {u"vlad", "Заря"}});
  add(dm.poroda, {{u"kodporod", "1"}, {u"poroda", "Голштинская"}});
}

// Types one character as the keyboard would, whatever its alphabet.
void typeInto(QLineEdit& field, const QString& ch) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, ch);
  QApplication::sendEvent(&field, &press);
  QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, ch);
  QApplication::sendEvent(&field, &release);
}

// Counts how often each table is closed or reopened.
struct ResetCounter {
  explicit ResetCounter(HerdTables& dm) {
    for (db::Table* t : dm.tables()) t->addListener([this](db::TableEvent e) { resets += e == db::TableEvent::Reset; });
  }
  int resets = 0;
};

TEST(BackupWindow, ShowsItsInstructionsAndTheLetterField) {
  WorkFolder folder;
  test::App app(folder.path());
  BackupWindow& w = *forms().backupWindow;
  w.show();
  EXPECT_EQ(w.windowTitle(), "Создание архива");
  EXPECT_EQ(w.size(), QSize(825, 563));
  EXPECT_EQ(label(w, "Label1")->text(), "Подготовьте резервный носитель (вставьте дискету или флэшку или убедитесь в готовности сетевого диска).");
  EXPECT_EQ(label(w, "Label2")->text(), "Узнайте имя резервного носителя (см. Инструкцию), введите эту букву в латинском регистре");
  EXPECT_EQ(label(w, "Label3")->text(), "в поле внизу и нажмите кнопку \"Архивировать\", а если передумали - \"Выход\".");
  EXPECT_EQ(label(w, "Label4")->text(), "По окончании копирования нажмите \"Выход\".");
  EXPECT_EQ(label(w, "Label5")->text(), "Архивирование продолжается 5-20 секунд. Подождите...");
  EXPECT_EQ(label(w, "Label6")->text(), "Имя резервного носителя");
  EXPECT_EQ(button(w, "Button1")->text(), "Архивировать");
  EXPECT_EQ(button(w, "Button2")->text(), "Выход");
  EXPECT_EQ(w.focusWidget(), edit(w, "MaskEdit1"));
  EXPECT_EQ(edit(w, "MaskEdit1")->displayText(), "_");

  // One character at most, and a digit is not taken at all.
  QTest::keyClicks(edit(w, "MaskEdit1"), "1");
  EXPECT_EQ(edit(w, "MaskEdit1")->text(), "");
  QTest::keyClicks(edit(w, "MaskEdit1"), "ef");
  EXPECT_EQ(edit(w, "MaskEdit1")->text(), "f");  // the letter typed last takes the one place
  QTest::keyClick(edit(w, "MaskEdit1"), Qt::Key_Backspace);
  EXPECT_EQ(edit(w, "MaskEdit1")->text(), "");
  EXPECT_EQ(edit(w, "MaskEdit1")->displayText(), "_");
  QTest::keyClicks(edit(w, "MaskEdit1"), "g");
  EXPECT_EQ(edit(w, "MaskEdit1")->text(), "g");
  button(w, "Button2")->click();
  EXPECT_FALSE(w.isVisible());
  // Nothing is kept for the next opening.
  w.show();
  EXPECT_EQ(edit(w, "MaskEdit1")->text(), "");
  w.hide();
}

// A person who starts the program from the desktop's menu sees the flash drives the desktop
// mounted, each with its letter, beside the letter field; one plugged in while the window is
// open appears there.
TEST(BackupWindow, ShowsTheMountedMediaWithTheirLettersBesideTheField) {
#ifdef Q_OS_WIN
  GTEST_SKIP() << "the media come from a Linux mount table here; Windows lists its removable drives";
#endif
  WorkFolder folder;
  test::App app(folder.path());
  QTemporaryDir dir;
  const QString mountinfo = dir.filePath(QStringLiteral("mountinfo"));
  const QByteArray root = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
  test::writeFile(mountinfo, root + "97 22 8:17 / /media/anna/KINGSTON rw - vfat /dev/sdb1 rw\n");
  qputenv("KORVEL_MOUNTINFO", QFile::encodeName(mountinfo));
  TestDrive d('D');  // D is the variable's: the flash drive gets the next letter
  ASSERT_FALSE(QFileInfo::exists(QStringLiteral("/mnt/e")) || QFileInfo::exists(QStringLiteral("/mnt/f")));

  BackupWindow& w = *forms().backupWindow;
  w.show();
  QLabel* media = label(w, "MediaList");
  EXPECT_TRUE(media->isVisible());
  EXPECT_EQ(media->text(), QStringLiteral("E: — KINGSTON (/media/anna/KINGSTON)"));
  // Beside the field, on its line.
  const QRect field(edit(w, "MaskEdit1")->mapTo(&w, QPoint(0, 0)), edit(w, "MaskEdit1")->size());
  const QPoint list = media->mapTo(&w, QPoint(0, 0));
  EXPECT_GT(list.x(), field.right());
  EXPECT_EQ(list.y(), field.top());

  test::writeFile(mountinfo, root + "97 22 8:17 / /media/anna/KINGSTON rw - vfat /dev/sdb1 rw\n"
                                    "98 22 8:33 / /run/media/anna/PHOTO rw - exfat /dev/sdc1 rw\n");
  QTRY_COMPARE_WITH_TIMEOUT(media->text(),
                            QStringLiteral("E: — KINGSTON (/media/anna/KINGSTON)\nF: — PHOTO (/run/media/anna/PHOTO)"),
                            5000);
  test::writeFile(mountinfo, root);
  QTRY_VERIFY_WITH_TIMEOUT(!media->isVisible(), 5000);
  w.hide();
  qunsetenv("KORVEL_MOUNTINFO");
}

TEST(BackupWindow, TheLetterIsCheckedBeforeAnythingElse) {
  WorkFolder folder;
  TestDrive e('E');
  test::App app(folder.path());
  fillAndActivate(app.dm());
  ResetCounter counter(app.dm());
  BackupWindow& w = *forms().backupWindow;
  w.show();

  button(w, "Button1")->click();  // empty field
  typeInto(*edit(w, "MaskEdit1"), "е");  // Cyrillic
  ASSERT_EQ(edit(w, "MaskEdit1")->text(), "е");
  button(w, "Button2")->setFocus();
  button(w, "Button1")->click();
  EXPECT_EQ(app.prompts.messages, QStringList({"Введите одну латинскую букву...", "Введите одну латинскую букву..."}));
  EXPECT_EQ(w.focusWidget(), edit(w, "MaskEdit1"));
  EXPECT_EQ(counter.resets, 0);

  // A letter whose medium is not there: nothing is closed either.
  app.prompts.messages.clear();
  qputenv("KORVEL_DRIVE_Q", QFile::encodeName(e.path("absent")));
  edit(w, "MaskEdit1")->clear();
  QTest::keyClicks(edit(w, "MaskEdit1"), "q");
  button(w, "Button1")->click();
  qunsetenv("KORVEL_DRIVE_Q");
  EXPECT_EQ(app.prompts.messages, QStringList{"Резервный носитель не установлен или не исправен..."});
  EXPECT_EQ(counter.resets, 0);
  EXPECT_FALSE(QFile::exists(e.path("arhivbik")));

  // "e" is drive E.
  app.prompts.messages.clear();
  edit(w, "MaskEdit1")->clear();
  QTest::keyClicks(edit(w, "MaskEdit1"), "e");
  button(w, "Button1")->click();
  EXPECT_EQ(app.prompts.messages, QStringList{"Резервная копия создана!"});
  EXPECT_EQ(bytesOf(e.path("arhivbik/REGION.DBF")), bytesOf(folder.file("REGION.DBF")));
  w.hide();
}

TEST(BackupWindow, TheTablesAreOpenAgainWithTheirFiltersAtTheirFirstRecords) {
  WorkFolder folder;
  TestDrive e('E');
  test::App app(folder.path());
  HerdTables& dm = app.dm();
  fillAndActivate(dm);
  dm.region.setFilter("kodreg=2");
  dm.region.setFiltered(true);
  dm.vlad.setFilter("kodreg=2");
  dm.vlad.setFiltered(true);
  dm.vlad.next();
  ASSERT_EQ(dm.vlad.recNo(), 3);
  dm.poroda.setFilter("kodporod=1");  // written but not switched on
  dm.bik.open();
  dm.bik.setFilter("kodreg=1");
  ASSERT_FALSE(dm.korova.isOpen());

  BackupWindow& w = *forms().backupWindow;
  w.show();
  QTest::keyClicks(edit(w, "MaskEdit1"), "E");
  button(w, "Button1")->click();
  w.hide();
  EXPECT_EQ(app.prompts.messages, QStringList{"Резервная копия создана!"});

  EXPECT_TRUE(dm.region.isOpen());
  EXPECT_TRUE(dm.region.filtered());
  EXPECT_EQ(dm.region.filter(), "kodreg=2");
  EXPECT_EQ(dm.region.fieldByName(u"region").asString(), "Южный");
  EXPECT_TRUE(dm.vlad.filtered());
  EXPECT_EQ(dm.vlad.recNo(), 2) << "back at the first farm of region 2";
  EXPECT_FALSE(dm.poroda.filtered());
  EXPECT_EQ(dm.poroda.filter(), "kodporod=1");
  EXPECT_TRUE(dm.poroda.isOpen());
  EXPECT_TRUE(dm.bik.isOpen());
  EXPECT_EQ(dm.bik.filter(), "kodreg=1");
  EXPECT_TRUE(dm.xarakt.isOpen());
  EXPECT_FALSE(dm.korova.isOpen()) << "a table that was closed stays closed";
}

TEST(BackupWindow, TheMainMenuOpensItModally) {
  WorkFolder folder;
  TestDrive e('E');
  test::App app(folder.path());
  forms().mainMenu->FormActivate();
  test::ModalCloser closer([](QWidget& window) {
    auto& w = dynamic_cast<BackupWindow&>(window);
    QTest::keyClicks(edit(w, "MaskEdit1"), "e");
    button(w, "Button1")->click();
  });
  button(*forms().mainMenu, "Button8")->click();
  EXPECT_EQ(closer.titles, QStringList{"Создание архива"});
  EXPECT_EQ(app.prompts.messages, QStringList{"Резервная копия создана!"});
}

TEST(RestoreWindow, ShowsItsInstructionsAndTheLetterField) {
  WorkFolder folder;
  test::App app(folder.path());
  RestoreWindow& w = *forms().restoreWindow;
  w.show();
  EXPECT_EQ(w.windowTitle(), "Восстановление данных с резервного носителя");
  EXPECT_EQ(w.size(), QSize(804, 563));
  EXPECT_EQ(label(w, "Label1")->text(), "Подготовьте резервный носитель (вставьте дискету или подключите флэшку или убедитесь в готовности внешнего диска).");
  EXPECT_EQ(label(w, "Label2")->text(), "Узнайте имя резервного носителя (см. Инструкцию) и введите эту букву в латинском регистре");
  EXPECT_EQ(label(w, "Label3")->text(), "в поле внизу и нажмите кнопку \"Восстановить данные\", а если передумали - \"Выход\".");
  EXPECT_EQ(label(w, "Label4")->text(), "По окончании восстановления нажмите \"Выход\". Восстановление может продолжаться 5-20 секунд. Подождите...");
  EXPECT_EQ(label(w, "Label5")->text(), "Имя резервного носителя:");
  EXPECT_EQ(button(w, "Button1")->text(), "Восстановить данные");
  EXPECT_EQ(button(w, "Button2")->text(), "Выход");
  EXPECT_EQ(w.focusWidget(), edit(w, "MaskEdit1"));
  button(w, "Button1")->click();
  EXPECT_EQ(app.prompts.messages, QStringList{"Введите одну латинскую букву..."});
  button(w, "Button2")->click();
  EXPECT_FALSE(w.isVisible());
}

TEST(RestoreWindow, AMediumWithoutTheBullsTableIsRefusedBeforeAnyTableIsClosed) {
  WorkFolder folder;
  TestDrive f('F');
  test::App app(folder.path());
  fillAndActivate(app.dm());
  ASSERT_TRUE(QDir(f.root()).mkdir("arhivbik"));
  for (const QString name : {"REGION.DBF", "VLAD.DBF", "KOROVA.DBF"})
    ASSERT_TRUE(QFile::copy(folder.file(name), f.path("arhivbik/" + name)));
  app.dm().region.next();
  const int regionRow = app.dm().region.recNo();
  const auto before = snapshot(folder.path());
  ResetCounter counter(app.dm());

  RestoreWindow& w = *forms().restoreWindow;
  w.show();
  QTest::keyClicks(edit(w, "MaskEdit1"), "f");
  button(w, "Button1")->click();
  w.hide();
  EXPECT_EQ(app.prompts.messages,
            QStringList{"Резервный носитель не установлен или не исправен или не содержит резервной копии..."});
  EXPECT_EQ(counter.resets, 0);
  EXPECT_EQ(app.dm().region.recNo(), regionRow);
  EXPECT_TRUE(snapshot(folder.path()) == before);
}

TEST(RestoreWindow, RestoresTheTablesAndActivatesTheMainMenu) {
  TestDrive f('F');
  WorkFolder saved;
  {
    test::App other(saved.path());
    fillAndActivate(other.dm());
  }
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);

  WorkFolder folder;
  test::App app(folder.path());
  HerdTables& dm = app.dm();
  forms().mainMenu->FormActivate();
  dm.bik.open();
  dm.korova.open();
  forms().bullWindow->setWindowTitle("Выбор быка");

  RestoreWindow& w = *forms().restoreWindow;
  w.show();
  QTest::keyClicks(edit(w, "MaskEdit1"), "F");
  app.prompts.answers = {Answer::Yes};
  button(w, "Button1")->click();
  w.hide();
  EXPECT_EQ(app.prompts.asked.size(), 1);
  EXPECT_EQ(app.prompts.messages, QStringList{"Данные восстановлены!"});
  for (const QString name : {"REGION.DBF", "VLAD.DBF", "PORODA.DBF", "BIK.DBF", "KOROVA.DBF", "XARAKT.DBF"})
    EXPECT_EQ(bytesOf(folder.file(name)), bytesOf(saved.file(name))) << name.toStdString();
  EXPECT_TRUE(dm.region.isOpen());
  EXPECT_EQ(dm.region.fieldByName(u"region").asString(), "Северный");
  EXPECT_TRUE(dm.vlad.isOpen());
  EXPECT_TRUE(dm.poroda.isOpen());
  EXPECT_TRUE(dm.xarakt.isOpen());
  EXPECT_FALSE(dm.bik.isOpen()) << "the bulls window reopens it";
  EXPECT_FALSE(dm.korova.isOpen()) << "the cows window reopens it";
  EXPECT_EQ(forms().bullWindow->windowTitle(), "Быки");
}

// The restore asks in a real box before it replaces anything: "Нет" leaves every working file as
// it was, "Да" restores.
TEST(RestoreWindow, AsksInARealBoxBeforeReplacingTheWorkingData) {
  TestDrive f('F');
  WorkFolder saved;
  addRegion(saved.path(), 1, QStringLiteral("Архивный"));
  for (const char* name : {"Майка", "Зорька"})
    test::appendRow(saved.path(), "KOROVA", {{"kodreg", 1}, {"kodvlad", 1}, {"nokli", QString::fromUtf8(name)}});
  test::appendRow(saved.path(), "BIK", {{"kodreg", 1}, {"kodvlad", 1}, {"nokli", QStringLiteral("Буян")}});
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
  const QString question =
      QStringLiteral("Заменить данные рабочей папки копией от %1 (2 коровы, 1 бык)? Данные, введенные после этого, "
                     "будут потеряны.")
          .arg(safety::readManifest(QDir(f.path("arhivbik"))).made.toLocalTime().toString("dd.MM.yyyy HH:mm"));

  WorkFolder folder;
  addRegion(folder.path(), 1, QStringLiteral("Текущий"));
  test::App app(folder.path());
  forms().mainMenu->FormActivate();
  const test::RealPromptsInForce real(app.prompts);
  const auto before = snapshot(folder.path());
  RestoreWindow& w = *forms().restoreWindow;
  w.show();
  QTest::keyClicks(edit(w, "MaskEdit1"), "f");
  {
    test::ModalAnswers answers;
    answers.click("Нет");
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
    EXPECT_EQ(answers.shown, QStringList{question});
    EXPECT_EQ(answers.pending(), 0u);
  }
  EXPECT_TRUE(snapshot(folder.path()) == before) << "the working folder changed after \"Нет\"";
  {
    test::ModalAnswers answers;
    answers.click("Да").click("OK");
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
    EXPECT_EQ(answers.shown, (QStringList{question, "Данные восстановлены!"}));
    EXPECT_EQ(answers.pending(), 0u);
  }
  w.hide();
  EXPECT_TRUE(test::sixTables(folder.path()) == test::sixTables(saved.path()));
}

// Through the real message boxes, answered by clicking their buttons: a backup that cannot
// complete says why, and a restore refuses a set the backup's manifest does not vouch for.
TEST(SafetyWindows, FailuresAreToldInRealBoxesAndChangeNoWorkingTable) {
  TestDrive f('F');
  WorkFolder saved, other;
  addRegion(saved.path(), 1, QStringLiteral("Архивный"));
  addRegion(other.path(), 1, QStringLiteral("Другой"));
  ASSERT_TRUE(safety::backupToDrive(saved.path(), 'F').ok);
  // A mixed set: one table from another backup.
  ASSERT_TRUE(QFile::remove(f.path("arhivbik/REGION.DBF")));
  ASSERT_TRUE(QFile::copy(other.file("REGION.DBF"), f.path("arhivbik/REGION.DBF")));

  WorkFolder folder;
  test::App app(folder.path());
  forms().mainMenu->FormActivate();
  RealPrompts real;
  setPrompts(&real);
  const auto before = snapshot(folder.path());
  {
    test::ModalAnswers answers;
    answers.click("OK").click("OK");
    RestoreWindow& w = *forms().restoreWindow;
    w.show();
    QTest::keyClicks(edit(w, "MaskEdit1"), "f");
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
    w.hide();
    EXPECT_EQ(answers.shown,
              (QStringList{"Резервная копия на носителе не совпадает со своей описью: файлы REGION.DBF изменены, "
                           "повреждены или отсутствуют. Рабочая папка осталась без изменений.",
                           kNotRestored}));
    EXPECT_EQ(answers.pending(), 0u);
  }
  EXPECT_TRUE(snapshot(folder.path()) == before) << "the working folder changed";

  // A folder stands where the cows' copy goes: the backup says which copy failed and why.
  ASSERT_TRUE(QFile::remove(f.path("arhivbik/KOROVA.DBF")));
  ASSERT_TRUE(QDir(f.path("arhivbik")).mkdir("KOROVA.DBF"));
  {
    test::ModalAnswers answers;
    answers.click("OK").click("OK").click("OK");
    BackupWindow& w = *forms().backupWindow;
    w.show();
    QTest::keyClicks(edit(w, "MaskEdit1"), "f");
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
    w.hide();
    EXPECT_EQ(answers.shown, (QStringList{"Копия KOROVA.DBF не создана",
                                          "Причина: на месте файла находится папка с тем же именем.",
                                          "Резервная копия НЕ создана!!"}));
    EXPECT_EQ(answers.pending(), 0u);
  }
  EXPECT_TRUE(snapshot(folder.path()) == before);
  setPrompts(&app.prompts);
}

}  // namespace
}  // namespace korvel
