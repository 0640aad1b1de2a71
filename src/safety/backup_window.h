// Backup window.
#pragma once

#include "safety/letter_field.h"

class QLabel;

namespace korvel {

class HerdTables;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   BackupWindow                     backupWindow
//   prepareMediumLabel               prepareMediumLabel
//   findLetterLabel                  findLetterLabel
//   pressButtonLabel                 pressButtonLabel
//   whenDoneLabel                    whenDoneLabel
//   waitLabel                        waitLabel
//   letterCaption                    letterCaption
// END OBJECT NAMES

// Backup window: copies the tables to the folder "arhivbik" of a medium named by its letter.
class BackupWindow : public safety::LetterWindow {
  Q_OBJECT
 public:
  explicit BackupWindow(HerdTables& dm, QWidget* parent = nullptr);

  QLabel *prepareMediumLabel, *findLetterLabel, *pressButtonLabel, *whenDoneLabel, *waitLabel, *letterCaption;

  // "Архивировать": the letter, the medium, the tables closed around the copy.
  void actionClicked() override;

 private:
  HerdTables& dm_;
};

}  // namespace korvel
