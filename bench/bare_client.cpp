#include "bench/bare_client.h"

#include <pulse/introspect.h>
#include <pulse/volume.h>

#include "mixer/system/pulse_volume.h"

namespace bench {

namespace {

// Long enough for a server that has only just started on a busy machine.
constexpr std::chrono::seconds kConnectWithin{5};

}  // namespace

BareClient::BareClient(std::chrono::milliseconds answer_within) : answer_within_(answer_within) {
  context_ = pa_context_new(pa_mainloop_get_api(loop_), "write-floor");
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
  RunUntil(
      [this] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
      },
      Clock::now() + kConnectWithin);
}

BareClient::~BareClient() {
  pa_context_disconnect(context_);
  pa_context_unref(context_);
  pa_mainloop_free(loop_);
}

bool BareClient::Ready() const { return pa_context_get_state(context_) == PA_CONTEXT_READY; }

bool BareClient::Write(std::uint32_t value) {
  pa_cvolume volume;
  pa_cvolume_set(&volume, 2, mixer::ToServerVolume(value));
  done_ = false;
  ok_ = false;
  pa_operation* op =
      pa_context_set_sink_volume_by_name(context_, "@DEFAULT_SINK@", &volume, OnDone, this);
  if (op == nullptr) return false;
  const bool answered =
      RunUntil([this, op] { return done_ || pa_operation_get_state(op) != PA_OPERATION_RUNNING; },
               Clock::now() + answer_within_);
  // A late answer must not land on the next write's flags.
  if (!answered) pa_operation_cancel(op);
  pa_operation_unref(op);
  return answered && done_ && ok_;
}

template <typename Finished>
bool BareClient::RunUntil(Finished finished, Clock::time_point deadline) {
  while (!finished()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    if (pa_mainloop_prepare(loop_, static_cast<int>(left)) < 0 || pa_mainloop_poll(loop_) < 0 ||
        pa_mainloop_dispatch(loop_) < 0) {
      return false;
    }
  }
  return true;
}

void BareClient::OnDone(pa_context* /*context*/, int success, void* self) {
  static_cast<BareClient*>(self)->done_ = true;
  static_cast<BareClient*>(self)->ok_ = success != 0;
}

}  // namespace bench
