#include "herdgen/herdgen.h"

#include "base/user_error.h"
#include "db/dbf_writer.h"
#include "db/folder_recovery.h"
#include "db/schema.h"
#include "db/text.h"
#include "help/starter_data.h"

#include <QDate>
#include <QDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_set>
#include <vector>

namespace korvel::herd {
namespace {

// splitmix64: fixed arithmetic, so a seed gives the same herd on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : s_(seed) {}
  uint64_t next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  uint64_t below(uint64_t n) { return n ? next() % n : 0; }
  double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
  bool chance(double p) { return unit() < p; }

 private:
  uint64_t s_;
};

const char* const kRegions[] = {
    "Московская область", "Ленинградская область", "Вологодская область", "Ярославская область",
    "Костромская область", "Кировская область", "Республика Татарстан", "Удмуртская Республика",
    "Свердловская область", "Новосибирская область", "Омская область", "Алтайский край",
    "Краснодарский край", "Воронежская область", "Белгородская область", "Калужская область",
    "Тверская область", "Владимирская область", "Ивановская область", "Нижегородская область",
    "Республика Башкортостан", "Пермский край", "Тюменская область", "Курганская область",
    "Челябинская область", "Оренбургская область", "Республика Мордовия", "Пензенская область",
    "Рязанская область", "Тульская область"};
const char* const kFarmForms[] = {"СПК", "ООО", "АО", "ЗАО", "КФХ", "ПЗ", "СХПК", "ОАО"};
const char* const kFarmNames[] = {
    "Заря", "Рассвет", "Родина", "Искра", "Победа", "Нива", "Колос", "Дружба", "Восход", "Россия",
    "Красный Октябрь", "Маяк", "Прогресс", "Авангард", "Урожай", "Светлый путь", "Мир", "Путь Ленина",
    "Новый путь", "Березка", "Луч", "Смена", "Пламя", "Ударник", "Вперед", "Октябрь", "Зерно",
    "Племзавод Ленинский", "Агрофирма Южная", "Северное", "Ильинское", "Покровское", "Никольское"};
const char* const kBreeds[] = {"Черно-пестрая", "Голштинская", "Холмогорская", "Айрширская",
                               "Ярославская", "Симментальская", "Красная степная", "Бурая швицкая",
                               "Костромская", "Джерсейская", "Красно-пестрая", "Тагильская"};
const char* const kCowNames[] = {
    "Зорька", "Буренка", "Майка", "Ночка", "Звездочка", "Ласточка", "Малина", "Ромашка", "Дочка",
    "Красотка", "Марта", "Вишня", "Пеструшка", "Березка", "Галка", "Липа", "Жданка", "Милка",
    "Зима", "Весна", "Ягодка", "Чайка", "Лада", "Нива", "Рябина", "Тучка", "Белка", "Сорока",
    "Волна", "Муза", "Забава", "Дымка", "Греза", "Луна", "Слава", "Роза", "Астра", "Ива"};
const char* const kBullNames[] = {
    "Аккорд", "Буран", "Вымпел", "Гром", "Дозор", "Ермак", "Жемчуг", "Задор", "Изумруд", "Каскад",
    "Лидер", "Марс", "Нептун", "Орлик", "Пилот", "Рубин", "Сокол", "Тайфун", "Ураган", "Факел",
    "Цезарь", "Эталон", "Янтарь", "Алмаз", "Барон", "Витязь", "Граф", "Кремень", "Мираж", "Титан"};
const char* const kLines[] = {"Вис Айдиал", "Рефлекшн Соверинг", "Монтвик Чифтейн", "Силинг Трайджун",
                              "Пабст Говернер", "Адема", "Аннас Адема", "Хильтьес Адема", "Посейдон",
                              "Франс", "Мурза", "Ухоженный"};
const char* const kPlaces[] = {"Заря", "Рассвет", "Родина", "Искра", "Нива", "Колос", "Маяк", "Луч"};
const char* const kPrevious[] = {"Элита-рек.", "Элита", "I класс", "II класс", "Хор", "Отл"};

std::string cp1251(const QString& s) { return db::encode(s).toStdString(); }
std::string cp1251(const char* utf8) { return cp1251(QString::fromUtf8(utf8)); }
template <size_t N>
std::vector<std::string> encodeAll(const char* const (&list)[N]) {
  std::vector<std::string> out;
  for (const char* s : list) out.push_back(cp1251(s));
  return out;
}

// A name from the list, with a number once the list is used up, so names stay unique.
QString listName(const char* const* list, size_t size, long long i) {
  const QString base = QString::fromUtf8(list[size_t(i) % size]);
  return i < (long long)size ? base : QStringLiteral("%1 %2").arg(base).arg(i / (long long)size + 1);
}

struct Bull {
  std::string code;      // KODBYK as digits
  std::string nokli;     // encoded
  bool free = false;
  int line = 0;
  int breed = 1;
};

// Index of a score field, by name, in a writer.
struct TraitFields {
  std::array<int, 30> x;
  std::array<int, 60> xx;
  std::array<int, 15> xxx;
  explicit TraitFields(const db::DbfWriter& w) {
    for (int i = 0; i < 30; ++i) x[size_t(i)] = w.fieldIndex(QStringLiteral("X%1").arg(i + 1));
    for (int i = 0; i < 60; ++i) xx[size_t(i)] = w.fieldIndex(QStringLiteral("XX%1").arg(i + 1));
    for (int i = 0; i < 15; ++i) xxx[size_t(i)] = w.fieldIndex(QStringLiteral("XXX%1").arg(i + 1));
  }
};

QString path(const QString& dir, const db::TableLayout& t) { return QDir(dir).filePath(t.fileName); }

// KOROVA with its numeric fields only as wide as the generated values need.
db::TableLayout narrowKorovaLayout() {
  db::TableLayout t = db::korovaLayout();
  for (db::FieldDef& f : t.fields) {
    if (f.name == u"KODREG" || f.name == u"KODVLAD" || f.name == u"KODPOROD") f.width = 5;
    else if (f.name == u"NLAKT") f.width = 2;
    else if (f.name.startsWith(u"XXX")) f.width = 3;
    else if (f.name.startsWith(u'X') && f.type == 'N') f.width = 2;
  }
  return t;
}

// The codes of `count` bulls: 1, 2, 3, ... or herd book registration numbers of 5 to 8 digits,
// each drawn once.
std::vector<std::string> bullCodes(long long count, bool herdBook, Random& rng) {
  std::vector<std::string> codes;
  codes.reserve(size_t(count));
  std::unordered_set<uint64_t> drawn;
  for (long long b = 0; b < count; ++b) {
    if (!herdBook) {
      codes.push_back(std::to_string(b + 1));
      continue;
    }
    uint64_t code;
    do {
      constexpr uint64_t kLowest[] = {10'000, 100'000, 1'000'000, 10'000'000};
      const uint64_t low = kLowest[rng.below(std::size(kLowest))];
      code = low + rng.below(9 * low);
    } while (!drawn.insert(code).second);
    codes.push_back(std::to_string(code));
  }
  return codes;
}

// Removes a table of the same name in another letter case, so that only the new file remains.
void removeOtherCase(const QString& dir, const QString& fileName) {
  QDir d(dir);
  for (const QString& e : d.entryList(QDir::Files))
    if (e != fileName && e.compare(fileName, Qt::CaseInsensitive) == 0) d.remove(e);
}

}  // namespace

