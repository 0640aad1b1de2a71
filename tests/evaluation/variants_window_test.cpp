// The calculation variant window over a small herd: its options and pickers, the requests
// they make, whole runs through Button1 with the workbook read back, and the end of every run.
#include "db/data_module.h"
#include "qt_print.h"
#include "evaluation/desktop_open.h"
#include "evaluation/sire_statistics.h"
#include "evaluation/variants_window.h"
#include "herd_writer.h"
#include "modal_answers.h"
#include "named.h"
#include "ui/forms.h"
#include "work_folder.h"
#include "xlsx_reader.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif


namespace korvel {
namespace {

using test::CowRow;
using test::button;
using test::named;

class VariantsWindow : public ::testing::Test {
 protected:
  VariantsWindow() : app(folder.path()), herd(app.dm()), w(*forms().variantsWindow) {
    herd.region(1, QStringLiteral("Московская область"));
    herd.region(2, QStringLiteral("Тверская область"));
    herd.farm(1, 1, QStringLiteral("СПК «Заря»"));
    herd.farm(1, 0, QStringLiteral("Архив региона"));
    herd.farm(2, 1, QStringLiteral("АО «Искра»"));
    herd.breed(1, QStringLiteral("Черно-пестрая"));
    herd.bull(1, 1, QStringLiteral("101"), QStringLiteral("Аккорд 101"), 1);
    herd.bull(1, 0, QStringLiteral("202"), QStringLiteral("Буран 202"), 1);  // an archive bull
    herd.cows({.region = 1, .farm = 1, .father = QStringLiteral("101")}, {6, 8});
    herd.cows({.region = 1, .farm = 0, .father = QStringLiteral("202")}, {7});
    herd.cows({.region = 1, .farm = 0}, {3, 4});  // the region's archive
    herd.cows({.region = 1, .farm = 1}, {5});
    herd.cows({.region = 2, .farm = 1, .father = QStringLiteral("999")}, {9});  // no bull row
    dm().poroda.first();
    w.outputFolder = out.path();
    w.openWorkbook = [this](const QString& path) {
      opened << path;
      return applicationStarts;
    };
  }
  ~VariantsWindow() override { w.hide(); }

  HerdTables& dm() { return app.dm(); }

  // Picks the row of `table` whose field holds `code` while the borrowed window is shown.
  void pick(db::Table& table, QStringView field, long long code, QStringView field2 = {}, long long code2 = 0) {
    app.prompts.pickerActions.push_back([&table, field = field.toString(), code, field2 = field2.toString(), code2](QDialog&) {
      table.setFiltered(false);
      for (table.first(); !table.eof(); table.next())
        if (table.fieldByName(field).asInteger() == code &&
            (field2.isEmpty() || table.fieldByName(field2).asInteger() == code2))
          return;
    });
  }

  // Opens the window, chooses the two options and presses Button1.
  void run(QRadioButton* base, QRadioButton* bulls) {
    w.show();
    base->setChecked(true);
    bulls->setChecked(true);
    button(w, "Button1")->click();
  }

  void expectRunEnded() {
    EXPECT_FALSE(w.isVisible());
    for (db::DataSource* s : {&dm().regionsSource, &dm().farmsSource, &dm().cowsSource, &dm().traitsSource, &dm().bullsSource})
      EXPECT_TRUE(s->enabled()) << s->objectName().toStdString();
  }

