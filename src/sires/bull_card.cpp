#include "sires/bull_card.h"

#include "cows/scoring.h"
#include "cows/trait_catalogue.h"
#include "db/data_module.h"
#include "db/rows.h"
#include "db/grid_model.h"
#include "db/journal.h"
#include "db/protected_scan.h"
#include "db/schema.h"
#include "db/text.h"
#include "sires/bull_figures.h"
#include "sires/bull_records.h"
#include "sires/string_grid.h"
#include "ui/db_grid.h"
#include "ui/prompts.h"
#include "ui/selection.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <algorithm>

namespace korvel {
namespace {

const QString kEmptyFarm = QStringLiteral("В этом хозяйстве нет записей быков. Можно только ДОБАВИТЬ!");
const QString kDuplicate = QStringLiteral("Такая кличка/идентификационный № уже есть... повтор недопустим.");
const QString kEmptyName = QStringLiteral("Кличка/идентификационный № не введены. Кличка не изменена.");
const QString kBreedPrefix = QStringLiteral("Порода (породность): ");

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w = -1) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  if (w < 0) {
    l->adjustSize();
    l->move(x, y);
  } else {
    l->setGeometry(x, y, w, l->sizeHint().height());
  }
  return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h = 25) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(x, y, w, h);
  b->setAutoDefault(false);
  return b;
}

QTableWidget* grid(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* g = new QTableWidget(parent);
  g->setObjectName(QString::fromLatin1(name));
  g->setGeometry(x, y, w, h);
  g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return g;
}

void colour(QLabel* l, const QColor& background) {
  l->setAutoFillBackground(true);
  QPalette p = l->palette();
  p.setColor(QPalette::Window, background);
  l->setPalette(p);
}

// Numbers with the decimal separator of the locale in force (the system's).
QString localDecimals(QString number) { return number.replace(QLatin1Char('.'), QLocale().decimalPoint()); }

// "0.00".
QString twoDecimals(double v) { return localDecimals(QString::number(v, 'f', 2)); }

// A mean in general number form, no longer than its value needs and never past two decimals,
// so that it shows whole in its column: 80, 66.5, 73.67.
QString generalNumber(double v) {
  QString s = QString::number(v, 'f', 2);
  while (s.endsWith(QLatin1Char('0'))) s.chop(1);
  if (s.endsWith(QLatin1Char('.'))) s.chop(1);
  return localDecimals(s);
}

// Fills a grid from the catalogue rows of one kind; a row naming no field stops the filling at
// that row and its error is passed on.
void fillGrid(QTableWidget* g, db::Table& xarakt, db::Table& korova, TraitKind kind,
              const std::function<QString(const TraitRow&)>& value) {
  std::vector<TraitRow> rows;
  std::optional<CatalogueError> error;
  try {
    rows = catalogueRows(xarakt, kind, &korova);
  } catch (const CatalogueError& e) {
    rows = e.rowsBefore;
    error = e;
  }
  for (const TraitRow& r : rows) appendGridRow(g, {r.xar, r.heading ? QString() : value(r)});
  if (error) throw *error;
}

}  // namespace