void writeStarterCatalogue(const QString& path) {
  initStarterData();
  const std::vector<CatalogueRow> rows = starterCatalogue();
  db::DbfWriter w(path, db::xaraktLayout().fields);
  const int id = w.fieldIndex(u"ID"), xar = w.fieldIndex(u"XAR"), koef = w.fieldIndex(u"KOEF"),
            dop1 = w.fieldIndex(u"DOP1"), dop2 = w.fieldIndex(u"DOP2");
  for (const CatalogueRow& r : rows) {
    w.setText(id, r.id);
    w.setText(xar, r.xar);
    w.setNumber(koef, r.koef);
    w.setText(dop1, r.dop1);
    w.setText(dop2, r.dop2);
    w.append();
  }
  w.finish();
}

HerdSummary generateHerd(const QString& dir, const HerdOptions& o) {
  if (o.cows < 0 || o.regions < 1 || o.farmsPerRegion < 1 || o.breeds < 1)
    throw UserError(QStringLiteral("Неверные параметры стада: нужны хотя бы один регион, одно хозяйство и одна порода."));
  if (!QDir().mkpath(dir)) throw UserError(QStringLiteral("Папка %1 не создаётся.").arg(dir));
  Random rng(o.seed);
  HerdSummary s;
  const long long bulls = o.bulls >= 0 ? o.bulls : std::max<long long>(1, o.cows / 20);
  if (o.herdBookCodes && bulls > 10'000'000)
    throw UserError(QStringLiteral("Неверные параметры стада: номеров племенной книги хватает на 10 000 000 быков."));
  // An operation an earlier run left unfinished belongs to the tables about to be replaced.
  db::recoverWorkFolder(dir);
  for (const db::TableLayout& t : db::allLayouts()) removeOtherCase(dir, t.fileName);
  writeStarterCatalogue(QDir(dir).filePath(db::xaraktLayout().fileName));

  // Regions.
  {
    const auto t = db::regionLayout();
    db::DbfWriter w(path(dir, t), t.fields);
    const int kod = w.fieldIndex(u"KODREG"), name = w.fieldIndex(u"REGION");
    for (int r = 1; r <= o.regions; ++r) {
      w.setWhole(kod, r);
      w.setText(name, listName(kRegions, std::size(kRegions), r - 1));
      w.append();
    }
    w.finish();
    s.regions = o.regions;
  }

  // Farms: codes 1..F in every region, and the region archive (code 0) in every third region.
  std::vector<std::string> farmShort;  // for MESTO, per region * F + farm - 1
  {
    const auto t = db::vladLayout();
    db::DbfWriter w(path(dir, t), t.fields);
    const int name = w.fieldIndex(u"VLAD"), kv = w.fieldIndex(u"KODVLAD"), kr = w.fieldIndex(u"KODREG");
    const size_t nn = std::size(kFarmNames);
    for (int r = 1; r <= o.regions; ++r) {
      if (r % 3 == 0) {
        w.setText(name, QStringLiteral("Архив региона"));
        w.setWhole(kv, 0);
        w.setWhole(kr, r);
        w.append();
        ++s.farms;
      }
      const size_t start = rng.below(nn);
      for (int f = 1; f <= o.farmsPerRegion; ++f) {
        const size_t k = (start + size_t(f - 1)) % nn;
        QString n = QStringLiteral("%1 «%2»").arg(QString::fromUtf8(kFarmForms[rng.below(std::size(kFarmForms))]),
                                                 QString::fromUtf8(kFarmNames[k]));
        if (f > int(nn)) n += QStringLiteral(" %1").arg((f - 1) / int(nn) + 1);
        w.setText(name, n);
        w.setWhole(kv, f);
        w.setWhole(kr, r);
        w.append();
        farmShort.push_back(cp1251(kFarmNames[k]));
        ++s.farms;
      }
    }
    w.finish();
  }

  // Breeds.
  {
    const auto t = db::porodaLayout();
    db::DbfWriter w(path(dir, t), t.fields);
    const int kod = w.fieldIndex(u"KODPOROD"), name = w.fieldIndex(u"PORODA");
    for (int b = 1; b <= o.breeds; ++b) {
      w.setWhole(kod, b);
      w.setText(name, listName(kBreeds, std::size(kBreeds), b - 1));
      w.append();
    }
    w.finish();
    s.breeds = o.breeds;
  }

  const auto lines = encodeAll(kLines);
  const auto cowNames = encodeAll(kCowNames);
  const auto places = encodeAll(kPlaces);
  const auto previous = encodeAll(kPrevious);
  const QDate epoch(2012, 1, 1);

  // Bulls: codes 1..B or herd book numbers; about 3% are free rows that still hold their code.
  std::vector<Bull> sires(static_cast<size_t>(bulls));
  {
    const std::vector<std::string> codes = bullCodes(bulls, o.herdBookCodes, rng);
    const auto t = db::bikLayout();
    db::DbfWriter w(path(dir, t), t.fields);
    const int kr = w.fieldIndex(u"KODREG"), nokli = w.fieldIndex(u"NOKLI"), kodbyk = w.fieldIndex(u"KODBYK"),
              line = w.fieldIndex(u"LINE"), mesto = w.fieldIndex(u"MESTO"), kv = w.fieldIndex(u"KODVLAD"),
              kol = w.fieldIndex(u"KOLKOROV"), por = w.fieldIndex(u"KODPOROD"), data = w.fieldIndex(u"DATA");
    for (long long b = 0; b < bulls; ++b) {
      Bull& bull = sires[size_t(b)];
      bull.code = codes[size_t(b)];
      bull.nokli = cp1251(QStringLiteral("%1 %2").arg(QString::fromUtf8(kBullNames[rng.below(std::size(kBullNames))])).arg(100000 + rng.below(900000)));
      bull.free = rng.chance(0.03);
      bull.line = int(rng.below(lines.size()));
      bull.breed = 1 + int(rng.below(uint64_t(o.breeds)));
      const int region = 1 + int(rng.below(uint64_t(o.regions)));
      w.setWhole(kr, bull.free ? 0 : region);
      w.setWhole(kv, bull.free ? 0 : 1 + int(rng.below(uint64_t(o.farmsPerRegion))));
      w.setBytes(nokli, bull.nokli);
      w.setBytes(kodbyk, bull.code);
      w.setBytes(line, lines[size_t(bull.line)]);
      const QDate born = epoch.addDays(-365 * 8 + qint64(rng.below(365 * 6)));
      w.setDate(data, born);
      w.setBytes(mesto, (born.toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ')).toStdString() + places[rng.below(places.size())]);
      w.setWhole(kol, 0);
      w.setWhole(por, bull.breed);
      w.append();
    }
    w.finish();
    s.bulls = bulls;
  }

  // Sires by popularity: rank = B * u^p (p = 4 by default) gives most sires a handful of
  // daughters and a few of them thousands, as artificial insemination does. The ranks are shuffled over the codes.
  std::vector<uint32_t> byRank(static_cast<size_t>(bulls));
  for (size_t i = 0; i < byRank.size(); ++i) byRank[i] = uint32_t(i);
  for (size_t i = byRank.size(); i > 1; --i) std::swap(byRank[i - 1], byRank[size_t(rng.below(i))]);
  std::vector<long long> daughters(static_cast<size_t>(bulls), 0);

  // Cows.
  {
    const auto t = o.narrowFields ? narrowKorovaLayout() : db::korovaLayout();
    db::DbfWriter w(path(dir, t), t.fields);
    const int kr = w.fieldIndex(u"KODREG"), nokli = w.fieldIndex(u"NOKLI"), por = w.fieldIndex(u"KODPOROD"),
              base = w.fieldIndex(u"BASEKOD"), kodbyk = w.fieldIndex(u"KODBYK"), mat = w.fieldIndex(u"MATNOKLI"),
              line = w.fieldIndex(u"LINE"), data = w.fieldIndex(u"DATA"), mesto = w.fieldIndex(u"MESTO"),
              nlakt = w.fieldIndex(u"NLAKT"), predoc = w.fieldIndex(u"PREDOC"), kv = w.fieldIndex(u"KODVLAD");
    const TraitFields tf(w);
    const std::string plus("+"), plusPlus("++"), hash("#");
    for (long long c = 0; c < o.cows; ++c) {
      const bool free = rng.chance(0.02);
      const int region = 1 + int(rng.below(uint64_t(o.regions)));
      // Farm 1 is the largest of its region; every third region keeps a few cows in its archive.
      int farm = 1 + int(double(o.farmsPerRegion) * std::pow(rng.unit(), 1.6));
      if (region % 3 == 0 && rng.chance(0.01)) farm = 0;
      farm = std::min(farm, o.farmsPerRegion);
      w.setWhole(kr, free ? 0 : region);
      w.setWhole(kv, free ? 0 : farm);
      s.freeCows += free;
      const std::string number = std::to_string(1000000 + c);
      w.setBytes(nokli, number + ' ' + cowNames[rng.below(cowNames.size())]);
      const int breed = rng.chance(0.7) ? 1 + (region + farm) % o.breeds : 1 + int(rng.below(uint64_t(o.breeds)));
      w.setWhole(por, breed);
      const double kind = rng.unit();
      if (bulls > 0 && kind < 0.86) {
        const auto rank = size_t(double(bulls) * std::pow(rng.unit(), o.popularity));
        const uint32_t sire = byRank[std::min(rank, size_t(bulls - 1))];
        const Bull& b = sires[sire];
        if (b.free) {
          // The father was removed: the daughter keeps his name after "#".
          w.setBytes(kodbyk, hash + b.nokli);
        } else {
          w.setBytes(base, plus);
          w.setBytes(kodbyk, b.code);
          ++daughters[sire];
          ++s.linkedCows;
        }
        w.setBytes(line, lines[size_t(b.line)]);
      } else if (kind < 0.94) {
        w.setBytes(kodbyk, cp1251(QStringLiteral("Бык %1").arg(rng.below(100000))));
      }
      w.setBytes(mat, std::to_string(1000000 + rng.below(uint64_t(std::max<long long>(o.cows, 1)))));
      const QDate calved = epoch.addDays(qint64(rng.below(365 * 12)));
      w.setDate(data, calved);
      w.setBytes(mesto, (calved.addYears(-2 - int(rng.below(4))).toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' '))
                            .toStdString() + places[rng.below(places.size())]);
      w.setWhole(nlakt, 1 + int(rng.below(3)) + int(rng.below(3) == 0) * int(rng.below(5)));
      if (rng.chance(0.3)) w.setBytes(predoc, previous[rng.below(previous.size())]);
      if (!rng.chance(0.05)) {  // a few cows are not scored yet
        for (int f : tf.x) w.setWhole(f, 1 + int(rng.below(3) + rng.below(3) + rng.below(3) + rng.below(3)));
        for (int f : tf.xx) {
          const uint64_t r = rng.below(1000);
          if (r < 5) w.setBytes(f, plusPlus);
          else if (r < 25) w.setBytes(f, plus);
        }
        for (int f : tf.xxx)
          w.setWhole(f, rng.chance(0.01) ? 1 + int(rng.below(49)) : 50 + int(rng.below(26) + rng.below(26)));
      }
      w.append();
    }
    w.finish();
    s.cows = o.cows;
  }
  for (long long d : daughters) {
    s.maxDaughters = std::max(s.maxDaughters, d);
    if (d > 0) ++s.siresWithDaughters;
    if (d > 0 && d < 10) ++s.siresUnder10;
  }
  return s;
}

}  // namespace korvel::herd
