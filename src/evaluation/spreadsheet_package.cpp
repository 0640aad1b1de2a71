// The package's small parts: content types, relationships, document properties, workbook.
#include "evaluation/spreadsheet_parts.h"

#include <QDateTime>

namespace korvel::xlsx {

namespace {

constexpr char kRelationshipsStart[] =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";

void appendRelationship(XmlText& out, int id, const QByteArray& type, const QByteArray& target) {
  out.append("<Relationship Id=\"rId");
  xml::appendInt(out, id);
  out.append("\" Type=\"").append(type).append("\" Target=\"").append(target).append("\"/>");
}

void appendOverride(XmlText& out, const QByteArray& part, const char* type) {
  out.append("<Override PartName=\"").append(part).append("\" ContentType=\"");
  out.append("application/vnd.openxmlformats-").append(type).append("\"/>");
}

QByteArray numbered(const char* prefix, int n, const char* suffix) {
  return QByteArray(prefix) + QByteArray::number(n) + suffix;
}

}  // namespace

XmlText part::contentTypes(const std::vector<bool>& sheetHasDrawing) {
  XmlText out(xml::kDeclaration);
  out.append("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" "
             "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>");
  appendOverride(out, "/xl/workbook.xml", "officedocument.spreadsheetml.sheet.main+xml");
  int drawings = 0;
  for (size_t i = 0; i < sheetHasDrawing.size(); ++i) {
    appendOverride(out, numbered("/xl/worksheets/sheet", int(i) + 1, ".xml"),
                   "officedocument.spreadsheetml.worksheet+xml");
    if (sheetHasDrawing[i])
      appendOverride(out, numbered("/xl/drawings/drawing", ++drawings, ".xml"),
                     "officedocument.drawing+xml");
  }
  appendOverride(out, "/xl/styles.xml", "officedocument.spreadsheetml.styles+xml");
  appendOverride(out, "/xl/sharedStrings.xml", "officedocument.spreadsheetml.sharedStrings+xml");
  appendOverride(out, "/docProps/core.xml", "package.core-properties+xml");
  appendOverride(out, "/docProps/app.xml", "officedocument.extended-properties+xml");
  out.append("</Types>");
  return out;
}

XmlText part::rootRels() {
  XmlText out(xml::kDeclaration);
  out.append(kRelationshipsStart);
  appendRelationship(out, 1, "http://schemas.openxmlformats.org/officeDocument/2006/"
                             "relationships/officeDocument", "xl/workbook.xml");
  appendRelationship(out, 2, "http://schemas.openxmlformats.org/package/2006/relationships/"
                             "metadata/core-properties", "docProps/core.xml");
  appendRelationship(out, 3, "http://schemas.openxmlformats.org/officeDocument/2006/"
                             "relationships/extended-properties", "docProps/app.xml");
  out.append("</Relationships>");
  return out;
}

XmlText part::app() {
  XmlText out(xml::kDeclaration);
  out.append("<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/"
             "extended-properties\"><Application>Корвель</Application></Properties>");
  return out;
}

XmlText part::core() {
  XmlText out(xml::kDeclaration);
  out.append("<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/"
             "metadata/core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
             "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
             "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
             "<dc:creator>Корвель</dc:creator><dcterms:created xsi:type=\"dcterms:W3CDTF\">");
  out.append(QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toLatin1());
  out.append("</dcterms:created></cp:coreProperties>");
  return out;
}

XmlText part::workbook(const QStringList& sheetNames, int activeSheet) {
  XmlText out(xml::kDeclaration);
  out.append("<workbook xmlns=\"").append(xml::kMainNs);
  out.append("\" xmlns:r=\"").append(xml::kRelNs).append("\"><bookViews><workbookView");
  if (activeSheet > 0) {
    out.append(" activeTab=\"");
    xml::appendInt(out, activeSheet);
    out.append('"');
  }
  out.append("/></bookViews><sheets>");
  for (int i = 0; i < sheetNames.size(); ++i) {
    out.append("<sheet name=\"");
    xml::appendAttribute(out, sheetNames[i]);
    out.append("\" sheetId=\"");
    xml::appendInt(out, i + 1);
    out.append("\" r:id=\"rId");
    xml::appendInt(out, i + 1);
    out.append("\"/>");
  }
  out.append("</sheets></workbook>");
  return out;
}

XmlText part::workbookRels(int sheetCount) {
  XmlText out(xml::kDeclaration);
  out.append(kRelationshipsStart);
  const QByteArray base(xml::kRelNs);
  for (int i = 1; i <= sheetCount; ++i)
    appendRelationship(out, i, base + "/worksheet", numbered("worksheets/sheet", i, ".xml"));
  appendRelationship(out, sheetCount + 1, base + "/styles", "styles.xml");
  appendRelationship(out, sheetCount + 2, base + "/sharedStrings", "sharedStrings.xml");
  out.append("</Relationships>");
  return out;
}

}  // namespace korvel::xlsx
