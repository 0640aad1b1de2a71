// Instructions window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Instructions window: the instruction text chosen in the main menu.
class TForm18 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm18(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
