#include "ui/window_base.h"

#include "db/table_error.h"
#include "ui/prompts.h"

#include <QShowEvent>

namespace korvel {

void KorvelDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // A spontaneous show is the window coming back from being minimised, not an opening.
  if (!e->spontaneous()) guarded([this] { FormActivate(); });
}

void KorvelDialog::placeTopLeft() {
  move(0, 0);
  resize(1024, 736);
}

bool guarded(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const db::TableError& e) {
    prompts().message(e.text());
    return false;
  }
}

}  // namespace korvel
