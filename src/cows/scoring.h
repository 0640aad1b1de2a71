// The overall score of a cow from her complex-trait values and the catalogue weights, its
// category, and the two captions the cards show.
#pragma once

#include "cows/trait_catalogue.h"

#include <QString>
#include <functional>
#include <optional>

namespace korvel {

// The value of one complex trait shown on grid line `line`; nothing when it is empty, which
// adds nothing to the total (the same as counting it 0).
using TraitValueReader = std::function<std::optional<double>(const TraitRow& row, int line)>;

// The value from the current record of `table` (KOROVA, or BIK for a bull's means): the field
// named by the row's ID; an empty field counts 0. A missing field throws db::TableError.
TraitValueReader recordValueReader(db::Table& table);
// The value typed in a grid cell while editing: the cell text of the line, trimmed of blanks
// and read as a number; a blank cell (or one that holds no number) is skipped.
TraitValueReader gridValueReader(std::function<QString(int line)> cellText);

// The running total over the complex rows (`rows` as catalogueRows gives them for the complex
// kind; headings are skipped, sub-rows count). The total is single precision; each step forms
// weight * value + total in double and stores the sum back into the float.
float overallTotal(const std::vector<TraitRow>& complexRows, const TraitValueReader& value);
// The total rounded to the nearest whole number, halves to the even neighbour.
int overallScore(const std::vector<TraitRow>& complexRows, const TraitValueReader& value);
// The same, walking the catalogue's complex rows (checked against `korova` when given).
int overallScore(db::Table& xarakt, const TraitValueReader& value, const db::Table* korova = nullptr);

// The whole-number rounding of a total, half to even; totals beyond int are clamped.
int roundScore(float total);

// "Очень плохой" … "Превосходный" for 0 to 101; empty text below 0 and from 102 up.
QString categoryOf(int score);
QString scoreCaption(int score);     // "Общая оценка:  82"
QString categoryCaption(int score);  // "Категория:  Хороший с плюсом"

}  // namespace korvel
