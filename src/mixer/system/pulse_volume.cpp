#include "mixer/system/pulse_volume.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "identity/program_identity.h"
#include "mixer/system/shortage_report.h"
#include "mixer/system/sink_state.h"

namespace mixer {

namespace {

constexpr const char* kDefaultSink = "@DEFAULT_SINK@";
constexpr const char* kUnreachable = "cannot reach the sound server";

// Levels closer together than this are party mode's ramp: what the server
// said meanwhile (a new default) was taken in while the previous write
// waited, and a write that crossed a new default is made again there. Only
// after a longer pause is it looked for before the write, so that a click
// after the user chose another default goes there alone: looking every time
// would cost party mode two polls and two reads more per write.
constexpr Clock::Duration kBurstGap = std::chrono::milliseconds(5);

// A write crossed by something said meanwhile (a new default, a gone sink, a
// change made elsewhere) is made again; two such crossings of one write are
// followed, and a server that keeps changing under the writes cannot hold
// one without end.
constexpr int kAttempts = 3;

// Taking in what the server sent takes libpulse's loop a few turns (the
// read, then the dispatch it defers): three at most were seen. The bound
// keeps a server that never stops talking from holding a write.
constexpr int kDrainTurns = 64;

// Owns one reference to a libpulse request. Letting go of a request that is
// still running cancels it first, so its callback can never reach an object
// that is gone.
class PulseOperation {
 public:
  explicit PulseOperation(pa_operation* operation) : operation_(operation) {}
  ~PulseOperation() {
    if (operation_ == nullptr) return;
    if (Running()) pa_operation_cancel(operation_);
    pa_operation_unref(operation_);
  }
  PulseOperation(const PulseOperation&) = delete;
  PulseOperation& operator=(const PulseOperation&) = delete;

  // False when libpulse could not even send the request.
  [[nodiscard]] bool Sent() const { return operation_ != nullptr; }
  [[nodiscard]] bool Running() const {
    return operation_ != nullptr && pa_operation_get_state(operation_) == PA_OPERATION_RUNNING;
  }

 private:
  pa_operation* operation_;
};

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

SinkReport ReportOf(const pa_sink_info& info) {
  return {info.name, info.index, info.volume, info.mute != 0};
}

// What the server said to one request, filled in by its callback; the
// request's PulseOperation, made after it, cancels the callback before this
// goes.
struct Answer {
  bool answered = false;
  bool succeeded = false;
  pa_cvolume volume{};
};

void OnSuccess(pa_context* /*context*/, int success, void* answer) {
  auto* said = static_cast<Answer*>(answer);
  said->answered = true;
  said->succeeded = success != 0;
}

void OnReadBack(pa_context* /*context*/, const pa_sink_info* info, int eol, void* answer) {
  auto* said = static_cast<Answer*>(answer);
  if (eol != 0) {
    said->answered = true;
  } else if (info != nullptr) {
    said->succeeded = true;
    said->volume = info->volume;
  }
}

enum class Attempt {
  kDone,      // the sink holds the level
  kCrossed,   // done, but an answer told of a change made elsewhere
  kMissed,    // the default changed under the write: made again there
  kRefused,   // the server refused it: the default is asked for again
  kDropped,   // the sink answered done but does not hold it
  kNoAnswer,  // a request went unanswered
};

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
  // Null while the system cannot give one; read by Abandon() from another
  // thread.
  std::atomic<pa_mainloop*> loop = nullptr;
  pa_context* context = nullptr;
  std::optional<Clock::TimePoint> last_attempt;
  std::atomic<bool> abandoned = false;

  SinkState state;
  // Asks for the sink alongside the writes, unawaited.
  std::optional<PulseOperation> refresh;
  std::optional<Clock::TimePoint> last_write;

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
    state.Forget();
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
    for (int turn = 0; turn < kDrainTurns && Live(); ++turn) {
      if (pa_mainloop_iterate(loop, 0, nullptr) <= 0) break;
    }
  }

  // Waits for the answer to `request`; false when none came.
  bool Await(const PulseOperation& request, const Answer& answer) {
    return request.Sent() && RunUntil([&request] { return !request.Running(); }) && answer.answered;
  }

  static void OnSubscription(pa_context* /*context*/, pa_subscription_event_type_t /*event*/,
                             std::uint32_t /*index*/, void* state) {
    static_cast<SinkState*>(state)->Forget();
  }

  // The default sink asked for by name: described to the state as the
  // answer comes, so that a word of a new default right after it lets it go.
  struct Description {
    Answer answer;
    SinkState* state;
  };
  static void OnSinkInfo(pa_context* /*context*/, const pa_sink_info* info, int eol,
                         void* description) {
    auto* said = static_cast<Description*>(description);
    if (eol != 0) {
      said->answer.answered = true;
    } else if (info != nullptr) {
      said->state->Described(ReportOf(*info));
    }
  }

