// kill -9 at random moments while the settings file is being saved, many times
// over: afterwards the file holds the line of the save that was under way or of
// the one before it, never anything else.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

#include "EinstellungsZeile.h"
#include "SaveLoopValues.h"
#include "TestSupport.h"

namespace paarix {
namespace {

using namespace std::chrono_literals;

QByteArray Zeile(long k) {
  const auto w = test::SaveLoopValues(k);
  return QByteArray::fromStdString(EinstellungsZeile(w.brl, w.anzahl, w.reserve));
}

// The progress counter the save loop publishes, mapped here as well.
class Fortschritt {
 public:
  explicit Fortschritt(const QString& pfad) : pfad_(pfad.toLocal8Bit()) {
    fd_ = ::open(pfad_.constData(), O_RDWR | O_CREAT, 0600);
    if (fd_ < 0 || ::ftruncate(fd_, sizeof(std::atomic<long>)) != 0) return;
    void* map = ::mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map != MAP_FAILED) wert_ = static_cast<std::atomic<long>*>(map);
  }
  ~Fortschritt() {
    if (wert_ != nullptr) ::munmap(wert_, sizeof(std::atomic<long>));
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return wert_ != nullptr; }
  std::atomic<long>& wert() { return *wert_; }
  const char* pfad() const { return pfad_.constData(); }

 private:
  QByteArray pfad_;
  int fd_ = -1;
  std::atomic<long>* wert_ = nullptr;
};

TEST(KillDuringSave, TheFileHoldsTheOldOrTheNewLineAfterEveryKill) {
  const int runden = [] {
    const char* wert = std::getenv("PAARIX_KILL_ROUNDS");
    return wert != nullptr ? std::atoi(wert) : 300;
  }();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString ini = dir.filePath(QStringLiteral("paarix.ini"));
  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n"));
  Fortschritt fortschritt(dir.filePath(QStringLiteral("fortschritt")));
  ASSERT_TRUE(fortschritt.ok());
  const QByteArray iniPfad = ini.toLocal8Bit();

  std::mt19937 rng(20120227);
  QByteArray vorher = readBytes(ini);
  int alt = 0;
  int neu = 0;
  for (int runde = 0; runde < runden; ++runde) {
    fortschritt.wert() = -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      execl(PAARIX_SAVE_LOOP, PAARIX_SAVE_LOOP, iniPfad.constData(), fortschritt.pfad(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // Once the first save has begun, let it run for a random while.
    const auto frist = std::chrono::steady_clock::now() + 20s;
    while (fortschritt.wert() < 0 && std::chrono::steady_clock::now() < frist) std::this_thread::sleep_for(100us);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "round " << runde << ": the save loop ended by itself with status " << status;

    const long k = fortschritt.wert();
    ASSERT_GE(k, 0) << "round " << runde << ": no save began within 20 s";
    const QByteArray inhalt = readBytes(ini);
    const QByteArray vorige = k == 0 ? vorher : Zeile(k - 1);
    if (inhalt == Zeile(k)) {
      ++neu;
    } else if (inhalt == vorige) {
      ++alt;
    } else {
      FAIL() << "round " << runde << ", killed in save " << k << ": the file holds \"" << inhalt.toStdString()
             << "\", neither \"" << vorige.toStdString() << "\" nor \"" << Zeile(k).toStdString() << "\"";
    }
    vorher = inhalt;
  }
  const QStringList rest = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
  std::cout << runden << " kills: " << alt << " left the line before, " << neu << " the line being saved; "
            << rest.size() - 2 << " unfinished new files were left behind\n";
}

}  // namespace
}  // namespace paarix
