#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

#include "Einstellungen.h"
#include "TestSupport.h"

namespace paarix {
namespace {

const QByteArray kDreiNullen("\x30\x2C\x30\x2C\x30\x0D\x0A", 7);
constexpr qint64 kOneGiB = qint64{1} << 30;

class EinstellungenDatei : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ini = dir.filePath("paarix.ini");
  }

  // What a close writes when the lists still show what start-up selected.
  bool schliessen(const Einstellungen& e) {
    return EinstellungenSpeichern(ini, e.BrlModus, static_cast<int16_t>(e.Spielerzahl - 1), e.IniReserve);
  }

  QStringList entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

  QTemporaryDir dir;
  QString ini;
};

TEST(AppPfad, EndsInExactlyOneSeparator) {
  EXPECT_EQ(AppPfadAus("/opt/paarix", u'/'), "/opt/paarix/");
  EXPECT_EQ(AppPfadAus("/opt/paarix/", u'/'), "/opt/paarix/");
  EXPECT_EQ(AppPfadAus("/", u'/'), "/");
  EXPECT_EQ(AppPfadAus("", u'/'), "./");
  // Windows: Qt reports "C:/Spiele"; the path uses "\" throughout.
  EXPECT_EQ(AppPfadAus("C:/Spiele/Paarix", u'\\'), "C:\\Spiele\\Paarix\\");
  EXPECT_EQ(AppPfadAus("C:\\Spiele", u'\\'), "C:\\Spiele\\");
  EXPECT_EQ(AppPfadAus("C:/", u'\\'), "C:\\");
  EXPECT_EQ(AppPfadAus("C:\\", u'\\'), "C:\\");
  EXPECT_EQ(AppPfadAus("//server/spiele", u'\\'), "\\\\server\\spiele\\");

  EXPECT_EQ(IniDateiIn(AppPfadAus("C:/", u'\\')), "C:\\paarix.ini");
  EXPECT_EQ(IniDateiIn(AppPfadAus("/", u'/')), "/paarix.ini");
  EXPECT_EQ(AppPfadAus("spiele"), QString("spiele") + QDir::separator());
}

TEST(AppPfad, IsTheDirectoryOfTheExecutable) {
  int argc = 1;
  char name[] = "settings_tests";
  char* argv[] = {name, nullptr};
  const QCoreApplication app(argc, argv);
  const QString exe = QFileInfo(QFile::symLinkTarget("/proc/self/exe")).canonicalPath();
  EXPECT_EQ(IniDateiIn(AppPfadErmitteln()), exe + "/paarix.ini");
}

TEST_F(EinstellungenDatei, DateiVorhandenOnlyForAFile) {
  EXPECT_FALSE(DateiVorhanden(ini));
  ASSERT_TRUE(writeBytes(ini, {}));
  EXPECT_TRUE(DateiVorhanden(ini));  // a file of length 0 counts
  ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0), 0);
  EXPECT_TRUE(DateiVorhanden(ini));  // unreadable, but there

  const QString unterordner = dir.filePath("ordner");
  ASSERT_TRUE(QDir().mkdir(unterordner));
  EXPECT_FALSE(DateiVorhanden(unterordner));
  const QString pipe = dir.filePath("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
  EXPECT_FALSE(DateiVorhanden(pipe));
  EXPECT_FALSE(DateiVorhanden(dir.filePath("fehlt/paarix.ini")));
}

TEST_F(EinstellungenDatei, FirstStartCreatesThreeZeros) {
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_EQ(readBytes(ini), kDreiNullen);
  EXPECT_EQ(entries(), QStringList{"paarix.ini"});
}

TEST_F(EinstellungenDatei, StartLeavesAnExistingFileAlone) {
  ASSERT_TRUE(writeBytes(ini, {}));
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_EQ(readBytes(ini), QByteArray());  // not recreated

  ASSERT_TRUE(writeBytes(ini, " 2,3,7\n"));
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(2, 4, 7));
  EXPECT_EQ(readBytes(ini), " 2,3,7\n");
}

