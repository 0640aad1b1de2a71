#include "caption_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTableView>

namespace korvel::test {
namespace {

// "Form9/StringGrid1": the named widgets from the window down to `w`.
QString nameOf(const QWidget* w, const QWidget* window) {
  QStringList names;
  for (const QWidget* p = w; p; p = p->parentWidget()) {
    if (!p->objectName().isEmpty() && !p->objectName().startsWith(QLatin1String("qt_"))) names.prepend(p->objectName());
    if (p == window) break;
  }
  return names.join(QLatin1Char('/'));
}

bool isOwnControl(const QWidget* w) {
  return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")) && !w->isWindow();
}

class Report {
 public:
  explicit Report(QWidget& window) : window_(window) {}
  QStringList lines;

  // A text of `need` pixels where there are `room`.
  void tooWide(const QWidget* w, const QString& what, const QString& text, int need, int room) {
    if (need <= room) return;
    lines << QStringLiteral("%1%2: \"%3\" needs %4 px, has %5").arg(nameOf(w, &window_), what, text).arg(need).arg(room);
  }
  void add(const QWidget* w, const QString& what) { lines << nameOf(w, &window_) + QStringLiteral(": ") + what; }

 private:
  QWidget& window_;
};

int textWidth(const QFontMetrics& fm, const QString& text) { return fm.size(Qt::TextShowMnemonic, text).width(); }

void checkLabel(QLabel* l, Report& report) {
  if (l->text().isEmpty() || !l->pixmap().isNull()) return;
  const QFontMetrics fm = l->fontMetrics();
  if (l->wordWrap()) {
    // A wrapping label shows whole when its lines fit its height.
    report.tooWide(l, QStringLiteral(" (wrapped height)"), l->text(), l->heightForWidth(l->width()), l->height());
    return;
  }
  const QRect r = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
  const QSize need = fm.size(0, l->text());
  report.tooWide(l, {}, l->text(), need.width(), r.width());
  report.tooWide(l, QStringLiteral(" (height)"), l->text(), fm.height(), r.height());
}

void checkButton(QAbstractButton* b, Report& report) {
  if (b->text().isEmpty()) return;
  QStyleOptionButton opt;
  opt.initFrom(b);
  opt.text = b->text();
  QStyle::SubElement contents = QStyle::SE_PushButtonContents;
  if (qobject_cast<QRadioButton*>(b)) contents = QStyle::SE_RadioButtonContents;
  else if (qobject_cast<QCheckBox*>(b)) contents = QStyle::SE_CheckBoxContents;
  else if (auto* p = qobject_cast<QPushButton*>(b); p && (p->autoDefault() || p->isDefault()))
    opt.features |= QStyleOptionButton::AutoDefaultButton;
  const QRect r = b->style()->subElementRect(contents, &opt, b);
  const QFontMetrics fm = b->fontMetrics();
  report.tooWide(b, {}, b->text(), textWidth(fm, b->text()), r.width());
  report.tooWide(b, QStringLiteral(" (height)"), b->text(), fm.height(), r.height());
}

void checkGroupBox(QGroupBox* g, Report& report) {
  if (g->title().isEmpty()) return;
  QStyleOptionGroupBox opt;
  opt.initFrom(g);
  opt.text = g->title();
  opt.lineWidth = 1;
  opt.textAlignment = g->alignment();
  opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
  // The caption's place is as wide as its text; it must end inside the box.
  report.tooWide(g, QStringLiteral(" (caption)"), g->title(), label.right() + 1, g->width());
}

void checkLineEdit(QLineEdit* e, Report& report) {
  const QString text = e->displayText();
  if (text.isEmpty()) return;
  QStyleOptionFrame opt;
  opt.initFrom(e);
  opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
  const QRect r = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).marginsRemoved(e->textMargins());
  // The edit keeps 2 px either side of its text and one for the cursor.
  report.tooWide(e, {}, text, e->fontMetrics().horizontalAdvance(text), r.width() - 5);
}

QFont itemFont(const QModelIndex& index, const QFont& base) {
  const QVariant f = index.data(Qt::FontRole);
  return f.isValid() ? qvariant_cast<QFont>(f).resolve(base) : base;
}

// A cell's text in a column `room` pixels wide and a row `height` pixels high.
void checkCell(const QAbstractItemView* v, const QModelIndex& index, int room, int height, Report& report) {
  const QString text = index.data(Qt::DisplayRole).toString();
  if (text.isEmpty()) return;
  const QFontMetrics fm(itemFont(index, v->font()));
  const int margin = v->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, v) + 1;
  const QString where = QStringLiteral(" cell %1,%2").arg(index.row()).arg(index.column());
  const auto* table = qobject_cast<const QTableView*>(v);
  if (table && table->wordWrap() && fm.horizontalAdvance(text) + 2 * margin > room) {
    // A wrapping grid shows a long text on more lines: they must fit the row.
    const QRect wrapped = fm.boundingRect(QRect(0, 0, room - 2 * margin, 1 << 20), Qt::TextWordWrap, text);
    report.tooWide(v, where + QStringLiteral(" (wrapped width)"), text, wrapped.width() + 2 * margin, room);
    report.tooWide(v, where + QStringLiteral(" (wrapped height)"), text, wrapped.height(), height);
    return;
  }
  report.tooWide(v, where, text, fm.horizontalAdvance(text) + 2 * margin, room);
  report.tooWide(v, where + QStringLiteral(" (height)"), text, fm.height(), height);
}

