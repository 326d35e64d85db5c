#include "mixer/system/pulse_volume.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "identity/program_identity.h"
#include "mixer/system/pulse_operation.h"
#include "mixer/system/shortage_report.h"
#include "mixer/system/sink_balance.h"

namespace mixer {

namespace {

constexpr const char* kDefaultSink = "@DEFAULT_SINK@";
constexpr const char* kUnreachable = "cannot reach the sound server";

// The sink is asked for again at most this often, alongside a write: a change
// made elsewhere that still stands is learnt this long after it at the
// latest. The server is not asked to tell of each change to the sink instead:
// every write of ours is one, and its word of each would cost party mode a
// wake and a read more per write. While party mode writes every millisecond,
// a change made elsewhere is overwritten by the next level before a refresh
// sees it.
constexpr Clock::Duration kRefreshInterval = std::chrono::milliseconds(100);

// Levels closer together than this are party mode's ramp: what the server
// said meanwhile (a new default) was taken in while the previous write
// waited, and a write that crossed a new default is made again there. Only
// after a longer pause is it looked for before the write, so that a click
// after the user chose another default goes there alone: looking every time
// would cost party mode two polls and two reads more per write.
constexpr Clock::Duration kBurstGap = std::chrono::milliseconds(5);

bool IsLive(pa_context_state_t state) {
  return state != PA_CONTEXT_FAILED && state != PA_CONTEXT_TERMINATED;
}

// A libpulse constructor fails only when the system is short of something.
void NoteFailedConstructor() { ReportShortage(kUnreachable, ShortageCause(errno)); }

// A connection fails when no server listens, which is worth no line, or when
// the process is short of descriptors or memory for it, which is.
void NoteFailedConnection() {
  int cause = DescriptorShortage();
  if (cause == 0) cause = MemoryShortage();
  if (cause != 0) ReportShortage(kUnreachable, cause);
}

}  // namespace

process::EnvironmentChanges PulseLogEnvironment() {
  // libpulse prints its own complaint on stderr at every failed attempt,
  // twice a second while party mode runs without a server; what a user needs
  // to know is said once, by ReportShortage. Its messages go to the system
  // log instead, unless the user chose where they go.
  if (std::getenv("PULSE_LOG_JOURNAL") != nullptr || std::getenv("PULSE_LOG_SYSLOG") != nullptr) {
    return {};
  }
  return {{"PULSE_LOG_SYSLOG", "1"}};
}

std::uint32_t ToServerVolume(std::uint32_t value) {
  return static_cast<std::uint32_t>(ScaleToRange(value, PA_VOLUME_MUTED, PA_VOLUME_NORM));
}

// One main loop and, while there is one, the connection to the server.
struct PulseVolume::Connection {
  // The default sink as the server last described it.
  struct Sink {
    std::string name;
    std::uint32_t index = PA_INVALID_INDEX;
    pa_cvolume volume{};
    bool muted = false;
  };

  // Null while the system cannot give one; read by Abandon() from another
  // thread.
  std::atomic<pa_mainloop*> loop = nullptr;
  pa_context* context = nullptr;
  std::optional<Clock::TimePoint> last_attempt;
  std::atomic<bool> abandoned = false;

  // What the server said to the request last awaited.
  bool answered = false;
  bool succeeded = false;
  bool unmuted = false;

  // Asked for once, then kept up to date alongside the writes, so a write
  // costs one round trip: forgotten whenever the server says its defaults
  // changed, asked for again in the background once the last answer is
  // older than the refresh interval.
  std::optional<Sink> sink;
  SinkBalances balances;
  std::optional<PulseOperation> refresh;
  std::optional<Clock::TimePoint> last_refresh;
  std::optional<Clock::TimePoint> last_write;
  // Whether a write (or an unmute) was sent after the refresh under way: its
  // answer then describes the sink as it was before.
  bool refresh_predates_write = false;
  bool refresh_predates_unmute = false;
  // The volumes written last: a refresh that shows one of them shows our own
  // write, not someone else's.
  std::array<pa_cvolume, 4> written{};
  std::size_t written_count = 0;
  // Set when a refresh shows a balance or mute switch someone else set.
  bool heard_outside_change = false;
  // Sinks seen to take a write on this connection. PipeWire 1.4 answers a
  // write to a sink that has never played as done and drops it, so a sink's
  // first writes are read back; once one stuck, later ones do too, and party
  // mode keeps its one round trip per write.
  std::set<std::uint32_t> taking_writes;
  // The sink the refresh under way asks for.
  std::uint32_t refresh_index = PA_INVALID_INDEX;
  // What the sink said when a write was read back.
  std::optional<pa_cvolume> read_back;
  std::uint32_t read_back_index = PA_INVALID_INDEX;

  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    Disconnect();
    if (loop != nullptr) pa_mainloop_free(loop);
  }

