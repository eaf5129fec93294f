#pragma once

// The one line of "paarix.ini" as bytes: how the program writes it and how it
// reads it back. Plain C++ without Qt, so the fuzzer can drive the reader alone.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace paarix {

// The three values of the settings file as the rest of the program sees them.
struct Einstellungen {
  int16_t BrlModus = 0;     // Braille-size list index, always 0..2 after reading
  int16_t Spielerzahl = 1;  // number of players, always 1..4 after reading (file value + 1)
  int16_t IniReserve = 0;   // the third value, passed through unchanged

  friend bool operator==(const Einstellungen&, const Einstellungen&) = default;
};

// The reader looks at no more than this many bytes of the first line. The
// longest line the program writes, "-32768,-32768,-32768", has 20.
inline constexpr std::size_t kMaxLineBytes = 256;

// How many bytes from the start of the file the reader needs: one more than the
// longest line, to tell a line that ends at the limit from one that goes on.
inline constexpr std::size_t kHeadBytes = kMaxLineBytes + 1;

// The line the program writes: the Braille-size index, the player-count index
// and the reserve value in decimal, separated by ",", followed by CR LF. An
// index of -1 (nothing selected in its list) is written as 0; every other value
// is written as it is.
std::string EinstellungsZeile(int16_t brlIndex, int16_t anzahlIndex, int16_t reserve);

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
// A UTF-8 byte order mark at the start of the file is skipped.
Einstellungen EinstellungenAusDateianfang(std::string_view head);

}  // namespace paarix
