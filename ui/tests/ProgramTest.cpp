// The real program, started as a process of its own from a copy in a fresh
// folder (it keeps paarix.ini beside itself): a settings file that cannot be
// written, kill -9 while it saves, SIGTERM while the pair cue plays.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

#include "../../sound/tests/AlsaTestConfig.h"

namespace paarix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

QByteArray Lesen(const QString& pfad) {
  QFile file(pfad);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool Schreiben(const QString& pfad, const QByteArray& inhalt) {
  QFile file(pfad);
  return file.open(QIODevice::WriteOnly) && file.write(inhalt) == inhalt.size() && file.flush();
}

// One run of the program. Its environment is this process's, with HOME, the XDG
// folders and ALSA's configuration pointed into a folder of the test's own.
class Programm {
 public:
  explicit Programm(const QString& ordner) : ordner_(ordner), exe_(ordner + QStringLiteral("/paarix")) {
    if (!QFile::exists(exe_)) QFile::copy(QStringLiteral(PAARIX_PROGRAM), exe_);
    QFile::setPermissions(exe_, QFile::permissions(exe_) | QFile::ExeOwner);
  }
  ~Programm() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (fehlerFd_ >= 0) ::close(fehlerFd_);
  }

  QString Exe() const { return exe_; }

  // `imKind` runs in the child just before exec (to set limits, say).
  void Starten(const std::vector<std::pair<std::string, std::string>>& umgebung,
               const std::function<void()>& imKind = {}) {
    int fehler[2];
    ASSERT_EQ(::pipe2(fehler, O_CLOEXEC), 0);
    const QByteArray exe = exe_.toLocal8Bit();
    std::fflush(nullptr);
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      ::dup2(fehler[1], STDERR_FILENO);
      for (const auto& [name, wert] : umgebung) ::setenv(name.c_str(), wert.c_str(), 1);
      // What a shell gives a program it starts.
      ::signal(SIGXFSZ, SIG_DFL);
      ::signal(SIGPIPE, SIG_DFL);
      if (imKind) imKind();
      ::execl(exe.constData(), exe.constData(), static_cast<char*>(nullptr));
      _exit(127);
    }
    ::close(fehler[1]);
    fehlerFd_ = fehler[0];
    ::fcntl(fehlerFd_, F_SETFL, O_NONBLOCK);
  }

  // Whether the program has put up its signal handlers, which it does once the
  // window exists: from then on SIGTERM closes it in order.
  bool Bereit(std::chrono::seconds frist = 60s) {
    const std::string status = "/proc/" + std::to_string(pid_) + "/status";
    const auto ende = Clock::now() + frist;
    while (Clock::now() < ende) {
      std::ifstream in(status);
      std::string zeile;
      while (std::getline(in, zeile)) {
        if (zeile.rfind("State:", 0) == 0 && zeile.find('Z') != std::string::npos) return false;  // ended
        if (zeile.rfind("SigCgt:", 0) == 0) {
          const unsigned long long maske = std::stoull(zeile.substr(7), nullptr, 16);
          if (maske & (1ULL << (SIGTERM - 1))) return true;
        }
      }
      Stderr();
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

  void Signal(int sig) { ::kill(pid_, sig); }

  // The wait status, or -1 when the program was still running at the deadline
  // (it is killed then).
  int Warten(std::chrono::seconds frist = 60s) {
    const auto ende = Clock::now() + frist;
    int status = 0;
    while (Clock::now() < ende) {
      const pid_t fertig = ::waitpid(pid_, &status, WNOHANG);
      if (fertig == pid_) {
        pid_ = -1;
        Stderr();
        return status;
      }
      Stderr();
      std::this_thread::sleep_for(2ms);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return -1;
  }

  // Everything the program has written to stderr so far.
  const std::string& Stderr() {
    char puffer[4096];
    ssize_t n = 0;
    while (fehlerFd_ >= 0 && (n = ::read(fehlerFd_, puffer, sizeof puffer)) > 0) fehler_.append(puffer, static_cast<size_t>(n));
    return fehler_;
  }

 private:
  QString ordner_;
  QString exe_;
  pid_t pid_ = -1;
  int fehlerFd_ = -1;
  std::string fehler_;
};

std::string Beschreibung(int status) {
  if (status == -1) return "still running at the deadline";
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("killed by signal ") + strsignal(WTERMSIG(status));
  return "status " + std::to_string(status);
}

class ProgrammTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ordner.isValid());
    ASSERT_TRUE(heim.isValid());
    ini = ordner.filePath(QStringLiteral("paarix.ini"));
  }

  // A quiet, private environment: no sound card (cues are silent and keep their
  // time), the configuration folders in a folder of the test's own.
  std::vector<std::pair<std::string, std::string>> Umgebung() const {
    const std::string h = heim.path().toStdString();
    QDir(heim.path()).mkpath(QStringLiteral("runtime"));
    ::chmod((h + "/runtime").c_str(), 0700);
    return {{"QT_QPA_PLATFORM", "offscreen"},
            {"HOME", h},
            {"XDG_CONFIG_HOME", h + "/config"},
            {"XDG_CACHE_HOME", h + "/cache"},
            {"XDG_RUNTIME_DIR", h + "/runtime"},
            {"ALSA_CONFIG_PATH", alsa.missing().string()}};
  }

  QStringList Dateien() const { return QDir(ordner.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir ordner;  // the program's folder
  QTemporaryDir heim;
  test::AlsaConfigDir alsa;
  QString ini;
};

// A full disk, as far as the program can tell: no file may grow beyond 3 bytes.
// The program starts, plays, and at the close cannot save: the old file stays as
// it was, the program says so on stderr and ends normally.
TEST_F(ProgrammTest, UnderAFileSizeLimitTheOldFileStaysAndTheProgramEndsNormally) {
  ASSERT_TRUE(Schreiben(ini, "2,3,7\r\n"));
  Programm p(ordner.path());
  p.Starten(Umgebung(), [] {
    rlimit grenze{};
    ::getrlimit(RLIMIT_FSIZE, &grenze);
    grenze.rlim_cur = 3;
    ::setrlimit(RLIMIT_FSIZE, &grenze);
  });
  ASSERT_TRUE(p.Bereit()) << p.Stderr();
  p.Signal(SIGTERM);
  const int status = p.Warten();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Beschreibung(status) << "\n" << p.Stderr();
  EXPECT_EQ(Lesen(ini), "2,3,7\r\n");
  EXPECT_NE(p.Stderr().find("nicht gespeichert"), std::string::npos) << p.Stderr();
  EXPECT_EQ(Dateien(), (QStringList{"paarix", "paarix.ini"})) << "the unfinished new file is gone";
}

// The same at the first start: the file cannot be created, and the program runs
// and ends all the same.
TEST_F(ProgrammTest, UnderAFileSizeLimitTheFirstStartRunsWithoutAFile) {
  Programm p(ordner.path());
  p.Starten(Umgebung(), [] {
    rlimit grenze{};
    ::getrlimit(RLIMIT_FSIZE, &grenze);
    grenze.rlim_cur = 3;
    ::setrlimit(RLIMIT_FSIZE, &grenze);
  });
  ASSERT_TRUE(p.Bereit()) << p.Stderr();
  p.Signal(SIGTERM);
  const int status = p.Warten();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Beschreibung(status) << "\n" << p.Stderr();
  EXPECT_EQ(Dateien(), QStringList{"paarix"});
}

// A disk that is really full: the program's folder is a small tmpfs, filled up.
// Needs a mount namespace of its own (root, or a user namespace); skipped where
// there is none.
TEST_F(ProgrammTest, OnAFullDiskTheOldFileStaysAndTheProgramEndsNormally) {
  if (::unshare(CLONE_NEWNS) != 0) GTEST_SKIP() << "no mount namespace: " << std::strerror(errno);
  ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0) << std::strerror(errno);
  const QByteArray platte = QDir(ordner.path()).filePath(QStringLiteral("platte")).toLocal8Bit();
  ASSERT_TRUE(QDir().mkpath(QString::fromLocal8Bit(platte)));
  const qint64 programmGroesse = QFileInfo(QStringLiteral(PAARIX_PROGRAM)).size();
  const std::string optionen = "size=" + std::to_string(programmGroesse / 1024 + 1024) + "k";
  if (::mount("tmpfs", platte.constData(), "tmpfs", 0, optionen.c_str()) != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
  }
  struct Aushaengen {
    QByteArray pfad;
    ~Aushaengen() { ::umount2(pfad.constData(), MNT_DETACH); }
  } aushaengen{platte};

  const QString ordnerAufPlatte = QString::fromLocal8Bit(platte);
  Programm p(ordnerAufPlatte);
  const QString iniAufPlatte = ordnerAufPlatte + QStringLiteral("/paarix.ini");
  ASSERT_TRUE(Schreiben(iniAufPlatte, "1,2,-3\r\n"));
  {
    // Fill the disk to the last byte.
    QFile fueller(ordnerAufPlatte + QStringLiteral("/fueller"));
    ASSERT_TRUE(fueller.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (fueller.write(block) == block.size()) {
    }
    while (fueller.write("x", 1) == 1) {
    }
  }
  p.Starten(Umgebung());
  ASSERT_TRUE(p.Bereit()) << p.Stderr();
  p.Signal(SIGTERM);
  const int status = p.Warten();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Beschreibung(status) << "\n" << p.Stderr();
  EXPECT_EQ(Lesen(iniAufPlatte), "1,2,-3\r\n");
  EXPECT_NE(p.Stderr().find("nicht gespeichert"), std::string::npos) << p.Stderr();
  EXPECT_EQ(QDir(ordnerAufPlatte).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"fueller", "paarix", "paarix.ini"}));
}

