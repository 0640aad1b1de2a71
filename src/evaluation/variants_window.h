// Calculation variant window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Calculation variant window: the comparison base and the bull set of a sire evaluation.
class TForm12 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm12(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
