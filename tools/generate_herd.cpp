// generate-herd DIR --cows N [--bulls B] [--regions R] [--farms-per-region F] [--breeds K] [--seed S]
//               [--herd-book-codes] [--narrow-fields]
// Writes a generated herd (REGION, VLAD, PORODA, BIK, KOROVA) into DIR; XARAKT is left alone.
#include "herdgen.h"

#include "db/table_error.h"

#include <QDir>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
  std::fputs("Использование: generate-herd ПАПКА --cows N [--bulls B] [--regions R] "
             "[--farms-per-region F] [--breeds K] [--seed S] [--herd-book-codes] [--narrow-fields]\n"
             "  --herd-book-codes  коды быков - номера племенной книги из 5-8 цифр, а не 1, 2, 3...\n"
             "  --narrow-fields    числовые поля KOROVA не шире своих значений (запись 353 байта)\n", stderr);
  return 2;
}

bool number(const char* text, long long min, long long* out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (errno || !end || *end || end == text || v < min) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  korvel::herd::HerdOptions o;
  QString dir;
  bool haveCows = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--", 0) != 0) {
      if (!dir.isEmpty()) return usage();
      dir = QString::fromLocal8Bit(argv[i]);
      continue;
    }
    if (a == "--herd-book-codes" || a == "--narrow-fields") {
      (a == "--herd-book-codes" ? o.herdBookCodes : o.narrowFields) = true;
      continue;
    }
    if (i + 1 >= argc) return usage();
    long long v = 0;
    const char* value = argv[++i];
    bool ok = false;
    if (a == "--cows") ok = haveCows = number(value, 0, &o.cows);
    else if (a == "--bulls") ok = number(value, 0, &o.bulls);
    else if (a == "--regions") ok = number(value, 1, &v) && v <= 999999 && (o.regions = int(v), true);
    else if (a == "--farms-per-region") ok = number(value, 1, &v) && v <= 999999 && (o.farmsPerRegion = int(v), true);
    else if (a == "--breeds") ok = number(value, 1, &v) && v <= 32767 && (o.breeds = int(v), true);
    else if (a == "--seed") ok = number(value, 0, &v) && (o.seed = uint64_t(v), true);
    if (!ok) {
      std::fprintf(stderr, "Неверный параметр %s %s\n", a.c_str(), value);
      return usage();
    }
  }
  if (dir.isEmpty() || !haveCows) return usage();
  QElapsedTimer timer;
  timer.start();
  try {
    const auto s = korvel::herd::generateHerd(dir, o);
    std::printf("Записано в %s за %.1f с: регионов %lld, хозяйств %lld, пород %lld, быков %lld, коров %lld "
                "(свободных строк %lld, с отцом из BIK %lld).\n"
                "Дочерей у самого частого отца: %lld; отцов с дочерьми: %lld, из них меньше 10 дочерей: %lld.\n",
                QDir::toNativeSeparators(dir).toLocal8Bit().constData(), double(timer.elapsed()) / 1000.0, s.regions,
                s.farms, s.breeds, s.bulls, s.cows, s.freeCows, s.linkedCows, s.maxDaughters, s.siresWithDaughters,
                s.siresUnder10);
    if (!QDir(dir).entryList({QStringLiteral("XARAKT.DBF")}, QDir::Files).isEmpty()) return 0;
    std::printf("Каталога признаков XARAKT.DBF в папке нет: его пишет make-workdir.\n");
  } catch (const korvel::db::TableError& e) {
    std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
