// Bulls window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Bulls window: the farm's bull list with each bull's figures over his daughters.
class TForm4 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm4(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
