// Faults of a real ALSA device in the middle of play. The test program puts its own
// snd_pcm_open, snd_pcm_writei and snd_pcm_drain in front of libasound's: they pass
// through to the real ones until a test tells them to fail.
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>

#include "AlsaTestConfig.h"
#include "AlsaToneDevice.h"
#include "SignalCheck.h"
#include "Ton.h"
#include "Tonfolge.h"

namespace {

struct Faults {
  std::atomic<int> openError{0};        // returned by every open while set
  std::atomic<int> writeError{0};       // returned by writes while set ...
  std::atomic<long> writeErrorAfter{0};  // ... once this many frames have gone through
  std::atomic<int> writeErrorTimes{-1};  // how often; -1 for ever
  std::atomic<int> drainError{0};
  std::atomic<int> opens{0};
  std::atomic<long> framesWritten{0};

  void clear() {
    openError = 0;
    writeError = 0;
    writeErrorAfter = 0;
    writeErrorTimes = -1;
    drainError = 0;
  }
} faults;

template <typename F>
F real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
  static const auto next = real<int (*)(snd_pcm_t**, const char*, snd_pcm_stream_t, int)>("snd_pcm_open");
  ++faults.opens;
  if (const int error = faults.openError) return error;
  return next(pcm, name, stream, mode);
}

extern "C" snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size) {
  static const auto next =
      real<snd_pcm_sframes_t (*)(snd_pcm_t*, const void*, snd_pcm_uframes_t)>("snd_pcm_writei");
  if (const int error = faults.writeError; error != 0 && faults.writeErrorTimes != 0) {
    const long room = faults.writeErrorAfter - faults.framesWritten;
    if (room <= 0) {
      if (faults.writeErrorTimes > 0) --faults.writeErrorTimes;
      return error;
    }
    size = std::min<snd_pcm_uframes_t>(size, static_cast<snd_pcm_uframes_t>(room));
  }
  const snd_pcm_sframes_t n = next(pcm, buffer, size);
  if (n > 0) faults.framesWritten += n;
  return n;
}

extern "C" int snd_pcm_drain(snd_pcm_t* pcm) {
  static const auto next = real<int (*)(snd_pcm_t*)>("snd_pcm_drain");
  if (const int error = faults.drainError) return error;
  return next(pcm);
}

namespace paarix {
namespace {

using testing::IsEmpty;
using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

long elapsedMs(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class AlsaFault : public testing::Test {
 protected:
  void SetUp() override {
    faults.clear();
    faults.framesWritten = 0;
    test::useAlsaConfig(configs.capture());
    test::captureInto(configs.path() / "first.wav");
    device = AlsaToneDevice::open();
    ASSERT_NE(device, nullptr);
  }
  void TearDown() override { faults.clear(); }

  // Plays the cue and checks that it took at least its nominal time.
  void playTimed(int16_t cue) {
    const auto start = Clock::now();
    Ton(cue, *device);
    EXPECT_GE(elapsedMs(start), Dauer(Tonfolge(cue))) << "cue " << cue << " ended early";
  }

  std::vector<int16_t> closeAndRead(const std::filesystem::path& wav) {
    device.reset();
    const auto file = test::readWav(wav);
    if (!file) {
      ADD_FAILURE() << "nothing captured in " << wav;
      return {};
    }
    return file->samples;
  }

  test::AlsaConfigDir configs;
  std::unique_ptr<AlsaToneDevice> device;
};

// An underrun reported during the write is recovered and the whole cue still gets out.
TEST_F(AlsaFault, UnderrunDuringTheWriteIsRecovered) {
  faults.writeError = -EPIPE;
  faults.writeErrorAfter = 2000;
  faults.writeErrorTimes = 1;
  test::finishesWithin(seconds(30), [&] { playTimed(17); });
  EXPECT_TRUE(device->isOpen());
  EXPECT_EQ(faults.framesWritten, 760 * 48);
  EXPECT_THAT(test::checkCueSignal(closeAndRead(configs.path() / "first.wav"), Tonfolge(17)), IsEmpty());
}

// The device vanishes halfway through a write: the cue keeps its time in silence, the loss
// is reported once, and the next cue opens the device again and plays in full.
TEST_F(AlsaFault, DeviceLostDuringAWriteIsReopenedForTheNextCue) {
  faults.writeError = -ENODEV;
  faults.writeErrorAfter = 10000;
  testing::internal::CaptureStderr();
  test::finishesWithin(seconds(30), [&] { playTimed(17); });
  EXPECT_FALSE(device->isOpen());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

  faults.clear();
  test::captureInto(configs.path() / "second.wav");
  test::finishesWithin(seconds(30), [&] { playTimed(12); });
  EXPECT_TRUE(device->isOpen());
  EXPECT_THAT(test::checkCueSignal(closeAndRead(configs.path() / "second.wav"), Tonfolge(12)), IsEmpty());
}

TEST_F(AlsaFault, DeviceLostWhileDrainingIsReopenedForTheNextCue) {
  faults.drainError = -ENODEV;
  testing::internal::CaptureStderr();
  test::finishesWithin(seconds(30), [&] { playTimed(15); });
  EXPECT_FALSE(device->isOpen());
  EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("stumm"));

  faults.clear();
  test::captureInto(configs.path() / "second.wav");
  test::finishesWithin(seconds(30), [&] { playTimed(9); });
  EXPECT_TRUE(device->isOpen());
  EXPECT_THAT(test::checkCueSignal(closeAndRead(configs.path() / "second.wav"), Tonfolge(9)), IsEmpty());
}

// Gone for good: every cue still lasts its time, nothing hangs, the loss is reported
// once, and reopening is tried again only after a pause, not before every cue.
TEST_F(AlsaFault, DeviceGoneForGoodPlaysSilentlyAndRetriesSparingly) {
  faults.writeError = -ENODEV;
  faults.openError = -ENODEV;
  const int opensBefore = faults.opens;
  testing::internal::CaptureStderr();
  test::finishesWithin(seconds(60), [&] {
    for (int16_t cue : {int16_t{9}, int16_t{8}, int16_t{16}, int16_t{12}, int16_t{9}}) playTimed(cue);
  });
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_FALSE(device->isOpen());
  // One attempt right after the loss; the next is due only after the reopen interval.
  EXPECT_EQ(faults.opens - opensBefore, 1);
}

}  // namespace
}  // namespace paarix
