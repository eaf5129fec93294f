#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <QDir>
#include <QTemporaryDir>
#include <random>
#include <thread>

#include "Einstellungen.h"
#include "TestSupport.h"

namespace paarix {
namespace {

constexpr qint64 kGiB = qint64{1} << 30;

class Datei : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(modus(dir.path(), 0777));  // for the unprivileged child
  }
  QStringList inhalt(const QString& ordner = {}) const {
    return QDir(ordner.isEmpty() ? dir.path() : ordner).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  }
  QTemporaryDir dir;
  const QString ini = dir.filePath("paarix.ini");
};

// Start and close as the window does them: the close writes back what start-up selected.
// The first start creates three zeros; a file that is there is left alone until the close.
TEST_F(Datei, StartAndCloseRoundTrip) {
  const struct { QByteArray vorher; Einstellungen gelesen; QByteArray nachher; } faelle[] = {
      {"2,3,7\r\n", werte(2, 4, 7), "2,3,7\r\n"}, {"-1,-1,-1\r\n", werte(0, 1, -1), "0,0,-1\r\n"},
      {"1,2,3,4\r\n5,6\r\n", werte(1, 3, 3), "1,2,3\r\n"}, {"", werte(0, 1, 0), "0,0,0\r\n"},
      {"x,32767,y", werte(0, 1, 0), "0,0,0\r\n"}, {QByteArray(5000, '\xFF'), werte(0, 1, 0), "0,0,0\r\n"}};
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_EQ(readBytes(ini), "0,0,0\r\n");
  for (const auto& f : faelle) {
    ASSERT_TRUE(writeBytes(ini, f.vorher));
    const Einstellungen e = EinstellungenBeimStart(ini);
    EXPECT_EQ(std::pair(e, readBytes(ini)), std::pair(f.gelesen, f.vorher));
    EXPECT_TRUE(EinstellungenSpeichern(ini, e.BrlModus, static_cast<int16_t>(e.Spielerzahl - 1), e.IniReserve));
    EXPECT_EQ(readBytes(ini), f.nachher);
  }
  EXPECT_EQ(inhalt(), QStringList{"paarix.ini"});
}

// Nothing usable at the path: every value falls back, nothing blocks or crashes, and a
// save that fails says so on stderr and leaves what is there. A write that fails at any
// point leaves the old file whole: in a directory closed to the user (writing the file in
// place is no way out), and when the disk fills up (a file size limit of 3 bytes;
// QSaveFile's own commit would not notice its last flush failing).
TEST_F(Datei, UnusablePlacesAndFailedWrites) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0644), 0);  // opening it would block
  EXPECT_FALSE(DateiVorhanden(ini));
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_EQ(readBytes(ini), "0,0,0\r\n");  // replaced by a file

  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n") && QFile::setPermissions(ini, {}));
  const int unlesbar = inKind([&] { return DateiVorhanden(ini) && EinstellungenBeimStart(ini) == werte(0, 1, 0); });
  EXPECT_TRUE(ohneRoot(unlesbar)) << unlesbar;
  EXPECT_TRUE(EinstellungenSpeichern(ini, 1, 2, 3));
  EXPECT_EQ(readBytes(ini), "1,2,3\r\n");

  for (const QString& pfad : {dir.filePath("ordner"), dir.filePath("fehlt/paarix.ini")}) {
    ASSERT_TRUE(QDir().mkpath(dir.filePath("ordner/inhalt")));
    testing::internal::CaptureStderr();
    EXPECT_EQ(EinstellungenBeimStart(pfad), werte(0, 1, 0));
    EXPECT_FALSE(EinstellungenSpeichern(pfad, 2, 3, 7));
    EXPECT_NE(testing::internal::GetCapturedStderr().find(("nicht gespeichert, " + pfad).toStdString()), std::string::npos);
  }
  EXPECT_EQ(inhalt(dir.filePath("ordner")), QStringList{"inhalt"});

  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n") && modus(ini, 0666) && modus(dir.path(), 0555));
  const int nurLesen = inKind([&] { return !EinstellungenSpeichern(ini, 0, 0, 0); });
  ASSERT_TRUE(modus(dir.path(), 0777));
  EXPECT_TRUE(ohneRoot(nurLesen)) << nurLesen;
  EXPECT_EQ(inKind([&] { return !EinstellungenSpeichern(ini, 1, 1, 1); }, [] {
              const rlimit grenze{3, RLIM_INFINITY};
              return signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &grenze) == 0;
            }), 0);
  EXPECT_EQ(readBytes(ini), "2,3,7\r\n");
  EXPECT_EQ(inhalt(), (QStringList{"ordner", "paarix.ini"}));
}

