// The cows window's frame: its controls, the opening on a farm, the refresh of the card from
// the current cow, the button set, editing mode and the writing of corrections. The grids
// live in cow_card_grids.cpp, the record buttons in cow_card_records.cpp.
#include "cows/cow_card.h"
#include "cows/cow_card_parts.h"
#include "cows/cow_records.h"
#include "cows/scoring.h"
#include "db/data_module.h"
#include "db/freeze.h"
#include "db/schema.h"
#include "db/table_error.h"
#include "help/instruction_text.h"
#include "help/instructions_window.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "ui/prompts.h"
#include "ui/session.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableWidget>

namespace korvel {

using namespace cow_card;

namespace {

void paintGround(QWidget* w, const QColor& ground) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, ground);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

void paintText(QWidget* w, const QColor& color) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, color);
  w->setPalette(p);
}

}  // namespace

CowWindow::CowWindow(HerdTables& dm, QWidget* parent)
    : KorvelDialog(parent), dm_(dm), catalogue_(dm.xarakt, &dm.korova) {
  setObjectName(QStringLiteral("Form9"));
  setWindowTitle(QStringLiteral("Коровы"));
  buildLayout();
  // Another cow chosen in the list, from inside the view's signal: a failure is shown once that
  // signal is done.
  onSignal(cowList, &DBGrid::rowChosen, this, {}, [this] {
    if (!unsaved_) {
      refreshCowCard();
    } else if (!following_) {
      // The question is a modal box: it opens once the list's signal is done.
      following_ = true;
      runLater(this, [this] { followCurrentCow(); }, QStringLiteral("Переход к другой корове"));
    }
  });
}

