#include "reference/farms_window.h"

#include "db/data_module.h"
#include "db/journal.h"
#include "db/table_error.h"
#include "reference/farm_removal.h"
#include "reference/farms.h"
#include "reference/herd_context.h"
#include "reference/regions_window.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
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

TForm8::TForm8(TDataModule5& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form8"));
  setWindowTitle(QStringLiteral("Работа с владельцами (хозяйствами)"));

  Label1 = new QLabel(QStringLiteral("Регион: "), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont big = Label1->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  Label1->setFont(big);
  Label1->setAutoFillBackground(true);
  QPalette cyan = Label1->palette();
  cyan.setColor(QPalette::Window, Qt::cyan);
  cyan.setColor(QPalette::WindowText, Qt::black);
  Label1->setPalette(cyan);
  Label1->setMargin(4);

  DBGrid1 = new DBGrid(dm.DataSource2, {{QStringLiteral("vlad"), QStringLiteral("Владельцы (хозяйства)")}}, this);

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
  auto handle = [this](QPushButton* b, void (TForm8::*handler)()) { onClick(b, [this, handler] { (this->*handler)(); }); };
  Button1 = makeButton("Button1", QStringLiteral("Указать / изменить регион"));
  Button2 = makeButton("Button2", QStringLiteral("Добавить владельца (хозяйство)"));
  Button9 = makeButton("Button9", QStringLiteral("Создать архив региона"));
  Button3 = makeButton("Button3", QStringLiteral("Уточнить наименование хозяйства"));
  Button5 = makeButton("Button5", QStringLiteral("Выделить"));
  Button6 = makeButton("Button6", QStringLiteral("Отменить выделение"));
  Button4 = makeButton("Button4", QStringLiteral("Удалить хозяйство"));
  Button8 = makeButton("Button8", QStringLiteral("Выбор нового хозяйства для животных ВЫПОЛНЕН!"));
  QPalette red = Button8->palette();
  red.setColor(QPalette::ButtonText, Qt::red);
  Button8->setPalette(red);
  Button8->hide();
  handle(Button1, &TForm8::Button1Click);
  handle(Button2, &TForm8::Button2Click);
  handle(Button9, &TForm8::Button9Click);
  handle(Button3, &TForm8::Button3Click);
  handle(Button5, &TForm8::Button5Click);
  handle(Button6, &TForm8::Button6Click);
  handle(Button4, &TForm8::Button4Click);
  handle(Button8, &TForm8::Button8Click);

  // The removal panel takes the list's place while a removal variant is chosen.
  GroupBox1 = new QGroupBox(this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  Label3 = new QLabel(
      QStringLiteral("Выберите нужный параметр удаления хозяйства. Выбрав, нажмите  кнопку ВЫПОЛНИТЬ"), GroupBox1);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setWordWrap(true);
  auto makeOption = [this](const char* name, const QString& caption) {
    auto* r = new QRadioButton(caption, GroupBox1);
    r->setObjectName(QString::fromLatin1(name));
    return r;
  };
  RadioButton1 = makeOption("RadioButton1", QStringLiteral("Отменить удаление"));
  RadioButton2 = makeOption("RadioButton2",
                            QStringLiteral("Удалить хозяйство с переводом ВСЕХ животных в другое хозяйство"));
  RadioButton5 = makeOption("RadioButton5",
                            QStringLiteral("Удалить хозяйство и его БЫКОВ. Перевести КОРОВ в другое хозяйство"));
  RadioButton3 = makeOption(
      "RadioButton3", QStringLiteral("Удалить хозяйство с переводом ВСЕХ животных в архив (для учета в статистике)"));
  RadioButton4 = makeOption(
      "RadioButton4",
      QStringLiteral("Удалить хозяйство и его БЫКОВ. КОРОВ перевести в архив (для учета в статистике)"));
  RadioButton6 = makeOption("RadioButton6", QStringLiteral("Удалить хозяйство и ВСЕХ его животных"));
  RadioButton1->setChecked(true);
  Button7 = new QPushButton(QStringLiteral("ВЫПОЛНИТЬ"), GroupBox1);
  Button7->setObjectName(QStringLiteral("Button7"));
  Button7->setMinimumHeight(36);
  Button7->setAutoDefault(false);
  handle(Button7, &TForm8::Button7Click);
  auto* panel = new QVBoxLayout(GroupBox1);
  panel->addWidget(Label3);
  for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton5, RadioButton3, RadioButton4, RadioButton6})
    panel->addWidget(r);
  panel->addWidget(Button7);
  panel->addStretch();
  GroupBox1->hide();

  // A column of fixed width, so that it stays put when the removal panel replaces the list.
  auto* column = new QWidget(this);
  column->setFixedWidth(360);
  auto* buttons = new QVBoxLayout(column);
  buttons->setContentsMargins(0, 0, 0, 0);
  for (QPushButton* b : {Button1, Button2, Button9, Button3, Button5, Button6, Button4, Button8}) buttons->addWidget(b);
  buttons->addStretch();
  auto* list = new QVBoxLayout;
  list->addWidget(DBGrid1);
  list->addWidget(GroupBox1);
  auto* body = new QHBoxLayout;
  body->addLayout(list, 1);
  body->addWidget(column);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addLayout(body, 1);
}

