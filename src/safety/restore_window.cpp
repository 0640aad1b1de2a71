#include "safety/restore_window.h"

#include "db/data_module.h"

namespace korvel {

TForm17::TForm17(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form17"));
  setWindowTitle(QStringLiteral("Восстановление данных с резервного носителя"));
}

void TForm17::FormActivate() { placeTopLeft(); }

}  // namespace korvel
