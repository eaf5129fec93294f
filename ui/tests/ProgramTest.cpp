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
#include <filesystem>
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

// A private X server (Xvfb) for the tests that type into the program as a
// keyboard would, through xdotool.
class XServer {
 public:
  XServer() {
    if (::access("/usr/bin/Xvfb", X_OK) != 0 || ::access("/usr/bin/xdotool", X_OK) != 0) return;
    int anzeige[2];
    if (::pipe(anzeige) != 0) return;
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      ::close(anzeige[0]);
      const int leer = ::open("/dev/null", O_WRONLY);
      ::dup2(leer, STDOUT_FILENO);
      ::dup2(leer, STDERR_FILENO);
      const std::string fd = std::to_string(anzeige[1]);
      ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
              static_cast<char*>(nullptr));
      _exit(127);
    }
    ::close(anzeige[1]);
    // Xvfb writes its display number once it takes connections.
    std::string nummer;
    char c = 0;
    while (::read(anzeige[0], &c, 1) == 1 && c != '\n') nummer += c;
    ::close(anzeige[0]);
    if (!nummer.empty()) display_ = ":" + nummer;
  }
  ~XServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  // Empty when there is no X server.
  const std::string& Display() const { return display_; }

  // Runs xdotool with `argumente` on this display; returns what it printed.
  std::string Xdotool(const std::string& argumente) const {
    const std::string befehl = "DISPLAY=" + display_ + " /usr/bin/xdotool " + argumente + " 2>/dev/null";
    std::string ausgabe;
    if (FILE* rohr = ::popen(befehl.c_str(), "r")) {
      char puffer[256];
      while (std::fgets(puffer, sizeof puffer, rohr) != nullptr) ausgabe += puffer;
      ::pclose(rohr);
    }
    return ausgabe;
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Counts the times a file named `name` is written or moved into `ordner`.
class Speicherzaehler {
 public:
  Speicherzaehler(const QString& ordner, const char* name) : name_(name) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) ::inotify_add_watch(fd_, ordner.toLocal8Bit().constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
  }
  ~Speicherzaehler() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Anzahl() {
    alignas(inotify_event) char puffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd_, puffer, sizeof puffer)) > 0) {
      for (char* p = puffer; p < puffer + n;) {
        const auto* ereignis = reinterpret_cast<const inotify_event*>(p);
        if (ereignis->len > 0 && name_ == ereignis->name) ++anzahl_;
        p += sizeof(inotify_event) + ereignis->len;
      }
    }
    return anzahl_;
  }

 private:
  std::string name_;
  int fd_ = -1;
  int anzahl_ = 0;
};

qint64 Groesse(const std::filesystem::path& datei) {
  std::error_code fehler;
  const auto groesse = std::filesystem::file_size(datei, fehler);
  return fehler ? 0 : static_cast<qint64>(groesse);
}

// SIGTERM while the pair cue plays, from outside, as a system shutdown sends it.
// The test plays through an X server with key strokes. It does not know the deal,
// so it turns the first card and tries the others one by one; it hears every cue
// in the capture file of an ALSA device that takes samples at once, and the pair
// cue (3.6 s) stands out by its length. The moment that cue begins, the program
// gets SIGTERM. It must finish the handler (the cue's 3.6 s), save once and end
// with status 0.
TEST_F(ProgrammTest, SigtermWhileThePairCuePlaysEndsAfterTheHandlerWithOneSave) {
  XServer x;
  if (x.Display().empty()) GTEST_SKIP() << "needs Xvfb and xdotool";
  ASSERT_TRUE(Schreiben(ini, "0,0,5,1\r\n"));  // 12 cards, one player
  const std::filesystem::path wav = heim.filePath(QStringLiteral("cues.wav")).toStdString();
  auto umgebung = Umgebung();
  for (auto& [name, wert] : umgebung) {
    if (name == "QT_QPA_PLATFORM") wert = "xcb";
    if (name == "ALSA_CONFIG_PATH") wert = alsa.capture().string();
  }
  umgebung.emplace_back("DISPLAY", x.Display());
  umgebung.emplace_back("CAPTURE", wav.string());
  Speicherzaehler speichern(ordner.path(), "paarix.ini");

  Programm p(ordner.path());
  p.Starten(umgebung);
  ASSERT_TRUE(p.Bereit()) << p.Stderr();
  const std::string fenster = x.Xdotool("search --sync --onlyvisible --name \"Paarix Version\" | head -n 1");
  ASSERT_FALSE(fenster.empty()) << p.Stderr();
  x.Xdotool("windowfocus --sync " + fenster);

  // Waits for the next cue and returns how many bytes it added to the capture.
  qint64 gehoert = Groesse(wav);
  Clock::time_point tonBeginn;
  auto naechsterTon = [&]() -> qint64 {
    const auto frist = Clock::now() + 20s;
    while (Groesse(wav) == gehoert && Clock::now() < frist) std::this_thread::sleep_for(2ms);
    tonBeginn = Clock::now();
    qint64 jetzt = Groesse(wav);
    for (auto ruhig = Clock::now(); Clock::now() - ruhig < 150ms;) {
      std::this_thread::sleep_for(5ms);
      if (Groesse(wav) != jetzt) {
        jetzt = Groesse(wav);
        ruhig = Clock::now();
      }
    }
    const qint64 dazu = jetzt - gehoert;
    gehoert = jetzt;
    return dazu;
  };
  // Cues 9 and 16 are 30 ms of 16-bit samples at 48 kHz, the pair cue 3.6 s; the
  // first cue also brings the WAV header.
  auto kurz = [](qint64 bytes) { return bytes >= 48 * 30 * 2 && bytes <= 48 * 30 * 2 + 44; };
  constexpr qint64 kPaar = 48 * 3600 * 2;

  // Help button, Braille list, player list (leaving the Braille list deals), field.
  x.Xdotool("key --delay 30 Tab Tab Tab Home space");
  ASSERT_TRUE(kurz(naechsterTon())) << "the first card";
  Clock::time_point signalZeit;
  bool paar = false;
  for (int partner = 1; partner < 12 && !paar; ++partner) {
    std::string tasten = "key --delay 10 Home";
    for (int i = 0; i < partner; ++i) tasten += " Right";
    x.Xdotool(tasten + " space");
    const qint64 ton = naechsterTon();
    if (ton >= kPaar) {
      p.Signal(SIGTERM);
      signalZeit = Clock::now();
      paar = true;
      break;
    }
    ASSERT_TRUE(kurz(ton)) << "card " << partner << ": " << ton << " bytes";
    x.Xdotool("key --delay 10 space Home space");  // both face down again, the first card once more
    ASSERT_TRUE(kurz(naechsterTon())) << "the first card again";
  }
  ASSERT_TRUE(paar) << "no pair found for the first card";

  const int status = p.Warten();
  const auto ende = Clock::now();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Beschreibung(status) << "\n" << p.Stderr();
  EXPECT_LT(signalZeit - tonBeginn, 1000ms) << "SIGTERM came too late to fall into the cue";
  EXPECT_GE(ende - tonBeginn, 3500ms) << "the program ended before the pair cue was over";
  EXPECT_EQ(speichern.Anzahl(), 1);
  EXPECT_EQ(Lesen(ini), "0,0,5\r\n");
}

}  // namespace
}  // namespace paarix
