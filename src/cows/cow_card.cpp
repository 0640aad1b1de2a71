#include "cows/cow_card.h"

#include "cows/cow_records.h"
#include "cows/scoring.h"
#include "db/data_module.h"
#include "db/grid_model.h"
#include "db/table_error.h"
#include "help/picture_window.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/name_list.h"
#include "sires/bull_card.h"
#include "ui/db_grid.h"
#include "ui/forms.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace korvel {

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kTeal(0, 128, 128);
const QColor kOlive(128, 128, 0);
const QColor kYellow(255, 255, 0);

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

// Restores the cow refresh flag however the opening ends.
class SuppressCowRefresh {
 public:
  explicit SuppressCowRefresh(TDataModule5& dm) : dm_(dm) { dm_.cowRefreshSuppressed = true; }
  ~SuppressCowRefresh() { dm_.cowRefreshSuppressed = false; }

 private:
  TDataModule5& dm_;
};

// The cow list detached from the table while a record operation moves it.
class DetachCowList {
 public:
  explicit DetachCowList(TDataModule5& dm) : dm_(dm) { dm_.DataSource3.setEnabled(false); }
  ~DetachCowList() { dm_.DataSource3.setEnabled(true); }

 private:
  TDataModule5& dm_;
};

QString emptyFarmMessage() { return QStringLiteral("В этом хозяйстве нет записей коров. Можно только ДОБАВИТЬ!"); }
QString duplicateCowMessage() { return QStringLiteral("Такая кличка/идентификационный № уже есть... повтор недопустим."); }

}  // namespace

// The value cells: an in-place editor whose every keystroke goes through the window's input
// check, and the red headings and green sub-rows of the defect and complex grids.
class TForm9::CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(TForm9* form, QTableWidget* grid, TraitKind kind)
      : QStyledItemDelegate(grid), form_(form), grid_(grid), kind_(kind) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    const int line = index.row() + 1;
    connect(editor, &QLineEdit::textEdited, form_,
            [form = form_, grid = grid_, line](const QString& text) { form->StringGridSetEditText(grid, line, text); });
    return editor;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (kind_ == TraitKind::Linear) return;  // the linear grid's headings look like ordinary lines
    const QString text = option->text;
    QColor color;
    if (text.contains(QLatin1Char('!'))) color = kRed;
    else if (kind_ == TraitKind::Complex && text.startsWith(QLatin1Char(' '))) color = kGreen;
    if (!color.isValid()) return;
    option->palette.setColor(QPalette::Text, color);
    option->palette.setColor(QPalette::HighlightedText, color);
  }

 private:
  TForm9* form_;
  QTableWidget* grid_;
  TraitKind kind_;
};

TForm9::TForm9(TDataModule5& dm, QWidget* parent)
    : KorvelDialog(parent), dm_(dm), catalogue_(dm.xarakt, &dm.korova) {
  setObjectName(QStringLiteral("Form9"));
  setWindowTitle(QStringLiteral("Коровы"));
  buildLayout();
  dm_.cowWindowActive = [this] { return isActiveCowWindow(); };
  dm_.refreshCowCard = [this] { guarded([this] { refreshCowCard(); }); };
}

TForm9::~TForm9() {
  dm_.cowWindowActive = nullptr;
  dm_.refreshCowCard = nullptr;
}

bool TForm9::isActiveCowWindow() const { return isVisible() && QApplication::activeModalWidget() == this; }

