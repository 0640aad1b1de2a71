#include "reference/breeds_window.h"

#include "db/data_module.h"

namespace korvel {

TForm10::TForm10(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form10"));
  setWindowTitle(QStringLiteral("Породы"));
}

void TForm10::FormActivate() { placeTopLeft(); }

}  // namespace korvel
