#include "starter/starter_folder.h"

#include "base/user_error.h"
#include "db/file_io.h"
#include "db/file_set_swap.h"
#include "db/folder_files.h"
#include "db/schema.h"
#include "help/help_pictures.h"
#include "help/jpeg.h"
#include "help/starter_data.h"
#include "herdgen/herdgen.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace korvel {
namespace {

bool presentCaseInsensitive(const QDir& dir, const QString& name) {
  const QStringList entries = dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& e : entries)
    if (e.compare(name, Qt::CaseInsensitive) == 0) return true;
  return false;
}

[[noreturn]] void cannotWrite(const QString& path, const QString& why) {
  throw UserError(QStringLiteral("Не удалось записать %1: %2").arg(QDir::toNativeSeparators(path), why));
}

// The rows of the cow card's linear grid: the catalogue's first rows while they are linear
// traits with a caption; line n of the grid is the n-th of them.
std::vector<CatalogueRow> linearLines(const std::vector<CatalogueRow>& rows) {
  std::vector<CatalogueRow> out;
  for (const CatalogueRow& r : rows) {
    const bool linear = r.id.contains(QLatin1Char('x')) && !r.id.contains(QLatin1String("xx"));
    if (!linear || r.xar.trimmed().isEmpty()) break;
    out.push_back(r);
  }
  return out;
}

void writePicture(const QImage& image, const QString& path, QStringList& written) {
  if (QFileInfo::exists(path)) return;
  QString error;
  if (!encodeJpeg(image, path, 90, &error)) cannotWrite(path, error);
  written << path;
}

// The six tables (XARAKT with the starter catalogue) of a folder that holds none: written under
// temporary names and put in place together, so that a layout cut short (a kill, a full disk)
// leaves a folder without tables, which the next start lays out anew, never some of them or an
// empty catalogue. Returns the tables' file names.
QStringList layOutTables(const QDir& dir) {
  std::vector<db::FileReplacement> tables;
  try {
    for (const db::TableLayout& t : db::allLayouts()) {
      const QString staged = QLatin1String(db::kTemporaryPrefix) + t.fileName + QLatin1String(db::kTemporarySuffix);
      const QString path = dir.filePath(staged);
      tables.push_back({staged, t.fileName});
      if (t.fileName == db::xaraktLayout().fileName) herd::writeStarterCatalogue(path);
      else db::DbfFile::create(path, t.fields);
      // Each new table reaches the medium before it takes its name.
      QFile written(path);
      const int err = written.open(QIODevice::ReadOnly) ? db::io::sync(written.handle()) : EIO;
      if (err) cannotWrite(dir.filePath(t.fileName), db::io::causeText(err));
    }
  } catch (...) {
    for (const db::FileReplacement& t : tables) QFile::remove(dir.filePath(t.staged));
    throw;
  }
  if (const auto failed = db::replaceFiles(dir.path(), tables))
    cannotWrite(dir.filePath(failed->name), db::io::causeText(failed->err));
  QStringList names;
  for (const db::FileReplacement& t : tables) names << t.target;
  return names;
}

}  // namespace

QStringList layOutStarterFolder(const QString& dirPath) {
  initStarterData();
  QDir dir(dirPath);
  if (!dir.mkpath(QStringLiteral("."))) cannotWrite(dirPath, QStringLiteral("папку нельзя создать"));
  QStringList written;

  const std::vector<CatalogueRow> catalogue = starterCatalogue();
  const QStringList missing = db::missingTables(dir.path());
  if (missing.size() == int(db::allLayouts().size())) {
    for (const QString& name : layOutTables(dir)) written << dir.filePath(name);
  } else if (!missing.isEmpty()) {
    // Some tables are there and some not: a table was lost. An empty one in its place would
    // pass for the data (and showing the bulls would then zero their figures).
    throw UserError(
        QStringLiteral("В папке %1 нет таблиц: %2. Остальные таблицы на месте, поэтому пустые таблицы не "
                       "создаются: верните недостающие файлы (например, из резервной копии). Ничего не записано.")
            .arg(QDir::toNativeSeparators(dirPath), missing.join(QStringLiteral(", "))));
  }

  for (const InstructionFile& f : starterInstructions()) {
    if (presentCaseInsensitive(dir, f.fileName)) continue;
    const QString path = dir.filePath(f.fileName);
    QFile out(path);
    const QByteArray bytes = toDosText(f.text);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
      const QString why = db::io::causeText(out);
      out.close();
      QFile::remove(path);
      cannotWrite(path, why);
    }
    written << path;
  }

  if (!dir.mkpath(QStringLiteral("kartinki"))) cannotWrite(dir.filePath(QStringLiteral("kartinki")), QStringLiteral("папку нельзя создать"));
  const std::vector<CatalogueRow> lines = linearLines(catalogue);
  for (size_t i = 0; i < lines.size(); ++i)
    writePicture(linearTraitPicture(lines[i].xar, lines[i].dop1, lines[i].dop2),
                 dir.filePath(QStringLiteral("kartinki/%1.jpg").arg(i + 1)), written);
  for (int which = 1; which <= 2; ++which) writePicture(mainWindowPicture(which), dir.filePath(mainPicturePath(which)), written);
  return written;
}

}  // namespace korvel
