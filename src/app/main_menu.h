// Main menu window.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace korvel {

class HerdTables;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   MainMenu                         mainMenu
//   leftPicture                      leftPicture
//   rightPicture                     rightPicture
//   breedsButton                     breedsButton
//   regionsButton                    regionsButton
//   farmsButton                      farmsButton
//   bullsButton                      bullsButton
//   cowsButton                       cowsButton
//   backupButton                     backupButton
//   restoreButton                    restoreButton
//   backupInstructionsButton         backupInstructionsButton
//   regionsInstructionsButton        regionsInstructionsButton
//   farmsInstructionsButton          farmsInstructionsButton
//   reportsInstructionsButton        reportsInstructionsButton
//   bullsInstructionsButton          bullsInstructionsButton
//   cowsInstructionsButton           cowsInstructionsButton
//   breedsInstructionsButton         breedsInstructionsButton
// END OBJECT NAMES

// Main menu: opens every screen modally; closing it ends the program.
class MainMenu : public QWidget {
  Q_OBJECT
 public:
  explicit MainMenu(HerdTables& dm, QWidget* parent = nullptr);

  // The activation routine: caption and place, the reference tables closed and reopened. Runs
  // once the window is first on the screen, and after a restore.
  void FormActivate();
  // Whether the first activation has run.
  bool activated() const { return activated_; }

  QLabel* leftPicture;
  QLabel* rightPicture;
  QPushButton *breedsButton, *regionsButton, *farmsButton, *bullsButton, *cowsButton, *backupButton, *restoreButton;
  QPushButton *backupInstructionsButton, *regionsInstructionsButton, *farmsInstructionsButton,
      *reportsInstructionsButton, *bullsInstructionsButton, *cowsInstructionsButton, *breedsInstructionsButton;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  QPushButton* makeButton(const char* name, const QString& caption);
  void showInstruction(int selector);

  HerdTables& dm_;
  bool shown_ = false;
  bool activated_ = false;
};

}  // namespace korvel
