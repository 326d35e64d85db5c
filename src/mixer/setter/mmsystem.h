#pragma once

// Our Linux stand-in for the part of the Windows multimedia mixer interface
// that the volume setter uses. Names, field order and result codes follow the
// platform's, so the setter reads as it would there; the layout is this
// build's own (on 64-bit the records are larger than the 32-bit ones).

#include <cstdint>

using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using MMRESULT = UINT;
// A mixer handle or, with MIXER_OBJECTF_MIXER, a mixer device identifier. It
// is never dereferenced, so it stays an integer wide enough for a handle.
using HMIXEROBJ = std::uintptr_t;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MIXERR_INVALCONTROL = 1025;  // MIXERR_BASE + 1

inline constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
inline constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0x00000000;

// The platform's record begins so; nothing reads the type, bounds and names
// that follow there.
struct MIXERCONTROL {
  DWORD cbStruct;
  DWORD dwControlID;
};

struct MIXERCONTROLDETAILS {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD cChannels;
  DWORD cMultipleItems;
  DWORD cbDetails;
  void* paDetails;
};

struct MIXERCONTROLDETAILS_UNSIGNED {
  DWORD dwValue;
};

// Sets the value of one mixer control. Device 0 is the system's master
// output and control 0 its volume, taking a value on a 0..66000 scale, 660 to
// the percent point of the system's full volume (larger values mean full
// volume). Returns MMSYSERR_NOERROR when the system mixer took the value.
MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails);
