#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "PlatformFiles.h"

namespace paarix::platform {

namespace fs = std::filesystem;

namespace {

// The system's text for the last error, in UTF-8.
bool Fail(Failure& failure) {
  const DWORD error = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length > 0) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    reason.resize(static_cast<std::size_t>(size > 0 ? size : 0));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), reason.data(), size, nullptr, nullptr);
  }
  LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  if (reason.empty()) reason = "error " + std::to_string(error);
  failure = {reason, error == ERROR_ACCESS_DENIED};
  return false;
}

bool WriteAll(HANDLE file, std::string_view bytes, Failure& failure) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) {
      return Fail(failure);
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool Close(HANDLE file, bool ok, Failure& failure) {
  if (!CloseHandle(file) && ok) return Fail(failure);
  return ok;
}

}  // namespace

fs::path ExecutableDirectory() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) return fs::path(name.substr(0, length)).parent_path();
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
}

fs::path UserConfigDirectory() {
  wchar_t* folder = nullptr;
  fs::path result;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder) result = folder;
  CoTaskMemFree(folder);
  return result;
}

uint64_t ProcessId() { return GetCurrentProcessId(); }

bool ProcessRunning(uint64_t id) {
  if (id == 0 || id > MAXDWORD) return false;
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
  if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;  // denied: it runs
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

std::string ReadHead(const fs::path& path, std::size_t max) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string head;
  if (GetFileType(file) == FILE_TYPE_DISK) {
    head.resize(max);
    std::size_t got = 0;
    DWORD n = 0;
    while (got < max && ReadFile(file, head.data() + got, static_cast<DWORD>(max - got), &n, nullptr) && n > 0) {
      got += n;
    }
    head.resize(got);
  }
  CloseHandle(file);
  return head;
}

bool WriteNewFile(const fs::path& path, std::string_view bytes, Failure& failure) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(failure);
  bool ok = WriteAll(file, bytes, failure) && (FlushFileBuffers(file) || Fail(failure));
  ok = Close(file, ok, failure);
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

bool RenameOver(const fs::path& from, const fs::path& to, Failure& failure) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) || Fail(failure);
}

bool OverwriteFile(const fs::path& path, std::string_view bytes, Failure& failure) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(failure);
  bool ok = GetFileType(file) == FILE_TYPE_DISK || (SetLastError(ERROR_INVALID_FUNCTION), Fail(failure));
  // The old bytes are overwritten first and only then is the rest cut off, so
  // the file is never empty on the way.
  ok = ok && WriteAll(file, bytes, failure) && (SetEndOfFile(file) || Fail(failure)) &&
       (FlushFileBuffers(file) || Fail(failure));
  return Close(file, ok, failure);
}

bool CanWrite(const fs::path& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace paarix::platform
