#include <unistd.h>  // getpid, also in mingw-w64

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "Einstellungen.h"

#ifndef _WIN32  // processes, permissions, pipes and file size limits of Linux
#include <fcntl.h>
#include <linux/capability.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <functional>
#endif

namespace paarix {

void PrintTo(const Einstellungen& e, std::ostream* os) {
  *os << e.BrlModus << "," << e.Spielerzahl << "," << e.IniReserve;
}

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Namen = std::set<std::string>;

Einstellungen werte(int brl, int spieler, int reserve) { return {int16_t(brl), int16_t(spieler), int16_t(reserve)}; }

bool writeBytes(const fs::path& path, const std::string& bytes) {
  return (std::ofstream(path, std::ios::binary) << bytes).flush().good();
}
std::string readBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<unreadable>";
}

Namen inhalt(const fs::path& ordner) {
  Namen namen;
  for (const auto& eintrag : fs::directory_iterator(ordner)) namen.insert(eintrag.path().filename().string());
  return namen;
}

// Written lines read back; other layouts, the end of what is read, each bad field falling back alone.
TEST(EinstellungsZeile, WritesTheLineAndReadsFieldByField) {
  EXPECT_EQ(EinstellungsZeile(-1, -1, 0), "0,0,0\r\n");
  EXPECT_EQ(EinstellungsZeile(2, 3, -32768), "2,3,-32768\r\n");
  EXPECT_EQ(EinstellungsZeile(0, -1, 32767), "0,0,32767\r\n");
  // `anfang`, blanks up to `laenge` bytes, then `ende`.
  const auto zeile = [](std::string anfang, std::size_t laenge, const std::string& ende) {
    anfang.resize(laenge - ende.size(), ' ');
    return anfang + ende;
  };
  const std::pair<std::string, Einstellungen> faelle[] = {
      {"2,3,7", werte(2, 4, 7)},
      {"2,3,7\n", werte(2, 4, 7)},
      {"2,3,7\r", werte(2, 4, 7)},
      {" 2 , 3 ,\t7 \r\n", werte(2, 4, 7)},
      {"\xEF\xBB\xBF"
       "2,3,7\r\n",
       werte(2, 4, 7)},
      {"02,003,-0007\r\n", werte(2, 4, -7)},
      // Nothing after the third value, nothing after the first line.
      {"2,3,7,1,1\r\n", werte(2, 4, 7)},
      {"2,\r\n3,7\r\n", werte(2, 1, 0)},
      {"\r\n2,3,7\r\n", werte(0, 1, 0)},
      {"", werte(0, 1, 0)},
      {"2,3", werte(2, 4, 0)},
      {"2;3;7", werte(0, 1, 0)},
      // Out of range, or no 16-bit integer.
      {"-1,-1,-1\r\n", werte(0, 1, -1)},
      {"3,4,7", werte(0, 1, 7)},
      {"-2,-2,7", werte(0, 1, 7)},
      {"2,3,1.5", werte(2, 4, 0)},
      {"2,-32768,-32768", werte(2, 1, -32768)},
      {"32768,3,7", werte(0, 4, 7)},
      {"2,3,-32769", werte(2, 4, 0)},
      {"+2,+3,+7", werte(0, 1, 0)},
      {"2 1,-,x", werte(0, 1, 0)},
      {"2,,7", werte(2, 1, 7)},
      {"2\0,3\0,7"s, werte(0, 1, 7)},
      {"\xFF\xFE"
       "2\0,\0"
       "3\0,\0"
       "7\0\r\0\n\0"s,
       werte(0, 1, 0)},
      // A line of exactly the limit is read whole; past it only the field the limit cuts is missing.
      {zeile("1,2,", kMaxLineBytes, "3"), werte(1, 3, 3)},
      {zeile("1,2,", kMaxLineBytes, "3") + "\r\n", werte(1, 3, 3)},
      {zeile("1,2,", kMaxLineBytes + 1, "3") + "\r\n", werte(1, 3, 0)},
      {zeile("1,", kMaxLineBytes + 2, "2,3"), werte(1, 1, 0)},
      {std::string(100000, '7'), werte(0, 1, 0)},
      {"1,2,3," + std::string(100000, 'x'), werte(1, 3, 3)}};
  for (const auto& [bytes, erwartet] : faelle) EXPECT_EQ(EinstellungenAusDateianfang(bytes), erwartet) << bytes;
}

