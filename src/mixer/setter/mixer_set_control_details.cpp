#include <cstring>

#include "mixer/setter/mmsystem.h"
#include "mixer/system/system_mixer.h"

// The signature is the platform's, which takes the details as non-const
// though it only reads them.
// cppcheck-suppress constParameterPointer
MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails) {
  if (pmxcd == nullptr) return MMSYSERR_INVALPARAM;
  // Only a device id, and only setting a value, are known here.
  // cppcheck-suppress badBitmaskCheck
  if (fdwDetails != (MIXER_OBJECTF_MIXER | MIXER_SETCONTROLDETAILSF_VALUE)) {
    return MMSYSERR_INVALFLAG;
  }
  if (pmxcd->cbStruct != sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
  if (hmxobj != 0) return MMSYSERR_BADDEVICEID;
  if (pmxcd->dwControlID != 0) return MIXERR_INVALCONTROL;
  if (pmxcd->cChannels != 1 || pmxcd->cMultipleItems != 0 ||
      pmxcd->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED) || pmxcd->paDetails == nullptr) {
    return MMSYSERR_INVALPARAM;
  }
  MIXERCONTROLDETAILS_UNSIGNED value;
  std::memcpy(&value, pmxcd->paDetails, sizeof value);
  const bool written = mixer::SystemMixer().Write(value.dwValue);
  return written ? MMSYSERR_NOERROR : MMSYSERR_NODRIVER;
}
