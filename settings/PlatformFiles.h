#pragma once

// What the settings file needs from the operating system: POSIX calls on Linux
// (PosixFiles.cpp), Win32 wide calls on Windows (Win32Files.cpp). Nothing here
// throws; failures come back through the results.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace paarix::platform {

// Why a step failed, as the system words it; `denied` when it refused for lack
// of permission.
struct Failure {
  std::string reason;
  bool denied = false;
};

// The directory of the running executable; empty when the system does not tell.
std::filesystem::path ExecutableDirectory();

// The user's base folder for configuration files; empty when there is none.
std::filesystem::path UserConfigDirectory();

uint64_t ProcessId();

// False only when no process with this id runs.
bool ProcessRunning(uint64_t id);

// Up to `max` bytes from the start of the file at `path`. Gives nothing when it
// cannot be opened or is no regular file; opening never blocks.
std::string ReadHead(const std::filesystem::path& path, std::size_t max);

// Creates the file `path`, which must not exist yet, writes `bytes` to it,
// flushes them to the disk and closes it. On failure no file is left.
bool WriteNewFile(const std::filesystem::path& path, std::string_view bytes, Failure& failure);

// Renames `from` to `to`, replacing the file at `to` in one step.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, Failure& failure);

// Writes `bytes` over the content of the existing regular file `path` (never
// creating one), cuts it after them and flushes it to the disk.
bool OverwriteFile(const std::filesystem::path& path, std::string_view bytes, Failure& failure);

// Whether the existing file `path` opens for writing.
bool CanWrite(const std::filesystem::path& path);

}  // namespace paarix::platform
