#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "AlsaTestConfig.h"
#include "AlsaToneDevice.h"
#include "CuePlayer.h"
#include "SignalCheck.h"
#include "Ton.h"
#include "Tonfolge.h"

namespace paarix {
namespace {

using testing::IsEmpty;
using Clock = std::chrono::steady_clock;

long elapsedMs(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class AlsaCapture : public testing::Test {
 protected:
  void SetUp() override { test::useAlsaConfig(configs.capture()); }

  // Opens the capture device, plays the cues one after the other on it, closes it and
  // returns the samples it wrote. Each cue must last at least its nominal duration.
  std::vector<int16_t> capture(const std::vector<int16_t>& cues) {
    const auto wav = configs.path() / "capture.wav";
    test::captureInto(wav);
    {
      auto device = AlsaToneDevice::open();
      if (!device) {
        ADD_FAILURE() << "the capture device did not open";
        return {};
      }
      for (int16_t cue : cues) {
        const auto start = Clock::now();
        Ton(cue, *device);
        EXPECT_GE(elapsedMs(start), Dauer(Tonfolge(cue))) << "cue " << cue << " ended early";
      }
    }
    const auto file = test::readWav(wav);
    if (!file) {
      ADD_FAILURE() << "no WAV file captured";
      return {};
    }
    EXPECT_EQ(file->formatTag, 1);
    EXPECT_EQ(file->channels, 1);
    EXPECT_EQ(file->sampleRate, 48000);
    EXPECT_EQ(file->bitsPerSample, 16);
    return file->samples;
  }

  test::AlsaConfigDir configs;
};

class AlsaCaptureOfCue : public AlsaCapture, public testing::WithParamInterface<int> {};

TEST_P(AlsaCaptureOfCue, HoldsExactlyTheCueAtItsNominalLength) {
  const auto cue = static_cast<int16_t>(GetParam());
  const std::vector<int16_t> samples = capture({cue});
  EXPECT_EQ(samples.size(), static_cast<size_t>(Dauer(Tonfolge(cue))) * 48);
  EXPECT_THAT(test::checkCueSignal(samples, Tonfolge(cue)), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryCue, AlsaCaptureOfCue,
                         testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21,
                                         22, 23, 24));

// The device stays open from cue to cue: later cues follow the first seamlessly, and cues
// without tones add nothing.
TEST_F(AlsaCapture, SeveralCuesOnOneOpenDeviceFollowEachOtherExactly) {
  const std::vector<int16_t> cues = {8, 19, 12, 9, -1, 21};
  std::vector<Tone> all;
  for (int16_t cue : cues) {
    const auto tones = Tonfolge(cue);
    all.insert(all.end(), tones.begin(), tones.end());
  }
  EXPECT_THAT(test::checkCueSignal(capture(cues), all), IsEmpty());
}

// The path the game takes: the device chosen at start-up, cues played on the audio thread.
TEST_F(AlsaCapture, StartUpPicksTheAlsaDeviceAndTheAudioThreadPlaysThrough) {
  const auto wav = configs.path() / "player.wav";
  test::captureInto(wav);
  testing::internal::CaptureStderr();
  auto device = openToneDevice();
  EXPECT_THAT(testing::internal::GetCapturedStderr(), IsEmpty());
  ASSERT_NE(dynamic_cast<AlsaToneDevice*>(device.get()), nullptr);
  {
    CuePlayer player(std::move(device));
    const auto start = Clock::now();
    player.Ton(15);
    EXPECT_GE(elapsedMs(start), 250);
    player.Ton(16);
  }
  const auto file = test::readWav(wav);
  ASSERT_TRUE(file);
  std::vector<Tone> both = Tonfolge(15);
  both.push_back(Tonfolge(16)[0]);
  EXPECT_THAT(test::checkCueSignal(file->samples, both), IsEmpty());
}

// No sound card: start-up falls back to silence, says so once, and libasound's own
// complaints stay off the terminal. Cues keep their durations.
TEST_F(AlsaCapture, MissingDeviceFallsBackToSilenceWithOneNotice) {
  test::useAlsaConfig(configs.missing());
  test::finishesWithin(std::chrono::seconds(30), [] {
    testing::internal::CaptureStderr();
    auto device = openToneDevice();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_THAT(said, testing::HasSubstr("stumm"));
    EXPECT_NE(dynamic_cast<SilentToneDevice*>(device.get()), nullptr);
    EXPECT_EQ(AlsaToneDevice::open(), nullptr);

    CuePlayer player(std::move(device));
    const auto start = Clock::now();
    player.Ton(9);
    player.Ton(17);
    EXPECT_GE(elapsedMs(start), 30 + 760);
  });
}

}  // namespace
}  // namespace paarix
