// The ALSA device for real, on the test's own configuration, with faults on demand.
#include <gmock/gmock.h>

#include "AlsaTestConfig.h"
#include "AlsaToneDevice.h"
#include "SignalCheck.h"
#include "ToneRender.h"
#include "Tongeber.h"
#define PAARIX_ALSA_FAULTS_DEFINE
#include "AlsaFaults.h"

namespace paarix {
namespace {

using test::playCue;
using testing::IsEmpty;
test::AlsaFaults& faults = test::alsaFaults;

constexpr int16_t kLastCue = 24;
constexpr int16_t kCueWithoutTones = 19;
constexpr int16_t kCueWithPauses = 17;     // 760 ms: five tones, two of them pauses
constexpr int16_t kCueWithAHighTone = 12;  // its middle tone is at 20 kHz

struct Alsa : testing::Test {
  void SetUp() override {
    faults.clear();
    test::useAlsaConfig(configs.capture());
  }
  // What the device wrote, against the tones of the cues it should have played.
  std::vector<std::string> captured(const std::vector<int16_t>& cues) const {
    std::vector<Tone> tones;
    for (int16_t cue : cues) {
      for (const Tone& tone : cueTones(cue)) tones.push_back(tone);
    }
    return test::checkCueSignal(test::readWav(configs.wav()), tones);
  }
  test::AlsaConfigDir configs;
};

// Start-up picks ALSA silently; every cue comes out exactly and seamlessly on one open device,
// and cues without tones add nothing.
TEST_F(Alsa, EveryCueIsCapturedExactly) {
  std::vector<int16_t> cues = {kCueWithoutTones, -1};
  for (int16_t cue = 0; cue <= kLastCue; ++cue) cues.push_back(cue);
  std::unique_ptr<ToneDevice> device;
  EXPECT_EQ(test::stderrLines([&] { device = openToneDevice(); }), 0);
  ASSERT_NE(dynamic_cast<AlsaToneDevice*>(device.get()), nullptr);
  for (int16_t cue : cues) playCue(*device, cue);
  device.reset();
  EXPECT_THAT(captured(cues), IsEmpty());
}

// An underrun in the middle of a cue is recovered: the cue comes out whole, written once.
TEST_F(Alsa, UnderrunIsRecovered) {
  faults.writeError = -EPIPE;
  faults.writeErrorAfter = 2000;
  faults.writeErrorTimes = 1;
  faults.framesWritten = 0;
  auto device = AlsaToneDevice::open();
  ASSERT_NE(device, nullptr);
  playCue(*device, kCueWithPauses);
  device.reset();
  EXPECT_THAT(captured({kCueWithPauses}), IsEmpty());
  EXPECT_EQ(faults.framesWritten, durationMs(cueTones(kCueWithPauses)) * kFramesPerMs);
}

// Lost while writing or draining: the cue keeps its time, one report, the next cue reopens.
TEST_F(Alsa, LostDeviceReopens) {
  for (auto* error : {&faults.writeError, &faults.drainError}) {
    auto device = AlsaToneDevice::open();
    ASSERT_NE(device, nullptr);
    *error = -ENODEV;
    faults.writeErrorAfter = faults.framesWritten + 10000;
    const long reports = test::stderrLines([&] {
      playCue(*device, kCueWithPauses);
      playCue(*device, Cue::ErsteKarte);
      *error = 0;
    });
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(device->isOpen());
    playCue(*device, kCueWithAHighTone);
    EXPECT_TRUE(device->isOpen());
    device.reset();
    EXPECT_THAT(captured({kCueWithAHighTone}), IsEmpty());
  }
}

// Lost for good, reopening waits; no card at all gives silence with one notice.
TEST_F(Alsa, LostForGood) {
  auto device = AlsaToneDevice::open();
  ASSERT_NE(device, nullptr);
  faults.writeError = -ENODEV;
  faults.openError = -ENODEV;
  const int opens = faults.opens;
  for (int16_t cue : {Cue::ErsteKarte, Cue::Abgelehnt, Cue::Ungleich, Cue::ErsteKarte}) playCue(*device, cue);
  EXPECT_EQ(faults.opens - opens, 1) << "one attempt right after the loss, the next after the reopen interval";
  EXPECT_FALSE(device->isOpen());
  test::useAlsaConfig(configs.missing());
  faults.clear();
  std::unique_ptr<ToneDevice> silent;
  EXPECT_EQ(test::stderrLines([&] { silent = openToneDevice(); }), 1);
  EXPECT_NE(dynamic_cast<SilentToneDevice*>(silent.get()), nullptr);
  EXPECT_EQ(AlsaToneDevice::open(), nullptr);
}

}  // namespace
}  // namespace paarix
