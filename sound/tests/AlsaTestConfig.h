#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace paarix::test {

// A private directory with two ALSA configurations. Pointing ALSA_CONFIG_PATH at one of
// them replaces the whole system configuration, whatever sound servers run:
// - capture.conf: the default PCM writes every sample into the WAV file named by the
//   environment variable CAPTURE and sends it on to a null device that takes it at once;
// - missing.conf: the default PCM names a device that does not exist, so opening it fails
//   (and libasound would complain about it on stderr).
class AlsaConfigDir {
 public:
  AlsaConfigDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "paarix-sound-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary directory");
    dir_ = pattern;
    std::ofstream(capture()) << "pcm.!default {\n"
                                "  type file\n"
                                "  slave.pcm { type null }\n"
                                "  file { @func getenv vars [ CAPTURE ] default \"/dev/null\" }\n"
                                "  format \"wav\"\n"
                                "  truncate true\n"
                                "}\n";
    std::ofstream(missing()) << "pcm.!default {\n"
                                "  type plug\n"
                                "  slave.pcm \"nowhere\"\n"
                                "}\n";
  }
  ~AlsaConfigDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  AlsaConfigDir(const AlsaConfigDir&) = delete;
  AlsaConfigDir& operator=(const AlsaConfigDir&) = delete;

  const std::filesystem::path& path() const { return dir_; }
  std::filesystem::path capture() const { return dir_ / "capture.conf"; }
  std::filesystem::path missing() const { return dir_ / "missing.conf"; }

 private:
  std::filesystem::path dir_;
};

inline void useAlsaConfig(const std::filesystem::path& config) {
  setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
}

inline void captureInto(const std::filesystem::path& wav) { setenv("CAPTURE", wav.c_str(), 1); }

// Runs `work` and fails the test, ending the program, if it has not returned within
// `limit`: a hang must show up as a failure, not as a stuck test run.
inline void finishesWithin(std::chrono::seconds limit, const std::function<void()>& work) {
  std::packaged_task<void()> task(work);
  auto result = task.get_future();
  std::thread runner(std::move(task));
  if (result.wait_for(limit) == std::future_status::timeout) {
    ADD_FAILURE() << "still running after " << limit.count() << " s";
    std::fflush(nullptr);
    std::_Exit(1);
  }
  runner.join();
  result.get();
}

}  // namespace paarix::test