  static void OnRefresh(pa_context* /*context*/, const pa_sink_info* info, int eol, void* state) {
    auto* sink = static_cast<SinkState*>(state);
    if (eol < 0) {
      sink->RefreshFoundNoSink();
    } else if (eol == 0 && info != nullptr) {
      sink->Refreshed(ReportOf(*info));
    }
  }

  // Connects when an attempt is due. Returns kDone when ready.
  Outcome Connect(const Clock& clock) {
    Disconnect();
    const auto now = clock.Now();
    if (last_attempt && now - *last_attempt < kReconnectInterval) return Outcome::kNoServer;
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
    // Told of nothing but changes to the server's defaults: see
    // SinkState::kRefreshInterval for the sink's own.
    pa_context_set_subscribe_callback(context, OnSubscription, &state);
    const PulseOperation subscription(
        pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
    return Outcome::kDone;
  }

  bool AskForDefaultSink(Clock::TimePoint now) {
    Description description{{}, &state};
    const PulseOperation sink_info(
        pa_context_get_sink_info_by_name(context, kDefaultSink, OnSinkInfo, &description));
    if (!Await(sink_info, description.answer) || !state.Held()) return false;
    state.AskedAt(now);
    return true;
  }

  // Asks for the sink again without waiting: the answer arrives with the
  // write's own, and only a change made elsewhere costs a write more.
  void Refresh(Clock::TimePoint now) {
    if (refresh && refresh->Running()) return;
    refresh.reset();
    const std::uint32_t index = state.RefreshSent(now);
    refresh.emplace(pa_context_get_sink_info_by_index(context, index, OnRefresh, &state));
  }

  Outcome SetVolume(std::uint32_t value, const Clock& clock) {
    const pa_volume_t level = ToServerVolume(value);
    const auto start = clock.Now();
    if (!last_write || start - *last_write >= kBurstGap) Drain();
    last_write = start;
    Outcome outcome = Outcome::kRefused;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      switch (Write(level, clock.Now())) {
        case Attempt::kDone:
          return Outcome::kDone;
        case Attempt::kCrossed:
          outcome = Outcome::kDone;
          break;
        case Attempt::kMissed:
          break;
        case Attempt::kRefused:
          outcome = Outcome::kRefused;
          break;
        case Attempt::kDropped:
          // Left unconfirmed: the mixer thread tries the level again, and
          // this reads it back again.
          return Outcome::kRefused;
        case Attempt::kNoAnswer:
          return OutcomeOfNoAnswer();
      }
    }
    return outcome;
  }

  // Writes the level once to the default sink as last heard.
  Attempt Write(pa_volume_t level, Clock::TimePoint now) {
    if (!state.Held() && !AskForDefaultSink(now)) return Attempt::kNoAnswer;
    if (state.RefreshDue(now)) Refresh(now);
    const std::optional<SinkWrite> write = state.Plan(level);
    if (!write) return Attempt::kMissed;
    // Written to the sink by its index, never to the server's default by
    // name: a default changed meanwhile must not get this sink's balance.
    Answer unmuted;
    Answer set;
    const PulseOperation mute(write->unmute ? pa_context_set_sink_mute_by_index(
                                                  context, write->index, 0, OnSuccess, &unmuted)
                                            : nullptr);
    if (write->unmute && !mute.Sent()) return Attempt::kNoAnswer;
    const PulseOperation volume(pa_context_set_sink_volume_by_index(
        context, write->index, &write->volume, OnSuccess, &set));
    state.Sent(*write);
    if (!Await(volume, set)) return Attempt::kNoAnswer;
    if (write->unmute && !RunUntil([&mute] { return !mute.Running(); })) {
      return Attempt::kNoAnswer;
    }
    if (!set.succeeded || (write->unmute && !unmuted.succeeded)) {
      state.ForgetSink();
      return Attempt::kRefused;
    }
    if (!state.Holds(write->index)) return Attempt::kMissed;
    if (!state.TakesWrites(write->index)) {
      Answer shown;
      const PulseOperation check(
          pa_context_get_sink_info_by_index(context, write->index, OnReadBack, &shown));
      if (!Await(check, shown)) return Attempt::kNoAnswer;
      if (!shown.succeeded || !state.ReadBack(*write, shown.volume)) return Attempt::kDropped;
      if (!state.Holds(write->index)) return Attempt::kMissed;
    }
    state.Wrote(*write);
    return state.HeardOutsideChange() ? Attempt::kCrossed : Attempt::kDone;
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

PulseVolume::PulseVolume(std::shared_ptr<Clock> clock)
    : clock_(std::move(clock)), connection_(std::make_unique<Connection>()) {}

PulseVolume::~PulseVolume() = default;

PulseVolume::Outcome PulseVolume::Write(std::uint32_t value) {
  Connection& connection = *connection_;
  if (connection.abandoned) return Outcome::kRefused;
  if (!connection.Ready()) {
    if (const Outcome connected = connection.Connect(*clock_); connected != Outcome::kDone) {
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
