// Opening the finished workbook in the desktop's spreadsheet application (or the catalogue in its
// PDF viewer), with an honest answer to whether any application took it.
#pragma once

#include <QString>

namespace korvel {

// Opens the file with the desktop's default application for workbooks and says whether one
// took it. Starting an opener is not enough: on a Unix desktop the default application for the
// type is asked of xdg-mime first (none: false, nothing is started), then xdg-open opens the
// file and its exit status tells whether it could; an opener still running after a few seconds
// is the application itself, working. On Windows the shell's association decides.
bool openInSpreadsheetApplication(const QString& path);
// The same for a PDF file and the desktop's default application for PDF files.
bool openInPdfViewer(const QString& path);

}  // namespace korvel
