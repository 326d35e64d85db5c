#include "mixer/pulse_volume.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <algorithm>

namespace mixer {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDefaultSink = "@DEFAULT_SINK@";

bool IsLive(pa_context_state_t state) {
  return state != PA_CONTEXT_FAILED && state != PA_CONTEXT_TERMINATED;
}

}  // namespace

std::uint32_t ToServerVolume(std::uint32_t value) {
  const std::uint64_t clamped = std::min(value, kFullVolume);
  return static_cast<std::uint32_t>((clamped * PA_VOLUME_NORM + kFullVolume / 2) / kFullVolume);
}

// One main loop and, while there is one, the connection to the server.
struct PulseVolume::Connection {
  pa_mainloop* loop = pa_mainloop_new();
  pa_context* context = nullptr;
  Clock::time_point last_attempt{};
  bool ever_attempted = false;

  // The one request in flight. When it outlives a write's budget it stays
  // here, and no new request is sent until the server has answered it.
  pa_operation* pending = nullptr;
  bool answered = false;
  bool succeeded = false;

  // The default sink's channel count, 0 until asked; forgotten whenever the
  // server says its defaults changed.
  std::uint8_t channels = 0;

  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    Drop();
    pa_mainloop_free(loop);
  }

  void Drop() {
    ForgetPending();
    if (context != nullptr) {
      pa_context_set_state_callback(context, nullptr, nullptr);
      pa_context_set_subscribe_callback(context, nullptr, nullptr);
      pa_context_disconnect(context);
      pa_context_unref(context);
      context = nullptr;
    }
    channels = 0;
  }

  void ForgetPending() {
    if (pending != nullptr) {
      pa_operation_cancel(pending);
      pa_operation_unref(pending);
      pending = nullptr;
    }
  }

  [[nodiscard]] bool Ready() const {
    return context != nullptr && pa_context_get_state(context) == PA_CONTEXT_READY;
  }

  // Dispatches whatever has arrived, without waiting.
  void Poll() { pa_mainloop_iterate(loop, 0, nullptr); }

  // Runs the loop until `done` holds, the connection is lost, or the deadline
  // passes. Returns whether `done` holds.
  template <typename Done>
  bool RunUntil(Done done, Clock::time_point deadline) {
    while (!done()) {
      if (context == nullptr || !IsLive(pa_context_get_state(context))) return false;
      const auto left =
          std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
      if (left.count() <= 0) return done();
      if (pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 ||
          pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0) {
        return done();
      }
    }
    return true;
  }

  // True once the request in flight has been answered (or there is none).
  bool Settled() {
    if (pending == nullptr) return true;
    if (pa_operation_get_state(pending) == PA_OPERATION_RUNNING) return false;
    pa_operation_unref(pending);
    pending = nullptr;
    return true;
  }

  bool Await(pa_operation* operation, Clock::time_point deadline) {
    if (operation == nullptr) return false;
    pending = operation;
    answered = false;
    return RunUntil([this] { return Settled(); }, deadline) && answered;
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

  // Connects, at most once per `interval`. Returns kDone when ready.
  Outcome Connect(Clock::time_point deadline, std::chrono::microseconds interval) {
    if (context != nullptr) {
      if (IsLive(pa_context_get_state(context))) {
        // Still shaking hands with a server that has not answered yet.
        Poll();
        return Ready() ? Outcome::kDone : Outcome::kRefused;
      }
      Drop();
    }
    const auto now = Clock::now();
    if (ever_attempted && now - last_attempt < interval) return Outcome::kNoServer;
    ever_attempted = true;
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
      Drop();
      return Outcome::kNoServer;
    }
    const bool settled = RunUntil(
        [this] {
          const auto state = pa_context_get_state(context);
          return state == PA_CONTEXT_READY || !IsLive(state);
        },
        deadline);
    if (Ready()) {
      pa_context_set_subscribe_callback(context, OnSubscription, this);
      if (pa_operation* op =
              pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr)) {
        pa_operation_unref(op);
      }
      return Outcome::kDone;
    }
    if (!settled && context != nullptr && IsLive(pa_context_get_state(context))) {
      return Outcome::kRefused;  // a server took the connection but is not answering
    }
    Drop();
    return Outcome::kNoServer;
  }

  Outcome SetVolume(std::uint32_t value, Clock::time_point deadline) {
    // Twice at most: a write that fails because the default sink changed
    // under us is tried once more with the new sink's channels.
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (channels == 0) {
        succeeded = false;
        if (!Await(pa_context_get_sink_info_by_name(context, kDefaultSink, OnSinkInfo, this),
                   deadline) ||
            !succeeded || channels == 0) {
          return Lost();
        }
      }
      pa_cvolume volume;
      pa_cvolume_set(&volume, channels, ToServerVolume(value));
      if (!Await(
              pa_context_set_sink_volume_by_name(context, kDefaultSink, &volume, OnSuccess, this),
              deadline)) {
        return Lost();
      }
      if (succeeded) return Outcome::kDone;
      channels = 0;
    }
    return Outcome::kRefused;
  }

  // What a write that got no (good) answer amounts to.
  Outcome Lost() {
    if (context != nullptr && IsLive(pa_context_get_state(context))) return Outcome::kRefused;
    Drop();
    return Outcome::kNoServer;
  }
};

PulseVolume::PulseVolume() : PulseVolume(Timing{}) {}

PulseVolume::PulseVolume(Timing timing)
    : timing_(timing), connection_(std::make_unique<Connection>()) {}

PulseVolume::~PulseVolume() = default;

PulseVolume::Outcome PulseVolume::Write(std::uint32_t value) {
  const auto deadline = Clock::now() + timing_.budget;
  Connection& c = *connection_;
  if (!c.Ready()) {
    if (const Outcome connected = c.Connect(deadline, timing_.reconnect_interval);
        connected != Outcome::kDone) {
      return connected;
    }
  }
  if (!c.Settled()) {
    c.Poll();
    if (!c.Settled()) return c.Lost();
  }
  return c.SetVolume(value, deadline);
}

}  // namespace mixer
