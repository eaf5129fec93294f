// Writes the samples of every cue of the palette, as the program plays them (16-bit
// mono 48 kHz, little-endian), into FOLDER/NAME.raw: NAME is the cue's name where the
// game has one (ErsteKarte, Paar, ...), else its number. The scenario replayers find
// the cues in a capture of the program's sound by these samples.
//   cue_samples FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "CueTones.h"
#include "ToneRender.h"
#include "Tongeber.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: cue_samples FOLDER\n", stderr);
    return 2;
  }
  const std::map<int16_t, std::string> names = {{paarix::Cue::Abgelehnt, "Abgelehnt"},
                                                {paarix::Cue::ErsteKarte, "ErsteKarte"},
                                                {paarix::Cue::Paar, "Paar"},
                                                {paarix::Cue::Ungleich, "Ungleich"}};
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  for (int16_t cue = 0; cue <= 24; ++cue) {
    const std::vector<int16_t> samples = paarix::renderTones(paarix::cueTones(cue));
    if (samples.empty()) continue;
    const auto name = names.contains(cue) ? names.at(cue) : std::to_string(cue);
    std::ofstream(folder / (name + ".raw"), std::ios::binary)
        .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
  }
  return 0;
}
