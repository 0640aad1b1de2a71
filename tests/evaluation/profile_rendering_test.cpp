// The profile sheet as the spreadsheet programs of a Linux desktop print it: a small workbook
// (two sires, bars of chosen lengths, the zero-spread warnings, a long owner's name) is printed
// to PDF by LibreOffice and by Gnumeric, and the PDFs are measured: bar lengths against their
// values, the scale's labels over their places, no text cut or run into the next row, one A4
// page a sheet. The workbook is printed once; the other cases reuse the PDFs made from the same
// bytes.
#include "evaluation/profile_workbook.h"
#include "evaluation/sire_statistics.h"
#include "herd_writer.h"
#include "needs_tool.h"
#include "work_folder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace korvel {
namespace {

// The deviations of the first sheet's trait rows, top to bottom (the starter catalogue shows 19):
// both signs of small, whole, fractional and clamped values.
const std::vector<float> kDeviations = {-0.02f, 0.02f, -1.0f, 1.0f, -2.5f, 2.5f, -7.0f, 5.2f, -0.25f, 1.55f,
                                        -3.0f,  3.0f,  -0.5f, 0.5f, -1.75f, 1.75f, -3.3f, 0.1f, -0.1f};

struct Word {
  QString text;
  double left, top, right, bottom;  // points from the page's top-left corner
  double middle() const { return (left + right) / 2; }
};

// A filled rectangle or a stroked line of a page, in points from the top-left corner.
struct Mark {
  bool red = false, green = false, line = false;
  double left, top, right, bottom;
};

struct Printed {
  QString program;
  int pages = 0;
  double pageWidth = 0, pageHeight = 0;
  std::vector<Word> words;  // of the first page
  std::vector<Mark> marks;  // of the first page
};

QString run(const QString& program, const QStringList& args, const QString& dir) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.start(program, args);
  if (!p.waitForFinished(240000)) {
    p.kill();
    p.waitForFinished();
    return {};
  }
  return QString::fromUtf8(p.readAllStandardOutput());
}

double number(const QString& s) { return s.toDouble(); }

