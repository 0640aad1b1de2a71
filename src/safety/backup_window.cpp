#include "safety/backup_window.h"

#include "db/data_module.h"
#include "safety/backup_restore.h"
#include "safety/drive_letters.h"
#include "safety/letter_field.h"
#include "ui/prompts.h"

#include <QLabel>
#include <QPushButton>

namespace korvel {

TForm16::TForm16(TDataModule5& dm, QWidget* parent)
    : LetterWindow(QStringLiteral("Архивировать"), parent), dm_(dm) {
  setObjectName(QStringLiteral("Form16"));
  setWindowTitle(QStringLiteral("Создание архива"));
  resize(825, 563);

  Label1 = safety::makeLabel(this, "Label1",
                     QStringLiteral("Подготовьте резервный носитель (вставьте дискету или флэшку или убедитесь в "
                                    "готовности сетевого диска)."));
  Label2 = safety::makeLabel(this, "Label2",
                     QStringLiteral("Узнайте имя резервного носителя (см. Инструкцию), введите эту букву в латинском "
                                    "регистре"));
  Label3 = safety::makeLabel(this, "Label3",
                     QStringLiteral("в поле внизу и нажмите кнопку \"Архивировать\", а если передумали - \"Выход\"."));
  Label4 = safety::makeLabel(this, "Label4", QStringLiteral("По окончании копирования нажмите \"Выход\"."));
  Label5 = safety::makeLabel(this, "Label5", QStringLiteral("Архивирование продолжается 5-20 секунд. Подождите..."));
  Label6 = safety::makeLabel(this, "Label6", QStringLiteral("Имя резервного носителя"));
  layOut({Label1, Label2, Label3, Label4, Label5}, Label6);
}

void TForm16::Button1Click() {
  const std::optional<QChar> letter = safety::takeLetter(*MaskEdit1);
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
      outcome = safety::backupToDrive(dm_.workDir(), *letter);
    }
    for (const QString& m : outcome.messages) prompts().message(m);
    for (const QString& error : safety::reopenTables(closed)) prompts().message(error);
  }, Button1->text());
}

}  // namespace korvel
