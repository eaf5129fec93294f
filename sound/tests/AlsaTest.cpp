// The ALSA device for real. ALSA_CONFIG_PATH points at a configuration of the test's own,
// whatever sound servers run: the default PCM writes every sample into the WAV file named
// by $CAPTURE and passes it on to a null device, or it names a device that does not exist.
// ALSA faults come from AlsaFaults.h.
#include <gmock/gmock.h>

#include <future>

#include "AlsaToneDevice.h"
#include "CuePlayer.h"
#include "AlsaTestConfig.h"
#include "SignalCheck.h"
#include "Ton.h"
#define PAARIX_ALSA_FAULTS_DEFINE
#include "AlsaFaults.h"

namespace paarix {
namespace {

using testing::IsEmpty;
using Clock = std::chrono::steady_clock;
test::AlsaFaults& faults = test::alsaFaults;

class Alsa : public testing::Test {
 protected:
  void SetUp() override {
    faults.clear();
    test::useAlsaConfig(configs.capture());
    test::captureInto(wav);
  }
  // Plays the cue, which must take at least its nominal time and must not hang.
  void spiele(ToneDevice& device, int16_t cue) {
    auto fertig = std::async(std::launch::async, [&] {
      const auto start = Clock::now();
      return Ton(cue, device), Clock::now() - start;
    });
    ASSERT_EQ(fertig.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "cue " << cue << " hangs";
    EXPECT_GE(fertig.get(), std::chrono::milliseconds(Dauer(Tonfolge(cue)))) << "cue " << cue << " ended early";
  }
  // What the device wrote, against the tones it should have played.
  std::vector<std::string> aufnahme(const std::vector<Tone>& tones) const {
    return test::checkCueSignal(test::readWav(wav).value_or(test::WavFile{}).samples, tones);
  }
  // Opens the device, plays the cues on it one after the other, and checks the capture.
  void spieleUndPruefe(const std::vector<int16_t>& cues) {
    std::vector<Tone> alle;
    auto device = AlsaToneDevice::open();
    ASSERT_NE(device, nullptr);
    for (int16_t cue : cues) {
      const std::vector<Tone> tones = Tonfolge(cue);
      spiele(*device, cue), alle.insert(alle.end(), tones.begin(), tones.end());
    }
    device.reset();
    EXPECT_THAT(aufnahme(alle), IsEmpty()) << "cues " << testing::PrintToString(cues);
  }

  test::AlsaConfigDir configs;
  const std::filesystem::path wav = configs.path() / "capture.wav";
};

// Each cue alone comes out exactly: 48 samples per millisecond, its tones, silent pauses,
// no clicks. On a device that stays open, cues follow each other seamlessly and cues
// without tones add nothing. An underrun during the write is recovered and the whole cue
// still gets out.
TEST_F(Alsa, EveryCueIsCapturedExactly) {
  for (int16_t cue = 0; cue <= 24; ++cue) spieleUndPruefe({cue});
  spieleUndPruefe({8, 19, 12, 9, -1, 21});
  faults.writeError = -EPIPE, faults.writeErrorAfter = 2000, faults.writeErrorTimes = 1, faults.framesWritten = 0;
  spieleUndPruefe({17});
  EXPECT_EQ(faults.framesWritten, 760 * 48);
}

// Start-up picks ALSA, silently, and the audio thread plays through it. Without a sound
// card it falls back to silence with one notice of its own (none of libasound's), nothing
// hangs, and cues keep their durations.
TEST_F(Alsa, StartUpPicksTheDevice) {
  for (bool fehlt : {false, true}) {
    if (fehlt) test::useAlsaConfig(configs.missing());
    testing::internal::CaptureStderr();
    auto device = openToneDevice();
    const std::string gesagt = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(gesagt.begin(), gesagt.end(), '\n'), fehlt) << gesagt;
    EXPECT_EQ(gesagt.find("stumm") != std::string::npos, fehlt) << gesagt;
    ASSERT_EQ(dynamic_cast<AlsaToneDevice*>(device.get()) != nullptr, !fehlt);
    ASSERT_EQ(dynamic_cast<SilentToneDevice*>(device.get()) != nullptr, fehlt);
    if (!fehlt) CuePlayer(std::move(device)).Ton(15);
    EXPECT_THAT(aufnahme(Tonfolge(15)), IsEmpty());
  }
  EXPECT_EQ(AlsaToneDevice::open(), nullptr);
  for (int16_t cue : {9, 17}) spiele(*openToneDevice(), cue);
}

// The device is lost in the middle of a write or while draining: that cue keeps its time
// in silence, the loss is reported once, and the next cue opens the device again. Lost for
// good, every cue keeps its time and opening is tried again only after a pause.
TEST_F(Alsa, LostDevice) {
  for (auto* fehler : {&faults.writeError, &faults.drainError}) {
    auto device = AlsaToneDevice::open();
    ASSERT_NE(device, nullptr);
    *fehler = -ENODEV, faults.writeErrorAfter = faults.framesWritten + 10000;
    testing::internal::CaptureStderr();
    spiele(*device, 17), spiele(*device, 15);
    *fehler = 0;
    EXPECT_FALSE(device->isOpen());
    spiele(*device, 12);
    EXPECT_TRUE(device->isOpen());
    const std::string gesagt = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(gesagt.begin(), gesagt.end(), '\n'), 1) << gesagt;
    device.reset();
    EXPECT_THAT(aufnahme(Tonfolge(12)), IsEmpty());
  }
  auto device = AlsaToneDevice::open();
  faults.writeError = faults.openError = -ENODEV;
  const int opens = faults.opens;
  for (int16_t cue : {9, 8, 16, 12, 9}) spiele(*device, cue);
  EXPECT_EQ(faults.opens - opens, 1) << "one attempt right after the loss, the next after the reopen interval";
  EXPECT_FALSE(device->isOpen());
}

}  // namespace
}  // namespace paarix
