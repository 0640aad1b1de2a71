#include "reference/farms_window.h"

#include "db/data_module.h"
#include "db/freeze.h"
#include "db/journal.h"
#include "db/schema.h"
#include "db/table_error.h"
#include "reference/farm_removal.h"
#include "reference/farms.h"
#include "reference/herd_context.h"
#include "ui/db_grid.h"
#include "ui/prompts.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWindow>

namespace korvel {
namespace {

QString archiveWordRefused() {
  return QStringLiteral(
      "Слово АРХИВ в названии хозяйства недопустимо. Архив региона создается специальной клавишей. Архив в регионе "
      "только один!");
}

QString duplicateFarm() { return QStringLiteral("Такой владелец (хозяйство) уже есть... повтор недопустим."); }

void showOutcome(NameOutcome outcome) {
  if (outcome == NameOutcome::ArchiveWord) prompts().message(archiveWordRefused());
  if (outcome == NameOutcome::Duplicate) prompts().message(duplicateFarm());
  if (outcome == NameOutcome::Empty) prompts().message(emptyNameMessage());
}

}  // namespace

FarmsWindow::FarmsWindow(HerdTables& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form8"));
  setWindowTitle(QStringLiteral("Работа с владельцами (хозяйствами)"));

  regionLabel = new QLabel(QStringLiteral("Регион: "), this);
  regionLabel->setObjectName(QStringLiteral("Label1"));
  QFont big = regionLabel->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  regionLabel->setFont(big);
  regionLabel->setAutoFillBackground(true);
  QPalette cyan = regionLabel->palette();
  cyan.setColor(QPalette::Window, Qt::cyan);
  cyan.setColor(QPalette::WindowText, Qt::black);
  regionLabel->setPalette(cyan);
  regionLabel->setMargin(4);

  farmList = new DBGrid(dm.farmsSource, {{QStringLiteral("vlad"), QStringLiteral("Владельцы (хозяйства)")}}, this);

  auto makeButton = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumHeight(36);
    // A hidden button keeps its place, so that the others never move under the mouse.
    QSizePolicy keepPlace = b->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    b->setSizePolicy(keepPlace);
    // Enter in the list presses nothing: only a click or Space on a button acts.
    b->setAutoDefault(false);
    return b;
  };
  auto handle = [this](QPushButton* b, void (FarmsWindow::*handler)()) { onClick(b, [this, handler] { (this->*handler)(); }); };
  chooseRegionButton = makeButton("Button1", QStringLiteral("Указать / изменить регион"));
  addFarmButton = makeButton("Button2", QStringLiteral("Добавить владельца (хозяйство)"));
  createArchiveButton = makeButton("Button9", QStringLiteral("Создать архив региона"));
  renameFarmButton = makeButton("Button3", QStringLiteral("Уточнить наименование хозяйства"));
  selectButton = makeButton("Button5", QStringLiteral("Выделить"));
  clearSelectionButton = makeButton("Button6", QStringLiteral("Отменить выделение"));
  deleteFarmButton = makeButton("Button4", QStringLiteral("Удалить хозяйство"));
  targetChosenButton = makeButton("Button8", QStringLiteral("Выбор нового хозяйства для животных ВЫПОЛНЕН!"));
  QPalette red = targetChosenButton->palette();
  red.setColor(QPalette::ButtonText, Qt::red);
  targetChosenButton->setPalette(red);
  targetChosenButton->hide();
  handle(chooseRegionButton, &FarmsWindow::chooseRegionClicked);
  handle(addFarmButton, &FarmsWindow::addFarmClicked);
  handle(createArchiveButton, &FarmsWindow::createArchiveClicked);
  handle(renameFarmButton, &FarmsWindow::renameFarmClicked);
  handle(selectButton, &FarmsWindow::selectClicked);
  handle(clearSelectionButton, &FarmsWindow::clearSelectionClicked);
  handle(deleteFarmButton, &FarmsWindow::deleteFarmClicked);
  handle(targetChosenButton, &FarmsWindow::targetChosenClicked);

