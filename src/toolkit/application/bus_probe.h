#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "process/environment_change.h"

namespace toolkit {

// Where the buses are, as the environment names them: the session bus's
// address (DBUS_SESSION_BUS_ADDRESS), the accessibility bus's when it is
// fixed (AT_SPI_BUS_ADDRESS), and the runtime folder whose "bus" is the
// session bus when no address is given (XDG_RUNTIME_DIR).
struct BusAddresses {
  std::optional<std::string> session;
  std::optional<std::string> accessibility;
  std::optional<std::string> runtime_dir;
};
BusAddresses BusAddressesOfEnvironment();

// Qt's accessibility bridge, and its desktop settings, talk to the session
// bus on the GUI thread and wait there for answers (25 s a call): a bus that
// is stopped or never answers would hold the window before it is shown, and
// a stopped accessibility registry would freeze it once shown. So before the
// toolkit starts, the buses are asked, within `budget` in all, whether they
// answer: the session bus, the accessibility bus and its registry. A bus
// that is absent or refuses is left alone (the toolkit finds that out at
// once itself); one that stays silent, or whose queue of clients is full,
// is kept from the toolkit for the run: the advice says why, and holds the
// variables that keep it away, for the entry to put in place.
process::EnvironmentAdvice KeepToolkitOffSilentBuses(const BusAddresses& addresses,
                                                     std::chrono::milliseconds budget);

}  // namespace toolkit
