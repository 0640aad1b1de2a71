// A window's widgets found by object name, as automation finds them: `named` for any kind, and
// shorthands for the kinds the windows are mostly made of. A missing name fails the test.
#pragma once

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace korvel::test {

// The child of `parent` named `name`; fails the test when there is none.
template <class W>
W* named(QWidget& parent, const char* name) {
  W* w = parent.findChild<W*>(QString::fromLatin1(name));
  if (!w) ADD_FAILURE() << "no " << name << " in " << parent.objectName().toStdString();
  return w;
}

QPushButton* button(QWidget& parent, const char* name);
QLabel* label(QWidget& parent, const char* name);
QLineEdit* edit(QWidget& parent, const char* name);
QTableWidget* grid(QWidget& parent, const char* name);

}  // namespace korvel::test
