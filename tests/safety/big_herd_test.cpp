// A backup of a working folder holding a herd of a million cows, restored into another working
// folder, gives the same tables byte for byte.
#include "drive_fixture.h"
#include "work_folder.h"

#include "db/dbf_file.h"
#include "db/schema.h"
#include "safety/backup_restore.h"

#include <QFile>
#include <cstring>
#include <vector>

namespace korvel {
namespace {

constexpr uint32_t kCows = 1'000'000;

void putNumber(char* at, int width, uint64_t value) {
  for (int i = width - 1; i >= 0; --i) {
    at[i] = value || i == width - 1 ? char('0' + value % 10) : ' ';
    value /= 10;
  }
}

// Writes the herd's KOROVA table in one go: varied rows, each cow with its own number.
void writeHerd(const QString& path) {
  const std::vector<db::FieldDef> layout = db::korovaLayout().fields;
  db::DbfFile::create(path, layout);
  int headerLength = 0, recordLength = 0, nokli = 0;
  std::vector<std::pair<int, db::FieldDef>> fields;  // offset in the record, field
  {
    const db::DbfFile empty(path);
    recordLength = empty.recordLength();
    for (const db::FieldDef& f : empty.fields()) fields.push_back({f.offset, f});
    nokli = empty.fields()[size_t(empty.fieldIndex(u"nokli"))].offset;
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const QByteArray header = file.read(12);
  headerLength = uchar(header[8]) | uchar(header[9]) << 8;

  // A thousand kinds of row, stamped with each cow's number.
  constexpr int kKinds = 1000;
  std::vector<char> kinds(size_t(kKinds) * recordLength, ' ');
  uint64_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 6364136223846793005ULL + 1442695040888963407ULL) >> 33; };
  for (int k = 0; k < kKinds; ++k) {
    char* r = kinds.data() + size_t(k) * recordLength;
    for (const auto& [offset, f] : fields) {
      char* at = r + offset;
      if (f.type == 'N') putNumber(at, f.width, next() % (f.width >= 3 ? 100 : 10));
      else if (f.type == 'D') std::memcpy(at, "20240115", 8);
      else if (f.width <= 2) at[0] = next() % 3 ? ' ' : '+';
      else for (int i = 0; i < f.width / 2; ++i) at[i] = char(0xC0 + next() % 32);  // Cyrillic in Windows-1251
    }
  }
  std::vector<char> rows(size_t(kCows) * recordLength + 1);
  for (uint32_t i = 0; i < kCows; ++i) {
    char* r = rows.data() + size_t(i) * recordLength;
    std::memcpy(r, kinds.data() + size_t(i % kKinds) * recordLength, size_t(recordLength));
    putNumber(r + nokli, 20, i + 1);
  }
  rows.back() = 0x1A;
  ASSERT_TRUE(file.seek(headerLength));
  ASSERT_EQ(file.write(rows.data(), qint64(rows.size())), qint64(rows.size()));
  const uchar count[4] = {uchar(kCows), uchar(kCows >> 8), uchar(kCows >> 16), uchar(kCows >> 24)};
  ASSERT_TRUE(file.seek(4));
  ASSERT_EQ(file.write(reinterpret_cast<const char*>(count), 4), 4);
}

bool sameBytes(const QString& a, const QString& b) {
  QFile fa(a), fb(b);
  if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size()) return false;
  while (!fa.atEnd()) {
    if (fa.read(8 << 20) != fb.read(8 << 20)) return false;
  }
  return true;
}

TEST(BigHerd, BackupThenRestoreGivesTheSameTables) {
  test::WorkFolder herd;
  test::TestDrive e('E');
  writeHerd(herd.file("KOROVA.DBF"));
  {
    const db::DbfFile check(herd.file("KOROVA.DBF"));
    ASSERT_EQ(check.recordCount(), kCows);
  }

  const safety::CopyOutcome backup = safety::backupToDrive(herd.path(), 'E');
  EXPECT_EQ(backup.messages, QStringList{"Резервная копия создана!"});

  test::WorkFolder other;
  const safety::CopyOutcome restore = safety::restoreFromDrive(other.path(), 'E');
  EXPECT_EQ(restore.messages, QStringList{"Данные восстановлены!"});
  for (const QString name : {"KOROVA.DBF", "BIK.DBF", "REGION.DBF", "VLAD.DBF", "PORODA.DBF", "XARAKT.DBF"}) {
    EXPECT_TRUE(sameBytes(herd.file(name), e.path("arhivbik/" + name))) << name.toStdString();
    EXPECT_TRUE(sameBytes(herd.file(name), other.file(name))) << name.toStdString();
  }
  EXPECT_TRUE(test::temporaries(other.path()).isEmpty());
}

}  // namespace
}  // namespace korvel
