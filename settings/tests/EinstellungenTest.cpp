#include <unistd.h>  // getpid, also in mingw-w64

#include <gtest/gtest.h>

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
  *os << e.BrlModus << "," << e.Spielerzahl << "," << e.IniReserve << (e.Ansagen ? ",1" : "");
}

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Names = std::set<std::string>;

Einstellungen values(int brl, int spieler, int reserve, bool ansagen = false) {
  return {int16_t(brl), int16_t(spieler), int16_t(reserve), ansagen};
}

bool writeBytes(const fs::path& path, const std::string& bytes) {
  return (std::ofstream(path, std::ios::binary) << bytes).flush().good();
}
std::string readBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<unreadable>";
}

Names contents(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// The line a close writes: an index of -1 as 0, the fourth value only while spoken events are on.
TEST(EinstellungsZeile, WritesTheLine) {
  EXPECT_EQ(EinstellungsZeile(-1, -1, 0), "0,0,0\r\n");
  EXPECT_EQ(EinstellungsZeile(2, 3, -32768), "2,3,-32768\r\n");
  EXPECT_EQ(EinstellungsZeile(2, 3, 32767, true), "2,3,32767,1\r\n");
}

// What a stored file gives: the first line only, each field falling back alone.
TEST(EinstellungsZeile, ReadsFieldByField) {
  // `start`, blanks up to `length` bytes, then `end`.
  const auto line = [](std::string start, std::size_t length, const std::string& end) {
    start.resize(length - end.size(), ' ');
    return start + end;
  };
  const std::pair<std::string, Einstellungen> cases[] = {
      {"2,3,7\r\n", values(2, 4, 7)},
      {"2,3,7\n", values(2, 4, 7)},
      {"2,3,7", values(2, 4, 7)},
      {" 2 , 3 ,\t7 \r\n", values(2, 4, 7)},
      {"\xEF\xBB\xBF"
       "2,3,7\r\n",
       values(2, 4, 7)},
      {"02,003,-0007\r\n", values(2, 4, -7)},
      {"2,\r\n3,7\r\n", values(2, 1, 0)},
      {"\r\n2,3,7\r\n", values(0, 1, 0)},
      {"2,3", values(2, 4, 0)},
      {"2;3;7", values(0, 1, 0)},
      // The fourth value switches spoken events on with 1 only; what follows it is never looked at.
      {"2,3,7, 1 ,0,x\r\n", values(2, 4, 7, true)},
      {"2,3,7,2", values(2, 4, 7)},
      // Out of range, or no 16-bit decimal integer.
      {"-1,-1,-1\r\n", values(0, 1, -1)},
      {"2,3,-32768", values(2, 4, -32768)},
      {"3,4,7", values(0, 1, 7)},
      {"-2,-2,7", values(0, 1, 7)},
      {"2,3,1.5", values(2, 4, 0)},
      {"+2,+3,-32769", values(0, 1, 0)},
      {"2\0,3\0,7"s, values(0, 1, 7)},
      // A line of exactly the limit is read whole; past it the field the limit cuts is missing.
      {line("1,2,", kMaxLineBytes, "3"), values(1, 3, 3)},
      {line("1,2,", kMaxLineBytes + 2, "123") + "\r\n", values(1, 3, 0)},
  };
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(EinstellungenAusDateianfang(bytes), expected) << bytes;
}

// A fresh folder for each test, with the settings file's path in it.
struct Folder : testing::Test {
  void SetUp() override { ASSERT_TRUE(fs::create_directory(dir)); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  const fs::path dir = fs::temp_directory_path() / ("paarix-settings-" + std::to_string(getpid()));
  const fs::path ini = dir / "paarix.ini";
};

// The first start writes three zeros; a file that is there, even an empty one, stays as it is until the close.
TEST_F(Folder, StartAndClose) {
  EXPECT_EQ(EinstellungenBeimStart(ini), values(0, 1, 0));
  EXPECT_EQ(readBytes(ini), "0,0,0\r\n");
  ASSERT_TRUE(writeBytes(ini, ""));
  EXPECT_EQ(EinstellungenBeimStart(ini), values(0, 1, 0));
  EXPECT_EQ(readBytes(ini), "");
  ASSERT_TRUE(writeBytes(ini, "2,3,-7,1\r\n"));
  EXPECT_EQ(EinstellungenBeimStart(ini), values(2, 4, -7, true));
  EXPECT_TRUE(EinstellungenSpeichern(ini, 1, 2, 3));
  EXPECT_EQ(readBytes(ini), "1,2,3\r\n");
  EXPECT_EQ(contents(dir), Names{"paarix.ini"});
}

// A directory in the file's place or a missing folder: defaults, a stderr line per save, nothing touched.
TEST_F(Folder, NoPlaceForTheFile) {
  ASSERT_TRUE(fs::create_directories(dir / "ordner" / "inhalt"));
  for (const fs::path& path : {dir / "ordner", dir / "fehlt" / "paarix.ini"}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(EinstellungenBeimStart(path), values(0, 1, 0));
    EXPECT_FALSE(EinstellungenSpeichern(path, 2, 3, 7));
    const std::string message = testing::internal::GetCapturedStderr();
    const std::string where = "nicht gespeichert, " + path.string();
    EXPECT_NE(message.find(where, message.find(where) + 1), std::string::npos) << "one line per save: " << message;
  }
  EXPECT_EQ(contents(dir), Names{"ordner"});
  EXPECT_EQ(contents(dir / "ordner"), Names{"inhalt"});
}

// AppPfad ends in one separator of the platform; the file lives beside the program when it can be made
// there, else in the user's folder, which is then made.
TEST_F(Folder, WhereTheFileLives) {
  const std::tuple<std::string, char, std::string> paths[] = {
      {"/opt/paarix", '/', "/opt/paarix/"},
      {"/", '/', "/"},
      {"", '/', "./"},
      {"C:/Spiele", '\\', "C:\\Spiele\\"},
  };
  for (const auto& [folder, separator, path] : paths)
    EXPECT_EQ(AppPfadAus(folder, separator).native(), fs::path(path).native());
  EXPECT_EQ(AppPfadAus("a/b").native(), (fs::path("a") / "b" / "").native());
  EXPECT_TRUE(fs::exists(AppPfadErmitteln() += fs::path(testing::internal::GetArgvs()[0]).filename()));

  const fs::path userFolder = dir / "home" / "paarix";
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir), userFolder), ini);
  ASSERT_TRUE(fs::create_directory(ini));  // no file can ever be saved there
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir), userFolder), userFolder / "paarix.ini");
  EXPECT_TRUE(fs::is_directory(userFolder));
  EXPECT_EQ(IniDateiWaehlen(AppPfadAus(dir / "fehlt"), {}), dir / "fehlt" / "paarix.ini");
  EXPECT_EQ(contents(dir), (Names{"home", "paarix.ini"}));  // no trial file left
}

