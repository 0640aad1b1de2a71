// Backup window.
#pragma once

#include "safety/letter_field.h"

class QLabel;

namespace korvel {

class HerdTables;

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
