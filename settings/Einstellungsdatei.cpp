#include <chrono>
#include <cstdio>
#include <optional>
#include <random>

#include "Einstellungen.h"
#include "PlatformFiles.h"

namespace paarix {

namespace fs = std::filesystem;

namespace {

using Text = fs::path::string_type;

constexpr char kIniName[] = "paarix.ini";
constexpr char kTempEnd[] = ".tmp";

void ReportNotSaved(const fs::path& iniDatei, const std::string& reason) {
  const std::u8string pfad = iniDatei.u8string();
  const std::string line = "paarix: Einstellungen nicht gespeichert, " + std::string(pfad.begin(), pfad.end()) +
                           " bleibt unverändert: " + reason + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

// The new file a save writes before it renames it over `iniDatei`:
// "paarix.ini.<process id>-<random hex>.tmp" beside it. The process id tells
// the start-up sweep whether the save that made it may still be under way.
fs::path TempFileFor(const fs::path& iniDatei) {
  uint32_t random = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    random ^= std::random_device{}();
  } catch (...) {  // the clock alone still makes a clash unlikely; creation fails on one anyway
  }
  char end[48];
  std::snprintf(end, sizeof end, ".%llu-%08x%s", static_cast<unsigned long long>(platform::ProcessId()),
                static_cast<unsigned>(random), kTempEnd);
  return fs::path(iniDatei) += end;
}

// The process id in the name of a file that TempFileFor made for the file named
// `iniName`; nothing for any other name.
std::optional<uint64_t> TempFileMaker(const Text& name, const Text& iniName) {
  const Text end = fs::path(kTempEnd).native();
  if (name.size() <= iniName.size() + 1 + end.size() || name.compare(0, iniName.size(), iniName) != 0 ||
      name[iniName.size()] != '.' || !name.ends_with(end)) {
    return std::nullopt;
  }
  const Text middle = name.substr(iniName.size() + 1, name.size() - iniName.size() - 1 - end.size());
  const std::size_t dash = middle.find('-');
  if (dash == Text::npos || dash == 0 || dash > 10 || middle.size() - dash - 1 == 0 || middle.size() - dash - 1 > 8) {
    return std::nullopt;
  }
  uint64_t id = 0;
  for (std::size_t i = 0; i < middle.size(); ++i) {
    const auto c = middle[i];
    const bool digit = c >= '0' && c <= '9';
    if (i < dash && !digit) return std::nullopt;
    if (i < dash) id = id * 10 + static_cast<uint64_t>(c - '0');
    if (i > dash && !digit && !(c >= 'a' && c <= 'f')) return std::nullopt;
  }
  return id;
}

// Removes the new files that saves of ended processes left beside `iniDatei`
// (a save killed half-way leaves one): regular files named as TempFileFor
// names them, nothing else.
void RemoveStaleTempFiles(const fs::path& iniDatei) {
  const fs::path folder = iniDatei.has_parent_path() ? iniDatei.parent_path() : fs::path(".");
  const Text iniName = iniDatei.filename().native();
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::optional<uint64_t> maker = TempFileMaker(it->path().filename().native(), iniName);
    std::error_code ignored;
    if (maker && !platform::ProcessRunning(*maker) && fs::is_regular_file(it->symlink_status(ignored))) {
      fs::remove(it->path(), ignored);
    }
  }
}

// Whether a new file can be made beside `iniDatei`, as a save makes one: tried
// with an empty one that is removed at once.
bool CanCreateFileBeside(const fs::path& iniDatei) {
  const fs::path probe = TempFileFor(iniDatei);
  platform::Failure failure;
  if (!platform::WriteNewFile(probe, {}, failure)) return false;
  std::error_code ignored;
  fs::remove(probe, ignored);
  return true;
}

}  // namespace

fs::path AppPfadAus(const fs::path& verzeichnis, fs::path::value_type trenner) {
  Text pfad = verzeichnis.empty() ? Text(1, '.') : verzeichnis.native();
  if (trenner == '\\') {
    for (auto& c : pfad) c = c == '/' ? trenner : c;
  }
  if (pfad.back() != trenner) pfad += trenner;
  return pfad;
}

fs::path AppPfadAus(const fs::path& verzeichnis) { return AppPfadAus(verzeichnis, fs::path::preferred_separator); }

fs::path AppPfadErmitteln() { return AppPfadAus(platform::ExecutableDirectory()); }

fs::path IniDateiIn(const fs::path& appPfad) { return fs::path(appPfad) += kIniName; }

fs::path BenutzerOrdnerErmitteln() {
  const fs::path basis = platform::UserConfigDirectory();
  return basis.empty() ? basis : basis / "paarix";
}

fs::path IniDateiWaehlen(const fs::path& appPfad, const fs::path& benutzerOrdner) {
  const fs::path nebenProgramm = IniDateiIn(appPfad);
  std::error_code error;
  if (benutzerOrdner.empty() || (DateiVorhanden(nebenProgramm) && platform::CanWrite(nebenProgramm)) ||
      (!fs::is_directory(nebenProgramm, error) && CanCreateFileBeside(nebenProgramm))) {
    return nebenProgramm;
  }
  // A failure here shows later, when the file cannot be created or saved.
  fs::create_directories(benutzerOrdner, error);
  return IniDateiIn(AppPfadAus(benutzerOrdner));
}

fs::path IniDateiWaehlen() { return IniDateiWaehlen(AppPfadErmitteln(), BenutzerOrdnerErmitteln()); }

bool DateiVorhanden(const fs::path& pfad) noexcept {
  std::error_code error;
  return fs::is_regular_file(fs::status(pfad, error));
}

bool EinstellungenSpeichern(const fs::path& iniDatei, int16_t brlIndex, int16_t anzahlIndex, int16_t reserve,
                            bool ansagen) {
  const std::string zeile = EinstellungsZeile(brlIndex, anzahlIndex, reserve, ansagen);
  const fs::path temp = TempFileFor(iniDatei);
  platform::Failure failure;
  if (platform::WriteNewFile(temp, zeile, failure)) {
    if (platform::RenameOver(temp, iniDatei, failure)) return true;
    std::error_code ignored;
    fs::remove(temp, ignored);
  } else if (failure.denied && DateiVorhanden(iniDatei)) {
    // The folder takes no new file, but the file itself may be writable (the
    // user may change the settings, not the program's folder): overwrite it.
    if (platform::OverwriteFile(iniDatei, zeile, failure)) return true;
  }
  ReportNotSaved(iniDatei, failure.reason);
  return false;
}

Einstellungen EinstellungenLesen(const fs::path& iniDatei) {
  // Only a regular file is opened: a pipe would block the start, and a device
  // or a directory holds no settings.
  if (!DateiVorhanden(iniDatei)) return {};
  return EinstellungenAusDateianfang(platform::ReadHead(iniDatei, kHeadBytes));
}

Einstellungen EinstellungenBeimStart(const fs::path& iniDatei) {
  RemoveStaleTempFiles(iniDatei);
  if (!DateiVorhanden(iniDatei)) EinstellungenSpeichern(iniDatei, -1, -1, 0);
  return EinstellungenLesen(iniDatei);
}

}  // namespace paarix