// A fresh folder for each test, with the settings file's path in it.
struct Ordner : testing::Test {
  void SetUp() override { ASSERT_TRUE(fs::create_directory(dir)); }
  void TearDown() override {
    std::error_code egal;
    fs::remove_all(dir, egal);
  }
  const fs::path dir = fs::temp_directory_path() / ("paarix-settings-" + std::to_string(getpid()));
  const fs::path ini = dir / "paarix.ini";
};

// The first start writes three zeros; a file that is there, even empty, stays until the close.
TEST_F(Ordner, StartAndCloseRoundTrip) {
  const struct {
    std::string vorher;
    Einstellungen gelesen;
    std::string nachher;
  } faelle[] = {{"2,3,7\r\n", werte(2, 4, 7), "2,3,7\r\n"},
                {"-1,-1,-1\r\n", werte(0, 1, -1), "0,0,-1\r\n"},
                {"", werte(0, 1, 0), "0,0,0\r\n"}};
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_EQ(readBytes(ini), "0,0,0\r\n");
  for (const auto& f : faelle) {
    ASSERT_TRUE(writeBytes(ini, f.vorher));
    const Einstellungen e = EinstellungenBeimStart(ini);
    EXPECT_EQ(e, f.gelesen);
    EXPECT_EQ(readBytes(ini), f.vorher);
    EXPECT_TRUE(EinstellungenSpeichern(ini, e.BrlModus, int16_t(e.Spielerzahl - 1), e.IniReserve));
    EXPECT_EQ(readBytes(ini), f.nachher);
  }
  EXPECT_EQ(inhalt(dir), Namen{"paarix.ini"});
}

// A directory in the file's place or a missing folder: defaults, a stderr line per save, nothing touched.
TEST_F(Ordner, NoPlaceForTheFile) {
  ASSERT_TRUE(fs::create_directories(dir / "ordner" / "inhalt"));
  for (const fs::path& pfad : {dir / "ordner", dir / "fehlt" / "paarix.ini"}) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(DateiVorhanden(pfad));
    EXPECT_EQ(EinstellungenBeimStart(pfad), werte(0, 1, 0));
    EXPECT_FALSE(EinstellungenSpeichern(pfad, 2, 3, 7));
    const std::string meldung = testing::internal::GetCapturedStderr();
    const std::string ort = "nicht gespeichert, " + pfad.string();
    EXPECT_NE(meldung.find(ort, meldung.find(ort) + 1), std::string::npos) << "one line per save: " << meldung;
  }
  EXPECT_EQ(inhalt(dir), Namen{"ordner"});
  EXPECT_EQ(inhalt(dir / "ordner"), Namen{"inhalt"});
}

// AppPfad ends in one separator of the platform; the file lives beside the program when it can be made
// there, else in the user's folder, which is then made.
TEST_F(Ordner, WhereTheFileLives) {
  const std::tuple<std::string, char, std::string> pfade[] = {
      {"/opt/paarix", '/', "/opt/paarix/"}, {"/", '/', "/"},        {"", '/', "./"},
      {"C:/Spiele", '\\', "C:\\Spiele\\"},  {"C:\\", '\\', "C:\\"}, {"", '\\', ".\\"}};
  for (const auto& [ordner, trenner, pfad] : pfade)
    EXPECT_EQ(AppPfadAus(ordner, trenner).native(), fs::path(pfad).native());
  EXPECT_EQ(IniDateiIn(AppPfadAus("C:/", '\\')).native(), fs::path("C:\\paarix.ini").native());
  EXPECT_EQ(AppPfadAus("a/b").native(), (fs::path("a") / "b" / "").native());
  EXPECT_TRUE(fs::exists(AppPfadErmitteln() += fs::path(testing::internal::GetArgvs()[0]).filename()));

  const fs::path benutzer = dir / "home" / "paarix";
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir), benutzer), ini);
  ASSERT_TRUE(fs::create_directory(ini));                                          // no file can ever be saved there
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir), benutzer), benutzer / "paarix.ini");  // and the user's folder made
  EXPECT_TRUE(fs::is_directory(benutzer));
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir / "fehlt"), {}), dir / "fehlt" / "paarix.ini");
  EXPECT_EQ(inhalt(dir), (Namen{"home", "paarix.ini"}));  // no trial file left
}

