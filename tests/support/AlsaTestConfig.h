#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace paarix::test {

// A private directory for ALSA configurations. Pointing ALSA_CONFIG_PATH at one replaces the
// whole system configuration, whatever sound servers run: with capture() the default PCM
// writes every sample into the WAV file wav() and passes it on to a null device that takes it
// at once; missing() names no file, so there is no default PCM at all.
struct AlsaConfigDir {
  AlsaConfigDir() {
    std::filesystem::create_directories(dir);
    std::ofstream(capture()) << "pcm.!default { type file slave.pcm { type null } format \"wav\" truncate true file "
                             << wav() << " }\n";
  }
  ~AlsaConfigDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  AlsaConfigDir(const AlsaConfigDir&) = delete;
  std::filesystem::path capture() const { return dir / "capture.conf"; }
  std::filesystem::path missing() const { return dir / "missing.conf"; }
  std::filesystem::path wav() const { return dir / "capture.wav"; }

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("paarix-sound-" + std::to_string(getpid()));
};

inline void useAlsaConfig(const std::filesystem::path& config) { setenv("ALSA_CONFIG_PATH", config.c_str(), 1); }

}  // namespace paarix::test