BullWindow::BullWindow(HerdTables& dm, QWidget* parent) : KorvelDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Быки"));
  resize(1024, 736);

  otherFarmButton = button(this, "Button3", QStringLiteral("Перейти к другому хозяйству"), 4, 4, 161);
  headerLabel = label(this, "Label3", QString(), 176, 8, 820);
  colour(headerLabel, Qt::yellow);
  headerLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

  bullList = new DBGrid(dm_.bullsSource, {{QStringLiteral("nokli"), QStringLiteral("Идентификацион. №, кличка")}}, this);
  bullList->setGeometry(24, 36, 185, 649);
  // The bull list keeps its own look: a fixed column width, row numbers, plain rows of 20
  // points, and typing into a row starts editing it.
  bullList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  bullList->horizontalHeader()->setHighlightSections(true);
  bullList->setColumnWidth(0, 154);
  bullList->verticalHeader()->show();
  bullList->verticalHeader()->setDefaultSectionSize(20);
  bullList->setAlternatingRowColors(false);
  bullList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);

  linearTitle = label(this, "Label4", QStringLiteral("  ЛИНЕЙНАЯ ОЦЕНКА ЭКСТЕРЬЕРА КОРОВ"), 236, 36);
  // High enough for the title and the starter catalogue's 19 linear lines without scrolling.
  linearGrid = grid(this, "StringGrid1", 240, 52, 240, 425);
  defectsTitle = label(this, "Label5", QStringLiteral("        НЕДОСТАТКИ ЭКСТЕРЬЕРА КОРОВ"), 488, 36);
  defectsGrid = grid(this, "StringGrid2", 496, 52, 256, 633);
  drawHeadingsRed(defectsGrid);
  // The two lines of the complex grid's title, one line's height apart.
  complexTitleTop = label(this, "Label6", QStringLiteral("         ОЦЕНКА ЭКСТЕРЬЕРА КОРОВ "), 764, 28);
  complexTitleBottom = label(this, "Label7", QStringLiteral("         ПО КОМПЛЕКСУ ПРИЗНАКОВ"), 764, 44);
  complexGrid = grid(this, "StringGrid3", 764, 64, 232, 160);
  drawHeadingsRed(complexGrid);
  scoreLabel = label(this, "Label15", QStringLiteral("Общая средняя оценка"), 768, 232, 221);
  colour(scoreLabel, Qt::yellow);
  categoryLabel = label(this, "Label16", QStringLiteral("Средняя категория"), 768, 258, 221);
  colour(categoryLabel, Qt::yellow);
  daughterCountLabel = label(this, "Label14", QStringLiteral("Количество дочек"), 768, 284, 221);
  for (QLabel* l : {scoreLabel, categoryLabel, daughterCountLabel}) l->setWordWrap(true);

  changeBreedButton = button(this, "Button8", QStringLiteral("Изменить породу"), 768, 324, 221);
  moveBullButton = button(this, "Button11", QStringLiteral("Перевод быка в другое хозяйство"), 768, 368, 221);
  selectButton = button(this, "Button4", QStringLiteral("Выделить"), 768, 412, 221);
  clearSelectionButton = button(this, "Button5", QStringLiteral("Отменить выделение"), 768, 456, 221);
  addBullButton = button(this, "Button2", QStringLiteral("Добавить"), 768, 500, 221);
  deleteBullButton = button(this, "Button7", QStringLiteral("Удалить"), 768, 544, 221);
  daughtersButton = button(this, "Button10", QStringLiteral("Дочери"), 768, 588, 221);
  renameBullButton = button(this, "Button9", QStringLiteral("Уточнить (исправить) кличку/идентиф.№"), 768, 632, 221);

  breedLabel = label(this, "Label8", QStringLiteral("Порода (породность)"), 232, 484, 260);
  breedLineCaption = label(this, "Label11", QStringLiteral("     Линия"), 232, 509);
  breedLineEdit = new QLineEdit(this);
  breedLineEdit->setObjectName(QStringLiteral("Edlin"));
  breedLineEdit->setGeometry(324, 504, 81, 24);
  birthCaption = label(this, "Label12", QStringLiteral("   Дата и место рождения"), 232, 536);
  birthEdit = new QLineEdit(this);
  birthEdit->setObjectName(QStringLiteral("Edrogd"));
  birthEdit->setGeometry(316, 560, 161, 24);
  editLineButton = button(this, "Button1", QStringLiteral("Исправлять Линию породы, дату и место рождения"), 220, 600, 269);
  unsavedLabel = label(this, "Label1", QStringLiteral("                   Изменения пока не записаны"), 220, 636, 269);
  colour(unsavedLabel, Qt::red);
  writeLineButton = button(this, "Button6", QStringLiteral("Записать Линию породы, дату и место рождения"), 220, 660, 269);
  {
    QPalette p = writeLineButton->palette();
    p.setColor(QPalette::ButtonText, Qt::red);
    writeLineButton->setPalette(p);
  }
  writeLineButton->hide();
  unsavedLabel->hide();

  const std::pair<QPushButton*, void (BullWindow::*)()> handlers[] = {
      {editLineButton, &BullWindow::editLineClicked}, {addBullButton, &BullWindow::addBullClicked},   {otherFarmButton, &BullWindow::otherFarmClicked},
      {selectButton, &BullWindow::selectClicked}, {clearSelectionButton, &BullWindow::clearSelectionClicked},   {writeLineButton, &BullWindow::writeLineClicked},
      {deleteBullButton, &BullWindow::deleteBullClicked}, {changeBreedButton, &BullWindow::changeBreedClicked},   {renameBullButton, &BullWindow::renameBullClicked},
      {daughtersButton, &BullWindow::daughtersClicked}, {moveBullButton, &BullWindow::moveBullClicked}};
  for (const auto& [b, handler] : handlers) onClick(b, [this, handler = handler] { (this->*handler)(); });
  for (QLineEdit* e : {breedLineEdit, birthEdit})
    onSignal(e, &QLineEdit::textChanged, this, QStringLiteral("Изменение линии, даты и места рождения"),
             [this] { lineOrBirthEdited(); });

  resetGrids();
  // Another bull chosen in the list, from inside the view's signal: a failure is shown once that
  // signal is done.
  onSignal(bullList, &DBGrid::rowChosen, this, {}, [this] {
    if (!unsaved()) {
      showBull();
    } else if (!following_) {
      // The question is a modal box: it opens once the list's signal is done.
      following_ = true;
      runLater(this, [this] { followCurrentBull(); }, QStringLiteral("Переход к другому быку"));
    }
  });
}

