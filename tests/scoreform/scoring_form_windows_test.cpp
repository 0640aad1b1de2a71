// The scoring form's windows as a person meets them, over a generated herd: the cows window's
// "Бланк оценки…" with its real choice box, file dialog and messages, and "Загрузить оценки…"
// with the real preview window answered by clicks and keys — nothing written before
// "Записать", the accepted scores written after it and shown on the card.
#include "../ui/caption_fit.h"
#include "cows/cow_card.h"
#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "qt_print.h"
#include "raw_table.h"
#include "real_windows.h"
#include "scoreform/filled_form.h"
#include "scoreform/form_columns.h"
#include "ui/forms.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace korvel;
using test::clickOn;
using test::ModalAnswers;
using test::named;
using test::settle;

namespace {

// The next modal window is a file dialog: the path typed into its name field, then Enter.
void chooseFile(ModalAnswers& answers, const QString& path) {
  answers.act([path](QWidget& w) {
    auto* name = w.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) {
      ADD_FAILURE() << "no file name field in \"" << w.windowTitle().toStdString() << '"';
      w.close();
      return;
    }
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    test::typeText(name, path);
    QTest::keyClick(name, Qt::Key_Return);
  });
}

// The captions of the shown buttons of a message box.
QStringList buttonCaptions(QWidget& box) {
  QStringList captions;
  for (QAbstractButton* b : box.findChildren<QAbstractButton*>())
    if (b->isVisible()) captions << b->text().remove(QLatin1Char('&'));
  captions.sort();
  return captions;
}

QString korovaFile(const test::RealApp& app) { return QDir(app.dir()).filePath(QStringLiteral("KOROVA.DBF")); }

// The names of the live cows of a farm, as stored, for which `take` holds.
std::set<QString> farmCows(const test::RealApp& app, const HerdContext& herd,
                           const std::function<bool(const test::FileRow&)>& take = {}) {
  std::set<QString> names;
  for (const test::FileRow& r : test::liveRows(korovaFile(app)))
    if (r["KODREG"].trimmed().toLongLong() == herd.regionCode && r["KODVLAD"].trimmed().toLongLong() == herd.farmCode &&
        (!take || take(r)))
      names.insert(r["NOKLI"].trimmed());
  return names;
}

// The cows a written form lists: the identification numbers below its field-ID row.
std::set<QString> formCows(const QString& path) {
  const scoreform::FilledForm form = scoreform::readFilledForm(path);
  std::set<QString> names;
  int column = -1;
  for (const auto& row : form.rows) {
    if (column >= 0 && size_t(column) < row.size()) names.insert(row[size_t(column)].trimmed());
    if (column < 0) {
      const auto at = std::find(row.begin(), row.end(), QStringLiteral("NOKLI"));
      if (at != row.end()) column = int(at - row.begin());
    }
  }
  EXPECT_GE(column, 0) << "no field-ID row in " << path.toStdString();
  return names;
}

}  // namespace

TEST(ScoringFormWindows, TheCowsWindowWritesTheFormOfItsFarmOrOfItsSelection) {
  test::RealApp app;
  ModalAnswers answers;
  CowWindow& cows = *forms().cowWindow;
  test::openModal(cows, answers);
  const HerdContext herd = cows.herd;
  const QString path = QDir(app.dir()).filePath(QStringLiteral("бланк хозяйства.xlsx"));
  const QString asked = QStringLiteral("Для каких коров выписать бланк оценки?");
  const QString written = QStringLiteral("Бланк оценки записан в файл %1.\nКоров в бланке: %2.");

  // No selection: the farm and the region are offered, and Отмена.
  QStringList offered;
  answers.act([&](QWidget& box) {
    offered = buttonCaptions(box);
    QTest::mouseClick(ModalAnswers::button(box, QStringLiteral("Текущее хозяйство")), Qt::LeftButton);
  });
  chooseFile(answers, path);
  answers.click(QStringLiteral("OK"));
  clickOn(named<QPushButton>(cows, "scoringFormButton"));
  settle(answers);
  EXPECT_EQ(offered, (QStringList{QStringLiteral("Весь регион"), QStringLiteral("Отмена"), QStringLiteral("Текущее хозяйство")}));
  const std::set<QString> farm = farmCows(app, herd);
  ASSERT_FALSE(farm.empty());
  ASSERT_EQ(answers.shown.size(), 3);
  EXPECT_EQ(answers.shown[0], asked);
  EXPECT_EQ(answers.shown[2], written.arg(QDir::toNativeSeparators(path)).arg(farm.size()));
  EXPECT_EQ(formCows(path), farm);

  // A selection by the current cow's name: the marked cows, into the same file once its
  // replacement is confirmed.
  const QString key = cows.cowList->currentIndex().data().toString().trimmed();
  ASSERT_FALSE(key.isEmpty());
  test::fill(answers, key, QStringLiteral("Выделить"));
  clickOn(named<QPushButton>(cows, "Button8"));  // "Выделить"
  settle(answers);
  answers.act([&](QWidget& box) {
    offered = buttonCaptions(box);
    QTest::mouseClick(ModalAnswers::button(box, QStringLiteral("Выделенные коровы")), Qt::LeftButton);
  });
  chooseFile(answers, path);
  answers.click(QStringLiteral("Да"));
  answers.click(QStringLiteral("OK"));
  answers.shown.clear();
  clickOn(named<QPushButton>(cows, "scoringFormButton"));
  settle(answers);
  EXPECT_TRUE(offered.contains(QStringLiteral("Выделенные коровы")));
  const std::set<QString> marked = farmCows(app, herd, [](const test::FileRow& r) { return r["OT"] == QStringLiteral("+"); });
  ASSERT_FALSE(marked.empty());
  EXPECT_LT(marked.size(), farm.size());
  ASSERT_EQ(answers.shown.size(), 4);
  EXPECT_EQ(answers.shown[2], QStringLiteral("Файл %1 уже есть. Заменить его?").arg(QDir::toNativeSeparators(path)));
  EXPECT_EQ(formCows(path), marked);
  EXPECT_EQ(cows.cowList->model()->rowCount(), int(marked.size())) << "the list still shows the selection";
  cows.hide();
}

