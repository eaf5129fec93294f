#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "ToneDevice.h"
#include "ToneRender.h"

namespace paarix {
inline void PrintTo(const Tone& tone, std::ostream* os) { *os << tone.hz << " Hz " << tone.ms << " ms"; }
}  // namespace paarix

namespace paarix::test {

// What is wrong with 48 kHz mono samples that should sound `tones`; "" when nothing is. Exactly
// 48 samples per nominal millisecond; a pause (24 kHz and up, or no positive frequency) is
// silence; an audible tone is, from 3 ms after its start to 3 ms before its end, the sine of its
// frequency at -12 dBFS begun with the tone, to rounding; nearer its edges it is no louder than
// that sine, and it starts and ends in silence (no click).
inline std::string cueSignalProblem(const std::vector<int16_t>& x, const std::vector<Tone>& tones) {
  if (std::ssize(x) != int64_t{durationMs(tones)} * 48) return "sample count " + std::to_string(x.size());
  const double peak = 32767 * std::pow(10.0, -12.0 / 20);
  int64_t b = 0;
  for (size_t i = 0; i < tones.size(); ++i) {
    const int64_t e = b + std::max(tones[i].ms, 0) * 48;
    const int32_t hz = tones[i].hz > 0 && tones[i].hz < 24000 ? tones[i].hz : 0;
    for (int64_t n = b; n < e; ++n) {
      const double sine = peak * std::sin(2 * std::numbers::pi * hz * double(n - b) / 48000);
      const bool nearEdge = n < b + 144 || n >= e - 144;
      const bool edge = n == b || n == e - 1;
      const bool wrong =
          nearEdge ? std::abs(x[n]) > std::abs(sine) + 1 || (edge && std::abs(x[n]) > 16) : std::abs(x[n] - sine) > 1;
      if (wrong) return "tone " + std::to_string(i) + " sample " + std::to_string(n - b) + ": " + std::to_string(x[n]);
    }
    b = e;
  }
  return "";
}

// The samples of a WAV file as ALSA's file plugin writes it, after its 44-byte header;
// nothing for a file that is no RIFF file.
inline std::vector<int16_t> readWav(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string d{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (d.size() < 44 || d.compare(0, 4, "RIFF") != 0) return {};
  std::vector<int16_t> samples((d.size() - 44) / 2);
  std::memcpy(samples.data(), d.data() + 44, samples.size() * 2);  // little-endian, as the host
  return samples;
}

// The samples of the cues, one after the other, as a device that plays them writes them.
inline std::vector<int16_t> samplesOf(const std::vector<int16_t>& cues) {
  std::vector<int16_t> samples;
  for (int16_t cue : cues) {
    const std::vector<int16_t> one = renderTones(cueTones(cue));
    samples.insert(samples.end(), one.begin(), one.end());
  }
  return samples;
}

// Runs `play` for the cue, which must take at least the cue's nominal time; by default the cue's
// tones on `device` (nothing for a cue without tones, as CuePlayer does).
inline void playCue(int16_t cue, const std::function<void()>& play) {
  const auto start = std::chrono::steady_clock::now();
  play();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(durationMs(cueTones(cue)))) << cue;
}
inline void playCue(ToneDevice& device, int16_t cue) {
  playCue(cue, [&] {
    const std::vector<Tone> tones = cueTones(cue);
    if (!tones.empty()) device.play(tones);
  });
}

// How many lines `run` writes on stderr.
inline long stderrLines(const std::function<void()>& run) {
  testing::internal::CaptureStderr();
  run();
  const std::string said = testing::internal::GetCapturedStderr();
  return std::count(said.begin(), said.end(), '\n');
}

}  // namespace paarix::test
