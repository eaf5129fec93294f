#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Tonfolge.h"

namespace paarix::test {

// Checks rendered or captured 48 kHz mono samples against the tone list they should
// sound, without knowing how they were made:
// - exactly Dauer(tones) * 48 samples;
// - pause tones (at or above 24 kHz) are digital silence where the list puts them;
// - every audible tone has its frequency (within 2%), a level of -12 dBFS (within 1 dB),
//   and starts and ends within 2 ms of its place (so its length is right within 2 ms too);
// - no clicks: within 2 ms of each tone edge the signal stays under a raised-cosine fade
//   of at least 2 ms, and no two neighbouring samples differ by more than the tone's own
//   slope allows.
// Returns one line per problem found; empty when the samples are right.
std::vector<std::string> checkCueSignal(const std::vector<int16_t>& samples, const std::vector<Tone>& tones);

struct WavFile {
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
  int formatTag = 0;
  std::vector<int16_t> samples;
};

// Reads a PCM WAV file with 16-bit samples; nullopt when it is not one.
std::optional<WavFile> readWav(const std::filesystem::path& path);

}  // namespace paarix::test