std::vector<Word> readWords(const QString& bbox) {
  std::vector<Word> words;
  static const QRegularExpression page(QStringLiteral("<page "));
  const qsizetype second = bbox.indexOf(page, bbox.indexOf(page) + 1);
  const QString first = second < 0 ? bbox : bbox.left(second);
  static const QRegularExpression word(QStringLiteral(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
  for (auto it = word.globalMatch(first); it.hasNext();) {
    const auto m = it.next();
    QString text = m.captured(5);
    text.replace(QLatin1String("&amp;"), QLatin1String("&")).replace(QLatin1String("&quot;"), QLatin1String("\""));
    words.push_back({text, number(m.captured(1)), number(m.captured(2)), number(m.captured(3)), number(m.captured(4))});
  }
  return words;
}

// Paths of pdftocairo's SVG: "M x y L x y ..." with an optional matrix(a,b,c,d,e,f).
std::vector<Mark> readMarks(const QString& svg) {
  std::vector<Mark> marks;
  static const QRegularExpression path(
      QStringLiteral(R"re(<path style="([^"]*)" d="([^"]*)"(?: transform="matrix\(([^)]*)\)")?)re"));
  static const QRegularExpression numbers(QStringLiteral(R"(-?[\d.]+)"));
  for (auto it = path.globalMatch(svg); it.hasNext();) {
    const auto m = it.next();
    const QString style = m.captured(1);
    std::vector<double> v;
    for (auto n = numbers.globalMatch(m.captured(2)); n.hasNext();) v.push_back(n.next().captured().toDouble());
    if (v.size() < 4) continue;
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    if (m.hasCaptured(3)) {
      const QStringList t = m.captured(3).split(QLatin1Char(','));
      if (t.size() == 6) a = t[0].toDouble(), b = t[1].toDouble(), c = t[2].toDouble(), d = t[3].toDouble(),
                         e = t[4].toDouble(), f = t[5].toDouble();
    }
    Mark mark{};
    mark.left = mark.top = 1e9;
    mark.right = mark.bottom = -1e9;
    for (size_t i = 0; i + 1 < v.size(); i += 2) {
      const double x = a * v[i] + c * v[i + 1] + e, y = b * v[i] + d * v[i + 1] + f;
      mark.left = std::min(mark.left, x), mark.right = std::max(mark.right, x);
      mark.top = std::min(mark.top, y), mark.bottom = std::max(mark.bottom, y);
    }
    mark.red = style.contains(QLatin1String("fill:rgb(100%,0%,0%)"));
    mark.green = style.contains(QLatin1String("fill:rgb(0%,100%,0%)"));
    mark.line = style.contains(QLatin1String("fill:none")) && style.contains(QLatin1String("stroke:"));
    if (mark.red || mark.green || mark.line) marks.push_back(mark);
  }
  return marks;
}

class ProfileRendering : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::WorkFolder folder;
    HerdTables dm(folder.path());
    test::HerdWriter herd(dm);
    herd.region(1, QStringLiteral("Московская область"));
    herd.farm(1, 1, QStringLiteral("СПК «Заря»"));
    herd.breed(1, QStringLiteral("Черно-пестрая"));
    herd.bull(1, 1, QStringLiteral("101"), QStringLiteral("Аккорд 101"), 1);
    herd.cows({.father = QStringLiteral("101")}, {5, 6});
    herd.cows({.farm = 1}, {4, 5, 6});
    EvaluationRequest r;
    r.breed = 1;
    evaluation = new SireEvaluation(scanSires(dm, r));

    xlsx::Workbook book(2);
    for (int i = 0; i < 2; ++i) {
      SireFigures f = evaluation->figures(0);
      for (size_t k = 0; k < evaluation->shownLinear.size() && k < kDeviations.size(); ++k)
        f.linear[evaluation->shownLinear[k]].z = kDeviations[k] * (i == 0 ? 1 : -1);
      f.linear[evaluation->shownLinear[14]].zeroDaughters = true;
      f.linear[evaluation->shownLinear[14]].zeroBase = true;
      const SireIdentity id{QStringLiteral("Аккорд 101"), QStringLiteral("Московская область"),
                            i == 0 ? QStringLiteral("СПК «Заря»")
                                   : QStringLiteral("Сельскохозяйственный производственный кооператив «Заря Подмосковья»"),
                            QStringLiteral("Черно-пестрая")};
      layOutProfileSheet(book.sheet(i), *evaluation, f, QStringLiteral("Черно-пестрая"), id);
    }
    scratch = new QTemporaryDir;
    const QString xlsx = scratch->filePath(QStringLiteral("profile.xlsx"));
    book.save(xlsx);
    QFile file(xlsx);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();

    // The PDFs of these very bytes are kept beside the test program for its other cases.
    const QString key = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16));
    printedDir = QCoreApplication::applicationDirPath() + QStringLiteral("/profile-rendering/") + key;
    QDir().mkpath(printedDir);
    QLockFile lock(printedDir + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    lock.lock();
    QFile::copy(xlsx, printedDir + QStringLiteral("/profile.xlsx"));
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!soffice.isEmpty() && !QFile::exists(printedDir + QStringLiteral("/lo.pdf"))) {
      run(soffice, {QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + scratch->filePath(QStringLiteral("lo")),
                    QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"), scratch->path(), xlsx},
          scratch->path());
      QFile::copy(scratch->filePath(QStringLiteral("profile.pdf")), printedDir + QStringLiteral("/lo.pdf"));
    }
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (!ssconvert.isEmpty() && !QFile::exists(printedDir + QStringLiteral("/gnumeric.pdf"))) {
      run(ssconvert, {xlsx, scratch->filePath(QStringLiteral("gnumeric.pdf"))}, scratch->path());
      QFile::copy(scratch->filePath(QStringLiteral("gnumeric.pdf")), printedDir + QStringLiteral("/gnumeric.pdf"));
    }
  }
  static void TearDownTestSuite() {
    delete scratch;
    delete evaluation;
  }

  // The first page of a program's PDF read back; fails the test where the tools are missing in CI.
  static bool read(const QString& name, Printed& out) {
    const QString pdf = printedDir + QLatin1Char('/') + name + QStringLiteral(".pdf");
    if (!QFile::exists(pdf)) return false;
    out.program = name;
    const QString info = run(QStringLiteral("pdfinfo"), {pdf}, printedDir);
    static const QRegularExpression pages(QStringLiteral(R"(Pages:\s+(\d+))"));
    static const QRegularExpression size(QStringLiteral(R"(Page size:\s+([\d.]+) x ([\d.]+))"));
    out.pages = pages.match(info).captured(1).toInt();
    out.pageWidth = size.match(info).captured(1).toDouble();
    out.pageHeight = size.match(info).captured(2).toDouble();
    out.words = readWords(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}, printedDir));
    const QString svg = printedDir + QLatin1Char('/') + name + QStringLiteral(".svg");
    if (!QFile::exists(svg))
      run(QStringLiteral("pdftocairo"), {QStringLiteral("-svg"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                         QStringLiteral("1"), pdf, svg},
          printedDir);
    QFile file(svg);
    file.open(QIODevice::ReadOnly);
    out.marks = readMarks(QString::fromUtf8(file.readAll()));
    return true;
  }

  static bool toolsPresent() {
    for (const char* tool : {"soffice", "ssconvert", "pdfinfo", "pdftotext", "pdftocairo"})
      if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) return false;
    return true;
  }

  static SireEvaluation* evaluation;
  static QTemporaryDir* scratch;
  static QString printedDir;
};

