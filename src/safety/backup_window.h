// Backup window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Backup window: copies the tables to a removable drive.
class TForm16 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm16(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
