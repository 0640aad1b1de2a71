// Handing the finished profile workbook to the user: it is saved under a name that carries
// the breed and the date and time, in a folder the user can find, and opened with the
// desktop's spreadsheet application.
#pragma once

#include "evaluation/spreadsheet.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace korvel {

// The folder the workbooks go to: "Профили быков" in the user's documents folder (in the home
// folder when there is none).
QString profileFolder();

// "Профиль быков Черно-пестрая 2024-05-01 14-30-05.xlsx" (".pdf" with the suffix "pdf");
// characters a file name cannot hold are replaced.
QString profileFileName(const QString& breedName, const QDateTime& when, const QString& suffix = QStringLiteral("xlsx"));

struct HandOver {
  QString target;       // the file meant to be written
  QString path;         // the file written; empty when it could not be written
  bool opened = false;  // the spreadsheet application was started on it
  QString error;        // why the file could not be written
};

// Writes the workbook into `folder` (created when missing) as `fileName` through `write`
// (which throws xlsx::WriteError when it fails) and asks `open` to open it. `open` returns
// whether an application could be started.
HandOver handOverWorkbook(const std::function<void(const QString& path)>& write, const QString& folder,
                          const QString& fileName, const std::function<bool(const QString& path)>& open);

// The message that ends a hand-over: where the workbook is, preceded by "Excel не установлен!"
// when no application took it; or that it could not be written, where and why. For the PDF
// catalogue the same is said of the profiles in PDF and of a PDF viewer.
QString handOverMessage(const HandOver& result, bool catalogue = false);

}  // namespace korvel
