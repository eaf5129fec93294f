// libFuzzer target for the settings reader: whatever bytes a settings file
// starts with, the values must lie in the ranges the window relies on, and
// what a close then writes must read back as the same values.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "EinstellungsZeile.h"

namespace {

void fail(const char* what, const paarix::Einstellungen& e) {
  std::fprintf(stderr, "settings fuzz: %s: BrlModus %d, Spielerzahl %d, IniReserve %d\n", what, e.BrlModus,
               e.Spielerzahl, e.IniReserve);
  std::abort();
}

bool isWriterLine(const std::string& line) {
  if (line.size() < 7 || !line.ends_with("\r\n")) return false;
  for (std::size_t i = 0; i + 2 < line.size(); ++i) {
    const char c = line[i];
    if (!(c == ',' || c == '-' || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view anfang(reinterpret_cast<const char*>(data), size);
  const paarix::Einstellungen e = paarix::EinstellungenAusDateianfang(anfang);
  if (e.BrlModus < 0 || e.BrlModus > 2) fail("BrlModus out of 0..2", e);
  if (e.Spielerzahl < 1 || e.Spielerzahl > 4) fail("Spielerzahl out of 1..4", e);

  // The next close selects what was read and writes it back.
  const std::string zeile =
      paarix::EinstellungsZeile(e.BrlModus, static_cast<int16_t>(e.Spielerzahl - 1), e.IniReserve);
  if (!isWriterLine(zeile)) fail("written line has the wrong shape", e);
  if (!(paarix::EinstellungenAusDateianfang(zeile) == e)) fail("written line reads back differently", e);
  return 0;
}