  // The removal panel takes the list's place while a removal variant is chosen.
  removalPanel = new QGroupBox(this);
  removalPanel->setObjectName(QStringLiteral("GroupBox1"));
  removalPrompt = new QLabel(
      QStringLiteral("Выберите нужный параметр удаления хозяйства. Выбрав, нажмите  кнопку ВЫПОЛНИТЬ"), removalPanel);
  removalPrompt->setObjectName(QStringLiteral("Label3"));
  removalPrompt->setWordWrap(true);
  auto makeOption = [this](const char* name, const QString& caption) {
    auto* r = new QRadioButton(caption, removalPanel);
    r->setObjectName(QString::fromLatin1(name));
    return r;
  };
  cancelRemovalOption = makeOption("RadioButton1", QStringLiteral("Отменить удаление"));
  allToFarmOption = makeOption("RadioButton2",
                            QStringLiteral("Удалить хозяйство с переводом ВСЕХ животных в другое хозяйство"));
  cowsToFarmBullsFreedOption = makeOption("RadioButton5",
                            QStringLiteral("Удалить хозяйство и его БЫКОВ. Перевести КОРОВ в другое хозяйство"));
  allToArchiveOption = makeOption(
      "RadioButton3", QStringLiteral("Удалить хозяйство с переводом ВСЕХ животных в архив (для учета в статистике)"));
  cowsToArchiveBullsFreedOption = makeOption(
      "RadioButton4",
      QStringLiteral("Удалить хозяйство и его БЫКОВ. КОРОВ перевести в архив (для учета в статистике)"));
  allFreedOption = makeOption("RadioButton6", QStringLiteral("Удалить хозяйство и ВСЕХ его животных"));
  cancelRemovalOption->setChecked(true);
  executeRemovalButton = new QPushButton(QStringLiteral("ВЫПОЛНИТЬ"), removalPanel);
  executeRemovalButton->setObjectName(QStringLiteral("Button7"));
  executeRemovalButton->setMinimumHeight(36);
  executeRemovalButton->setAutoDefault(false);
  handle(executeRemovalButton, &FarmsWindow::executeRemovalClicked);
  auto* panel = new QVBoxLayout(removalPanel);
  panel->addWidget(removalPrompt);
  for (QRadioButton* r : {cancelRemovalOption, allToFarmOption, cowsToFarmBullsFreedOption, allToArchiveOption, cowsToArchiveBullsFreedOption, allFreedOption})
    panel->addWidget(r);
  panel->addWidget(executeRemovalButton);
  panel->addStretch();
  removalPanel->hide();

  // A column of fixed width, so that it stays put when the removal panel replaces the list.
  auto* column = new QWidget(this);
  column->setFixedWidth(360);
  auto* buttons = new QVBoxLayout(column);
  buttons->setContentsMargins(0, 0, 0, 0);
  for (QPushButton* b : {chooseRegionButton, addFarmButton, createArchiveButton, renameFarmButton, selectButton, clearSelectionButton, deleteFarmButton, targetChosenButton}) buttons->addWidget(b);
  buttons->addStretch();
  auto* list = new QVBoxLayout;
  list->addWidget(farmList);
  list->addWidget(removalPanel);
  auto* body = new QHBoxLayout;
  body->addLayout(list, 1);
  body->addWidget(column);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(regionLabel);
  layout->addLayout(body, 1);
}

FarmsWindow::~FarmsWindow() = default;

void FarmsWindow::FormActivate() {
  placeTopLeft();
  dm_.region.open();
  dm_.vlad.open();
  if (ensureFirstRegion(dm_)) prompts().message(noRegionsMessage());
  dm_.region.first();
  showCurrentRegion();
}

