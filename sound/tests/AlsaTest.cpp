// The ALSA device for real. ALSA_CONFIG_PATH points at a configuration of the test's own,
// whatever sound servers run: the default PCM writes every sample into the WAV file named
// by $CAPTURE and passes it on to a null device, or it names a device that does not exist.
// The program's own snd_pcm_open, snd_pcm_writei and snd_pcm_drain stand in front of
// libasound's: they pass through until a test tells them to fail.
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gmock/gmock.h>

#include <atomic>
#include <future>

#include "AlsaToneDevice.h"
#include "CuePlayer.h"
#include "AlsaTestConfig.h"
#include "SignalCheck.h"
#include "Ton.h"

namespace {

struct {
  std::atomic<int> openError{0}, writeError{0}, drainError{0}, opens{0};
  std::atomic<long> writeErrorAfter{0}, framesWritten{0};  // a write fails once this many frames are through
  std::atomic<int> writeErrorTimes{-1};                    // how often; -1 for ever
} faults;

template <typename F>
F real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
  static const auto next = real<int (*)(snd_pcm_t**, const char*, snd_pcm_stream_t, int)>("snd_pcm_open");
  ++faults.opens;
  return faults.openError != 0 ? faults.openError.load() : next(pcm, name, stream, mode);
}

extern "C" snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size) {
  static const auto next = real<snd_pcm_sframes_t (*)(snd_pcm_t*, const void*, snd_pcm_uframes_t)>("snd_pcm_writei");
  if (faults.writeError != 0 && faults.writeErrorTimes != 0) {
    const long room = faults.writeErrorAfter - faults.framesWritten;
    if (room <= 0) return faults.writeErrorTimes > 0 ? --faults.writeErrorTimes : 0, faults.writeError.load();
    size = std::min<snd_pcm_uframes_t>(size, static_cast<snd_pcm_uframes_t>(room));
  }
  const snd_pcm_sframes_t n = next(pcm, buffer, size);
  faults.framesWritten += std::max<snd_pcm_sframes_t>(n, 0);
  return n;
}

extern "C" int snd_pcm_drain(snd_pcm_t* pcm) {
  static const auto next = real<int (*)(snd_pcm_t*)>("snd_pcm_drain");
  return faults.drainError != 0 ? faults.drainError.load() : next(pcm);
}

namespace paarix {
namespace {

using testing::IsEmpty;
using Clock = std::chrono::steady_clock;

class Alsa : public testing::Test {
 protected:
  void SetUp() override {
    faults.openError = faults.writeError = faults.drainError = 0;
    faults.writeErrorTimes = -1;
    test::useAlsaConfig(configs.capture());
    test::captureInto(wav);
  }

  // Plays the cue, which must take at least its nominal time and must not hang.
  void spiele(ToneDevice& device, int16_t cue) {
    auto fertig = std::async(std::launch::async, [&] {
      const auto start = Clock::now();
      Ton(cue, device);
      return Clock::now() - start;
    });
    ASSERT_EQ(fertig.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "cue " << cue << " hangs";
    EXPECT_GE(fertig.get(), std::chrono::milliseconds(Dauer(Tonfolge(cue)))) << "cue " << cue << " ended early";
  }
  // Opens the device, plays the cues on it one after the other, and checks the capture.
  void spieleUndPruefe(const std::vector<int16_t>& cues) {
    std::vector<Tone> alle;
    {
      const auto device = AlsaToneDevice::open();
      ASSERT_NE(device, nullptr);
      for (int16_t cue : cues) {
        spiele(*device, cue);
        const std::vector<Tone> tones = Tonfolge(cue);
        alle.insert(alle.end(), tones.begin(), tones.end());
      }
    }
    EXPECT_THAT(test::checkCueSignal(test::readWav(wav).value_or(test::WavFile{}).samples, alle), IsEmpty()) << "cues " << testing::PrintToString(cues);
  }

  test::AlsaConfigDir configs;
  const std::filesystem::path wav = configs.path() / "capture.wav";
};

// Each cue alone comes out exactly: 48 samples per millisecond, its tones, silent pauses,
// no clicks. On a device that stays open, cues follow each other seamlessly and cues
// without tones add nothing.
TEST_F(Alsa, EveryCueIsCapturedExactly) {
  for (int16_t cue = 0; cue <= 24; ++cue) spieleUndPruefe({cue});
  spieleUndPruefe({8, 19, 12, 9, -1, 21});
}

// The path the game takes: the device chosen at start-up, cues played on the audio thread.
TEST_F(Alsa, StartUpPicksAlsaAndTheAudioThreadPlaysThrough) {
  testing::internal::CaptureStderr();
  auto device = openToneDevice();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_NE(dynamic_cast<AlsaToneDevice*>(device.get()), nullptr);
  CuePlayer(std::move(device)).Ton(15);
  EXPECT_THAT(test::checkCueSignal(test::readWav(wav).value_or(test::WavFile{}).samples, Tonfolge(15)), IsEmpty());
}

// No sound card: start-up falls back to silence with one notice of its own (none of
// libasound's), nothing hangs, and cues keep their durations.
TEST_F(Alsa, MissingDeviceFallsBackToSilence) {
  test::useAlsaConfig(configs.missing());
  testing::internal::CaptureStderr();
  auto device = openToneDevice();
  const std::string gesagt = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(gesagt.begin(), gesagt.end(), '\n'), 1) << gesagt;
  EXPECT_THAT(gesagt, testing::HasSubstr("stumm"));
  ASSERT_NE(dynamic_cast<SilentToneDevice*>(device.get()), nullptr);
  EXPECT_EQ(AlsaToneDevice::open(), nullptr);
  for (int16_t cue : {9, 17}) spiele(*device, cue);
}

// An underrun during the write is recovered and the whole cue still gets out.
TEST_F(Alsa, UnderrunIsRecovered) {
  faults.writeError = -EPIPE, faults.writeErrorAfter = 2000, faults.writeErrorTimes = 1, faults.framesWritten = 0;
  spieleUndPruefe({17});
  EXPECT_EQ(faults.framesWritten, 760 * 48);
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
    EXPECT_THAT(test::checkCueSignal(test::readWav(wav).value_or(test::WavFile{}).samples, Tonfolge(12)), IsEmpty());
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
