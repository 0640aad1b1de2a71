// The four readings of a cow's father link side by side, over cows whose links were written by
// hand or by other programs (leading zeros and blanks, signs, a leading blank before the plus,
// NUL padding, a KODBYK field wider than 20): where each reading says "his daughter" and where
// it does not.
#include "herd/father_link.h"
#include "db/db_test_support.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using db::test::RawDbf;

namespace {

struct Link {
  const char* what;
  std::string basekod;  // as stored, padded with blanks unless it says otherwise
  std::string kodbyk;
  std::optional<long long> number;       // code()
  bool text;                             // textIs(row, bull)
  std::optional<std::string> cut;        // codeCut()
  std::optional<std::string> asStored;   // codeAsStored()
};

std::optional<std::string> copy(std::optional<std::string_view> v) {
  return v ? std::optional<std::string>(std::string(*v)) : std::nullopt;
}

// Writes the cows into a KOROVA of these widths and checks every reading of every cow against
// the bull code `bull`.
void check(int basekodWidth, int kodbykWidth, const QString& bull, const std::vector<Link>& links) {
  QTemporaryDir dir;
  RawDbf raw;
  raw.fields = {{"BASEKOD", 'C', basekodWidth}, {"KODBYK", 'C', kodbykWidth}};
  for (const Link& l : links) {
    std::string rec = " " + l.basekod + std::string(size_t(basekodWidth) - l.basekod.size(), ' ') + l.kodbyk +
                      std::string(size_t(kodbykWidth) - l.kodbyk.size(), ' ');
    raw.records.push_back(rec);
  }
  const QString path = QDir(dir.path()).filePath(QStringLiteral("KOROVA.DBF"));
  db::test::writeFile(path, raw.bytes());
  const db::DbfFile file(path);
  const FatherLink link(file);
  size_t i = 0;
  for (const db::Row row : db::LiveRows(file)) {
    const Link& l = links[i++];
    SCOPED_TRACE(l.what);
    EXPECT_EQ(link.code(row), l.number);
    EXPECT_EQ(link.is(row, bull.toLongLong()), l.number && *l.number == bull.toLongLong());
    EXPECT_EQ(link.textIs(row, bull), l.text);
    EXPECT_EQ(copy(link.codeCut(row)), l.cut);
    EXPECT_EQ(copy(link.codeAsStored(row)), l.asStored);
  }
  EXPECT_EQ(i, links.size());
}

}  // namespace

TEST(FatherLink, EachReadingSaysDaughterWhereItsUsersExpect) {
  const std::nullopt_t no = std::nullopt;
  // The bull "7"; BASEKOD two characters wide, KODBYK as the program writes it.
  check(2, 20, QStringLiteral("7"),
        {
            {"the link the cow card writes: all four agree", "+", "7", 7, true, "7", "7"},
            {"a leading zero: the same number, another text", "+", "007", 7, false, "007", "007"},
            {"a leading blank: the same number, another text", "+", " 7", 7, false, " 7", " 7"},
            {"a plus sign: the same number, another text", "+", "+7", 7, false, "+7", "+7"},
            {"another bull", "+", "17", 17, false, "17", "17"},
            {"no number: no father by number, the bytes still name a code", "+", "7a", no, false, "7a", "7a"},
            {"a father in free text", "", "7", no, false, no, no},
            {"a blank before the plus is another mark", " +", "7", no, false, no, no},
            {"NUL padding after the plus", std::string("+\0", 2), "7", 7, true, "7", "7"},
            {"a detached daughter keeps the name only", "", "#Буян", no, false, no, no},
        });
  // A KODBYK wider than 20, as another program may write it: the evaluation cuts the code to 20
  // characters, the farm removal compares it whole, and 22 digits are no whole number.
  const std::string wide = "1234567890123456789012";
  check(1, 25, QString::fromStdString(wide),
        {
            {"a code longer than 20", "+", wide, no, true, wide.substr(0, 20), wide},
            {"a 20-digit code", "+", wide.substr(0, 20), no, false, wide.substr(0, 20), wide.substr(0, 20)},
            {"18 digits still read as a number", "+", wide.substr(0, 18), 123456789012345678LL, false,
             wide.substr(0, 18), wide.substr(0, 18)},
        });
}
