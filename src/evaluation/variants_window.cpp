#include "evaluation/variants_window.h"

#include "db/data_module.h"
#include "db/schema.h"
#include "evaluation/desktop_open.h"
#include "evaluation/hand_over.h"
#include "evaluation/profile_pdf.h"
#include "evaluation/profile_workbook.h"
#include "evaluation/sire_statistics.h"
#include "ui/progress_window.h"
#include "ui/prompts.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

namespace korvel {

namespace {

QRadioButton* option(QGroupBox* box, const char* name, const QString& caption) {
  auto* b = new QRadioButton(caption, box);
  b->setObjectName(QString::fromLatin1(name));
  box->layout()->addWidget(b);
  return b;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& caption) {
  auto* g = new QGroupBox(caption, parent);
  g->setObjectName(QString::fromLatin1(name));
  auto* l = new QVBoxLayout(g);
  l->setSpacing(14);
  return g;
}

// The progress of a run: the scan over the cows, then the sheets. Shown only when the run
// takes longer than a moment, and gone for good before any message of the run.
class RunProgress {
 public:
  RunProgress(QWidget* parent, int delayMs, bool catalogue)
      : dialog_(std::make_unique<ProgressWindow>(parent, QStringLiteral("Расчет характеристик быков-производителей"),
                                                 QStringLiteral("Просмотр записей коров..."), delayMs, kSteps)),
        catalogue_(catalogue) {
    dialog_->setObjectName(QStringLiteral("RunProgress"));
  }
  // The scan fills the first half of the bar, the sheets the second.
  void scanned(qint64 done, qint64 total) { show(total ? int(done * (kSteps / 2) / total) : 0); }
  void sheetsDone(int done, int total) {
    if (done == 1 && dialog_)
      dialog_->setLabelText(catalogue_ ? QStringLiteral("Заполнение страниц профилей...")
                                       : QStringLiteral("Заполнение листов книги..."));
    show(kSteps / 2 + (total ? int(qint64(done) * (kSteps / 2) / total) : 0));
  }
  void saving() {
    if (dialog_) dialog_->setLabelText(catalogue_ ? QStringLiteral("Запись файла PDF...") : QStringLiteral("Запись книги..."));
    show(kSteps);
  }
  // Before a message: the run's work is over. The window goes with its timer, which would
  // otherwise still show it, after its delay, over the message.
  void done() { dialog_.reset(); }

 private:
  static constexpr int kSteps = 1000;
  void show(int value) {
    if (dialog_ && value != dialog_->value()) dialog_->setValue(value);
  }
  std::unique_ptr<ProgressWindow> dialog_;
  bool catalogue_;
};

// Marks the window's run from its start to its end, however it ends.
class RunMark {
 public:
  RunMark(bool& running, QWidget* startButton) : running_(running), button_(startButton) {
    running_ = true;
    button_->setEnabled(false);
  }
  ~RunMark() {
    running_ = false;
    button_->setEnabled(true);
  }

 private:
  bool& running_;
  QWidget* button_;
};

// Closes the window when the run ends, however it ends.
struct CloseAtEnd {
  QDialog* window;
  ~CloseAtEnd() { window->close(); }
};

}  // namespace

CalculationVariantsWindow::CalculationVariantsWindow(HerdTables& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form12"));
  setWindowTitle(QStringLiteral("Выбор варианта расчета"));
  resize(979, 636);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 20);
  layout->setSpacing(18);

