// The yardstick for the window benchmarks: a plain Qt Widgets window of the game's size
// and nothing else, built with the same compiler, flags and Qt as the game.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("bare window"));
  window.setFixedSize(8910 / 15, 6630 / 15);
  window.show();
  return app.exec();
}
