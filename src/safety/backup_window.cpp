#include "safety/backup_window.h"

#include "db/data_module.h"

namespace korvel {

TForm16::TForm16(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form16"));
  setWindowTitle(QStringLiteral("Создание архива"));
}

void TForm16::FormActivate() { placeTopLeft(); }

}  // namespace korvel
