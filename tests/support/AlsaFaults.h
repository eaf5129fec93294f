// ALSA that fails on demand: the test program's own snd_pcm_open and snd_pcm_writei stand in
// front of libasound's and pass through to them until a test sets a fault. Only one file of a
// program includes this.
#pragma once
#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>

namespace paarix::test {

struct AlsaFaults {
  // Errors are returned while set; a write fails once framesWritten has reached writeErrorAfter,
  // writeErrorTimes times (-1 for ever).
  std::atomic<int> openError{0};
  std::atomic<int> writeError{0};
  std::atomic<int> writeErrorTimes{-1};
  std::atomic<long> writeErrorAfter{0};
  std::atomic<long> framesWritten{0};
  std::atomic<int> opens{0};

  void clear() {
    openError = 0;
    writeError = 0;
    writeErrorTimes = -1;
    framesWritten = 0;
  }
};
inline AlsaFaults alsaFaults;

}  // namespace paarix::test

#define PAARIX_NEXT_ALSA(name) static const auto next = reinterpret_cast<decltype(&name)>(dlsym(RTLD_NEXT, #name))

extern "C" int snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
  PAARIX_NEXT_ALSA(snd_pcm_open);
  auto& f = paarix::test::alsaFaults;
  ++f.opens;
  if (f.openError != 0) return f.openError;
  return next(pcm, name, stream, mode);
}

extern "C" snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size) {
  PAARIX_NEXT_ALSA(snd_pcm_writei);
  auto& f = paarix::test::alsaFaults;
  if (f.writeError != 0 && f.writeErrorTimes != 0) {
    const long room = f.writeErrorAfter - f.framesWritten;
    if (room <= 0) {
      if (f.writeErrorTimes > 0) --f.writeErrorTimes;
      return f.writeError;
    }
    size = std::min<snd_pcm_uframes_t>(size, static_cast<snd_pcm_uframes_t>(room));
  }
  const snd_pcm_sframes_t n = next(pcm, buffer, size);
  if (n > 0) f.framesWritten += n;
  return n;
}