// Start-up removes the new files that saves of ended processes left (the process id is in the name),
// and nothing else: not those of a running process, not other names, no directory.
TEST_F(Folder, StartUpRemovesOnlyStaleTempFiles) {
  Names kept = {"paarix.ini",
                "paarix.ini." + std::to_string(getpid()) + "-1f.tmp",
                "andere.ini.99999999-1f.tmp",
                "paarix.ini.99999999-1g.tmp",
                "paarix.ini.99999999-.tmp",
                "paarix.ini.-1f.tmp",
                "paarix.ini.99999999-1f.txt"};
  for (const std::string& name : kept) ASSERT_TRUE(writeBytes(dir / name, "2,3,7\r\n"));
  ASSERT_TRUE(writeBytes(dir / "paarix.ini.4000000000-0123abcd.tmp", ""));
  const std::string directory = "paarix.ini.99999999-2f.tmp";
  ASSERT_TRUE(fs::create_directory(dir / directory));
  kept.insert(directory);
  EXPECT_EQ(EinstellungenBeimStart(ini), values(2, 4, 7));
  EXPECT_EQ(contents(dir), kept);
}

#ifndef _WIN32
using Checks = std::vector<std::function<bool()>>;

// How many of `checks` hold in a child process after `before`, counted up to the first that
// fails (-1 when `before` fails); by default the child gives up every capability, so that file
// permissions bind it even when the tests run as root.
int inChild(const Checks& checks, std::function<bool()> before = {}) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct none[2]{};
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const bool ready = before ? before() : syscall(SYS_capset, &header, none) == 0;
    if (!ready) _exit(255);
    int held = 0;
    while (held < std::ssize(checks) && checks[held]()) ++held;
    _exit(held);
  }
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -2;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

