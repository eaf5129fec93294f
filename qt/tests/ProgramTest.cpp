// The real program as a process of its own, from a copy in a fresh folder (it
// keeps paarix.ini beside itself), whose settings file cannot be written: the
// old file stays, the program says so and ends normally.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fstream>

#include "../../sound/tests/AlsaTestConfig.h"

namespace paarix {
namespace {

// Whether the program has put up its signal handlers, which it does once the
// window exists: from then on SIGTERM closes it in order.
bool Bereit(const QProcess& p) {
  for (int i = 0; i < 6000 && p.state() == QProcess::Running; ++i) {
    std::ifstream in("/proc/" + std::to_string(p.processId()) + "/status");
    for (std::string zeile; std::getline(in, zeile);) {
      if (zeile.rfind("SigCgt:", 0) == 0 && (std::stoull(zeile.substr(7), nullptr, 16) & (1ULL << (SIGTERM - 1)))) return true;
    }
    QThread::msleep(10);
  }
  return false;
}

// No file may grow beyond 3 bytes, as on a full disk; at the first start and with a file.
TEST(Programm, SettingsThatCannotBeWrittenLeaveTheOldFileAndTheProgramEndsNormally) {
  test::AlsaConfigDir alsa;
  for (const QByteArray& alt : {QByteArray("2,3,7\r\n"), QByteArray()}) {
    QTemporaryDir ordner;
    const QString ini = ordner.filePath(QStringLiteral("paarix.ini"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PAARIX_PROGRAM), ordner.filePath(QStringLiteral("paarix"))));
    QFile datei(ini);
    if (!alt.isEmpty()) {
      ASSERT_TRUE(datei.open(QIODevice::WriteOnly) && datei.write(alt) == alt.size() && datei.flush());
      datei.close();
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), ordner.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), ordner.path());
    env.insert(QStringLiteral("ALSA_CONFIG_PATH"), QString::fromStdString(alsa.missing().string()));
    p.setProcessEnvironment(env);
    p.setChildProcessModifier([] {
      ::signal(SIGXFSZ, SIG_DFL);  // what a shell gives a program it starts
      rlimit grenze{};
      ::getrlimit(RLIMIT_FSIZE, &grenze);
      grenze.rlim_cur = 3;
      ::setrlimit(RLIMIT_FSIZE, &grenze);
    });
    p.start(ordner.filePath(QStringLiteral("paarix")), {});
    ASSERT_TRUE(p.waitForStarted(60000));
    ASSERT_TRUE(Bereit(p)) << p.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string fehler = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << fehler;
    EXPECT_EQ(p.exitCode(), 0) << fehler;
    EXPECT_NE(fehler.find("nicht gespeichert"), std::string::npos) << fehler;
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly) || alt.isEmpty());
    EXPECT_EQ(datei.readAll(), alt);
    const QStringList dateien = alt.isEmpty() ? QStringList{"paarix"} : QStringList{"paarix", "paarix.ini"};
    EXPECT_EQ(QDir(ordner.path()).entryList(QDir::Files | QDir::Hidden), dateien)
        << "the unfinished new file is gone";
  }
}

}  // namespace
}  // namespace paarix
