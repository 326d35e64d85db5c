#include "mixer/pulse_volume.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <atomic>
#include <optional>

#include "mixer/pulse_operation.h"

namespace mixer {

namespace {

constexpr const char* kDefaultSink = "@DEFAULT_SINK@";

bool IsLive(pa_context_state_t state) {
  return state != PA_CONTEXT_FAILED && state != PA_CONTEXT_TERMINATED;
}

}  // namespace

std::uint32_t ToServerVolume(std::uint32_t value) {
  return static_cast<std::uint32_t>(ScaleToRange(value, PA_VOLUME_MUTED, PA_VOLUME_NORM));
}

// One main loop and, while there is one, the connection to the server.
struct PulseVolume::Connection {
  pa_mainloop* loop = pa_mainloop_new();
  pa_context* context = nullptr;
  std::optional<Clock::TimePoint> last_attempt;
  std::atomic<bool> abandoned = false;

  // What the server said to the request last awaited.
  bool answered = false;
  bool succeeded = false;

  // The default sink's channel count, 0 until asked; forgotten whenever the
  // server says its defaults changed.
  std::uint8_t channels = 0;

  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    Disconnect();
    pa_mainloop_free(loop);
  }

  void Disconnect() {
    if (context != nullptr) {
      pa_context_set_state_callback(context, nullptr, nullptr);
      pa_context_set_subscribe_callback(context, nullptr, nullptr);
      pa_context_disconnect(context);
      pa_context_unref(context);
      context = nullptr;
    }
    channels = 0;
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

  // Waits for the answer to `request`; false when none came.
  bool Await(const PulseOperation& request) {
    if (!request.Sent()) return false;
    answered = false;
    succeeded = false;
    return RunUntil([&request] { return !request.Running(); }) && answered;
  }

  static void OnSubscription(pa_context* /*context*/, pa_subscription_event_type_t /*event*/,
                             std::uint32_t /*index*/, void* self) {
    // The default sink may have changed: ask again before the next write.
    static_cast<Connection*>(self)->channels = 0;
  }

  static void OnSuccess(pa_context* /*context*/, int success, void* self) {
    auto* connection = static_cast<Connection*>(self);
    connection->answered = true;
    connection->succeeded = success != 0;
  }

  static void OnSinkInfo(pa_context* /*context*/, const pa_sink_info* info, int eol, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (eol != 0) {
      connection->answered = true;
      return;
    }
    if (info != nullptr) {
      connection->channels = info->channel_map.channels;
      connection->succeeded = true;
    }
  }

  // Connects when an attempt is due. Returns kDone when ready.
  Outcome Connect(const Clock& clock, Clock::Duration interval) {
    Disconnect();
    const auto now = clock.Now();
    if (last_attempt && now - *last_attempt < interval) return Outcome::kNoServer;
    last_attempt = now;

    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "bLaRgO");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "blargo");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "blargo");
    context = pa_context_new_with_proplist(pa_mainloop_get_api(loop), "bLaRgO", properties);
    pa_proplist_free(properties);
    if (context == nullptr) return Outcome::kNoServer;
    // Never start a server of our own: the user's session decides that.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      Disconnect();
      return Outcome::kNoServer;
    }
    if (!RunUntil([this] { return Ready(); })) {
      Disconnect();
      return abandoned ? Outcome::kRefused : Outcome::kNoServer;
    }
    pa_context_set_subscribe_callback(context, OnSubscription, this);
    const PulseOperation subscription(
        pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
    return Outcome::kDone;
  }

  Outcome SetVolume(std::uint32_t value) {
    // Twice at most: a write that fails because the default sink changed
    // under us is tried once more with the new sink's channels.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (channels == 0) {
        const PulseOperation sink_info(
            pa_context_get_sink_info_by_name(context, kDefaultSink, OnSinkInfo, this));
        if (!Await(sink_info) || !succeeded || channels == 0) return OutcomeOfNoAnswer();
      }
      pa_cvolume volume;
      pa_cvolume_set(&volume, channels, ToServerVolume(value));
      const PulseOperation set(
          pa_context_set_sink_volume_by_name(context, kDefaultSink, &volume, OnSuccess, this));
      if (!Await(set)) return OutcomeOfNoAnswer();
      if (succeeded) return Outcome::kDone;
      channels = 0;
    }
    return Outcome::kRefused;
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
  return connection.SetVolume(value);
}

void PulseVolume::Abandon() {
  connection_->abandoned = true;
  pa_mainloop_wakeup(connection_->loop);
}

}  // namespace mixer
