#include "reference/farms_window.h"

#include "db/data_module.h"

namespace korvel {

TForm8::TForm8(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form8"));
  setWindowTitle(QStringLiteral("Владельцы"));
}

void TForm8::FormActivate() { placeTopLeft(); }

}  // namespace korvel