void CowWindow::buildLayout() {
  // A line of text is 16 pixels high: the lines of a two-line title stand 16 pixels apart.
  auto label = [this](const char* name, const QString& text, int x, int y, int w, int h = 16) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    return l;
  };
  auto button = [this](const char* name, const QString& text, int x, int y, int w, int h = 25) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, w, h);
    b->setAutoDefault(false);
    return b;
  };

  otherFarmButton = button("Button3", QStringLiteral("Перейти к другому хозяйству"), 4, 4, 200);
  headerLabel = label("Label1", {}, 212, 4, 806, 25);
  paintGround(headerLabel, kYellow);
  QFont big = headerLabel->font();
  big.setPointSize(big.pointSize() + 2);
  big.setBold(true);
  headerLabel->setFont(big);

  cowList = new DBGrid(dm_.cowsSource, {{QStringLiteral("nokli"), QStringLiteral("Идентификацион. № , кличка")}}, this);
  cowList->setClearsSelectionWithoutCursor(true);
  // The cow list keeps its plain look: no alternate row colours, the style's row height.
  cowList->setAlternatingRowColors(false);
  cowList->verticalHeader()->resetDefaultSectionSize();
  cowList->setGeometry(4, 34, 200, 548);

  // The linear grid with its buttons below.
  linearTitle = label("Label5", QStringLiteral("     ЛИНЕЙНАЯ ОЦЕНКА ЭКСТЕРЬЕРА"), 212, 34, 262);
  // High enough for the title and the starter catalogue's 19 linear lines without scrolling.
  linearGrid = makeGrid("StringGrid1", TraitKind::Linear, 212, 52, 262, 404);
  doubleClickHint = label("Label3", QStringLiteral("  Двойной щелчок мышкой - справочная"), 212, 456, 262);
  pictureHint = label("Label4", QStringLiteral("    КАРТИНКА для ВЫБРАННОЙ строки"), 212, 472, 262);
  paintText(doubleClickHint, kOlive);
  paintText(pictureHint, kOlive);
  editTraitsButton = button("Button2", QStringLiteral("Исправлять характеристики"), 212, 494, 262);
  writeTraitsButton = button("Button5", QStringLiteral("Записать корректировки характеристик"), 212, 524, 262);
  unsavedLabel = label("Label9", QStringLiteral(" Изменения не записаны!"), 212, 556, 262, 20);
  paintText(unsavedLabel, kRed);
  QFont warn = unsavedLabel->font();
  warn.setBold(true);
  unsavedLabel->setFont(warn);

  // Defects.
  defectsTitle = label("Label6", QStringLiteral("             НЕДОСТАТКИ ЭКСТЕРЬЕРА        "), 480, 34, 244);
  defectsGrid = makeGrid("StringGrid2", TraitKind::Defect, 480, 52, 244, 530);

  // Complex traits, the score and the record buttons.
  complexTitleTop = label("Label7", QStringLiteral("             ОЦЕНКА ЭКСТЕРЬЕРА ПО"), 730, 34, 288);
  complexTitleBottom = label("Label8", QStringLiteral("             КОМПЛЕКСУ ПРИЗНАКОВ"), 730, 50, 288);
  complexGrid = makeGrid("StringGrid3", TraitKind::Complex, 730, 68, 288, 250);
  scoreLabel = label("Label19", scoreCaption(0), 730, 322, 288, 20);
  categoryLabel = label("Label20", categoryCaption(0), 730, 344, 288, 20);
  paintGround(scoreLabel, kYellow);
  paintGround(categoryLabel, kYellow);
  const std::pair<const char*, QString> records[] = {
      {"Button9", QStringLiteral("Изменить породу")},
      {"Button6", QStringLiteral("Изменить отца")},
      {"Button10", QStringLiteral("Перевод коровы в другое хозяйство")},
      {"Button8", QStringLiteral("Выделить")},
      {"Button7", QStringLiteral("Отменить выделение")},
      {"Button1", QStringLiteral("Добавить")},
      {"Button4", QStringLiteral("Удалить")},
      {"Button11", QStringLiteral("Исправить кличку/идентификационный №")},
  };
  QPushButton** const recordButtons[] = {&changeBreedButton, &changeFatherButton, &moveCowButton, &selectButton, &clearSelectionButton, &addCowButton, &deleteCowButton, &renameCowButton};
  for (size_t i = 0; i < std::size(records); ++i)
    *recordButtons[i] = button(records[i].first, records[i].second, 730, 370 + int(i) * 27, 288);

  // The particulars along the bottom: two rows of captions over edits.
  auto particular = [&](const char* name, const QString& caption, int x, int y, int w) {
    label((QByteArray("Caption_") + name).constData(), caption, x, y, w);
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(x, y + 18, w, 24);
    onSignal(e, &QLineEdit::textChanged, this, QStringLiteral("Изменение сведений о корове"), [this] {
      if (editing_ && !filling_) markUnsaved();
    });
    return e;
  };
  breedEdit = particular("Edporoda", QStringLiteral("Порода, породность"), 4, 592, 200);
  breedLineEdit = particular("Edlin", QStringLiteral("   Линия"), 212, 592, 150);
  fatherEdit = particular("Edotec", QStringLiteral("Отец (идентификационный №)"), 370, 592, 250);
  fatherStatusLabel = label("bikreg", {}, 370, 636, 320, 18);
  motherEdit = particular("Edmat", QStringLiteral("Мать (идентификационный №)"), 630, 592, 250);
  lactationEdit = particular("Masklakt", QStringLiteral("№ лактации"), 4, 662, 100);
  lactationEdit->setInputMask(QStringLiteral("00; "));
  calvingDateEdit = particular("MaskEddata", QStringLiteral("Дата отела"), 112, 662, 120);
  calvingDateEdit->setInputMask(QStringLiteral("00.00.0000;_"));
  dateExampleLabel = label("Label18", QStringLiteral("Пример даты: 01.04.2001 . Это 1 апреля 2001 года"), 112, 708, 330);
  paintText(dateExampleLabel, kOlive);
  previousScoreEdit = particular("Edpred", QStringLiteral("Предыдущая ОЦ"), 450, 662, 120);
  birthEdit = particular("Edrogd", QStringLiteral("Дата и место рождения"), 580, 662, 300);

  // The scoring form of a classifier's visit, to the right of the particulars.
  scoringFormButton = button("scoringFormButton", QStringLiteral("Бланк оценки…"), 888, 610, 130);
  loadScoresButton = button("loadScoresButton", QStringLiteral("Загрузить оценки…"), 888, 640, 130);
  scoresInstructionButton = button("scoresInstructionButton", QStringLiteral("Инструкция по\nзагрузке оценок"), 888, 670, 130, 40);

  onClick(editTraitsButton, [this] { editTraitsClicked(); });
  onClick(writeTraitsButton, [this] { writeTraitsClicked(); });
  onClick(scoringFormButton, [this] { scoringFormClicked(); });
  onClick(loadScoresButton, [this] { loadScoresClicked(); });
  onClick(scoresInstructionButton, [this] { scoresInstructionClicked(); });
  connectRecordButtons();
  // The help picture is a modal window: it opens once the view's double click is handled.
  const QString picture = QStringLiteral("Справочная картинка");
  onSignal(linearGrid, &QTableWidget::cellDoubleClicked, this, picture,
           [this, picture](int row, int) { runLater(this, [this, row] { linearGridDoubleClicked(row + 1); }, picture); });

  setButtonState(true, false);
  setParticularsReadOnly(true);
  breedEdit->setReadOnly(true);
  fatherEdit->setReadOnly(true);
  setTitles();
}