void BullWindow::focusList() { bullList->setFocus(); }

void BullWindow::resetGrids() {
  const QString traits = QStringLiteral("Характеристики");
  // The value columns are a little wider than the form's, for this system's font.
  resetStringGrid(linearGrid, {traits, QStringLiteral("Балл")}, {180, 42}, 21);
  resetStringGrid(defectsGrid, {traits, QStringLiteral("  %#%")}, {183, 52}, 21);
  resetStringGrid(complexGrid, {traits, QStringLiteral("Балл")}, {185, 42}, 22);
  for (QTableWidget* g : {linearGrid, defectsGrid, complexGrid}) fixGridCells(g, true, true);
}

void BullWindow::setHeaderFromTables() {
  // The card's region and farm: REGION on the region's row, VLAD filtered on the farm.
  db::Table& region = dm_.region;
  db::Table& vlad = dm_.vlad;
  region.open();
  vlad.open();
  region.setFiltered(false);
  region.first();
  while (!region.eof() && region.fieldByName(db::field::kodreg).asInteger() != herd_.regionCode) region.next();
  const QString regionName = region.eof() ? QString() : region.fieldByName(db::field::region).asString();
  vlad.setFiltered(false);
  vlad.setFilter(herd_.animalFilter());
  vlad.setFiltered(true);
  vlad.first();
  herd_.header = herdHeader(regionName, vlad.eof() ? QString() : vlad.fieldByName(db::field::vlad).asString());
  headerLabel->setText(herd_.header);
}

void BullWindow::FormActivate() {
  placeTopLeft();
  lineEditMode_ = false;
  writeLineButton->hide();
  unsavedLabel->hide();
  resetGrids();

  int remembered = 0;
  db::Table& korova = dm_.korova;
  if (pickerUse() == PickerUse::CowFather && db::hasCurrentRecord(korova)) {
    // The father picker starts on the cow's farm, or on her father's when he is in the table.
    herd_ = HerdContext{korova.fieldByName(db::field::kodreg).asInteger(), korova.fieldByName(db::field::kodvlad).asInteger(), {}};
    if (const auto father = fatherCodeOfCurrentCow(dm_)) {
      db::Table& bik = dm_.bik;
      const db::Freeze frozen(dm_.bullsSource);
      bik.open();
      bik.setFiltered(false);
      bik.setFilter(QStringLiteral("kodbyk=%1").arg(*father));
      bik.setFiltered(true);
      bik.first();
      if (!bik.isEmpty()) {
        herd_.regionCode = bik.fieldByName(db::field::kodreg).asInteger();
        herd_.farmCode = bik.fieldByName(db::field::kodvlad).asInteger();
        remembered = bik.recNo();
      }
    }
  } else {
    const HerdOpening opening = establishHerdContext(dm_);
    for (const QString& m : opening.messages) prompts().message(m);
    herd_ = opening.herd;
  }
  setHeaderFromTables();
  showFarmBulls(dm_, herd_, remembered);
  showFarmOrEmpty();
  focusList();
}

