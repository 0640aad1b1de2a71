// Breeds window window.
#pragma once

#include "app/window_base.h"

namespace korvel {

class TDataModule5;

// Breeds window: the list of breeds and the entry to the sire evaluation.
class TForm10 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm10(TDataModule5& dm, QWidget* parent = nullptr);

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