// Start-up removes the new files that saves of ended processes left (the process id is in the name),
// and nothing else: not those of a running process, not other names, no directory.
TEST_F(Ordner, StartUpRemovesOnlyStaleTempFiles) {
  Namen bleiben = {"paarix.ini",
                   "paarix.ini." + std::to_string(getpid()) + "-1f.tmp",
                   "andere.ini.99999999-1f.tmp",
                   "paarix.ini.tmp",
                   "paarix.ini.99999999-1g.tmp",
                   "paarix.ini.99999999-.tmp",
                   "paarix.ini.-1f.tmp",
                   "paarix.ini.99999999-1f.tmp.alt",
                   "xpaarix.ini.99999999-1f.tmp",
                   "paarix.ini.99999999-1f.txt"};
  for (const std::string& name : bleiben) ASSERT_TRUE(writeBytes(dir / name, "2,3,7\r\n"));
  for (const char* name : {"paarix.ini.99999999-1f.tmp", "paarix.ini.4000000000-0123abcd.tmp"}) {
    ASSERT_TRUE(writeBytes(dir / name, ""));
  }
  const std::string verzeichnis = "paarix.ini.99999999-2f.tmp";
  ASSERT_TRUE(fs::create_directory(dir / verzeichnis));
  bleiben.insert(verzeichnis);
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(2, 4, 7));
  EXPECT_EQ(inhalt(dir), bleiben);
}

#ifndef _WIN32
using Pruefungen = std::vector<std::function<bool()>>;

// How many of `pruefungen` hold in a child process after `vorher`, counted up to the first that
// fails (-1 when `vorher` fails); by default the child gives up every capability, so that file
// permissions bind it even when the tests run as root.
int imKind(const Pruefungen& pruefungen, std::function<bool()> vorher = {}) {
  __user_cap_header_struct kopf{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct keine[2]{};
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const bool bereit = vorher ? vorher() : syscall(SYS_capset, &kopf, keine) == 0;
    if (!bereit) _exit(255);
    int gehalten = 0;
    while (gehalten < std::ssize(pruefungen) && pruefungen[gehalten]()) ++gehalten;
    _exit(gehalten);
  }
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -2;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

// A pipe at the path is never opened (the line waiting in it stays) and is replaced at start-up; an
// unreadable file gives the defaults and is replaced at the close; a write failing half-way (a file
// size limit, as on a full disk) leaves the old file whole; of a huge file only the start is read.
TEST_F(Ordner, PipesUnreadableHugeFilesAndFailedWrites) {
  const int rohr = ::mkfifo(ini.c_str(), 0644) == 0 ? ::open(ini.c_str(), O_RDWR | O_NONBLOCK) : -1;
  ASSERT_EQ(::write(rohr, "2,3,7\r\n", 7), 7);
  for (const fs::path& pfad : {ini, fs::path("/dev/null")}) {
    EXPECT_FALSE(DateiVorhanden(pfad)) << pfad;
    EXPECT_EQ(EinstellungenLesen(pfad), werte(0, 1, 0)) << pfad;
  }
  EXPECT_EQ(::read(rohr, std::array<char, 8>{}.data(), 8), 7);
  ::close(rohr);
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(0, 1, 0));
  EXPECT_EQ(readBytes(ini), "0,0,0\r\n");

  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n"));
  ASSERT_EQ(::chmod(ini.c_str(), 0), 0);
  const Pruefungen unlesbar = {
      [&] { return readBytes(ini) == "<unreadable>"; },
      [&] { return DateiVorhanden(ini); },
      [&] { return EinstellungenBeimStart(ini) == werte(0, 1, 0); },
      [&] { return EinstellungenSpeichern(ini, 1, 2, 3); },
      [&] { return EinstellungenLesen(ini) == werte(1, 3, 3); },
  };
  EXPECT_EQ(imKind(unlesbar), 5);
  // A write failing, or killed half-way: the old file stays whole; the next start sweeps the rest.
  const rlimit grenze{3, RLIM_INFINITY};
  for (const auto signal : {SIG_IGN, SIG_DFL}) {
    const auto begrenzt = [&] { return ::signal(SIGXFSZ, signal) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &grenze) == 0; };
    const int gescheitert = imKind({[&] { return !EinstellungenSpeichern(ini, 1, 1, 1); }}, begrenzt);
    EXPECT_EQ(gescheitert, signal == SIG_IGN ? 1 : -2) << "the signal ends the save";
    EXPECT_EQ(readBytes(ini), "1,2,3\r\n");
    EXPECT_EQ(inhalt(dir).size(), signal == SIG_IGN ? 1u : 2u) << "the killed save leaves its new file";
  }
  EXPECT_EQ(EinstellungenBeimStart(ini), werte(1, 3, 3));
  EXPECT_EQ(inhalt(dir), Namen{"paarix.ini"});

  // The bytes this process has read so far ("rchar").
  const auto gelesen = [] {
    std::string wort;
    std::ifstream("/proc/self/io") >> wort >> wort;
    return std::stol(wort);
  };
  fs::resize_file(ini, 1 << 30);  // sparse: nothing on the disk
  const long a = gelesen(), b = gelesen();
  EXPECT_EQ(EinstellungenLesen(ini), werte(1, 3, 3));
  EXPECT_LE(gelesen() - b - (b - a), long(kHeadBytes) + 16);  // the counter's own text may grow by a digit
}

