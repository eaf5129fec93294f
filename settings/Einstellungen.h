#pragma once

// The settings the program keeps between runs: the values, their one line
// in "paarix.ini", and the file itself: its place beside the executable (or in
// the user's own configuration folder when the program's folder is closed to
// the user), its creation at the first start, reading it at start-up and
// writing it at every close.
//
// None of these operations ever stops the program or throws: a file that cannot
// be read gives the default values, a file that cannot be written is reported
// on stderr and left as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace paarix {

// The values of the settings file as the rest of the program sees them.
struct Einstellungen {
  int16_t BrlModus = 0;     // Braille-size list index, always 0..2 after reading
  int16_t Spielerzahl = 1;  // number of players, always 1..4 after reading (file value + 1)
  int16_t IniReserve = 0;   // the third value, passed through unchanged
  bool Ansagen = false;     // spoken game events on: an optional fourth value 1

  friend bool operator==(const Einstellungen&, const Einstellungen&) = default;
};

// ---- The line (EinstellungsZeile.cpp) ----

// The reader looks at no more than this many bytes of the first line. The
// longest line the program writes, "-32768,-32768,-32768,1", has 22.
inline constexpr std::size_t kMaxLineBytes = 256;

// How many bytes from the start of the file the reader needs: one more than the
// longest line, to tell a line that ends at the limit from one that goes on.
inline constexpr std::size_t kHeadBytes = kMaxLineBytes + 1;

// The line the program writes: the Braille-size index, the player-count index
// and the reserve value in decimal, separated by ",", followed by CR LF. An
// index of -1 (nothing selected in its list) is written as 0; every other value
// is written as it is. Only while spoken game events are on does a fourth value
// 1 follow ("0,0,0,1"); with them off the line has three values, as versions
// before them wrote it (they read the first three values and ignore the rest).
std::string EinstellungsZeile(int16_t brlIndex, int16_t anzahlIndex, int16_t reserve, bool ansagen = false);

// The values held by a file that starts with the bytes `head`; bytes beyond the
// first kHeadBytes are never looked at. Only the first line counts; it ends at
// the first CR or LF, or at the end of the bytes. A line longer than
// kMaxLineBytes is cut there, and the field the cut falls into counts as missing.
//
// A field is the text between two commas; blanks and tabs around it are
// ignored, and it is usable when the rest is a 16-bit decimal integer with an
// optional "-". Every field falls back on its own:
//   1st -> BrlModus:    0..2 as read; anything else (also -1) gives 0.
//   2nd -> Spielerzahl: 0..3 as read, plus 1; anything else (also -1) gives 1.
//   3rd -> IniReserve:  any 16-bit value as read; unusable or missing gives 0.
//   4th -> Ansagen:     on for the value 1; anything else, or none, is off.
// A UTF-8 byte order mark at the start of the file is skipped.
Einstellungen EinstellungenAusDateianfang(std::string_view head);

// ---- The file (Einstellungsdatei.cpp) ----

// `AppPfad` from a directory: the directory with `trenner` appended, unless it
// already ends in one (a drive root "C:\", the root "/"). Where the separator is
// "\", every "/" becomes "\" first. An empty directory gives "." and the
// separator, the working directory. Both platforms' rules can be checked on
// either platform through `trenner`; the first form uses the native separator.
std::filesystem::path AppPfadAus(const std::filesystem::path& verzeichnis);
std::filesystem::path AppPfadAus(const std::filesystem::path& verzeichnis, std::filesystem::path::value_type trenner);

// `AppPfad` of the running program: the directory of its executable
// (/proc/self/exe, GetModuleFileNameW); the working directory when the system
// does not tell.
std::filesystem::path AppPfadErmitteln();

// `IniDatei`: `appPfad` followed by "paarix.ini".
std::filesystem::path IniDateiIn(const std::filesystem::path& appPfad);

// The user's own folder for the settings file: "paarix" in $XDG_CONFIG_HOME
// (only when it is an absolute path), else in ~/.config; on Windows in the
// local application data folder. Empty when the system names none.
std::filesystem::path BenutzerOrdnerErmitteln();

// Where the settings file lives. The file beside the executable (in `appPfad`)
// wins when it is there and writable or when one can be created there, so a
// copy of the program that is carried around keeps its settings with it.
// Otherwise (the program is installed in a folder the user may not write) it is
// "paarix.ini" in `benutzerOrdner`, which is created when it is missing. When
// no such folder is named (`benutzerOrdner` empty) the file beside the
// executable is kept.
std::filesystem::path IniDateiWaehlen(const std::filesystem::path& appPfad,
                                      const std::filesystem::path& benutzerOrdner);

// The same for the running program: AppPfadErmitteln and BenutzerOrdnerErmitteln.
std::filesystem::path IniDateiWaehlen();

// Whether a settings file is at `pfad`: true for a regular file or a link to
// one, also when it is empty or cannot be read; false when nothing is there or
// the query fails, and for anything that is no file (a directory, a pipe, a
// device), since none of them can hold the settings.
bool DateiVorhanden(const std::filesystem::path& pfad) noexcept;

// Writes the line of EinstellungsZeile to `iniDatei` as a whole or not at all:
// the bytes go to a new file beside it ("paarix.ini.<process id>-<random>.tmp"),
// which is flushed to the disk and then renamed over the old one. Only where no
// new file may be made in the folder but the file itself may be written is it
// overwritten in place. Returns false on failure and says so on stderr; the
// program goes on.
bool EinstellungenSpeichern(const std::filesystem::path& iniDatei, int16_t brlIndex, int16_t anzahlIndex,
                            int16_t reserve, bool ansagen = false);

// The values of the file at `iniDatei`. When it is no regular file or cannot be
// opened, every value is its default; otherwise EinstellungenAusDateianfang
// decides field by field. Only a regular file is ever opened, and at most
// kHeadBytes bytes are read, however large it is.
Einstellungen EinstellungenLesen(const std::filesystem::path& iniDatei);

// Start-up: removes the new files that saves of earlier runs left behind when
// they were ended half-way (only files named as EinstellungenSpeichern names
// them, and only those of processes that have ended); creates the file with
// three zeros when DateiVorhanden finds none (at that moment no list has a
// selection, the reserve value is 0 and spoken events are off); then reads it.
Einstellungen EinstellungenBeimStart(const std::filesystem::path& iniDatei);

}  // namespace paarix
