// generate-herd DIR --cows N [--bulls B] [--regions R] [--farms-per-region F] [--breeds K] [--seed S]
//               [--herd-book-codes] [--narrow-fields]
// Writes a generated herd into DIR: all six tables, XARAKT holding the starter catalogue.
#include "herdgen/herdgen.h"

#include "cli/command_line.h"
#include "tool_folder.h"
#include "db/journal.h"
#include "base/user_error.h"

#include <QDir>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const korvel::cli::Command kCommand{
    "Использование: %1 ПАПКА --cows N [--bulls B] [--regions R] [--farms-per-region F]\n"
    "  [--breeds K] [--seed S] [--herd-book-codes] [--narrow-fields]\n",
    "Записывает в ПАПКУ выдуманное стадо для опробования и замеров: все шесть таблиц\n"
    "заменяются новыми (REGION, VLAD, PORODA, BIK, KOROVA выдуманные, XARAKT с начальным\n"
    "каталогом признаков). Одни и те же параметры дают одни и те же файлы. Инструкции и\n"
    "рисунки добавляет make-workdir.\n"
    "\n"
    "  --cows N              коров (строк KOROVA)\n"
    "  --bulls B             быков; без параметра - по одному на 20 коров\n"
    "  --regions R           регионов (10)\n"
    "  --farms-per-region F  хозяйств в каждом регионе (20)\n"
    "  --breeds K            пород (8)\n"
    "  --seed S              начало случайной последовательности (1)\n"
    "  --herd-book-codes     коды быков - номера племенной книги из 5-8 цифр, а не 1, 2, 3...\n"
    "  --narrow-fields       числовые поля KOROVA не шире своих значений (запись 353 байта)\n"
    "  -h, --help            показать эту справку\n"
    "  --version             показать версию\n"};

int usage(const QString& argv0) { return korvel::cli::wrongArguments(argv0, kCommand); }

bool number(const std::string& text, long long min, long long* out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno || !end || *end || end == text.c_str() || v < min) return false;
  *out = v;
  return true;
}

int run(int argc, char** argv) {
  const QStringList args = korvel::cli::arguments(argc, argv);
  if (const auto answered = korvel::cli::answerHelpOrVersion(args, kCommand)) return *answered;
  korvel::herd::HerdOptions o;
  QString dir;
  bool haveCows = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const std::string a = args[i].toStdString();
    if (a.rfind("--", 0) != 0) {
      if (!dir.isEmpty()) return usage(args[0]);
      dir = args[i];
      continue;
    }
    if (a == "--herd-book-codes" || a == "--narrow-fields") {
      (a == "--herd-book-codes" ? o.herdBookCodes : o.narrowFields) = true;
      continue;
    }
    if (i + 1 >= args.size()) return usage(args[0]);
    long long v = 0;
    const std::string value = args[++i].toStdString();
    bool ok = false;
    if (a == "--cows") ok = haveCows = number(value, 0, &o.cows);
    else if (a == "--bulls") ok = number(value, 0, &o.bulls);
    else if (a == "--regions") ok = number(value, 1, &v) && v <= 999999 && (o.regions = int(v), true);
    else if (a == "--farms-per-region") ok = number(value, 1, &v) && v <= 999999 && (o.farmsPerRegion = int(v), true);
    else if (a == "--breeds") ok = number(value, 1, &v) && v <= 32767 && (o.breeds = int(v), true);
    else if (a == "--seed") ok = number(value, 0, &v) && (o.seed = uint64_t(v), true);
    if (!ok) {
      korvel::cli::sayError(QStringLiteral("Неверный параметр %1 %2").arg(args[i - 1], args[i]));
      return usage(args[0]);
    }
  }
  if (dir.isEmpty() || !haveCows) return usage(args[0]);
  QElapsedTimer timer;
  timer.start();
  if (!QDir().mkpath(dir)) throw korvel::UserError(QStringLiteral("Папка %1 не создаётся.").arg(dir));
  const auto lock = korvel::tools::enterFolder(dir);
  if (!lock) return 1;
  const auto s = korvel::herd::generateHerd(dir, o);
  korvel::cli::print(stdout, QString::asprintf(
      "Записано в %s за %.1f с: регионов %lld, хозяйств %lld, пород %lld, быков %lld, коров %lld "
      "(свободных строк %lld, с отцом из BIK %lld).\n"
      "Дочерей у самого частого отца: %lld; отцов с дочерьми: %lld, из них меньше 10 дочерей: %lld.\n",
      QDir::toNativeSeparators(dir).toUtf8().constData(), double(timer.elapsed()) / 1000.0, s.regions, s.farms,
      s.breeds, s.bulls, s.cows, s.freeCows, s.linkedCows, s.maxDaughters, s.siresWithDaughters, s.siresUnder10));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return korvel::cli::guarded([&] { return run(argc, argv); });
}