void FarmsWindow::showCurrentRegion() {
  regionCode_ = dm_.region.fieldByName(db::field::kodreg).asInteger();
  regionLabel->setText(QStringLiteral("Регион: ") + dm_.region.fieldByName(db::field::region).asString());
  showRegionFarms(dm_, regionCode_);
  refreshFarmButtons();
}

void FarmsWindow::refreshFarmButtons() {
  showFarmButtons();
  tellWhenNoFarms();
}

void FarmsWindow::tellWhenNoFarms() {
  if (dm_.vlad.isEmpty()) prompts().message(QStringLiteral("В этом регионе нет владельцев! Можно только добавить."));
}

void FarmsWindow::showFarmButtons() {
  const bool hasFarms = !dm_.vlad.isEmpty();
  removalPanel->hide();
  farmList->show();
  chooseRegionButton->show();
  addFarmButton->show();
  dm_.farmsSource.setReadOnly(true);
  renameFarmButton->setVisible(hasFarms);
  // While the target farm of a removal is chosen, no other farm may be removed.
  deleteFarmButton->setVisible(hasFarms && removalState_ == RemovalState::Browsing);
  selectButton->setVisible(hasFarms);
  clearSelectionButton->setVisible(hasFarms);
  createArchiveButton->setVisible(hasFarms && !listedFarms(dm_).archive);
}

void FarmsWindow::regionFromCurrentFarm() {
  if (dm_.vlad.recNo() > 0) regionCode_ = dm_.vlad.fieldByName(db::field::kodreg).asInteger();
}

void FarmsWindow::chooseRegionClicked() {
  prompts().showPicker(*pickers.regions, QStringLiteral("Выберите (или запишите новый) нужный регион и закройте это окно"));
  showCurrentRegion();
}

void FarmsWindow::addFarmClicked() {
  const QString typed =
      prompts().textInput(QStringLiteral("Введите название нового хозяйства (владельца) и закройте это окно"), {});
  const NameOutcome outcome = addFarm(dm_, regionCode_, typed);
  showOutcome(outcome);
  if (outcome != NameOutcome::Written) return;
  farmList->setFocus();
  refreshFarmButtons();
}

void FarmsWindow::createArchiveClicked() {
  farmList->setFocus();
  createArchiveFarm(dm_, regionCode_);
  refreshFarmButtons();
  dm_.farmsSource.setReadOnly(true);
  farmList->setFocus();
}

void FarmsWindow::renameFarmClicked() {
  db::Table& t = dm_.vlad;
  if (t.recNo() == 0) return;  // no farm to correct
  const QString current = t.fieldByName(db::field::vlad).asString();
  if (current == archiveFarmName()) {
    prompts().message(QStringLiteral("Изменять название архива региона НЕЛЬЗЯ!"));
    return;
  }
  const QString typed = prompts().textInput(
      QStringLiteral("Уточните (исправьте) название хозяйства (владельца) и закройте это окно"), current);
  const long long farmCode = t.fieldByName(db::field::kodvlad).asInteger();
  const NameOutcome outcome = renameFarm(dm_, regionCode_, farmCode, typed);
  showOutcome(outcome);
  if (outcome == NameOutcome::Written) farmList->setFocus();
}

void FarmsWindow::selectClicked() {
  const QString key = selectionKeyOf(prompts().selectionKey());
  regionFromCurrentFarm();
  switch (selectByKey(farmSelection(dm_, regionCode_), key)) {
    case SelectionOutcome::NoKey: break;
    case SelectionOutcome::Selected: farmList->setFocus(); break;
    case SelectionOutcome::NoMatch: prompts().message(noMatchingRecordsMessage()); break;
  }
}

void FarmsWindow::clearSelectionClicked() {
  regionFromCurrentFarm();
  {
    const db::Freeze frozen(dm_.farmsSource);
    filterRegionFarms(dm_, regionCode_);
  }
  farmList->setFocus();
}

}  // namespace korvel

