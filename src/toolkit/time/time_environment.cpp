#include "toolkit/time/time_environment.h"

#include <utility>

namespace toolkit {

namespace {

// The toolkit lives on the GUI thread: no lock.
struct Installed {
  TimeEnvironment environment;
  bool fixed = false;
};

Installed& Slot() {
  static Installed slot;
  return slot;
}

}  // namespace

bool InstallTime(TimeEnvironment environment) {
  Installed& slot = Slot();
  if (slot.fixed) return false;
  slot.environment = std::move(environment);
  slot.fixed = true;
  return true;
}

const TimeEnvironment& InstalledTime() {
  Installed& slot = Slot();
  slot.fixed = true;
  return slot.environment;
}

}  // namespace toolkit
