// Cows window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Cows window: the farm's cow list, the trait card and its editing.
class TForm9 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm9(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
