// A mixer stand-in for the in-process benchmarks: it takes every write and
// only counts it, so what is measured is the program's own work.
#include "mixer/setter/mmsystem.h"

namespace {
volatile DWORD last_value = 0;
}

MMRESULT mixerSetControlDetails(HMIXEROBJ /*hmxobj*/, MIXERCONTROLDETAILS* pmxcd,
                                DWORD /*fdwDetails*/) {
  last_value = static_cast<const MIXERCONTROLDETAILS_UNSIGNED*>(pmxcd->paDetails)->dwValue;
  return MMSYSERR_NOERROR;
}
