// The printable catalogue read back with poppler's pdfinfo and pdftotext: a page per sire plus
// the contents, each sire's page showing every text and figure of his sheet, the contents
// finding each sire on his page, and a file that cannot be written told, never left half made.
#include "db/data_module.h"
#include "db/file_io.h"
#include "evaluation/profile_pdf.h"
#include "evaluation/sire_statistics.h"
#include "herd_writer.h"
#include "needs_tool.h"
#include "work_folder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace korvel {
namespace {

// What a poppler tool prints about the file.
QString poppler(const char* tool, const QStringList& args) {
  QProcess p;
  p.start(QString::fromLatin1(tool), args);
  EXPECT_TRUE(p.waitForFinished(60000)) << tool;
  EXPECT_EQ(p.exitCode(), 0) << tool << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// Texts compared without their spacing, which the text extraction chooses from the glyphs' gaps.
QString bare(QString text) { return text.remove(QRegularExpression(QStringLiteral("\\s"))); }

class Catalogue : public ::testing::Test {
 protected:
  Catalogue() : app(folder.path()), herd(app.dm()) {
    herd.region(1, QStringLiteral("Московская область"));
    herd.farm(1, 1, QStringLiteral("СПК «Заря»"));
    herd.breed(1, QStringLiteral("Черно-пестрая"));
  }
  SireEvaluation evaluate() {
    EvaluationRun run(app.dm());
    EvaluationRequest r;
    r.breed = 1;
    return scanSires(app.dm(), r);
  }
  test::WorkFolder folder;
  test::App app;
  test::HerdWriter herd;
  QTemporaryDir out;
};

TEST_F(Catalogue, EachSiresPageShowsHisSheetAndTheContentsFindsIt) {
  KORVEL_NEED_TOOL(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(), "pdftotext (poppler-utils)");
  // More sires than one contents page holds; one with a single daughter, whose zero spreads
  // are written over his bars.
  const int sires = kContentsRowsPerPage + 3;
  for (int i = 0; i < sires; ++i) {
    const QString code = QString::number(1000 + i);
    herd.bull(1, 1, code, QStringLiteral("Бык %1").arg(i), 1);
    if (i == 7) herd.cows({.father = code}, {5});
    else herd.cows({.father = code}, {1 + i % 9, 9 - i % 7, 5});
  }
  herd.cows({}, {2, 3, 4, 6});
  const SireEvaluation e = evaluate();
  ASSERT_EQ(e.sireCount(), sires);
  const ProfileNames names = readProfileNames(app.dm(), e);
  const QString path = out.filePath(QStringLiteral("профили.pdf"));
  int reported = 0;
  writeProfileCatalogue(e, names, path, [&](int done, int total) {
    EXPECT_EQ(done, ++reported);
    EXPECT_EQ(total, sires);
  });
  EXPECT_EQ(reported, sires);

  const int contents = catalogueContentsPages(sires);
  ASSERT_EQ(contents, 2);
  EXPECT_TRUE(poppler("pdfinfo", {path}).contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(contents + sires))));
  const QStringList pages = poppler("pdftotext", {QStringLiteral("-raw"), path, QStringLiteral("-")}).split(u'\f');
  ASSERT_GE(pages.size(), contents + sires);

  xlsx::Sheet shared{QString()};
  formatProfileSheet(shared, e, names.breedName);
  for (int i = 0; i < sires; ++i) {
    SCOPED_TRACE(i);
    const int page = contents + i + 1;
    const SireTotals& s = e.sires[size_t(i)];
    // The contents row: number, identification, code, daughters, page, in that order.
    EXPECT_TRUE(bare(pages[i / kContentsRowsPerPage])
                    .contains(bare(QStringLiteral("%1 %2 %3 %4 %5").arg(i + 1).arg(names.sires[size_t(i)].nokli, s.code).arg(s.daughters).arg(page))));
    // Every text of his sheet, figures included, on his page and in the sheet's order.
    xlsx::Sheet sheet = shared;
    fillProfileSheet(sheet, e, e.figures(i), names.sires[size_t(i)]);
    const QString text = bare(pages[page - 1]);
    qsizetype at = 0;
    const xlsx::Range used = *sheet.usedRange();
    for (int r = 1; r <= used.lastRow; ++r)
      for (int c = 1; c <= used.lastColumn; ++c) {
        const xlsx::CellValue value = sheet.value(r, c);
        const auto* cell = std::get_if<QString>(&value);
        if (!cell || bare(*cell).isEmpty()) continue;
        const qsizetype found = text.indexOf(bare(*cell), at);
        EXPECT_GE(found, 0) << xlsx::Range::cell(r, c).address().toStdString() << ": " << cell->toStdString();
        if (found >= 0) at = found;
      }
    EXPECT_TRUE(text.endsWith(QString::number(page))) << "the page's number";
  }
  EXPECT_TRUE(pages[contents + 7].contains(QStringLiteral("СКО по дочерям =0!")));
}

