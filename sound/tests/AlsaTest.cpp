// The ALSA device for real, on a configuration of the test's own whatever sound servers
// run (AlsaTestConfig.h), with faults on demand (AlsaFaults.h).
#include <gmock/gmock.h>

#include "AlsaTestConfig.h"
#include "AlsaToneDevice.h"
#include "SignalCheck.h"
#include "Ton.h"
#define PAARIX_ALSA_FAULTS_DEFINE
#include "AlsaFaults.h"

namespace paarix {
namespace {

using testing::IsEmpty;
test::AlsaFaults& faults = test::alsaFaults;

// Plays the cue, which must take at least its nominal time.
void play(ToneDevice& device, int16_t cue) {
  const auto start = std::chrono::steady_clock::now();
  Ton(cue, device);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(durationMs(cueTones(cue)))) << cue;
}

struct Alsa : testing::Test {
  void SetUp() override { faults.clear(), test::useAlsaConfig(configs.capture()), test::captureInto(wav); }
  // What the device wrote, against the tones of the cues it should have played.
  std::vector<std::string> captured(const std::vector<int16_t>& cues) const {
    std::vector<Tone> tones;
    for (int16_t cue : cues) for (const Tone& tone : cueTones(cue)) tones.push_back(tone);
    return test::checkCueSignal(test::readWav(wav).value_or(test::WavFile{}).samples, tones);
  }
  // Opens the device as start-up does, plays the cues on it one after the other, and checks
  // the capture.
  void playAndCheck(const std::vector<int16_t>& cues) {
    testing::internal::CaptureStderr();
    auto device = openToneDevice();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(dynamic_cast<AlsaToneDevice*>(device.get()), nullptr);
    for (int16_t cue : cues) play(*device, cue);
    device.reset();
    EXPECT_THAT(captured(cues), IsEmpty()) << testing::PrintToString(cues);
  }
  test::AlsaConfigDir configs;
  const std::filesystem::path wav = configs.path() / "capture.wav";
};

// Start-up picks ALSA without a word. Each cue alone comes out exactly: 48 samples per
// millisecond, its tones, silent pauses, no clicks. On a device that stays open, cues
// follow each other seamlessly and cues without tones add nothing. An underrun during the
// write is recovered and the whole cue still gets out.
TEST_F(Alsa, EveryCueIsCapturedExactly) {
  for (int16_t cue = 0; cue <= 24; ++cue) playAndCheck({cue});
  playAndCheck({8, 19, 12, 9, -1, 21});
  faults.writeError = -EPIPE, faults.writeErrorAfter = 2000, faults.writeErrorTimes = 1, faults.framesWritten = 0;
  playAndCheck({17});
  EXPECT_EQ(faults.framesWritten, 760 * 48);
}

// The device is lost in the middle of a write or while draining: that cue keeps its time
// in silence, the loss is reported once, and the next cue opens the device again. Lost for
// good, every cue keeps its time and opening is tried again only after a pause. Without a
// sound card, start-up falls back to silence with one notice (none of libasound's).
TEST_F(Alsa, LostDevice) {
  for (auto* error : {&faults.writeError, &faults.drainError}) {
    auto device = AlsaToneDevice::open();
    ASSERT_NE(device, nullptr);
    *error = -ENODEV, faults.writeErrorAfter = faults.framesWritten + 10000;
    testing::internal::CaptureStderr();
    play(*device, 17), play(*device, 15);
    *error = 0;
    EXPECT_FALSE(device->isOpen());
    play(*device, 12);
    EXPECT_TRUE(device->isOpen());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    device.reset();
    EXPECT_THAT(captured({12}), IsEmpty());
  }
  auto device = AlsaToneDevice::open();
  faults.writeError = faults.openError = -ENODEV;
  const int opens = faults.opens;
  for (int16_t cue : {9, 8, 16, 12, 9}) play(*device, cue);
  EXPECT_EQ(faults.opens - opens, 1) << "one attempt right after the loss, the next after the reopen interval";
  EXPECT_FALSE(device->isOpen());
  test::useAlsaConfig(configs.missing()), faults.clear();
  testing::internal::CaptureStderr();
  EXPECT_NE(dynamic_cast<SilentToneDevice*>(openToneDevice().get()), nullptr);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_EQ(AlsaToneDevice::open(), nullptr);
}

}  // namespace
}  // namespace paarix