  test::WorkFolder folder;
  test::App app;
  test::HerdWriter herd;
  CalculationVariantsWindow& w;
  QTemporaryDir out;
  QStringList opened;
  bool applicationStarts = true;
};

TEST_F(VariantsWindow, EveryOpeningStartsFromTheFirstOptions) {
  w.show();
  EXPECT_EQ(w.pos(), QPoint(0, 0));
  EXPECT_EQ(w.size(), QSize(1024, 736));
  EXPECT_EQ(named<QGroupBox>(w, "GroupBox1")->title(), QStringLiteral("В качестве сравнительной базы надо учитывать (ВЫБЕРИТЕ!)"));
  EXPECT_EQ(named<QGroupBox>(w, "GroupBox2")->title(), QStringLiteral("Укажите, для каких быков-производителей данной породы надо произвести расчет"));
  EXPECT_EQ(named<QRadioButton>(w, "RadioButton14")->text(), QStringLiteral("Коров данной породы ОДНОГО ХОЗЯЙСТВА"));
  EXPECT_EQ(named<QRadioButton>(w, "RadioButton11")->text(), QStringLiteral("Только для одного конкретного быка"));
  EXPECT_EQ(button(w, "Button1")->text(), QStringLiteral("Параметры расчета заданы. Начать расчет."));
  EXPECT_TRUE(named<QRadioButton>(w, "RadioButton1")->isChecked());
  EXPECT_TRUE(named<QRadioButton>(w, "RadioButton4")->isChecked());
  named<QRadioButton>(w, "RadioButton14")->setChecked(true);
  named<QRadioButton>(w, "RadioButton3")->setChecked(true);
  EXPECT_FALSE(named<QRadioButton>(w, "RadioButton4")->isChecked());  // one choice per group
  EXPECT_TRUE(named<QRadioButton>(w, "RadioButton14")->isChecked() &&
              named<QRadioButton>(w, "RadioButton3")->isChecked());
  w.hide();
  w.show();
  EXPECT_TRUE(named<QRadioButton>(w, "RadioButton1")->isChecked());
  EXPECT_TRUE(named<QRadioButton>(w, "RadioButton4")->isChecked());
}

TEST_F(VariantsWindow, RegionBasesDifferExactlyByTheArchiveFarm) {
  w.show();
  named<QRadioButton>(w, "RadioButton6")->setChecked(true);
  pick(dm().region, u"kodreg", 1);
  const EvaluationRequest with = w.readOptions();
  EXPECT_EQ(with.baseRegion, 1);
  EXPECT_TRUE(with.baseWithArchives);
  named<QRadioButton>(w, "RadioButton13")->setChecked(true);
  pick(dm().region, u"kodreg", 1);
  const EvaluationRequest without = w.readOptions();
  EXPECT_EQ(without.baseRegion, 1);
  EXPECT_FALSE(without.baseWithArchives);
  EXPECT_EQ(app.prompts.pickerCaptions,
            QStringList(2, QStringLiteral("Выбор региона коров сравнительной базы. Выберите нужный регион и закройте это окно.")));

  const SireEvaluation a = scanSires(dm(), with), b = scanSires(dm(), without);
  EXPECT_EQ(a.baseCount, 6);
  EXPECT_EQ(a.baseCount - b.baseCount, 3);  // the archive farm's three cows

  // The region's archive farm picked as the one farm: the same base as the whole region.
  named<QRadioButton>(w, "RadioButton14")->setChecked(true);
  pick(dm().vlad, u"kodreg", 1, u"kodvlad", 0);
  const EvaluationRequest farm = w.readOptions();
  EXPECT_EQ(farm.baseRegion, 1);
  EXPECT_EQ(farm.baseFarm, 0);
  const SireEvaluation c = scanSires(dm(), farm);
  EXPECT_EQ(c.baseCount, a.baseCount);
  ASSERT_EQ(c.sireCount(), a.sireCount());
  for (int i = 0; i < a.sireCount(); ++i) EXPECT_EQ(c.figures(i).linear[0].z, a.figures(i).linear[0].z);
  EXPECT_EQ(app.prompts.pickerCaptions.back(),
            QStringLiteral("Выбор владельца (хозяйства) коров сравнительной базы. Выберите нужного владельца и закройте это окно."));
}

TEST_F(VariantsWindow, BullOptionsBuildTheirRequests) {
  w.show();
  named<QRadioButton>(w, "RadioButton2")->setChecked(true);
  EvaluationRequest r = w.readOptions();
  EXPECT_FALSE(r.bullsWithArchives);
  EXPECT_EQ(r.breed, 1);
  EXPECT_EQ(scanSires(dm(), r).sireCount(), 1);  // 202 is an archive bull, 999 has no row

  named<QRadioButton>(w, "RadioButton3")->setChecked(true);
  pick(dm().region, u"kodreg", 1);
  r = w.readOptions();
  EXPECT_EQ(r.bullRegion, 1);
  EXPECT_FALSE(r.bullsWithArchives);
  named<QRadioButton>(w, "RadioButton9")->setChecked(true);
  pick(dm().region, u"kodreg", 1);
  r = w.readOptions();
  EXPECT_TRUE(r.bullsWithArchives);
  EXPECT_EQ(scanSires(dm(), r).sireCount(), 2);
  named<QRadioButton>(w, "RadioButton10")->setChecked(true);
  pick(dm().vlad, u"kodreg", 1, u"kodvlad", 1);
  r = w.readOptions();
  EXPECT_EQ(r.bullFarm, 1);
  EXPECT_EQ(scanSires(dm(), r).sireCount(), 1);
  EXPECT_EQ(app.prompts.pickerCaptions,
            (QStringList{QStringLiteral("Выбор региона учитываемых БЫКОВ-ПРОИЗВОДИТЕЛЕЙ. Выберите нужный регион и закройте это окно."),
                         QStringLiteral("Выбор региона учитываемых БЫКОВ-ПРОИЗВОДИТЕЛЕЙ. Выберите нужный регион и закройте это окно."),
                         QStringLiteral("Выбор владельца (хозяйства) БЫКОВ-ПРОИЗВОДИТЕЛЕЙ. Выберите нужного владельца и закройте это окно.")}));
}

TEST_F(VariantsWindow, OneBullGivesOneSheetAndTheRunEndsWithTheWindowClosed) {
  pick(dm().bik, u"kodbyk", 202);
  run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton11"));
  EXPECT_EQ(app.prompts.pickerCaptions,
            QStringList{QStringLiteral("Выбор БЫКА-ПРОИЗВОДИТЕЛЯ для расчета характеристик. Выберите нужного быка и закройте это окно.")});
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(app.prompts.messages,
            QStringList{QStringLiteral("Книга сохранена в файле:\n") + QDir::toNativeSeparators(opened[0])});
  EXPECT_EQ(opened[0], w.lastWorkbook());
  EXPECT_TRUE(opened[0].startsWith(out.path()));
  EXPECT_TRUE(opened[0].contains(QStringLiteral("Черно-пестрая")));
  EXPECT_TRUE(opened[0].endsWith(u".xlsx"));
  const test::ReadBook b = test::readBook(opened[0]);
  ASSERT_EQ(b.sheets.size(), 1u);
  EXPECT_EQ(b.sheets[0].name, QStringLiteral("№1 Буран 202"));
  EXPECT_EQ(b.sheets[0].text("E2"), QStringLiteral("Владелец: Архив региона"));
  expectRunEnded();
  EXPECT_EQ(dm().poroda.fieldByName(u"kodporod").asInteger(), 1);  // the breed stays current
}

TEST_F(VariantsWindow, FatherMissingFromTheBullTableStillGetsASheet) {
  run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton1"));
  ASSERT_EQ(opened.size(), 1);
  const test::ReadBook b = test::readBook(opened[0]);
  ASSERT_EQ(b.sheets.size(), 3u);
  const test::ReadSheet& s = b.sheets[2];  // 999, met last
  EXPECT_EQ(s.name, QStringLiteral("№3 "));
  EXPECT_EQ(s.text("A3"), QStringLiteral("Идентификационный №, кличка: "));
  EXPECT_EQ(s.text("G3"), QStringLiteral("Порода: Не определена"));
  EXPECT_EQ(s.text("A2"), QStringLiteral("Регион: Не определен"));
  EXPECT_EQ(s.text("E2"), QStringLiteral("Владелец: Не определено"));
  EXPECT_EQ(s.text("I4"), QStringLiteral("Число дочерей      1"));
  expectRunEnded();
}

TEST_F(VariantsWindow, CheckMessageEndsTheRun) {
  herd.bull(2, 1, QStringLiteral("303"), QStringLiteral("Гром 303"), 1);  // no daughters
  pick(dm().bik, u"kodbyk", 303);
  run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton11"));
  EXPECT_EQ(app.prompts.messages, QStringList{QStringLiteral("Нет быков в этой породе коров!")});
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_TRUE(w.lastWorkbook().isEmpty());
  expectRunEnded();
}

TEST_F(VariantsWindow, NoApplicationOrNoFileShowsWhereTheWorkbookIs) {
  applicationStarts = false;
  run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton1"));
  ASSERT_EQ(app.prompts.messages.size(), 1);
  EXPECT_EQ(app.prompts.messages[0],
            QStringLiteral("Excel не установлен!\nКнига сохранена в файле:\n") +
                QDir::toNativeSeparators(w.lastWorkbook()));
  EXPECT_TRUE(QFile::exists(w.lastWorkbook()));
  expectRunEnded();

  // A folder that cannot be made: no file, the message says where and why, and blames no
  // missing application.
  QFile blocker(out.filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  w.outputFolder = out.filePath(QStringLiteral("file/sub"));
  app.prompts.messages.clear();
  run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton1"));
  ASSERT_EQ(app.prompts.messages.size(), 1);
  EXPECT_TRUE(app.prompts.messages[0].startsWith(QStringLiteral("Книгу не удалось записать в файл:\n") +
                                                 QDir::toNativeSeparators(out.filePath(QStringLiteral("file/sub/")))))
      << app.prompts.messages[0].toStdString();
  EXPECT_TRUE(app.prompts.messages[0].contains(QStringLiteral("Не удалось создать папку")));
  EXPECT_FALSE(app.prompts.messages[0].contains(QStringLiteral("Excel")));
  EXPECT_TRUE(w.lastWorkbook().isEmpty());
  expectRunEnded();
}

TEST_F(VariantsWindow, TableErrorIsShownAndTheRunStillEnds) {
  // Closed first: Windows removes no open file.
  dm().korova.close();
  ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("KOROVA.DBF"))));
  run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton1"));
  ASSERT_EQ(app.prompts.messages.size(), 1);
  EXPECT_TRUE(app.prompts.messages[0].contains(QStringLiteral("KOROVA"))) << app.prompts.messages[0].toStdString();
  expectRunEnded();
}

