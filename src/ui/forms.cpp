#include "ui/forms.h"

namespace korvel {

Forms& forms() {
  static Forms f;
  return f;
}

}  // namespace korvel
