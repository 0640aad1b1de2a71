// The program's texts that the tests of several windows expect, spelled once here.
#pragma once

#include <QString>

namespace korvel::test {

// A selection whose key matched no row.
inline const QString kNoMatch = QStringLiteral("Записей, соответствующих ключу, нет...");
// An animal's name or identification number already used on the farm.
inline const QString kDuplicateAnimal = QStringLiteral("Такая кличка/идентификационный № уже есть... повтор недопустим.");
// The breeds window and the farms window as pickers of the cow and bull cards.
inline const QString kBreedPicker =
    QStringLiteral("Выберите нужную породу, а если такой нет - добавьте новую породу и закройте это окно.");
inline const QString kHerdPicker = QStringLiteral("Выбор владельца стада. Выберите (добавьте) и закройте окно.");
// The bulls window as the picker of a cow's father.
inline const QString kBullPicker =
    QStringLiteral("Выберите (если его нет - добавьте) нужного быка-производителя и закройте это окно.");
// The name asked for a cow, for a bull, and a name corrected.
inline const QString kNewCowCaption = QStringLiteral("Введите кличку/идентифик.№ коровы и закройте это окно");
inline const QString kNewBullCaption = QStringLiteral("Введите кличку/идентифик.№ быка и закройте это окно");
inline const QString kRenameCaption = QStringLiteral("Уточните (исправьте) кличку/идентифик.№ и закройте это окно");
// A region without farms, a farm without bulls.
inline const QString kNoFarms = QStringLiteral("В этом регионе нет владельцев! Можно только добавить.");
inline const QString kNoBulls = QStringLiteral("В этом хозяйстве нет записей быков. Можно только ДОБАВИТЬ!");
// The deletion questions: the bull's second question and the answers of both.
inline const QString kBullDeleteGoesOn = QStringLiteral("Удаление быка. Продолжение.");
inline const QString kYesDelete = QStringLiteral("Да. Удаляем.");
inline const QString kNoDelete = QStringLiteral("Нет. Не удаляем.");
// Scores refused in the cow card's linear, defect and complex grids.
inline const QString kLinearOnly = QStringLiteral("Допустимы только цифры от 1 до 9");
inline const QString kDefectOnly = QStringLiteral("Допустимы только + или ++ или пробел");
inline const QString kComplexOnly = QStringLiteral("Допустимы только числа от 1 до 100");
// A restore that did not happen.
inline const QString kNotRestored = QStringLiteral("Даные НЕ ВОССТАНОВЛЕНЫ!!");

}  // namespace korvel::test
