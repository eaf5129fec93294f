#include "SignalCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>

namespace paarix::test {

namespace {

constexpr int64_t kRate = 48000;
constexpr int64_t kPerMs = 48;
constexpr int64_t kTolerance = 2 * kPerMs;  // 2 ms
constexpr int64_t kMinFade = 2 * kPerMs;    // a fade of at least 2 ms
constexpr int64_t kEdgeSearch = 4 * kPerMs;
constexpr double kExpectedDb = -12.0;

struct Segment {
  int32_t hz;
  int64_t begin;  // first frame
  int64_t end;    // one past the last frame
  bool audible() const { return hz > 0 && int64_t{hz} * 2 < kRate; }
};

std::string frames(int64_t n) {
  std::ostringstream text;
  text << n << " (" << static_cast<double>(n) / kPerMs << " ms)";
  return text.str();
}

double peak(const std::vector<int16_t>& x, int64_t begin, int64_t end) {
  int peakValue = 0;
  for (int64_t n = std::max<int64_t>(begin, 0); n < std::min<int64_t>(end, std::ssize(x)); ++n)
    peakValue = std::max(peakValue, std::abs(int{x[n]}));
  return peakValue;
}

// Frequency from the zero crossings in [begin, end), each placed by linear interpolation.
std::optional<double> crossingFrequency(const std::vector<int16_t>& x, int64_t begin, int64_t end) {
  std::vector<double> crossings;
  int64_t last = -1;  // index of the last non-zero sample
  for (int64_t n = begin; n < end; ++n) {
    if (x[n] == 0) continue;
    if (last >= 0 && (x[last] > 0) != (x[n] > 0)) {
      const double a = std::abs(x[last]);
      const double b = std::abs(x[n]);
      crossings.push_back(static_cast<double>(last) + a / (a + b) * static_cast<double>(n - last));
    }
    last = n;
  }
  if (crossings.size() < 3) return std::nullopt;
  const double span = crossings.back() - crossings.front();
  return static_cast<double>(crossings.size() - 1) / 2.0 / (span / kRate);
}

// The greatest |sample| within `halfWidth` of n.
double envelope(const std::vector<int16_t>& x, int64_t n, int64_t halfWidth) {
  return peak(x, n - halfWidth, n + halfWidth + 1);
}

// Where the fade out of one audible tone meets the fade in of the next: the lowest point
// of the envelope near the nominal boundary. The envelope is taken over a window of 1 ms:
// wide enough to hold a full period of tones from 1 kHz up, and for lower tones still
// narrow enough that their own zero crossings never dip as low as the two fades do.
int64_t measuredBoundary(const std::vector<int16_t>& x, const Segment& a, const Segment& b) {
  constexpr int64_t halfWidth = kPerMs / 2;
  const int64_t from = std::max(a.end - kEdgeSearch, a.begin + halfWidth);
  const int64_t to = std::min(a.end + kEdgeSearch, b.end - halfWidth);
  double lowest = 1e9;
  int64_t firstLowest = a.end;
  int64_t lastLowest = a.end;
  for (int64_t n = from; n <= to; ++n) {
    const double e = envelope(x, n, halfWidth);
    if (e < lowest) {
      lowest = e;
      firstLowest = lastLowest = n;
    } else if (e == lowest) {
      lastLowest = n;
    }
  }
  return (firstLowest + lastLowest) / 2;
}

double fadeBound(int64_t k) {
  if (k >= kMinFade) return 1.0;
  return 0.5 * (1.0 - std::cos(std::numbers::pi * static_cast<double>(k) / kMinFade));
}

class Checker {
 public:
  Checker(const std::vector<int16_t>& x, const std::vector<Tone>& tones) : x_(x) {
    int64_t ms = 0;
    for (const Tone& tone : tones) {
      if (tone.ms <= 0) continue;
      segments_.push_back({tone.hz, ms * kPerMs, (ms + tone.ms) * kPerMs});
      ms += tone.ms;
    }
    expectedFrames_ = ms * kPerMs;
  }

  std::vector<std::string> run() {
    if (std::ssize(x_) != expectedFrames_) {
      problem() << "sample count " << x_.size() << ", expected " << expectedFrames_;
      return finish();
    }
    for (size_t i = 0; i < segments_.size(); ++i) {
      if (segments_[i].audible()) {
        checkTone(i);
      } else {
        checkPause(i);
      }
    }
    checkNeighbourJumps();
    return finish();
  }

 private:
  std::ostringstream& problem() {
    problems_.emplace_back();
    return problems_.back();
  }

  std::vector<std::string> finish() const {
    std::vector<std::string> lines;
    for (const auto& text : problems_) lines.push_back(text.str());
    return lines;
  }

  void checkPause(size_t i) {
    const Segment& s = segments_[i];
    for (int64_t n = s.begin; n < s.end; ++n) {
      if (x_[n] != 0) {
        problem() << "tone " << i << " is a pause but frame " << frames(n) << " holds " << x_[n];
        break;
      }
    }
  }

  double tonePeak(size_t i) const {
    const Segment& s = segments_[i];
    return peak(x_, s.begin + 3 * kPerMs, s.end - 3 * kPerMs);
  }

