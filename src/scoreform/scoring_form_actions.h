// The scoring form from the cows window: the blank form written for the cows a person
// chooses, and a filled form loaded through its preview.
#pragma once

#include <QString>

class QWidget;

namespace korvel {
class HerdTables;
struct HerdContext;
}  // namespace korvel

namespace korvel::scoreform {

// "Бланк оценки…": asks which cows (the farm of `herd`, the selection when `selectionShown`,
// the region of `herd`) and the file (.xlsx or .csv), writes the form and says where.
// Throws korvel::UserError.
void writeScoringFormAsked(HerdTables& dm, const HerdContext& herd, bool selectionShown, QWidget* window);

// "Загрузить оценки…": asks the file, reads and plans it and shows the preview over `window`.
// True when the preview wrote scores. Throws korvel::UserError.
bool loadScoresAsked(HerdTables& dm, QWidget* window);

}  // namespace korvel::scoreform