void TForm9::buildLayout() {
  auto label = [this](const char* name, const QString& text, int x, int y, int w, int h = 17) {
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
  auto grid = [this](const char* name, TraitKind kind, int x, int y, int w, int h) {
    auto* g = new QTableWidget(0, 2, this);
    g->setObjectName(QString::fromLatin1(name));
    g->setGeometry(x, y, w, h);
    g->verticalHeader()->hide();
    g->verticalHeader()->setDefaultSectionSize(20);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::SelectedClicked);
    g->setWordWrap(false);
    g->setItemDelegate(new CellDelegate(this, g, kind));
    return g;
  };

  Button3 = button("Button3", QStringLiteral("Перейти к другому хозяйству"), 4, 4, 200);
  Label1 = label("Label1", {}, 212, 4, 806, 25);
  paintGround(Label1, kYellow);
  QFont big = Label1->font();
  big.setPointSize(big.pointSize() + 2);
  big.setBold(true);
  Label1->setFont(big);

  DBGrid1 = new DBGrid(dm_.DataSource3, {{QStringLiteral("nokli"), QStringLiteral("Идентификацион. № , кличка")}}, this);
  DBGrid1->setClearsSelectionWithoutCursor(true);
  // The cow list keeps its plain look: no alternate row colours, the style's row height.
  DBGrid1->setAlternatingRowColors(false);
  DBGrid1->verticalHeader()->resetDefaultSectionSize();
  DBGrid1->setGeometry(4, 34, 200, 548);

  // The linear grid with its buttons below.
  Label5 = label("Label5", QStringLiteral("     ЛИНЕЙНАЯ ОЦЕНКА ЭКСТЕРЬЕРА"), 212, 34, 262);
  StringGrid1 = grid("StringGrid1", TraitKind::Linear, 212, 52, 262, 400);
  Label3 = label("Label3", QStringLiteral("  Двойной щелчок мышкой - справочная"), 212, 456, 262);
  Label4 = label("Label4", QStringLiteral("    КАРТИНКА для ВЫБРАННОЙ строки"), 212, 472, 262);
  paintText(Label3, kOlive);
  paintText(Label4, kOlive);
  Button2 = button("Button2", QStringLiteral("Исправлять характеристики"), 212, 494, 262);
  Button5 = button("Button5", QStringLiteral("Записать корректировки характеристик"), 212, 524, 262);
  Label9 = label("Label9", QStringLiteral(" Изменения не записаны!"), 212, 556, 262, 20);
  paintText(Label9, kRed);
  QFont warn = Label9->font();
  warn.setBold(true);
  Label9->setFont(warn);

  // Defects.
  Label6 = label("Label6", QStringLiteral("             НЕДОСТАТКИ ЭКСТЕРЬЕРА        "), 480, 34, 244);
  StringGrid2 = grid("StringGrid2", TraitKind::Defect, 480, 52, 244, 530);

  // Complex traits, the score and the record buttons.
  Label7 = label("Label7", QStringLiteral("             ОЦЕНКА ЭКСТЕРЬЕРА ПО"), 730, 34, 288);
  Label8 = label("Label8", QStringLiteral("             КОМПЛЕКСУ ПРИЗНАКОВ"), 730, 50, 288);
  StringGrid3 = grid("StringGrid3", TraitKind::Complex, 730, 68, 288, 250);
  Label19 = label("Label19", scoreCaption(0), 730, 322, 288, 20);
  Label20 = label("Label20", categoryCaption(0), 730, 344, 288, 20);
  paintGround(Label19, kYellow);
  paintGround(Label20, kYellow);
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
  QPushButton** const recordButtons[] = {&Button9, &Button6, &Button10, &Button8, &Button7, &Button1, &Button4, &Button11};
  for (size_t i = 0; i < std::size(records); ++i)
    *recordButtons[i] = button(records[i].first, records[i].second, 730, 370 + int(i) * 27, 288);

  // The particulars along the bottom: two rows of captions over edits.
  auto particular = [&](const char* name, const QString& caption, int x, int y, int w) {
    label((QByteArray("Caption_") + name).constData(), caption, x, y, w);
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(x, y + 18, w, 24);
    connect(e, &QLineEdit::textChanged, this, [this] {
      if (editing_ && !filling_) markUnsaved();
    });
    return e;
  };
  Edporoda = particular("Edporoda", QStringLiteral("Порода, породность"), 4, 592, 200);
  Edlin = particular("Edlin", QStringLiteral("   Линия"), 212, 592, 150);
  Edotec = particular("Edotec", QStringLiteral("Отец (идентификационный №)"), 370, 592, 250);
  bikreg = label("bikreg", {}, 370, 636, 320, 18);
  Edmat = particular("Edmat", QStringLiteral("Мать (идентификационный №)"), 630, 592, 250);
  Masklakt = particular("Masklakt", QStringLiteral("№ лактации"), 4, 662, 100);
  Masklakt->setInputMask(QStringLiteral("00; "));
  MaskEddata = particular("MaskEddata", QStringLiteral("Дата отела"), 112, 662, 120);
  MaskEddata->setInputMask(QStringLiteral("00.00.0000;_"));
  Label18 = label("Label18", QStringLiteral("Пример даты: 01.04.2001 . Это 1 апреля 2001года"), 112, 708, 330);
  paintText(Label18, kOlive);
  Edpred = particular("Edpred", QStringLiteral("Предыдущая ОЦ"), 450, 662, 120);
  Edrogd = particular("Edrogd", QStringLiteral("Дата и место рождентя"), 580, 662, 300);

  connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
  connect(Button5, &QPushButton::clicked, this, [this] { guarded([this] { Button5Click(); }); });
  const std::pair<QPushButton*, void (TForm9::*)()> handlers[] = {
      {Button1, &TForm9::Button1Click},  {Button4, &TForm9::Button4Click}, {Button11, &TForm9::Button11Click},
      {Button10, &TForm9::Button10Click}, {Button3, &TForm9::Button3Click}, {Button9, &TForm9::Button9Click},
      {Button6, &TForm9::Button6Click},  {Button8, &TForm9::Button8Click}, {Button7, &TForm9::Button7Click}};
  for (const auto& [b, handler] : handlers)
    connect(b, &QPushButton::clicked, this, [this, handler = handler] { guarded([&] { (this->*handler)(); }); });
  connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { StringGrid1DblClick(row + 1); });

  Button5->hide();
  Label9->hide();
  setParticularsReadOnly(true);
  Edporoda->setReadOnly(true);
  Edotec->setReadOnly(true);
  setTitles();
}

