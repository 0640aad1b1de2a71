// Watches for a window whose title holds argv[1] for argv[2] milliseconds and brings it to the
// front: exits 0 when it appeared, 1 when it did not.
#include "app/window_to_front.h"

#include <QCoreApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) return 2;
  korvel::bringToFrontWhenShown(QString::fromUtf8(argv[1]), std::atoi(argv[2]),
                                [](bool shown) { QCoreApplication::exit(shown ? 0 : 1); });
  return QCoreApplication::exec();
}