void BullWindow::showFarmOrEmpty() {
  if (dm_.bik.isEmpty())
    emptyState();
  else
    showBull();
}

void BullWindow::emptyState() {
  resetGrids();
  prompts().message(kEmptyFarm);
  for (QWidget* w : std::initializer_list<QWidget*>{editLineButton, changeBreedButton, writeLineButton, unsavedLabel, selectButton, clearSelectionButton, deleteBullButton,
                                                     daughtersButton, moveBullButton})
    w->hide();
  addBullButton->setFocus();
}

void BullWindow::showBull() {
  writeLineButton->hide();
  unsavedLabel->hide();
  following_ = false;
  db::Table& bik = dm_.bik;
  shownRecNo_ = bik.recNo();
  if (!db::hasCurrentRecord(bik)) return;
  recomputeBullFigures(dm_);
  resetGrids();

  fillGrid(linearGrid, dm_.xarakt, dm_.korova, TraitKind::Linear,
           [&](const TraitRow& r) { return twoDecimals(bik.fieldByName(r.id).asFloat()); });
  fillGrid(defectsGrid, dm_.xarakt, dm_.korova, TraitKind::Defect, [&](const TraitRow& r) {
    const auto [p, q] = unpackDefectShare(bik.fieldByName(r.id).asFloat());
    return QStringLiteral("%1#%2").arg(p).arg(q);
  });
  fillGrid(complexGrid, dm_.xarakt, dm_.korova, TraitKind::Complex,
           [&](const TraitRow& r) { return generalNumber(bik.fieldByName(r.id).asFloat()); });

  // The bull's score is that of his daughters' mean complex traits.
  const int score = overallScore(dm_.xarakt, recordValueReader(bik), &dm_.korova);
  scoreLabel->setText(QStringLiteral("Общая средняя оценка:  ") + QString::number(score));
  categoryLabel->setText(QStringLiteral("Средняя категория:  ") + categoryOf(score));
  placeFigureLabels();
  breedLabel->setText(kBreedPrefix + breedName(dm_, bik.fieldByName(db::field::kodporod).asInteger()));
  for (QTableWidget* g : {linearGrid, defectsGrid, complexGrid}) fixGridCells(g, true, true);
  lineEditMode_ = false;
  daughterCountLabel->setText(QStringLiteral("Количество дочек: ") + bik.fieldByName(db::field::kolkorov).asString());
  dm_.bullsSource.setReadOnly(true);
  for (QPushButton* b : {editLineButton, clearSelectionButton, addBullButton, daughtersButton, moveBullButton, changeBreedButton, deleteBullButton, selectButton}) b->show();
  limitToField(breedLineEdit, bik, db::field::line);
  limitToField(birthEdit, bik, db::field::mesto);
  breedLineEdit->setText(bik.fieldByName(db::field::line).asString());
  birthEdit->setText(bik.fieldByName(db::field::mesto).asString());
  breedLineEdit->setReadOnly(true);
  birthEdit->setReadOnly(true);
  focusList();
}

void BullWindow::placeFigureLabels() {
  // One under another in the column's width; a category too long for the line after its
  // caption wraps under it, and the daughter count moves down to make room.
  int y = 232;
  for (QLabel* l : {scoreLabel, categoryLabel, daughterCountLabel}) {
    l->setGeometry(768, y, 221, l->heightForWidth(221));
    y += std::max(26, l->height() + 8);
  }
}

void BullWindow::lineOrBirthEdited() {
  if (!lineEditMode_) return;
  writeLineButton->show();
  unsavedLabel->show();
}

