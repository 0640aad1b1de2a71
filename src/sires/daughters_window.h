// The daughters list window (TForm13): every daughter of the bull shown on the bull card, in
// whatever region and farm she stands, read-only and rebuilt each time it opens.
#pragma once

#include "ui/window_base.h"

class QTableWidget;

namespace korvel {

class TDataModule5;

// Daughters list: the daughters of the current bull with their farms, scores and categories.
class TForm13 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm13(TDataModule5& dm, QWidget* parent = nullptr);

  QTableWidget* StringGrid1;

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel
