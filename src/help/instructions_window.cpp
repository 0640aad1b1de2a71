#include "help/instructions_window.h"

#include "db/data_module.h"

namespace korvel {

TForm18::TForm18(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form18"));
  setWindowTitle(QStringLiteral("Инструкции"));
}

void TForm18::FormActivate() { placeTopLeft(); }

}  // namespace korvel
