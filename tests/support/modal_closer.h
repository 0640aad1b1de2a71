// Closes modal windows as soon as they appear, so that a test can press a button that opens
// one; records their titles, and runs an optional action on each first.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

namespace korvel::test {

class ModalCloser : public QObject {
  Q_OBJECT
 public:
  explicit ModalCloser(std::function<void(QWidget&)> action = {});
  QStringList titles;

 private:
  QTimer timer_;
  std::function<void(QWidget&)> action_;
};

}  // namespace korvel::test
