// Reading filled scoring forms: CSV in the encodings and separators people's programs write,
// workbooks as LibreOffice, Gnumeric and hand-built packages lay them out, and the files that
// must be refused with a message naming them.
#include "scoreform/filled_form.h"

#include "base/user_error.h"
#include "db/text.h"
#include "evaluation/spreadsheet_zip.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <map>

using korvel::UserError;
using korvel::scoreform::readFilledForm;
using Rows = std::vector<std::vector<QString>>;

namespace {

QTemporaryDir& scratch() {
  static QTemporaryDir dir;
  return dir;
}

QString writeFile(const QString& name, const QByteArray& bytes) {
  const QString path = scratch().filePath(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  return path;
}

QByteArray utf8(const char* text) { return QByteArray(text); }
QByteArray cp1251(const char* text) { return korvel::db::encode(QString::fromUtf8(text)); }

using Parts = std::map<QByteArray, QByteArray>;

QByteArray zip(const Parts& parts) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  korvel::xlsx::ZipWriter writer(buffer);
  for (const auto& [name, data] : parts) writer.add(name, std::string_view(data.constData(), size_t(data.size())));
  writer.finish();
  return bytes;
}

const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A package as a writer other than the usual ones may lay it out: the workbook under another
// name, a hidden sheet before the first visible one, the sheet's part not named sheet1.xml.
Parts package(const QByteArray& sheetData, const QByteArray& sharedStrings = {}) {
  Parts parts{
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/xl/book.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
      {"_rels/.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"r1\" "
       "Type=\"" + kRel + "/officeDocument\" Target=\"xl/book.xml\"/></Relationships>"},
      {"xl/book.xml",
       "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\"><sheets>"
       "<sheet name=\"Служебный\" sheetId=\"1\" state=\"hidden\" r:id=\"rId1\"/>"
       "<sheet name=\"Оценки\" sheetId=\"2\" r:id=\"rId7\"/></sheets></workbook>"},
      {"xl/_rels/book.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"" + kRel + "/worksheet\" Target=\"worksheets/hidden.xml\"/>"
       "<Relationship Id=\"rId7\" Type=\"" + kRel + "/worksheet\" Target=\"/xl/worksheets/data.xml\"/>"
       "<Relationship Id=\"rId9\" Type=\"" + kRel + "/sharedStrings\" Target=\"strings.xml\"/></Relationships>"},
      {"xl/worksheets/hidden.xml", "<worksheet xmlns=\"" + kMain + "\"><sheetData><row r=\"1\"><c r=\"A1\"><v>0</v></c></row></sheetData></worksheet>"},
      {"xl/worksheets/data.xml", "<worksheet xmlns=\"" + kMain + "\"><sheetData>" + sheetData + "</sheetData></worksheet>"},
  };
  if (!sharedStrings.isEmpty()) parts["xl/strings.xml"] = "<sst xmlns=\"" + kMain + "\">" + sharedStrings + "</sst>";
  return parts;
}

// The workbook a real application makes; empty when the application is not installed.
QString convertedBy(const QString& program, const QStringList& arguments, const QString& made) {
  const QString found = QStandardPaths::findExecutable(program);
  if (found.isEmpty()) return {};
  QProcess p;
  p.setWorkingDirectory(scratch().path());
  p.start(found, arguments);
  EXPECT_TRUE(p.waitForFinished(300000)) << program.toStdString() << " did not finish";
  EXPECT_TRUE(QFile::exists(made)) << p.readAllStandardError().toStdString();
  return made;
}

const char* const kScores =
    "KODREG;KODVLAD;NOKLI;X1;XX7;XXX2\r\n"
    "5;2;\"Зорька, 12\";7;+;82\r\n"
    "5;2;Ночка 0012;;++;\r\n";
const Rows kScoreRows = {
    {"KODREG", "KODVLAD", "NOKLI", "X1", "XX7", "XXX2"},
    {"5", "2", "Зорька, 12", "7", "+", "82"},
    {"5", "2", "Ночка 0012", "", "++"},
};

// A row of 5,000 scores.
Rows wideRow() {
  Rows rows(1);
  for (int c = 0; c < 5000; ++c) rows[0].push_back(QString::number(c % 9 + 1));
  return rows;
}

struct GoodInput {
  const char* what;
  std::function<QString()> file;  // empty path: the application that makes it is missing
  Rows rows;
};

TEST(FilledForm, ReadsWhatPeoplesProgramsWrite) {
  const GoodInput inputs[] = {
      {"CSV, UTF-8 with BOM, ';', CRLF, quotes doubled and a line break inside, trailing empty line",
       [] { return writeFile("bom.csv", utf8("\xEF\xBB\xBF№;\"Кличка \"\"Зорька\"\"\";\"две\r\nстроки\"\r\n1;;\r\n\r\n")); },
       {{"№", "Кличка \"Зорька\"", "две\r\nстроки"}, {"1"}}},
      {"CSV, Windows-1251 as Russian-locale Excel saves it", [] { return writeFile("1251.csv", cp1251(kScores)); }, kScoreRows},
      {"CSV, UTF-8 without BOM, ',' and LF, ';' only inside quotes, an empty line kept in place",
       [] { return writeFile("comma.csv", utf8("\"a;b\",c\n\n1,\"x,y\"\n")); }, {{"a;b", "c"}, {}, {"1", "x,y"}}},
      {"tab-separated with CR line ends, blanks kept", [] { return writeFile("tab.txt", utf8("a\t b \rc\td")); },
       {{"a", " b "}, {"c", "d"}}},
      {"a row of 5,000 columns", [] {
         const Rows wide = wideRow();
         return writeFile("wide.csv", QStringList(wide[0].begin(), wide[0].end()).join(u';').toUtf8());
       },
       wideRow()},
      {"LibreOffice from a ';' UTF-8 CSV",
       [] {
         return convertedBy("soffice",
                            {"--headless", "-env:UserInstallation=file://" + scratch().filePath("lo-profile"),
                             "--infilter=CSV:59,34,76,1", "--convert-to", "xlsx", "--outdir", scratch().path(),
                             writeFile("lo.csv", utf8(kScores))},
                            scratch().filePath("lo.xlsx"));
       },
       kScoreRows},
      {"Gnumeric from a ',' CSV (inline strings, a fraction)",
       [] {
         const QString csv = writeFile("gnumeric.csv", utf8("NOKLI,X1\n\"Зорька; 12\",7\nДуня,8.5\n"));
         return convertedBy("ssconvert", {csv, scratch().filePath("gnumeric.xlsx")}, scratch().filePath("gnumeric.xlsx"));
       },
       {{"NOKLI", "X1"}, {"Зорька; 12", "7"}, {"Дуня", "8,5"}}},
      {"hand-built package: rich runs, phonetics, inline strings, formulas' cached values, numbers as stored",
       [] {
         return writeFile(
             "hand.xlsx",
             zip(package("<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c><c t=\"inlineStr\"><is><t xml:space=\"preserve\"> a </t></is></c>"
                         "<c t=\"s\"><v>202</v></c></row>"
                         "<row r=\"3\"><c r=\"B3\"><f>A1*2</f><v>8.2E1</v></c><c r=\"C3\" t=\"str\"><f>\"+\"&amp;\"+\"</f><v>++</v></c>"
                         "<c r=\"D3\"><v>3.0000000000000004</v></c><c r=\"E3\"><v>0.5</v></c><c r=\"F3\" t=\"b\"><v>1</v></c>"
                         "<c r=\"G3\" t=\"e\"><v>#DIV/0!</v></c><c r=\"H3\"><v>-0</v></c><c r=\"I3\" s=\"1\"/></row>",
                         "<si><t>Идентификационный №</t></si>"
                         "<si><r><rPr><b/></rPr><t>Крепость</t></r><r><t xml:space=\"preserve\"> тела_x000D_</t></r>"
                         "<rPh sb=\"0\" eb=\"1\"><t>ふりがな</t></rPh></si>" +
                             QByteArray("<si><t>x</t></si>").repeated(200) + "<si><t>последний</t></si>")));
       },
       {{"Идентификационный №", "Крепость тела\r", " a ", "последний"},
        {},
        {"", "82", "++", "3", "0,5", "ИСТИНА", "#DIV/0!", "0"}}},
      {"markup as any XML writer may lay it out: prefixes, comments, CDATA, references, single quotes",
       [] {
         return writeFile(
             "markup.xlsx",
             zip(package("<?pi data?><!-- a <comment> --><x:row xmlns:x=\"" + kMain + "\" r='1' ><x:c r='A1' t='inlineStr'>"
                         "<x:is><x:t><![CDATA[<Ночка>]]>&#1040;&#x411;&amp;&lt;&gt;&quot;&apos;</x:t></x:is></x:c>"
                         "<c r=\"B1\" s=\"a>b\" ><v> 7</v></c><c r=\"C1\"\n/><c\tr=\"D1\"><v>9</v></c></x:row>\n")));
       },
       {{"<Ночка>АБ&<>\"'", "7", "", "9"}}},
  };
  for (const GoodInput& input : inputs) {
    SCOPED_TRACE(input.what);
    const QString path = input.file();
    if (path.isEmpty()) {
      if (qEnvironmentVariableIsSet("CI")) ADD_FAILURE() << "the converting application is missing";
      std::cout << "[  SKIPPED ] " << input.what << ": the application is not installed\n";
      continue;
    }
    try {
      EXPECT_EQ(readFilledForm(path).rows, input.rows);
    } catch (const UserError& e) {
      ADD_FAILURE() << e.text().toStdString();
    }
  }
}

struct BadFile {
  const char* what;
  std::function<QString()> file;
  const char* message;  // a part of the message; the message always names the file
};

QByteArray compoundFile(const char* stream) {
  QByteArray bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  bytes.append(QByteArray(1016, '\0'));
  for (const char* c = stream; *c; ++c) bytes.append(*c).append('\0');
  return bytes + QByteArray(200, '\0');
}

// The archive with the central directory's entry for `part` claiming `size` bytes unpacked.
QByteArray claimingSize(QByteArray archive, const QByteArray& part, quint32 size) {
  const qsizetype entry = archive.lastIndexOf(QByteArray("PK\x01\x02", 4), archive.lastIndexOf(part));
  for (int i = 0; i < 4; ++i) archive[entry + 24 + i] = char(size >> (8 * i));
  return archive;
}

TEST(FilledForm, RefusesBadFilesNamingThem) {
  const QByteArray cell = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
  const BadFile files[] = {
      {"missing", [] { return scratch().filePath("нет.csv"); }, "не открывается"},
      {"empty", [] { return writeFile("empty.csv", {}); }, "файл пуст"},
      {"binary", [] { return writeFile("pic.png", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)); }, "не книга .xlsx и не текст CSV"},
      {"password-protected workbook", [] { return writeFile("secret.xlsx", compoundFile("EncryptedPackage")); }, "защищена паролем"},
      {"old .xls", [] { return writeFile("old.xls", compoundFile("Workbook")); }, "сохраните её как .xlsx или CSV"},
      {"a zip of something else", [] { return writeFile("photos.zip", zip({{"readme.txt", "привет"}})); }, "архив ZIP, а не книга"},
      {"an OpenDocument spreadsheet",
       [] { return writeFile("book.ods", zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<a/>"}})); },
       "OpenDocument"},
      {"a damaged zip", [cell] { return writeFile("cut.xlsx", zip(package(cell)).left(300)); }, "книга повреждена"},
      {"an unfinished sheet", [] { return writeFile("xml.xlsx", zip(package("<row><c><v>1</v></c>"))); }, "не читается (строка 1)"},
      {"elements closed out of order", [] { return writeFile("order.xlsx", zip(package("<row>\n<c><v>1</c></v></row>"))); },
       "не читается (строка 2)"},
      {"an entity no sheet defines",
       [] { return writeFile("entity.xlsx", zip(package("<row><c t=\"inlineStr\"><is><t>&bomb;</t></is></c></row>"))); }, "не читается"},
      {"a document type", [] { return writeFile("doctype.xlsx", zip(package("<!DOCTYPE x [<!ENTITY a \"b\">]><row/>"))); },
       "не читается"},
      {"an empty sheet", [] { return writeFile("blank.xlsx", zip(package("<row r=\"1\"><c r=\"A1\" s=\"2\"/></row>"))); },
       "на первом листе «Оценки» нет ни одной заполненной ячейки"},
      {"no sheet",
       [cell] {
         Parts parts = package(cell);
         parts["xl/book.xml"] = "<workbook xmlns=\"" + kMain + "\"><sheets/></workbook>";
         return writeFile("nosheet.xlsx", zip(parts));
       },
       "нет ни одного листа"},
      {"a zip bomb", [cell] { return writeFile("bomb.xlsx", claimingSize(zip(package(cell)), "xl/worksheets/data.xml", 0xF0000000u)); },
       "больше 512 МБ"},
      {"5 MB of text between two tags", [] { return writeFile("run.xlsx", zip(package(QByteArray(5 << 20, ' ')))); }, "текст длиннее 4 МБ"},
      {"elements nested too deep", [] { return writeFile("deep.xlsx", zip(package("<row><c><f>" + QByteArray("<a>").repeated(200)))); },
       "не читается (строка 1)"},
      {"a formula without its value", [] { return writeFile("formula.xlsx", zip(package("<row r=\"7\"><c r=\"C7\"><f>A1+B1</f></c></row>"))); },
       "в ячейке C7 формула без вычисленного значения"},
      {"a cell beyond XFD", [] { return writeFile("xfe.xlsx", zip(package("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"))); }, "«XFE1»"},
      {"a row beyond 1048576", [] { return writeFile("deep.xlsx", zip(package("<row r=\"1048577\"><c><v>1</v></c></row>"))); },
       "«1048577»"},
      {"a garbled reference", [] { return writeFile("garbled.xlsx", zip(package("<row r=\"1\"><c r=\"1A\"><v>1</v></c></row>"))); }, "«1A»"},
      {"a shared string that is not there", [] { return writeFile("sst.xlsx", zip(package("<row><c t=\"s\"><v>3</v></c></row>"))); },
       "ссылается на текст, которого в книге нет"},
      {"cells past the bound",
       [] {
         QByteArray rows;
         for (int r = 1; r <= 1000; ++r) rows += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"XFD" + QByteArray::number(r) + "\"><v>1</v></c></row>";
         return writeFile("huge.xlsx", zip(package(rows)));
       },
       "больше 16 000 000 ячеек"},
      {"an unclosed quote", [] { return writeFile("quote.csv", utf8("a;b\n1;\"2\n3;4\n")); }, "кавычка, открытая в строке 2, не закрыта"},
  };
  for (const BadFile& bad : files) {
    SCOPED_TRACE(bad.what);
    const QString path = bad.file();
    try {
      readFilledForm(path);
      ADD_FAILURE() << "read without complaint";
    } catch (const UserError& e) {
      EXPECT_TRUE(e.text().startsWith(QStringLiteral("Файл ") + QDir::toNativeSeparators(path) + QStringLiteral(": ")))
          << e.text().toStdString();
      EXPECT_TRUE(e.text().contains(QString::fromUtf8(bad.message))) << e.text().toStdString();
    }
  }
}

}  // namespace
