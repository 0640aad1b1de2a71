// The starter data compiled into the program: the trait catalogue and the seven instruction
// texts, as the tool that makes a starter working folder needs them.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace korvel {

// Registers the compiled-in starter data; call once before the functions below (the data
// live in a static library, whose resources the linker would otherwise drop).
void initStarterData();

// One XARAKT record of the starter catalogue, in record order.
struct CatalogueRow {
  QString id;
  QString xar;  // as stored: a leading blank marks a complex sub-row
  double koef = 0;
  QString dop1;
  QString dop2;
};

// The starter catalogue. Throws std::runtime_error when the compiled-in table is malformed.
std::vector<CatalogueRow> starterCatalogue();

// One instruction text: the file name in the working folder ("bik.txt") and its text with
// "\n" line ends.
struct InstructionFile {
  QString fileName;
  QString text;
};

// The seven instruction texts in selector order (1 to 7).
std::vector<InstructionFile> starterInstructions();

// Text as an instruction file stores it: Windows-1251 with CR LF line ends (any CR LF, CR or
// LF of the input ends a line).
QByteArray toDosText(const QString& text);

}  // namespace korvel