// The run's messages, shown in real boxes, stay in front: the progress window, gone before them,
// does not come back over them after its delay, however long the box stays open.
TEST_F(VariantsWindow, TheRunsMessagesStayInFrontOfItsProgress) {
  herd.breed(2, QStringLiteral("Айрширская"));  // no cows
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  struct Case {
    const char* name;
    int breed;
    bool applicationStarts;
    QString message;
  };
  const Case cases[] = {{"check message", 2, true, QStringLiteral("Коров этой породы нет...")},
                        {"no application", 1, false, QStringLiteral("Excel не установлен!")}};
  for (const Case& c : cases) {
    for (dm().poroda.first(); dm().poroda.fieldByName(u"kodporod").asInteger() != c.breed;) dm().poroda.next();
    applicationStarts = c.applicationStarts;
    answers.act([&](QWidget& box) {
      QTest::qWait(1200);
      EXPECT_EQ(QApplication::activeModalWidget(), &box) << c.name;
      for (QProgressDialog* p : w.findChildren<QProgressDialog*>()) EXPECT_FALSE(p->isVisible()) << c.name;
      if (QAbstractButton* ok = test::ModalAnswers::button(box, QStringLiteral("OK")))
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton1"));
    EXPECT_EQ(answers.pending(), 0u) << c.name;
    ASSERT_FALSE(answers.shown.isEmpty()) << c.name;
    EXPECT_TRUE(answers.shown.back().startsWith(c.message)) << c.name << ": " << answers.shown.back().toStdString();
    expectRunEnded();
  }
}

// Escape and the close box neither hide a run in progress nor end it, and a click that reaches
// the window meanwhile does not start a second run inside the first.
TEST_F(VariantsWindow, ARunInProgressCanNeitherBeHiddenNorStartedAgain) {
  for (int i = 0; i < 300; ++i) herd.cows({.father = QString::number(5000 + i)}, {5});
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  w.progressDelayMs = 0;
  answers.answerProgressWindows().act([&](QWidget& progress) {
    EXPECT_EQ(progress.objectName(), QStringLiteral("RunProgress"));
    QTest::keyClick(&progress, Qt::Key_Escape);
    progress.close();
    EXPECT_TRUE(progress.isVisible()) << "the run goes on out of sight";
    EXPECT_EQ(QApplication::activeModalWidget(), &progress);
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
  });
  answers.click(QStringLiteral("OK"));  // where the workbook is
  run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton1"));
  EXPECT_EQ(answers.pending(), 0u);
  EXPECT_EQ(opened.size(), 1);
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 1);
  EXPECT_TRUE(button(w, "Button1")->isEnabled());
  expectRunEnded();
}

// The workbook is handed to the desktop's spreadsheet application only where one takes it;
// otherwise the user is told, with where the file is. Fake xdg-utils stand for a Unix desktop;
// on Windows, the association of .xlsx with a command that copies the workbook.
TEST_F(VariantsWindow, TheWorkbookIsOpenedOnlyWhereAnApplicationTakesIt) {
  QTemporaryDir bin;
  const QString marker = bin.filePath(QStringLiteral("opened.txt"));
  struct Case {
    const char* name;
    std::function<void()> desktop;  // makes the desktop of the case
    bool opens;
  };
#ifdef Q_OS_WIN
  // The classes root: the user's own associations over the machine's.
  const auto associate = [&](const std::wstring& command) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".xlsx");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Korvel.TestWorkbook");
    if (command.empty()) return;
    const auto set = [&](const std::wstring& key, const std::wstring& value) {
      ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                                DWORD((value.size() + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
    };
    set(L".xlsx", L"Korvel.TestWorkbook");
    set(L"Korvel.TestWorkbook\\shell\\open\\command", command);
  };
  // A machine with an association of its own (a real Excel) is left alone.
  HKEY own = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".xlsx", 0, KEY_READ, &own) == ERROR_SUCCESS) {
    RegCloseKey(own);
    GTEST_SKIP() << "this machine associates .xlsx with an application of its own";
  }
  struct Unassociate {
    std::function<void(const std::wstring&)> f;
    ~Unassociate() { f({}); }
  } unassociateAtEnd{associate};
  wchar_t cmd[MAX_PATH] = {};
  GetSystemDirectoryW(cmd, MAX_PATH);
  const std::wstring copies = L"\"" + std::wstring(cmd) + L"\\cmd.exe\" /c copy /y \"%1\" \"" +
                              QDir::toNativeSeparators(marker).toStdWString() + L"\"";
  const Case cases[] = {{"no application associated", [&] { associate({}); }, false},
                        {"the associated application opens it", [&] { associate(copies); }, true}};
  const auto handedOver = [&](const QString& workbook) {
    QFile m(marker), book(workbook);
    return m.open(QIODevice::ReadOnly) && book.open(QIODevice::ReadOnly) && m.readAll() == book.readAll();
  };
