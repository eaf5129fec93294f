#include <array>
#include <string>

#include "TestSupport.h"

namespace paarix {
namespace {

using namespace std::string_literals;

// Only the indexes lose their -1; everything written reads back as what the lists held.
// Other layouts of the same values, the end of what is read, and each unusable field
// falling back on its own.
TEST(EinstellungsZeile, WritesTheLineAndReadsFieldByField) {
  EXPECT_EQ(EinstellungsZeile(-1, -1, 0), "0,0,0\r\n");
  EXPECT_EQ(EinstellungsZeile(-1, -1, -1), "0,0,-1\r\n");
  for (int fall = 0; fall < 4 * 5 * 5; ++fall) {  // every index with -1, reserves up to the ends of the range
    const int16_t brl = int16_t(fall % 4 - 1), anzahl = int16_t(fall / 4 % 5 - 1), reserve = std::array<int16_t, 5>{-32768, -1, 0, 7, 32767}[fall / 20];
    const std::string zeile = EinstellungsZeile(brl, anzahl, reserve);
    EXPECT_EQ(EinstellungenAusDateianfang(zeile), werte(std::max<int16_t>(brl, 0), std::max(anzahl, int16_t(0)) + 1, reserve)) << zeile;
  }
  const auto zeile = [](std::string anfang, std::size_t laenge, const std::string& ende) {  // padded with blanks
    return anfang.resize(laenge - ende.size(), ' '), anfang + ende;
  };
  const std::pair<std::string, Einstellungen> faelle[] = {
      {"2,3,7", werte(2, 4, 7)}, {"2,3,7\n", werte(2, 4, 7)}, {"2,3,7\r", werte(2, 4, 7)},
      {" 2 , 3 ,\t7 \r\n", werte(2, 4, 7)}, {"\xEF\xBB\xBF" "2,3,7\r\n", werte(2, 4, 7)},
      {"02,003,-0007\r\n", werte(2, 4, -7)},
      // Nothing after the third value, nothing after the first line.
      {"2,3,7,1,1\r\n", werte(2, 4, 7)}, {"2,3,7\r\n1,1,1\r\n", werte(2, 4, 7)}, {"2,\r\n3,7\r\n", werte(2, 1, 0)},
      {"\r\n2,3,7\r\n", werte(0, 1, 0)}, {"", werte(0, 1, 0)}, {"2,3", werte(2, 4, 0)}, {"2;3;7", werte(0, 1, 0)},
      // Out of range, or no 16-bit integer.
      {"-1,-1,-1\r\n", werte(0, 1, -1)}, {"3,4,7", werte(0, 1, 7)}, {"-2,-2,7", werte(0, 1, 7)},
      {"32767,32767,7", werte(0, 1, 7)}, {"2,-32768,-32768", werte(2, 1, -32768)}, {"32768,3,7", werte(0, 4, 7)},
      {"2,3,-32769", werte(2, 4, 0)}, {"2,3,99999999999999999999", werte(2, 4, 0)}, {"2,3,1.5", werte(2, 4, 0)},
      {"+2,+3,+7", werte(0, 1, 0)}, {"2 1,-,x", werte(0, 1, 0)}, {"2,,7", werte(2, 1, 7)},
      {"2\0,3\0,7"s, werte(0, 1, 7)}, {"\xFF\xFE" "2\0,\0" "3\0,\0" "7\0\r\0\n\0"s, werte(0, 1, 0)},
      // A line of exactly the limit is read whole; past it the field the limit cuts counts
      // as missing, and fields that end before the limit are still read.
      {zeile("1,2,", kMaxLineBytes, "3"), werte(1, 3, 3)}, {zeile("1,2,", kMaxLineBytes, "3") + "\r\n", werte(1, 3, 3)},
      {zeile("1,2,", kMaxLineBytes + 1, "3") + "\r\n", werte(1, 3, 0)},
      {zeile("1,", kMaxLineBytes + 2, "2,3"), werte(1, 1, 0)}, {std::string(100000, '7'), werte(0, 1, 0)},
      {"1,2,3," + std::string(100000, 'x'), werte(1, 3, 3)}};
  for (const auto& [bytes, erwartet] : faelle) EXPECT_EQ(EinstellungenAusDateianfang(bytes), erwartet) << bytes;
}

}  // namespace
}  // namespace paarix