  void Disconnect() {
    refresh.reset();
    if (context != nullptr) {
      pa_context_set_state_callback(context, nullptr, nullptr);
      pa_context_set_subscribe_callback(context, nullptr, nullptr);
      pa_context_disconnect(context);
      pa_context_unref(context);
      context = nullptr;
    }
    sink.reset();
    taking_writes.clear();
  }

  [[nodiscard]] bool Ready() const {
    return context != nullptr && pa_context_get_state(context) == PA_CONTEXT_READY;
  }
  [[nodiscard]] bool Live() const {
    return context != nullptr && IsLive(pa_context_get_state(context));
  }

  // Runs the loop until `done` holds, the connection is lost or the binding
  // is abandoned. Returns whether `done` holds.
  template <typename Done>
  bool RunUntil(Done done) {
    while (!done()) {
      if (!Live() || abandoned) return false;
      if (pa_mainloop_iterate(loop, 1, nullptr) < 0) return done();
    }
    return true;
  }

  // Takes in what the server sent since the last wait for it (a new default
  // sink) without waiting for anything more.
  void Drain() {
    for (int i = 0; i < 64 && Live(); ++i) {
      if (pa_mainloop_iterate(loop, 0, nullptr) <= 0) break;
    }
  }

  // Waits for the answer to `request`; false when none came.
  bool Await(const PulseOperation& request) {
    if (!request.Sent()) return false;
    answered = false;
    succeeded = false;
    return RunUntil([&request] { return !request.Running(); }) && answered;
  }

  static void OnSubscription(pa_context* /*context*/, pa_subscription_event_type_t /*event*/,
                             std::uint32_t /*index*/, void* self) {
    // The default sink may have changed: it is asked for before the next
    // write. PipeWire may give a gone sink's index to a new one, which has
    // not played yet, and a sink that goes as the default is one.
    auto* connection = static_cast<Connection*>(self);
    connection->sink.reset();
    connection->taking_writes.clear();
  }

  static void OnSuccess(pa_context* /*context*/, int success, void* self) {
    auto* connection = static_cast<Connection*>(self);
    connection->answered = true;
    connection->succeeded = success != 0;
  }

  static void OnUnmuted(pa_context* /*context*/, int success, void* self) {
    static_cast<Connection*>(self)->unmuted = success != 0;
  }

  static void OnSinkInfo(pa_context* /*context*/, const pa_sink_info* info, int eol, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (eol != 0) {
      connection->answered = true;
      return;
    }
    if (info == nullptr || info->volume.channels == 0) return;
    connection->sink = Sink{info->name, info->index, info->volume, info->mute != 0};
    connection->balances.Heard(info->name, info->volume);
    connection->succeeded = true;
  }

  static void OnReadBack(pa_context* /*context*/, const pa_sink_info* info, int eol, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (eol != 0) {
      connection->answered = true;
      return;
    }
    if (info == nullptr) return;
    connection->read_back = info->volume;
    connection->read_back_index = info->index;
  }