void TForm9::setTitles() {
  struct Titles {
    QTableWidget* grid;
    const char16_t* value;
    int width0, width1;
  };
  const Titles all[] = {{StringGrid1, u"Балл", 180, 35}, {StringGrid2, u"Оценка", 183, 43}, {StringGrid3, u"Балл", 185, 35}};
  for (const Titles& t : all) {
    t.grid->setColumnCount(2);
    t.grid->setHorizontalHeaderLabels({QStringLiteral("Характеристики"), QString::fromUtf16(t.value)});
    t.grid->setColumnWidth(0, t.width0);
    t.grid->setColumnWidth(1, t.width1);
  }
}

TraitKind TForm9::kindOf(const QTableWidget* grid) const {
  if (grid == StringGrid2) return TraitKind::Defect;
  if (grid == StringGrid3) return TraitKind::Complex;
  return TraitKind::Linear;
}

void TForm9::FormActivate() {
  placeTopLeft();
  setEditingMode(false);
  Button5->hide();
  Label9->hide();
  setTitles();
  // A restore may have brought another catalogue since the window was last open: the grids
  // and the writing must follow the catalogue now in the table.
  catalogue_.reload();
  SuppressCowRefresh suppress(dm_);

  const HerdOpening opening = establishHerdContext(dm_);
  for (const QString& m : opening.messages) prompts().message(m);
  herd = opening.herd;
  Label1->setText(herd.header);

  // The list is detached while the table is opened and filtered on the herd.
  dm_.DataSource3.setEnabled(false);
  struct Reattach {
    db::DataSource& s;
    ~Reattach() { s.setEnabled(true); }
  } reattach{dm_.DataSource3};
  db::Table& korova = dm_.korova;
  korova.open();
  korova.setFilter(herd.animalFilter());
  korova.setFiltered(true);
  korova.first();
  if (korova.isEmpty()) {
    prompts().message(emptyFarmMessage());
    showEmptyFarmButtons();
  } else {
    refreshCowCard();
  }
}

void TForm9::showEmptyFarmButtons() {
  for (QPushButton* b : {Button2, Button9, Button6, Button5, Button8, Button7, Button4, Button10}) b->hide();
  Label9->hide();
  // With no cow listed there is nothing to correct: what the card still shows stays, but it
  // can no longer be edited and then offered for a write that would go nowhere.
  setEditingMode(false);
  setParticularsReadOnly(true);
  Button1->show();
  Button3->show();
  Button11->show();
  Button1->setFocus();
}

