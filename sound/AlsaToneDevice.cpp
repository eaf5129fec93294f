#include "AlsaToneDevice.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "ToneRender.h"
#include "WaitUntil.h"

namespace paarix {

namespace {

using Clock = std::chrono::steady_clock;

// Buffer length asked of the device, in microseconds.
constexpr unsigned kBufferUs = 40000;
// A cue gives up on the device after this many failed writes it could recover from.
constexpr int kMaxRecoveries = 8;
// Or once it has run this long past its nominal end without getting its samples out.
constexpr std::chrono::seconds kWriteGrace{2};

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// libasound prints its own errors on stderr (a missing card gives a dozen lines). The
// program reports a missing device itself, once.
void silenceAlsaErrors() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&ignoreAlsaError); });
}

snd_pcm_t* openPcm(const std::string& name) {
  silenceAlsaErrors();
  snd_pcm_t* pcm = nullptr;
  // Non-blocking open: a device held by another program fails at once instead of waiting.
  if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kSampleRate,
                         1 /* allow resampling */, kBufferUs) < 0 ||
      snd_pcm_nonblock(pcm, 0) < 0) {
    snd_pcm_close(pcm);
    return nullptr;
  }
  return pcm;
}

// Writes all samples and waits until the device has played them. False when the device
// has failed for good.
bool writeAndDrain(snd_pcm_t* pcm, const std::vector<int16_t>& samples, Clock::time_point nominalEnd) {
  if (snd_pcm_prepare(pcm) < 0) return false;
  size_t written = 0;
  int recoveries = 0;
  while (written < samples.size()) {
    const snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples.data() + written, samples.size() - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (Clock::now() > nominalEnd + kWriteGrace) return false;
    if (n == -EAGAIN || n == 0) {
      snd_pcm_wait(pcm, 100);
      continue;
    }
    // Underrun (-EPIPE) and suspend (-ESTRPIPE) are recovered; anything else is fatal.
    if (++recoveries > kMaxRecoveries || snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) return false;
  }
  const int err = snd_pcm_drain(pcm);
  // An underrun or suspend at the very end loses at most the tail of the cue.
  return err >= 0 || snd_pcm_recover(pcm, err, 1) >= 0;
}

}  // namespace

std::unique_ptr<AlsaToneDevice> AlsaToneDevice::open(const std::string& name) {
  snd_pcm_t* pcm = openPcm(name);
  if (pcm == nullptr) return nullptr;
  return std::unique_ptr<AlsaToneDevice>(new AlsaToneDevice(name, pcm));
}

AlsaToneDevice::AlsaToneDevice(std::string name, snd_pcm_t* pcm) : name_(std::move(name)), pcm_(pcm) {}

AlsaToneDevice::~AlsaToneDevice() {
  if (pcm_ != nullptr) snd_pcm_close(pcm_);
}

void AlsaToneDevice::play(const std::vector<Tone>& tones) {
  const Clock::time_point start = Clock::now();
  const Clock::time_point nominalEnd = start + std::chrono::milliseconds(std::max<int32_t>(0, durationMs(tones)));
  const std::vector<int16_t> samples = renderTones(tones);
  if (!samples.empty()) {
    if (pcm_ == nullptr && start >= nextReopen_) {
      pcm_ = openPcm(name_);
      if (pcm_ == nullptr) nextReopen_ = start + kReopenInterval;
    }
    if (pcm_ != nullptr && !writeAndDrain(pcm_, samples, nominalEnd)) closeAfterFailure();
  }
  // Devices that take samples faster than real time return early: the cue still lasts
  // its nominal duration. So does a cue whose device failed.
  waitUntil(nominalEnd);
}

void AlsaToneDevice::closeAfterFailure() {
  snd_pcm_close(pcm_);
  pcm_ = nullptr;
  nextReopen_ = Clock::time_point{};  // the next cue tries once more straight away
  reportDeviceLost(lossReported_);
}

}  // namespace paarix
