#include "cows/cow_card.h"

#include "db/data_module.h"

namespace korvel {

TForm9::TForm9(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form9"));
  setWindowTitle(QStringLiteral("Коровы"));
}

void TForm9::FormActivate() { placeTopLeft(); }

}  // namespace korvel
