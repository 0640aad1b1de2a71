// Holding the lists still and the card refreshes off while code moves through the tables: the
// refresh-suppressed flags of the data module and the enabled state of its data sources are
// changed through a Freeze only, and a Freeze gives each back the value it found when its scope
// ends, however it ends. A freeze taken inside another one therefore leaves the outer one's
// state in force, and a handler ended by an error leaves no list frozen and no card deaf.
#pragma once

#include "db/data_source.h"

#include <array>
#include <initializer_list>

namespace korvel {
class HerdTables;
}

namespace korvel::db {

// A refresh-suppressed flag: while set, a move of its table's cursor refreshes no card. Anyone
// may read it; only a Freeze sets it (and the main menu's activation clears it, see
// HerdTables::clearRefreshFlags).
class RefreshFlag {
 public:
  RefreshFlag() = default;
  RefreshFlag(const RefreshFlag&) = delete;
  RefreshFlag& operator=(const RefreshFlag&) = delete;
  bool isSet() const { return on_; }
  explicit operator bool() const { return on_; }

 private:
  friend class Freeze;
  friend class ::korvel::HerdTables;
  bool on_ = false;
};

class Freeze {
 public:
  Freeze() = default;
  // Detaches the lists and sets the flags, in this order.
  Freeze(std::initializer_list<DataSource*> lists, std::initializer_list<RefreshFlag*> flags);
  explicit Freeze(RefreshFlag& flag) { hold(flag); }
  explicit Freeze(DataSource& list) { hold(list); }
  ~Freeze() { release(); }
  Freeze(const Freeze&) = delete;
  Freeze& operator=(const Freeze&) = delete;

  // Detaches the list from its table (it neither repaints nor follows the cursor) until the
  // freeze ends; a list attached again shows the table's state then.
  Freeze& hold(DataSource& list);
  // Sets the flag until the freeze ends.
  Freeze& hold(RefreshFlag& flag);
  // Gives back now what the freeze holds, in the reverse order of taking it; the freeze then
  // holds nothing.
  void release();

 private:
  struct Held {
    DataSource* list = nullptr;
    RefreshFlag* flag = nullptr;
    bool found = false;
  };
  // Room for every list and flag of the data module: a freeze never allocates.
  std::array<Held, 8> held_{};
  int count_ = 0;
};

}  // namespace korvel::db