TEST_F(Catalogue, AFileThatCannotBeWrittenIsToldAndLeavesTheOldOneAsItWas) {
  herd.bull(1, 1, QStringLiteral("101"), QStringLiteral("Аккорд 101"), 1);
  herd.cows({.father = QStringLiteral("101")}, {6, 8});
  herd.cows({}, {3, 4});
  const SireEvaluation e = evaluate();
  const ProfileNames names = readProfileNames(app.dm(), e);
  const QString old = out.filePath(QStringLiteral("old.pdf"));
  QFile f(old);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("прежний файл");
  f.close();
  struct Case {
    const char* name;
    QString path;
    int failingWrite;  // 0: none
    QString message;
  };
  const Case cases[] = {
      {"no such folder", out.filePath(QStringLiteral("нет/old.pdf")), 0, QStringLiteral("Не удалось создать файл «%1»: ")},
      {"a folder in its place", out.path(), 0, QStringLiteral("Не удалось создать файл «%1»: на месте файла папка.")},
      {"a full disk", old, 1, QStringLiteral("Не удалось записать файл «%1»: на диске нет свободного места")},
      {"a full disk as the file takes its name", old, 2, QStringLiteral("Не удалось записать файл «%1»: на диске нет свободного места")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    db::io::resetFaults();
    if (c.failingWrite) db::io::failWrite(c.failingWrite, ENOSPC);
    try {
      writeProfileCatalogue(e, names, c.path);
      ADD_FAILURE() << "reported as written";
    } catch (const xlsx::WriteError& error) {
      EXPECT_TRUE(error.text().startsWith(c.message.arg(QDir::toNativeSeparators(c.path)))) << error.text().toStdString();
    }
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.pdf")}) << "no file left behind";
  }
  db::io::resetFaults();
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("прежний файл"));
  f.close();
  writeProfileCatalogue(e, names, old);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().startsWith("%PDF-"));
}

// What readers make of the file: poppler's tools and qpdf find nothing to complain of, each font
// is embedded once with its map back to the text, and a profile page shows its coloured bars
// and its dark texts and lines on white.
TEST_F(Catalogue, ReadersFindTheFileSoundWithItsFontsAndDrawing) {
  KORVEL_NEED_TOOL(!QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty(), "pdffonts (poppler-utils)");
  KORVEL_NEED_TOOL(!QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty(), "qpdf");
  for (int i = 0; i < 3; ++i) {
    const QString code = QString::number(200 + i);
    herd.bull(1, 1, code, QStringLiteral("Бык %1").arg(i), 1);
    herd.cows({.father = code}, {1 + 3 * i, 9 - 2 * i, 5});
  }
  herd.cows({}, {2, 3, 4, 6});
  const SireEvaluation e = evaluate();
  const QString path = out.filePath(QStringLiteral("каталог.pdf"));
  writeProfileCatalogue(e, readProfileNames(app.dm(), e), path);

  const auto complaints = [](const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << tool.toStdString();
    return QString::number(p.exitCode()) + QString::fromLocal8Bit(p.readAllStandardError());
  };
  const QString image = out.filePath(QStringLiteral("page"));
  EXPECT_EQ(complaints(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"),
                                                    QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"),
                                                    QStringLiteral("-singlefile"), path, image}),
            QStringLiteral("0"));
  EXPECT_EQ(complaints(QStringLiteral("qpdf"), {QStringLiteral("--check"), QStringLiteral("--no-warn"), path}),
            QStringLiteral("0"));

  // pdffonts: name, type, encoding, embedded, subset, mapped to text, object.
  const QStringList rows = poppler("pdffonts", {path}).split(u'\n', Qt::SkipEmptyParts).mid(2);
  EXPECT_GE(rows.size(), 2) << "the sheet's font in two weights";
  QStringList names;
  for (const QString& row : rows) {
    const QStringList f = row.split(QRegularExpression(QStringLiteral("\\s+")));
    ASSERT_GE(f.size(), 7) << row.toStdString();
    EXPECT_EQ(f[f.size() - 5], QStringLiteral("yes")) << "embedded: " << row.toStdString();
    EXPECT_EQ(f[f.size() - 3], QStringLiteral("yes")) << "mapped to text: " << row.toStdString();
    EXPECT_FALSE(names.contains(f[0])) << "embedded once: " << row.toStdString();
    names.append(f[0]);
  }

  const QImage page(image + QStringLiteral(".ppm"));
  ASSERT_FALSE(page.isNull());
  int coloured = 0, dark = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QColor c = page.pixelColor(x, y);
      if (std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 40) ++coloured;
      else if (c.value() < 100) ++dark;
    }
  EXPECT_GT(coloured, 5) << "the bars";
  EXPECT_GT(dark, 500) << "the texts and lines";
}

}  // namespace
}  // namespace korvel
