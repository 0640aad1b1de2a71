#include "safety/letter_field.h"

#include "safety/backup_restore.h"
#include "safety/drive_letters.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace korvel::safety {
namespace {

// The field has one place. A click right of "_" leaves the cursor past it, where the mask
// takes nothing, so a typed character always goes to that one place, replacing what is there.
class LetterEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (!e->text().isEmpty() && e->text().front().isPrint()) setCursorPosition(0);
    QLineEdit::keyPressEvent(e);
  }
};

}  // namespace

QLineEdit* makeLetterField(QWidget* parent) {
  auto* field = new LetterEdit(parent);
  field->setObjectName(QStringLiteral("MaskEdit1"));
  // At most one character, a letter of any alphabet; the blank shows as "_". The validator sees
  // the text as displayed, so the blank itself must pass or the field could not be emptied.
  field->setInputMask(QStringLiteral("x;_"));
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\p{L}_]")), field));
  field->setFixedWidth(40);
  return field;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setWordWrap(true);
  return l;
}

std::optional<QChar> takeLetter(QLineEdit& field) {
  const std::optional<QChar> letter = driveLetterOf(field.text());
  if (!letter) {
    prompts().message(msg::kTypeOneLetter);
    field.setFocus();
  }
  return letter;
}

LetterWindow::LetterWindow(const QString& actionCaption, QWidget* parent) : KorvelDialog(parent) {
  letterEdit = makeLetterField(this);
  actionButton = new QPushButton(actionCaption, this);
  actionButton->setObjectName(QStringLiteral("Button1"));
  exitButton = new QPushButton(QStringLiteral("Выход"), this);
  exitButton->setObjectName(QStringLiteral("Button2"));
  actionButton->setAutoDefault(false);
  exitButton->setAutoDefault(false);
  onClick(actionButton, [this] { actionClicked(); });
  onClick(exitButton, [this] { reject(); });
}

void LetterWindow::layOut(std::initializer_list<QLabel*> instructions, QLabel* fieldCaption) {
  fieldCaption->setWordWrap(false);
  auto* field = new QHBoxLayout;
  field->addWidget(fieldCaption);
  field->addWidget(letterEdit);
  field->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(actionButton);
  buttons->addWidget(exitButton);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->setSpacing(12);
  for (QLabel* l : instructions) layout->addWidget(l);
  layout->addSpacing(24);
  layout->addLayout(field);
  layout->addSpacing(24);
  layout->addLayout(buttons);
  layout->addStretch();
}

void LetterWindow::FormActivate() {
  letterEdit->clear();
  letterEdit->setFocus();
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace korvel::safety
