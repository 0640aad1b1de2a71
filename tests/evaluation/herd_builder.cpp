#include "herd_builder.h"

namespace korvel::test {

HerdBuilder::HerdBuilder(TDataModule5& dm) : dm_(dm) {
  for (db::Table* t : dm_.tables())
    if (!t->isOpen()) t->open();
}

void HerdBuilder::region(int code, const QString& name) {
  db::Table& t = dm_.Table1;
  t.append();
  t.fieldByName(u"kodreg").setInteger(code);
  t.fieldByName(u"region").setString(name);
  t.post();
}

void HerdBuilder::farm(int region, int code, const QString& name) {
  db::Table& t = dm_.vlad2;
  t.append();
  t.fieldByName(u"kodreg").setInteger(region);
  t.fieldByName(u"kodvlad").setInteger(code);
  t.fieldByName(u"vlad").setString(name);
  t.post();
}

void HerdBuilder::breed(int code, const QString& name) {
  db::Table& t = dm_.poroda;
  t.append();
  t.fieldByName(u"kodporod").setInteger(code);
  t.fieldByName(u"poroda").setString(name);
  t.post();
}

void HerdBuilder::bull(const QString& code, const QString& nokli, int region, int farm, int breed) {
  db::Table& t = dm_.bik;
  t.append();
  t.fieldByName(u"kodbyk").setString(code);
  t.fieldByName(u"nokli").setString(nokli);
  t.fieldByName(u"kodreg").setInteger(region);
  t.fieldByName(u"kodvlad").setInteger(farm);
  t.fieldByName(u"kodporod").setInteger(breed);
  t.post();
}

void HerdBuilder::cow(const CowRow& row) {
  db::Table& t = dm_.korova;
  t.append();
  t.fieldByName(u"kodporod").setInteger(row.breed);
  t.fieldByName(u"kodreg").setInteger(row.region);
  t.fieldByName(u"kodvlad").setInteger(row.farm);
  if (!row.father.isEmpty()) {
    t.fieldByName(u"kodbyk").setString(row.father);
    if (row.linked) t.fieldByName(u"basekod").setString(QStringLiteral("+"));
  }
  for (const auto& [field, value] : row.values) {
    if (value.typeId() == QMetaType::QString)
      t.fieldByName(field).setString(value.toString());
    else
      t.fieldByName(field).setInteger(value.toLongLong());
  }
  t.post();
}

void HerdBuilder::cows(CowRow row, std::initializer_list<int> x1) {
  for (int v : x1) {
    row.values[QStringLiteral("x1")] = v;
    cow(row);
  }
}

}  // namespace korvel::test