void BullWindow::editLineClicked() {
  lineEditMode_ = true;
  breedLineEdit->setReadOnly(false);
  birthEdit->setReadOnly(false);
  focusList();
}

bool BullWindow::unsaved() const { return !writeLineButton->isHidden(); }

void BullWindow::followCurrentBull() {
  following_ = false;
  const int next = dm_.bik.recNo();
  if (next == shownRecNo_) return;
  if (unsaved() && !settleUnsaved(next)) return;
  showBull();
}

bool BullWindow::settleUnsaved(int next) {
  const Answer answer = prompts().yesNoCancel(QStringLiteral("Записать изменения?"));
  if (answer == Answer::No) return true;
  db::Table& bik = dm_.bik;
  // The edits belong to the bull the card shows: the list goes back to him.
  bik.goToRecNo(shownRecNo_);
  if (bik.recNo() != shownRecNo_) return true;
  if (answer == Answer::Cancel) return false;
  writeLineClicked();
  bik.goToRecNo(next);
  return true;
}

void BullWindow::done(int result) {
  bool leave = !unsaved() || !isVisible();
  if (!leave) guarded([&] { leave = settleUnsaved(dm_.bik.recNo()); }, QStringLiteral("Записать изменения"));
  if (leave) KorvelDialog::done(result);
}

void BullWindow::writeLineClicked() {
  db::Table& bik = dm_.bik;
  if (!db::hasCurrentRecord(bik)) return;
  bik.edit();
  bik.fieldByName(db::field::line).setString(breedLineEdit->text());
  bik.fieldByName(db::field::mesto).setString(birthEdit->text());
  bik.post();
  writeLineButton->hide();
  unsavedLabel->hide();
}

void BullWindow::addBullClicked() {
  const QString typed = prompts().textInput(QStringLiteral("Введите кличку/идентифик.№ быка и закройте это окно"), QString());
  const BullNameOutcome outcome = addBull(dm_, herd_, typed);
  if (outcome == BullNameOutcome::NoName) return;
  showBull();
  if (outcome == BullNameOutcome::Duplicate) {
    prompts().message(kDuplicate);
    return;
  }
  // A selection that does not show the new bull leaves another bull on the card: typing
  // straight away would rename him or overwrite his line and birth, so nothing is opened.
  if (outcome == BullNameOutcome::AddedOutOfView) return;
  // Name, line and birth of the new bull can be typed at once.
  lineEditMode_ = true;
  dm_.bullsSource.setReadOnly(false);
  breedLineEdit->setReadOnly(false);
  birthEdit->setReadOnly(false);
  focusList();
}

void BullWindow::deleteBullClicked() {
  const auto bull = currentBullForDeletion(dm_);
  if (!bull) return;
  const QString quoted = QLatin1Char('"') + bull->name + QLatin1Char('"');
  const QString yes = QStringLiteral("Да. Удаляем.");
  const QString no = QStringLiteral("Нет. Не удаляем.");
  if (!prompts().confirmDelete({QStringLiteral("Удаление быка"), QStringLiteral("Вы действительно хотите удалить быка"),
                                quoted + QStringLiteral("? У него ") +
                                    db::counted(bull->daughters, QStringLiteral("корова-дочь"),
                                                QStringLiteral("коровы-дочери"), QStringLiteral("коров-дочерей")) +
                                    QLatin1Char('.'),
                                yes, no}))
    return;
  // The bull and his daughters are one operation, the second question included: interrupted
  // anywhere before the last daughter is written, it is undone as a whole.
  db::JournalScope deletion(dm_.workDir(), QStringLiteral("удаление быка ") + quoted);
  {
    freeCurrentBull(dm_);
    dm_.bik.first();
    showFarmOrEmpty();
  }
  // The bull is deleted whatever is answered about his daughters.
  if (bull->daughters != 0) {
    const bool freeThem = prompts().confirmDelete({QStringLiteral("Удаление быка. Продолжение."),
                                                   QStringLiteral("Вы удаляете быка ") + quoted + QLatin1Char('?'),
                                                   QStringLiteral("Надо ли удалять его дочерей?"), yes, no});
    if (bull->code) releaseDaughters(dm_, *bull->code, bull->name, freeThem);
  }
  deletion.commit();
}