void TForm9::markUnsaved() {
  Button5->show();
  Label9->show();
}

void TForm9::refreshCowCard() {
  Label9->hide();
  Button5->hide();
  dm_.DataSource3.setReadOnly(true);
  setEditingMode(false);

  filling_ = true;
  struct EndFilling {
    bool& f;
    ~EndFilling() { f = false; }
  } endFilling{filling_};

  const CowCardData card = readCowCard(dm_, catalogue_);
  fillGrid(StringGrid1, card.grids[gridIndex(TraitKind::Linear)]);
  fillGrid(StringGrid2, card.grids[gridIndex(TraitKind::Defect)]);
  fillGrid(StringGrid3, card.grids[gridIndex(TraitKind::Complex)]);
  applyCellAccess();
  if (card.catalogueError) throw db::TableError(*card.catalogueError);
  showScore(card.score);

  Edporoda->setText(card.breed);
  Edmat->setText(card.mother);
  Edlin->setText(card.line);
  Masklakt->setText(card.lactation);
  MaskEddata->setText(card.calvingDate);
  Edpred->setText(card.previous);
  Edrogd->setText(card.birth);
  setParticularsReadOnly(true);
  Edporoda->setReadOnly(true);
  Edotec->setReadOnly(true);
  fatherIsBull_ = card.fatherIsBull;
  Edotec->setText(card.father);
  setFatherCaption(card.fatherIsBull);

  for (QPushButton* b : {Button2, Button6, Button8, Button9, Button7, Button4, Button1, Button10}) b->show();
  Button5->hide();
  Button3->show();
  Button11->show();
  DBGrid1->setFocus();
}

void TForm9::fillGrid(QTableWidget* grid, const TraitGridLines& lines) {
  grid->clearContents();
  grid->setRowCount(0);
  grid->setColumnCount(2);
  grid->setRowCount(int(lines.rows.size()));
  for (size_t i = 0; i < lines.rows.size(); ++i) {
    auto* text = new QTableWidgetItem(lines.rows[i].xar);
    auto* value = new QTableWidgetItem(i < lines.values.size() ? lines.values[i] : QString());
    grid->setItem(int(i), 0, text);
    grid->setItem(int(i), 1, value);
  }
}

void TForm9::applyCellAccess() {
  for (QTableWidget* grid : {StringGrid1, StringGrid2, StringGrid3}) {
    const TraitKind kind = kindOf(grid);
    for (int r = 0; r < grid->rowCount(); ++r) {
      // The trait texts are the fixed column: shown, never selected or edited.
      if (QTableWidgetItem* text = grid->item(r, 0)) text->setFlags(Qt::ItemIsEnabled);
      QTableWidgetItem* value = grid->item(r, 1);
      if (!value) continue;
      const QString lineText = grid->item(r, 0) ? grid->item(r, 0)->text() : QString();
      switch (valueCellAccess(kind, editing_, lineText)) {
        case CellAccess::Editable: value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable); break;
        case CellAccess::ReadOnly: value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable); break;
        case CellAccess::Unselectable: value->setFlags(Qt::ItemIsEnabled); break;
      }
    }
  }
}

void TForm9::setEditingMode(bool on) {
  editing_ = on;
  applyCellAccess();
}

void TForm9::setParticularsReadOnly(bool readOnly) {
  for (QLineEdit* e : {Edotec, Edmat, Edlin, Masklakt, MaskEddata, Edpred, Edrogd}) e->setReadOnly(readOnly);
}

void TForm9::setFatherCaption(bool isBull) {
  bikreg->setText(isBull ? QStringLiteral("Бык-отец по базе данных")
                         : QStringLiteral("Бык-отец по базе данных не установлен!!!"));
  paintGround(bikreg, isBull ? kTeal : kRed);
}

void TForm9::showScore(int score) {
  Label19->setText(scoreCaption(score));
  Label20->setText(categoryCaption(score));
}

