#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget fenster;
  fenster.setObjectName("Paarix");
  fenster.setWindowTitle(QStringLiteral("Paarix Version 27.02.2012"));
  fenster.show();
  return app.exec();
}
