// The ALSA device for real, on the test's own configuration, with faults on demand.
#include <gmock/gmock.h>

#include "AlsaTestConfig.h"
#include "AlsaToneDevice.h"
#include "SignalCheck.h"
#define PAARIX_ALSA_FAULTS_DEFINE
#include "AlsaFaults.h"

namespace paarix {
namespace {

using test::playCue;
using testing::IsEmpty;
test::AlsaFaults& faults = test::alsaFaults;

struct Alsa : testing::Test {
  void SetUp() override { faults.clear(), test::useAlsaConfig(configs.capture()); }
  // What the device wrote, against the tones of the cues it should have played.
  std::vector<std::string> captured(const std::vector<int16_t>& cues) const {
    std::vector<Tone> tones;
    for (int16_t cue : cues)
      for (const Tone& tone : cueTones(cue)) tones.push_back(tone);
    return test::checkCueSignal(test::readWav(configs.wav()), tones);
  }
  test::AlsaConfigDir configs;
};

// Start-up picks ALSA silently; every cue comes out exactly and seamlessly on one open device,
// cues without tones add nothing, and an underrun is recovered.
TEST_F(Alsa, EveryCueIsCapturedExactly) {
  std::vector<int16_t> cues = {19, -1};
  for (int16_t cue = 0; cue <= 24; ++cue) cues.push_back(cue);
  for (const bool underrun : {false, true}) {
    if (underrun) cues = {17}, faults.writeError = -EPIPE, faults.writeErrorAfter = 2000, faults.writeErrorTimes = 1;
    faults.framesWritten = 0;
    std::unique_ptr<ToneDevice> device;
    EXPECT_EQ(test::stderrLines([&] { device = openToneDevice(); }), 0);
    ASSERT_NE(dynamic_cast<AlsaToneDevice*>(device.get()), nullptr);
    for (int16_t cue : cues) playCue(*device, cue);
    device.reset();
    EXPECT_THAT(captured(cues), IsEmpty()) << underrun;
  }
  EXPECT_EQ(faults.framesWritten, 760 * 48);
}

// Lost while writing or draining: the cue keeps its time, one report, the next cue reopens;
// lost for good, reopening waits; no card at all gives silence with one notice.
TEST_F(Alsa, LostDevice) {
  for (auto* error : {&faults.writeError, &faults.drainError}) {
    auto device = AlsaToneDevice::open();
    ASSERT_NE(device, nullptr);
    *error = -ENODEV, faults.writeErrorAfter = faults.framesWritten + 10000;
    EXPECT_EQ(test::stderrLines([&] { playCue(*device, 17), playCue(*device, 15), *error = 0; }), 1);
    EXPECT_FALSE(device->isOpen());
    playCue(*device, 12);
    EXPECT_TRUE(device->isOpen());
    device.reset();
    EXPECT_THAT(captured({12}), IsEmpty());
  }
  auto device = AlsaToneDevice::open();
  faults.writeError = faults.openError = -ENODEV;
  const int opens = faults.opens;
  for (int16_t cue : {9, 8, 16, 12, 9}) playCue(*device, cue);
  EXPECT_EQ(faults.opens - opens, 1) << "one attempt right after the loss, the next after the reopen interval";
  EXPECT_FALSE(device->isOpen());
  test::useAlsaConfig(configs.missing()), faults.clear();
  std::unique_ptr<ToneDevice> silent;
  EXPECT_EQ(test::stderrLines([&] { silent = openToneDevice(); }), 1);
  EXPECT_NE(dynamic_cast<SilentToneDevice*>(silent.get()), nullptr);
  EXPECT_EQ(AlsaToneDevice::open(), nullptr);
}

}  // namespace
}  // namespace paarix
