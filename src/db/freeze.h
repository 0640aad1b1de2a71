// Holding the lists still while code moves through the tables: the enabled state of the data
// module's data sources is changed through a Freeze only, and a Freeze gives each back the value
// it found when its scope ends, however it ends. A freeze taken inside another one therefore
// leaves the outer one's state in force, and a handler ended by an error leaves no list frozen.
#pragma once

#include "db/data_source.h"

#include <array>
#include <initializer_list>

namespace korvel::db {

class Freeze {
 public:
  Freeze() = default;
  explicit Freeze(std::initializer_list<DataSource*> lists);
  explicit Freeze(DataSource& list) { hold(list); }
  ~Freeze() { release(); }
  Freeze(const Freeze&) = delete;
  Freeze& operator=(const Freeze&) = delete;

  // Detaches the list from its table (it neither repaints nor follows the cursor) until the
  // freeze ends; a list attached again shows the table's state then.
  Freeze& hold(DataSource& list);
  // Gives back now what the freeze holds, in the reverse order of taking it; the freeze then
  // holds nothing.
  void release();

 private:
  struct Held {
    DataSource* list = nullptr;
    bool found = false;
  };
  // Room for every list of the data module: a freeze never allocates.
  std::array<Held, 6> held_{};
  int count_ = 0;
};

}  // namespace korvel::db