#else
  struct PathBack {
    QByteArray path = qgetenv("PATH");
    ~PathBack() { qputenv("PATH", path); }
  } pathBack;
  qputenv("PATH", QFile::encodeName(bin.path()));
  const auto script = [&](const char* name, const QString& body) {
    QFile f(bin.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("#!/bin/sh\n" + body.toUtf8() + "\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  };
  // The fake xdg-mime's body (empty: none installed) and the fake xdg-open's.
  const auto tools = [&](const QString& mime, const QString& open) {
    return [=, &bin] {
      QFile::remove(bin.filePath(QStringLiteral("xdg-mime")));
      QFile::remove(bin.filePath(QStringLiteral("xdg-open")));
      if (!mime.isEmpty()) {
        script("xdg-mime", mime);
        script("xdg-open", open);
      }
    };
  };
  const QString writesMarker = QStringLiteral("echo \"$1\" > '%1'; ").arg(marker);
  const Case cases[] = {
      {"no xdg-utils at all", tools({}, {}), false},
      {"no default application", tools(QStringLiteral("exit 0"), writesMarker + QStringLiteral("exit 0")), false},
      {"the opener fails", tools(QStringLiteral("echo calc.desktop"), QStringLiteral("exit 4")), false},
      {"the opener opens it", tools(QStringLiteral("echo calc.desktop"), writesMarker + QStringLiteral("exit 0")), true},
      {"the application runs in the opener's place",
       tools(QStringLiteral("echo calc.desktop"), writesMarker + QStringLiteral("exec /bin/sleep 30")), true},
  };
  const auto handedOver = [&](const QString& workbook) {
    QFile m(marker);
    return m.open(QIODevice::ReadOnly) && QString::fromUtf8(m.readAll()).trimmed() == workbook;
  };
#endif
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  w.openWorkbook = openInSpreadsheetApplication;
  for (const Case& c : cases) {
    QFile::remove(marker);
    c.desktop();
    answers.click(QStringLiteral("OK"));
    answers.shown.clear();
    run(named<QRadioButton>(w, "RadioButton4"), named<QRadioButton>(w, "RadioButton1"));
    EXPECT_EQ(answers.pending(), 0u) << c.name;
    ASSERT_FALSE(w.lastWorkbook().isEmpty()) << c.name;
    if (c.opens) {
      EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Книга сохранена в файле:\n") +
                                           QDir::toNativeSeparators(w.lastWorkbook())})
          << c.name;
      ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); })) << c.name;
      EXPECT_TRUE(QTest::qWaitFor([&] { return handedOver(w.lastWorkbook()); })) << c.name;
    } else {
      EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Excel не установлен!\nКнига сохранена в файле:\n") +
                                           QDir::toNativeSeparators(w.lastWorkbook())})
          << c.name;
      EXPECT_FALSE(QFile::exists(marker)) << c.name;
    }
    expectRunEnded();
  }
}

