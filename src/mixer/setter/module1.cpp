#include "mixer/setter/module1.h"

#include <cstring>

bool SetMixerLevel(std::int32_t mixer, const MIXERCONTROL& control, std::int32_t level) {
  MIXERCONTROLDETAILS details{};
  // The size of this build's own record: a mixer checks it, and the 32-bit
  // figure would make every write on a 64-bit build fail.
  details.cbStruct = sizeof(MIXERCONTROLDETAILS);
  details.dwControlID = control.dwControlID;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);

  MIXERCONTROLDETAILS_UNSIGNED value{};
  static_assert(sizeof value.dwValue == sizeof level);
  std::memcpy(&value.dwValue, &level, sizeof level);  // the bits, unchanged
  details.paDetails = &value;

  // Both flags are zero; naming them says what the call asks for: `mixer`
  // is a device id, and the value is to be set.
  // cppcheck-suppress badBitmaskCheck
  constexpr DWORD kFlags = MIXER_OBJECTF_MIXER | MIXER_SETCONTROLDETAILSF_VALUE;
  const MMRESULT result = mixerSetControlDetails(
      static_cast<HMIXEROBJ>(static_cast<std::uint32_t>(mixer)), &details, kFlags);
  return result == MMSYSERR_NOERROR;
}
