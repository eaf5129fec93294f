#pragma once

#include <cstdint>

#include "ToneDevice.h"

namespace paarix {

// Plays cue `cue` on `device` and returns when its last tone has ended. Cue 19 and numbers
// outside 0..24 play nothing and return at once.
void Ton(int16_t cue, ToneDevice& device);

}  // namespace paarix