void checkHeader(const QHeaderView* h, Report& report) {
  if (!h->isVisibleTo(h->window())) return;
  const QAbstractItemModel* m = h->model();
  QFont font = h->font();
  // A highlighted section (the current cell's column or row) is drawn in bold.
  if (h->highlightSections()) font.setBold(true);
  const QFontMetrics fm(font);
  const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
  const auto* view = qobject_cast<const QAbstractItemView*>(h->parentWidget());
  for (int s = 0; s < h->count(); ++s) {
    if (h->isSectionHidden(s)) continue;
    const QString text = m->headerData(s, h->orientation(), Qt::DisplayRole).toString();
    if (text.isEmpty()) continue;
    const QString where = QStringLiteral(" header %1").arg(s);
    if (h->orientation() == Qt::Horizontal) {
      report.tooWide(view, where, text, fm.horizontalAdvance(text) + 2 * margin, h->sectionSize(s));
      report.tooWide(view, where + QStringLiteral(" (height)"), text, fm.height(), h->height());
    } else {
      report.tooWide(view, where, text, fm.horizontalAdvance(text) + 2 * margin, h->width());
    }
  }
}

void checkTable(QTableView* t, Report& report) {
  const QAbstractItemModel* m = t->model();
  if (!m) return;
  checkHeader(t->horizontalHeader(), report);
  checkHeader(t->verticalHeader(), report);
  const int viewWidth = t->viewport()->width();
  for (int c = 0; c < m->columnCount(); ++c) {
    if (t->isColumnHidden(c)) continue;
    // Every column shows without scrolling sideways, clear of the vertical scroll bar.
    const int right = t->horizontalHeader()->sectionPosition(c) + t->columnWidth(c);
    report.tooWide(t, QStringLiteral(" column %1 (right edge)").arg(c), m->headerData(c, Qt::Horizontal).toString(), right,
                   viewWidth);
    for (int r = 0; r < m->rowCount(); ++r)
      if (!t->isRowHidden(r)) checkCell(t, m->index(r, c), t->columnWidth(c), t->rowHeight(r), report);
  }
}

void checkList(QListView* l, Report& report) {
  const QAbstractItemModel* m = l->model();
  if (!m) return;
  for (int r = 0; r < m->rowCount(); ++r)
    checkCell(l, m->index(r, 0), l->viewport()->width(), l->sizeHintForRow(r), report);
}

// Shown controls must lie inside their parent and clear of each other.
void checkPlaces(QWidget& window, const QList<QWidget*>& shown, Report& report) {
  for (QWidget* w : shown) {
    if (!isOwnControl(w) || !w->parentWidget()) continue;
    const QRect inside = w->parentWidget()->rect();
    if (!inside.contains(w->geometry()))
      report.add(w, QStringLiteral("lies outside its parent (%1,%2 %3x%4 in %5x%6)")
                        .arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height())
                        .arg(inside.width()).arg(inside.height()));
  }
  for (qsizetype i = 0; i < shown.size(); ++i)
    for (qsizetype j = i + 1; j < shown.size(); ++j) {
      QWidget* a = shown[i];
      QWidget* b = shown[j];
      if (!isOwnControl(a) || !isOwnControl(b) || a->parentWidget() != b->parentWidget()) continue;
      if (a->geometry().intersects(b->geometry())) report.add(a, QStringLiteral("overlaps ") + nameOf(b, &window));
    }
}

}  // namespace

QStringList unreadableTexts(QWidget& window) {
  Report report(window);
  QList<QWidget*> shown;
  for (QWidget* w : window.findChildren<QWidget*>())
    if (w->isVisibleTo(&window) && w->window() == &window) shown << w;
  for (QWidget* w : shown) {
    if (auto* l = qobject_cast<QLabel*>(w)) checkLabel(l, report);
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) checkButton(b, report);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) checkGroupBox(g, report);
    else if (auto* e = qobject_cast<QLineEdit*>(w); e && isOwnControl(e)) checkLineEdit(e, report);
    else if (auto* t = qobject_cast<QTableView*>(w)) checkTable(t, report);
    else if (auto* lv = qobject_cast<QListView*>(w)) checkList(lv, report);
  }
  checkPlaces(window, shown, report);
  return report.lines;
}

}  // namespace korvel::test
