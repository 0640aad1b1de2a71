#include "safety/restore_window.h"

#include "db/data_module.h"
#include "safety/backup_restore.h"
#include "safety/letter_field.h"
#include "ui/prompts.h"

#include <QLabel>
#include <QPushButton>

namespace korvel {

RestoreWindow::RestoreWindow(HerdTables& dm, QWidget* parent)
    : LetterWindow(QStringLiteral("Восстановить данные"), parent), dm_(dm) {
  setObjectName(QStringLiteral("Form17"));
  setWindowTitle(QStringLiteral("Восстановление данных с резервного носителя"));
  resize(804, 563);

  prepareMediumLabel = safety::makeLabel(this, "Label1",
                     QStringLiteral("Подготовьте резервный носитель (вставьте дискету или подключите флэшку или "
                                    "убедитесь в готовности внешнего диска)."));
  findLetterLabel = safety::makeLabel(this, "Label2",
                     QStringLiteral("Узнайте имя резервного носителя (см. Инструкцию) и введите эту букву в латинском "
                                    "регистре"));
  pressButtonLabel = safety::makeLabel(this, "Label3",
                     QStringLiteral("в поле внизу и нажмите кнопку \"Восстановить данные\", а если передумали - "
                                    "\"Выход\"."));
  whenDoneLabel = safety::makeLabel(this, "Label4",
                     QStringLiteral("По окончании восстановления нажмите \"Выход\". Восстановление может продолжаться "
                                    "5-20 секунд. Подождите..."));
  letterCaption = safety::makeLabel(this, "Label5", QStringLiteral("Имя резервного носителя:"));
  layOut({prepareMediumLabel, findLetterLabel, pressButtonLabel, whenDoneLabel}, letterCaption);
}

void RestoreWindow::actionClicked() {
  const std::optional<QChar> letter = safety::takeLetter(*letterEdit);
  if (!letter) return;
  // Refused before any table is closed.
  if (!safety::backupPresent(*letter)) {
    prompts().message(safety::msg::kNoBackup);
    return;
  }
  const bool ran = guarded([&] {
    safety::closeTables(safety::restoreOrder(dm_));
    safety::CopyOutcome outcome;
    {
      safety::WaitCursor wait;
      outcome = safety::restoreFromDrive(dm_.workDir(), *letter, [](const QString& question) { return prompts().askYesNo(question); });
    }
    for (const QString& m : outcome.messages) prompts().message(m);
  }, actionButton->text());
  if (!ran) return;
  // The main menu's activation reopens REGION, VLAD, PORODA and XARAKT; the cards reopen BIK
  // and KOROVA when they are next shown.
  if (afterRestore) afterRestore();
}

}  // namespace korvel
