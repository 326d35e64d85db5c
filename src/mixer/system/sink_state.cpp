#include "mixer/system/sink_state.h"

namespace mixer {

void SinkState::Described(const SinkReport& sink) {
  if (sink.volume.channels == 0) return;
  sink_ = Sink{sink.name, sink.index, sink.volume.channels, sink.muted};
  balances_.Heard(sink.name, sink.volume);
}

void SinkState::Forget() {
  ForgetSink();
  taking_writes_.clear();
}

bool SinkState::Holds(std::uint32_t index) const { return sink_ && sink_->index == index; }

bool SinkState::RefreshDue(Clock::TimePoint now) const {
  return !last_asked_ || now - *last_asked_ >= kRefreshInterval;
}

std::uint32_t SinkState::RefreshSent(Clock::TimePoint now) {
  last_asked_ = now;
  sent_before_refresh_ = last_sent_;
  refresh_index_ = sink_ ? sink_->index : PA_INVALID_INDEX;
  return refresh_index_;
}

void SinkState::Refreshed(const SinkReport& sink) {
  if (!sink_ || sink_->index != refresh_index_ || sink.index != refresh_index_) return;
  Sink& held = *sink_;
  const bool muted_elsewhere = sink.muted && !held.muted;
  held.muted = sink.muted;
  bool changed = muted_elsewhere;
  const bool ours =
      sent_before_refresh_ && pa_cvolume_equal(&sink.volume, &*sent_before_refresh_) != 0;
  if (!ours) {
    held.channels = sink.volume.channels;
    changed = balances_.Heard(held.name, sink.volume) || changed;
  }
  if (changed) heard_outside_change_ = true;
}

void SinkState::RefreshFoundNoSink() {
  if (Holds(refresh_index_)) ForgetSink();
}

std::optional<SinkWrite> SinkState::Plan(pa_volume_t level) const {
  if (!sink_) return std::nullopt;
  // A level above silence is meant to be heard.
  return SinkWrite{sink_->index, balances_.Volume(sink_->name, sink_->channels, level),
                   level > PA_VOLUME_MUTED && sink_->muted};
}

void SinkState::Sent(const SinkWrite& write) {
  last_sent_ = write.volume;
  heard_outside_change_ = false;
}

void SinkState::Wrote(const SinkWrite& write) {
  if (write.unmute && sink_ && sink_->index == write.index) sink_->muted = false;
}

bool SinkState::TakesWrites(std::uint32_t index) const { return taking_writes_.contains(index); }

bool SinkState::ReadBack(const SinkWrite& write, const pa_cvolume& shown) {
  if (!SameVolume(shown, write.volume)) return false;
  taking_writes_.insert(write.index);
  return true;
}

}  // namespace mixer
