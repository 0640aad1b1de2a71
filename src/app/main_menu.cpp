#include "app/main_menu.h"

#include "db/journal.h"

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

TForm1::TForm1(TDataModule5& dm, QWidget* parent) : QWidget(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Корвель"));

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image2 = new QLabel(this);
  Image2->setObjectName(QStringLiteral("Image2"));
  // The two decorative pictures; a folder without them shows none, without a message.
  QLabel* const images[] = {Image1, Image2};
  for (int i = 0; i < 2; ++i) {
    images[i]->setAlignment(Qt::AlignCenter);
    images[i]->setMinimumHeight(150);
    const QImage picture = decodeJpeg(QDir(dm.workDir()).filePath(mainPicturePath(i + 1)));
    if (!picture.isNull()) images[i]->setPixmap(QPixmap::fromImage(picture.scaled(480, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }

  Button1 = makeButton("Button1", QStringLiteral(" Породы. Отчеты по быкам-производителям "));
  Button3 = makeButton("Button3", QStringLiteral("РЕГИОНЫ"));
  Button4 = makeButton("Button4", QStringLiteral("Владельцы, Хозяйства"));
  Button5 = makeButton("Button5", QStringLiteral("быки"));
  Button6 = makeButton("Button6", QStringLiteral("коровы"));
  Button8 = makeButton("Button8", QStringLiteral("Создание архива на внешнем носителе"));
  Button9 = makeButton("Button9", QStringLiteral("Восстановление данных с внешнего носителя"));
  Button10 = makeButton("Button10", QStringLiteral("Инструкция по сохранению / восстановлению данных"));
  Button16 = makeButton("Button16", QStringLiteral("Инструкция по работе с породами "));
  Button11 = makeButton("Button11", QStringLiteral("Инструкция по работе с регионами"));
  Button12 = makeButton("Button12", QStringLiteral("Инструкция по работе с владельцами (хозяйствами)"));
  Button14 = makeButton("Button14", QStringLiteral("Инструкция по работе с быками-производителями"));
  Button15 = makeButton("Button15", QStringLiteral("Инструкция по работе с карточками коров"));
  Button13 = makeButton("Button13", QStringLiteral("Инструкция по получению отчетов"));

  // Reference data and herd in the first column, the instructions in the second.
  auto* grid = new QGridLayout;
  QPushButton* const left[] = {Button1, Button3, Button4, Button5, Button6, Button8, Button9};
  QPushButton* const right[] = {Button16, Button13, Button11, Button12, Button14, Button15, Button10};
  for (int i = 0; i < 7; ++i) {
    grid->addWidget(left[i], i, 0);
    grid->addWidget(right[i], i, 1);
  }
  auto* pictures = new QHBoxLayout;
  pictures->addWidget(Image1);
  pictures->addWidget(Image2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pictures);
  layout->addLayout(grid);
  layout->addStretch();

  Forms& f = forms();
  onClick(Button1, [&f] {
    f.Form10->setWindowTitle(QStringLiteral("Породы"));
    f.Form10->exec();
  });
  onClick(Button3, [&f] {
    f.Form6->setWindowTitle(QStringLiteral("Работа с регионами"));
    f.Form6->exec();
  });
  onClick(Button4, [&f] {
    f.Form8->setWindowTitle(QStringLiteral("Работа с владельцами (хозяйствами)"));
    f.Form8->exec();
  });
  onClick(Button5, [&f] {
    f.Form4->setWindowTitle(QStringLiteral("Быки"));
    f.Form4->exec();
  });
  onClick(Button6, [&f] { f.Form9->exec(); });
  onClick(Button8, [&f] { f.Form16->exec(); });
  onClick(Button9, [&f] { f.Form17->exec(); });
  const std::pair<QPushButton*, int> instructions[] = {{Button10, 1}, {Button16, 2}, {Button11, 3}, {Button12, 4},
                                                       {Button14, 5}, {Button15, 6}, {Button13, 7}};
  for (const auto& [button, selector] : instructions) onClick(button, [this, selector] { showInstruction(selector); });
}

QPushButton* TForm1::makeButton(const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, this);
  b->setObjectName(QString::fromLatin1(name));
  b->setMinimumHeight(40);
  return b;
}

void TForm1::showInstruction(int selector) {
  instructionSelector = selector;
  forms().Form18->exec();
}

void TForm1::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (shown_ || e->spontaneous()) return;
  shown_ = true;
  // The activation may tell of a table that cannot be opened: its message comes over the
  // menu as drawn on the screen, not over a window not yet mapped. It waits for the window's
  // first exposure, whose painting is done before the queued activation runs.
  windowHandle()->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* o, QEvent* e) {
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

void TForm1::FormActivate() {
  activated_ = true;
  setWindowTitle(QStringLiteral("Корвель"));
  move(0, 0);
  resize(1024, 736);
  dm_.clearRefreshFlags();
  // Each table on its own: one that cannot be opened is reported and the others still open,
  // so the menu stays usable.
  for (db::Table* t : {&dm_.Table1, &dm_.vlad2, &dm_.poroda}) {
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
