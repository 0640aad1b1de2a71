// libFuzzer target: any bytes as a table file. Opening must either fail with TableError or
// give a table whose every field of every row reads as text and as a number without a crash
// or a read past the end. The same bytes are also tried as a filter text.
#include "db/dbf_file.h"
#include "db/field_value.h"
#include "db/filter.h"
#include "db/table.h"
#include "db/table_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

using namespace korvel::db;

namespace {

const QTemporaryDir& folder() {
  static const QTemporaryDir dir;
  return dir;
}

void readEverything(Table& t) {
  const auto& fields = t.file().fields();
  for (t.first(); !t.eof(); t.next()) {
    for (const FieldDef& f : fields) {
      Field field = t.fieldByName(f.name);
      (void)field.asString();
      (void)field.isNull();
      (void)field.asDate();
      try {
        (void)field.asInteger();
      } catch (const TableError&) {
      }
      try {
        (void)field.asFloat();
      } catch (const TableError&) {
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = QDir(folder().path()).filePath(QStringLiteral("FUZZ.DBF"));
  {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    out.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  try {
    DbfFile f(path);
    for (uint32_t i = 0; i < f.recordCount(); ++i) {
      const char* rec = f.record(i);
      for (const FieldDef& fd : f.fields()) {
        (void)fieldBlank(fd, rec);
        (void)fieldText(fd, rec, f.codepage());
        (void)fieldNumber(fd, rec, f.codepage());
      }
    }
  } catch (const TableError&) {
  }
  try {
    Table t(QStringLiteral("fuzz"), QStringLiteral("FUZZ"));
    t.setDirectory(folder().path());
    t.open();
    readEverything(t);
    // The first field compared with a number and with a text, as the screens' filters do.
    const QString name = t.file().fields().front().name.toLower();
    for (const QString& filter : {name + QStringLiteral("=1"), name + QStringLiteral("='+'")}) {
      try {
        t.setFilter(filter);
        t.setFiltered(true);
        readEverything(t);
      } catch (const TableError&) {
      }
    }
  } catch (const TableError&) {
  }
  try {
    (void)parseFilter(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(std::min<size_t>(size, 200))),
                      QStringLiteral("FUZZ"));
  } catch (const TableError&) {
  }
  return 0;
}
