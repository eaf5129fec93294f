#include <QApplication>
#include <QCommandLineParser>
#include <QSessionManager>
#include <csignal>
#include <vector>

#include "CuePlayer.h"
#include "Einstellungen.h"
#include "QtWindow.h"
#include "SignalBridge.h"
#include "ToneDevice.h"
#include "Version.h"
#include "Zufall.h"

namespace {

void programInfo() {
  QCoreApplication::setApplicationName(QStringLiteral("paarix"));
  QCoreApplication::setApplicationVersion(QLatin1String(paarix::kVersionDatum));
}

void options(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Paarix: Paare finden mit Braillezeile und Screenreader."));
  parser.addHelpOption();
  parser.addVersionOption();
}

// --help and --version need no window, so they are answered before QApplication
// connects to the display: they work on a console without one. Anything else,
// Qt's own options such as -platform among them, goes on to QApplication.
void helpOrVersionWithoutDisplay(int argc, char* argv[]) {
  std::vector<char*> args(argv, argv + argc + 1);  // QCoreApplication may take options out
  int count = argc;
  const QCoreApplication app(count, args.data());
  QCommandLineParser parser;
  options(parser);
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
  programInfo();
  helpOrVersionWithoutDisplay(argc, argv);

  // Qt asks the desktop only once, at start-up, whether a screen reader runs: a
  // game started before Orca would never be seen by it. So the accessibility is
  // always on, unless the user says otherwise.
  if (!qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  }
  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("org.paarix.Paarix"));
  QCommandLineParser parser;
  options(parser);
  parser.process(app);

  // The sound device opens on the audio thread, while the window comes up.
  paarix::CuePlayer cues(paarix::openToneDevice);
  paarix::UhrZufall zufall;
  paarix::QtWindow window(paarix::IniDateiWaehlen(), cues, zufall);

  // Whatever ends the program goes through the window's own close, which saves.
  const paarix::SignalBridge bridge([&window] { window.close(); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager&) {
    window.paarix().SessionEnding();  // nothing may run after this: the settings are written now
    window.close();
  });

  window.show();
  return app.exec();
}
