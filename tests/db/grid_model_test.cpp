// The list grids' model: checked by QAbstractItemModelTester while the table changes under it;
// frozen while its data source is disabled; following and moving the table's cursor.
#include "db_test_support.h"

#include "db/data_source.h"
#include "db/grid_model.h"
#include "db/protected_scan.h"
#include "db/table_error.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <functional>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace korvel::db;
using namespace korvel::db::test;

namespace {

class GridModelTest : public ::testing::Test {
 protected:
  QTemporaryDir tmp;
  Table regions{QStringLiteral("Table1"), QStringLiteral("REGION")};
  std::unique_ptr<DataSource> source;
  std::unique_ptr<GridModel> model;
  std::unique_ptr<QAbstractItemModelTester> tester;

  void SetUp() override {
    createTable(tmp.path(), "REGION", {N("KODREG", 6), C("REGION", 70), C("VIBOR", 1)});
    regions.setDirectory(tmp.path());
    regions.open();
    for (int i = 1; i <= 4; ++i) add(i, QStringLiteral("Регион %1").arg(i), i % 2 ? QStringLiteral("+") : QString());
    source = std::make_unique<DataSource>(QStringLiteral("DataSource1"), regions);
    model = std::make_unique<GridModel>(
        *source, std::vector<GridColumn>{{QStringLiteral("kodreg"), QStringLiteral("Код")},
                                         {QStringLiteral("region"), QStringLiteral("Регион")},
                                         {QStringLiteral("nosuch"), QStringLiteral("Нет")}});
    tester = std::make_unique<QAbstractItemModelTester>(model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  }
  void add(int code, const QString& name, const QString& mark = {}) {
    appendRow(regions, {{QStringLiteral("kodreg"), QString::number(code)}, {QStringLiteral("region"), name},
                        {QStringLiteral("vibor"), mark}});
  }
  QString cell(int row, int col) const { return model->data(model->index(row, col), Qt::DisplayRole).toString(); }
  std::vector<QString> names() const {
    std::vector<QString> out;
    for (int r = 0; r < model->rowCount(); ++r) out.push_back(cell(r, 1));
    return out;
  }
};

}  // namespace

TEST_F(GridModelTest, ShowsPassingRowsThroughChanges) {
  EXPECT_EQ(model->columnCount(), 3);
  EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Регион"));
  ASSERT_EQ(model->rowCount(), 4);
  EXPECT_EQ(cell(2, 0), QStringLiteral("3"));
  EXPECT_EQ(cell(2, 1), QStringLiteral("Регион 3"));
  EXPECT_FALSE(model->data(model->index(2, 2), Qt::DisplayRole).isValid());  // a column the table lacks

  add(5, QStringLiteral("Пятый"));
  EXPECT_EQ(model->rowCount(), 5);
  EXPECT_EQ(cell(4, 1), QStringLiteral("Пятый"));

  QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
  regions.goToRecNo(2);
  regions.edit();
  regions.fieldByName(u"region").setString(QStringLiteral("Второй"));
  regions.post();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(cell(1, 1), QStringLiteral("Второй"));

  regions.goToRecNo(3);
  regions.deleteRecord();
  EXPECT_EQ(names(), (std::vector<QString>{QStringLiteral("Регион 1"), QStringLiteral("Второй"),
                                           QStringLiteral("Регион 4"), QStringLiteral("Пятый")}));
  regions.setFilter(QStringLiteral("vibor='+'"));
  regions.setFiltered(true);
  EXPECT_EQ(names(), (std::vector<QString>{QStringLiteral("Регион 1")}));
  regions.setFiltered(false);
  EXPECT_EQ(model->rowCount(), 4);
  regions.close();
  EXPECT_EQ(model->rowCount(), 0);
  regions.open();
  EXPECT_EQ(model->rowCount(), 4);
}

TEST_F(GridModelTest, DisabledSourceFreezesTheGridAndEnablingResetsIt) {
  QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
  QSignalSpy moves(model.get(), &GridModel::currentRowChanged);
  auto frozen = std::make_unique<Freeze>(*source);
  add(10, QStringLiteral("Десятый"));
  add(11, QStringLiteral("Одиннадцатый"));
  regions.setFilter(QStringLiteral("kodreg=1"));
  regions.setFiltered(true);
  regions.first();
  EXPECT_EQ(model->rowCount(), 4);  // still what it showed
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(moves.count(), 0);
  regions.setFiltered(false);
  regions.goToRecNo(6);
  frozen.reset();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(model->rowCount(), 6);
  ASSERT_EQ(moves.count(), 1);
  EXPECT_EQ(moves.takeFirst().at(0).toInt(), 5);
  EXPECT_EQ(model->currentRow(), 5);
}

TEST_F(GridModelTest, CurrentRowFollowsAndMovesTheCursor) {
  QSignalSpy moves(model.get(), &GridModel::currentRowChanged);
  regions.goToRecNo(3);
  ASSERT_EQ(moves.count(), 1);
  EXPECT_EQ(moves.takeFirst().at(0).toInt(), 2);
  EXPECT_EQ(model->currentRow(), 2);

  model->setCurrentRow(0);
  EXPECT_EQ(regions.recNo(), 1);
  ASSERT_EQ(moves.count(), 1);
  EXPECT_EQ(moves.takeFirst().at(0).toInt(), 0);
  model->setCurrentRow(99);  // no such row: nothing moves
  model->setCurrentRow(-1);
  EXPECT_EQ(regions.recNo(), 1);
  EXPECT_EQ(moves.count(), 0);

  // Under a filter the grid rows are the passing rows, in file order.
  regions.setFilter(QStringLiteral("vibor='+'"));
  regions.setFiltered(true);
  ASSERT_EQ(model->rowCount(), 2);
  model->setCurrentRow(1);
  EXPECT_EQ(regions.recNo(), 3);
  EXPECT_EQ(regions.fieldByName(u"region").asString(), QStringLiteral("Регион 3"));
  EXPECT_EQ(model->recordAt(1), 2u);
}

TEST_F(GridModelTest, ReadOnlyGridRefusesEditsAndEditableGridWritesTheTable) {
  EXPECT_TRUE(source->readOnly());
  EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(model->setData(model->index(0, 1), QStringLiteral("x"), Qt::EditRole));
  source->setReadOnly(false);
  EXPECT_TRUE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_TRUE(model->setData(model->index(1, 1), QStringLiteral("Исправлен"), Qt::EditRole));
  EXPECT_EQ(regions.recNo(), 2);
  EXPECT_EQ(regions.state(), TableState::Browse);
  EXPECT_EQ(cell(1, 1), QStringLiteral("Исправлен"));
}

TEST_F(GridModelTest, AScanThatLeavesTheTableAsItWasDoesNotRebuildTheGrid) {
  regions.setFilter(QStringLiteral("vibor='+'"));
  regions.setFiltered(true);
  ASSERT_EQ(model->rowCount(), 2);
  QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
  {
    ProtectedScan scan(regions, *source);
    for (; !regions.eof(); regions.next()) (void)regions.fieldByName(u"region").asString();
  }
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(model->rowCount(), 2);
  {
    ProtectedScan scan(regions, *source);
    regions.next();  // "Регион 2", unmarked
    regions.edit();
    regions.fieldByName(u"vibor").setString(QStringLiteral("+"));
    regions.post();
  }
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(names(), (std::vector<QString>{QStringLiteral("Регион 1"), QStringLiteral("Регион 2"), QStringLiteral("Регион 3")}));
}

// A row the frozen grid still shows but the table no longer passes (hidden by the filter,
// deleted) is neither made current nor written, from the grid or by record index: the cursor
// stays where it was and the file keeps every byte.
TEST_F(GridModelTest, ARowTheTableNoLongerShowsIsNeitherMadeCurrentNorEdited) {
  source->setReadOnly(false);
  const Freeze frozen(*source);  // the grid keeps showing the four rows
  const QString path = QDir(tmp.path()).filePath(QStringLiteral("REGION.DBF"));
  struct Case {
    const char* what;
    std::function<void()> change;  // leaves the cursor on record `current`
    int gridRow;
    int current;
  };
  const Case cases[] = {
      {"hidden by the filter",
       [&] {
         regions.setFilter(QStringLiteral("vibor='+'"));
         regions.setFiltered(true);
         regions.goToRecNo(3);
       },
       1, 3},
      {"deleted",
       [&] {
         regions.setFiltered(false);
         regions.goToRecNo(4);
         regions.deleteRecord();
         regions.goToRecNo(1);
       },
       3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.change();
    ASSERT_EQ(regions.recNo(), c.current);
    const QByteArray before = readFile(path);
    EXPECT_FALSE(model->setCurrentRow(c.gridRow));
    EXPECT_FALSE(model->setData(model->index(c.gridRow, 1), QStringLiteral("Чужой"), Qt::EditRole));
    EXPECT_FALSE(regions.goToIndex(model->recordAt(c.gridRow)));
    EXPECT_THROW(regions.editRowAt(model->recordAt(c.gridRow)), TableError);
    EXPECT_EQ(regions.recNo(), c.current);
    EXPECT_EQ(regions.state(), TableState::Browse);
    EXPECT_EQ(readFile(path), before);
  }
  EXPECT_FALSE(regions.goToIndex(99));  // beyond the file
  EXPECT_EQ(regions.recNo(), 1);
  EXPECT_TRUE(regions.goToIndex(2));
  regions.editRowAt(0);
  regions.fieldByName(u"region").setString(QStringLiteral("Первый"));
  regions.post();
  EXPECT_EQ(regions.fieldByName(u"region").asString(), QStringLiteral("Первый"));
}
