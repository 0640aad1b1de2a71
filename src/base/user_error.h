// The error the person at the keyboard is shown: its text is Russian and names the file, table
// or value at fault. Every layer throws it (or a kind of it) for what can go wrong in use; other
// exceptions are faults of the program, and their English texts are for its developers.
#pragma once

#include <QString>
#include <stdexcept>

namespace korvel {

class UserError : public std::runtime_error {
 public:
  explicit UserError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
  const QString& text() const { return text_; }

 private:
  QString text_;
};

}  // namespace korvel
