// What a person can read of a window as it stands on the screen: every shown label, button,
// option button, group caption, edit field, header section and list or grid cell is measured
// with its own font against the room its widget gives the text (the style's contents rect,
// the column's width inside the view). A text fits when it shows whole on one line, or, in a
// widget that wraps by design (a word-wrapping label or grid), when its wrapped lines fit the
// height. Each control must also lie inside its parent and clear of its shown siblings, and
// every grid column must show without scrolling sideways.
#pragma once

#include <QStringList>

class QWidget;

namespace korvel::test {

// One line per text that does not show whole, naming the widget ("Form9/StringGrid1 cell 3,0")
// with the text and the pixels it needs against those it has. Empty when all is readable.
QStringList unreadableTexts(QWidget& window);

}  // namespace korvel::test
