#pragma once

#include <cstdint>
#include <vector>

#include "mixer/setter/mmsystem.h"

// Stands in for the system mixer in tests: every mixerSetControlDetails call
// is recorded as the mixer saw it, and answered with a chosen result.
namespace recording_mixer {

struct Call {
  HMIXEROBJ mixer;
  DWORD flags;
  MIXERCONTROLDETAILS details;  // paDetails is only valid during the call
  DWORD value;
};

const std::vector<Call>& Calls();
// The levels written so far, as the signed values the window passed in.
std::vector<std::int32_t> Levels();
void Clear();
// What the next calls return; MMSYSERR_NOERROR until set.
void SetResult(MMRESULT result);

}  // namespace recording_mixer
