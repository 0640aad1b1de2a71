// Test entry: a QApplication around GoogleTest. Window tests never need a display: unless the
// caller chose a platform, they run offscreen (also when CTest lists the cases). They measure
// and lay out with the program's own window font.
#include "ui/window_font.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  korvel::useWindowFont();
  return RUN_ALL_TESTS();
}
