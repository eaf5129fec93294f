#ifdef _WIN32

#include "WaveOutToneDevice.h"

#include <algorithm>

#include "ToneRender.h"
#include "WaitUntil.h"

namespace paarix {

using Clock = std::chrono::steady_clock;

std::unique_ptr<WaveOutToneDevice> WaveOutToneDevice::open(const WaveOutFunctions& winmm) {
  std::unique_ptr<WaveOutToneDevice> device(new WaveOutToneDevice(winmm));
  if (device->done_ == nullptr || !device->openWave()) return nullptr;
  return device;
}

WaveOutToneDevice::WaveOutToneDevice(const WaveOutFunctions& winmm)
    : winmm_(winmm), done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

WaveOutToneDevice::~WaveOutToneDevice() {
  if (wave_ != nullptr) winmm_.reset(wave_), winmm_.close(wave_);
  if (done_ != nullptr) CloseHandle(done_);
}

bool WaveOutToneDevice::openWave() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = kSampleRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = kSampleRate * 2;
  HWAVEOUT wave = nullptr;
  if (winmm_.open(&wave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done_), 0, CALLBACK_EVENT) !=
      MMSYSERR_NOERROR)
    return false;
  wave_ = wave;
  return true;
}

void WaveOutToneDevice::play(const std::vector<Tone>& tones) {
  const Clock::time_point start = Clock::now();
  const Clock::time_point nominalEnd = start + std::chrono::milliseconds(std::max<int32_t>(0, durationMs(tones)));
  std::vector<int16_t> samples = renderTones(tones);
  if (!samples.empty()) {
    if (wave_ == nullptr && start >= nextReopen_ && !openWave()) nextReopen_ = start + kReopenInterval;
    if (wave_ != nullptr && !writeAndWait(samples, nominalEnd)) closeAfterFailure();
  }
  // The device may hand the buffer back before its sound has died away, and a cue whose
  // device failed plays nothing: the cue still lasts its nominal duration.
  waitUntil(nominalEnd);
}

// Writes the cue as one buffer and waits until winmm has played it. False when the device
// refused it or did not finish in time; the buffer is then back with the program.
bool WaveOutToneDevice::writeAndWait(std::vector<int16_t>& samples, Clock::time_point nominalEnd) {
  WAVEHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(samples.data());
  header.dwBufferLength = static_cast<DWORD>(samples.size() * sizeof(int16_t));
  if (winmm_.prepare(wave_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
  ResetEvent(done_);
  bool played = winmm_.write(wave_, &header, sizeof header) == MMSYSERR_NOERROR;
  const Clock::time_point giveUp = nominalEnd + kDoneGrace;
  // The event is set for every buffer winmm returns: the header's flag says whether it
  // was this one.
  while (played && (header.dwFlags & WHDR_DONE) == 0) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(giveUp - Clock::now()).count();
    if (left <= 0)
      played = false;
    else
      WaitForSingleObject(done_, static_cast<DWORD>(left));
  }
  if (!played) winmm_.reset(wave_);  // hands the buffer back before it goes away
  winmm_.unprepare(wave_, &header, sizeof header);
  return played;
}

void WaveOutToneDevice::closeAfterFailure() {
  winmm_.close(wave_);
  wave_ = nullptr;
  nextReopen_ = Clock::time_point{};  // the next cue tries once more straight away
  reportDeviceLost(lossReported_);
}

}  // namespace paarix

#endif
