#include "support/recording_mixer.h"

#include <cstring>

namespace recording_mixer {

namespace {

std::vector<Call>& Log() {
  static std::vector<Call> calls;
  return calls;
}

MMRESULT& Result() {
  static MMRESULT result = MMSYSERR_NOERROR;
  return result;
}

}  // namespace

const std::vector<Call>& Calls() { return Log(); }

std::vector<std::int32_t> Levels() {
  std::vector<std::int32_t> levels;
  for (const Call& call : Log()) levels.push_back(static_cast<std::int32_t>(call.value));
  return levels;
}

void Clear() { Log().clear(); }

void SetResult(MMRESULT result) { Result() = result; }

}  // namespace recording_mixer

MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails) {
  recording_mixer::Call call{hmxobj, fdwDetails, *pmxcd, 0};
  if (pmxcd->paDetails != nullptr && pmxcd->cbDetails >= sizeof(DWORD)) {
    std::memcpy(&call.value, pmxcd->paDetails, sizeof call.value);
  }
  recording_mixer::Log().push_back(call);
  return recording_mixer::Result();
}