QString TForm9::cellText(const QTableWidget* grid, int line) const {
  const QTableWidgetItem* item = grid->item(line - 1, 1);
  return item ? item->text() : QString();
}

void TForm9::recomputeEditingScore() {
  const std::vector<TraitRow>& rows = catalogue_.rows(TraitKind::Complex);
  showScore(overallScore(rows, gridValueReader([this](int line) { return cellText(StringGrid3, line); })));
}

void TForm9::Button2Click() {
  setEditingMode(true);
  setParticularsReadOnly(false);
  // A father from the bulls table is changed only with "Изменить отца", the breed only with
  // "Изменить породу".
  if (fatherIsBull_) Edotec->setReadOnly(true);
  Edporoda->setReadOnly(true);
}

void TForm9::StringGridSetEditText(QTableWidget* grid, int line, const QString& text) {
  QTableWidgetItem* item = grid->item(line - 1, 1);
  if (!item) return;
  markUnsaved();
  item->setText(text);
  const TraitKind kind = kindOf(grid);
  if (const std::optional<QString> refusal = cellInputRefusal(kind, text)) {
    // Emptied before the message is shown, so that nothing the editor commits meanwhile
    // brings the refused text back.
    if (auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(line - 1, 1))))
      editor->clear();
    item->setText(QString());
    if (kind == TraitKind::Complex) guarded([this] { recomputeEditingScore(); });
    prompts().message(*refusal);
    return;
  }
  if (kind == TraitKind::Complex) guarded([this] { recomputeEditingScore(); });
}

void TForm9::StringGrid1DblClick(int line) {
  if (line <= 0 || line > StringGrid1->rowCount()) return;
  const QTableWidgetItem* text = StringGrid1->item(line - 1, 0);
  forms().Form2->showPictureForLine(line, text ? text->text() : QString());
}

CowCorrections TForm9::corrections() const {
  CowCorrections c;
  for (const QTableWidget* grid : {StringGrid1, StringGrid2, StringGrid3}) {
    std::vector<QString>& values = c.values[gridIndex(kindOf(grid))];
    for (int line = 1; line <= grid->rowCount(); ++line) values.push_back(cellText(grid, line));
  }
  c.father = Edotec->text();
  c.mother = Edmat->text();
  c.line = Edlin->text();
  c.lactation = Masklakt->text();
  c.calvingDate = MaskEddata->displayText();
  c.previous = Edpred->text();
  c.birth = Edrogd->text();
  return c;
}

void TForm9::Button5Click() {
  if (const std::optional<QString> refusal = writeCowCorrections(dm_, catalogue_, corrections())) {
    prompts().message(*refusal);
    return;
  }
  Button5->hide();
  Label9->hide();
}

// ---- Record buttons ----

void TForm9::Button1Click() {
  const QString typed = prompts().textInput(QStringLiteral("Введите кличку/идентифик.№ коровы и закройте это окно"), {});
  CowNameOutcome outcome;
  {
    SuppressCowRefresh suppress(dm_);
    outcome = addCow(dm_, herd, typed);
  }
  if (outcome == CowNameOutcome::Empty) return;
  refreshCowCard();
  if (outcome == CowNameOutcome::Duplicate) {
    prompts().message(duplicateCowMessage());
    return;
  }
  DBGrid1->setFocus();
  prepareNewCowForEntry();
}

void TForm9::prepareNewCowForEntry() {
  // The list stays editable until the next refresh makes it read-only again.
  dm_.DataSource3.setReadOnly(false);
  setEditingMode(true);
  setParticularsReadOnly(false);
  Masklakt->setText(QStringLiteral("0"));
  MaskEddata->setText(QStringLiteral("01.04.2001"));
  // The defaults are on the screen only until the corrections are written.
  markUnsaved();
  for (QPushButton* b : {Button2, Button9, Button6, Button8, Button7, Button4}) b->show();
  DBGrid1->setFocus();
}

