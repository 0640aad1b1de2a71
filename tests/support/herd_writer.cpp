#include "herd_writer.h"

#include "db/field_value.h"

namespace korvel::test {

int appendRow(db::Table& table, const FieldValues& values) {
  if (!table.isOpen()) table.open();
  table.append();
  for (const auto& [name, value] : values) {
    const int type = value.typeId();
    if (type == QMetaType::Int || type == QMetaType::LongLong)
      table.fieldByName(name).setInteger(value.toLongLong());
    else
      table.fieldByName(name).setString(value.toString());
  }
  table.post();
  return int(table.file().recordCount());
}

int appendRow(const QString& dir, const QString& name, const FieldValues& values) {
  db::Table t(QStringLiteral("t"), name);
  t.setDirectory(dir);
  return appendRow(t, values);
}

HerdWriter::HerdWriter(HerdTables& dm) : dm_(dm) {
  for (db::Table* t : dm_.tables())
    if (!t->isOpen()) t->open();
}

int HerdWriter::append(db::Table& table, const FieldValues& values) {
  table.open();
  table.setFiltered(false);
  return appendRow(table, values);
}

int HerdWriter::region(long long code, const QString& name) {
  return append(dm_.region, {{"kodreg", code}, {"region", name}});
}

int HerdWriter::farm(long long region, long long code, const QString& name) {
  return append(dm_.vlad, {{"kodreg", region}, {"kodvlad", code}, {"vlad", name}});
}

int HerdWriter::breed(long long code, const QString& name) {
  return append(dm_.poroda, {{"kodporod", code}, {"poroda", name}});
}

int HerdWriter::bull(long long region, long long farm, const QString& code, const QString& name, long long breed) {
  FieldValues v{{"kodreg", region}, {"kodvlad", farm}, {"kodbyk", code}, {"nokli", name}};
  if (breed) v.push_back({"kodporod", breed});
  return append(dm_.bik, v);
}

int HerdWriter::cow(long long region, long long farm, const QString& name, const QString& basekod,
                    const QString& kodbyk, const std::map<QString, QString>& traits, long long breed) {
  FieldValues v{{"kodreg", region}, {"kodvlad", farm}, {"nokli", name}, {"basekod", basekod}, {"kodbyk", kodbyk}};
  if (breed) v.push_back({"kodporod", breed});
  for (const auto& [field, value] : traits) v.push_back({field, value});
  return append(dm_.korova, v);
}

int HerdWriter::cow(const CowRow& row) {
  FieldValues v{{"kodporod", row.breed}, {"kodreg", row.region}, {"kodvlad", row.farm}};
  if (!row.father.isEmpty()) {
    v.push_back({"kodbyk", row.father});
    if (row.linked) v.push_back({"basekod", QStringLiteral("+")});
  }
  for (const auto& [field, value] : row.values) v.push_back({field, value});
  return append(dm_.korova, v);
}

void HerdWriter::cows(CowRow row, std::initializer_list<int> x1) {
  for (int v : x1) {
    row.values[QStringLiteral("x1")] = v;
    cow(row);
  }
}

QString fieldAt(db::Table& table, int recNo, const QString& field) {
  table.open();
  const db::DbfFile& f = table.file();
  const int i = table.fieldIndex(field);
  return db::fieldText(f.fields()[size_t(i)], f.record(uint32_t(recNo - 1)), f.codepage());
}

double numberAt(db::Table& table, int recNo, const QString& field) {
  table.open();
  const db::DbfFile& f = table.file();
  const int i = table.fieldIndex(field);
  return db::fieldNumber(f.fields()[size_t(i)], f.record(uint32_t(recNo - 1)), f.codepage()).value_or(-1);
}

}  // namespace korvel::test