// In a folder closed to the user, a writable file there is kept and saved in place; one the user may
// not write stays as it is, and the settings move to the user's own folder.
TEST_F(Ordner, FolderClosedToTheUser) {
  const fs::path programm = dir / "programm";
  const fs::path neben = programm / "paarix.ini";
  const fs::path benutzer = dir / "home" / "paarix";
  const auto waehlen = [&] { return IniDateiWaehlen(AppPfadAus(programm), benutzer); };
  ASSERT_TRUE(fs::create_directory(programm));
  ASSERT_TRUE(writeBytes(neben, "2,3,-7777\r\n"));
  ASSERT_EQ(::chmod(programm.c_str(), 0555), 0);
  const Pruefungen schreibbar = {
      [&] { return !writeBytes(programm / "x", ""); },
      [&] { return waehlen() == neben; },
      [&] { return EinstellungenSpeichern(neben, 1, 2, 3); },
  };
  EXPECT_EQ(imKind(schreibbar), 3);
  ASSERT_EQ(::chmod(neben.c_str(), 0444), 0);
  const Pruefungen schreibgeschuetzt = {
      [&] { return !EinstellungenSpeichern(neben, 0, 0, 0); },
      [&] { return waehlen() == benutzer / "paarix.ini"; },
  };
  EXPECT_EQ(imKind(schreibgeschuetzt), 2);
  EXPECT_EQ(readBytes(neben), "1,2,3\r\n");
  EXPECT_EQ(inhalt(programm), Namen{"paarix.ini"});
  ASSERT_EQ(::chmod(programm.c_str(), 0755), 0);
}

// The user's folder: $XDG_CONFIG_HOME when absolute, else ~/.config ($HOME, else the password database).
TEST(BenutzerOrdner, FromTheEnvironment) {
  const std::tuple<const char*, const char*, fs::path> faelle[] = {
      {"/x/cfg", "/h", "/x/cfg/paarix"},
      {"x/cfg", "/h", "/h/.config/paarix"},
      {"", "h", fs::path(getpwuid(getuid())->pw_dir) / ".config/paarix"}};
  for (const auto& [xdg, home, ordner] : faelle) {
    const auto umgebung = [&] { return !setenv("XDG_CONFIG_HOME", xdg, 1) && !setenv("HOME", home, 1); };
    EXPECT_EQ(imKind({[&] { return BenutzerOrdnerErmitteln() == ordner; }}, umgebung), 1) << ordner;
  }
}

#endif

}  // namespace
}  // namespace paarix