void TForm9::Button4Click() {
  db::Table& t = dm_.korova;
  if (!t.isOpen() || t.recNo() == 0) return;
  if (!prompts().confirmDelete(cowRemovalQuestion(t.fieldByName(u"nokli").asString()))) return;
  bool cowsLeft;
  {
    SuppressCowRefresh suppress(dm_);
    cowsLeft = removeCurrentCow(dm_, herd);
  }
  if (cowsLeft) {
    refreshCowCard();
    return;
  }
  // The grids keep what they showed.
  prompts().message(emptyFarmMessage());
  showEmptyFarmButtons();
}

void TForm9::Button11Click() {
  db::Table& t = dm_.korova;
  if (!t.isOpen() || t.recNo() == 0) return;  // no cow to rename
  const QString typed = prompts().textInput(
      QStringLiteral("Уточните (исправьте) кличку/идентифик.№ и закройте это окно"), t.fieldByName(u"nokli").asString());
  CowNameOutcome outcome;
  {
    SuppressCowRefresh suppress(dm_);
    outcome = renameCurrentCow(dm_, herd, typed);
    if (outcome == CowNameOutcome::Duplicate) prompts().message(duplicateCowMessage());
  }
  refreshCowCard();
  DBGrid1->setFocus();
}

void TForm9::showHerd(const HerdContext& to) {
  herd = to;
  Label1->setText(herd.header);
  {
    DetachCowList detach(dm_);
    showFarmCows(dm_, herd);
  }
  if (dm_.korova.isEmpty()) {
    prompts().message(emptyFarmMessage());
    showEmptyFarmButtons();
  } else {
    refreshCowCard();
  }
}

void TForm9::Button10Click() {
  if (!dm_.korova.isOpen() || dm_.korova.recNo() == 0) return;
  prompts().showPicker(*forms().Form8,
                       QStringLiteral("Выбор НОВОГО владельца КОРОВЫ. Выберите (добавьте) и закройте окно."));
  // With no farm listed there is nowhere to move the cow: she stays where she is.
  const std::optional<HerdContext> to = pickedHerd(dm_);
  if (!to) return;
  SuppressCowRefresh suppress(dm_);
  moveCurrentCow(dm_, *to);
  showHerd(*to);
}

void TForm9::Button3Click() {
  prompts().showPicker(*forms().Form8, QStringLiteral("Выбор владельца стада. Выберите (добавьте) и закройте окно."));
  const std::optional<HerdContext> to = pickedHerd(dm_);
  if (!to) return;
  SuppressCowRefresh suppress(dm_);
  showHerd(*to);
}

void TForm9::Button9Click() {
  prompts().showPicker(
      *forms().Form10,
      QStringLiteral("Выберите нужную породу, а если такой нет - добавьте новую породу и закройте это окно."));
  if (const std::optional<QString> breed = setBreedOfCurrentCow(dm_)) Edporoda->setText(*breed);
}

void TForm9::Button6Click() {
  prompts().showPicker(
      *forms().Form4,
      QStringLiteral("Выберите (если его нет - добавьте) нужного быка-производителя и закройте это окно."));
  const std::optional<QString> bull = setFatherOfCurrentCow(dm_);
  if (!bull) return;
  // A father from the bulls table is changed only with this button.
  fatherIsBull_ = true;
  Edotec->setText(*bull);
  Edotec->setReadOnly(true);
  setFatherCaption(true);
}

void TForm9::Button8Click() {
  const QString key = selectionKeyOf(prompts().selectionKey());
  if (key.isEmpty()) return;
  SelectionOutcome outcome;
  {
    SuppressCowRefresh suppress(dm_);
    outcome = selectByKey(cowSelection(dm_, herd), key);
    if (outcome == SelectionOutcome::NoMatch) prompts().message(noMatchingRecordsMessage());
  }
  if (dm_.korova.isEmpty()) return;
  refreshCowCard();
  DBGrid1->setFocus();
}

void TForm9::Button7Click() {
  {
    SuppressCowRefresh suppress(dm_);
    showFarmCows(dm_, herd);
  }
  if (dm_.korova.isEmpty()) {
    showEmptyFarmButtons();
    return;
  }
  refreshCowCard();
}

}  // namespace korvel
