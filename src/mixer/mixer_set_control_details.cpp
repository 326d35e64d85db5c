#include <cstring>

#ifdef BLARGO_COUNTERS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>
#endif

#include "mixer/mixer_thread.h"
#include "mixer/mmsystem.h"

#ifdef BLARGO_COUNTERS
namespace {

// Builds with counters (for benchmarks and the soak) count the writes that
// reach the system mixer and keep each run of failed ones; at exit they
// append "writes OK FAILED" and a line "failed FIRST_NS LAST_NS COUNT" per
// run (wall-clock ns) to $BLARGO_COUNTER_LOG.
struct WriteCounters {
  struct Run {
    long long first_ns;
    long long last_ns;
    long long count;
  };
  long long ok = 0;
  long long failed = 0;
  bool failing = false;
  std::vector<Run> runs;

  WriteCounters() = default;
  WriteCounters(const WriteCounters&) = delete;
  WriteCounters& operator=(const WriteCounters&) = delete;
  ~WriteCounters() {
    const char* path = std::getenv("BLARGO_COUNTER_LOG");
    std::FILE* log = path != nullptr ? std::fopen(path, "a") : nullptr;
    if (log == nullptr) return;
    std::fprintf(log, "writes %lld %lld\n", ok, failed);
    for (const Run& run : runs) {
      std::fprintf(log, "failed %lld %lld %lld\n", run.first_ns, run.last_ns, run.count);
    }
    std::fclose(log);
  }

  void Count(bool succeeded) {
    if (succeeded) {
      ++ok;
      failing = false;
      return;
    }
    ++failed;
    const long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    if (!failing) runs.push_back({now, now, 0});
    failing = true;
    runs.back().last_ns = now;
    ++runs.back().count;
  }
};

WriteCounters counters;

}  // namespace
#endif

MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails) {
  if (pmxcd == nullptr) return MMSYSERR_INVALPARAM;
  if ((fdwDetails & MIXER_OBJECTF_TYPEMASK) != MIXER_OBJECTF_MIXER ||
      (fdwDetails & MIXER_SETCONTROLDETAILSF_QUERYMASK) != MIXER_SETCONTROLDETAILSF_VALUE ||
      (fdwDetails & ~(MIXER_OBJECTF_TYPEMASK | MIXER_SETCONTROLDETAILSF_QUERYMASK)) != 0) {
    return MMSYSERR_INVALFLAG;
  }
  if (pmxcd->cbStruct != sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
  // One mixer, the system's master output, with one control, its volume.
  if (hmxobj != 0) return MMSYSERR_BADDEVICEID;
  if (pmxcd->dwControlID != 0) return MIXERR_INVALCONTROL;
  if (pmxcd->cChannels != 1 || pmxcd->cMultipleItems != 0 ||
      pmxcd->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED) || pmxcd->paDetails == nullptr) {
    return MMSYSERR_INVALPARAM;
  }
  MIXERCONTROLDETAILS_UNSIGNED value;
  std::memcpy(&value, pmxcd->paDetails, sizeof value);
  const bool written = mixer::SystemMixer().Write(value.dwValue);
#ifdef BLARGO_COUNTERS
  counters.Count(written);
#endif
  return written ? MMSYSERR_NOERROR : MMSYSERR_NODRIVER;
}
