// Instructions viewer.
#include "help/instructions_window.h"

#include "help/instruction_text.h"
#include "ui/prompts.h"
#include "ui/session.h"

#include <QFont>
#include <QFontDatabase>
#include <QListWidget>

namespace korvel {

InstructionsWindow::InstructionsWindow(QWidget* parent) : KorvelDialog(parent) {
  setObjectName(QStringLiteral("TForm18"));
  setWindowTitle(QStringLiteral("Инструкции"));
  resize(1024, 736);

  instructionList = new QListWidget(this);
  instructionList->setObjectName(QStringLiteral("ListBox1"));
  instructionList->setGeometry(4, 4, 1005, 681);
  // A fixed-pitch font keeps the columns of the instruction texts aligned. Where Courier New
  // is not installed the font matcher may hand out a proportional font for the name, so the
  // system's own fixed font is taken instead.
  QFont font(QStringLiteral("Courier New"));
  if (!QFontDatabase::hasFamily(font.family()) || !QFontDatabase::isFixedPitch(font.family()))
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(15);
  instructionList->setFont(font);
  instructionList->setWordWrap(false);
  instructionList->setTextElideMode(Qt::ElideNone);
  instructionList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  instructionList->setUniformItemSizes(true);
}

void InstructionsWindow::FormActivate() {
  move(0, 0);
  resize(1024, 736);
  instructionList->clear();
  const QString path = instructionFilePath(instructionSelector);
  if (!path.isEmpty()) {
    QStringList lines;
    if (readInstructionFile(path, &lines))
      instructionList->addItems(lines);
    else
      prompts().message(QStringLiteral("Cannot open file ") + path);
  }
  instructionList->setFocus();
}

}  // namespace korvel
