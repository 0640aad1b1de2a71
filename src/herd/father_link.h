// "Is this cow his daughter?" A cow names a bull of the table as her father when her BASEKOD is
// "+" and her KODBYK holds his code. Four readings of that link are in use, each kept because
// something depends on it; they agree for every link the cow card writes (a copy of the bull's
// KODBYK text) and differ only for links written by hand or by other programs:
//
//  1. code() / is(): by number. BASEKOD exactly "+" (trailing blanks aside) and KODBYK read as
//     a whole number equal to the bull's code read the same way, so "007" and " 7" are 7. Used
//     by the bull figures (a bull's daughters tallied for his stored figures), the deletion of
//     a bull (his daughters released or freed) and the father picker (which starts on the
//     cow's father): these look the bull up by his code as a number.
//  2. textIs(): by text. BASEKOD's text "+" and KODBYK's text equal to the bull's KODBYK text,
//     trailing blanks aside. Used by the daughters list, which lists the cows whose link reads
//     as the bull's code does; "007" is not listed under the bull "7".
//  3. codeCut(): by the bytes of KODBYK without trailing blanks, cut to 20. Used by the sire
//     evaluation: the sires are the distinct father codes of the breed's cows, as the cows
//     store them, and a code is the first 20 characters of KODBYK (a field wider than 20, as
//     other programs may write it, gives the same sire for codes that differ after the 20th).
//  4. codeAsStored(): by the bytes of KODBYK without trailing blanks, uncut. Used by the farm
//     removal's release of the freed bulls' daughters: a link is released only when it holds
//     exactly the bull's code as the cow table would store it, however wide the field.
//
// Every reading is bound once to KOROVA's layout; a missing field throws db::TableError.
#pragma once

#include "db/rows.h"

#include <QString>
#include <optional>
#include <string_view>

namespace korvel {

class FatherLink {
 public:
  explicit FatherLink(const db::DbfFile& korova);

  // 1. The father's code as a number; nothing for no link or a KODBYK that is no whole number.
  std::optional<long long> code(const db::Row& row) const;
  // code(row) == bullCode, without reading more of KODBYK than it takes to tell.
  bool is(const db::Row& row, long long bullCode) const;

  // 2. BASEKOD reads "+" and KODBYK reads `bullCode` as text.
  bool textIs(const db::Row& row, const QString& bullCode) const;

  // 3. KODBYK's bytes without trailing blanks, at most the first kCutTo, when BASEKOD is "+".
  static constexpr int kCutTo = 20;
  std::optional<std::string_view> codeCut(const db::Row& row) const {
    if (!linked(row)) return std::nullopt;
    return kodbyk_.trimmed(row).substr(0, kCutTo);
  }

  // 4. KODBYK's bytes without trailing blanks, when BASEKOD is "+".
  std::optional<std::string_view> codeAsStored(const db::Row& row) const {
    if (!linked(row)) return std::nullopt;
    return kodbyk_.trimmed(row);
  }

  const db::FieldDef& kodbyk() const { return kodbyk_.def(); }

 private:
  // BASEKOD holds "+" and nothing else but trailing blanks (a leading blank makes another text).
  bool linked(const db::Row& row) const {
    const std::string_view mark = basekod_(row);
    if (mark.empty() || mark[0] != '+') return false;  // most cows are told by one byte
    for (size_t i = 1; i < mark.size(); ++i)
      if (mark[i] != ' ' && mark[i] != '\0') return false;
    return true;
  }

  db::BytesView basekod_, kodbyk_;
  db::TextView basekodText_, kodbykText_;
  db::FloatView kodbykNumber_;
};

// Inline: the bull figures call it for every cow of the table.
inline bool FatherLink::is(const db::Row& row, long long bullCode) const {
  if (basekod_.def().type != 'C' || kodbyk_.def().type != 'C') {
    const auto f = code(row);
    return f && *f == bullCode;
  }
  if (!linked(row)) return false;
  // The whole-number reading of KODBYK, stopped as soon as its digits differ from the code:
  // a text that goes on with anything but blanks is no number and no father either.
  const std::string_view p = kodbyk_(row);
  const size_t n = p.size();
  size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
  if (i == n) return false;
  bool neg = false;
  if (p[i] == '-' || p[i] == '+') {
    neg = p[i] == '-';
    ++i;
  }
  const size_t start = i;
  long long v = 0;
  for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) {
    if (i - start == 18) return false;
    v = v * 10 + (p[i] - '0');
  }
  if (i == start || (neg ? -v : v) != bullCode) return false;
  for (; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0') return false;
  return true;
}

}  // namespace korvel
