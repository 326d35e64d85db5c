#pragma once

#include <cstdint>
#include <vector>

// Stands in for the system mixer in every test program linked with it: it is
// installed before main(), so no test's level reaches the machine's mixer.
// What it records has passed the setter's checks of device, control and
// record: the levels, as the mixer took them, and it answers as told.
namespace recording_mixer {

// The levels written so far, as the signed values the window passed in.
std::vector<std::int32_t> Levels();
void Clear();
// Whether the next writes are taken; they are until told otherwise.
void SetAccepting(bool accepting);

}  // namespace recording_mixer
