// The real-window answering helper itself: boxes answered by real clicks, a box opened from an
// answer, a dialog shown twice by one handler, an unexpected window.
#include "modal_answers.h"

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

using korvel::test::ModalAnswers;

namespace {

// A dialog with a field and a button that closes it; the button may first show a box.
struct Asking : QDialog {
  QLineEdit* edit = new QLineEdit(this);
  QPushButton* ok = new QPushButton(QStringLiteral("Готово"), this);
  bool boxFirst = false;
  Asking() {
    setWindowTitle(QStringLiteral("Вопрос"));
    auto* l = new QVBoxLayout(this);
    l->addWidget(edit);
    l->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, [this] {
      if (boxFirst) QMessageBox(QMessageBox::NoIcon, QStringLiteral("Корвель"), QStringLiteral("Сначала это"),
                                QMessageBox::Ok, this).exec();
      accept();
    });
  }
};

}  // namespace

TEST(ModalAnswersTest, AnswersBoxesAndDialogsAsAPersonWould) {
  ModalAnswers answers;
  answers.click(QStringLiteral("OK"));
  const int box = QMessageBox(QMessageBox::NoIcon, QStringLiteral("Корвель"), QStringLiteral("Текст"),
                              QMessageBox::Ok | QMessageBox::Cancel).exec();
  EXPECT_EQ(box, QMessageBox::Ok);

  // One handler shows the same dialog twice; the second showing opens a box from its button.
  Asking d;
  answers.type(QStringLiteral("первый"), Qt::Key_Return).click(QStringLiteral("Готово"));
  answers.click(QStringLiteral("OK"));
  d.exec();
  const QString first = d.edit->text();
  d.boxFirst = true;
  d.exec();
  EXPECT_EQ(first, QStringLiteral("первый"));
  EXPECT_EQ(answers.shown, (QStringList{QStringLiteral("Текст"), QStringLiteral("Вопрос"), QStringLiteral("Вопрос"),
                                        QStringLiteral("Сначала это")}));
  EXPECT_EQ(answers.pending(), 0u);
}

TEST(ModalAnswersTest, AWindowNobodyExpectedFailsTheTestAndIsClosed) {
  EXPECT_NONFATAL_FAILURE(
      {
        ModalAnswers answers;
        QMessageBox(QMessageBox::NoIcon, QStringLiteral("Корвель"), QStringLiteral("Нежданное"), QMessageBox::Ok)
            .exec();
      },
      "unexpected modal window");
}
