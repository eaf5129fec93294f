// libFuzzer target for the settings reader: whatever a settings file starts with, the values lie in the
// ranges the window relies on, and the line a close then writes has the writer's shape and reads back the same.
#include <cstdlib>

#include "Einstellungen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace paarix;
  const Einstellungen e = EinstellungenAusDateianfang({reinterpret_cast<const char*>(data), size});
  const std::string zeile = EinstellungsZeile(e.BrlModus, int16_t(e.Spielerzahl - 1), e.IniReserve, e.Ansagen);
  if (e.BrlModus < 0 || e.BrlModus > 2) std::abort();
  if (e.Spielerzahl < 1 || e.Spielerzahl > 4) std::abort();
  if (!zeile.ends_with("\r\n")) std::abort();
  if (zeile.find_first_not_of("0123456789,-") != zeile.size() - 2) std::abort();
  if (!(EinstellungenAusDateianfang(zeile) == e)) std::abort();
  return 0;
}
