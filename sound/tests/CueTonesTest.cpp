#include <gmock/gmock.h>

#include <limits>

#include "SignalCheck.h"
#include "ToneRender.h"

namespace paarix {
namespace {

using testing::IsEmpty;

// The palette holds cue numbers 0 to 24.
constexpr int16_t kLastCue = 24;

// Every cue of the palette renders cleanly: each tone at its frequency and level, pauses silent,
// no clicks.
TEST(CueTones, EachCueRendersCleanly) {
  for (int16_t cue = 0; cue <= kLastCue; ++cue) {
    const std::vector<Tone> tones = cueTones(cue);
    EXPECT_EQ(test::cueSignalProblem(renderTones(tones), tones), "") << "cue " << cue;
  }
}

TEST(CueTones, DurationSaturates) {
  const std::vector<Tone> tones = {{1, std::numeric_limits<int32_t>::max()}, {1, 5}};
  EXPECT_EQ(durationMs(tones), std::numeric_limits<int32_t>::max());
}

// From half the sample rate up and at no positive frequency, silence of the tone's length;
// no length, no samples.
TEST(ToneRender, SilenceAndEmptyTones) {
  const std::vector<int16_t> silence(2 * 10 * kFramesPerMs, 0);
  EXPECT_EQ(renderTones({{24500, 10}, {-5, 10}}), silence);
  EXPECT_NE(renderTones({{23999, 10}}), std::vector<int16_t>(10 * kFramesPerMs, 0));
  EXPECT_THAT(renderTones({{1000, 0}, {1000, -5}}), IsEmpty());
}

}  // namespace
}  // namespace paarix
