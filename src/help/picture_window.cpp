#include "help/picture_window.h"

#include "db/data_module.h"

namespace korvel {

TForm2::TForm2(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Справка. Баллы роста."));
}

void TForm2::FormActivate() { placeTopLeft(); }

}  // namespace korvel