namespace korvel {

// ---- Farm removal ----

void FarmsWindow::closeEvent(QCloseEvent* e) {
  // A removal under way is finished (or cancelled) with the window's own buttons only.
  if (removalState_ != RemovalState::Browsing) {
    e->ignore();
    tellHowToEndRemoval();
    return;
  }
  KorvelDialog::closeEvent(e);
}

void FarmsWindow::reject() {
  if (removalState_ != RemovalState::Browsing) {
    tellHowToEndRemoval();
    return;
  }
  KorvelDialog::reject();
}

void FarmsWindow::tellHowToEndRemoval() {
  // Escape and Alt+F4 arrive inside the key's or the window manager's event: the box opens
  // once that is handled.
  messageLater(this, removalState_ == RemovalState::ChoosingVariant
                         ? QStringLiteral("Сначала выберите вариант удаления и нажмите ВЫПОЛНИТЬ.")
                         : QStringLiteral("Сначала выберите хозяйство и нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ "
                                          "ЖИВОТНЫХ ВЫПОЛНЕН!"));
}

void FarmsWindow::setCloseBox(bool shown) {
  if (shown == !closeBoxRemoved_) return;
  Qt::WindowFlags flags;
  if (shown) {
    flags = flagsWithCloseBox_;
  } else {
    flagsWithCloseBox_ = windowFlags();
    flags = (flagsWithCloseBox_ | Qt::CustomizeWindowHint) & ~(Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
  }
  closeBoxRemoved_ = !shown;
  if (QWindow* w = windowHandle(); w && isVisible()) {
    // setWindowFlags() would hide the window and so end a modal run; the platform window
    // takes the new decorations as it stands.
    overrideWindowFlags(flags);
    w->setFlags(flags);
  } else {
    setWindowFlags(flags);
  }
}

RemovalVariant FarmsWindow::chosenVariant() const {
  if (allToFarmOption->isChecked()) return RemovalVariant::AllToFarm;
  if (cowsToFarmBullsFreedOption->isChecked()) return RemovalVariant::CowsToFarmBullsFreed;
  if (allToArchiveOption->isChecked()) return RemovalVariant::AllToArchive;
  if (cowsToArchiveBullsFreedOption->isChecked()) return RemovalVariant::CowsToArchiveBullsFreed;
  if (allFreedOption->isChecked()) return RemovalVariant::AllFreed;
  return RemovalVariant::Cancel;
}

void FarmsWindow::deleteFarmClicked() {
  db::Table& t = dm_.vlad;
  if (t.recNo() == 0) return;  // no farm listed
  const QString caption = QStringLiteral("Удаление хозяйства ") + QLatin1Char('"') + t.fieldByName(db::field::vlad).asString() +
                        QLatin1Char('"') + QStringLiteral(", находящегося в регионе: ") +
                        dm_.region.fieldByName(db::field::region).asString();
  // A long farm name must not widen the window past the screen: the panel takes the list's
  // place and width, and the middle of the caption gives way.
  removalPanel->setTitle(removalPanel->fontMetrics().elidedText(caption, Qt::ElideMiddle, farmList->width() - 24));
  removalPanel->setToolTip(caption);
  farmToDelete_ = {t.fieldByName(db::field::kodreg).asInteger(), t.fieldByName(db::field::kodvlad).asInteger()};
  cancelRemovalOption->setChecked(true);
  setRemovalState(RemovalState::ChoosingVariant);
}

void FarmsWindow::setRemovalState(RemovalState state) {
  // The caption asks for the target farm only while it is being chosen.
  if (state == RemovalState::ChoosingTarget && removalState_ != RemovalState::ChoosingTarget) {
    captionBeforeTarget_ = windowTitle();
    setWindowTitle(QStringLiteral("Выбор хозяйства, в которое будут переведены животные."));
  } else if (state != RemovalState::ChoosingTarget && removalState_ == RemovalState::ChoosingTarget) {
    setWindowTitle(captionBeforeTarget_);
  }
  removalState_ = state;
  setCloseBox(state == RemovalState::Browsing);
  targetChosenButton->setVisible(state == RemovalState::ChoosingTarget);
  if (state == RemovalState::ChoosingVariant) {
    for (QWidget* w : std::initializer_list<QWidget*>{farmList, chooseRegionButton, addFarmButton, renameFarmButton, deleteFarmButton, selectButton, clearSelectionButton, createArchiveButton})
      w->hide();
    removalPanel->show();
    return;
  }
  showFarmButtons();
}

void FarmsWindow::deleteFarmRow() {
  db::Table& t = dm_.vlad;
  auto isFarmToDelete = [&] {
    return t.recNo() > 0 && t.fieldByName(db::field::kodreg).asInteger() == farmToDelete_.region &&
           t.fieldByName(db::field::kodvlad).asInteger() == farmToDelete_.farm;
  };
  if (!isFarmToDelete())
    for (t.first(); !t.eof() && !isFarmToDelete();) t.next();
  if (isFarmToDelete()) t.deleteRecord();
}

void FarmsWindow::endRemoval() {
  if (removal_) {
    try {
      removal_->rollback();
    } catch (const db::TableError&) {
      // The journal stays in the folder and the next start puts the tables back.
    }
    removal_.reset();
  }
  guarded([this] { setRemovalState(RemovalState::Browsing); });
}

void FarmsWindow::executeRemovalClicked() {
  removalPanel->hide();
  variant_ = chosenVariant();
  try {
    if (variant_ != RemovalVariant::Cancel) {
      db::Table& t = dm_.vlad;
      const bool onFarm = t.recNo() > 0 && t.fieldByName(db::field::kodreg).asInteger() == farmToDelete_.region &&
                          t.fieldByName(db::field::kodvlad).asInteger() == farmToDelete_.farm;
      removal_ = std::make_unique<db::JournalScope>(
          dm_.workDir(), onFarm ? QStringLiteral("удаление хозяйства \"%1\"").arg(t.fieldByName(db::field::vlad).asString().trimmed())
                                : QStringLiteral("удаление хозяйства"));
      deleteFarmRow();
      if (needsChosenFarm(variant_)) {
        prompts().message(QStringLiteral(
            "Выберите нужное хозяйство, затем нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ ЖИВОТНЫХ ВЫПОЛНЕН!"));
        setRemovalState(RemovalState::ChoosingTarget);
        tellWhenNoFarms();
        return;
      }
      FarmKey target;
      if (movesToArchive(variant_)) target = ensureRegionArchive(dm_, farmToDelete_.region);
      transferAnimals(target);
      return;
    }
  } catch (...) {
    endRemoval();
    throw;
  }
  setRemovalState(RemovalState::Browsing);
}

void FarmsWindow::targetChosenClicked() {
  db::Table& t = dm_.vlad;
  if (t.isEmpty() || t.recNo() == 0) {
    // Without a listed farm the animals would be freed instead of moved.
    prompts().message(QStringLiteral(
        "В этом регионе нет хозяйства, в которое можно перевести животных! Выберите другой регион или добавьте "
        "хозяйство, затем нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ ЖИВОТНЫХ ВЫПОЛНЕН!"));
    return;
  }
  const FarmKey target{t.fieldByName(db::field::kodreg).asInteger(), t.fieldByName(db::field::kodvlad).asInteger()};
  try {
    transferAnimals(target);
  } catch (...) {
    endRemoval();
    throw;
  }
}

void FarmsWindow::transferAnimals(const FarmKey& target) {
  dm_.farmsSource.setReadOnly(true);
  transferFarmAnimals(dm_, farmToDelete_, variant_, target);
  removal_->commit();
  removal_.reset();
  setRemovalState(RemovalState::Browsing);
  prompts().message(removalDoneMessage(variant_));
  tellWhenNoFarms();
}

}  // namespace korvel
