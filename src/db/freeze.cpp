#include "db/freeze.h"

#include <cstdlib>

namespace korvel::db {

Freeze::Freeze(std::initializer_list<DataSource*> lists, std::initializer_list<RefreshFlag*> flags) {
  for (DataSource* list : lists) hold(*list);
  for (RefreshFlag* flag : flags) hold(*flag);
}

Freeze& Freeze::hold(DataSource& list) {
  if (count_ == int(held_.size())) std::abort();  // more than the data module has: a coding error
  held_[size_t(count_++)] = {&list, nullptr, list.enabled()};
  list.setEnabled(false);
  return *this;
}

Freeze& Freeze::hold(RefreshFlag& flag) {
  if (count_ == int(held_.size())) std::abort();  // more than the data module has: a coding error
  held_[size_t(count_++)] = {nullptr, &flag, flag.on_};
  flag.on_ = true;
  return *this;
}

void Freeze::release() {
  while (count_ > 0) {
    const Held& h = held_[size_t(--count_)];
    if (h.list) h.list->setEnabled(h.found);
    else h.flag->on_ = h.found;
  }
}

}  // namespace korvel::db
