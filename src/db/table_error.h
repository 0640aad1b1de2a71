// The error of the table layer: a text for the user that names the table or file.
#pragma once

#include "base/user_error.h"

namespace korvel::db {

class TableError : public UserError {
 public:
  using UserError::UserError;
};

}  // namespace korvel::db
