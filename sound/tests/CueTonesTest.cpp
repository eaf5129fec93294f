#include <gmock/gmock.h>

#include <algorithm>
#include <limits>

#include "SignalCheck.h"
#include "ToneRender.h"

namespace paarix {
namespace {

using testing::IsEmpty;

// The palette holds cue numbers 0 to 24.
constexpr int16_t kLastCue = 24;

// How long each cue lasts, in milliseconds: a cue blocks the game that long (the pair cue 3.6 s).
// Cue 19 has no tones.
constexpr int32_t kCueMs[kLastCue + 1] = {40,  40,   40,  40, 40,  40,  40, 40,  80,  30,  20,  3600, 160,
                                          100, 1980, 250, 30, 760, 320, 0,  140, 310, 120, 120, 290};

bool silent(const std::vector<int16_t>& samples) {
  return std::all_of(samples.begin(), samples.end(), [](int16_t sample) { return sample == 0; });
}

// Every cue of the palette lasts its time and renders cleanly: each tone at its frequency and
// level, pauses silent, no clicks; no other number has tones.
TEST(CueTones, EachCueLastsItsTimeAndRendersCleanly) {
  for (int16_t cue = 0; cue <= kLastCue; ++cue) {
    const std::vector<Tone> tones = cueTones(cue);
    EXPECT_EQ(durationMs(tones), kCueMs[cue]) << "cue " << cue;
    EXPECT_THAT(test::checkCueSignal(renderTones(tones), tones), IsEmpty()) << "cue " << cue;
  }
  EXPECT_THAT(cueTones(19), IsEmpty());
  for (int32_t n = std::numeric_limits<int16_t>::min(); n < 0; ++n) ASSERT_THAT(cueTones(int16_t(n)), IsEmpty()) << n;
  for (int32_t n = kLastCue + 1; n <= std::numeric_limits<int16_t>::max(); ++n) {
    ASSERT_THAT(cueTones(int16_t(n)), IsEmpty()) << n;
  }
}

TEST(CueTones, DurationSaturates) {
  const std::vector<Tone> tones = {{1, std::numeric_limits<int32_t>::max()}, {1, 5}};
  EXPECT_EQ(durationMs(tones), std::numeric_limits<int32_t>::max());
}

// Edges on whole milliseconds (no drift over a long cue); from half the sample rate up and at no
// positive frequency, silence of the tone's length; no length, no samples.
TEST(ToneRender, EdgesSilenceAndEmptyTones) {
  std::vector<Tone> many;
  for (int32_t i = 0; i < 200; ++i) {
    many.push_back({1234 + 7 * i, 23});
    many.push_back({kPauseHz, 17});
  }
  EXPECT_THAT(test::checkCueSignal(renderTones(many), many), IsEmpty());
  const std::vector<int16_t> inaudible = renderTones({{24000, 10}, {24500, 10}, {0, 10}, {-5, 10}});
  EXPECT_EQ(inaudible.size(), 4u * 10 * kFramesPerMs);
  EXPECT_TRUE(silent(inaudible));
  EXPECT_FALSE(silent(renderTones({{23999, 10}})));
  EXPECT_THAT(renderTones({{1000, 0}, {1000, -5}}), IsEmpty());
}

}  // namespace
}  // namespace paarix
