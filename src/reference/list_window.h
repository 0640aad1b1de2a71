// What the regions and breeds windows share: their buttons and the "Выделить" of their lists.
#pragma once

#include "ui/selection.h"

#include <QString>
#include <functional>

class QPushButton;
class QWidget;

namespace korvel::reference {

// A button of a list window, at least 36 points high; a click runs `handler` guarded (onClick).
QPushButton* listButton(QWidget* window, const char* name, const QString& caption, std::function<void()> handler);

// Asks for the selection key and selects by it within `scope`. With rows selected the focus goes to
// `list`; none matching shows its message, then `showAll` shows every row again.
void selectOnList(const SelectionScope& scope, QWidget* list, const std::function<void()>& showAll);

}  // namespace korvel::reference
