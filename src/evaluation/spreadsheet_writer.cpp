// Writing the package: sheets as they come, then the workbook's own parts, into a temporary
// file that is renamed into place only when whole.
#include "evaluation/workbook_writer.h"

#include "db/file_io.h"
#include "evaluation/spreadsheet_parts.h"
#include "evaluation/spreadsheet_zip.h"

#include <QDir>
#include <QSaveFile>

namespace korvel::xlsx {

struct WorkbookWriter::Package {
  explicit Package(const QString& path) : file(path), zip(file) {}
  QSaveFile file;
  ZipWriter zip;
  StringTable strings;
  StyleTable styles;
  std::vector<bool> hasDrawing;
  int drawings = 0;
};

WorkbookWriter::WorkbookWriter(const QString& path, int activeSheet)
    : shown_(QDir::toNativeSeparators(path)), activeSheet_(activeSheet), package_(std::make_unique<Package>(path)) {
  // QSaveFile writes beside the target and renames into place only on commit; dropped
  // uncommitted, it removes its temporary file. Unbuffered, a write that fails (a full disk)
  // fails where it is made and keeps the system's reason, which a buffered one loses by the
  // time it reaches the disk.
  if (!package_->file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw WriteError(QStringLiteral("Не удалось создать файл «%1»: %2.").arg(shown_, db::io::causeText(package_->file)));
}

WorkbookWriter::~WorkbookWriter() = default;

void WorkbookWriter::failed(const QString& detail) const {
  QSaveFile& file = package_->file;
  const bool deviceFailed = file.error() != QFileDevice::NoError;
  const QString reason = deviceFailed ? db::io::causeText(file) : detail;
  file.cancelWriting();
  if (deviceFailed)
    throw WriteError(QStringLiteral("Не удалось записать файл «%1»: %2.").arg(shown_, reason));
  throw WriteError(QStringLiteral("Не удалось собрать книгу «%1»: %2.").arg(shown_, reason));
}

QString WorkbookWriter::addSheet(const Sheet& sheet, const QString& wantedName) {
  // The first acceptable form of the name is taken unless an earlier sheet has it; only then
  // is a numbered form looked for among the names given.
  QString name = acceptableSheetName(wantedName, {});
  if (foldedNames_.contains(name.toCaseFolded())) name = acceptableSheetName(wantedName, names_);
  names_ << name;
  foldedNames_.insert(name.toCaseFolded());

  Package& p = *package_;
  const int index = int(names_.size()) - 1;
  const bool drawn = !sheet.shapes().empty();
  p.hasDrawing.push_back(drawn);
  const QByteArray number = QByteArray::number(index + 1);
  try {
    p.zip.add("xl/worksheets/sheet" + number + ".xml",
              part::worksheet(sheet, index == activeSheet_, drawn, p.strings, p.styles).str());
    if (drawn) {
      const int d = ++p.drawings;
      p.zip.add("xl/worksheets/_rels/sheet" + number + ".xml.rels", part::worksheetRels(d).str());
      p.zip.add("xl/drawings/drawing" + QByteArray::number(d) + ".xml", part::drawing(sheet).str());
    }
  } catch (const ZipFailure& e) {
    failed(e.text());
  }
  return name;
}

void WorkbookWriter::finish() {
  if (names_.isEmpty())
    throw WriteError(QStringLiteral("Не удалось собрать книгу «%1»: в ней нет ни одного листа.").arg(shown_));
  Package& p = *package_;
  const QByteArray contentTypes = "[Content_Types].xml";
  try {
    p.zip.add("xl/styles.xml", p.styles.assemble().str());
    p.zip.add("xl/sharedStrings.xml", p.strings.assemble().str());
    p.zip.add("xl/workbook.xml", part::workbook(names_, activeSheet_).str());
    p.zip.add("xl/_rels/workbook.xml.rels", part::workbookRels(int(names_.size())).str());
    p.zip.add("_rels/.rels", part::rootRels().str());
    p.zip.add("docProps/app.xml", part::app().str());
    p.zip.add("docProps/core.xml", part::core().str());
    p.zip.add(contentTypes, part::contentTypes(p.hasDrawing).str());
    // The directory lists the content types first, where readers conventionally find them.
    p.zip.finish(contentTypes);
  } catch (const ZipFailure& e) {
    failed(e.text());
  }
  if (!p.file.commit()) {
    if (p.file.error() == QFileDevice::RenameError)
      throw WriteError(QStringLiteral("Не удалось заменить файл «%1» (возможно, он открыт в другой "
                                      "программе): %2.")
                           .arg(shown_, db::io::causeText(p.file)));
    throw WriteError(QStringLiteral("Не удалось записать файл «%1»: %2.")
                         .arg(shown_, db::io::causeText(p.file)));
  }
}

void Workbook::save(const QString& path) const {
  WorkbookWriter writer(path, activeSheet_);
  for (const Sheet& sheet : sheets_) writer.addSheet(sheet, sheet.name());
  writer.finish();
}

}  // namespace korvel::xlsx