void CowWindow::FormActivate() {
  placeTopLeft();
  following_ = false;
  setEditingMode(false);
  setButtonState(cowShown_, false);
  setTitles();
  // A restore may have brought another catalogue since the window was last open: the grids
  // and the writing must follow the catalogue now in the table.
  catalogue_.reload();

  const HerdOpening opening = establishHerdContext(dm_);
  for (const QString& m : opening.messages) prompts().message(m);
  herd = opening.herd;
  headerLabel->setText(herd.header);

  // The list is detached while the table is opened and filtered on the herd, and until the
  // card shows its first cow.
  db::Freeze detach(dm_.cowsSource);
  db::Table& korova = dm_.korova;
  korova.open();
  korova.setFilter(herd.animalFilter());
  korova.setFiltered(true);
  korova.first();
  if (korova.isEmpty()) {
    prompts().message(emptyFarmMessage());
    showEmptyFarm();
  } else {
    refreshCowCard();
  }
}

void CowWindow::setButtonState(bool cowShown, bool unsaved) {
  cowShown_ = cowShown;
  unsaved_ = cowShown && unsaved;
  for (QPushButton* b : {editTraitsButton, changeBreedButton, changeFatherButton, selectButton, clearSelectionButton, deleteCowButton, moveCowButton}) b->setVisible(cowShown);
  for (QPushButton* b : {addCowButton, otherFarmButton, renameCowButton}) b->show();
  // An empty farm has nothing to write.
  writeTraitsButton->setVisible(cowShown && unsaved);
  unsavedLabel->setVisible(cowShown && unsaved);
}

void CowWindow::showEmptyFarm() {
  setButtonState(false, false);
  // With no cow listed there is nothing to correct: what the card still shows stays, but it
  // can no longer be edited and then offered for a write that would go nowhere.
  setEditingMode(false);
  setParticularsReadOnly(true);
  addCowButton->setFocus();
}

