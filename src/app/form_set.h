// The composition root: the data module and every window, created once at start in a fixed
// order and kept for the life of the process; creating the set fills forms().
#pragma once

#include <QString>
#include <memory>

namespace korvel {

// Owns the data module and every window; creating it fills forms() in the start-up order,
// destroying it empties forms() again.
class FormSet {
 public:
  explicit FormSet(const QString& workDir);
  ~FormSet();
  FormSet(const FormSet&) = delete;
  FormSet& operator=(const FormSet&) = delete;

 private:
  struct Owned;
  std::unique_ptr<Owned> owned_;
};

}  // namespace korvel
