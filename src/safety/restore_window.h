// Restore window.
#pragma once

#include "safety/letter_field.h"

#include <functional>

class QLabel;

namespace korvel {

class HerdTables;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   RestoreWindow                    restoreWindow
//   prepareMediumLabel               prepareMediumLabel
//   findLetterLabel                  findLetterLabel
//   pressButtonLabel                 pressButtonLabel
//   whenDoneLabel                    whenDoneLabel
//   letterCaption                    letterCaption
// END OBJECT NAMES

// Restore window: copies the tables back from the folder "arhivbik" of a medium named by its
// letter, then reopens the reference tables as the main menu does.
class RestoreWindow : public safety::LetterWindow {
  Q_OBJECT
 public:
  explicit RestoreWindow(HerdTables& dm, QWidget* parent = nullptr);

  QLabel *prepareMediumLabel, *findLetterLabel, *pressButtonLabel, *whenDoneLabel, *letterCaption;

  // "Восстановить данные": the letter, the backup on the medium, the tables closed, the copy.
  void actionClicked() override;

  // Run after the tables were copied back: the application reopens the reference tables
  // there, as the main menu's activation does.
  std::function<void()> afterRestore;

 private:
  HerdTables& dm_;
};

}  // namespace korvel
