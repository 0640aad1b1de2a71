// Helpers of the table-layer tests: hand-made DBF bytes, small tables in a temporary folder.
#pragma once

#include "db/dbf_file.h"
#include "db/table.h"
#include "herd_writer.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

namespace korvel::db::test {

// A DBF assembled byte by byte, so that tests can break any part of it.
struct RawDbf {
  struct Field {
    std::string name;
    char type;
    int width;
    int decimals = 0;
  };
  uint8_t version = 0x03;
  uint8_t ldid = 0xC9;
  uint8_t date[3] = {99, 1, 1};  // 1999-01-01
  std::vector<Field> fields;
  std::vector<std::string> records;  // whole records, deletion byte first
  std::optional<uint32_t> count;          // defaults to records.size()
  std::optional<uint16_t> headerLength;   // defaults to the true length
  std::optional<uint16_t> recordLength;   // defaults to the sum of widths + 1
  bool eofByte = true;

  int trueRecordLength() const;
  QByteArray bytes() const;
};

void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// A folder of tests/fixtures copied into `to`, its files writable.
void copyFixture(const QString& folder, const QString& to);

// One record of `fields` from UTF-8 values written in Windows-1251: character fields
// left-aligned, others right-aligned.
std::string record(const std::vector<RawDbf::Field>& fields, const std::vector<std::string>& values,
                   bool deleted = false);

// Creates `name`.DBF with the fields in `dir` and returns its path.
QString createTable(const QString& dir, const QString& name, std::vector<FieldDef> fields);

FieldDef C(const char* name, int width);
FieldDef N(const char* name, int width, int decimals = 0);
FieldDef D(const char* name);
FieldDef L(const char* name);

// Rows go in as every test appends them.
using korvel::test::appendRow;

// Record numbers of the rows a walk from first() to eof() visits.
std::vector<int> walk(Table& t);

// The header date bytes (1..3) of today.
QByteArray todayBytes();

}  // namespace korvel::db::test