SireEvaluation* ProfileRendering::evaluation = nullptr;
QTemporaryDir* ProfileRendering::scratch = nullptr;
QString ProfileRendering::printedDir;

#define KORVEL_NEED_RENDERING() \
  KORVEL_NEED_TOOL(toolsPresent(), "LibreOffice, Gnumeric or poppler-utils")

// LibreOffice: every bar is its value long, in units of a seventh of the chart area as printed,
// and starts or ends on the axis, the middle of that area. The bars are see-through, so they are
// measured on the page printed as an image (400 dpi: a hundredth of a unit is 1.5 pixels).
TEST_F(ProfileRendering, BarsAreTheirValuesLongAndMeetOnTheAxis) {
  KORVEL_NEED_RENDERING();
  ASSERT_TRUE(QFile::exists(printedDir + QStringLiteral("/lo.pdf"))) << "LibreOffice made no PDF";
  run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("400"), QStringLiteral("-f"), QStringLiteral("1"),
                                   QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
                                   QStringLiteral("lo.pdf"), QStringLiteral("lo-page")},
      printedDir);
  const QImage page(printedDir + QStringLiteral("/lo-page.ppm"));
  ASSERT_FALSE(page.isNull());
  const auto tint = [&](int x, int y) {  // 1 red, 2 green, 3 dark, 0 anything else
    const QRgb c = page.pixel(x, y);
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (r < 110 && g < 110 && b < 110) return 3;
    if (r > 230 && g < 215 && b < 215) return 1;
    if (g > 230 && r < 215 && b < 215) return 2;
    return 0;
  };
  // A bar: the tinted runs of its pixel rows, a gap of a few rows (where the rows' rules or texts
  // cross) allowed; neighbouring trait rows have bars of opposite tints.
  struct Bar { int tint, left, right, top, bottom; };
  std::vector<Bar> bars;
  for (int y = 0; y < page.height(); ++y) {
    int left = -1, right = -1, t = 0;
    for (int x = 0; x < page.width(); ++x)
      if (const int k = tint(x, y); k == 1 || k == 2) {
        if (left < 0) left = x, t = k;
        right = x;
      }
    if (left < 0) continue;
    if (!bars.empty() && bars.back().tint == t && y - bars.back().bottom < 25) {
      Bar& bar = bars.back();
      bar.bottom = y;
      bar.left = std::min(bar.left, left);
      bar.right = std::max(bar.right, right);
    } else {
      bars.push_back({t, left, right, y, y});
    }
  }
  std::erase_if(bars, [](const Bar& b) { return b.bottom - b.top < 20; });  // a row is over 60 pixels
  ASSERT_EQ(bars.size(), kDeviations.size());

  // The chart area's edges are the rules nearest to the clamped bars' far ends.
  const auto rule = [&](const Bar& bar, int x, int step) {
    const int y = (bar.top + bar.bottom) / 2;
    for (int i = 0; i < 40; ++i, x += step)
      if (tint(x, y) == 3) return double(x);
    return -1.0;
  };
  const double left = rule(bars[6], bars[6].left, -1);     // -7: clamped to -3.5, from the left of C
  const double right = rule(bars[7], bars[7].right, +1);   // +5.2: clamped to +3.5, to the right of F
  ASSERT_GT(left, 0);
  ASSERT_GT(right, 0);
  const double unit = (right - left) / 7;
  const double axis = (left + right) / 2;
  // The scale's labels over the same axis: "-3" three units left of it, "0" on it, "+3" right.
  Printed lo;
  ASSERT_TRUE(read(QStringLiteral("lo"), lo));
  const double pixels = 400 / 72.0;
  const auto minus3 = std::find_if(lo.words.begin(), lo.words.end(), [](const Word& w) { return w.text == QStringLiteral("-3"); });
  ASSERT_NE(minus3, lo.words.end());
  int labels = 0;
  for (const auto& [text, place] : {std::pair{"-3", -3}, std::pair{"0", 0}, std::pair{"+3", 3}})
    for (const Word& w : lo.words)
      if (w.text == QLatin1String(text) && std::abs(w.top - minus3->top) < 3) {
        ++labels;
        EXPECT_NEAR((w.middle() * pixels - axis) / unit, place, 0.05) << text;
      }
  EXPECT_EQ(labels, 3);
  for (size_t i = 0; i < bars.size(); ++i) {
    const double z = std::clamp(double(kDeviations[i]), -3.5, 3.5);
    const Bar& bar = bars[i];
    EXPECT_EQ(bar.tint, z >= 0 ? 2 : 1) << "row " << i + 5;
    EXPECT_NEAR((bar.right + 1 - bar.left) / unit, std::abs(z), 0.02) << "row " << i + 5 << ", z " << z;
    EXPECT_NEAR(((z >= 0 ? bar.left : bar.right + 1) - axis) / unit, 0.0, 0.02) << "row " << i + 5 << ", z " << z;
  }
}

