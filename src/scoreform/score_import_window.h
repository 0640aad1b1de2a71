// The preview of a filled scoring form before anything is written: the cows whose scores
// change with each change, the rows refused with their reasons, the columns the catalogue does
// not know and the cows of the farms the file covers that it does not name. Nothing is written
// until "Записать".
#pragma once

#include "scoreform/score_import.h"
#include "ui/window_base.h"

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace korvel::scoreform {

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   ScoreImportWindow                scoreImportWindow
//   summaryLabel                     summaryLabel
//   pages                            pages
//   changesTable                     changesTable
//   refusedTable                     refusedTable
//   unknownList                      unknownList
//   notInFileList                    notInFileList
//   emptyClearsBox                   emptyClearsBox
//   writeButton                      writeButton
//   cancelButton                     cancelButton
// END OBJECT NAMES

class ScoreImportWindow : public KorvelDialog {
  Q_OBJECT
 public:
  // The plan of the file under the options given; the writing of a plan, reporting its
  // progress.
  using Planner = std::function<ImportPlan(const ImportOptions&)>;
  using Writer = std::function<ImportResult(const ImportPlan&, const std::function<void(int done, int total)>&)>;

  // `fileName` names the file in the title; the window plans the file at once (an empty cell
  // keeps the stored value).
  ScoreImportWindow(const QString& fileName, Planner plan, Writer write, QWidget* parent = nullptr);

  // What was written; nothing until "Записать" has written.
  const std::optional<ImportResult>& result() const { return result_; }

  // "Записать": with refused rows or unknown columns, only after a question whether to write the
  // accepted changes alone; then the writing with its progress, the message, the window closed.
  void writeClicked();

  QLabel* summaryLabel;
  QTabWidget* pages;
  QTableWidget *changesTable, *refusedTable;
  QListWidget *unknownList, *notInFileList;
  QCheckBox* emptyClearsBox;
  QPushButton *writeButton, *cancelButton;

 private:
  void replan();
  void showPlan();

  Planner planner_;
  Writer writer_;
  ImportOptions options_;
  ImportPlan plan_;
  std::optional<ImportResult> result_;
};

}  // namespace korvel::scoreform