// kill -9 at random moments around the save at the close, many times over: the
// file holds the old line or the new one, never anything else. The old line has
// a value too many, which the program does not read and does not write back.
TEST_F(ProgrammTest, KillDuringTheSaveAtTheCloseLeavesTheOldOrTheNewLine) {
  const int runden = [] {
    const char* wert = std::getenv("PAARIX_PROGRAM_KILL_ROUNDS");
    return wert != nullptr ? std::atoi(wert) : 20;
  }();
  const QByteArray alt("1,2,5,99\r\n");
  const QByteArray neu("1,2,5\r\n");
  std::mt19937 rng(27022012);
  int alteZeile = 0;
  int neueZeile = 0;
  Programm p(ordner.path());
  // How long an undisturbed close takes, from SIGTERM to the end; the kills fall
  // at random moments within that time.
  ASSERT_TRUE(Schreiben(ini, alt));
  p.Starten(Umgebung());
  ASSERT_TRUE(p.Bereit()) << p.Stderr();
  const auto start = Clock::now();
  p.Signal(SIGTERM);
  ASSERT_EQ(p.Warten(), 0) << p.Stderr();
  const auto schliessen = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  ASSERT_EQ(Lesen(ini), neu);

  for (int runde = 0; runde < runden; ++runde) {
    ASSERT_TRUE(Schreiben(ini, alt));
    p.Starten(Umgebung());
    ASSERT_TRUE(p.Bereit()) << p.Stderr();
    p.Signal(SIGTERM);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % (schliessen.count() + 1)));
    p.Signal(SIGKILL);
    const int status = p.Warten();
    ASSERT_NE(status, -1);
    const QByteArray inhalt = Lesen(ini);
    if (inhalt == alt) {
      ++alteZeile;
    } else if (inhalt == neu) {
      ++neueZeile;
    } else {
      FAIL() << "round " << runde << " (" << Beschreibung(status) << "): the file holds \"" << inhalt.toStdString()
             << "\"";
    }
  }
  std::cout << "a close takes " << schliessen.count() << " us; " << runden << " kills within it: " << alteZeile << " left the old line, " << neueZeile
            << " the new one\n";
}

}  // namespace
}  // namespace paarix