// "Профили в PDF", clicked as a person clicks it: the run writes the printable catalogue in the
// workbook's place under the same name ending in .pdf, hands it to the PDF viewer and says where
// it is; the choice stays for the next opening, and a file that cannot be written is told so.
TEST_F(VariantsWindow, ProfilesInPdfWriteTheCatalogueInTheWorkbooksPlace) {
  test::RealPromptsInForce real(app.prompts);
  test::ModalAnswers answers;
  QStringList viewed;
  w.openCatalogue = [&](const QString& path) {
    viewed << path;
    return false;
  };
  w.show();
  QCheckBox* pdf = named<QCheckBox>(w, "pdfOption");
  EXPECT_EQ(pdf->text(), QStringLiteral("Профили в PDF"));
  QTest::mouseClick(pdf, Qt::LeftButton, {}, QPoint(8, pdf->height() / 2));
  ASSERT_TRUE(pdf->isChecked());
  answers.click(QStringLiteral("OK"));
  QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
  EXPECT_EQ(answers.pending(), 0u);
  EXPECT_TRUE(opened.isEmpty()) << "no workbook";
  ASSERT_EQ(viewed.size(), 1);
  EXPECT_EQ(viewed[0], w.lastWorkbook());
  EXPECT_TRUE(QFileInfo(viewed[0]).fileName().startsWith(QStringLiteral("Профиль быков Черно-пестрая ")));
  EXPECT_TRUE(viewed[0].endsWith(u".pdf"));
  EXPECT_EQ(answers.shown, QStringList{QStringLiteral("Нет программы для просмотра PDF!\nПрофили в PDF сохранены в файле:\n") +
                                       QDir::toNativeSeparators(viewed[0])});
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{QFileInfo(viewed[0]).fileName()});
  QFile written(viewed[0]);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.readAll().startsWith("%PDF-"));
  expectRunEnded();

  QFile blocker(out.filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  w.outputFolder = out.filePath(QStringLiteral("file/sub"));
  answers.click(QStringLiteral("OK"));
  w.show();
  EXPECT_TRUE(pdf->isChecked());
  QTest::mouseClick(button(w, "Button1"), Qt::LeftButton);
  EXPECT_EQ(answers.pending(), 0u);
  ASSERT_EQ(answers.shown.size(), 2);
  EXPECT_TRUE(answers.shown[1].startsWith(QStringLiteral("Профили в PDF не удалось записать в файл:\n")))
      << answers.shown[1].toStdString();
  EXPECT_TRUE(w.lastWorkbook().isEmpty());
  EXPECT_EQ(viewed.size(), 1);
  expectRunEnded();
}

}  // namespace
}  // namespace korvel
