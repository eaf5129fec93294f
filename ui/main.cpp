#include <QApplication>
#include <QCommandLineParser>
#include <QSessionManager>

#include "Einstellungen.h"
#include "Paarix.h"
#include "SignalBridge.h"
#include "ToneDevice.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("paarix"));
  QApplication::setOrganizationName(QStringLiteral("paarix"));
  QApplication::setApplicationVersion(QStringLiteral("27.02.2012"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Paarix: Paare finden mit Braillezeile und Screenreader."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(app);

  const QString iniDatei = paarix::IniDateiIn(paarix::AppPfadAus(QCoreApplication::applicationDirPath()));
  paarix::Paarix fenster(iniDatei, paarix::openToneDevice());

  // Whatever ends the program goes through the window's own close, which saves.
  paarix::SignalBridge signale([&fenster] { fenster.close(); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &fenster, [&fenster](QSessionManager&) { fenster.close(); });

  fenster.show();
  return app.exec();
}
