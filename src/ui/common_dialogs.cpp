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

TForm7::TForm7(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form7"));
  setWindowTitle(QStringLiteral("Выделение"));
  setModal(true);
  Label1 = new QLabel(QStringLiteral("Введите ключ выделения"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Button1 = new QPushButton(QStringLiteral("Выделить"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  plainButton(Button1);
  auto* l = new QVBoxLayout(this);
  l->addWidget(Label1);
  l->addWidget(Edit1);
  l->addWidget(Button1);
  // A fixed size: a window manager then offers neither resizing nor maximising it.
  setFixedSize(320, 120);
  Edit1->installEventFilter(this);
  onClick(Button1, [this] { accept(); });
}

void TForm7::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  enter_.reset();
  Edit1->setText(QStringLiteral(" "));
  Edit1->setFocus();
}

bool TForm7::eventFilter(QObject* o, QEvent* e) {
  if (enter_.released(Edit1, o, e)) accept();
  return QDialog::eventFilter(o, e);
}

TForm14::TForm14(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form14"));
  setModal(true);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Button1 = new QPushButton(QStringLiteral("Записать"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  plainButton(Button1);
  auto* l = new QVBoxLayout(this);
  l->addWidget(Edit1);
  l->addWidget(Button1);
  // The caption is the instruction the user must follow: the longest ("Уточните (исправьте)
  // название хозяйства (владельца) и закройте это окно") shows whole in a desktop's title bar
  // at this width, beside the title bar's buttons.
  setFixedSize(680, 100);
  Edit1->installEventFilter(this);
  onClick(Button1, [this] { accept(); });
}

void TForm14::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  enter_.reset();
  Edit1->setFocus();
}

bool TForm14::eventFilter(QObject* o, QEvent* e) {
  if (enter_.released(Edit1, o, e)) accept();
  return QDialog::eventFilter(o, e);
}

TForm11::TForm11(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Form11"));
  setWindowTitle(QStringLiteral("Удаление"));
  setModal(true);
  Label1 = new QLabel(QStringLiteral("Вы действительно хотите удалить это животное?"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Button1 = new QPushButton(QStringLiteral("Удалить"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2 = new QPushButton(QStringLiteral("Не надо удалять"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  plainButton(Button1);
  plainButton(Button2);
  auto* l = new QVBoxLayout(this);
  l->addWidget(Label1);
  l->addWidget(Label2);
  auto* row = new QHBoxLayout;
  row->addWidget(Button1);
  row->addWidget(Button2);
  l->addLayout(row);
  onClick(Button1, [this] {
    confirmed = true;
    accept();
  });
  onClick(Button2, [this] {
    confirmed = false;
    accept();
  });
}

int TForm11::widthForLabels() const {
  int w = 282;
  w = std::max(w, Label1->fontMetrics().horizontalAdvance(Label1->text()) + 30);
  w = std::max(w, Label2->fontMetrics().horizontalAdvance(Label2->text()) + 30);
  return w;
}

bool TForm11::ask(const DeleteQuestion& q) {
  setWindowTitle(q.caption);
  Label1->setText(q.label1);
  Button1->setText(q.yesText);
  Button2->setText(q.noText);
  Label2->setText(q.label2);
  confirmed = false;
  // The height its two lines and buttons need: the window has no height of its own before it
  // is first shown. A fixed size: a window manager then offers neither resizing nor maximising.
  setFixedSize(widthForLabels(), sizeHint().height());
  exec();
  return confirmed;
}

}  // namespace korvel
