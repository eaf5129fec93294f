#include <QApplication>
#include <QCommandLineParser>
#include <QSessionManager>
#include <csignal>
#include <vector>

#include "Einstellungen.h"
#include "Paarix.h"
#include "SignalBridge.h"
#include "ToneDevice.h"

namespace {

// The name also names the per-user configuration directory (~/.config/paarix,
// %LOCALAPPDATA%\paarix); there is no organisation name in between.
void programmAngaben() {
  QCoreApplication::setApplicationName(QStringLiteral("paarix"));
  QCoreApplication::setApplicationVersion(QStringLiteral("27.02.2012"));
}

void optionen(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Paarix: Paare finden mit Braillezeile und Screenreader."));
  parser.addHelpOption();
  parser.addVersionOption();
}

// --help and --version need no window, so they are answered before QApplication
// connects to the display: they work on a console without one. Anything else,
// Qt's own options such as -platform among them, goes on to QApplication.
void hilfeOderVersionOhneAnzeige(int argc, char* argv[]) {
  std::vector<char*> args(argv, argv + argc + 1);  // QCoreApplication may take options out
  int anzahl = argc;
  const QCoreApplication app(anzahl, args.data());
  QCommandLineParser parser;
  optionen(parser);
  if (!parser.parse(QCoreApplication::arguments())) return;
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))) {
    parser.process(app);  // prints and ends the program
  }
}

}  // namespace

int main(int argc, char* argv[]) {
#ifdef SIGXFSZ
  // A file size limit would otherwise end the program in the middle of writing
  // its settings. Ignored, the write fails as on a full disk: the old file
  // stays and the program goes on.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  programmAngaben();
  hilfeOderVersionOhneAnzeige(argc, argv);

  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("org.paarix.Paarix"));

  QCommandLineParser parser;
  optionen(parser);
  parser.process(app);

  const QString iniDatei = paarix::IniDateiWaehlen();
  paarix::Paarix fenster(iniDatei, paarix::openToneDevice());

  // Whatever ends the program goes through the window's own close, which saves.
  paarix::SignalBridge signale([&fenster] { fenster.close(); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &fenster, [&fenster](QSessionManager&) { fenster.close(); });

  fenster.show();
  return app.exec();
}
