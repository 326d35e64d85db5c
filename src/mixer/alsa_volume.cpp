#include "mixer/alsa_volume.h"

#include <alsa/asoundlib.h>

#include <string_view>
#include <utility>

namespace mixer {

namespace {

snd_mixer_elem_t* FindVolumeElement(snd_mixer_t* mixer) {
  snd_mixer_elem_t* first = nullptr;
  for (snd_mixer_elem_t* element = snd_mixer_first_elem(mixer); element != nullptr;
       element = snd_mixer_elem_next(element)) {
    if (snd_mixer_selem_has_playback_volume(element) == 0) continue;
    if (std::string_view(snd_mixer_selem_get_name(element)) == "Master" &&
        snd_mixer_selem_get_index(element) == 0) {
      return element;
    }
    if (first == nullptr) first = element;
  }
  return first;
}

// alsa-lib prints every failure to stderr; while the sound server is down
// that would be a line per write, a thousand a second in party mode. Failures
// reach the caller as results instead.
void Quiet(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
           const char* /*fmt*/, ...) {}

}  // namespace

// An open simple mixer and the element that stands for the master volume.
struct AlsaVolume::Handle {
  snd_mixer_t* mixer = nullptr;
  snd_mixer_elem_t* element = nullptr;

  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (mixer != nullptr) snd_mixer_close(mixer);
  }

  // The control is opened non-blocking so that draining its events before a
  // write never waits for one to arrive.
  bool Open(const std::string& device) {
    snd_hctl_t* hctl = nullptr;
    if (snd_hctl_open(&hctl, device.c_str(), SND_CTL_NONBLOCK) < 0) return false;
    if (snd_mixer_open(&mixer, 0) < 0) {
      mixer = nullptr;
      snd_hctl_close(hctl);
      return false;
    }
    // On failure, attaching closes the hctl itself.
    if (snd_mixer_attach_hctl(mixer, hctl) < 0) return false;
    if (snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
      return false;
    }
    element = FindVolumeElement(mixer);
    return element != nullptr;
  }
};

AlsaVolume::AlsaVolume(std::string device, std::shared_ptr<Clock> clock,
                       Clock::Duration reopen_interval)
    : device_(std::move(device)), clock_(std::move(clock)), reopen_interval_(reopen_interval) {
  snd_lib_error_set_handler(Quiet);
}

AlsaVolume::~AlsaVolume() = default;

void AlsaVolume::Close() { handle_.reset(); }

bool AlsaVolume::SetVolume(std::uint32_t value) {
  if (!handle_) {
    const auto now = clock_->Now();
    if (last_open_attempt_ && now - *last_open_attempt_ < reopen_interval_) return false;
    last_open_attempt_ = now;
    auto handle = std::make_unique<Handle>();
    if (!handle->Open(device_)) return false;
    handle_ = std::move(handle);
  }
  // alsa-lib skips a write equal to its cached value, and the cache is stale
  // once another program has moved the volume: bring it up to date first.
  // Any error closes the handle; a later write opens a fresh one, which is
  // how a restarted sound server is found again.
  long minimum = 0;
  long maximum = 0;
  if (snd_mixer_handle_events(handle_->mixer) < 0 ||
      snd_mixer_selem_get_playback_volume_range(handle_->element, &minimum, &maximum) < 0 ||
      snd_mixer_selem_set_playback_volume_all(handle_->element,
                                              ScaleToRange(value, minimum, maximum)) < 0) {
    handle_.reset();
    return false;
  }
  return true;
}

}  // namespace mixer