  void checkTone(size_t i) {
    const Segment& s = segments_[i];
    const int64_t innerBegin = s.begin + 3 * kPerMs;
    const int64_t innerEnd = s.end - 3 * kPerMs;

    const double level = tonePeak(i);
    const double db = level > 0 ? 20.0 * std::log10(level / 32767.0) : -200.0;
    if (std::abs(db - kExpectedDb) > 1.0) problem() << "tone " << i << " peaks at " << db << " dBFS";

    const std::optional<double> hz = crossingFrequency(x_, innerBegin, innerEnd);
    if (!hz) {
      problem() << "tone " << i << " (" << s.hz << " Hz) has no measurable frequency";
    } else if (std::abs(*hz / s.hz - 1.0) > 0.02) {
      problem() << "tone " << i << " should be " << s.hz << " Hz but measures " << *hz << " Hz";
    }

    const int64_t on = measuredStart(i);
    const int64_t off = measuredEnd(i);
    if (std::abs(on - s.begin) > kTolerance)
      problem() << "tone " << i << " starts at frame " << frames(on) << ", expected " << frames(s.begin);
    if (std::abs(off - s.end) > kTolerance)
      problem() << "tone " << i << " ends at frame " << frames(off) << ", expected " << frames(s.end);
    if (std::abs((off - on) - (s.end - s.begin)) > kTolerance)
      problem() << "tone " << i << " lasts " << frames(off - on) << ", expected " << frames(s.end - s.begin);

    // Fades: close to either edge the signal must stay under a 2 ms raised cosine.
    for (int64_t k = 0; k < kMinFade; ++k) {
      const double bound = (level + 2.0) * 1.01 * fadeBound(k) + 2.0;
      if (std::abs(x_[s.begin + k]) > bound) {
        problem() << "no fade in (a click) at the start of tone " << i << ": frame " << frames(s.begin + k) << " holds "
                  << x_[s.begin + k];
        break;
      }
    }
    for (int64_t k = 1; k <= kMinFade; ++k) {
      const double bound = (level + 2.0) * 1.01 * fadeBound(k) + 2.0;
      if (std::abs(x_[s.end - k]) > bound) {
        problem() << "no fade out (a click) at the end of tone " << i << ": frame " << frames(s.end - k) << " holds "
                  << x_[s.end - k];
        break;
      }
    }
  }

  // First frame of tone i: after silence the first sound, between two tones the dip.
  int64_t measuredStart(size_t i) const {
    const Segment& s = segments_[i];
    if (i > 0 && segments_[i - 1].audible()) return measuredBoundary(x_, segments_[i - 1], s);
    for (int64_t n = (i == 0 ? 0 : s.begin); n < s.end; ++n)
      if (x_[n] != 0) return n;
    return s.end;
  }

  int64_t measuredEnd(size_t i) const {
    const Segment& s = segments_[i];
    if (i + 1 < segments_.size() && segments_[i + 1].audible()) return measuredBoundary(x_, s, segments_[i + 1]);
    for (int64_t n = s.end - 1; n >= s.begin; --n)
      if (x_[n] != 0) return n + 1;
    return s.begin;
  }

  // The steepest step a faded sine of this segment can take between two samples.
  double slopeLimit(size_t i) const {
    const Segment& s = segments_[i];
    if (!s.audible()) return 0.0;
    const double level = tonePeak(i) + 2.0;
    return level * (2.0 * std::sin(std::numbers::pi * s.hz / kRate) + std::numbers::pi / (2.0 * kMinFade)) + 4.0;
  }

  void checkNeighbourJumps() {
    std::vector<double> limits;
    for (size_t i = 0; i < segments_.size(); ++i) limits.push_back(slopeLimit(i));
    size_t segment = 0;
    int reported = 0;
    for (int64_t n = 0; n + 1 < std::ssize(x_) && reported < 5; ++n) {
      while (n >= segments_[segment].end) ++segment;
      double limit = limits[segment];
      if (n + 1 >= segments_[segment].end && segment + 1 < segments_.size())
        limit = std::max(limit, limits[segment + 1]);
      const int jump = std::abs(int{x_[n + 1]} - int{x_[n]});
      if (jump > limit) {
        problem() << "click between frames " << frames(n) << " and " << n + 1 << ": a step of " << jump
                  << " where at most " << limit << " fits";
        ++reported;
      }
    }
  }

  const std::vector<int16_t>& x_;
  std::vector<Segment> segments_;
  int64_t expectedFrames_ = 0;
  std::vector<std::ostringstream> problems_;
};

uint32_t le32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::vector<std::string> checkCueSignal(const std::vector<int16_t>& samples, const std::vector<Tone>& tones) {
  return Checker(samples, tones).run();
}

std::optional<WavFile> readWav(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
      std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE")
    return std::nullopt;
  WavFile wav;
  bool haveFormat = false;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
    const size_t size = le32(&bytes[at + 4]);
    const size_t body = at + 8;
    if (id == "fmt " && size >= 16 && body + 16 <= bytes.size()) {
      wav.formatTag = le16(&bytes[body]);
      wav.channels = le16(&bytes[body + 2]);
      wav.sampleRate = static_cast<int>(le32(&bytes[body + 4]));
      wav.bitsPerSample = le16(&bytes[body + 14]);
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat || wav.bitsPerSample != 16 || body + size > bytes.size()) return std::nullopt;
      wav.samples.resize(size / 2);
      for (size_t i = 0; i < wav.samples.size(); ++i)
        wav.samples[i] = static_cast<int16_t>(le16(&bytes[body + 2 * i]));
      return wav;
    }
    at = body + size + (size & 1);
  }
  return std::nullopt;
}

}  // namespace paarix::test
