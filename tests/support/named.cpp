// The shorthands of named.h.
#include "named.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace korvel::test {

QPushButton* button(QWidget& parent, const char* name) { return named<QPushButton>(parent, name); }
QLabel* label(QWidget& parent, const char* name) { return named<QLabel>(parent, name); }
QLineEdit* edit(QWidget& parent, const char* name) { return named<QLineEdit>(parent, name); }
QTableWidget* grid(QWidget& parent, const char* name) { return named<QTableWidget>(parent, name); }

}  // namespace korvel::test