namespace {

// A filled form as a spreadsheet saves it as CSV: the names row, the field-ID row, the cows.
void writeCsv(const QString& path, const std::vector<QStringList>& rows) {
  QByteArray bytes("\xEF\xBB\xBF");
  for (const QStringList& row : rows) bytes += row.join(QLatin1Char(';')).toUtf8() + "\r\n";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

}  // namespace

// A form with two scores of the shown cow changed and one left empty, a cow with a score the
// card refuses, a cow the farm does not have and a column no catalogue row names. Escape,
// Enter and Отмена write nothing; "Записать" asks about the refused rows, Нет writes nothing,
// Да writes exactly the shown cow's two scores, and the card shows them.
TEST(ScoringFormWindows, ThePreviewWritesOnlyOnRecordAndTheCardShowsTheScores) {
  test::RealApp app;
  ModalAnswers answers;
  CowWindow& cows = *forms().cowWindow;
  test::openModal(cows, answers);
  const HerdContext herd = cows.herd;
  const int shownRec = app.dm().korova.recNo();
  TraitCatalogue catalogue(app.dm().xarakt);
  const std::vector<scoreform::FormColumn> columns = scoreform::formColumns(catalogue);
  auto first = [&](TraitKind kind, int skip = 0) {
    for (const scoreform::FormColumn& c : columns)
      if (c.kind == kind && skip-- == 0) return c;
    ADD_FAILURE() << "no column";
    return scoreform::FormColumn{};
  };
  const scoreform::FormColumn linear = first(TraitKind::Linear), emptied = first(TraitKind::Linear, 1), defect = first(TraitKind::Defect);
  // The shown cow has a stored score that an empty cell may clear.
  db::Table& korova = app.dm().korova;
  korova.edit();
  korova.fieldByName(emptied.id).setString(QStringLiteral("5"));
  korova.post();
  cows.refreshCowCard();
  const std::vector<test::FileRow> before = test::fileRows(korovaFile(app));
  const test::FileRow& cow = before[size_t(shownRec - 1)];
  const test::FileRow* other = nullptr;
  for (const test::FileRow& r : before)
    if (&r != &cow && !r.deleted && r["KODREG"] == cow["KODREG"] && r["KODVLAD"] == cow["KODVLAD"] && r["NOKLI"] != cow["NOKLI"]) other = &r;
  ASSERT_NE(other, nullptr);

  const QString linearId = scoreform::columnHeaderId(linear.id), emptiedId = scoreform::columnHeaderId(emptied.id),
                defectId = scoreform::columnHeaderId(defect.id);
  const QString linearNew = cow[qPrintable(linearId)] == QStringLiteral("7") ? QStringLiteral("3") : QStringLiteral("7");
  const QString defectNew = cow[qPrintable(defectId)] == QStringLiteral("++") ? QStringLiteral("+") : QStringLiteral("++");
  const QString region = QString::number(herd.regionCode), farm = QString::number(herd.farmCode);
  const QString path = QDir(app.dir()).filePath(QStringLiteral("оценки.csv"));
  writeCsv(path, {{QStringLiteral("Код региона"), QStringLiteral("Код хозяйства"), QStringLiteral("Идентификационный №, кличка"),
                   linear.name, emptied.name, defect.name, QStringLiteral("Удой за лактацию")},
                  {QStringLiteral("KODREG"), QStringLiteral("KODVLAD"), QStringLiteral("NOKLI"), linearId, emptiedId, defectId, QStringLiteral("UDOJ")},
                  {region, farm, cow["NOKLI"], linearNew, QString(), defectNew, QStringLiteral("6500")},
                  {region, farm, (*other)["NOKLI"], QStringLiteral("12"), QString(), QString(), QString()},
                  {region, farm, QStringLiteral("НЕТ ТАКОЙ КОРОВЫ"), QStringLiteral("5"), QString(), QString(), QString()}});
  auto nothingWritten = [&] { EXPECT_TRUE(test::fileRows(korovaFile(app)) == before) << "KOROVA changed"; };
  QPushButton* load = named<QPushButton>(cows, "loadScoresButton");
  const QString title = QStringLiteral("Загрузка оценок: оценки.csv");

  // Escape closes the preview.
  chooseFile(answers, path);
  answers.act([](QWidget& preview) { QTest::keyClick(&preview, Qt::Key_Escape); });
  clickOn(load);
  settle(answers);
  EXPECT_EQ(answers.shown.last(), title);
  nothingWritten();

  // What the preview lists; Enter does nothing; the empty cell planned again; Отмена.
  chooseFile(answers, path);
  answers.act([&](QWidget& preview) {
    auto* changes = named<QTableWidget>(preview, "changesTable");
    auto* refused = named<QTableWidget>(preview, "refusedTable");
    auto* write = named<QPushButton>(preview, "writeButton");
    ASSERT_TRUE(changes && refused && write);
    EXPECT_EQ(test::unreadableTexts(preview), QStringList{});
    ASSERT_EQ(changes->rowCount(), 2);
    EXPECT_EQ(changes->item(0, 1)->text(), cow["NOKLI"]);
    EXPECT_EQ(changes->item(0, 2)->text(), linear.name);
    EXPECT_EQ(changes->item(0, 4)->text(), linearNew);
    EXPECT_EQ(changes->item(1, 2)->text(), defect.name);
    EXPECT_EQ(changes->item(1, 4)->text(), defectNew);
    ASSERT_EQ(refused->rowCount(), 2);
    EXPECT_EQ(refused->item(0, 0)->text(), QStringLiteral("4"));
    EXPECT_TRUE(refused->item(0, 2)->text().contains(linear.name) || refused->item(0, 2)->text().contains(linearId))
        << refused->item(0, 2)->text().toStdString();
    EXPECT_EQ(refused->item(1, 0)->text(), QStringLiteral("5"));
    EXPECT_EQ(named<QListWidget>(preview, "unknownList")->count(), 1);
    EXPECT_GT(named<QListWidget>(preview, "notInFileList")->count(), 0);
    EXPECT_TRUE(write->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(preview.isVisible()) << "Enter closed the preview";
    auto* emptyClears = named<QCheckBox>(preview, "emptyClearsBox");
    const QPoint box(8, emptyClears->height() / 2);  // on the check box itself
    QTest::mouseClick(emptyClears, Qt::LeftButton, {}, box);
    EXPECT_EQ(changes->rowCount(), 3) << "the empty cell now clears the stored score";
    QTest::mouseClick(emptyClears, Qt::LeftButton, {}, box);
    EXPECT_EQ(changes->rowCount(), 2);
    clickOn(named<QPushButton>(preview, "cancelButton"));
  });
  clickOn(load);
  settle(answers);
  nothingWritten();

  // "Записать": Нет to the question writes nothing, Да writes the accepted scores.
  chooseFile(answers, path);
  answers.act([](QWidget& preview) { clickOn(named<QPushButton>(preview, "writeButton")); });
  answers.click(QStringLiteral("Нет"));
  answers.act([&](QWidget& preview) {
    nothingWritten();
    clickOn(named<QPushButton>(preview, "writeButton"));
  });
  answers.click(QStringLiteral("Да"));
  answers.click(QStringLiteral("OK"));
  answers.shown.clear();
  clickOn(load);
  settle(answers);
  ASSERT_EQ(answers.shown.size(), 6);
  EXPECT_TRUE(answers.shown[5].startsWith(QStringLiteral("Оценки записаны. Коров: 1, пересчитаны показатели быков: ")))
      << answers.shown[5].toStdString();
  const std::vector<test::FileRow> after = test::fileRows(korovaFile(app));
  ASSERT_EQ(after.size(), before.size());
  for (size_t r = 0; r < after.size(); ++r) {
    std::map<QString, QString> changed;
    for (const auto& [name, value] : after[r].fields)
      if (before[r].fields.at(name) != value) changed[name] = value;
    EXPECT_EQ(changed, (int(r) + 1 == shownRec ? std::map<QString, QString>{{linearId, linearNew}, {defectId, defectNew}}
                                               : std::map<QString, QString>{}))
        << "record " << r + 1;
  }
  EXPECT_EQ(app.dm().korova.recNo(), shownRec);
  auto* linearGrid = named<QTableWidget>(cows, "StringGrid1");
  EXPECT_EQ(linearGrid->item(catalogue.lineForId(TraitKind::Linear, linear.id) - 1, 1)->text(), linearNew);
  cows.hide();
}
