// Daughters list window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Daughters list: the daughters of the current bull with their farms, scores and categories.
class TForm13 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm13(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