// LibreOffice and Gnumeric: each of "-3" ... "+3" is a word of its own, at least 7 points tall,
// over its place on the axis (a seventh of the area apart; Gnumeric places drawings within
// their cells by its own reckoning, so there within a fifth of a unit); the header's texts whole.
TEST_F(ProfileRendering, ScaleLabelsStandReadableOverTheirPlaces) {
  KORVEL_NEED_RENDERING();
  for (const char* program : {"lo", "gnumeric"}) {
    SCOPED_TRACE(program);
    Printed p;
    ASSERT_TRUE(read(QString::fromLatin1(program), p));
    const auto find = [&](const QString& text, double line = -1) -> const Word* {
      for (const Word& w : p.words)
        if (w.text == text && (line < 0 || std::abs(w.top - line) < 3)) return &w;
      return nullptr;
    };
    const Word* minus3 = find(QStringLiteral("-3"));
    ASSERT_TRUE(minus3);
    const Word* plus3 = find(QStringLiteral("+3"), minus3->top);
    ASSERT_TRUE(plus3);
    const double unit = (plus3->middle() - minus3->middle()) / 6;
    const double tolerance = QLatin1String(program) == QLatin1String("lo") ? 0.05 : 0.2;
    const QStringList labels{"-3", "-2", "-1", "0", "+1", "+2", "+3"};
    for (int k = 0; k < labels.size(); ++k) {
      const Word* w = find(labels[k], minus3->top);
      ASSERT_TRUE(w) << labels[k].toStdString() << " on the line of -3";
      EXPECT_GE(w->bottom - w->top, 7.0) << labels[k].toStdString();
      EXPECT_NEAR((w->middle() - minus3->middle()) / unit, k, tolerance) << labels[k].toStdString();
    }
    for (const char* text : {"Признак", "Тенденция", "ПСТ", "долях", "СКО"})
      EXPECT_TRUE(find(QString::fromUtf8(text))) << text;
  }
}

// LibreOffice and Gnumeric: every word of every trait row and header is printed whole (none
// broken over two lines, as "параллельн/ые" was), and no word crosses a row's rule (as the
// tops of "Глубина туловища" and the third line of "шаг длинный, прямой" did).
TEST_F(ProfileRendering, NoTextIsCutOrRunsIntoTheNextRow) {
  KORVEL_NEED_RENDERING();
  for (const char* program : {"lo", "gnumeric"}) {
    SCOPED_TRACE(program);
    Printed p;
    ASSERT_TRUE(read(QString::fromLatin1(program), p));
    QStringList printed;
    for (const Word& w : p.words) printed << w.text;
    for (size_t j : evaluation->shownLinear) {
      const TraitRow& t = evaluation->linearRows[j];
      for (const QString& text : {t.xar, t.dop1, t.dop2})
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
          EXPECT_TRUE(printed.contains(word)) << word.toStdString() << " of " << text.toStdString();
    }
    const auto horizontal = std::count_if(p.marks.begin(), p.marks.end(),
                                          [](const Mark& m) { return m.line && m.bottom - m.top < 0.1; });
    EXPECT_GT(horizontal, 20) << "the rules of the rows are found";
    for (const Word& w : p.words)
      for (const Mark& rule : p.marks) {
        if (!rule.line || rule.bottom - rule.top > 0.1) continue;  // horizontal rules only
        if (rule.right <= w.left + 0.5 || rule.left >= w.right - 0.5) continue;
        EXPECT_FALSE(rule.top > w.top + 0.5 && rule.top < w.bottom - 0.5)
            << w.text.toStdString() << " crosses the rule at " << rule.top;
      }
  }
}

// Each sheet prints on one A4 page in portrait, in both programs.
TEST_F(ProfileRendering, EachSheetPrintsOnOneA4PagePortrait) {
  KORVEL_NEED_RENDERING();
  for (const char* program : {"lo", "gnumeric"}) {
    SCOPED_TRACE(program);
    Printed p;
    ASSERT_TRUE(read(QString::fromLatin1(program), p));
    EXPECT_EQ(p.pages, 2);
    EXPECT_NEAR(p.pageWidth, 595.3, 1.0);
    EXPECT_NEAR(p.pageHeight, 841.9, 1.0);
    // The note, the sheet's last text, is on the page and above its bottom margin (1 cm).
    const auto note = std::find_if(p.words.begin(), p.words.end(),
                                   [](const Word& w) { return w.text == QStringLiteral("Примечание."); });
    ASSERT_NE(note, p.words.end());
    EXPECT_LT(note->bottom + (note->bottom - note->top), p.pageHeight - 28.3) << "its second line too";
  }
}

}  // namespace
}  // namespace korvel
