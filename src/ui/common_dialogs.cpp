#include "ui/common_dialogs.h"

#include "ui/window_base.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

bool isEnter(QEvent* e, QEvent::Type type) {
  if (e->type() != type) return false;
  auto* k = static_cast<QKeyEvent*>(e);
  return !k->isAutoRepeat() && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter);
}

}  // namespace

// A button of the window underneath is clicked by the press of Enter, which opens the dialog;
// the release of that same key then arrives in the edit field. Only an Enter pressed in the
// field itself closes the dialog, or a key dialog opened by Enter would close on its blank at once.
bool EnterInEdit::released(QLineEdit* edit, QObject* o, QEvent* e) {
  if (o != edit) return false;
  if (isEnter(e, QEvent::KeyPress)) pressedHere_ = true;
  if (!isEnter(e, QEvent::KeyRelease)) return false;
  const bool ours = pressedHere_;
  pressedHere_ = false;
  return ours && !edit->text().isEmpty();
}

namespace {

// Enter must not press a button by itself: the dialogs close on Enter only as they say.
void plainButton(QPushButton* b) {
  b->setAutoDefault(false);
  b->setDefault(false);
}

}  // namespace

SelectionKeyDialog::SelectionKeyDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form7"));
  setWindowTitle(QStringLiteral("Выделение"));
  setModal(true);
  promptLabel = new QLabel(QStringLiteral("Введите ключ выделения"), this);
  promptLabel->setObjectName(QStringLiteral("Label1"));
  textEdit = new QLineEdit(this);
  textEdit->setObjectName(QStringLiteral("Edit1"));
  acceptButton = new QPushButton(QStringLiteral("Выделить"), this);
  acceptButton->setObjectName(QStringLiteral("Button1"));
  plainButton(acceptButton);
  auto* l = new QVBoxLayout(this);
  l->addWidget(promptLabel);
  l->addWidget(textEdit);
  l->addWidget(acceptButton);
  // A fixed size: a window manager then offers neither resizing nor maximising it.
  setFixedSize(320, 120);
  textEdit->installEventFilter(this);
  onClick(acceptButton, [this] { accept(); });
}

void SelectionKeyDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  enter_.reset();
  textEdit->setText(QStringLiteral(" "));
  textEdit->setFocus();
}

bool SelectionKeyDialog::eventFilter(QObject* o, QEvent* e) {
  if (enter_.released(textEdit, o, e)) accept();
  return QDialog::eventFilter(o, e);
}

TextInputDialog::TextInputDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form14"));
  setModal(true);
  textEdit = new QLineEdit(this);
  textEdit->setObjectName(QStringLiteral("Edit1"));
  acceptButton = new QPushButton(QStringLiteral("Записать"), this);
  acceptButton->setObjectName(QStringLiteral("Button1"));
  plainButton(acceptButton);
  auto* l = new QVBoxLayout(this);
  l->addWidget(textEdit);
  l->addWidget(acceptButton);
  // The caption is the instruction the user must follow: the longest ("Уточните (исправьте)
  // название хозяйства (владельца) и закройте это окно") shows whole in a desktop's title bar
  // at this width, beside the title bar's buttons.
  setFixedSize(680, 100);
  textEdit->installEventFilter(this);
  onClick(acceptButton, [this] { accept(); });
}

void TextInputDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  enter_.reset();
  textEdit->setFocus();
}

bool TextInputDialog::eventFilter(QObject* o, QEvent* e) {
  if (enter_.released(textEdit, o, e)) accept();
  return QDialog::eventFilter(o, e);
}

DeleteConfirmationDialog::DeleteConfirmationDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form11"));
  setWindowTitle(QStringLiteral("Удаление"));
  setModal(true);
  promptLabel = new QLabel(QStringLiteral("Вы действительно хотите удалить это животное?"), this);
  promptLabel->setObjectName(QStringLiteral("Label1"));
  detailLabel = new QLabel(this);
  detailLabel->setObjectName(QStringLiteral("Label2"));
  acceptButton = new QPushButton(QStringLiteral("Удалить"), this);
  acceptButton->setObjectName(QStringLiteral("Button1"));
  refuseButton = new QPushButton(QStringLiteral("Не надо удалять"), this);
  refuseButton->setObjectName(QStringLiteral("Button2"));
  plainButton(acceptButton);
  plainButton(refuseButton);
  auto* l = new QVBoxLayout(this);
  l->addWidget(promptLabel);
  l->addWidget(detailLabel);
  auto* row = new QHBoxLayout;
  row->addWidget(acceptButton);
  row->addWidget(refuseButton);
  l->addLayout(row);
  onClick(acceptButton, [this] {
    confirmed = true;
    accept();
  });
  onClick(refuseButton, [this] {
    confirmed = false;
    accept();
  });
}

int DeleteConfirmationDialog::widthForLabels() const {
  int w = 282;
  w = std::max(w, promptLabel->fontMetrics().horizontalAdvance(promptLabel->text()) + 30);
  w = std::max(w, detailLabel->fontMetrics().horizontalAdvance(detailLabel->text()) + 30);
  return w;
}

bool DeleteConfirmationDialog::ask(const DeleteQuestion& q) {
  setWindowTitle(q.caption);
  promptLabel->setText(q.label1);
  acceptButton->setText(q.yesText);
  refuseButton->setText(q.noText);
  detailLabel->setText(q.label2);
  confirmed = false;
  // The height its two lines and buttons need: the window has no height of its own before it
  // is first shown. A fixed size: a window manager then offers neither resizing nor maximising.
  setFixedSize(widthForLabels(), sizeHint().height());
  exec();
  return confirmed;
}

}  // namespace korvel
