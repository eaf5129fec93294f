#include "Einstellungen.h"

#include <array>
#include <charconv>
#include <optional>
#include <system_error>

namespace paarix {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Index as written: nothing selected (-1) is stored as the first entry.
int16_t indexForFile(int16_t index) { return index == -1 ? int16_t{0} : index; }

// The first line of the file as far as the reader trusts it.
std::string_view firstLine(std::string_view head) {
  const std::string_view window = head.substr(0, kHeadBytes);
  const std::size_t end = window.find_first_of("\r\n");
  if (end != std::string_view::npos) return window.substr(0, end);
  if (window.size() <= kMaxLineBytes) return window;  // no final line end
  // The line goes on beyond the limit: keep only the fields that a comma ends
  // within it; the one the cut falls into is incomplete.
  const std::string_view cut = window.substr(0, kMaxLineBytes);
  const std::size_t lastComma = cut.rfind(',');
  return lastComma == std::string_view::npos ? std::string_view{} : cut.substr(0, lastComma);
}

std::string_view trimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::optional<int16_t> parseField(std::string_view field) {
  field = trimBlanks(field);
  if (field.empty()) return std::nullopt;
  int16_t value = 0;
  const char* const end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  if (error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

}  // namespace

std::string EinstellungsZeile(int16_t brlIndex, int16_t anzahlIndex, int16_t reserve, bool ansagen) {
  return std::to_string(indexForFile(brlIndex)) + ',' + std::to_string(indexForFile(anzahlIndex)) + ',' +
         std::to_string(reserve) + (ansagen ? ",1" : "") + "\r\n";
}

Einstellungen EinstellungenAusDateianfang(std::string_view head) {
  std::string_view line = firstLine(head);
  if (line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());

  // Up to four fields; whatever follows a fourth comma is never looked at.
  std::array<std::optional<int16_t>, 4> fields;
  for (std::optional<int16_t>& field : fields) {
    const std::size_t comma = line.find(',');
    field = parseField(line.substr(0, comma));
    if (comma == std::string_view::npos) break;
    line.remove_prefix(comma + 1);
  }

  Einstellungen result;
  if (const auto brl = fields[0]; brl && *brl >= 0 && *brl <= 2) result.BrlModus = *brl;
  if (const auto anzahl = fields[1]; anzahl && *anzahl >= 0 && *anzahl <= 3) {
    result.Spielerzahl = static_cast<int16_t>(*anzahl + 1);
  }
  if (fields[2]) result.IniReserve = *fields[2];
  result.Ansagen = fields[3] == 1;
  return result;
}

}  // namespace paarix
