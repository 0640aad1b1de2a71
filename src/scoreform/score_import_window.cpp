#include "scoreform/score_import_window.h"

#include "ui/progress_window.h"
#include "ui/prompts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvel::scoreform {

namespace {

QTableWidget* table(QWidget* parent, const char* name, const QStringList& headers) {
  auto* t = new QTableWidget(0, int(headers.size()), parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setHorizontalHeaderLabels(headers);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->verticalHeader()->hide();
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

QListWidget* list(QWidget* parent, const char* name) {
  auto* l = new QListWidget(parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

void addRow(QTableWidget* t, const QStringList& cells) {
  const int row = t->rowCount();
  t->insertRow(row);
  for (int c = 0; c < cells.size(); ++c) {
    auto* item = new QTableWidgetItem(cells[c]);
    item->setToolTip(cells[c]);
    t->setItem(row, c, item);
  }
}

QString shownValue(const QString& value) { return value.isEmpty() ? QStringLiteral("(пусто)") : value; }

}  // namespace

ScoreImportWindow::ScoreImportWindow(const QString& fileName, Planner plan, Writer write, QWidget* parent)
    : KorvelDialog(parent), planner_(std::move(plan)), writer_(std::move(write)) {
  setObjectName(QStringLiteral("scoreImportWindow"));
  setWindowTitle(QStringLiteral("Загрузка оценок: %1").arg(fileName));
  resize(900, 600);
  auto* layout = new QVBoxLayout(this);

  summaryLabel = new QLabel(this);
  summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
  summaryLabel->setWordWrap(true);
  layout->addWidget(summaryLabel);

  pages = new QTabWidget(this);
  pages->setObjectName(QStringLiteral("pages"));
  changesTable = table(pages, "changesTable", {QStringLiteral("Строка файла"), QStringLiteral("Корова"),
                                               QStringLiteral("Признак"), QStringLiteral("Было"), QStringLiteral("Станет")});
  refusedTable = table(pages, "refusedTable", {QStringLiteral("Строка файла"), QStringLiteral("Корова"), QStringLiteral("Причина")});
  unknownList = list(pages, "unknownList");
  notInFileList = list(pages, "notInFileList");
  pages->addTab(changesTable, {});
  pages->addTab(refusedTable, {});
  pages->addTab(unknownList, {});
  pages->addTab(notInFileList, {});
  layout->addWidget(pages, 1);

  emptyClearsBox = new QCheckBox(QStringLiteral("Пустая ячейка очищает оценку"), this);
  emptyClearsBox->setObjectName(QStringLiteral("emptyClearsBox"));
  layout->addWidget(emptyClearsBox);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  writeButton = new QPushButton(QStringLiteral("Записать"), this);
  writeButton->setObjectName(QStringLiteral("writeButton"));
  cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  // Enter writes nothing by accident: no button is the default; Escape closes the window.
  for (QPushButton* b : {writeButton, cancelButton}) {
    b->setAutoDefault(false);
    b->setMinimumWidth(120);
    buttons->addWidget(b);
  }
  layout->addLayout(buttons);

  onClick(writeButton, [this] { writeClicked(); });
  onClick(cancelButton, [this] { reject(); });
  onSignal(emptyClearsBox, &QCheckBox::toggled, this, emptyClearsBox->text(), [this] { replan(); });
  replan();
}

void ScoreImportWindow::replan() {
  options_.emptyClears = emptyClearsBox->isChecked();
  // Moved, never copied: the changes point into the plan's own columns.
  plan_ = planner_(options_);
  showPlan();
}

void ScoreImportWindow::showPlan() {
  const ImportPlan& p = plan_;
  int values = 0;
  changesTable->setRowCount(0);
  for (const CowChange& cow : p.changes) {
    bool first = true;
    for (const ValueChange& v : cow.changes) {
      addRow(changesTable, {first ? QString::number(cow.line) : QString(), first ? cow.name : QString(),
                            v.column ? v.column->name : QString(), shownValue(v.from), shownValue(v.to)});
      first = false;
      ++values;
    }
  }
  refusedTable->setRowCount(0);
  for (const RefusedRow& r : p.refused) addRow(refusedTable, {QString::number(r.line), r.cow, r.reason});
  unknownList->clear();
  unknownList->addItems(QStringList(p.unknownColumns.begin(), p.unknownColumns.end()));
  notInFileList->clear();
  notInFileList->addItems(QStringList(p.cowsNotInFile.begin(), p.cowsNotInFile.end()));
  for (QTableWidget* t : {changesTable, refusedTable}) t->resizeColumnsToContents();

  pages->setTabText(0, QStringLiteral("Изменения (%1)").arg(p.changes.size()));
  pages->setTabText(1, QStringLiteral("Отклоненные строки (%1)").arg(p.refused.size()));
  pages->setTabText(2, QStringLiteral("Неизвестные столбцы (%1)").arg(p.unknownColumns.size()));
  pages->setTabText(3, QStringLiteral("Нет в файле (%1)").arg(p.cowsNotInFile.size()));

  ImportOptions accepted = options_;
  accepted.skipRefused = true;
  const bool something = p.writable(accepted);
  writeButton->setEnabled(something);
  summaryLabel->setText(
      QStringLiteral("Прочитано строк: %1. Изменятся оценки коров: %2 (значений: %3), без изменений: %4. "
                     "Отклонено строк: %5, неизвестных столбцов: %6, коров хозяйств нет в файле: %7.\n")
          .arg(p.rowsRead).arg(p.changes.size()).arg(values).arg(p.unchangedCows)
          .arg(p.refused.size()).arg(p.unknownColumns.size()).arg(p.cowsNotInFile.size()) +
      (something ? QStringLiteral("Ничего не записано. Оценки запишутся кнопкой «Записать».")
                 : QStringLiteral("Записывать нечего: ни одна оценка не изменится.")));
  // The first page with something on it: what will change, else why nothing will.
  const int shown[] = {int(p.changes.size()), int(p.refused.size()), int(p.unknownColumns.size()), int(p.cowsNotInFile.size())};
  for (int page = 0; page < 4; ++page)
    if (shown[page]) {
      pages->setCurrentIndex(page);
      break;
    }
}

void ScoreImportWindow::writeClicked() {
  ImportOptions options = options_;
  if (!plan_.writable(options)) {
    options.skipRefused = true;
    if (!plan_.writable(options)) return;
    if (!prompts().askYesNo(
            QStringLiteral("Отклонено строк: %1, неизвестных столбцов: %2; они не будут записаны.\n"
                           "Записать остальные изменения (оценки коров: %3)?")
                .arg(plan_.refused.size()).arg(plan_.unknownColumns.size()).arg(plan_.changes.size())))
      return;
  }
  ImportResult written;
  {
    // Shown only when the writing takes longer than a moment.
    ProgressWindow progress(this, QStringLiteral("Загрузка оценок"), QStringLiteral("Запись оценок коров..."), 700, 1000);
    written = writer_(plan_, [&progress](int done, int total) {
      const int value = total > 0 ? int(qint64(done) * 1000 / total) : 0;
      if (value != progress.value()) progress.setValue(value);
    });
  }
  result_ = written;
  prompts().message(QStringLiteral("Оценки записаны. Коров: %1, пересчитаны показатели быков: %2.")
                        .arg(written.cowsWritten).arg(written.bullsRecomputed));
  accept();
}

}  // namespace korvel::scoreform