TEST_F(EinstellungenDatei, RoundTripsThroughStartAndClose) {
  const struct {
    QByteArray vorher;
    Einstellungen gelesen;
    QByteArray nachher;
  } faelle[] = {
      {"2,3,7\r\n", werte(2, 4, 7), "2,3,7\r\n"},
      {"-1,-1,-1\r\n", werte(0, 1, -1), "0,0,-1\r\n"},
      {"1,2,3,4\r\n5,6\r\n", werte(1, 3, 3), "1,2,3\r\n"},
      {"0,1,-32768", werte(0, 2, -32768), "0,1,-32768\r\n"},
      {"x,32767,y\r\n", werte(0, 1, 0), kDreiNullen},  // an unusable file is repaired
      {QByteArray(5000, '\xFF'), werte(0, 1, 0), kDreiNullen},
  };
  for (const auto& fall : faelle) {
    ASSERT_TRUE(writeBytes(ini, fall.vorher));
    const Einstellungen gelesen = EinstellungenBeimStart(ini);
    EXPECT_EQ(gelesen, fall.gelesen) << fall.vorher.left(40).toStdString();
    EXPECT_TRUE(schliessen(gelesen));
    EXPECT_EQ(readBytes(ini), fall.nachher) << fall.vorher.left(40).toStdString();
  }
  EXPECT_EQ(entries(), QStringList{"paarix.ini"});
}

TEST_F(EinstellungenDatei, HugeFilesAreReadOnlyAtTheStart) {
  // Sparse files: a gigabyte on paper, nothing on disk.
  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n"));
  ASSERT_TRUE(QFile::resize(ini, kOneGiB));
  EXPECT_EQ(EinstellungenLesen(ini), werte(2, 4, 7));

  ASSERT_TRUE(writeBytes(ini, {}));
  ASSERT_TRUE(QFile::resize(ini, kOneGiB));  // a gigabyte of zero bytes, no line end
  EXPECT_EQ(EinstellungenLesen(ini), werte(0, 1, 0));
  EXPECT_TRUE(EinstellungenSpeichern(ini, 1, 1, 1));
  EXPECT_EQ(readBytes(ini), "1,1,1\r\n");
}

// A file-like device of any size that makes up its bytes on demand and counts
// how many it handed out.
class EndlessDevice : public QIODevice {
 public:
  EndlessDevice(QByteArray start, qint64 size) : start_(std::move(start)), size_(size) {}
  qint64 size() const override { return size_; }
  qint64 handedOut = 0;

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 n = std::min(maxSize, size_ - pos());
    for (qint64 i = 0; i < n; ++i) {
      const qint64 at = pos() + i;
      data[i] = at < start_.size() ? start_[at] : 'x';
    }
    handedOut += n;
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QByteArray start_;
  qint64 size_;
};

TEST(EinstellungenAusGeraet, ReadsABoundedAmount) {
  for (const QByteArray& start : {QByteArray("2,3,7\r\n"), QByteArray("2,3,7")}) {
    EndlessDevice geraet(start, 64 * kOneGiB);
    ASSERT_TRUE(geraet.open(QIODevice::ReadOnly));
    // "2,3,7" followed by endless "x" makes the third field unusable.
    EXPECT_EQ(EinstellungenAusGeraet(geraet), werte(2, 4, start.endsWith('\n') ? 7 : 0));
    EXPECT_LE(geraet.handedOut, 64 * 1024);
  }
}

TEST_F(EinstellungenDatei, DirectoryAtThePath) {
  ASSERT_TRUE(QDir().mkdir(ini));
  ASSERT_TRUE(writeBytes(ini + "/inhalt", "bleibt"));
  EXPECT_FALSE(DateiVorhanden(ini));
  EXPECT_EQ(EinstellungenLesen(ini), werte(0, 1, 0));

  testing::internal::CaptureStderr();
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));  // tries to create the file, fails
  EXPECT_FALSE(EinstellungenSpeichern(ini, 2, 3, 7));
  const std::string meldung = testing::internal::GetCapturedStderr();
  EXPECT_NE(meldung.find("nicht gespeichert"), std::string::npos) << meldung;
  EXPECT_NE(meldung.find(ini.toStdString()), std::string::npos) << meldung;

  EXPECT_TRUE(QFileInfo(ini).isDir());
  EXPECT_EQ(readBytes(ini + "/inhalt"), "bleibt");
  EXPECT_EQ(entries(), QStringList{"paarix.ini"});
}

