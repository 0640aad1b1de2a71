// What the three source files of the cows window share: its colours and its fixed messages.
#pragma once

#include "db/data_module.h"
#include "db/freeze.h"

#include <QColor>
#include <QString>

namespace korvel::cow_card {

inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 128, 0);
inline const QColor kTeal(0, 128, 128);
inline const QColor kOlive(128, 128, 0);
inline const QColor kYellow(255, 255, 0);

inline QString emptyFarmMessage() { return QStringLiteral("В этом хозяйстве нет записей коров. Можно только ДОБАВИТЬ!"); }
inline QString cowGoneMessage() {
  return QStringLiteral("Выбранной коровы больше нет в списке хозяйства. Изменение не записано.");
}
inline QString duplicateCowMessage() {
  return QStringLiteral("Такая кличка/идентификационный № уже есть... повтор недопустим.");
}
inline QString emptyAnimalNameMessage() {
  return QStringLiteral("Кличка/идентификационный № не введены. Кличка не изменена.");
}

}  // namespace korvel::cow_card
