#pragma once

#include <pulse/def.h>
#include <pulse/volume.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "mixer/system/clock.h"
#include "mixer/system/sink_balance.h"

namespace mixer {

struct SinkReport {
  std::string name;
  std::uint32_t index = 0;
  pa_cvolume volume{};
  bool muted = false;
};

// One write of a level: the sink it goes to, by index, and what it sets.
struct SinkWrite {
  std::uint32_t index = 0;
  pa_cvolume volume{};
  bool unmute = false;
};

// What is known of the server's default sink between its answers, so that
// a write costs one round trip: the sink as the server last described it,
// each sink's balance, the sinks seen to take a write, and whether an answer
// told of a change made elsewhere. It sends nothing: the connection asks
// the server and reports each answer here.
class SinkState {
 public:
  // The sink is asked for again at most this often, alongside a write: a
  // change made elsewhere that still stands is learnt this long after it at
  // the latest. The server is not asked to tell of each change to the sink
  // instead: every write of ours is one, and its word of each would cost
  // party mode a wake and a read more per write. While party mode writes
  // every millisecond, a change made elsewhere is overwritten by the next
  // level before a refresh sees it.
  static constexpr Clock::Duration kRefreshInterval = std::chrono::milliseconds(100);

  // The server's answer to the default sink asked for by name. A sink
  // without channels takes no volume, and is not held.
  void Described(const SinkReport& sink);
  // The server's defaults may have changed, or the connection went: the
  // default sink is asked for before the next write. PipeWire may give a
  // gone sink's index to a new one, which has not played yet, and a sink
  // that goes as the default is one: no sink is known to take writes.
  void Forget();
  // The sink refused a write, or is gone: the default is asked for again.
  void ForgetSink() { sink_.reset(); }
  [[nodiscard]] bool Held() const { return sink_.has_value(); }
  [[nodiscard]] bool Holds(std::uint32_t index) const;

  // The sink was described at `now` (asked for by name, or refreshed).
  void AskedAt(Clock::TimePoint now) { last_asked_ = now; }
  [[nodiscard]] bool RefreshDue(Clock::TimePoint now) const;
  // A refresh of the held sink is sent at `now`, just before a write: its
  // answer shows the sink as it was before that write. Returns the index it
  // asks for.
  std::uint32_t RefreshSent(Clock::TimePoint now);
  // The answer to the refresh. Showing the volume written last before it
  // was sent, it shows our own write; any other was set elsewhere, and so
  // was a mute switch it shows on while the sink was held unmuted (one held
  // muted is being turned off by the write under way).
  void Refreshed(const SinkReport& sink);
  // The sink the refresh asked for is gone: the default that replaces it is
  // asked for.
  void RefreshFoundNoSink();

  // The write that puts `level` on the held sink's loudest channel, keeping
  // its balance; none while no sink is held.
  [[nodiscard]] std::optional<SinkWrite> Plan(pa_volume_t level) const;
  // The write is sent; what answers come with it may tell of changes made
  // elsewhere.
  void Sent(const SinkWrite& write);
  [[nodiscard]] bool HeardOutsideChange() const { return heard_outside_change_; }
  // The server confirmed the write.
  void Wrote(const SinkWrite& write);

  // Whether the sink at `index` took a write on this connection. PipeWire
  // 1.4 answers a write to a sink that has never played as done and drops
  // it, so a sink's first writes are read back; once one stuck, later ones
  // do too, and party mode keeps its one round trip per write.
  [[nodiscard]] bool TakesWrites(std::uint32_t index) const;
  // What the sink showed when `write` was read back: true when it holds it.
  bool ReadBack(const SinkWrite& write, const pa_cvolume& shown);

 private:
  struct Sink {
    std::string name;
    std::uint32_t index;
    std::uint8_t channels;
    bool muted;
  };

  std::optional<Sink> sink_;
  SinkBalances balances_;
  std::set<std::uint32_t> taking_writes_;
  std::optional<Clock::TimePoint> last_asked_;
  std::uint32_t refresh_index_ = PA_INVALID_INDEX;
  std::optional<pa_cvolume> last_sent_;
  std::optional<pa_cvolume> sent_before_refresh_;
  bool heard_outside_change_ = false;
};

}  // namespace mixer
