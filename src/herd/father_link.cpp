#include "herd/father_link.h"

#include "db/field_value.h"
#include "db/schema.h"

#include <cmath>

namespace korvel {
FatherLink::FatherLink(const db::DbfFile& korova)
    : basekod_(korova, db::field::basekod), kodbyk_(korova, db::field::kodbyk), basekodText_(korova, db::field::basekod),
      kodbykText_(korova, db::field::kodbyk), kodbykNumber_(korova, db::field::kodbyk) {}

std::optional<long long> FatherLink::code(const db::Row& row) const {
  const bool link = basekod_.def().type == 'C' ? linked(row) : basekodText_(row) == QLatin1String("+");
  if (!link) return std::nullopt;
  if (kodbyk_.def().type == 'C') {
    const std::string_view code = kodbyk_(row);
    return db::parseWhole(code.data(), int(code.size()));
  }
  const auto v = kodbykNumber_.number(row);
  if (!v) return std::nullopt;
  return static_cast<long long>(std::nearbyint(*v));
}

bool FatherLink::textIs(const db::Row& row, const QString& bullCode) const {
  return basekodText_(row) == QLatin1String("+") && kodbykText_(row) == bullCode;
}

}  // namespace korvel
