#include "reference/regions_window.h"

#include "db/data_module.h"

namespace korvel {

TForm6::TForm6(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QStringLiteral("Работа с регионами"));
}

void TForm6::FormActivate() { placeTopLeft(); }

}  // namespace korvel