TForm8::~TForm8() = default;

void TForm8::FormActivate() {
  placeTopLeft();
  dm_.Table1.open();
  dm_.vlad2.open();
  if (ensureFirstRegion(dm_)) prompts().message(noRegionsMessage());
  dm_.Table1.first();
  showCurrentRegion();
}

void TForm8::showCurrentRegion() {
  regionCode_ = dm_.Table1.fieldByName(u"kodreg").asInteger();
  Label1->setText(QStringLiteral("Регион: ") + dm_.Table1.fieldByName(u"region").asString());
  showRegionFarms(dm_, regionCode_);
  refreshFarmButtons();
}

void TForm8::refreshFarmButtons() {
  showFarmButtons();
  tellWhenNoFarms();
}

void TForm8::tellWhenNoFarms() {
  if (dm_.vlad2.isEmpty()) prompts().message(QStringLiteral("В этом регионе нет владельцев! Можно только добавить."));
}

void TForm8::showFarmButtons() {
  const bool hasFarms = !dm_.vlad2.isEmpty();
  GroupBox1->hide();
  DBGrid1->show();
  Button1->show();
  Button2->show();
  dm_.DataSource2.setReadOnly(true);
  Button3->setVisible(hasFarms);
  // While the target farm of a removal is chosen, no other farm may be removed.
  Button4->setVisible(hasFarms && removalState_ == RemovalState::Browsing);
  Button5->setVisible(hasFarms);
  Button6->setVisible(hasFarms);
  Button9->setVisible(hasFarms && !listedFarms(dm_).archive);
}

void TForm8::regionFromCurrentFarm() {
  if (dm_.vlad2.recNo() > 0) regionCode_ = dm_.vlad2.fieldByName(u"kodreg").asInteger();
}

void TForm8::Button1Click() {
  prompts().showPicker(*forms().Form6, QStringLiteral("Выберите (или запишите новый) нужный регион и закройте это окно"));
  showCurrentRegion();
}

void TForm8::Button2Click() {
  const QString typed =
      prompts().textInput(QStringLiteral("Введите название нового хозяйства (владельца) и закройте это окно"), {});
  const NameOutcome outcome = addFarm(dm_, regionCode_, typed);
  showOutcome(outcome);
  if (outcome != NameOutcome::Written) return;
  DBGrid1->setFocus();
  refreshFarmButtons();
}

void TForm8::Button9Click() {
  DBGrid1->setFocus();
  createArchiveFarm(dm_, regionCode_);
  refreshFarmButtons();
  dm_.DataSource2.setReadOnly(true);
  DBGrid1->setFocus();
}

void TForm8::Button3Click() {
  db::Table& t = dm_.vlad2;
  if (t.recNo() == 0) return;  // no farm to correct
  const QString current = t.fieldByName(u"vlad").asString();
  if (current == archiveFarmName()) {
    prompts().message(QStringLiteral("Изменять название архива региона НЕЛЬЗЯ!"));
    return;
  }
  const QString typed = prompts().textInput(
      QStringLiteral("Уточните (исправьте) название хозяйства (владельца) и закройте это окно"), current);
  const long long farmCode = t.fieldByName(u"kodvlad").asInteger();
  const NameOutcome outcome = renameFarm(dm_, regionCode_, farmCode, typed);
  showOutcome(outcome);
  if (outcome == NameOutcome::Written) DBGrid1->setFocus();
}

void TForm8::Button5Click() {
  const QString key = selectionKeyOf(prompts().selectionKey());
  regionFromCurrentFarm();
  switch (selectByKey(farmSelection(dm_, regionCode_), key)) {
    case SelectionOutcome::NoKey: break;
    case SelectionOutcome::Selected: DBGrid1->setFocus(); break;
    case SelectionOutcome::NoMatch: prompts().message(noMatchingRecordsMessage()); break;
  }
}

void TForm8::Button6Click() {
  regionFromCurrentFarm();
  {
    const db::Freeze frozen(dm_.DataSource2);
    filterRegionFarms(dm_, regionCode_);
  }
  DBGrid1->setFocus();
}

}  // namespace korvel