  static void OnRefresh(pa_context* /*context*/, const pa_sink_info* info, int eol, void* self) {
    auto* connection = static_cast<Connection*>(self);
    std::optional<Sink>& held = connection->sink;
    if (!held || held->index != connection->refresh_index) return;
    // The sink asked for is gone: the default that replaces it is asked for.
    if (eol < 0) {
      held.reset();
      return;
    }
    if (eol != 0 || info == nullptr || held->index != info->index) return;
    Sink& sink = *held;
    const bool muted_elsewhere =
        info->mute != 0 && !sink.muted && !connection->refresh_predates_unmute;
    if (!connection->refresh_predates_unmute) sink.muted = info->mute != 0;
    bool changed = muted_elsewhere;
    if (!connection->refresh_predates_write || !connection->WroteLately(info->volume)) {
      sink.volume = info->volume;
      changed = connection->balances.Heard(sink.name, info->volume) || changed;
    }
    if (changed) connection->heard_outside_change = true;
  }

  [[nodiscard]] bool WroteLately(const pa_cvolume& volume) const {
    for (std::size_t i = 0; i < std::min(written_count, written.size()); ++i) {
      if (pa_cvolume_equal(&volume, &written[i]) != 0) return true;
    }
    return false;
  }
  void NoteWritten(const pa_cvolume& volume) {
    written[written_count++ % written.size()] = volume;
    refresh_predates_write = true;
  }

