// The ALSA device for real, on the test's own configuration, with faults on demand.
#include <gmock/gmock.h>

#include "AlsaFaults.h"
#include "AlsaTestConfig.h"
#include "AlsaToneDevice.h"
#include "SignalCheck.h"
#include "Tongeber.h"

namespace paarix {
namespace {

using test::playCue;
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
  // Whether the device wrote exactly the samples of `cues`.
  bool captured(const std::vector<int16_t>& cues) const {
    return test::readWav(configs.wav()) == test::samplesOf(cues);
  }
  test::AlsaConfigDir configs;
};

// Start-up picks ALSA silently; every cue comes out exactly and seamlessly on one open device,
// also across an underrun in the middle of a cue, and cues without tones add nothing.
TEST_F(Alsa, EveryCueIsCapturedExactly) {
  std::vector<int16_t> cues = {kCueWithoutTones, -1};
  for (int16_t cue = 0; cue <= kLastCue; ++cue) cues.push_back(cue);
  std::unique_ptr<ToneDevice> device;
  EXPECT_EQ(test::stderrLines([&] { device = openToneDevice(); }), 0);
  ASSERT_NE(dynamic_cast<AlsaToneDevice*>(device.get()), nullptr);
  faults.writeError = -EPIPE;
  faults.writeErrorAfter = 2000;
  faults.writeErrorTimes = 1;
  for (int16_t cue : cues) playCue(*device, cue);
  device.reset();
  EXPECT_TRUE(captured(cues));
}

// Lost while writing: the cue keeps its time, one report, the next cue reopens. Lost for good,
// reopening waits. No card at all gives silence with one notice.
TEST_F(Alsa, LostDeviceReopens) {
  auto device = AlsaToneDevice::open();
  ASSERT_NE(device, nullptr);
  faults.writeError = -ENODEV;
  faults.writeErrorAfter = 10000;
  const long reports = test::stderrLines([&] {
    playCue(*device, kCueWithPauses);
    playCue(*device, Cue::ErsteKarte);
  });
  EXPECT_EQ(reports, 1);
  EXPECT_FALSE(device->isOpen());
  faults.writeError = 0;
  playCue(*device, kCueWithAHighTone);
  EXPECT_TRUE(device->isOpen());

  faults.writeError = -ENODEV;
  faults.openError = -ENODEV;
  const int opens = faults.opens;
  for (int16_t cue : {Cue::ErsteKarte, Cue::Abgelehnt, Cue::Ungleich}) playCue(*device, cue);
  EXPECT_EQ(faults.opens - opens, 1) << "one attempt right after the loss, the next after the reopen interval";
  device.reset();
  EXPECT_TRUE(captured({kCueWithAHighTone}));

  test::useAlsaConfig(configs.missing());
  faults.clear();
  std::unique_ptr<ToneDevice> silent;
  EXPECT_EQ(test::stderrLines([&] { silent = openToneDevice(); }), 1);
  EXPECT_NE(dynamic_cast<SilentToneDevice*>(silent.get()), nullptr);
}

}  // namespace
}  // namespace paarix
