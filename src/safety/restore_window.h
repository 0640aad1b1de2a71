// Restore window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Restore window: copies the tables back from a removable drive.
class TForm17 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm17(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
