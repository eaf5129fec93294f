// Where the settings file lives: beside the executable when that works, in the
// user's configuration directory when the program's directory is closed to the
// user (an installation in /usr/bin, say).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "Einstellungen.h"
#include "TestSupport.h"

namespace paarix {
namespace {

const QByteArray kDreiNullen("0,0,0\r\n");

// A program directory and a home directory in one scratch directory, both
// reachable for the unprivileged child of runUnprivileged. The user's
// configuration directory does not exist yet, nor does its parent.
class IniOrt : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    programm = dir.filePath("programm");
    const QString home = dir.filePath("home");
    ASSERT_TRUE(QDir().mkdir(programm));
    ASSERT_TRUE(QDir().mkdir(home));
    benutzer = home + "/.config/paarix";
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther));
    ASSERT_EQ(::chmod(QFile::encodeName(home).constData(), 0777), 0);
  }

  void TearDown() override { ::chmod(QFile::encodeName(programm).constData(), 0755); }

  // The program's directory as an installation in a system directory leaves it.
  void programmOrdnerSchliessen() { ASSERT_EQ(::chmod(QFile::encodeName(programm).constData(), 0555), 0); }

  QString waehlen() const { return IniDateiWaehlen(AppPfadAus(programm), benutzer); }
  QString nebenProgramm() const { return programm + "/paarix.ini"; }
  QString beimBenutzer() const { return benutzer + "/paarix.ini"; }

  static QStringList inhalt(const QString& ordner) {
    return QDir(ordner).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  }

  QTemporaryDir dir;
  QString programm;
  QString benutzer;
};

TEST_F(IniOrt, WritableProgramDirectoryKeepsTheFileThere) {
  EXPECT_EQ(waehlen(), nebenProgramm());
  EXPECT_TRUE(inhalt(programm).isEmpty());  // the trial file is gone again
  EXPECT_FALSE(QFileInfo::exists(benutzer));

  // A pipe in the file's place is replaced by the file at the start, so it stays.
  ASSERT_EQ(::mkfifo(QFile::encodeName(nebenProgramm()).constData(), 0644), 0);
  EXPECT_EQ(waehlen(), nebenProgramm());
  EXPECT_EQ(inhalt(programm), QStringList{"paarix.ini"});
}

TEST_F(IniOrt, ExistingFileBesideTheProgramWinsEvenWhenItsDirectoryIsClosed) {
  ASSERT_TRUE(writeBytes(nebenProgramm(), "2,3,7\r\n"));
  programmOrdnerSchliessen();
  EXPECT_EQ(waehlen(), nebenProgramm());

  const int ergebnis = runUnprivileged([&] {
    const QString ini = waehlen();
    return ini == nebenProgramm() && EinstellungenBeimStart(ini) == werte(2, 4, 7);
  });
  if (ergebnis == kChildCannotDropRoot) GTEST_SKIP() << "cannot give up root, and root may write anywhere";
  EXPECT_EQ(ergebnis, kChildTrue);
  EXPECT_FALSE(QFileInfo::exists(benutzer));
}

TEST_F(IniOrt, ClosedProgramDirectorySendsTheFileToTheUser) {
  programmOrdnerSchliessen();
  // A whole start and close, then the next start, as the user sees them.
  const int ergebnis = runUnprivileged([&] {
    const QString ini = waehlen();
    return ini == beimBenutzer() && EinstellungenBeimStart(ini) == werte(0, 1, 0) &&
           readBytes(ini) == kDreiNullen && EinstellungenSpeichern(ini, 2, 3, 7) && waehlen() == ini &&
           EinstellungenBeimStart(ini) == werte(2, 4, 7);
  });
  if (ergebnis == kChildCannotDropRoot) GTEST_SKIP() << "cannot give up root, and root may write anywhere";
  EXPECT_EQ(ergebnis, kChildTrue);
  EXPECT_EQ(readBytes(beimBenutzer()), "2,3,7\r\n");
  EXPECT_EQ(inhalt(benutzer), QStringList{"paarix.ini"});
  EXPECT_TRUE(inhalt(programm).isEmpty());
}

// Places where no file can be made for other reasons than permissions, so these
// hold for root too.
TEST_F(IniOrt, ProgramDirectoryThatCannotTakeTheFile) {
  // A directory in the file's place.
  ASSERT_TRUE(QDir().mkdir(nebenProgramm()));
  EXPECT_EQ(waehlen(), beimBenutzer());
  EXPECT_TRUE(QFileInfo(benutzer).isDir());
  EXPECT_TRUE(QFileInfo(nebenProgramm()).isDir());
  EXPECT_EQ(inhalt(programm), QStringList{"paarix.ini"});

  // A program directory that is gone.
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir.filePath("fehlt")), benutzer), beimBenutzer());
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("fehlt")));
}

TEST_F(IniOrt, WithoutAUserDirectoryTheFileStaysBesideTheProgram) {
  ASSERT_TRUE(QDir().mkdir(nebenProgramm()));
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(programm), QString()), nebenProgramm());
  EXPECT_EQ(inhalt(programm), QStringList{"paarix.ini"});
}

TEST_F(IniOrt, UserDirectoryThatCannotBeMadeStillGivesAPathAndTheProgramGoesOn) {
  ASSERT_TRUE(QDir().mkdir(nebenProgramm()));
  ASSERT_TRUE(writeBytes(dir.filePath("home/.config"), "a file, not a directory"));
  const QString ini = waehlen();
  EXPECT_EQ(ini, beimBenutzer());
  testing::internal::CaptureStderr();
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("nicht gespeichert"), std::string::npos);
  EXPECT_EQ(readBytes(dir.filePath("home/.config")), "a file, not a directory");
}

}  // namespace
}  // namespace paarix
