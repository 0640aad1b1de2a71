#include "reference/list_window.h"

#include "reference/name_list.h"
#include "ui/prompts.h"
#include "ui/window_base.h"

#include <QPushButton>

namespace korvel::reference {

QPushButton* listButton(QWidget* window, const char* name, const QString& caption, std::function<void()> handler) {
  auto* b = new QPushButton(caption, window);
  b->setObjectName(QString::fromLatin1(name));
  b->setMinimumHeight(36);
  // A hidden button keeps its place, so that the others never move under the mouse.
  QSizePolicy keepPlace = b->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  b->setSizePolicy(keepPlace);
  // Enter in the list presses nothing: only a click or Space on a button acts.
  b->setAutoDefault(false);
  onClick(b, std::move(handler));
  return b;
}

void selectOnList(const SelectionScope& scope, QWidget* list, const std::function<void()>& showAll) {
  const QString key = selectionKeyOf(prompts().selectionKey());
  switch (selectByKey(scope, key)) {
    case SelectionOutcome::NoKey: break;
    case SelectionOutcome::Selected: list->setFocus(); break;
    case SelectionOutcome::NoMatch:
      prompts().message(noMatchingRecordsMessage());
      showAll();
      break;
  }
}

}  // namespace korvel::reference
