#include "evaluation/profile_pdf.h"

#include "db/file_io.h"
#include "db/folder_files.h"
#include "evaluation/pdf_engine.h"
#include "evaluation/sheet_painter.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QTextLayout>

#include <cerrno>

namespace korvel {

using xlsx::Range;

namespace {

// The contents sheet's columns: number, the sire's identification, code, daughters, page.
enum { kNumber = 1, kSire, kCode, kDaughters, kPage, kContentsColumns = kPage };
constexpr int kContentsHeader = 2;  // the title is row 1, the captions row 2

// One contents page as a sheet, so that it prints like the profile sheets.
xlsx::Sheet contentsSheet(const SireEvaluation& e, const ProfileNames& names, const xlsx::PageMargins& margins,
                          int first, int count, int firstSirePage) {
  xlsx::Sheet sheet{QString()};
  sheet.setMargins(margins);
  sheet.setColumnWidth(Range::cell(1, kNumber), 5);
  sheet.setColumnWidth(Range::cell(1, kSire), 36);
  sheet.setColumnWidth(Range::cell(1, kCode), 16);
  sheet.setColumnWidth(Range::cell(1, kDaughters), 9);
  sheet.setColumnWidth(Range::cell(1, kPage), 9);
  const Range title(1, 1, 1, kContentsColumns);
  sheet.merge(title);
  sheet.setValue(title, QStringLiteral("Линейные профили быков-производителей. (Порода коров: ") + names.breedName +
                            QStringLiteral("). Содержание"));
  sheet.setFontSize(title, 10);
  sheet.setHorizontalAlignment(title, xlsx::HAlign::Center);
  const QString captions[] = {QStringLiteral("№"), QStringLiteral("Идентификационный №, кличка"),
                              QStringLiteral("Код быка"), QStringLiteral("Число дочерей"), QStringLiteral("Страница")};
  for (int c = kNumber; c <= kContentsColumns; ++c) sheet.setValue(Range::cell(kContentsHeader, c), captions[c - 1]);
  const Range body(kContentsHeader, 1, kContentsHeader + count, kContentsColumns);
  for (int k = 0; k < count; ++k) {
    const int i = first + k, row = kContentsHeader + 1 + k;
    sheet.setValue(Range::cell(row, kNumber), double(i + 1));
    sheet.setValue(Range::cell(row, kSire), names.sires.at(size_t(i)).nokli);
    sheet.setValue(Range::cell(row, kCode), e.sires[size_t(i)].code);
    sheet.setValue(Range::cell(row, kDaughters), double(e.sires[size_t(i)].daughters));
    sheet.setValue(Range::cell(row, kPage), double(firstSirePage + i));
  }
  sheet.setFontSize(body, 8);
  sheet.setVerticalAlignment(body, xlsx::VAlign::Center);
  sheet.setHorizontalAlignment(Range(kContentsHeader, 1, kContentsHeader, kContentsColumns), xlsx::HAlign::Center);
  sheet.setBorders(body, xlsx::AllLines, xlsx::BorderStyle::Thin);
  return sheet;
}

// The catalogue's bytes on their way to the file: a temporary file beside it, written in large
// pieces by the program's one road for durable writes (so that a full disk is told with its
// cause when it happens), flushed and renamed into place only when whole.
class CatalogueOutput : public QIODevice {
 public:
  explicit CatalogueOutput(const QString& path)
      : path_(path),
        temporary_(QFileInfo(path).dir().filePath(QLatin1String(db::kTemporaryPrefix) + QFileInfo(path).fileName() +
                                                  QLatin1String(db::kTemporarySuffix))),
        file_(temporary_) {
    if (QFileInfo(path).isDir()) err_ = EISDIR;
    else if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) err_ = -1;
    else open(QIODevice::WriteOnly);
  }
  ~CatalogueOutput() override {
    if (file_.isOpen()) {
      file_.close();
      QFile::remove(temporary_);
    }
  }
  // The error number of the first failure; -1 when the temporary file could not be made
  // (file() tells why).
  int failure() const { return err_; }
  const QFile& file() const { return file_; }
  bool isSequential() const override { return true; }

  // The last bytes written, flushed to the medium, and the file put in place; false on failure.
  bool commit() {
    if (!err_) writeBuffer();
    if (!err_) err_ = db::io::sync(int(file_.handle()));
    file_.close();
    if (!err_) err_ = db::io::rename(temporary_, path_);
    if (err_) {
      QFile::remove(temporary_);
      return false;
    }
    db::io::syncFolder(QFileInfo(path_).absolutePath());
    return true;
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 n) override {
    if (err_) return -1;
    buffer_.append(data, n);
    if (buffer_.size() >= kPiece) writeBuffer();
    return err_ ? -1 : n;
  }