void CowWindow::refreshCowCard() {
  setButtonState(true, false);
  dm_.cowsSource.setReadOnly(true);
  setEditingMode(false);
  following_ = false;
  shownRecNo_ = 0;

  filling_ = true;
  struct EndFilling {
    bool& f;
    ~EndFilling() { f = false; }
  } endFilling{filling_};

  CowCardData card;
  try {
    card = readCowCard(dm_, catalogue_);
  } catch (...) {
    // The list stands on a cow whose row cannot be read: the card must not go on showing,
    // and offering for a write, the cow before her.
    showNoCow();
    throw;
  }
  shownRecNo_ = dm_.korova.recNo();
  fillGrid(linearGrid, card.grids[gridIndex(TraitKind::Linear)]);
  fillGrid(defectsGrid, card.grids[gridIndex(TraitKind::Defect)]);
  fillGrid(complexGrid, card.grids[gridIndex(TraitKind::Complex)]);
  applyCellAccess();
  if (card.catalogueError) throw db::TableError(*card.catalogueError);
  showScore(card.score);

  breedEdit->setText(card.breed);
  showParticulars(card);
  setParticularsReadOnly(true);
  breedEdit->setReadOnly(true);
  fatherEdit->setReadOnly(true);
  fatherIsBull_ = card.fatherIsBull;
  fatherEdit->setText(card.father);
  setFatherCaption(card.fatherIsBull);
  cowList->setFocus();
}

void CowWindow::showNoCow() {
  for (QTableWidget* grid : {linearGrid, defectsGrid, complexGrid})
    for (int r = 0; r < grid->rowCount(); ++r)
      if (QTableWidgetItem* value = grid->item(r, 1)) value->setText(QString());
  showScore(0);
  for (QLineEdit* e : {breedEdit, fatherEdit, motherEdit, breedLineEdit, lactationEdit, calvingDateEdit, previousScoreEdit, birthEdit}) e->clear();
  fatherStatusLabel->clear();
  setParticularsReadOnly(true);
  editTraitsButton->hide();
}

void CowWindow::followCurrentCow() {
  following_ = false;
  const int next = dm_.korova.recNo();
  if (next == shownRecNo_) return;
  if (unsaved_ && !settleUnsaved(next)) return;
  refreshCowCard();
}

bool CowWindow::settleUnsaved(int next) {
  const Answer answer = prompts().yesNoCancel(QStringLiteral("Записать изменения?"));
  if (answer == Answer::No) return true;
  db::Table& korova = dm_.korova;
  // The changes belong to the cow the card shows: the list goes back to her.
  korova.goToRecNo(shownRecNo_);
  if (korova.recNo() != shownRecNo_) {
    prompts().message(cowGoneMessage());
    korova.goToRecNo(next);
    return true;
  }
  if (answer == Answer::Cancel || !writeCorrections()) return false;
  korova.goToRecNo(next);
  return true;
}

void CowWindow::done(int result) {
  bool leave = !unsaved_ || !isVisible();
  if (!leave) guarded([&] { leave = settleUnsaved(dm_.korova.recNo()); }, QStringLiteral("Записать изменения"));
  if (leave) KorvelDialog::done(result);
}

void CowWindow::showParticulars(const CowCardData& card) {
  db::Table& korova = dm_.korova;
  const std::pair<QLineEdit*, const char16_t*> fields[] = {
      {motherEdit, db::field::matnokli}, {breedLineEdit, db::field::line}, {previousScoreEdit, db::field::predoc}, {birthEdit, db::field::mesto}, {fatherEdit, db::field::kodbyk}};
  for (const auto& [edit, field] : fields) limitToField(edit, korova, field);
  // A father from the bulls shows the bull's name, which may be longer than a cow's code.
  if (card.fatherIsBull) fatherEdit->setMaxLength(32767);
  motherEdit->setText(card.mother);
  breedLineEdit->setText(card.line);
  lactationEdit->setText(card.lactation);
  calvingDateEdit->setText(card.calvingDate);
  previousScoreEdit->setText(card.previous);
  birthEdit->setText(card.birth);
}

void CowWindow::setParticularsReadOnly(bool readOnly) {
  for (QLineEdit* e : {fatherEdit, motherEdit, breedLineEdit, lactationEdit, calvingDateEdit, previousScoreEdit, birthEdit}) e->setReadOnly(readOnly);
}

