#include "herd.h"

#include "db/field_value.h"

namespace korvel::test {
namespace {

db::Table& ready(db::Table& t) {
  t.open();
  t.setFiltered(false);
  return t;
}

}  // namespace

void HerdWriter::region(long long code, const QString& name) {
  db::Table& t = ready(dm.Table1);
  t.append();
  t.fieldByName(u"kodreg").setInteger(code);
  t.fieldByName(u"region").setString(name);
  t.post();
}

void HerdWriter::farm(long long region, long long code, const QString& name) {
  db::Table& t = ready(dm.vlad2);
  t.append();
  t.fieldByName(u"kodreg").setInteger(region);
  t.fieldByName(u"kodvlad").setInteger(code);
  t.fieldByName(u"vlad").setString(name);
  t.post();
}

void HerdWriter::breed(long long code, const QString& name) {
  db::Table& t = ready(dm.poroda);
  t.append();
  t.fieldByName(u"kodporod").setInteger(code);
  t.fieldByName(u"poroda").setString(name);
  t.post();
}

int HerdWriter::bull(long long region, long long farm, const QString& code, const QString& name, long long breed) {
  db::Table& t = ready(dm.bik);
  t.append();
  t.fieldByName(u"kodreg").setInteger(region);
  t.fieldByName(u"kodvlad").setInteger(farm);
  t.fieldByName(u"kodbyk").setString(code);
  t.fieldByName(u"nokli").setString(name);
  if (breed) t.fieldByName(u"kodporod").setInteger(breed);
  t.post();
  return int(t.file().recordCount());
}

int HerdWriter::cow(long long region, long long farm, const QString& name, const QString& basekod,
                    const QString& kodbyk, const std::map<QString, QString>& traits, long long breed) {
  db::Table& t = ready(dm.korova);
  t.append();
  t.fieldByName(u"kodreg").setInteger(region);
  t.fieldByName(u"kodvlad").setInteger(farm);
  t.fieldByName(u"nokli").setString(name);
  t.fieldByName(u"basekod").setString(basekod);
  t.fieldByName(u"kodbyk").setString(kodbyk);
  if (breed) t.fieldByName(u"kodporod").setInteger(breed);
  for (const auto& [field, value] : traits) t.fieldByName(field).setString(value);
  t.post();
  return int(t.file().recordCount());
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
