// What the reference window tests share: the rows of a table file as its bytes hold them, rows
// appended through the data module, and the buttons a window shows.
#pragma once

#include "herd_writer.h"
#include "qt_print.h"
#include "raw_table.h"

#include <QPushButton>
#include <QStringList>
#include <QVariant>

namespace korvel::test {

// Object names of the buttons of `window` that are shown (the window must be shown).
QStringList shownButtons(const QWidget& window);

}  // namespace korvel::test