  comparisonBaseGroup = group(this, "GroupBox1", QStringLiteral("В качестве сравнительной базы надо учитывать (ВЫБЕРИТЕ!)"));
  baseAllWithArchivesOption = option(comparisonBaseGroup, "RadioButton4", QStringLiteral("ВСЕХ коров данной породы, ВКЛЮЧАЯ данные АРХИВОВ регионов"));
  baseAllWithoutArchivesOption = option(comparisonBaseGroup, "RadioButton5", QStringLiteral("ВСЕХ коров данной породы, КРОМЕ данных АРХИВОВ регионов"));
  baseRegionWithArchiveOption = option(comparisonBaseGroup, "RadioButton6", QStringLiteral("Коров данной породы ОДНОГО РЕГИОНА, ВКЛЮЧАЯ АРХИВ региона"));
  baseRegionWithoutArchiveOption = option(comparisonBaseGroup, "RadioButton13", QStringLiteral("Коров данной породы ОДНОГО региона, КРОМЕ данных его АРХИВА"));
  baseFarmOption = option(comparisonBaseGroup, "RadioButton14", QStringLiteral("Коров данной породы ОДНОГО ХОЗЯЙСТВА"));
  layout->addWidget(comparisonBaseGroup);

  siresGroup = group(this, "GroupBox2", QStringLiteral("Укажите, для каких быков-производителей данной породы надо произвести расчет"));
  siresAllWithArchiveOption = option(siresGroup, "RadioButton1", QStringLiteral("Для ВСЕХ быков-производителей ВЫБРАННОЙ ПОРОДЫ КОРОВ, включая архивных быков"));
  siresAllWithoutArchiveOption = option(siresGroup, "RadioButton2", QStringLiteral("Для ВСЕХ быков-производителей ВЫБРАННОЙ ПОРОДЫ КОРОВ, КРОМЕ архивных быков"));
  siresRegionWithArchiveOption = option(siresGroup, "RadioButton9", QStringLiteral("Для быков-производителей ВЫБРАННОЙ ПОРОДЫ КОРОВ из ОДНОГО РЕГИОНА, включая архивных быков"));
  siresRegionWithoutArchiveOption = option(siresGroup, "RadioButton3", QStringLiteral("Для быков-производителей ВЫБРАННОЙ ПОРОДЫ КОРОВ из одного региона, КРОМЕ архивных быков"));
  siresFarmOption = option(siresGroup, "RadioButton10", QStringLiteral("Для быков-производителей ВЫБРАННОЙ ПОРОДЫ КОРОВ ОДНОГО ХОЗЯЙСТВА"));
  singleBullOption = option(siresGroup, "RadioButton11", QStringLiteral("Только для одного конкретного быка"));
  layout->addWidget(siresGroup);

  pdfOption = new QCheckBox(QStringLiteral("Профили в PDF"), this);
  pdfOption->setObjectName(QStringLiteral("pdfOption"));
  pdfOption->setToolTip(QStringLiteral("Вместо книги с листом на каждого быка записать профили в файл PDF для "
                                       "просмотра и печати: содержание и по странице A4 на быка"));
  layout->addWidget(pdfOption);

  startButton = new QPushButton(QStringLiteral("Параметры расчета заданы. Начать расчет."), this);
  startButton->setObjectName(QStringLiteral("Button1"));
  startButton->setMinimumHeight(40);
  // Enter on an option does not start a run: only the button itself does.
  startButton->setAutoDefault(false);
  layout->addWidget(startButton);
  layout->addStretch();
  onClick(startButton, [this] { startClicked(); });

  outputFolder = profileFolder();
  openWorkbook = openInSpreadsheetApplication;
  openCatalogue = openInPdfViewer;
}

void CalculationVariantsWindow::FormActivate() {
  placeTopLeft();
  // Every opening starts from the first option of each group.
  siresAllWithArchiveOption->setChecked(true);
  baseAllWithArchivesOption->setChecked(true);
}

