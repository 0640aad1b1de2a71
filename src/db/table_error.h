// The one error of the table layer: a text for the user that names the table or file.
#pragma once

#include <QString>
#include <stdexcept>

namespace korvel::db {

class TableError : public std::runtime_error {
 public:
  explicit TableError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
  const QString& text() const { return text_; }

 private:
  QString text_;
};

}  // namespace korvel::db
