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

}  // namespace korvel::test
