#include "scoreform/scoring_form_actions.h"

#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "reference/herd_context.h"
#include "scoreform/filled_form.h"
#include "scoreform/form_export.h"
#include "scoreform/score_import.h"
#include "scoreform/score_import_window.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <vector>

namespace korvel::scoreform {

namespace {

// Where the last form was written or read from, for the next file dialog.
QString& lastFolder() {
  static QString folder;
  return folder;
}

// The folder a file dialog starts in: the last one used, else the person's documents.
QString startFolder() {
  if (!lastFolder().isEmpty()) return lastFolder();
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir(documents).exists() ? documents : QDir::homePath();
}

}  // namespace

void writeScoringFormAsked(HerdTables& dm, const HerdContext& herd, bool selectionShown, QWidget* window) {
  struct Choice {
    QString caption;
    FormScope scope;
    QString fileName;
  };
  std::vector<Choice> choices{{QStringLiteral("Текущее хозяйство"), FormScope::Farm,
                               QStringLiteral("Бланк оценки %1-%2").arg(herd.regionCode).arg(herd.farmCode)}};
  if (selectionShown)
    choices.push_back({QStringLiteral("Выделенные коровы"), FormScope::Selection,
                       QStringLiteral("Бланк оценки %1-%2, выделенные").arg(herd.regionCode).arg(herd.farmCode)});
  choices.push_back({QStringLiteral("Весь регион"), FormScope::Region, QStringLiteral("Бланк оценки, регион %1").arg(herd.regionCode)});
  QStringList captions;
  for (const Choice& c : choices) captions << c.caption;
  const int chosen = prompts().choose(QStringLiteral("Для каких коров выписать бланк оценки?"), captions);
  if (chosen < 0 || chosen >= int(choices.size())) return;
  const Choice& choice = choices[size_t(chosen)];

  QString path = prompts().saveFileName(QStringLiteral("Бланк оценки"),
                                        QDir(startFolder()).filePath(choice.fileName + QStringLiteral(".xlsx")),
                                        QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv)"));
  if (path.isEmpty()) return;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("csv")) path += QStringLiteral(".xlsx");
  const QString shownPath = QDir::toNativeSeparators(path);
  if (QFileInfo::exists(path) && !prompts().askYesNo(QStringLiteral("Файл %1 уже есть. Заменить его?").arg(shownPath))) return;
  lastFolder() = QFileInfo(path).absolutePath();

  size_t cows = 0;
  {
    // The form is gathered and written in one go, with no steps to show: the busy pointer
    // says the program is at work.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const struct RestoreCursor {
      ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restoreCursor;
    TraitCatalogue catalogue(dm.xarakt, &dm.korova);
    const ScoringForm form = collectScoringForm(dm, catalogue, herd, choice.scope);
    cows = form.cows.size();
    if (cows > 0) writeScoringForm(form, path);
  }
  if (cows == 0) {
    prompts().message(QStringLiteral("Бланк не записан: среди выбранных коров нет ни одной."));
    return;
  }
  prompts().message(QStringLiteral("Бланк оценки записан в файл %1.\nКоров в бланке: %2.").arg(shownPath).arg(cows));
}

bool loadScoresAsked(HerdTables& dm, QWidget* window) {
  const QString path = prompts().openFileName(QStringLiteral("Заполненный бланк оценки"),
                                              QStringLiteral("Бланк оценки (*.xlsx *.csv);;Все файлы (*)"));
  if (path.isEmpty()) return false;
  lastFolder() = QFileInfo(path).absolutePath();
  const FilledForm form = readFilledForm(path);
  TraitCatalogue catalogue(dm.xarakt, &dm.korova);
  ScoreImportWindow preview(
      QFileInfo(path).fileName(),
      [&](const ImportOptions& options) { return planImport(dm, catalogue, form, options); },
      [&](const ImportPlan& plan, const std::function<void(int, int)>& progress) {
        return applyImport(dm, catalogue, plan, progress);
      },
      window);
  preview.exec();
  return preview.result().has_value();
}

}  // namespace korvel::scoreform