  // Connects when an attempt is due. Returns kDone when ready.
  Outcome Connect(const Clock& clock, Clock::Duration interval) {
    Disconnect();
    const auto now = clock.Now();
    if (last_attempt && now - *last_attempt < interval) return Outcome::kNoServer;
    last_attempt = now;

    // A connection that cannot have the descriptors it needs is not tried:
    // it would fail after taking the last ones the window may need.
    if (const int cause = DescriptorShortage(); cause != 0) {
      ReportShortage(kUnreachable, cause);
      return Outcome::kNoServer;
    }
    // Short of descriptors the loop's wakeup pipe cannot be made; it is
    // asked for again at each attempt, so freed descriptors heal it.
    if (loop == nullptr) {
      errno = 0;
      loop = pa_mainloop_new();
      if (loop == nullptr) {
        NoteFailedConstructor();
        return Outcome::kNoServer;
      }
    }
    pa_proplist* properties = pa_proplist_new();
    if (properties == nullptr) {
      NoteFailedConstructor();
      return Outcome::kNoServer;
    }
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, identity::kDisplayName);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, identity::kApplicationId);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, identity::kIconName);
    errno = 0;
    context =
        pa_context_new_with_proplist(pa_mainloop_get_api(loop), identity::kDisplayName, properties);
    pa_proplist_free(properties);
    if (context == nullptr) {
      NoteFailedConstructor();
      return Outcome::kNoServer;
    }
    // Never start a server of our own: the user's session decides that.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      NoteFailedConnection();
      Disconnect();
      return Outcome::kNoServer;
    }
    if (!RunUntil([this] { return Ready(); })) {
      if (!abandoned) NoteFailedConnection();
      Disconnect();
      return abandoned ? Outcome::kRefused : Outcome::kNoServer;
    }
    pa_context_set_subscribe_callback(context, OnSubscription, this);
    const PulseOperation subscription(
        pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
    return Outcome::kDone;
  }

  bool AskForDefaultSink(Clock::TimePoint now) {
    const PulseOperation sink_info(
        pa_context_get_sink_info_by_name(context, kDefaultSink, OnSinkInfo, this));
    if (!Await(sink_info) || !succeeded || !sink) return false;
    last_refresh = now;
    return true;
  }

  [[nodiscard]] bool RefreshDue(Clock::TimePoint now) const {
    return !last_refresh || now - *last_refresh >= kRefreshInterval;
  }

  // Asks for the sink again without waiting: the answer arrives with the
  // write's own, and only a change made elsewhere costs a write more.
  void Refresh(Clock::TimePoint now) {
    if (!sink || (refresh && refresh->Running())) return;
    last_refresh = now;
    refresh.reset();
    refresh_predates_write = false;
    refresh_predates_unmute = false;
    refresh_index = sink->index;
    refresh.emplace(pa_context_get_sink_info_by_index(context, sink->index, OnRefresh, this));
  }

  Outcome SetVolume(std::uint32_t value, const Clock& clock) {
    const pa_volume_t level = ToServerVolume(value);
    const auto start = clock.Now();
    if (!last_write || start - *last_write >= kBurstGap) Drain();
    last_write = start;
    // A write that fails because the sink went, or that went to a sink that
    // stopped being the default meanwhile, is made again on the new default;
    // one that crossed a change made elsewhere is made again with that change
    // taken in.
    Outcome outcome = Outcome::kRefused;
    for (int attempt = 0; attempt < 3; ++attempt) {
      const auto now = clock.Now();
      const bool refresh_due = RefreshDue(now);
      if (!sink && !AskForDefaultSink(now)) return OutcomeOfNoAnswer();
      if (refresh_due && last_refresh != now) Refresh(now);
      // Held by now: asked for above, and the refresh waits for nothing.
      if (!sink) continue;
      heard_outside_change = false;
      const std::uint32_t index = sink->index;
      const pa_cvolume volume = balances.Volume(sink->name, sink->volume.channels, level);
      // A level above silence is meant to be heard.
      const bool unmute = level > PA_VOLUME_MUTED && sink->muted;
      unmuted = false;
      // Written to the sink by its index, never to the server's default by
      // name: a default changed meanwhile must not get this sink's balance.
      const PulseOperation mute(
          unmute ? pa_context_set_sink_mute_by_index(context, index, 0, OnUnmuted, this) : nullptr);
      if (unmute && !mute.Sent()) return OutcomeOfNoAnswer();
      if (unmute) refresh_predates_unmute = true;
      const PulseOperation set(
          pa_context_set_sink_volume_by_index(context, index, &volume, OnSuccess, this));
      NoteWritten(volume);
      if (!Await(set)) return OutcomeOfNoAnswer();
      const bool volume_set = succeeded;
      if (unmute && !RunUntil([&mute] { return !mute.Running(); })) return OutcomeOfNoAnswer();
      if (!volume_set || (unmute && !unmuted)) {
        outcome = Outcome::kRefused;
        sink.reset();
        continue;
      }
      // The server told of a new default while the write was under way.
      if (!sink || sink->index != index) continue;
      // A sink that dropped the write is left unconfirmed: the mixer thread
      // tries the level again, and this asks again.
      if (!taking_writes.contains(index)) {
        read_back.reset();
        const PulseOperation check(
            pa_context_get_sink_info_by_index(context, index, OnReadBack, this));
        if (!Await(check)) return OutcomeOfNoAnswer();
        if (!read_back || !SameVolume(*read_back, volume)) return Outcome::kRefused;
        taking_writes.insert(read_back_index);
        if (!sink || sink->index != index) continue;
      }
      outcome = Outcome::kDone;
      sink->volume = volume;
      if (unmute) sink->muted = false;
      if (!heard_outside_change) return Outcome::kDone;
    }
    return outcome;
  }

  // A request got no answer: either the server refused it over a live
  // connection, or the connection is gone and is dropped here.
  Outcome OutcomeOfNoAnswer() {
    if (Live() && !abandoned) return Outcome::kRefused;
    const bool lost = !Live();
    Disconnect();
    return lost ? Outcome::kNoServer : Outcome::kRefused;
  }
};

PulseVolume::PulseVolume(std::shared_ptr<Clock> clock, Clock::Duration reconnect_interval)
    : clock_(std::move(clock)),
      reconnect_interval_(reconnect_interval),
      connection_(std::make_unique<Connection>()) {}

PulseVolume::~PulseVolume() = default;

PulseVolume::Outcome PulseVolume::Write(std::uint32_t value) {
  Connection& connection = *connection_;
  if (connection.abandoned) return Outcome::kRefused;
  if (!connection.Ready()) {
    if (const Outcome connected = connection.Connect(*clock_, reconnect_interval_);
        connected != Outcome::kDone) {
      return connected;
    }
  }
  return connection.SetVolume(value, *clock_);
}

void PulseVolume::Abandon() {
  connection_->abandoned = true;
  // The loop may not exist (or not yet): then nothing waits in it.
  if (connection_->loop != nullptr) pa_mainloop_wakeup(connection_->loop);
}

}  // namespace mixer
