// The daughters list window (DaughtersWindow): every daughter of the bull shown on the bull card, in
// whatever region and farm she stands, read-only and rebuilt each time it opens.
#pragma once

#include "ui/window_base.h"

class QTableWidget;

namespace korvel {

class HerdTables;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   DaughtersWindow                  daughtersWindow
//   daughterGrid                     daughterGrid
// END OBJECT NAMES

// Daughters list: the daughters of the current bull with their farms, scores and categories.
class DaughtersWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit DaughtersWindow(HerdTables& dm, QWidget* parent = nullptr);

  QTableWidget* daughterGrid;

 protected:
  void FormActivate() override;

 private:
  HerdTables& dm_;
};

}  // namespace korvel
