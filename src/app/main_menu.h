// Main menu window.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace korvel {

class TDataModule5;

// Main menu: opens every screen modally; closing it ends the program.
class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(TDataModule5& dm, QWidget* parent = nullptr);

  // The activation routine: caption and place, both refresh flags cleared, the reference
  // tables closed and reopened. Runs once the window is first on the screen, and after a
  // restore.
  void FormActivate();
  // Whether the first activation has run.
  bool activated() const { return activated_; }

  QLabel* Image1;
  QLabel* Image2;
  QPushButton *Button1, *Button3, *Button4, *Button5, *Button6, *Button8, *Button9;
  QPushButton *Button10, *Button11, *Button12, *Button13, *Button14, *Button15, *Button16;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  QPushButton* makeButton(const char* name, const QString& caption);
  void showInstruction(int selector);

  TDataModule5& dm_;
  bool shown_ = false;
  bool activated_ = false;
};

}  // namespace korvel
