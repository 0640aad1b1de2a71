#include "ui/common_dialogs.h"

#include "messages.h"
#include "named.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvel;
using test::button;
using test::edit;
using test::label;
using test::kNoDelete;
using test::kYesDelete;

TEST(SelectionKeyDialog, StartsWithOneBlankAndEnterClosesOnlyWithText) {
  SelectionKeyDialog d;
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Выделение"));
  EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint);
  QTimer::singleShot(0, &d, [&] {
    EXPECT_EQ(edit(d, "Edit1")->text(), QStringLiteral(" "));
    edit(d, "Edit1")->clear();
    QTest::keyClick(edit(d, "Edit1"), Qt::Key_Return);  // empty field: stays open
    EXPECT_TRUE(d.isVisible());
    edit(d, "Edit1")->setText(QStringLiteral(" ан "));
    QTest::keyClick(edit(d, "Edit1"), Qt::Key_Return);
  });
  d.exec();
  EXPECT_EQ(selectionKeyOf(edit(d, "Edit1")->text()), QStringLiteral("АН"));
  EXPECT_EQ(selectionKeyOf(QStringLiteral(" ")), QString());
}

TEST(TextInputDialog, TheCloseBoxDeliversTheEditedText) {
  TextInputDialog d;
  edit(d, "Edit1")->setText(QStringLiteral("Старое"));
  EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);
  QTimer::singleShot(0, &d, [&] {
    edit(d, "Edit1")->setText(QStringLiteral("Новое название"));
    d.close();
  });
  d.exec();
  EXPECT_EQ(edit(d, "Edit1")->text(), QStringLiteral("Новое название"));
}

TEST(DeleteConfirmation, WidensToTheLongestLabelAndAnswersFromTheButtons) {
  DeleteConfirmationDialog d;
  DeleteQuestion q{QStringLiteral("Удаление коровы"), QStringLiteral("Удалить?"), QStringLiteral("коротко"),
                   kYesDelete, kNoDelete};
  QTimer::singleShot(0, &d, [&] {
    EXPECT_EQ(d.width(), 282);
    button(d, "Button1")->click();
  });
  EXPECT_TRUE(d.ask(q));
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Удаление коровы"));
  EXPECT_EQ(button(d, "Button2")->text(), kNoDelete);

  q.label2 = QString(60, QChar(u'Ж'));
  const int expected = label(d, "Label2")->fontMetrics().horizontalAdvance(q.label2) + 30;
  ASSERT_GT(expected, 282);
  QTimer::singleShot(0, &d, [&] {
    EXPECT_EQ(d.width(), expected);
    d.close();  // no button: the answer was reset to no
  });
  EXPECT_FALSE(d.ask(q));
}

// Enter pressed on a button of the window underneath opens the dialog; the release of that key
// lands in the field and must not close the dialog on its initial text.
TEST(DialogsClosingByEnter, OnlyAnEnterPressedInTheFieldCounts) {
  SelectionKeyDialog key;
  QTimer::singleShot(0, &key, [&] {
    QTest::keyRelease(edit(key, "Edit1"), Qt::Key_Return);
    EXPECT_TRUE(key.isVisible());
    edit(key, "Edit1")->setText(QStringLiteral("мол"));
    QTest::keyClick(edit(key, "Edit1"), Qt::Key_Return);
    EXPECT_FALSE(key.isVisible());
  });
  key.exec();
  EXPECT_EQ(selectionKeyOf(edit(key, "Edit1")->text()), QStringLiteral("МОЛ"));

  TextInputDialog text;
  edit(text, "Edit1")->setText(QStringLiteral("Старое"));
  QTimer::singleShot(0, &text, [&] {
    QTest::keyRelease(edit(text, "Edit1"), Qt::Key_Enter);
    EXPECT_TRUE(text.isVisible());
    edit(text, "Edit1")->setText(QStringLiteral("Новое"));
    QTest::keyPress(edit(text, "Edit1"), Qt::Key_Enter);
    EXPECT_TRUE(text.isVisible());  // closes on the release, not the press
    QTest::keyRelease(edit(text, "Edit1"), Qt::Key_Enter);
    if (text.isVisible()) text.close();
  });
  text.exec();
  EXPECT_EQ(text.result(), QDialog::Accepted);
  EXPECT_EQ(edit(text, "Edit1")->text(), QStringLiteral("Новое"));
}
