// A window with the title given on the command line, shown until the process is killed:
// stands for another program's window in the start-up guard test under Xvfb.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.setWindowTitle(QString::fromUtf8(argc > 1 ? argv[1] : "window"));
  w.resize(300, 100);
  w.show();
  return QApplication::exec();
}