// A device of 64 GiB that counts the bytes it hands out.
struct EndlessDevice : QIODevice {
  explicit EndlessDevice(QByteArray anfang) : start(std::move(anfang)) { open(ReadOnly); }
  QByteArray start;
  qint64 handedOut = 0;
  qint64 size() const override { return 64 * kGiB; }
  qint64 readData(char* data, qint64 max) override {
    for (qint64 i = 0; i < max; ++i) data[i] = pos() + i < start.size() ? start[pos() + i] : 'x';
    return handedOut += max, max;
  }
  qint64 writeData(const char*, qint64) override { return -1; }
};

// A file or device of any size: at most the first bytes are read.
TEST_F(Datei, ReadsOnlyTheStartOfHugeFiles) {
  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n") && QFile::resize(ini, kGiB));  // sparse: nothing on disk
  EXPECT_EQ(EinstellungenLesen(ini), werte(2, 4, 7));
  ASSERT_TRUE(writeBytes(ini, {}) && QFile::resize(ini, kGiB));  // a gigabyte of zero bytes
  EXPECT_EQ(EinstellungenLesen(ini), werte(0, 1, 0));
  for (const char* start : {"2,3,7\r\n", "2,3,7"}) {
    EndlessDevice geraet(start);
    EXPECT_EQ(EinstellungenAusGeraet(geraet), werte(2, 4, start[5] ? 7 : 0));
    EXPECT_LE(geraet.handedOut, 64 * 1024);
  }
}

// The file beside the program when it is there or can be made there, else in the user's
// own directory, which is made when missing.
TEST_F(Datei, WhereTheFileLives) {
  const std::tuple<QString, char16_t, QString> pfade[] = {
      {"/opt/paarix/", u'/', "/opt/paarix/"}, {"", u'/', "./"}, {"C:/Spiele", u'\\', "C:\\Spiele\\"}, {"C:/", u'\\', "C:\\"}};
  for (const auto& [ordner, trenner, pfad] : pfade) EXPECT_EQ(AppPfadAus(ordner, trenner), pfad) << ordner.toStdString();
  const QString programm = dir.filePath("programm"), benutzer = dir.filePath("home/.config/paarix");
  ASSERT_TRUE(QDir().mkpath(programm) && QDir().mkpath(dir.filePath("home")) && modus(dir.filePath("home"), 0777));
  const auto waehlen = [&] { return IniDateiWaehlen(AppPfadAus(programm), benutzer); };
  EXPECT_EQ(waehlen(), programm + "/paarix.ini");
  EXPECT_TRUE(inhalt(programm).isEmpty());  // the trial file is gone again

  ASSERT_TRUE(modus(programm, 0555));  // installed for all users
  const int ergebnis = inKind([&] {
    return waehlen() == benutzer + "/paarix.ini" && EinstellungenBeimStart(waehlen()) == werte(0, 1, 0) &&
           EinstellungenSpeichern(waehlen(), 2, 3, 7) && EinstellungenBeimStart(waehlen()) == werte(2, 4, 7);
  });
  EXPECT_TRUE(ohneRoot(ergebnis)) << ergebnis;
  ASSERT_TRUE(modus(programm, 0777) && writeBytes(programm + "/paarix.ini", "1,1,1\r\n") && modus(programm, 0555));
  EXPECT_TRUE(ohneRoot(inKind([&] { return waehlen() == programm + "/paarix.ini"; }))) << "a file that is there wins";
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir.filePath("fehlt")), benutzer), benutzer + "/paarix.ini");
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir.filePath("fehlt")), QString()), dir.filePath("fehlt/paarix.ini"));
}

// kill -9 at random moments of saves in a loop, many times over: afterwards the file holds
// the line of the save under way or of the one before it, never anything else.
TEST_F(Datei, KillDuringSave) {
  auto* begonnen = static_cast<std::atomic<long>*>(
      mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(begonnen, MAP_FAILED);
  const auto zeile = [](long k) { return QByteArray::fromStdString(EinstellungsZeile(k % 3, k % 4, k % 30011 - 15000)); };
  std::mt19937 rng(20120227);
  for (int runde = 0; runde < 200; ++runde) {
    ASSERT_TRUE(writeBytes(ini, zeile(0)));
    begonnen->store(-1), std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) for (long k = 1;; ++k) begonnen->store(k), EinstellungenSpeichern(ini, k % 3, k % 4, k % 30011 - 15000);
    ASSERT_GT(pid, 0);
    while (begonnen->load() < 0) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
    ::kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
    const long k = begonnen->load();
    const QByteArray inhalt = readBytes(ini);
    ASSERT_TRUE(inhalt == zeile(k) || inhalt == zeile(k - 1)) << "round " << runde << ", save " << k << ": " << inhalt.toStdString();
  }
  munmap(begonnen, sizeof(std::atomic<long>));
}

}  // namespace
}  // namespace paarix
