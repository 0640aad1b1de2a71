// export-form: the scoring form of a farm or a region without windows, written as a workbook
// ready to fill or as CSV, by the output file's extension.
#include "cli/command_line.h"
#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "tool_folder.h"
#include "db/journal.h"
#include "db/table_error.h"
#include "reference/herd_context.h"
#include "scoreform/form_export.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <optional>

using namespace korvel;

namespace {

const cli::Command kCommand{
    "Использование: %1 ПАПКА ФАЙЛ (--farm R/F | --region R)\n",
    "Записывает бланк оценки коров: по строке на каждую корову хозяйства F региона R (или всего\n"
    "региона R) с её ключом (регион, хозяйство, идентификационный номер), породой и отцом и по\n"
    "столбцу на каждый признак каталога с уже записанными оценками. ФАЙЛ с расширением .csv\n"
    "записывается как CSV (UTF-8, разделитель «;»), любой другой - как книга .xlsx, готовая\n"
    "к заполнению.\n"
    "\n"
    "  --farm R/F    коровы хозяйства F региона R\n"
    "  --region R    коровы всех хозяйств региона R\n"
    "  -h, --help    показать эту справку\n"
    "  --version     показать версию\n"};

std::optional<long long> number(const QString& text) {
  bool ok = false;
  const long long v = text.toLongLong(&ok);
  return ok && v >= 0 ? std::optional<long long>(v) : std::nullopt;
}

int exportForm(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList command = cli::arguments(argc, argv);
  if (const auto answered = cli::answerHelpOrVersion(command, kCommand)) return *answered;
  const QStringList args = command.mid(1);
  QStringList positional;
  std::optional<scoreform::FormScope> scope;
  HerdContext herd;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool hasValue = i + 1 < args.size() && !scope;
    if (a == u"--farm" && hasValue) {
      const QStringList parts = args[++i].split(u'/');
      const auto r = parts.size() == 2 ? number(parts[0]) : std::nullopt;
      const auto f = parts.size() == 2 ? number(parts[1]) : std::nullopt;
      if (!r || !f) return cli::wrongArguments(command[0], kCommand, QStringLiteral("Хозяйство указывается как R/F: %1").arg(args[i]));
      herd.regionCode = *r;
      herd.farmCode = *f;
      scope = scoreform::FormScope::Farm;
    } else if (a == u"--region" && hasValue) {
      const auto r = number(args[++i]);
      if (!r) return cli::wrongArguments(command[0], kCommand, QStringLiteral("Регион указывается числом: %1").arg(args[i]));
      herd.regionCode = *r;
      scope = scoreform::FormScope::Region;
    } else if (a.startsWith(u'-')) {
      return cli::wrongArguments(command[0], kCommand,
                                 QStringLiteral("Неизвестный, повторный или неполный параметр: %1").arg(a));
    } else {
      positional << a;
    }
  }
  if (positional.size() != 2 || !scope) return cli::wrongArguments(command[0], kCommand);
  const QString& folder = positional[0];
  const QString& output = positional[1];
  if (!tools::folderFound(folder)) return 1;
  if (const auto refusal = db::outputRefusal(folder, output)) {
    cli::sayError(*refusal);
    return 1;
  }
  const auto lock = tools::enterFolder(folder);
  if (!lock) return 1;
  HerdTables dm(folder);
  if (!dm.openError().isEmpty()) throw db::TableError(dm.openError());
  TraitCatalogue catalogue(dm.xarakt, &dm.korova);
  const scoreform::ScoringForm form = scoreform::collectScoringForm(dm, catalogue, herd, *scope);
  if (form.cows.empty()) {
    cli::sayError(*scope == scoreform::FormScope::Farm
                      ? QStringLiteral("В хозяйстве %1/%2 нет коров: бланк не записан.").arg(herd.regionCode).arg(herd.farmCode)
                      : QStringLiteral("В регионе %1 нет коров: бланк не записан.").arg(herd.regionCode));
    return 1;
  }
  scoreform::writeScoringForm(form, output);
  cli::print(stdout, QStringLiteral("Записан бланк оценки: коров %1, признаков %2.\n")
                         .arg(form.cows.size())
                         .arg(form.columns.size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::guarded([&] { return exportForm(argc, argv); });
}
