#pragma once

#include "toolkit/time/alarm.h"

namespace bench {

// Alarms for the toolkit's time (its TimeEnvironment::alarms) that count the
// ticks of the timers' clocks: the system's alarms, with each ring of one
// set repeating counted. Only a timer clock sets its alarm repeating, and
// every ring of it is one pulse, on which each timer of that interval then
// enabled ticks: in party mode the ramp's timer and the colour cycle's, one
// tick each. When such an alarm goes (its clock gone with its last timer),
// "clock INTERVAL_MS PULSES FIRST_NS LAST_NS LONGEST_GAP_NS" (steady clock)
// is appended to the log at `log_path` (none when nullptr).
toolkit::AlarmFactory CountingAlarms(const char* log_path);

}  // namespace bench
