#include "db/freeze.h"

#include <cstdlib>

namespace korvel::db {

Freeze::Freeze(std::initializer_list<DataSource*> lists) {
  for (DataSource* list : lists) hold(*list);
}

Freeze& Freeze::hold(DataSource& list) {
  if (count_ == int(held_.size())) std::abort();  // more than the data module has: a coding error
  held_[size_t(count_++)] = {&list, list.enabled()};
  list.setEnabled(false);
  return *this;
}

void Freeze::release() {
  while (count_ > 0) {
    const Held& h = held_[size_t(--count_)];
    h.list->setEnabled(h.found);
  }
}

}  // namespace korvel::db
