#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "SignalCheck.h"
#include "ToneRender.h"
#include "Tonfolge.h"

namespace paarix {
namespace {

using test::checkCueSignal;
using testing::IsEmpty;
using testing::Not;

bool allZero(const std::vector<int16_t>& x) {
  return std::all_of(x.begin(), x.end(), [](int16_t v) { return v == 0; });
}

class RenderedCue : public testing::TestWithParam<int> {};

TEST_P(RenderedCue, SoundsItsTonesWithoutClicks) {
  const std::vector<Tone> tones = Tonfolge(static_cast<int16_t>(GetParam()));
  EXPECT_THAT(checkCueSignal(renderTones(tones), tones), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(AllCues, RenderedCue,
                         testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21,
                                         22, 23, 24));

TEST(ToneRender, ToneAtHalfTheSampleRateOrAboveIsSilenceOfItsLength) {
  const auto pause = renderTones({{24000, 10}});
  EXPECT_EQ(pause.size(), 480u);
  EXPECT_TRUE(allZero(pause));
  EXPECT_TRUE(allZero(renderTones({{Pausenton, 10}})));
  EXPECT_TRUE(allZero(renderTones({{0, 10}})));
  EXPECT_FALSE(allZero(renderTones({{23999, 10}})));
  EXPECT_TRUE(renderTones({{1000, 0}, {1000, -5}}).empty());
}

// Edges come from cumulative milliseconds: after many tones the last one still starts on
// its millisecond.
TEST(ToneRender, EdgesDoNotDriftOverALongCue) {
  std::vector<Tone> tones;
  for (int i = 0; i < 200; ++i) {
    tones.push_back({1234 + 7 * i, 23});
    tones.push_back({Pausenton, 17});
  }
  const auto x = renderTones(tones);
  ASSERT_EQ(x.size(), 200u * 40 * 48);
  EXPECT_THAT(checkCueSignal(x, tones), IsEmpty());
}

// The signal check must find the faults it is there to find, or the capture tests prove
// nothing.
TEST(SignalCheck, FindsWrongLengthFrequencyLevelAndPlacement) {
  const std::vector<Tone> expected = {{1000, 60}, {Pausenton, 50}, {1000, 60}};
  EXPECT_THAT(checkCueSignal(renderTones(expected), expected), IsEmpty());

  EXPECT_THAT(checkCueSignal(renderTones({{1000, 60}, {Pausenton, 50}, {1000, 61}}), expected), Not(IsEmpty()));
  EXPECT_THAT(checkCueSignal(renderTones({{1000, 60}, {Pausenton, 50}, {1030, 60}}), expected), Not(IsEmpty()));
  // 3 ms late, length kept: the tone runs into the pause.
  EXPECT_THAT(checkCueSignal(renderTones({{Pausenton, 3}, {1000, 60}, {Pausenton, 47}, {1000, 60}}), expected),
              Not(IsEmpty()));
  // 3 ms short, then silence: the tone ends too early.
  EXPECT_THAT(checkCueSignal(renderTones({{1000, 57}, {Pausenton, 53}, {1000, 60}}), expected), Not(IsEmpty()));

  auto loud = renderTones(expected);
  for (auto& v : loud) v = static_cast<int16_t>(v * 2);
  EXPECT_THAT(checkCueSignal(loud, expected), Not(IsEmpty()));

  auto noisyPause = renderTones(expected);
  noisyPause[60 * 48 + 1000] = 1;
  EXPECT_THAT(checkCueSignal(noisyPause, expected), Not(IsEmpty()));
}

TEST(SignalCheck, FindsABoundaryBetweenTwoTonesInTheWrongPlace) {
  const std::vector<Tone> expected = {{1000, 60}, {1100, 60}};
  EXPECT_THAT(checkCueSignal(renderTones(expected), expected), IsEmpty());
  EXPECT_THAT(checkCueSignal(renderTones({{1000, 63}, {1100, 57}}), expected), Not(IsEmpty()));
  EXPECT_THAT(checkCueSignal(renderTones({{1000, 57}, {1100, 63}}), expected), Not(IsEmpty()));
}

TEST(SignalCheck, FindsClicks) {
  const std::vector<Tone> expected = {{120, 80}, {Pausenton, 20}};
  const double amplitude = 32767.0 * std::pow(10.0, -12.0 / 20.0);

  // A sine switched on and off without fades, starting and stopping at its peak.
  std::vector<int16_t> hard(100 * 48, 0);
  for (int n = 0; n < 80 * 48; ++n)
    hard[n] = static_cast<int16_t>(std::lround(amplitude * std::cos(2.0 * std::numbers::pi * 120.0 * n / 48000.0)));
  EXPECT_THAT(checkCueSignal(hard, expected), Not(IsEmpty()));

  // A properly faded tone with one sample knocked out in the middle.
  auto dropout = renderTones(expected);
  EXPECT_THAT(checkCueSignal(dropout, expected), IsEmpty());
  dropout[40 * 48 + 100] = 0;
  EXPECT_THAT(checkCueSignal(dropout, expected), Not(IsEmpty()));

  // Two tones joined without fades at the boundary: the first ends on a zero crossing, the
  // second starts at its peak.
  const std::vector<Tone> pair = {{1000, 60}, {1100, 60}};
  std::vector<int16_t> joined(120 * 48, 0);
  for (int n = 0; n < 120 * 48; ++n) {
    const double outerFade =
        0.5 * (1.0 - std::cos(std::numbers::pi * std::min({144, n, 120 * 48 - n}) / 144.0));
    const double phase = n < 60 * 48 ? 2.0 * std::numbers::pi * 1000.0 * n / 48000.0
                                     : 2.0 * std::numbers::pi * 1100.0 * (n - 60 * 48) / 48000.0 + std::numbers::pi / 2;
    joined[n] = static_cast<int16_t>(std::lround(amplitude * outerFade * std::sin(phase)));
  }
  EXPECT_THAT(checkCueSignal(joined, pair), Not(IsEmpty()));
}

}  // namespace
}  // namespace paarix
