#include "reference_support.h"

#include <QPushButton>

namespace korvel::test {

QStringList shownButtons(const QWidget& window) {
  QStringList out;
  for (const QPushButton* b : window.findChildren<QPushButton*>())
    if (b->isVisible()) out << b->objectName();
  out.sort();
  return out;
}

}  // namespace korvel::test
