#include "sires/daughters_window.h"

#include "db/data_module.h"

namespace korvel {

TForm13::TForm13(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form13"));
}

void TForm13::FormActivate() { placeTopLeft(); }

}  // namespace korvel
