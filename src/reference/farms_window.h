// Farms window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Farms window: the owners (farms) of one region, the region archive farm and farm removal.
class TForm8 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm8(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
