#include <gmock/gmock.h>

#include <functional>
#include <limits>

#include "SignalCheck.h"
#include "Ton.h"
#include "ToneRender.h"

namespace paarix {
namespace {

using testing::IsEmpty;
using testing::Not;

std::vector<Tone> operator+(std::vector<Tone> a, const std::vector<Tone>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Over the whole 16-bit range Ton hands the device the whole cue in one request, and
// nothing for a number without tones (19 and everything outside 0..24). Each cue has its
// length and renders its tones without clicks.
TEST(Tonfolge, EachCueItsRequestLengthSoundAndComposition) {
  const int32_t dauer[] = {40, 40, 40, 40, 40, 40, 40, 40, 80, 30, 20, 3600, 160,
                           100, 1980, 250, 30, 760, 320, 0, 140, 310, 120, 120, 290};
  RecordingToneDevice device;
  for (int32_t n = std::numeric_limits<int16_t>::min(); n <= std::numeric_limits<int16_t>::max(); ++n) {
    const int16_t cue = static_cast<int16_t>(n);
    const bool toene = n >= 0 && n <= 24 && n != 19;
    Ton(cue, device);
    ASSERT_EQ(device.calls(), toene ? std::vector<std::vector<Tone>>{Tonfolge(cue)} : std::vector<std::vector<Tone>>{}) << n;
    ASSERT_EQ(Tonfolge(cue).empty(), !toene) << n;
    device.clear();
    if (n < 0 || n > 24) continue;
    EXPECT_EQ(Dauer(Tonfolge(cue)), dauer[cue]) << "cue " << cue;
    for (const Tone& t : Tonfolge(cue)) EXPECT_TRUE(t.ms > 0 && t.hz > 0) << "cue " << cue;
    EXPECT_THAT(test::checkCueSignal(renderTones(Tonfolge(cue)), Tonfolge(cue)), IsEmpty()) << cue;
  }
  // What the palette's loops and compositions promise.
  const std::vector<Tone> fanfare = Tonfolge(11), durchgang(fanfare.begin(), fanfare.begin() + 3);
  EXPECT_EQ(fanfare, durchgang + durchgang + durchgang);  // three passes, each ending in its pause
  EXPECT_EQ(durchgang[2].hz, Pausenton);
  std::vector<Tone> reihe;  // 2000 Hz up to 3000 Hz in steps of 200, each tone followed by a pause
  for (int32_t hz = 2000; hz <= 3000; hz += 200) reihe = reihe + std::vector<Tone>{{hz, 30}, {Pausenton, 300}};
  EXPECT_EQ(Tonfolge(14), reihe);
  EXPECT_EQ(Tonfolge(24), Tonfolge(22) + std::vector<Tone>({{Pausenton, 50}}) + Tonfolge(23));
}

// Edges come from whole milliseconds, so a long cue does not drift; pause tones and tones
// of no length or frequency are silence. The signal check finds what it is there to find,
// or the capture tests prove nothing.
TEST(Tonfolge, RenderingAndTheSignalCheck) {
  std::vector<Tone> lang;
  for (int32_t i = 0; i < 200; ++i) lang = lang + std::vector<Tone>{{1234 + 7 * i, 23}, {Pausenton, 17}};
  EXPECT_THAT(test::checkCueSignal(renderTones(lang), lang), IsEmpty());
  const auto still = [](const std::vector<int16_t>& x) { return std::count(x.begin(), x.end(), 0) == std::ssize(x); };
  EXPECT_TRUE(still(renderTones({{24000, 10}, {0, 10}})) && renderTones({{24000, 10}}).size() == 480);
  EXPECT_FALSE(still(renderTones({{23999, 10}})));
  EXPECT_TRUE(renderTones({{1000, 0}, {1000, -5}}).empty());

  const std::vector<Tone> soll = {{120, 60}, {Pausenton, 50}, {1000, 60}, {1100, 60}};
  const auto x = renderTones(soll);
  EXPECT_THAT(test::checkCueSignal(x, soll), IsEmpty());
  for (const auto& falsch : std::vector<std::vector<Tone>>{
           {{120, 60}, {Pausenton, 50}, {1000, 60}, {1100, 61}}, {{120, 60}, {Pausenton, 50}, {1030, 60}, {1100, 60}},
           {{120, 57}, {Pausenton, 53}, {1000, 60}, {1100, 60}}, {{120, 60}, {Pausenton, 53}, {1000, 57}, {1100, 60}},
           {{120, 60}, {Pausenton, 50}, {1000, 63}, {1100, 57}}}) {
    EXPECT_THAT(test::checkCueSignal(renderTones(falsch), soll), Not(IsEmpty())) << falsch[3].ms;
  }
  const std::function<void(std::vector<int16_t>&)> verderben[] = {
      [](auto& y) { for (auto& v : y) v = int16_t(v * 2); },
      [](auto& y) { y[70 * 48] = 1; },       // sound in the pause
      [](auto& y) { y[30 * 48 + 20] = 0; },  // a dropout
      [](auto& y) { for (int n = 0; n < 48; ++n) y[n] = int16_t(8231 * std::cos(2 * std::numbers::pi * 120 * n / 48000)); }};  // no fade
  for (size_t i = 0; i < std::size(verderben); ++i) {
    auto y = x;
    verderben[i](y);
    EXPECT_THAT(test::checkCueSignal(y, soll), Not(IsEmpty())) << "corruption " << i;
  }
}

}  // namespace
}  // namespace paarix
