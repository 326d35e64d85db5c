#pragma once

// Our Linux stand-in for the part of the Windows multimedia mixer interface
// that the volume setter uses. Names, field order and result codes follow the
// platform's, so the setter reads as it would there; the layout is this
// build's own (on 64-bit the records are larger than the 32-bit ones).

#include <cstdint>

using DWORD = std::uint32_t;
using LONG = std::int32_t;
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
inline constexpr MMRESULT MIXERR_BASE = 1024;
inline constexpr MMRESULT MIXERR_INVALCONTROL = MIXERR_BASE + 1;

inline constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
inline constexpr DWORD MIXER_OBJECTF_TYPEMASK = 0xF0000000;
inline constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0x00000000;
inline constexpr DWORD MIXER_SETCONTROLDETAILSF_QUERYMASK = 0x0000000F;

inline constexpr int MIXER_SHORT_NAME_CHARS = 16;
inline constexpr int MIXER_LONG_NAME_CHARS = 64;

struct MIXERCONTROL {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD dwControlType;
  DWORD fdwControl;
  DWORD cMultipleItems;
  char szShortName[MIXER_SHORT_NAME_CHARS];
  char szName[MIXER_LONG_NAME_CHARS];
  union {
    struct {
      LONG lMinimum;
      LONG lMaximum;
    } Signed;
    struct {
      DWORD dwMinimum;
      DWORD dwMaximum;
    } Unsigned;
    DWORD dwReserved[6];
  } Bounds;
  union {
    DWORD cSteps;
    DWORD cbCustomData;
    DWORD dwReserved[6];
  } Metrics;
};

struct MIXERCONTROLDETAILS {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD cChannels;
  union {
    void* hwndOwner;
    DWORD cMultipleItems;
  };
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
