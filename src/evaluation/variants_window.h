// Calculation variant window: the comparison base and the bull set of a sire evaluation, and
// the run that scans the cows and hands the linear profile workbook to the spreadsheet
// application.
#pragma once

#include "evaluation/evaluation_request.h"
#include "ui/window_base.h"

#include <QString>
#include <functional>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace korvel {

class TDataModule5;

// Calculation variant window ("Выбор варианта расчета").
class TForm12 : public KorvelDialog {
  Q_OBJECT
 public:
  explicit TForm12(TDataModule5& dm, QWidget* parent = nullptr);

  QGroupBox* GroupBox1;
  QRadioButton* RadioButton4;
  QRadioButton* RadioButton5;
  QRadioButton* RadioButton6;
  QRadioButton* RadioButton13;
  QRadioButton* RadioButton14;
  QGroupBox* GroupBox2;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QRadioButton* RadioButton9;
  QRadioButton* RadioButton3;
  QRadioButton* RadioButton10;
  QRadioButton* RadioButton11;
  QPushButton* Button1;

  // The request of the options chosen, asking for a region, a farm or a bull through the
  // borrowed list windows where the options need one (the first steps of Button1Click).
  EvaluationRequest readOptions();
  // Reads the options, runs the evaluation and hands the workbook over; the window closes
  // however the run ends.
  void Button1Click();

  // Where the workbook goes and how it is opened (the desktop's default application unless
  // replaced, as the tests do).
  QString outputFolder;
  std::function<bool(const QString& path)> openWorkbook;
  // How long a run goes before its progress window shows (ms).
  int progressDelayMs = 700;
  // The file the last run wrote (empty when it wrote none).
  const QString& lastWorkbook() const { return lastWorkbook_; }

 protected:
  void FormActivate() override;

 private:
  TDataModule5& dm_;
  QString lastWorkbook_;
  bool running_ = false;
};

}  // namespace korvel
