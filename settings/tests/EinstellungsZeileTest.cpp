#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EinstellungsZeile.h"
#include "TestSupport.h"

namespace paarix {
namespace {

using namespace std::string_literals;

Einstellungen werte(int16_t brl, int16_t spieler, int16_t reserve) { return {brl, spieler, reserve}; }

TEST(EinstellungsZeile, WritesTheByteExactLine) {
  // Both lists empty at the first start, reserve still 0.
  EXPECT_EQ(EinstellungsZeile(-1, -1, 0), "\x30\x2C\x30\x2C\x30\x0D\x0A"s);
  EXPECT_EQ(EinstellungsZeile(2, 3, 7), "2,3,7\r\n");
  EXPECT_EQ(EinstellungsZeile(-1, -1, -1), "0,0,-1\r\n");  // only the indexes lose their -1
  EXPECT_EQ(EinstellungsZeile(1, 0, -32768), "1,0,-32768\r\n");
  EXPECT_EQ(EinstellungsZeile(0, 2, 32767), "0,2,32767\r\n");
}

TEST(EinstellungsZeile, ReadsBackEverythingTheWriterWrites) {
  for (int16_t brl = -1; brl <= 2; ++brl) {
    for (int16_t anzahl = -1; anzahl <= 3; ++anzahl) {
      for (int16_t reserve : {-32768, -1, 0, 1, 7, 32767}) {
        const std::string zeile = EinstellungsZeile(brl, anzahl, reserve);
        const Einstellungen erwartet{brl == -1 ? int16_t{0} : brl,
                                     static_cast<int16_t>(anzahl == -1 ? 1 : anzahl + 1), reserve};
        EXPECT_EQ(EinstellungenAusDateianfang(zeile), erwartet) << zeile;
      }
    }
  }
}

struct Fall {
  std::string bytes;
  Einstellungen erwartet;
};

void expectAll(const std::vector<Fall>& faelle) {
  for (const Fall& fall : faelle) {
    EXPECT_EQ(EinstellungenAusDateianfang(fall.bytes), fall.erwartet) << "bytes: \"" << fall.bytes << "\"";
  }
}

TEST(EinstellungsZeile, AcceptsOtherLayoutsOfTheSameValues) {
  expectAll({
      {"2,3,7", werte(2, 4, 7)},  // no final line end
      {"2,3,7\n", werte(2, 4, 7)},
      {"2,3,7\r", werte(2, 4, 7)},
      {" 2 , 3 ,\t7 \r\n", werte(2, 4, 7)},
      {"\xEF\xBB\xBF" "2,3,7\r\n", werte(2, 4, 7)},  // saved by an editor as UTF-8
      {"02,003,-0007\r\n", werte(2, 4, -7)},
  });
}

TEST(EinstellungsZeile, ReadsNothingAfterTheThirdValue) {
  expectAll({
      {"2,3,7,1,1\r\n", werte(2, 4, 7)},
      {"2,3,7,\r\n", werte(2, 4, 7)},
      {"2,3,7\r\n1,1,1\r\n", werte(2, 4, 7)},
      {"2,3,7\r\ngarbage \xFF\x00", werte(2, 4, 7)},
      // Values spread over lines: only the first line counts.
      {"2,\r\n3,7\r\n", werte(2, 1, 0)},
      {"\r\n2,3,7\r\n", werte(0, 1, 0)},
  });
}

TEST(EinstellungsZeile, EachUnusableFieldFallsBackOnItsOwn) {
  expectAll({
      {"", werte(0, 1, 0)},
      {"-1,-1,-1\r\n", werte(0, 1, -1)},
      // Out of the lists' ranges.
      {"3,3,7", werte(0, 4, 7)},
      {"-2,3,7", werte(0, 4, 7)},
      {"32767,3,7", werte(0, 4, 7)},
      {"2,4,7", werte(2, 1, 7)},
      {"2,32767,7", werte(2, 1, 7)},  // one more would not fit into 16 bits
      {"2,-32768,7", werte(2, 1, 7)},
      {"2,-2,7", werte(2, 1, 7)},
      // Not 16-bit integers.
      {"32768,3,7", werte(0, 4, 7)},
      {"2,3,32768", werte(2, 4, 0)},
      {"2,3,-32769", werte(2, 4, 0)},
      {"2,3,99999999999999999999999", werte(2, 4, 0)},
      {"2,3,1.5", werte(2, 4, 0)},
      {"+2,+3,+7", werte(0, 1, 0)},
      {"2 1,3,7", werte(0, 4, 7)},
      {"-,3,7", werte(0, 4, 7)},
      {"x,3,7", werte(0, 4, 7)},
      {"2,,7", werte(2, 1, 7)},
      {"2,3,", werte(2, 4, 0)},
      {"2\0,3,7"s, werte(0, 4, 7)},
      {"2,3\0,7"s, werte(2, 1, 7)},
      // Too few fields.
      {"2,3", werte(2, 4, 0)},
      {"2", werte(2, 1, 0)},
      {"2;3;7", werte(0, 1, 0)},
      // Saved as UTF-16 by an editor.
      {"\xFF\xFE" "2\0,\0" "3\0,\0" "7\0\r\0\n\0"s, werte(0, 1, 0)},
  });
}

TEST(EinstellungsZeile, LooksNoFurtherThanTheLineLimit) {
  const auto padded = [](std::string anfang, std::size_t laenge, std::string ende) {
    anfang.resize(laenge - ende.size(), ' ');
    return anfang + ende;
  };
  expectAll({
      // A line of exactly the limit is read whole, with or without its line end.
      {padded("1,2,", kMaxLineBytes, "3") + "\r\n", werte(1, 3, 3)},
      {padded("1,2,", kMaxLineBytes, "3"), werte(1, 3, 3)},
      // One byte more and the field the limit cuts counts as missing ...
      {padded("1,2,", kMaxLineBytes + 1, "3") + "\r\n", werte(1, 3, 0)},
      {padded("1,", kMaxLineBytes + 2, "2,3") + "\r\n", werte(1, 1, 0)},
      {std::string(100000, '7'), werte(0, 1, 0)},
      // ... but fields that end before the limit are still read.
      {"1,2,3," + std::string(100000, 'x'), werte(1, 3, 3)},
      {"1,2," + std::string(100000, ' ') + "3", werte(1, 3, 0)},
  });
}

}  // namespace
}  // namespace paarix
