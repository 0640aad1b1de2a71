// Reading a filled scoring form of 100,000 rows by 80 columns (a cow's key, her name as a
// shared string, 77 scores) as a workbook and as CSV, beside reading the workbook file's bytes.
#include "bench_support.h"
#include "evaluation/spreadsheet.h"
#include "evaluation/spreadsheet_zip.h"
#include "scoreform/filled_form.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100'000;
constexpr int kColumns = 80;

struct Forms {
  QTemporaryDir dir;
  QString xlsx = dir.filePath(QStringLiteral("form.xlsx"));
  QString csv = dir.filePath(QStringLiteral("form.csv"));

  Forms() {
    QByteArray sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    QByteArray strings = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    QByteArray text = "\xEF\xBB\xBF";
    for (int r = 1; r <= kRows; ++r) {
      const QByteArray row = QByteArray::number(r);
      sheet += "<row r=\"" + row + "\">";
      for (int c = 0; c < kColumns; ++c) {
        const QByteArray ref = korvel::xlsx::columnName(c + 1).toLatin1() + row;
        const QByteArray value = c == 2 ? "Корова " + row : QByteArray::number((r * 7 + c) % 9 + 1);
        if (c == 2) sheet += "<c r=\"" + ref + "\" t=\"s\"><v>" + QByteArray::number(r - 1) + "</v></c>";
        else sheet += "<c r=\"" + ref + "\"><v>" + value + "</v></c>";
        if (c == 2) strings += "<si><t>" + value + "</t></si>";
        text += value + (c + 1 < kColumns ? ";" : "\r\n");
      }
      sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    strings += "</sst>";
    const QByteArray main = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QFile out(xlsx);
    out.open(QIODevice::WriteOnly);
    korvel::xlsx::ZipWriter zip(out);
    auto add = [&](const char* name, const QByteArray& data) { zip.add(name, std::string_view(data.constData(), size_t(data.size()))); };
    add("[Content_Types].xml",
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"xml\" "
        "ContentType=\"application/xml\"/></Types>");
    add("_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
                       "Id=\"r1\" Type=\"" + main + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    add("xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" + main +
                               "\"><sheets><sheet name=\"Бланк\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    add("xl/_rels/workbook.xml.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
        "Type=\"" + main + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + main +
        "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
    add("xl/worksheets/sheet1.xml", sheet);
    add("xl/sharedStrings.xml", strings);
    zip.finish();
    QFile t(csv);
    t.open(QIODevice::WriteOnly);
    t.write(text);
  }
};

Forms& forms() {
  static Forms made;
  return made;
}

void read(benchmark::State& state, const QString& path) {
  size_t cells = 0;
  for (auto _ : state) {
    const korvel::scoreform::FilledForm form = korvel::scoreform::readFilledForm(path);
    cells = 0;
    for (const auto& row : form.rows) cells += row.size();
    benchmark::DoNotOptimize(cells);
  }
  state.counters["cells"] = double(cells);
}

void BM_ReadWorkbookFileBytes(benchmark::State& state) { korvel::bench::readFileBytes(state, forms().xlsx); }
void BM_ReadWorkbook(benchmark::State& state) { read(state, forms().xlsx); }
void BM_ReadCsv(benchmark::State& state) { read(state, forms().csv); }

}  // namespace

BENCHMARK(BM_ReadWorkbookFileBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWorkbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
