// The calculation variant window over a small herd: its options and pickers, the requests
// they make, whole runs through Button1 with the workbook read back, and the end of every run.
#include "db/data_module.h"
#include "evaluation/sire_statistics.h"
#include "evaluation/variants_window.h"
#include "herd_builder.h"
#include "ui/forms.h"
#include "work_folder.h"
#include "xlsx_reader.h"

#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace korvel {
namespace {

using test::CowRow;

class VariantsWindow : public ::testing::Test {
 protected:
  VariantsWindow() : app(folder.path()), herd(app.dm()), w(*forms().Form12) {
    herd.region(1, QStringLiteral("Московская область"));
    herd.region(2, QStringLiteral("Тверская область"));
    herd.farm(1, 1, QStringLiteral("СПК «Заря»"));
    herd.farm(1, 0, QStringLiteral("Архив региона"));
    herd.farm(2, 1, QStringLiteral("АО «Искра»"));
    herd.breed(1, QStringLiteral("Черно-пестрая"));
    herd.bull(QStringLiteral("101"), QStringLiteral("Аккорд 101"), 1, 1, 1);
    herd.bull(QStringLiteral("202"), QStringLiteral("Буран 202"), 1, 0, 1);  // an archive bull
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

  TDataModule5& dm() { return app.dm(); }

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
    w.Button1->click();
  }

  void expectRunEnded() {
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(dm().cowRefreshSuppressed);
    EXPECT_FALSE(dm().bullRefreshSuppressed);
    for (db::DataSource* s : {&dm().DataSource1, &dm().DataSource2, &dm().DataSource3, &dm().DataSource4, &dm().DataSource5})
      EXPECT_TRUE(s->enabled()) << s->objectName().toStdString();
  }

