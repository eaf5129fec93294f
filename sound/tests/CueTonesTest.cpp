#include <gmock/gmock.h>

#include <limits>
#include <sstream>

#include "SignalCheck.h"
#include "ToneRender.h"

namespace paarix {
namespace {

using testing::IsEmpty;

std::vector<Tone> tones(const std::string& text) {  // "hz/ms hz/ms ..."
  std::vector<Tone> out;
  std::istringstream in(text);
  for (Tone t{}; in >> t.hz && in.ignore() && in >> t.ms;) out.push_back(t);
  return out;
}

// Over the whole 16-bit range Ton hands the device each cue in one request (nothing without
// tones); each cue renders exactly, with silent pauses and without clicks.
TEST(CueTones, ThePaletteOverTheWholeRangeAndItsRendering) {
  const std::string pass = "2500/200 4000/700 25000/300 ";  // cue 11 plays it three times
  const std::string table[25] = {
      "2000/40",
      "2000/40",
      "2000/40",
      "2000/40",
      "5000/40",
      "5000/40",
      "5000/40",
      "5000/40",
      "120/80",
      "4500/30",
      "400/20",
      pass + pass + pass,
      "300/60 20000/40 350/60",
      "700/100",
      "2000/30 25000/300 2200/30 25000/300 2400/30 25000/300 2600/30 25000/300 2800/30 25000/300 3000/30 25000/300",
      "3500/50 3200/200",
      "4800/30",
      "1500/200 25000/80 1500/200 25000/80 1000/200",
      "1000/40 1200/40 1000/40 900/200",
      "",
      "4000/20 25000/100 4000/20",
      "100/80 25000/50 130/80 25000/50 80/50",
      "1000/60 1100/60",
      "1500/60 1600/60",
      "1000/60 1100/60 25000/50 1500/60 1600/60"};
  RecordingToneDevice device;
  for (int32_t n = std::numeric_limits<int16_t>::min(); n <= std::numeric_limits<int16_t>::max(); ++n) {
    const auto cue = static_cast<int16_t>(n);
    const std::vector<Tone> expected = n >= 0 && n <= 24 ? tones(table[n]) : std::vector<Tone>{};
    ASSERT_EQ(cueTones(cue), expected) << n;
    Ton(cue, device);
    ASSERT_EQ(device.calls(), std::vector<std::vector<Tone>>(!expected.empty(), expected)) << n;
    device.clear();
    if (expected.empty()) continue;  // the signal check counts 48 samples per millisecond durationMs gives
    EXPECT_THAT(test::checkCueSignal(renderTones(expected), expected), IsEmpty()) << n;
  }
  EXPECT_EQ(durationMs({{1, std::numeric_limits<int32_t>::max()}, {1, 5}}), std::numeric_limits<int32_t>::max());
  // Edges on whole milliseconds (no drift); from half the sample rate up, silence; no length, no samples.
  std::vector<Tone> many;
  for (int32_t i = 0; i < 200; ++i) many.insert(many.end(), {{1234 + 7 * i, 23}, {kPauseHz, 17}});
  EXPECT_THAT(test::checkCueSignal(renderTones(many), many), IsEmpty());
  const auto silent = [](const std::vector<int16_t>& x) { return std::count(x.begin(), x.end(), 0) == std::ssize(x); };
  EXPECT_TRUE(silent(renderTones({{24000, 10}, {24500, 10}, {0, 10}, {-5, 10}})) &&
              renderTones({{24500, 10}}).size() == 480);
  EXPECT_FALSE(silent(renderTones({{23999, 10}})));
  EXPECT_TRUE(renderTones({{1000, 0}, {1000, -5}}).empty());
}

}  // namespace
}  // namespace paarix
