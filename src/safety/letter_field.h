// What the backup and restore windows share: the one-letter field with the check of what was
// typed, the instruction labels, the window with its layout and buttons, the wait cursor.
#pragma once

#include "ui/window_base.h"

#include <QChar>
#include <QString>
#include <initializer_list>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
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

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   letterEdit                       letterEdit
//   actionButton                     actionButton
//   exitButton                       exitButton
// END OBJECT NAMES

// A backup or restore window: the instruction labels one under another, the letter field with
// its caption, then the action button and "Выход", which closes the window. Showing the window
// empties the field and puts the focus in it.
class LetterWindow : public KorvelDialog {
  Q_OBJECT
 public:
  QLineEdit* letterEdit;
  QPushButton* actionButton;  // the action
  QPushButton* exitButton;    // "Выход"

  // The action of actionButton.
  virtual void actionClicked() = 0;

 protected:
  LetterWindow(const QString& actionCaption, QWidget* parent);
  // Lays the window out; the labels are made by the window beforehand.
  void layOut(std::initializer_list<QLabel*> instructions, QLabel* fieldCaption);
  void FormActivate() override;
};

// Shows the wait cursor while a copy runs.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace korvel::safety
