#include "safety/letter_field.h"

#include "app/prompts.h"
#include "safety/backup_restore.h"
#include "safety/drive_letters.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace korvel::safety {

QLineEdit* makeLetterField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QStringLiteral("MaskEdit1"));
  // At most one character, a letter of any alphabet; the blank shows as "_". The validator sees
  // the text as displayed, so the blank itself must pass or the field could not be emptied.
  field->setInputMask(QStringLiteral("x;_"));
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\p{L}_]")), field));
  field->setFixedWidth(40);
  return field;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setWordWrap(true);
  return l;
}

std::optional<QChar> takeLetter(QLineEdit& field) {
  const std::optional<QChar> letter = driveLetterOf(field.text());
  if (!letter) {
    prompts().message(msg::kTypeOneLetter);
    field.setFocus();
  }
  return letter;
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace korvel::safety
