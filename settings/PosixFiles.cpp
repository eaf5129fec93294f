#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "PlatformFiles.h"

namespace paarix::platform {

namespace fs = std::filesystem;

namespace {

bool Fail(Failure& failure) {
  const int error = errno;
  failure = {std::strerror(error), error == EACCES || error == EPERM};
  return false;
}

bool WriteAll(int fd, std::string_view bytes, Failure& failure) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Fail(failure);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool Close(int fd, bool ok, Failure& failure) {
  if (::close(fd) != 0 && ok) return Fail(failure);
  return ok;
}

fs::path AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  const fs::path path = value ? value : "";
  return path.is_absolute() ? path : fs::path();
}

}  // namespace

fs::path ExecutableDirectory() {
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error).parent_path();
}

fs::path UserConfigDirectory() {
  if (fs::path xdg = AbsoluteFromEnvironment("XDG_CONFIG_HOME"); !xdg.empty()) return xdg;
  fs::path home = AbsoluteFromEnvironment("HOME");
  if (const passwd* user = home.empty() ? ::getpwuid(::getuid()) : nullptr; user && user->pw_dir) {
    home = user->pw_dir;
  }
  return home.is_absolute() ? home / ".config" : fs::path();
}

uint64_t ProcessId() { return static_cast<uint64_t>(::getpid()); }

bool ProcessRunning(uint64_t id) {
  if (id == 0 || id > static_cast<uint64_t>(std::numeric_limits<pid_t>::max())) return false;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

std::string ReadHead(const fs::path& path, std::size_t max) {
  // O_NONBLOCK: should a pipe have taken the file's place since it was looked
  // at, opening it must not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {};
  std::string head;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    head.resize(max);
    std::size_t got = 0;
    while (got < max) {
      const ssize_t n = ::read(fd, head.data() + got, max - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    head.resize(got);
  }
  ::close(fd);
  return head;
}

bool WriteNewFile(const fs::path& path, std::string_view bytes, Failure& failure) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return Fail(failure);
  bool ok = WriteAll(fd, bytes, failure) && (::fsync(fd) == 0 || Fail(failure));
  ok = Close(fd, ok, failure);
  if (!ok) ::unlink(path.c_str());
  return ok;
}

bool RenameOver(const fs::path& from, const fs::path& to, Failure& failure) {
  if (::rename(from.c_str(), to.c_str()) != 0) return Fail(failure);
  // The new name itself is on the disk once its folder is flushed too; where
  // that cannot be done the rename has still taken place.
  const fs::path folder = to.has_parent_path() ? to.parent_path() : fs::path(".");
  if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

bool OverwriteFile(const fs::path& path, std::string_view bytes, Failure& failure) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return Fail(failure);
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 || Fail(failure);
  if (ok && !S_ISREG(info.st_mode)) ok = (errno = EINVAL, Fail(failure));
  // The old bytes are overwritten first and only then is the rest cut off, so
  // the file is never empty on the way.
  ok = ok && WriteAll(fd, bytes, failure) &&
       (::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 || Fail(failure)) && (::fsync(fd) == 0 || Fail(failure));
  return Close(fd, ok, failure);
}

bool CanWrite(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace paarix::platform