EvaluationRequest CalculationVariantsWindow::readOptions() {
  for (db::Table* t : {&dm_.poroda, &dm_.region, &dm_.vlad, &dm_.bik})
    if (!t->isOpen()) t->open();
  // A picker is not checked for a real choice: whatever row is current when it closes is taken.
  const auto current = [](db::Table& t, QStringView field) { return int(t.fieldByName(field).asInteger()); };
  EvaluationRequest r;
  r.breed = current(dm_.poroda, db::field::kodporod);

  if (baseAllWithoutArchivesOption->isChecked()) r.baseWithArchives = false;
  if (baseRegionWithArchiveOption->isChecked() || baseRegionWithoutArchiveOption->isChecked()) {
    prompts().showPicker(*pickers.regions, QStringLiteral("Выбор региона коров сравнительной базы. Выберите нужный регион и закройте это окно."));
    r.baseRegion = current(dm_.region, db::field::kodreg);
    r.baseWithArchives = baseRegionWithArchiveOption->isChecked();
  }
  if (baseFarmOption->isChecked()) {
    prompts().showPicker(*pickers.farms, QStringLiteral("Выбор владельца (хозяйства) коров сравнительной базы. Выберите нужного владельца и закройте это окно."));
    r.baseRegion = current(dm_.vlad, db::field::kodreg);
    r.baseFarm = current(dm_.vlad, db::field::kodvlad);
  }
  if (siresAllWithoutArchiveOption->isChecked()) r.bullsWithArchives = false;
  if (siresRegionWithArchiveOption->isChecked() || siresRegionWithoutArchiveOption->isChecked()) {
    prompts().showPicker(*pickers.regions, QStringLiteral("Выбор региона учитываемых БЫКОВ-ПРОИЗВОДИТЕЛЕЙ. Выберите нужный регион и закройте это окно."));
    r.bullRegion = current(dm_.region, db::field::kodreg);
    r.bullsWithArchives = siresRegionWithArchiveOption->isChecked();
  }
  if (siresFarmOption->isChecked()) {
    prompts().showPicker(*pickers.farms, QStringLiteral("Выбор владельца (хозяйства) БЫКОВ-ПРОИЗВОДИТЕЛЕЙ. Выберите нужного владельца и закройте это окно."));
    r.bullRegion = current(dm_.vlad, db::field::kodreg);
    r.bullFarm = current(dm_.vlad, db::field::kodvlad);
  }
  if (singleBullOption->isChecked()) {
    prompts().showPicker(*pickers.bulls, QStringLiteral("Выбор БЫКА-ПРОИЗВОДИТЕЛЯ для расчета характеристик. Выберите нужного быка и закройте это окно."));
    r.oneBull = true;
    r.bullCode = dm_.bik.fieldByName(db::field::kodbyk).asString().left(20);
  }
  return r;
}

void CalculationVariantsWindow::startClicked() {
  // A run is never entered again from inside itself (a click that reaches the window while
  // the run lets the events through).
  if (running_) return;
  const RunMark mark(running_, startButton);
  const CloseAtEnd closeAtEnd{this};
  lastWorkbook_.clear();
  guarded([this] {
    const EvaluationRequest request = readOptions();
    const EvaluationRun run(dm_);
    const bool catalogue = pdfOption->isChecked();
    RunProgress progress(this, progressDelayMs, catalogue);
    const SireEvaluation evaluation =
        scanSires(dm_, request, [&](qint64 done, qint64 total) { progress.scanned(done, total); });
    const EvaluationCheck check = checkEvaluation(evaluation);
    if (check != EvaluationCheck::Ok) {
      progress.done();
      prompts().message(checkMessage(check));
      return;
    }
    const ProfileNames names = readProfileNames(dm_, evaluation);
    const auto pageDone = [&](int done, int total) {
      progress.sheetsDone(done, total);
      if (done == total) progress.saving();
    };
    const auto write = [&](const QString& path) {
      if (catalogue) writeProfileCatalogue(evaluation, names, path, pageDone);
      else writeProfileWorkbook(evaluation, names, path, pageDone);
    };
    const QString fileName = profileFileName(names.breedName, QDateTime::currentDateTime(),
                                             catalogue ? QStringLiteral("pdf") : QStringLiteral("xlsx"));
    const HandOver result =
        handOverWorkbook(write, outputFolder, fileName, catalogue ? openCatalogue : openWorkbook);
    lastWorkbook_ = result.path;
    progress.done();
    prompts().message(handOverMessage(result, catalogue));
  }, startButton->text());
}

}  // namespace korvel
