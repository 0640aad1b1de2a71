// The cows window's three trait grids: their cells and colours, which cells may be edited,
// the input check at each keystroke with the score while editing, and the help picture.
#include "cows/cow_card.h"
#include "cows/cow_card_parts.h"
#include "cows/scoring.h"
#include "help/picture_window.h"
#include "ui/forms.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace korvel {

using namespace cow_card;

// The value cells: an in-place editor whose every keystroke goes through the window's input
// check, and the red headings and green sub-rows of the defect and complex grids.
class CowWindow::CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(CowWindow* form, QTableWidget* grid, TraitKind kind)
      : QStyledItemDelegate(grid), form_(form), grid_(grid), kind_(kind) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    const int line = index.row() + 1;
    onSignal(editor, &QLineEdit::textEdited, form_, QStringLiteral("Ввод оценки"),
             [form = form_, grid = grid_, line](const QString& text) { form->cellTextEdited(grid, line, text); });
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
  CowWindow* form_;
  QTableWidget* grid_;
  TraitKind kind_;
};

QTableWidget* CowWindow::makeGrid(const char* name, TraitKind kind, int x, int y, int w, int h) {
  auto* g = new QTableWidget(0, 2, this);
  g->setObjectName(QString::fromLatin1(name));
  g->setGeometry(x, y, w, h);
  g->verticalHeader()->hide();
  g->verticalHeader()->setDefaultSectionSize(20);
  // The title row is as high as the others.
  g->horizontalHeader()->setFixedHeight(20);
  g->setSelectionMode(QAbstractItemView::SingleSelection);
  g->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                     QAbstractItemView::SelectedClicked);
  g->setWordWrap(false);
  g->setItemDelegate(new CellDelegate(this, g, kind));
  return g;
}

void CowWindow::setTitles() {
  struct Titles {
    QTableWidget* grid;
    const char16_t* value;
    int width0, width1;
  };
  const Titles all[] = {{linearGrid, u"Балл", 180, 35}, {defectsGrid, u"Оценка", 183, 43}, {complexGrid, u"Балл", 185, 35}};
  for (const Titles& t : all) {
    t.grid->setColumnCount(2);
    t.grid->setHorizontalHeaderLabels({QStringLiteral("Характеристики"), QString::fromUtf16(t.value)});
    t.grid->setColumnWidth(0, t.width0);
    t.grid->setColumnWidth(1, t.width1);
  }
}

TraitKind CowWindow::kindOf(const QTableWidget* grid) const {
  if (grid == defectsGrid) return TraitKind::Defect;
  if (grid == complexGrid) return TraitKind::Complex;
  return TraitKind::Linear;
}

void CowWindow::fillGrid(QTableWidget* grid, const TraitGridLines& lines) {
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

void CowWindow::applyCellAccess() {
  for (QTableWidget* grid : {linearGrid, defectsGrid, complexGrid}) {
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

void CowWindow::setEditingMode(bool on) {
  editing_ = on;
  applyCellAccess();
}

QString CowWindow::cellText(const QTableWidget* grid, int line) const {
  const QTableWidgetItem* item = grid->item(line - 1, 1);
  return item ? item->text() : QString();
}

void CowWindow::recomputeEditingScore() {
  const std::vector<TraitRow>& rows = catalogue_.rows(TraitKind::Complex);
  showScore(overallScore(rows, gridValueReader([this](int line) { return cellText(complexGrid, line); })));
}

void CowWindow::cellTextEdited(QTableWidget* grid, int line, const QString& text) {
  QTableWidgetItem* item = grid->item(line - 1, 1);
  if (!item) return;
  markUnsaved();
  const TraitKind kind = kindOf(grid);
  const std::optional<QString> refusal = cellInputRefusal(kind, text);
  // A refused text is emptied at once, in the editor as in the cell, so that the next
  // keystroke starts from an empty cell and nothing the editor commits later brings it back.
  if (refusal) {
    if (auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(line - 1, 1))))
      editor->clear();
  }
  item->setText(refusal ? QString() : text);
  if (kind == TraitKind::Complex) guardedInSignal(this, [this] { recomputeEditingScore(); });
  // This runs inside the editor's keystroke. A box opened here would run its event loop with
  // the editor's key handling still on the stack, and closing the box (which takes the focus
  // from the editor and so ends the editing) destroys the editor under it. The message opens
  // once the keystroke is done.
  if (refusal) messageLater(this, *refusal);
}

void CowWindow::linearGridDoubleClicked(int line) {
  if (line <= 0 || line > linearGrid->rowCount()) return;
  const QTableWidgetItem* text = linearGrid->item(line - 1, 0);
  forms().pictureWindow->showPictureForLine(line, text ? text->text() : QString());
}

}  // namespace korvel
