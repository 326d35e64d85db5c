#pragma once

namespace mixer {

// Whether `error` (an errno value) says the system ran short of descriptors,
// memory or threads, rather than that a server or device is simply absent.
bool IsShortage(int error);

// Says on stderr, once for the whole run, that the mixer could not do `what`
// for lack of what `error` names: "blargo: cannot reach the sound server: too
// many open files". Later shortages say nothing: a write a millisecond in
// party mode must not become a line a millisecond. Safe from any thread.
void ReportShortage(const char* what, int error);

}  // namespace mixer
