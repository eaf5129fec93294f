#pragma once

#include <cstdint>

namespace paarix {

// The cues the game and the window request; the sound palette holds the tones of
// every cue number from 0 to 24.
namespace Cue {
inline constexpr int16_t Abgelehnt = 8;   // the cell under the caret holds no face-down card
inline constexpr int16_t ErsteKarte = 9;  // a first card turned; also a view key in the field
inline constexpr int16_t Paar = 11;       // the second card matches the first
inline constexpr int16_t Ungleich = 16;   // the second card differs from the first
}  // namespace Cue

// Plays a numbered sound cue and returns when it has ended.
class Tongeber {
 public:
  virtual ~Tongeber() = default;
  virtual void Ton(int16_t cue) = 0;
};

}  // namespace paarix