 private:
  static constexpr qsizetype kPiece = 1 << 20;
  void writeBuffer() {
    if (buffer_.isEmpty()) return;
    err_ = db::io::writeAt(int(file_.handle()), written_, buffer_.constData(), size_t(buffer_.size()));
    written_ += buffer_.size();
    buffer_.clear();
  }
  QString path_, temporary_;
  QFile file_;
  QByteArray buffer_;
  qint64 written_ = 0;
  int err_ = 0;
};

class CatalogueFile {
 public:
  explicit CatalogueFile(const QString& path) : shown_(QDir::toNativeSeparators(path)), output_(path) {
    if (output_.failure())
      throw xlsx::WriteError(QStringLiteral("Не удалось создать файл «%1»: %2.")
                                 .arg(shown_, output_.failure() > 0 ? db::io::causeText(output_.failure())
                                                                     : db::io::causeText(output_.file())));
    writer_ = std::make_unique<pdf::Document>(output_, QPageSize(QPageSize::A4).size(QPageSize::Point), kResolution,
                                              QStringLiteral("Линейные профили быков-производителей"),
                                              QStringLiteral("Корвель"));
    if (!painter_.begin(writer_.get())) failed();
    sheets_ = std::make_unique<xlsx::SheetPainter>(writer_.get());
    pageFont_.setPointSizeF(8);
  }

  // Draws the sheet on the next page, within its margins, with the page's number below it.
  void page(const xlsx::Sheet& sheet) {
    if (pages_ > 0 && !writer_->newPage()) failed();
    if (output_.failure()) failed();
    ++pages_;
    const double k = kResolution / 72.0;  // device units per point
    const xlsx::PageMargins& m = sheet.margins();
    const QRectF area(QPointF(m.left * 72 * k, m.top * 72 * k),
                      QPointF(writer_->width() - m.right * 72 * k, writer_->height() - m.bottom * 72 * k));
    sheets_->paint(painter_, sheet, area);
    painter_.setPen(Qt::black);
    // The number centred in the bottom margin.
    QTextLayout number(QString::number(pages_), pageFont_, writer_.get());
    number.beginLayout();
    QTextLine line = number.createLine();
    line.setPosition(QPointF(0, 0));
    number.endLayout();
    const QPointF corner((writer_->width() - line.naturalTextWidth()) / 2,
                         (area.bottom() + writer_->height() - line.height()) / 2);
    for (const QGlyphRun& run : number.glyphRuns()) writer_->drawGlyphRun(painter_, corner, run);
  }

  void finish() {
    if (!painter_.end() || !writer_->finish() || output_.failure() || !output_.commit()) failed();
  }

 private:
  [[noreturn]] void failed() {
    const QString reason = output_.failure() > 0 ? db::io::causeText(output_.failure())
                                                 : QStringLiteral("сбой формирования PDF");
    throw xlsx::WriteError(QStringLiteral("Не удалось записать файл «%1»: %2.").arg(shown_, reason));
  }

  QString shown_;
  CatalogueOutput output_;
  static constexpr int kResolution = 1200;  // device units per inch, as Qt's own PDF writer
  std::unique_ptr<pdf::Document> writer_;
  QPainter painter_;
  std::unique_ptr<xlsx::SheetPainter> sheets_;
  QFont pageFont_;
  int pages_ = 0;
};

}  // namespace

int catalogueContentsPages(int sires) {
  return std::max(1, (sires + kContentsRowsPerPage - 1) / kContentsRowsPerPage);
}

void writeProfileCatalogue(const SireEvaluation& e, const ProfileNames& names, const QString& path,
                           const std::function<void(int done, int total)>& pageDone) {
  const int n = e.sireCount();
  CatalogueFile pdf(path);
  // What every page shares is laid out once, as for the workbook.
  xlsx::Sheet shared{QString()};
  formatProfileSheet(shared, e, names.breedName);
  const int contents = catalogueContentsPages(n);
  for (int p = 0; p < contents; ++p) {
    const int first = p * kContentsRowsPerPage;
    pdf.page(contentsSheet(e, names, shared.margins(), first, std::min(kContentsRowsPerPage, n - first), contents + 1));
  }
  for (int i = 0; i < n; ++i) {
    xlsx::Sheet sheet = shared;
    fillProfileSheet(sheet, e, e.figures(i), names.sires.at(size_t(i)));
    pdf.page(sheet);
    if (pageDone) pageDone(i + 1, n);
  }
  pdf.finish();
}

}  // namespace korvel
