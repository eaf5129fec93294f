#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "Ton.h"
#include "Tonfolge.h"

namespace paarix {
namespace {

constexpr int32_t P = Pausenton;

// The cue table written out tone by tone, loops unrolled, with each cue's total.
struct Row {
  std::vector<Tone> tones;
  int32_t total;
};
const std::map<int16_t, Row>& cueTable() {
  static const std::map<int16_t, Row> table = {
      {0, {{{2000, 40}}, 40}},
      {1, {{{2000, 40}}, 40}},
      {2, {{{2000, 40}}, 40}},
      {3, {{{2000, 40}}, 40}},
      {4, {{{5000, 40}}, 40}},
      {5, {{{5000, 40}}, 40}},
      {6, {{{5000, 40}}, 40}},
      {7, {{{5000, 40}}, 40}},
      {8, {{{120, 80}}, 80}},
      {9, {{{4500, 30}}, 30}},
      {10, {{{400, 20}}, 20}},
      {11, {{{2500, 200}, {4000, 700}, {P, 300},
              {2500, 200}, {4000, 700}, {P, 300},
              {2500, 200}, {4000, 700}, {P, 300}}, 3600}},
      {12, {{{300, 60}, {20000, 40}, {350, 60}}, 160}},
      {13, {{{700, 100}}, 100}},
      {14, {{{2000, 30}, {P, 300}, {2200, 30}, {P, 300}, {2400, 30}, {P, 300},
              {2600, 30}, {P, 300}, {2800, 30}, {P, 300}, {3000, 30}, {P, 300}}, 1980}},
      {15, {{{3500, 50}, {3200, 200}}, 250}},
      {16, {{{4800, 30}}, 30}},
      {17, {{{1500, 200}, {P, 80}, {1500, 200}, {P, 80}, {1000, 200}}, 760}},
      {18, {{{1000, 40}, {1200, 40}, {1000, 40}, {900, 200}}, 320}},
      {20, {{{4000, 20}, {P, 100}, {4000, 20}}, 140}},
      {21, {{{100, 80}, {P, 50}, {130, 80}, {P, 50}, {80, 50}}, 310}},
      {22, {{{1000, 60}, {1100, 60}}, 120}},
      {23, {{{1500, 60}, {1600, 60}}, 120}},
      {24, {{{1000, 60}, {1100, 60}, {P, 50}, {1500, 60}, {1600, 60}}, 290}},
  };
  return table;
}

TEST(Tonfolge, EveryCueHasExactlyTheTonesOfTheTable) {
  EXPECT_EQ(cueTable().size(), 24u);
  for (const auto& [cue, row] : cueTable()) {
    SCOPED_TRACE(testing::Message() << "cue " << cue);
    EXPECT_EQ(Tonfolge(cue), row.tones);
    EXPECT_EQ(Dauer(Tonfolge(cue)), row.total);
  }
}

TEST(Tonfolge, NineteenAndNumbersOutsideThePaletteHaveNoTones) {
  for (int16_t cue : {int16_t{19}, int16_t{25}, int16_t{-1}, std::numeric_limits<int16_t>::min(),
                      std::numeric_limits<int16_t>::max()}) {
    SCOPED_TRACE(testing::Message() << "cue " << cue);
    EXPECT_TRUE(Tonfolge(cue).empty());
  }
  EXPECT_EQ(Dauer({}), 0);
}

// Ton hands the device the whole cue in one request, and nothing at all for a number
// without tones, over the whole 16-bit range.
TEST(Ton, PlaysEachCueOnceInOneRequestAndNothingForOtherNumbers) {
  RecordingToneDevice device;
  for (int32_t n = std::numeric_limits<int16_t>::min(); n <= std::numeric_limits<int16_t>::max(); ++n) {
    const int16_t cue = static_cast<int16_t>(n);
    Ton(cue, device);
    const auto calls = device.calls();
    const auto row = cueTable().find(cue);
    if (row == cueTable().end()) {
      ASSERT_TRUE(calls.empty()) << "cue " << cue << " played something";
    } else {
      ASSERT_EQ(calls.size(), 1u) << "cue " << cue;
      EXPECT_EQ(calls[0], row->second.tones) << "cue " << cue;
    }
    device.clear();
  }
}

}  // namespace
}  // namespace paarix