TEST_F(EinstellungenDatei, MissingDirectory) {
  const QString woanders = dir.filePath("fehlt/paarix.ini");
  testing::internal::CaptureStderr();
  EXPECT_EQ(EinstellungenBeimStart(woanders), werte(0, 1, 0));
  EXPECT_FALSE(EinstellungenSpeichern(woanders, 1, 1, 1));
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(entries().isEmpty());
}

TEST_F(EinstellungenDatei, PipeAtThePathNeitherBlocksNorSurvivesTheStart) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0644), 0);
  EXPECT_EQ(EinstellungenLesen(ini), werte(0, 1, 0));  // no writer: opening it would block
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_TRUE(QFileInfo(ini).isFile());
  EXPECT_EQ(readBytes(ini), kDreiNullen);
}

TEST_F(EinstellungenDatei, UnreadableFileGivesDefaultsAndIsReplacedAtClose) {
  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n"));
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther));
  ASSERT_TRUE(QFile::setPermissions(ini, {}));

  const int ergebnis = runUnprivileged(
      [&] { return DateiVorhanden(ini) && EinstellungenBeimStart(ini) == werte(0, 1, 0); });
  if (ergebnis == kChildCannotDropRoot) GTEST_SKIP() << "cannot give up root, so every file is readable";
  EXPECT_EQ(ergebnis, kChildTrue);

  EXPECT_TRUE(EinstellungenSpeichern(ini, 1, 2, 3));
  EXPECT_EQ(readBytes(ini), "1,2,3\r\n");
  EXPECT_TRUE(QFile::permissions(ini) & QFile::ReadOwner);  // readable again at the next start
}

TEST_F(EinstellungenDatei, ReadOnlyDirectoryKeepsTheOldFile) {
  const QString ordner = dir.filePath("nurlesen");
  const QString datei = ordner + "/paarix.ini";
  ASSERT_TRUE(QDir().mkdir(ordner));
  ASSERT_TRUE(writeBytes(datei, "2,3,7\r\n"));
  // The file itself is writable: only writing it in place could change it.
  ASSERT_TRUE(QFile::setPermissions(datei, QFileDevice::Permissions(0x6666)));
  ASSERT_TRUE(QFile::setPermissions(ordner, QFileDevice::Permissions(0x5555)));
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther));

  const int ergebnis = runUnprivileged([&] {
    return !EinstellungenSpeichern(datei, 0, 0, 0) && EinstellungenLesen(datei) == werte(2, 4, 7);
  });
  ASSERT_TRUE(QFile::setPermissions(ordner, QFileDevice::Permissions(0x7755)));
  if (ergebnis == kChildCannotDropRoot) GTEST_SKIP() << "cannot give up root, and root may write anywhere";
  EXPECT_EQ(ergebnis, kChildTrue);
  EXPECT_EQ(readBytes(datei), "2,3,7\r\n");
  EXPECT_EQ(QDir(ordner).entryList(QDir::Files | QDir::Hidden), QStringList{"paarix.ini"});
}

TEST_F(EinstellungenDatei, WriteFailingHalfWayKeepsTheOldFile) {
  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n"));
  // A full disk, as far as this process can tell: files may grow to 3 bytes.
  std::fflush(nullptr);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit grenze{};
    getrlimit(RLIMIT_FSIZE, &grenze);
    grenze.rlim_cur = 3;
    if (setrlimit(RLIMIT_FSIZE, &grenze) != 0) _exit(kChildCannotDropRoot);
    _exit(EinstellungenSpeichern(ini, 1, 1, 1) ? kChildTrue : kChildFalse);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kChildFalse);
  EXPECT_EQ(readBytes(ini), "2,3,7\r\n");
  EXPECT_EQ(entries(), QStringList{"paarix.ini"});  // the unfinished file is gone
}

}  // namespace
}  // namespace paarix
