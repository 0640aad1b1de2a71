#include "app/main_menu.h"

#include "cows/cow_card.h"
#include "db/data_module.h"
#include "db/journal.h"
#include "db/table_error.h"
#include "help/help_pictures.h"
#include "help/instructions_window.h"
#include "help/jpeg.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/regions_window.h"
#include "safety/backup_window.h"
#include "safety/restore_window.h"
#include "sires/bull_card.h"
#include "ui/forms.h"
#include "ui/prompts.h"
#include "ui/session.h"
#include "ui/window_base.h"

#include <QDir>
#include <QGridLayout>
#include <QPixmap>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace korvel {

MainMenu::MainMenu(HerdTables& dm, QWidget* parent) : QWidget(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Корвель"));

  leftPicture = new QLabel(this);
  leftPicture->setObjectName(QStringLiteral("Image1"));
  rightPicture = new QLabel(this);
  rightPicture->setObjectName(QStringLiteral("Image2"));
  // The two decorative pictures; a folder without them shows none, without a message.
  QLabel* const images[] = {leftPicture, rightPicture};
  for (int i = 0; i < 2; ++i) {
    images[i]->setAlignment(Qt::AlignCenter);
    images[i]->setMinimumHeight(150);
    const QImage picture = decodeJpeg(QDir(dm.workDir()).filePath(mainPicturePath(i + 1)));
    if (!picture.isNull()) images[i]->setPixmap(QPixmap::fromImage(picture.scaled(480, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }

  breedsButton = makeButton("Button1", QStringLiteral(" Породы. Отчеты по быкам-производителям "));
  regionsButton = makeButton("Button3", QStringLiteral("РЕГИОНЫ"));
  farmsButton = makeButton("Button4", QStringLiteral("Владельцы, Хозяйства"));
  bullsButton = makeButton("Button5", QStringLiteral("быки"));
  cowsButton = makeButton("Button6", QStringLiteral("коровы"));
  backupButton = makeButton("Button8", QStringLiteral("Создание архива на внешнем носителе"));
  restoreButton = makeButton("Button9", QStringLiteral("Восстановление данных с внешнего носителя"));
  backupInstructionsButton = makeButton("Button10", QStringLiteral("Инструкция по сохранению / восстановлению данных"));
  breedsInstructionsButton = makeButton("Button16", QStringLiteral("Инструкция по работе с породами "));
  regionsInstructionsButton = makeButton("Button11", QStringLiteral("Инструкция по работе с регионами"));
  farmsInstructionsButton = makeButton("Button12", QStringLiteral("Инструкция по работе с владельцами (хозяйствами)"));
  bullsInstructionsButton = makeButton("Button14", QStringLiteral("Инструкция по работе с быками-производителями"));
  cowsInstructionsButton = makeButton("Button15", QStringLiteral("Инструкция по работе с карточками коров"));
  reportsInstructionsButton = makeButton("Button13", QStringLiteral("Инструкция по получению отчетов"));

  // Reference data and herd in the first column, the instructions in the second.
  auto* grid = new QGridLayout;
  QPushButton* const left[] = {breedsButton, regionsButton, farmsButton, bullsButton, cowsButton, backupButton, restoreButton};
  QPushButton* const right[] = {breedsInstructionsButton, reportsInstructionsButton, regionsInstructionsButton,
                                farmsInstructionsButton,  bullsInstructionsButton,   cowsInstructionsButton,
                                backupInstructionsButton};
  for (int i = 0; i < 7; ++i) {
    grid->addWidget(left[i], i, 0);
    grid->addWidget(right[i], i, 1);
  }
  auto* pictures = new QHBoxLayout;
  pictures->addWidget(leftPicture);
  pictures->addWidget(rightPicture);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pictures);
  layout->addLayout(grid);
  layout->addStretch();

  Forms& f = forms();
  onClick(breedsButton, [&f] {
    f.breedsWindow->setWindowTitle(QStringLiteral("Породы"));
    f.breedsWindow->exec();
  });
  onClick(regionsButton, [&f] {
    f.regionsWindow->setWindowTitle(QStringLiteral("Работа с регионами"));
    f.regionsWindow->exec();
  });
  onClick(farmsButton, [&f] {
    f.farmsWindow->setWindowTitle(QStringLiteral("Работа с владельцами (хозяйствами)"));
    f.farmsWindow->exec();
  });
  onClick(bullsButton, [&f] {
    f.bullWindow->setWindowTitle(QStringLiteral("Быки"));
    f.bullWindow->exec();
  });
  onClick(cowsButton, [&f] { f.cowWindow->exec(); });
  onClick(backupButton, [&f] { f.backupWindow->exec(); });
  onClick(restoreButton, [&f] { f.restoreWindow->exec(); });
  const std::pair<QPushButton*, int> instructions[] = {
      {backupInstructionsButton, 1}, {breedsInstructionsButton, 2}, {regionsInstructionsButton, 3},
      {farmsInstructionsButton, 4},  {bullsInstructionsButton, 5},  {cowsInstructionsButton, 6},
      {reportsInstructionsButton, 7}};
  for (const auto& [button, selector] : instructions) onClick(button, [this, selector] { showInstruction(selector); });
}

QPushButton* MainMenu::makeButton(const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, this);
  b->setObjectName(QString::fromLatin1(name));
  b->setMinimumHeight(40);
  return b;
}

void MainMenu::showInstruction(int selector) {
  instructionSelector = selector;
  forms().instructionsWindow->exec();
}

void MainMenu::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (shown_ || e->spontaneous()) return;
  shown_ = true;
  // The activation may tell of a table that cannot be opened: its message comes over the
  // menu as drawn on the screen, not over a window not yet mapped. It waits for the window's
  // first exposure, whose painting is done before the queued activation runs.
  windowHandle()->installEventFilter(this);
}

bool MainMenu::eventFilter(QObject* o, QEvent* e) {
  if (o == windowHandle() && e->type() == QEvent::Expose && windowHandle()->isExposed()) {
    windowHandle()->removeEventFilter(this);
    runLater(this, [this] {
      FormActivate();
      // An operation the last run left unfinished was rolled back when the folder was opened:
      // the person is told once.
      if (const QString notice = db::takeRecoveryNotice(); !notice.isEmpty()) prompts().message(notice);
    }, QStringLiteral("Открытие главного меню"));
  }
  return QWidget::eventFilter(o, e);
}

void MainMenu::FormActivate() {
  activated_ = true;
  setWindowTitle(QStringLiteral("Корвель"));
  move(0, 0);
  resize(1024, 736);
  // Each table on its own: one that cannot be opened is reported and the others still open,
  // so the menu stays usable.
  for (db::Table* t : {&dm_.region, &dm_.vlad, &dm_.poroda}) {
    try {
      t->close();
      t->open();
    } catch (const db::TableError& err) {
      prompts().message(err.text());
    }
  }
  try {
    dm_.xarakt.open();
  } catch (const db::TableError& err) {
    prompts().message(err.text());
  }
}

}  // namespace korvel
