#include "sires/bull_card.h"

#include "db/data_module.h"

namespace korvel {

TForm4::TForm4(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Быки"));
}

void TForm4::FormActivate() { placeTopLeft(); }

}  // namespace korvel
