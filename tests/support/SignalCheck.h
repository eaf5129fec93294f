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
#include <sstream>
#include <string>
#include <vector>

#include "ToneDevice.h"

namespace paarix {
inline void PrintTo(const Tone& tone, std::ostream* os) { *os << tone.hz << " Hz " << tone.ms << " ms"; }
}  // namespace paarix

namespace paarix::test {

// Checks 48 kHz mono samples against the tones they should sound, without knowing how they
// were made; returns one line per problem. Exactly 48 samples per nominal millisecond;
// pauses (24 kHz and up) are digital silence; each audible tone has its frequency within
// 2 % and a level of -12 dBFS within 1 dB, starts and ends within 2 ms of its place, fades
// in and out, and no two neighbouring samples jump further than a faded sine can.
inline std::vector<std::string> checkCueSignal(const std::vector<int16_t>& x, const std::vector<Tone>& tones) {
  std::vector<std::string> problems;
  const auto report = [&](size_t i, const auto&... what) {
    std::ostringstream text;
    text << "tone " << i << ": ";
    (text << ... << what);
    problems.push_back(text.str());
  };
  if (std::ssize(x) != int64_t{durationMs(tones)} * 48) {
    report(0, "sample count ", x.size());
    return problems;
  }
  const double a = 32767 * std::pow(10.0, -12.0 / 20);  // the peak of a tone
  const auto level = [&](int64_t from, int64_t to) {    // the peak of a sine with the same RMS
    double sum = 0;
    for (int64_t n = from; n < to; ++n) sum += static_cast<double>(x[n]) * x[n];
    return std::sqrt(2 * sum / static_cast<double>(to - from));
  };
  const auto hz = [&](size_t i) {
    return i < tones.size() && tones[i].hz > 0 && tones[i].hz < 24000 ? tones[i].hz : 0;
  };
  std::vector<double> step(x.size(), 4.0);  // the steepest step a faded sine may take there
  for (int64_t i = 0, b = 0, e = 0; i < std::ssize(tones); ++i, b = e) {
    e = b + std::max(tones[i].ms, 0) * 48;
    int64_t first = b, last = e;  // the first sound, one past the last
    while (first < e && x[first] == 0) ++first;
    while (last > b && x[last - 1] == 0) --last;
    if (hz(i) == 0 && first != e) report(i, "a pause holds sound at ", first / 48.0, " ms");
    if (hz(i) == 0 || e == b) continue;
    std::fill(step.begin() + b, step.begin() + e, a * (2 * std::sin(std::numbers::pi * hz(i) / 48000) + 0.02) + 4);
    if (const double db = 20 * std::log10(level(b + 144, e - 144) / a); std::abs(db) > 1)
      report(i, "level ", db, " dB");
    std::vector<double> crossings;  // zero crossings, placed by linear interpolation
    for (int64_t n = b + 145; n < e - 144; ++n)
      if ((x[n - 1] < 0) != (x[n] < 0)) crossings.push_back(n - 1 + x[n - 1] / double(x[n - 1] - x[n]));
    const double f =
        crossings.size() < 3 ? 0 : (crossings.size() - 1) / 2.0 / (crossings.back() - crossings.front()) * 48000;
    if (std::abs(f / hz(i) - 1) > 0.02) report(i, "frequency ", f, ", expected ", hz(i));
    if (std::max(level(b, b + 48), level(e - 48, e)) > a / 4) report(i, "no fade at its edges");
    // Edges: the first and the last sound, and between two tones the quietest two
    // milliseconds around the boundary.
    if (first > b + 96 || last < e - 96) report(i, "sounds from ", first / 48.0, " to ", last / 48.0, " ms");
    int64_t middle = e;
    for (int64_t k = e - 192; hz(i + 1) != 0 && k <= e + 192; k += 48)
      if (level(k - 48, k + 48) < level(middle - 48, middle + 48)) middle = k;
    if (std::abs(middle - e) > 96) report(i, "meets the next tone at ", middle / 48.0, " ms");
  }
  for (size_t n = 1; n < x.size(); ++n) {
    if (std::abs(x[n] - x[n - 1]) > std::max(step[n], step[n - 1])) {
      report(n, "a click at sample ", n);
      break;
    }
  }
  return problems;
}

// The samples of a WAV file as ALSA's file plugin writes it: the 44-byte header of 16-bit
// mono 48 kHz PCM, then the samples. Nothing for anything else.
inline std::vector<int16_t> readWav(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string d{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string format("\x01\x00\x01\x00\x80\xbb\x00\x00\x00\x77\x01\x00\x02\x00\x10\x00", 16);
  if (d.size() < 44 || d.compare(0, 4, "RIFF") != 0 || d.compare(20, 16, format) != 0 || d.compare(36, 4, "data") != 0)
    return {};
  std::vector<int16_t> samples((d.size() - 44) / 2);
  std::memcpy(samples.data(), d.data() + 44, samples.size() * 2);  // little-endian, as the host
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
