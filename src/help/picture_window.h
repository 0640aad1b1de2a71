// Help picture window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Help picture window: the picture of a linear trait's scale.
class TForm2 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm2(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
