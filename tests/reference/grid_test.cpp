// The list grid: its model passes the item model checks, and the view's current row and the
// table's cursor follow each other.
#include "db/data_module.h"
#include "named.h"
#include "reference/regions_window.h"
#include "reference_support.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "work_folder.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <gtest/gtest.h>

using namespace korvel;
using test::named;

TEST(ListGrid, CurrentRowAndCursorFollowEachOther) {
  test::WorkFolder folder;
  test::App app(folder.path());
  db::Table& t = app.dm().region;
  for (int i = 1; i <= 4; ++i) test::appendRow(t, {{"kodreg", i}, {"region", QStringLiteral("Регион %1").arg(i)}});
  RegionsWindow& w = *forms().regionsWindow;
  DBGrid& grid = *named<DBGrid>(w, "DBGrid1");
  QAbstractItemModelTester tester(&grid.gridModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
  w.show();

  EXPECT_EQ(grid.objectName(), QStringLiteral("DBGrid1"));
  EXPECT_FALSE(grid.verticalHeader()->isVisible());
  EXPECT_EQ(grid.gridModel().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Регион"));
  ASSERT_EQ(grid.gridModel().rowCount(), 4);
  EXPECT_EQ(grid.gridModel().data(grid.gridModel().index(2, 0), Qt::DisplayRole).toString(), QStringLiteral("Регион 3"));
  EXPECT_EQ(grid.currentIndex().row(), 0);
  EXPECT_FALSE(grid.gridModel().flags(grid.gridModel().index(0, 0)) & Qt::ItemIsEditable);

  // The user moves in the grid: the cursor follows.
  grid.setCurrentIndex(grid.gridModel().index(2, 0));
  EXPECT_EQ(t.fieldByName(u"kodreg").asInteger(), 3);
  // The program moves the cursor: the grid follows.
  t.first();
  t.next();
  EXPECT_EQ(grid.currentIndex().row(), 1);

  // A view without a current row that gains the focus takes the cursor's row, not its first.
  t.goToRecNo(4);
  grid.setCurrentIndex(QModelIndex());
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(&grid, &in);
  EXPECT_EQ(t.recNo(), 4);
  EXPECT_EQ(grid.currentIndex().row(), 3);

  // A row appended elsewhere shows and, once the handler is over, is the grid's current row.
  test::appendRow(t, {{"kodreg", 5}, {"region", QStringLiteral("Регион 5")}});
  QApplication::processEvents();
  EXPECT_EQ(grid.gridModel().rowCount(), 5);
  EXPECT_EQ(grid.currentIndex().row(), 4);
  EXPECT_EQ(t.recNo(), 5);
  w.hide();
}
