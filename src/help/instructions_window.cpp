// Instructions viewer.
#include "help/instructions_window.h"

#include "help/instruction_text.h"
#include "ui/prompts.h"
#include "ui/session.h"

#include <QFont>
#include <QFontDatabase>
#include <QListWidget>

namespace korvel {

TForm18::TForm18(QWidget* parent) : KorvelDialog(parent) {
  setObjectName(QStringLiteral("TForm18"));
  setWindowTitle(QStringLiteral("Инструкции"));
  resize(1024, 736);

  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setGeometry(4, 4, 1005, 681);
  // A fixed-pitch font keeps the columns of the instruction texts aligned. Where Courier New
  // is not installed the font matcher may hand out a proportional font for the name, so the
  // system's own fixed font is taken instead.
  QFont font(QStringLiteral("Courier New"));
  if (!QFontDatabase::hasFamily(font.family()) || !QFontDatabase::isFixedPitch(font.family()))
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(15);
  ListBox1->setFont(font);
  ListBox1->setWordWrap(false);
  ListBox1->setTextElideMode(Qt::ElideNone);
  ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ListBox1->setUniformItemSizes(true);
}

void TForm18::FormActivate() {
  move(0, 0);
  resize(1024, 736);
  ListBox1->clear();
  const QString path = instructionFilePath(instructionSelector);
  if (!path.isEmpty()) {
    QStringList lines;
    if (readInstructionFile(path, &lines))
      ListBox1->addItems(lines);
    else
      prompts().message(QStringLiteral("Cannot open file ") + path);
  }
  ListBox1->setFocus();
}

}  // namespace korvel