namespace korvel {

// ---- Farm removal ----

void TForm8::closeEvent(QCloseEvent* e) {
  // A removal under way is finished (or cancelled) with the window's own buttons only.
  if (removalState_ != RemovalState::Browsing) {
    e->ignore();
    tellHowToEndRemoval();
    return;
  }
  KorvelDialog::closeEvent(e);
}

void TForm8::reject() {
  if (removalState_ != RemovalState::Browsing) {
    tellHowToEndRemoval();
    return;
  }
  KorvelDialog::reject();
}

void TForm8::tellHowToEndRemoval() {
  // Escape and Alt+F4 arrive inside the key's or the window manager's event: the box opens
  // once that is handled.
  messageLater(this, removalState_ == RemovalState::ChoosingVariant
                         ? QStringLiteral("Сначала выберите вариант удаления и нажмите ВЫПОЛНИТЬ.")
                         : QStringLiteral("Сначала выберите хозяйство и нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ "
                                          "ЖИВОТНЫХ ВЫПОЛНЕН!"));
}

void TForm8::setCloseBox(bool shown) {
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

RemovalVariant TForm8::chosenVariant() const {
  if (RadioButton2->isChecked()) return RemovalVariant::AllToFarm;
  if (RadioButton5->isChecked()) return RemovalVariant::CowsToFarmBullsFreed;
  if (RadioButton3->isChecked()) return RemovalVariant::AllToArchive;
  if (RadioButton4->isChecked()) return RemovalVariant::CowsToArchiveBullsFreed;
  if (RadioButton6->isChecked()) return RemovalVariant::AllFreed;
  return RemovalVariant::Cancel;
}

void TForm8::Button4Click() {
  db::Table& t = dm_.vlad2;
  if (t.recNo() == 0) return;  // no farm listed
  const QString caption = QStringLiteral("Удаление хозяйства ") + QLatin1Char('"') + t.fieldByName(u"vlad").asString() +
                        QLatin1Char('"') + QStringLiteral(", находящегося в регионе: ") +
                        dm_.Table1.fieldByName(u"region").asString();
  // A long farm name must not widen the window past the screen: the panel takes the list's
  // place and width, and the middle of the caption gives way.
  GroupBox1->setTitle(GroupBox1->fontMetrics().elidedText(caption, Qt::ElideMiddle, DBGrid1->width() - 24));
  GroupBox1->setToolTip(caption);
  farmToDelete_ = {t.fieldByName(u"kodreg").asInteger(), t.fieldByName(u"kodvlad").asInteger()};
  RadioButton1->setChecked(true);
  setRemovalState(RemovalState::ChoosingVariant);
}

void TForm8::setRemovalState(RemovalState state) {
  // The caption asks for the target farm only while it is being chosen.
  if (state == RemovalState::ChoosingTarget && removalState_ != RemovalState::ChoosingTarget) {
    captionBeforeTarget_ = windowTitle();
    setWindowTitle(QStringLiteral("Выбор хозяйства, в которое будут переведены животные."));
  } else if (state != RemovalState::ChoosingTarget && removalState_ == RemovalState::ChoosingTarget) {
    setWindowTitle(captionBeforeTarget_);
  }
  removalState_ = state;
  setCloseBox(state == RemovalState::Browsing);
  Button8->setVisible(state == RemovalState::ChoosingTarget);
  if (state == RemovalState::ChoosingVariant) {
    for (QWidget* w : std::initializer_list<QWidget*>{DBGrid1, Button1, Button2, Button3, Button4, Button5, Button6, Button9})
      w->hide();
    GroupBox1->show();
    return;
  }
  showFarmButtons();
}

void TForm8::deleteFarmRow() {
  db::Table& t = dm_.vlad2;
  auto isFarmToDelete = [&] {
    return t.recNo() > 0 && t.fieldByName(u"kodreg").asInteger() == farmToDelete_.region &&
           t.fieldByName(u"kodvlad").asInteger() == farmToDelete_.farm;
  };
  if (!isFarmToDelete())
    for (t.first(); !t.eof() && !isFarmToDelete();) t.next();
  if (isFarmToDelete()) t.deleteRecord();
}

void TForm8::endRemoval() {
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

void TForm8::Button7Click() {
  GroupBox1->hide();
  variant_ = chosenVariant();
  try {
    if (variant_ != RemovalVariant::Cancel) {
      removal_ = std::make_unique<db::JournalScope>(dm_.workDir());
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

void TForm8::Button8Click() {
  db::Table& t = dm_.vlad2;
  if (t.isEmpty() || t.recNo() == 0) {
    // Without a listed farm the animals would be freed instead of moved.
    prompts().message(QStringLiteral(
        "В этом регионе нет хозяйства, в которое можно перевести животных! Выберите другой регион или добавьте "
        "хозяйство, затем нажмите кнопку ВЫБОР НОВОГО ХОЗЯЙСТВА ДЛЯ ЖИВОТНЫХ ВЫПОЛНЕН!"));
    return;
  }
  const FarmKey target{t.fieldByName(u"kodreg").asInteger(), t.fieldByName(u"kodvlad").asInteger()};
  try {
    transferAnimals(target);
  } catch (...) {
    endRemoval();
    throw;
  }
}

void TForm8::transferAnimals(const FarmKey& target) {
  dm_.DataSource2.setReadOnly(true);
  transferFarmAnimals(dm_, farmToDelete_, variant_, target);
  removal_->commit();
  removal_.reset();
  setRemovalState(RemovalState::Browsing);
  prompts().message(removalDoneMessage(variant_));
  tellWhenNoFarms();
}

}  // namespace korvel
