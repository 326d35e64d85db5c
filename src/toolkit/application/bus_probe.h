#pragma once

#include <chrono>
#include <string>

namespace toolkit {

// Qt's accessibility bridge, and its desktop settings, talk to the session
// bus on the GUI thread and wait there for answers (25 s a call): a bus that
// is stopped or never answers would hold the window before it is shown, and
// a stopped accessibility registry would freeze it once shown. So before the
// toolkit starts, the buses are asked, within `budget` in all, whether they
// answer: the session bus, the accessibility bus and its registry. A bus
// that is absent or refuses is left alone (the toolkit finds that out at
// once itself); one that stays silent is kept from the toolkit for the run.
// Returns why, in a line for the user, or nothing when all is well.
std::string KeepToolkitOffSilentBuses(std::chrono::milliseconds budget);

}  // namespace toolkit
