// The operations the crash and fault tests interrupt, each done through the real windows as a
// person would do it, every question answered from a script. The same words drive the child
// process that is killed (crash_driver) and the in-process runs whose writes are made to fail.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace korvel::test {

class App;

// One operation and its arguments, e.g. {"remove", "6", "1", "2"}:
//   remove VARIANT R F [TR TF]   the farm (R, F) removed with option RadioButtonVARIANT (2 to 6);
//                                TR/TF the target farm chosen for options 2 and 5
//   delete-bull R F CODE yes|no  the bull of code CODE deleted, his daughters freed (yes) or
//                                detached (no)
//   add-cow R F NAME             a cow added to the farm
//   correct-cow R F RECNO        the cow at RECNO corrected on her card (line, mother, birth)
//   move-cow R F RECNO TR TF     the cow at RECNO moved to the farm (TR, TF)
//   select-cows R F KEY          the farm's cows selected by the key
//   import-scores R F            the farm's first ten cows scored from a filled form
// `ready` is called right before the step that writes (after the windows have been opened and
// the farm chosen). Throws std::invalid_argument for words it does not know.
void runOperation(App& app, const QStringList& words, const std::function<void()>& ready = {});

}  // namespace korvel::test
