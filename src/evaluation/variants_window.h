// Calculation variant window: the comparison base and the bull set of a sire evaluation, and
// the run that scans the cows and hands the linear profile workbook to the spreadsheet
// application.
#pragma once

#include "evaluation/evaluation_request.h"
#include "ui/prompts.h"
#include "ui/window_base.h"

#include <QString>
#include <functional>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace korvel {

class HerdTables;

// BEGIN OBJECT NAMES: the name in the code, then the objectName the object keeps (the window
// tests and automation find widgets by it).
//   CalculationVariantsWindow        variantsWindow
//   comparisonBaseGroup              comparisonBaseGroup
//   baseAllWithArchivesOption        baseAllWithArchivesOption
//   baseAllWithoutArchivesOption     baseAllWithoutArchivesOption
//   baseRegionWithArchiveOption      baseRegionWithArchiveOption
//   baseRegionWithoutArchiveOption   baseRegionWithoutArchiveOption
//   baseFarmOption                   baseFarmOption
//   siresGroup                       siresGroup
//   siresAllWithArchiveOption        siresAllWithArchiveOption
//   siresAllWithoutArchiveOption     siresAllWithoutArchiveOption
//   siresRegionWithArchiveOption     siresRegionWithArchiveOption
//   siresRegionWithoutArchiveOption  siresRegionWithoutArchiveOption
//   siresFarmOption                  siresFarmOption
//   singleBullOption                 singleBullOption
//   pdfOption                        pdfOption
//   startButton                      startButton
// END OBJECT NAMES

// Calculation variant window ("Выбор варианта расчета").
class CalculationVariantsWindow : public KorvelDialog {
  Q_OBJECT
 public:
  explicit CalculationVariantsWindow(HerdTables& dm, QWidget* parent = nullptr);

  QGroupBox* comparisonBaseGroup;
  QRadioButton* baseAllWithArchivesOption;
  QRadioButton* baseAllWithoutArchivesOption;
  QRadioButton* baseRegionWithArchiveOption;
  QRadioButton* baseRegionWithoutArchiveOption;
  QRadioButton* baseFarmOption;
  QGroupBox* siresGroup;
  QRadioButton* siresAllWithArchiveOption;
  QRadioButton* siresAllWithoutArchiveOption;
  QRadioButton* siresRegionWithArchiveOption;
  QRadioButton* siresRegionWithoutArchiveOption;
  QRadioButton* siresFarmOption;
  QRadioButton* singleBullOption;
  // Profiles as a printable PDF catalogue instead of the workbook; kept between openings.
  QCheckBox* pdfOption;
  QPushButton* startButton;

  // The request of the options chosen, asking for a region, a farm or a bull through the
  // borrowed list windows where the options need one (the first steps of startClicked).
  EvaluationRequest readOptions();
  // Reads the options, runs the evaluation and hands the workbook (or the catalogue) over; the window closes
  // however the run ends.
  void startClicked();

  // The region, farm and bull lists the options borrow.
  Pickers pickers;

  // Where the workbook and the catalogue go and how each is opened (the desktop's default
  // application unless replaced, as the tests do).
  QString outputFolder;
  std::function<bool(const QString& path)> openWorkbook;
  std::function<bool(const QString& path)> openCatalogue;
  // How long a run goes before its progress window shows (ms).
  int progressDelayMs = 700;
  // The file (workbook or catalogue) the last run wrote (empty when it wrote none).
  const QString& lastWorkbook() const { return lastWorkbook_; }

 protected:
  void FormActivate() override;

 private:
  HerdTables& dm_;
  QString lastWorkbook_;
  bool running_ = false;
};

}  // namespace korvel
