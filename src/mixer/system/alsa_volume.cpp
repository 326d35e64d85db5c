#include "mixer/system/alsa_volume.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mixer/system/shortage_report.h"

namespace mixer {

namespace {

constexpr const char* kCannotOpen = "cannot open the sound device";

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

std::vector<snd_mixer_selem_channel_id_t> PlaybackChannels(snd_mixer_elem_t* element) {
  if (snd_mixer_selem_is_playback_mono(element) != 0) return {SND_MIXER_SCHN_MONO};
  std::vector<snd_mixer_selem_channel_id_t> channels;
  for (int c = 0; c <= SND_MIXER_SCHN_LAST && channels.size() < PA_CHANNELS_MAX; ++c) {
    const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
    if (snd_mixer_selem_has_playback_channel(element, channel) != 0) channels.push_back(channel);
  }
  return channels;
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
  std::vector<snd_mixer_selem_channel_id_t> channels;

  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (mixer != nullptr) snd_mixer_close(mixer);
  }

  // The control is opened non-blocking so that draining its events before a
  // write never waits for one to arrive. Each step's result is checked: short
  // of descriptors or memory any of them may fail.
  bool Open() {
    // A plugin's connection to a sound server needs as many descriptors as
    // the server binding's: without them it is not tried.
    if (const int cause = DescriptorShortage(); cause != 0) {
      ReportShortage(kCannotOpen, cause);
      return false;
    }
    snd_hctl_t* hctl = nullptr;
    if (const int error = snd_hctl_open(&hctl, "default", SND_CTL_NONBLOCK); error < 0) {
      return Failed(error);
    }
    if (const int error = snd_mixer_open(&mixer, 0); error < 0) {
      mixer = nullptr;
      snd_hctl_close(hctl);
      return Failed(error);
    }
    // On failure, attaching closes the hctl itself.
    if (const int error = snd_mixer_attach_hctl(mixer, hctl); error < 0) return Failed(error);
    if (const int error = snd_mixer_selem_register(mixer, nullptr, nullptr); error < 0) {
      return Failed(error);
    }
    if (const int error = snd_mixer_load(mixer); error < 0) return Failed(error);
    element = FindVolumeElement(mixer);
    if (element != nullptr) channels = PlaybackChannels(element);
    return element != nullptr && !channels.empty();
  }

  // alsa-lib answers with a negative errno; a plugin that failed for want
  // of descriptors may answer with one of its own.
  static bool Failed(int error) {
    const int cause = IsShortage(-error) ? -error : DescriptorShortage();
    if (cause != 0) ReportShortage(kCannotOpen, cause);
    return false;
  }
};

AlsaVolume::AlsaVolume(std::shared_ptr<Clock> clock) : clock_(std::move(clock)) {
  snd_lib_error_set_handler(Quiet);
}

AlsaVolume::~AlsaVolume() = default;

void AlsaVolume::Close() { handle_.reset(); }

bool AlsaVolume::SetVolume(std::uint32_t value) {
  if (!handle_) {
    const auto now = clock_->Now();
    if (last_open_attempt_ && now - *last_open_attempt_ < kReopenInterval) return false;
    last_open_attempt_ = now;
    auto handle = std::make_unique<Handle>();
    if (!handle->Open()) return false;
    handle_ = std::move(handle);
  }
  // alsa-lib skips a write equal to its cached value, and the cache is stale
  // once another program has moved the volume: bring it up to date first.
  // Any error closes the handle; a later write opens a fresh one, which is
  // how a restarted sound server is found again.
  if (!Write(value)) {
    handle_.reset();
    return false;
  }
  return true;
}

bool AlsaVolume::Write(std::uint32_t value) {
  snd_mixer_elem_t* element = handle_->element;
  long minimum = 0;
  long maximum = 0;
  if (snd_mixer_handle_events(handle_->mixer) < 0 ||
      snd_mixer_selem_get_playback_volume_range(element, &minimum, &maximum) < 0 ||
      maximum <= minimum) {
    return false;
  }
  // The channels as they stand, counted from the element's minimum, tell the
  // balance; the new level goes to the loudest of them.
  const auto& channels = handle_->channels;
  pa_cvolume now;
  now.channels = static_cast<std::uint8_t>(channels.size());
  for (std::size_t i = 0; i < channels.size(); ++i) {
    long raw = minimum;
    if (snd_mixer_selem_get_playback_volume(element, channels[i], &raw) < 0) return false;
    now.values[i] = static_cast<pa_volume_t>(std::clamp(raw, minimum, maximum) - minimum);
  }
  const std::string name = snd_mixer_selem_get_name(element);
  balances_.Heard(name, now);
  const auto level = static_cast<pa_volume_t>(ScaleToRange(value, minimum, maximum) - minimum);
  const pa_cvolume wanted = balances_.Volume(name, now.channels, level);
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (snd_mixer_selem_set_playback_volume(element, channels[i], minimum + wanted.values[i]) < 0) {
      return false;
    }
  }
  // A level above silence is meant to be heard: a playback switch left off
  // goes on. Silence writes 0 and leaves the switch alone.
  if (level == 0 || snd_mixer_selem_has_playback_switch(element) == 0) return true;
  for (const auto channel : channels) {
    int on = 1;
    if (snd_mixer_selem_get_playback_switch(element, channel, &on) < 0) return false;
    if (on == 0) return snd_mixer_selem_set_playback_switch_all(element, 1) >= 0;
  }
  return true;
}

}  // namespace mixer
