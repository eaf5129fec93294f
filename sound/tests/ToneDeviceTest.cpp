#include <gtest/gtest.h>

#include <chrono>

#include "ToneDevice.h"
#include "Tonfolge.h"

namespace paarix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::chrono::milliseconds timeToPlay(ToneDevice& device, const std::vector<Tone>& tones) {
  const auto start = Clock::now();
  device.play(tones);
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST(SilentToneDevice, EveryCueLastsAtLeastItsNominalDuration) {
  SilentToneDevice device;
  for (int16_t cue : {int16_t{9}, int16_t{10}, int16_t{17}, int16_t{21}}) {
    SCOPED_TRACE(testing::Message() << "cue " << cue);
    EXPECT_GE(timeToPlay(device, Tonfolge(cue)).count(), Dauer(Tonfolge(cue)));
  }
}

TEST(RecordingToneDevice, RecordsEveryCallAndTakesItsDelay) {
  RecordingToneDevice slow(25ms);
  EXPECT_GE(timeToPlay(slow, Tonfolge(8)), 25ms);
  slow.play(Tonfolge(12));
  ASSERT_EQ(slow.calls().size(), 2u);
  EXPECT_EQ(slow.calls()[0], Tonfolge(8));
  EXPECT_EQ(slow.calls()[1], Tonfolge(12));
  slow.clear();
  EXPECT_TRUE(slow.calls().empty());
}

}  // namespace
}  // namespace paarix