void CowWindow::setFatherCaption(bool isBull) {
  fatherStatusLabel->setText(isBull ? QStringLiteral("Бык-отец по базе данных")
                         : QStringLiteral("Бык-отец по базе данных не установлен!!!"));
  paintGround(fatherStatusLabel, isBull ? kTeal : kRed);
}

void CowWindow::showScore(int score) {
  scoreLabel->setText(scoreCaption(score));
  categoryLabel->setText(categoryCaption(score));
}

void CowWindow::editTraitsClicked() {
  setEditingMode(true);
  setParticularsReadOnly(false);
  // A father from the bulls table is changed only with "Изменить отца", the breed only with
  // "Изменить породу".
  if (fatherIsBull_) fatherEdit->setReadOnly(true);
  breedEdit->setReadOnly(true);
}

CowCorrections CowWindow::corrections() const {
  CowCorrections c;
  for (const QTableWidget* grid : {linearGrid, defectsGrid, complexGrid}) {
    std::vector<QString>& values = c.values[gridIndex(kindOf(grid))];
    for (int line = 1; line <= grid->rowCount(); ++line) values.push_back(cellText(grid, line));
  }
  c.father = fatherEdit->text();
  c.mother = motherEdit->text();
  c.line = breedLineEdit->text();
  c.lactation = lactationEdit->text();
  c.calvingDate = calvingDateEdit->displayText();
  c.previous = previousScoreEdit->text();
  c.birth = birthEdit->text();
  return c;
}

bool CowWindow::writeCorrections() {
  if (const std::optional<QString> refusal = writeCowCorrections(dm_, catalogue_, corrections())) {
    prompts().message(*refusal);
    return false;
  }
  setButtonState(cowShown_, false);
  // The card shows what was stored (a cleared lactation is 0).
  const QScopedValueRollback<bool> filling(filling_, true);
  showParticulars(readCowCard(dm_, catalogue_));
  return true;
}

void CowWindow::writeTraitsClicked() { writeCorrections(); }

bool CowWindow::workOnOtherCows(const std::function<bool()>& work) {
  // The work reads and writes stored values: the card's unwritten ones are written or dropped first.
  if (unsaved_ && !settleUnsaved(dm_.korova.recNo())) return false;
  if (unsaved_) refreshCowCard();
  bool written = false;
  {
    // The work walks the cow table: the list holds still meanwhile and then comes back as it
    // stood, on the same cow.
    db::Freeze detach(dm_.cowsSource);
    db::Table& korova = dm_.korova;
    const int shown = korova.recNo();
    const QString filter = korova.filter();
    const bool filtered = korova.filtered();
    struct PutBack {
      db::Table& korova;
      int shown;
      const QString& filter;
      bool filtered;
      ~PutBack() {
        korova.open();
        korova.setFiltered(false);
        korova.setFilter(filter);
        korova.setFiltered(filtered);
        if (!korova.goToRecNo(shown)) korova.first();
      }
    } putBack{korova, shown, filter, filtered};
    written = work();
  }
  if (!written) return false;
  if (dm_.korova.isEmpty()) showEmptyFarm();
  else refreshCowCard();
  return true;
}

void CowWindow::scoringFormClicked() {
  if (!writeScoringForm) return;
  const db::Table& korova = dm_.korova;
  const bool selectionShown = korova.filtered() && korova.filter() == cowSelectionFilter(herd);
  workOnOtherCows([&] {
    writeScoringForm(herd, selectionShown);
    return false;
  });
}

void CowWindow::loadScoresClicked() {
  if (loadScores) workOnOtherCows(loadScores);
}

void CowWindow::scoresInstructionClicked() {
  instructionSelector = kScoresInstruction;
  forms().instructionsWindow->exec();
}

}  // namespace korvel
