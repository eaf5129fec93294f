// waveOut (Windows) failing: stand-ins for the winmm functions.
#include <gmock/gmock.h>

#include "SignalCheck.h"
#include "Tongeber.h"
#include "WaveOutToneDevice.h"

namespace paarix {
namespace {

using test::playCue;

constexpr int16_t kCueWithPauses = 17;
constexpr int16_t kCueWithAHighTone = 12;

// A waveOut that plays each buffer at once, unless a test makes it refuse to open, or
// refuse the buffer or keep it for ever.
struct FakeWaveOut {
  enum Write { plays, refuses, keeps };
  static inline HANDLE done = nullptr;
  static inline MMRESULT openResult = MMSYSERR_NOERROR;
  static inline Write write = plays;
  static inline int opens = 0;
  static inline int resets = 0;
  static inline int closes = 0;

  static WaveOutFunctions functions() {
    WaveOutFunctions f;
    f.open = [](LPHWAVEOUT wave, UINT, LPCWAVEFORMATEX, DWORD_PTR event, DWORD_PTR, DWORD) {
      ++opens;
      *wave = reinterpret_cast<HWAVEOUT>(1);
      done = reinterpret_cast<HANDLE>(event);
      return openResult;
    };
    f.prepare = [](HWAVEOUT, LPWAVEHDR, UINT) -> MMRESULT { return MMSYSERR_NOERROR; };
    f.unprepare = f.prepare;
    f.write = [](HWAVEOUT, LPWAVEHDR header, UINT) -> MMRESULT {
      if (write == refuses) return MMSYSERR_NODRIVER;
      if (write == plays) {
        header->dwFlags |= WHDR_DONE;
        SetEvent(done);
      }
      return MMSYSERR_NOERROR;
    };
    f.reset = [](HWAVEOUT) -> MMRESULT {
      ++resets;
      return MMSYSERR_NOERROR;
    };
    f.close = [](HWAVEOUT) -> MMRESULT {
      ++closes;
      return MMSYSERR_NOERROR;
    };
    return f;
  }
};

// A refused or never returned buffer: the cue keeps its time, the device is reset and closed,
// one report, the next cue reopens. Lost for good, reopening waits.
TEST(WaveOut, LostDeviceReopens) {
  auto device = WaveOutToneDevice::open(FakeWaveOut::functions());
  ASSERT_NE(device, nullptr);
  const long reports = test::stderrLines([&] {
    for (const auto write : {FakeWaveOut::refuses, FakeWaveOut::refuses, FakeWaveOut::keeps}) {
      FakeWaveOut::write = write;
      playCue(*device, kCueWithPauses);
      EXPECT_FALSE(device->isOpen()) << write;
    }
  });
  EXPECT_EQ(reports, 1);
  FakeWaveOut::write = FakeWaveOut::plays;
  playCue(*device, kCueWithAHighTone);
  EXPECT_TRUE(device->isOpen());
  EXPECT_EQ(FakeWaveOut::opens, 4);
  EXPECT_EQ(FakeWaveOut::resets, 3);
  EXPECT_EQ(FakeWaveOut::closes, 3);
  FakeWaveOut::write = FakeWaveOut::refuses;
  FakeWaveOut::openResult = MMSYSERR_NODRIVER;
  for (int16_t cue : {Cue::ErsteKarte, Cue::Abgelehnt, Cue::Ungleich}) playCue(*device, cue);
  EXPECT_EQ(FakeWaveOut::opens, 5) << "one attempt right after the loss, the next after the reopen interval";
}

}  // namespace
}  // namespace paarix
