#pragma once

#include <cstdint>

#include "mixer/setter/mmsystem.h"

// Writes `level` unchanged to the control of `control` on mixer device
// `mixer`. Returns true when the mixer accepted it.
bool SetMixerLevel(std::int32_t mixer, const MIXERCONTROL& control, std::int32_t level);