  test::WorkFolder folder;
  test::App app;
  test::HerdBuilder herd;
  TForm12& w;
  QTemporaryDir out;
  QStringList opened;
  bool applicationStarts = true;
};

TEST_F(VariantsWindow, EveryOpeningStartsFromTheFirstOptions) {
  w.show();
  EXPECT_EQ(w.pos(), QPoint(0, 0));
  EXPECT_EQ(w.size(), QSize(1024, 736));
  EXPECT_EQ(w.GroupBox1->title(), QStringLiteral("В качестве сравнительной базы надо учитывать (ВЫБЕРИТЕ!)"));
  EXPECT_EQ(w.GroupBox2->title(), QStringLiteral("Укажите, для каких быков-производителей данной породы надо произвести расчет"));
  EXPECT_EQ(w.RadioButton14->text(), QStringLiteral("Коров данной породы ОДНОГО ХОЗЯЙСТВА"));
  EXPECT_EQ(w.RadioButton11->text(), QStringLiteral("Только для одного конкретного быка"));
  EXPECT_EQ(w.Button1->text(), QStringLiteral("Параметры расчета заданы. Начать расчет."));
  EXPECT_TRUE(w.RadioButton1->isChecked());
  EXPECT_TRUE(w.RadioButton4->isChecked());
  w.RadioButton14->setChecked(true);
  w.RadioButton3->setChecked(true);
  EXPECT_FALSE(w.RadioButton4->isChecked());  // one choice per group
  EXPECT_TRUE(w.RadioButton14->isChecked() && w.RadioButton3->isChecked());
  w.hide();
  w.show();
  EXPECT_TRUE(w.RadioButton1->isChecked());
  EXPECT_TRUE(w.RadioButton4->isChecked());
}

TEST_F(VariantsWindow, RegionBasesDifferExactlyByTheArchiveFarm) {
  w.show();
  w.RadioButton6->setChecked(true);
  pick(dm().Table1, u"kodreg", 1);
  const EvaluationRequest with = w.readOptions();
  EXPECT_EQ(with.baseRegion, 1);
  EXPECT_TRUE(with.baseWithArchives);
  w.RadioButton13->setChecked(true);
  pick(dm().Table1, u"kodreg", 1);
  const EvaluationRequest without = w.readOptions();
  EXPECT_EQ(without.baseRegion, 1);
  EXPECT_FALSE(without.baseWithArchives);
  EXPECT_EQ(app.prompts.pickerCaptions,
            QStringList(2, QStringLiteral("Выбор региона коров сравнительной базы. Выберите нужный регион и закройте это окно.")));

  const SireEvaluation a = scanSires(dm(), with), b = scanSires(dm(), without);
  EXPECT_EQ(a.baseCount, 6);
  EXPECT_EQ(a.baseCount - b.baseCount, 3);  // the archive farm's three cows

  // The region's archive farm picked as the one farm: the same base as the whole region.
  w.RadioButton14->setChecked(true);
  pick(dm().vlad2, u"kodreg", 1, u"kodvlad", 0);
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
  w.RadioButton2->setChecked(true);
  EvaluationRequest r = w.readOptions();
  EXPECT_FALSE(r.bullsWithArchives);
  EXPECT_EQ(r.breed, 1);
  EXPECT_EQ(scanSires(dm(), r).sireCount(), 1);  // 202 is an archive bull, 999 has no row

  w.RadioButton3->setChecked(true);
  pick(dm().Table1, u"kodreg", 1);
  r = w.readOptions();
  EXPECT_EQ(r.bullRegion, 1);
  EXPECT_FALSE(r.bullsWithArchives);
  w.RadioButton9->setChecked(true);
  pick(dm().Table1, u"kodreg", 1);
  r = w.readOptions();
  EXPECT_TRUE(r.bullsWithArchives);
  EXPECT_EQ(scanSires(dm(), r).sireCount(), 2);
  w.RadioButton10->setChecked(true);
  pick(dm().vlad2, u"kodreg", 1, u"kodvlad", 1);
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
  run(w.RadioButton4, w.RadioButton11);
  EXPECT_EQ(app.prompts.pickerCaptions,
            QStringList{QStringLiteral("Выбор БЫКА-ПРОИЗВОДИТЛЯ для расчета характеристик. Выберите нужного быка и закройте это окно.")});
  EXPECT_TRUE(app.prompts.messages.isEmpty()) << app.prompts.messages.join(u'|').toStdString();
  ASSERT_EQ(opened.size(), 1);
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
  run(w.RadioButton4, w.RadioButton1);
  ASSERT_EQ(opened.size(), 1);
  const test::ReadBook b = test::readBook(opened[0]);
  ASSERT_EQ(b.sheets.size(), 3u);
  const test::ReadSheet& s = b.sheets[2];  // 999, met last
  EXPECT_EQ(s.name, QStringLiteral("№3 "));
  EXPECT_EQ(s.text("A3"), QStringLiteral("Иднетификационный №, кличка: "));
  EXPECT_EQ(s.text("G3"), QStringLiteral("Порода: Не определена"));
  EXPECT_EQ(s.text("A2"), QStringLiteral("Регион: Не определен"));
  EXPECT_EQ(s.text("E2"), QStringLiteral("Владелец: Не определено"));
  EXPECT_EQ(s.text("I4"), QStringLiteral("Число дочерей      1"));
  expectRunEnded();
}

TEST_F(VariantsWindow, CheckMessageEndsTheRun) {
  herd.bull(QStringLiteral("303"), QStringLiteral("Гром 303"), 2, 1, 1);  // no daughters
  pick(dm().bik, u"kodbyk", 303);
  run(w.RadioButton4, w.RadioButton11);
  EXPECT_EQ(app.prompts.messages, QStringList{QStringLiteral("Нет быков в этой породе коров!")});
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_TRUE(w.lastWorkbook().isEmpty());
  expectRunEnded();
}

TEST_F(VariantsWindow, NoApplicationOrNoFileShowsWhereTheWorkbookIs) {
  applicationStarts = false;
  run(w.RadioButton4, w.RadioButton1);
  ASSERT_EQ(app.prompts.messages.size(), 1);
  EXPECT_EQ(app.prompts.messages[0],
            QStringLiteral("Excel не установлен!\nКнига сохранена в файле:\n") + w.lastWorkbook());
  EXPECT_TRUE(QFile::exists(w.lastWorkbook()));
  expectRunEnded();

  // A folder that cannot be made: no file, the message says why.
  QFile blocker(out.filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  w.outputFolder = out.filePath(QStringLiteral("file/sub"));
  app.prompts.messages.clear();
  run(w.RadioButton4, w.RadioButton1);
  ASSERT_EQ(app.prompts.messages.size(), 1);
  EXPECT_TRUE(app.prompts.messages[0].startsWith(QStringLiteral("Excel не установлен!\n")));
  EXPECT_FALSE(app.prompts.messages[0].contains(QStringLiteral("сохранена")));
  EXPECT_TRUE(w.lastWorkbook().isEmpty());
  expectRunEnded();
}

TEST_F(VariantsWindow, TableErrorIsShownAndTheRunStillEnds) {
  QFile::remove(folder.file(QStringLiteral("KOROVA.DBF")));
  dm().korova.close();
  run(w.RadioButton4, w.RadioButton1);
  ASSERT_EQ(app.prompts.messages.size(), 1);
  EXPECT_TRUE(app.prompts.messages[0].contains(QStringLiteral("KOROVA"))) << app.prompts.messages[0].toStdString();
  expectRunEnded();
}

}  // namespace
}  // namespace korvel
