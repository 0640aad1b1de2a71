// Packing the parts into the .xlsx archive with libzip, and saving it without ever leaving a
// half-written file in place.
#include "evaluation/spreadsheet_parts.h"

#include <QDir>
#include <QSaveFile>

#include <zip.h>

#include <memory>

namespace korvel::xlsx {

namespace {

struct Part {
  QByteArray name;
  QByteArray data;
};

struct ArchiveCloser {
  void operator()(zip_t* za) const { zip_discard(za); }
};
struct SourceFreer {
  void operator()(zip_source_t* src) const { zip_source_free(src); }
};
struct ErrorFini {
  zip_error_t* error;
  ~ErrorFini() { zip_error_fini(error); }
};

[[noreturn]] void fail(const QString& what, const char* detail) {
  throw WriteError(QStringLiteral("Не удалось собрать книгу%1: ошибка архиватора (%2).")
                       .arg(what, QString::fromLocal8Bit(detail)));
}

std::vector<Part> assembleParts(const Workbook& book) {
  std::vector<Part> parts;
  const int n = book.sheetCount();
  parts.reserve(size_t(n) * 3 + 8);
  parts.push_back({"[Content_Types].xml", {}});  // filled last: it lists the drawings
  parts.push_back({"_rels/.rels", part::rootRels()});
  parts.push_back({"docProps/app.xml", part::app()});
  parts.push_back({"docProps/core.xml", part::core()});
  parts.push_back({"xl/workbook.xml", part::workbook(book.sheetNames(), book.activeSheet())});
  parts.push_back({"xl/_rels/workbook.xml.rels", part::workbookRels(n)});

  StringTable strings;
  StyleTable styles;
  std::vector<bool> hasDrawing(size_t(n), false);
  std::vector<Part> drawings;
  for (int i = 0; i < n; ++i) {
    const Sheet& sheet = book.sheet(i);
    const QByteArray number = QByteArray::number(i + 1);
    hasDrawing[size_t(i)] = !sheet.shapes().empty();
    parts.push_back({"xl/worksheets/sheet" + number + ".xml",
                     part::worksheet(sheet, i == book.activeSheet(), hasDrawing[size_t(i)],
                                     strings, styles)});
    if (hasDrawing[size_t(i)]) {
      const int d = int(drawings.size()) + 1;
      const QByteArray dn = QByteArray::number(d);
      parts.push_back({"xl/worksheets/_rels/sheet" + number + ".xml.rels", part::worksheetRels(d)});
      drawings.push_back({"xl/drawings/drawing" + dn + ".xml", part::drawing(sheet)});
    }
  }
  for (Part& d : drawings) parts.push_back(std::move(d));
  parts.push_back({"xl/styles.xml", styles.assemble()});
  parts.push_back({"xl/sharedStrings.xml", strings.assemble()});
  parts.front().data = part::contentTypes(hasDrawing);
  return parts;
}

QByteArray pack(const std::vector<Part>& parts, const QString& what) {
  zip_error_t error;
  zip_error_init(&error);
  ErrorFini errorGuard{&error};

  std::unique_ptr<zip_source_t, SourceFreer> buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
  if (!buffer) fail(what, zip_error_strerror(&error));
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error));
  if (!archive) fail(what, zip_error_strerror(&error));
  zip_source_keep(buffer.get());  // it must outlive zip_close: the archive is read from it

  for (const Part& p : parts) {
    // The parts stay alive until zip_close, so libzip may read them in place.
    zip_source_t* src = zip_source_buffer(archive.get(), p.data.constData(), zip_uint64_t(p.data.size()), 0);
    if (!src) fail(what, zip_strerror(archive.get()));
    const zip_int64_t index = zip_file_add(archive.get(), p.name.constData(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(src);
      fail(what, zip_strerror(archive.get()));
    }
    // The fastest deflate level: the parts are repetitive XML that it still packs about ten to
    // one, and a workbook of thousands of sheets is written several times faster than at the
    // default level.
    if (zip_set_file_compression(archive.get(), zip_uint64_t(index), ZIP_CM_DEFLATE, 1) < 0)
      fail(what, zip_strerror(archive.get()));
  }
  if (zip_close(archive.get()) < 0) fail(what, zip_strerror(archive.get()));
  archive.release();  // closed: zip_close freed it

  zip_source_t* src = buffer.get();
  if (zip_source_open(src) < 0) fail(what, zip_error_strerror(zip_source_error(src)));
  QByteArray bytes;
  if (zip_source_seek(src, 0, SEEK_END) == 0) {
    const zip_int64_t size = zip_source_tell(src);
    if (size > 0 && zip_source_seek(src, 0, SEEK_SET) == 0) {
      bytes.resize(qsizetype(size));
      if (zip_source_read(src, bytes.data(), zip_uint64_t(size)) != size) bytes.clear();
    }
  }
  zip_source_close(src);
  if (bytes.isEmpty()) fail(what, zip_error_strerror(zip_source_error(src)));
  return bytes;
}

QByteArray build(const Workbook& book, const QString& what) {
  if (book.sheetCount() == 0)
    throw WriteError(QStringLiteral("Не удалось собрать книгу%1: в ней нет ни одного листа.").arg(what));
  return pack(assembleParts(book), what);
}

}  // namespace

QByteArray Workbook::toXlsx() const { return build(*this, QString()); }

void Workbook::save(const QString& path) const {
  const QString shown = QDir::toNativeSeparators(path);
  const QByteArray bytes = build(*this, QStringLiteral(" «%1»").arg(shown));

  // QSaveFile writes beside the target and renames into place only on success; on any
  // failure the target keeps its old content (or stays absent) and the temporary file goes.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw WriteError(QStringLiteral("Не удалось создать файл «%1»: %2.")
                         .arg(shown, file.errorString()));
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    throw WriteError(QStringLiteral("Не удалось записать файл «%1» (возможно, на диске нет места): %2.")
                         .arg(shown, reason));
  }
  if (!file.commit()) {
    if (file.error() == QFileDevice::RenameError)
      throw WriteError(QStringLiteral("Не удалось заменить файл «%1» (возможно, он открыт в другой "
                                      "программе): %2.")
                           .arg(shown, file.errorString()));
    throw WriteError(QStringLiteral("Не удалось записать файл «%1» (возможно, на диске нет места): %2.")
                         .arg(shown, file.errorString()));
  }
}

}  // namespace korvel::xlsx
