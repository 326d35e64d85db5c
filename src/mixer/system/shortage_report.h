#pragma once

namespace mixer {

// Whether `error` (an errno value) says the system ran short of descriptors
// or memory, rather than that a server or device is simply absent.
bool IsShortage(int error);

// What the system is short of when a constructor that fails only for want of
// resources failed: `error` when it names a shortage (libraries may clobber
// errno while logging their own complaint), else descriptors when too few
// are left, else memory.
int ShortageCause(int error);

// Whether the process has too few descriptors left for a connection to a
// sound server (as one that just failed may have found): the cause, or 0.
int DescriptorShortage();

// Whether the process could map a block of the size a sound server's shared
// memory pool takes (64 MiB): the cause, or 0. A connection made under a
// small address-space limit fails only once the server offers its pool.
int MemoryShortage();

// Says on stderr, once for the whole run, that the mixer could not do `what`
// for lack of what `error` names: "blargo: cannot reach the sound server: too
// many open files". Later shortages say nothing: a write a millisecond in
// party mode must not become a line a millisecond. Safe from any thread.
void ReportShortage(const char* what, int error);

}  // namespace mixer
