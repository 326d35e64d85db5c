#include "mixer/system/mixer_thread.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "mixer/system/shortage_report.h"

namespace mixer {

// Everything the thread touches. The thread holds a reference of its own, so
// a thread left behind at exit never uses anything already destroyed.
struct MixerThread::Shared {
  struct Request {
    std::uint32_t value;
    std::uint64_t number;  // in the order the levels were asked for
  };

  std::unique_ptr<VolumeBinding> binding;
  std::shared_ptr<Clock> clock;

  std::mutex mutex;
  // Two wakes, one per direction, so a notice reaches only the side that
  // waits for it: the thread for a level, callers for an answer or the end.
  std::condition_variable level_due;
  std::condition_variable answered;
  // The newest level not yet handed to the binding.
  std::optional<Request> unsent;
  // Set when `unsent` is a level that failed, due again at `retry_at`.
  bool unsent_failed = false;
  Clock::TimePoint retry_at{};
  // When the binding took the level it is working on, while it works.
  std::optional<Clock::TimePoint> busy_since;
  std::uint64_t last_number = 0;
  std::uint64_t answered_number = 0;
  bool answered_ok = false;
  bool stopping = false;
  bool ended = false;

  Shared(std::unique_ptr<VolumeBinding> binding_in, std::shared_ptr<Clock> clock_in)
      : binding(std::move(binding_in)), clock(std::move(clock_in)) {}

  [[nodiscard]] bool HasDueRequest() const {
    return unsent && (!unsent_failed || clock->Now() >= retry_at);
  }
};

MixerThread::MixerThread(std::unique_ptr<VolumeBinding> binding, std::shared_ptr<Clock> clock)
    : shared_(std::make_shared<Shared>(std::move(binding), std::move(clock))) {
  try {
    thread_ = std::thread([shared = shared_] { Run(shared); });
  } catch (const std::system_error& error) {
    // Short of threads or memory: every write fails at once, as a mixer
    // that is there but refuses, and the window goes on.
    ReportShortage("cannot start the mixer", error.code().value());
    shared_->stopping = true;
    shared_->ended = true;
  }
}

MixerThread::~MixerThread() { Stop(); }

void MixerThread::Run(const std::shared_ptr<Shared>& shared) {
  Shared& s = *shared;
  std::unique_lock lock(s.mutex);
  while (true) {
    while (!s.stopping && !s.HasDueRequest()) {
      s.clock->WaitUntil(s.level_due, lock, s.unsent_failed ? s.retry_at : Clock::TimePoint::max());
    }
    if (s.stopping) break;
    // A due request has one waiting; said again here, where it is taken.
    if (!s.unsent) continue;
    const Shared::Request request = *s.unsent;
    s.unsent.reset();
    s.unsent_failed = false;
    s.busy_since = s.clock->Now();
    lock.unlock();
    const bool ok = s.binding->SetVolume(request.value);
    lock.lock();
    s.busy_since.reset();
    s.answered_number = request.number;
    s.answered_ok = ok;
    if (!ok && !s.unsent) {
      s.unsent = request;
      s.unsent_failed = true;
      s.retry_at = s.clock->Now() + kRetryInterval;
    }
    // Woken after the unlock, the caller never wakes only to wait for the
    // mutex: at a thousand writes a second that wait is a cost of its own.
    lock.unlock();
    s.answered.notify_all();
    lock.lock();
  }
  s.ended = true;
  lock.unlock();
  s.answered.notify_all();
}

bool MixerThread::Write(std::uint32_t value) {
  Shared& s = *shared_;
  std::unique_lock lock(s.mutex);
  if (s.stopping) return false;
  const std::uint64_t number = ++s.last_number;
  s.unsent = Shared::Request{value, number};
  s.unsent_failed = false;
  lock.unlock();
  s.level_due.notify_one();
  lock.lock();

  const auto now = s.clock->Now();
  if (s.busy_since && now - *s.busy_since >= kBudget) return false;
  const auto deadline = now + kBudget;
  while (s.answered_number < number) {
    if (s.clock->Now() >= deadline) return false;
    s.clock->WaitUntil(s.answered, lock, deadline);
  }
  return s.answered_number == number && s.answered_ok;
}

bool MixerThread::Stop() {
  Shared& s = *shared_;
  if (!thread_.joinable()) {
    const std::lock_guard lock(s.mutex);
    return s.ended;
  }
  {
    const std::lock_guard lock(s.mutex);
    s.stopping = true;
  }
  s.level_due.notify_one();
  s.binding->Abandon();
  std::unique_lock lock(s.mutex);
  const auto deadline = s.clock->Now() + kStopBound;
  while (!s.ended && s.clock->Now() < deadline) s.clock->WaitUntil(s.answered, lock, deadline);
  const bool ended = s.ended;
  lock.unlock();
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();
  }
  return ended;
}

}  // namespace mixer
