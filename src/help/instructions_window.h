// The instructions viewer: one instruction text file shown line by line.
#pragma once

#include "ui/window_base.h"

class QListWidget;

namespace korvel {

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   InstructionsWindow               instructionsWindow
//   instructionList                  instructionList
// END OBJECT NAMES

// Instructions window "Инструкции": shows the instruction file chosen by the main menu button.
class InstructionsWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit InstructionsWindow(QWidget* parent = nullptr);

  QListWidget* instructionList;

 protected:
  // Runs each time the window is shown: place it, empty the list, load the selected file.
  void FormActivate() override;
};

}  // namespace korvel