// A pipe at the path is never read and is replaced at start-up; an unreadable file gives the defaults
// and is replaced at the close; a write failing half-way (a file size limit, as on a full disk) leaves
// the old file whole; of a huge file only the start is read.
TEST_F(Folder, PipesUnreadableHugeFilesAndFailedWrites) {
  const int pipe = ::mkfifo(ini.c_str(), 0644) == 0 ? ::open(ini.c_str(), O_RDWR | O_NONBLOCK) : -1;
  ASSERT_EQ(::write(pipe, "2,3,7\r\n", 7), 7);
  EXPECT_EQ(EinstellungenBeimStart(ini), values(0, 1, 0));
  ::close(pipe);
  ASSERT_TRUE(fs::is_regular_file(ini));
  EXPECT_EQ(readBytes(ini), "0,0,0\r\n");

  ASSERT_TRUE(writeBytes(ini, "2,3,7\r\n"));
  ASSERT_EQ(::chmod(ini.c_str(), 0), 0);
  const Checks unreadable = {
      [&] { return readBytes(ini) == "<unreadable>"; },
      [&] { return DateiVorhanden(ini); },
      [&] { return EinstellungenBeimStart(ini) == values(0, 1, 0); },
      [&] { return EinstellungenSpeichern(ini, 1, 2, 3); },
      [&] { return EinstellungenLesen(ini) == values(1, 3, 3); },
  };
  EXPECT_EQ(inChild(unreadable), 5);
  // A write failing, or killed half-way: the old file stays whole; the next start sweeps the rest.
  const rlimit limit{3, RLIM_INFINITY};
  for (const auto signal : {SIG_IGN, SIG_DFL}) {
    const auto limited = [&] { return ::signal(SIGXFSZ, signal) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0; };
    const int failed = inChild({[&] { return !EinstellungenSpeichern(ini, 1, 1, 1); }}, limited);
    EXPECT_EQ(failed, signal == SIG_IGN ? 1 : -2) << "the signal ends the save";
    EXPECT_EQ(readBytes(ini), "1,2,3\r\n");
    EXPECT_EQ(contents(dir).size(), signal == SIG_IGN ? 1u : 2u) << "the killed save leaves its new file";
  }
  EXPECT_EQ(EinstellungenBeimStart(ini), values(1, 3, 3));
  EXPECT_EQ(contents(dir), Names{"paarix.ini"});

  // The bytes this process has read so far ("rchar").
  const auto bytesRead = [] {
    std::string word;
    std::ifstream("/proc/self/io") >> word >> word;
    return std::stol(word);
  };
  fs::resize_file(ini, 1 << 30);  // sparse: nothing on the disk
  const long before = bytesRead();
  EXPECT_EQ(EinstellungenLesen(ini), values(1, 3, 3));
  EXPECT_LT(bytesRead() - before, long(kHeadBytes) + 1024);  // with the counter's own text
}

// In a folder closed to the user, a writable file there is kept and saved in place; one the user may
// not write stays as it is, and the settings move to the user's own folder.
TEST_F(Folder, FolderClosedToTheUser) {
  const fs::path programDir = dir / "programm";
  const fs::path besideProgram = programDir / "paarix.ini";
  const fs::path userFolder = dir / "home" / "paarix";
  const auto choose = [&] { return IniDateiWaehlen(AppPfadAus(programDir), userFolder); };
  ASSERT_TRUE(fs::create_directory(programDir));
  ASSERT_TRUE(writeBytes(besideProgram, "2,3,-7777\r\n"));
  ASSERT_EQ(::chmod(programDir.c_str(), 0555), 0);
  const Checks writable = {
      [&] { return !writeBytes(programDir / "x", ""); },
      [&] { return choose() == besideProgram; },
      [&] { return EinstellungenSpeichern(besideProgram, 1, 2, 3); },
  };
  EXPECT_EQ(inChild(writable), 3);
  ASSERT_EQ(::chmod(besideProgram.c_str(), 0444), 0);
  const Checks readOnly = {
      [&] { return !EinstellungenSpeichern(besideProgram, 0, 0, 0); },
      [&] { return choose() == userFolder / "paarix.ini"; },
  };
  EXPECT_EQ(inChild(readOnly), 2);
  EXPECT_EQ(readBytes(besideProgram), "1,2,3\r\n");
  EXPECT_EQ(contents(programDir), Names{"paarix.ini"});
  ASSERT_EQ(::chmod(programDir.c_str(), 0755), 0);
}

// The user's folder: $XDG_CONFIG_HOME when absolute, else ~/.config ($HOME, else the password database).
TEST(BenutzerOrdner, FromTheEnvironment) {
  const std::tuple<const char*, const char*, fs::path> cases[] = {
      {"/x/cfg", "/h", "/x/cfg/paarix"},
      {"x/cfg", "/h", "/h/.config/paarix"},
      {"", "h", fs::path(getpwuid(getuid())->pw_dir) / ".config/paarix"}};
  for (const auto& [xdg, home, folder] : cases) {
    const auto environment = [&] { return !setenv("XDG_CONFIG_HOME", xdg, 1) && !setenv("HOME", home, 1); };
    EXPECT_EQ(inChild({[&] { return BenutzerOrdnerErmitteln() == folder; }}, environment), 1) << folder;
  }
}

#endif

}  // namespace
}  // namespace paarix
