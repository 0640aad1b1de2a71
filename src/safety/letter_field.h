// The controls shared by the backup and restore windows: the one-letter field with the check of
// what was typed, the instruction labels, the wait cursor.
#pragma once

#include <QChar>
#include <QString>
#include <optional>

class QLabel;
class QLineEdit;
class QWidget;

namespace korvel::safety {

// A field for one letter, a blank shown as "_". Any alphabet may be typed: a letter that is not
// Latin is refused by the check, with its message, not silently by the field.
QLineEdit* makeLetterField(QWidget* parent);

// A label of the windows' instructions, wrapped at the window's width.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text);

// The drive letter in the field; when there is none, the message is shown and the focus goes
// back to the field.
std::optional<QChar> takeLetter(QLineEdit& field);

// Shows the wait cursor while a copy runs.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace korvel::safety
