// The table component: the cursor over passing rows, deletion marks, record numbers, the
// edit/insert states with their automatic post, and the after-scroll hook.
#include "db_test_support.h"

#include "db/table_error.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace korvel::db;
using namespace korvel::db::test;

namespace {

class TableTest : public ::testing::Test {
 protected:
  QTemporaryDir tmp;
  Table farms{QStringLiteral("vlad2"), QStringLiteral("VLAD")};
  int hooks = 0;

  void SetUp() override {
    RawDbf raw;
    raw.fields = {{"VLAD", 'C', 20}, {"KODVLAD", 'N', 6}, {"KODREG", 'N', 6}, {"OT", 'C', 1}};
    raw.records = {record(raw.fields, {"Заря", "1", "1"}),
                   record(raw.fields, {"Рассвет", "2", "1"}, true),  // deleted
                   record(raw.fields, {"Родина", "1", "2"}),
                   record(raw.fields, {"Искра", "2", "2"}),
                   record(raw.fields, {"Нива", "3", "1"})};
    writeFile(QDir(tmp.path()).filePath(QStringLiteral("VLAD.DBF")), raw.bytes());
    farms.setDirectory(tmp.path());
    farms.addListener([this](TableEvent e) {
      if (e == TableEvent::Scrolled) ++hooks;
    });
  }
  QString name() { return farms.fieldByName(u"vlad").asString(); }
};

using Rows = std::vector<int>;

}  // namespace

TEST_F(TableTest, CursorWalksPassingRowsAndSkipsDeleted) {
  EXPECT_THROW(farms.first(), TableError);  // not open
  farms.open();
  EXPECT_TRUE(farms.isOpen());
  EXPECT_EQ(farms.recNo(), 1);
  EXPECT_EQ(name(), QStringLiteral("Заря"));
  farms.next();
  EXPECT_EQ(farms.recNo(), 3);  // the deleted row 2 is not seen
  EXPECT_EQ(walk(farms), (Rows{1, 3, 4, 5}));
  EXPECT_TRUE(farms.eof());
  farms.next();
  EXPECT_TRUE(farms.eof());
  EXPECT_FALSE(farms.isEmpty());
  farms.open();  // opening an open table does nothing
  EXPECT_TRUE(farms.eof());

  // Record numbers are physical: the same row has the same number under any filter.
  farms.setFilter(QStringLiteral("kodreg=2"));
  farms.setFiltered(true);
  EXPECT_EQ(farms.recNo(), 3);
  EXPECT_EQ(walk(farms), (Rows{3, 4}));

  // Positioning by record number under another filter.
  farms.setFilter(QStringLiteral("kodvlad=1"));
  farms.goToRecNo(3);
  EXPECT_FALSE(farms.eof());
  EXPECT_EQ(name(), QStringLiteral("Родина"));
  farms.goToRecNo(4);  // does not pass kodvlad=1: the walk runs to the end
  EXPECT_TRUE(farms.eof());
  farms.goToRecNo(2);  // deleted
  EXPECT_TRUE(farms.eof());
  farms.goToRecNo(99);
  EXPECT_TRUE(farms.eof());
  farms.close();
  EXPECT_FALSE(farms.isOpen());
  EXPECT_EQ(farms.recNo(), 0);
}

TEST_F(TableTest, DeletionMarksTheRowAndTheNextPassingRowBecomesCurrent) {
  farms.open();
  farms.goToRecNo(3);
  farms.deleteRecord();
  EXPECT_EQ(farms.recNo(), 4);
  EXPECT_EQ(walk(farms), (Rows{1, 4, 5}));
  // The mark is in the file, the row's data is kept.
  const QByteArray b = readFile(QDir(tmp.path()).filePath(QStringLiteral("VLAD.DBF")));
  const int hl = 32 + 4 * 32 + 1, rl = 34;
  EXPECT_EQ(b.mid(hl + 2 * rl, 7), QByteArray("*\xD0\xEE\xE4\xE8\xED\xE0"));
  EXPECT_EQ(farms.file().recordCount(), 5u);

  // The last passing row deleted: the one before becomes current.
  farms.goToRecNo(5);
  farms.deleteRecord();
  EXPECT_EQ(farms.recNo(), 4);
  EXPECT_FALSE(farms.eof());
  // Under a filter, the next row passing the filter.
  farms.setFilter(QStringLiteral("kodreg=1"));
  farms.setFiltered(true);
  EXPECT_EQ(walk(farms), (Rows{1}));
  farms.first();
  farms.deleteRecord();
  EXPECT_TRUE(farms.isEmpty());
  EXPECT_TRUE(farms.eof());
  EXPECT_EQ(farms.recNo(), 0);
  EXPECT_THROW(farms.deleteRecord(), TableError);
}

