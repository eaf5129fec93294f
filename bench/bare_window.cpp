// The yardstick for the window benchmarks: a plain Qt Widgets window of the game's size
// and nothing else, built with the same compiler, flags and Qt as the game.
#include <QApplication>
#include <QWidget>

#include "Layout.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("bare window"));
  window.setFixedSize(paarix::kClientArea.width / paarix::kTwipsPerPixelAt96Dpi,
                      paarix::kClientArea.height / paarix::kTwipsPerPixelAt96Dpi);
  window.show();
  return app.exec();
}
