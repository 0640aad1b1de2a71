#include "safety/backup_window.h"

#include "db/data_module.h"
#include "safety/backup_restore.h"
#include "safety/drive_letters.h"
#include "safety/letter_field.h"
#include "ui/prompts.h"

#include <QLabel>
#include <QPushButton>

namespace korvel {

BackupWindow::BackupWindow(HerdTables& dm, QWidget* parent)
    : LetterWindow(QStringLiteral("Архивировать"), parent), dm_(dm) {
  setObjectName(QStringLiteral("Form16"));
  setWindowTitle(QStringLiteral("Создание архива"));
  resize(825, 563);

  prepareMediumLabel = safety::makeLabel(this, "Label1",
                     QStringLiteral("Подготовьте резервный носитель (вставьте дискету или флэшку или убедитесь в "
                                    "готовности сетевого диска)."));
  findLetterLabel = safety::makeLabel(this, "Label2",
                     QStringLiteral("Узнайте имя резервного носителя (см. Инструкцию), введите эту букву в латинском "
                                    "регистре"));
  pressButtonLabel = safety::makeLabel(this, "Label3",
                     QStringLiteral("в поле внизу и нажмите кнопку \"Архивировать\", а если передумали - \"Выход\"."));
  whenDoneLabel = safety::makeLabel(this, "Label4", QStringLiteral("По окончании копирования нажмите \"Выход\"."));
  waitLabel = safety::makeLabel(this, "Label5", QStringLiteral("Архивирование продолжается 5-20 секунд. Подождите..."));
  letterCaption = safety::makeLabel(this, "Label6", QStringLiteral("Имя резервного носителя"));
  layOut({prepareMediumLabel, findLetterLabel, pressButtonLabel, whenDoneLabel, waitLabel}, letterCaption);
}

void BackupWindow::actionClicked() {
  const std::optional<QChar> letter = safety::takeLetter(*letterEdit);
  if (!letter) return;
  if (!safety::driveReady(*letter)) {
    prompts().message(safety::msg::kNoDrive);
    return;
  }
  guarded([&] {
    const std::vector<safety::ClosedTable> closed = safety::closeTables(safety::backupOrder(dm_));
    safety::CopyOutcome outcome;
    {
      safety::WaitCursor wait;
      outcome = safety::backupToDrive(dm_.workDir(), *letter, [](const QString& question) { return prompts().askYesNo(question); });
    }
    for (const QString& m : outcome.messages) prompts().message(m);
    for (const QString& error : safety::reopenTables(closed)) prompts().message(error);
  }, actionButton->text());
}

}  // namespace korvel