bool BullWindow::bullLost(const db::RowMark& bull) {
  if (!bull.lost()) return false;
  // What the picker did took him out of the list (his farm removed there): nothing meant for
  // him goes into another bull, and the card shows the list.
  prompts().message(QStringLiteral("Выбранного быка больше нет в списке хозяйства. Изменение не записано."));
  showFarmOrEmpty();
  return true;
}

void BullWindow::moveBullClicked() {
  const db::RowMark bull(dm_.bik);
  prompts().showPicker(*pickers.farms, QStringLiteral("Выбор НОВОГО владельца БЫКА. Выберите (добавьте) и закройте окно."));
  if (bullLost(bull)) return;
  if (!db::hasCurrentRecord(dm_.region) || !db::hasCurrentRecord(dm_.vlad)) return;
  herd_ = herdOfCurrentRows(dm_);
  moveCurrentBull(dm_, herd_);
  headerLabel->setText(herd_.header);
  showFarmBulls(dm_, herd_);
  showFarmOrEmpty();
  focusList();
}

void BullWindow::otherFarmClicked() {
  prompts().showPicker(*pickers.farms, QStringLiteral("Выбор владельца стада. Выберите (добавьте) и закройте окно."));
  if (!db::hasCurrentRecord(dm_.region) || !db::hasCurrentRecord(dm_.vlad)) return;
  herd_ = herdOfCurrentRows(dm_);
  headerLabel->setText(herd_.header);
  showFarmBulls(dm_, herd_);
  showFarmOrEmpty();
}

void BullWindow::renameBullClicked() {
  const QString initial = db::hasCurrentRecord(dm_.bik) ? dm_.bik.fieldByName(db::field::nokli).asString() : QString();
  const QString typed =
      prompts().textInput(QStringLiteral("Уточните (исправьте) кличку/идентифик.№ и закройте это окно"), initial);
  const BullNameOutcome outcome = renameCurrentBull(dm_, herd_, typed);
  if (outcome == BullNameOutcome::Duplicate) {
    showBull();
    prompts().message(kDuplicate);
  }
  if (outcome == BullNameOutcome::NoName && db::hasCurrentRecord(dm_.bik)) prompts().message(kEmptyName);
  focusList();
}

void BullWindow::changeBreedClicked() {
  const db::RowMark bull(dm_.bik);
  prompts().showPicker(*pickers.breeds,
                       QStringLiteral("Выберите нужную породу, а если такой нет - добавьте новую породу и закройте это окно."));
  if (bullLost(bull)) return;
  if (const auto name = setCurrentBullBreed(dm_)) breedLabel->setText(kBreedPrefix + *name);
  focusList();
}

void BullWindow::selectClicked() {
  const QString key = selectionKeyOf(prompts().selectionKey());
  if (key.isEmpty() || !db::hasCurrentRecord(dm_.bik)) return;
  const QString scope = QStringLiteral("kodreg=%1 and kodvlad=%2")
                            .arg(dm_.bik.fieldByName(db::field::kodreg).asInteger())
                            .arg(dm_.bik.fieldByName(db::field::kodvlad).asInteger());
  const SelectionOutcome outcome =
      selectByKey({dm_.bik, dm_.bullsSource, scope, QStringLiteral("nokli"), QStringLiteral("ot"),
                   scope + QStringLiteral(" and ") + QStringLiteral("ot='+'")},
                  key);
  if (outcome == SelectionOutcome::NoMatch) prompts().message(QStringLiteral("Записей, соответствующих ключу, нет..."));
  showBull();
  focusList();
}

void BullWindow::clearSelectionClicked() {
  showFarmBulls(dm_, herd_);
  showFarmOrEmpty();
}

void BullWindow::daughtersClicked() {
  if (db::hasCurrentRecord(dm_.bik) && dm_.bik.fieldByName(db::field::kolkorov).asInteger() != 0)
    showDaughters();
  else
    prompts().message(QStringLiteral("Потомство этого быка не зафиксировано..."));
}

}  // namespace korvel
