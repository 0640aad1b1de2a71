#include "ui/prompts.h"

#include "db/text.h"

#include <stdexcept>

namespace korvel {
namespace {
Prompts* g_prompts = nullptr;
}

Prompts& prompts() {
  if (!g_prompts) throw std::logic_error("no prompts installed");
  return *g_prompts;
}

void setPrompts(Prompts* p) { g_prompts = p; }

QString selectionKeyOf(const QString& raw) { return db::nameKey(raw); }

}  // namespace korvel