TEST_F(TableTest, EditPostAndAutomaticPostOnMove) {
  farms.open();
  farms.edit();
  EXPECT_EQ(farms.state(), TableState::Edit);
  farms.fieldByName(u"vlad").setString(QStringLiteral("Заря-2"));
  EXPECT_EQ(name(), QStringLiteral("Заря-2"));  // the edit buffer is what the row shows
  farms.edit();                                // no effect while editing
  EXPECT_EQ(name(), QStringLiteral("Заря-2"));
  farms.next();                                // moving posts
  EXPECT_EQ(farms.state(), TableState::Browse);
  farms.first();
  EXPECT_EQ(name(), QStringLiteral("Заря-2"));

  farms.edit();
  farms.fieldByName(u"vlad").setString(QStringLiteral("не записано"));
  farms.cancel();
  EXPECT_EQ(name(), QStringLiteral("Заря-2"));

  // An append followed by first() is posted too, and first() lands on the first row.
  farms.append();
  farms.fieldByName(u"vlad").setString(QStringLiteral("Новое"));
  EXPECT_EQ(farms.recNo(), 0);  // a row being inserted has no number yet
  farms.first();
  EXPECT_EQ(farms.recNo(), 1);
  EXPECT_EQ(walk(farms), (Rows{1, 3, 4, 5, 6}));
  farms.goToRecNo(6);
  EXPECT_EQ(name(), QStringLiteral("Новое"));
  // Close posts a pending edit as well.
  farms.edit();
  farms.fieldByName(u"kodvlad").setInteger(77);
  farms.close();
  farms.open();
  farms.goToRecNo(6);
  EXPECT_EQ(farms.fieldByName(u"kodvlad").asInteger(), 77);
  // Writing outside edit or insert state is refused.
  EXPECT_THROW(farms.fieldByName(u"vlad").setString(QStringLiteral("x")), TableError);
}

TEST_F(TableTest, ClearFieldsEmptiesEveryField) {
  farms.open();
  farms.goToRecNo(4);
  farms.edit();
  farms.clearFields();
  farms.post();
  EXPECT_EQ(farms.recNo(), 4);
  EXPECT_EQ(name(), QString());
  EXPECT_EQ(farms.fieldByName(u"kodreg").asInteger(), 0);
  const QByteArray b = readFile(QDir(tmp.path()).filePath(QStringLiteral("VLAD.DBF")));
  EXPECT_EQ(b.mid(32 + 4 * 32 + 1 + 3 * 34, 34), QByteArray(34, ' '));
  EXPECT_THROW(farms.clearFields(), TableError);  // not editing
}

TEST_F(TableTest, EditOnAnEmptyTableInserts) {
  createTable(tmp.path(), "EMPTY", {C("NAME", 10)});
  Table t(QStringLiteral("e"), QStringLiteral("EMPTY"));
  t.setDirectory(tmp.path());
  t.open();
  EXPECT_TRUE(t.isEmpty());
  EXPECT_TRUE(t.eof());
  t.edit();
  EXPECT_EQ(t.state(), TableState::Insert);
  EXPECT_FALSE(t.isEmpty());
  t.fieldByName(u"name").setString(QStringLiteral("первая"));
  t.post();
  EXPECT_EQ(t.file().recordCount(), 1u);
  EXPECT_EQ(t.recNo(), 1);
  EXPECT_FALSE(t.eof());
  EXPECT_EQ(t.fieldByName(u"name").asString(), QStringLiteral("первая"));
  // Same for an edit when the filter lets nothing through.
  t.setFilter(QStringLiteral("name='вторая'"));
  t.setFiltered(true);
  t.edit();
  EXPECT_EQ(t.state(), TableState::Insert);
  t.fieldByName(u"name").setString(QStringLiteral("вторая"));
  t.post();
  EXPECT_EQ(t.recNo(), 2);
  EXPECT_EQ(t.file().recordCount(), 2u);
}

TEST_F(TableTest, ListenersAreToldOfEveryMove) {
  farms.open();
  EXPECT_GE(hooks, 1);
  auto after = [&](const char* what, const std::function<void()>& op) {
    const int before = hooks;
    op();
    EXPECT_GT(hooks, before) << what;
  };
  after("first", [&] { farms.first(); });
  after("next", [&] { farms.next(); });
  after("append", [&] { farms.append(); });
  farms.cancel();
  after("delete", [&] { farms.first(); farms.deleteRecord(); });
  after("filter text", [&] { farms.setFiltered(true); });
  after("filter switch", [&] { farms.setFilter(QStringLiteral("kodreg=2")); });
  after("goToRecNo", [&] { farms.goToRecNo(4); });
  farms.close();
  after("open", [&] { farms.open(); });
  // A listener told of the move sees the row it moved to.
  QString seen;
  farms.addListener([&](TableEvent e) {
    if (e == TableEvent::Scrolled) seen = name();
  });
  farms.setFilter(QStringLiteral("kodreg=1"));
  EXPECT_EQ(seen, QStringLiteral("Нива"));
}
