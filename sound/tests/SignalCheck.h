#pragma once

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <sstream>

#include "Tonfolge.h"

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
  std::vector<std::string> fehler;
  const auto melde = [&](size_t i, const auto&... was) {
    std::ostringstream text;
    ((text << "tone " << i << ": ") << ... << was), fehler.push_back(text.str());
  };
  if (std::ssize(x) != int64_t{Dauer(tones)} * 48) return melde(0, "sample count ", x.size()), fehler;
  const double a = 32767 * std::pow(10.0, -12.0 / 20);  // the peak of a tone
  const auto pegel = [&](int64_t von, int64_t bis) {  // the peak of a sine with the same RMS
    double summe = 0;
    for (int64_t n = von; n < bis; ++n) summe += static_cast<double>(x[n]) * x[n];
    return std::sqrt(2 * summe / static_cast<double>(bis - von));
  };
  const auto hz = [&](size_t i) { return i < tones.size() && tones[i].hz > 0 && tones[i].hz < 24000 ? tones[i].hz : 0; };
  std::vector<double> sprung(x.size(), 4.0);  // the steepest step a faded sine may take there
  for (int64_t i = 0, b = 0, e = 0; i < std::ssize(tones); ++i, b = e) {
    e = b + std::max(tones[i].ms, 0) * 48;
    int64_t erst = b, letzt = e;  // the first sound, one past the last
    while (erst < e && x[erst] == 0) ++erst;
    while (letzt > b && x[letzt - 1] == 0) --letzt;
    if (hz(i) == 0 && erst != e) melde(i, "a pause holds sound at ", erst / 48.0, " ms");
    if (hz(i) == 0 || e == b) continue;
    std::fill(sprung.begin() + b, sprung.begin() + e, a * (2 * std::sin(std::numbers::pi * hz(i) / 48000) + 0.02) + 4);
    if (const double db = 20 * std::log10(pegel(b + 144, e - 144) / a); std::abs(db) > 1) melde(i, "level ", db, " dB");
    std::vector<double> null;  // zero crossings, placed by linear interpolation
    for (int64_t n = b + 145; n < e - 144; ++n)
      if ((x[n - 1] < 0) != (x[n] < 0)) null.push_back(n - 1 + x[n - 1] / double(x[n - 1] - x[n]));
    const double f = null.size() < 3 ? 0 : (null.size() - 1) / 2.0 / (null.back() - null.front()) * 48000;
    if (std::abs(f / hz(i) - 1) > 0.02) melde(i, "frequency ", f, ", expected ", hz(i));
    if (std::max(pegel(b, b + 48), pegel(e - 48, e)) > a / 4) melde(i, "no fade at its edges");
    // Edges: after silence the first sound, before silence the last, between two tones the
    // quietest two milliseconds around the boundary.
    if ((i == 0 || hz(i - 1) == 0) && erst > b + 96) melde(i, "starts at ", erst / 48.0, " ms");
    if (hz(i + 1) == 0 && letzt < e - 96) melde(i, "ends at ", letzt / 48.0, " ms");
    int64_t mitte = e;
    for (int64_t k = e - 192; hz(i + 1) != 0 && k <= e + 192; k += 48)
      if (pegel(k - 48, k + 48) < pegel(mitte - 48, mitte + 48)) mitte = k;
    if (std::abs(mitte - e) > 96) melde(i, "meets the next tone at ", mitte / 48.0, " ms");
  }
  for (size_t n = 1; n < x.size(); ++n)
    if (std::abs(x[n] - x[n - 1]) > std::max(sprung[n], sprung[n - 1])) return melde(n, "a click at sample ", n), fehler;
  return fehler;
}

struct WavFile { std::vector<int16_t> samples; };

// A 16-bit mono 48 kHz PCM WAV file; nullopt for anything else.
inline std::optional<WavFile> readWav(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string d{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const auto zahl = [&](size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(d[at + i]);
    return v;
  };
  const size_t fmt = d.find("fmt "), data = d.find("data");
  if (d.compare(0, 4, "RIFF") != 0 || fmt == std::string::npos || data == std::string::npos ||
      zahl(fmt + 8, 2) != 1 || zahl(fmt + 10, 2) != 1 || zahl(fmt + 12, 4) != 48000 || zahl(fmt + 22, 2) != 16)
    return std::nullopt;
  WavFile wav{std::vector<int16_t>(std::min<size_t>(zahl(data + 4, 4), d.size() - data - 8) / 2)};
  for (size_t i = 0; i < wav.samples.size(); ++i) wav.samples[i] = static_cast<int16_t>(zahl(data + 8 + 2 * i, 2));
  return wav;
}

}  // namespace paarix::test
