// Regions window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Regions window: the list of regions, their addition, correction and selection.
class TForm6 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm6(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
