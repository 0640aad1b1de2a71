#include "evaluation/variants_window.h"

#include "db/data_module.h"

namespace korvel {

TForm12::TForm12(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form12"));
}

void TForm12::FormActivate() { placeTopLeft(); }

}  // namespace korvel
