#include "toolkit/alarm.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <utility>

#include <sys/timerfd.h>
#include <unistd.h>

namespace toolkit {

namespace {

constexpr std::int64_t kNsPerS = 1'000'000'000;

std::int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * kNsPerS + now.tv_nsec;
}

// A timerfd read through the event loop. The kernel wakes the loop at the
// deadline itself, to the microsecond, where a Qt timer would round and
// re-base its interval on every start.
class TimerFdAlarm final : public Alarm {
 public:
  explicit TimerFdAlarm(int fd) : fd_(fd), notifier_(fd, QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { Readable(); });
  }
  ~TimerFdAlarm() override {
    notifier_.setEnabled(false);
    ::close(fd_);
  }
  TimerFdAlarm(const TimerFdAlarm&) = delete;
  TimerFdAlarm& operator=(const TimerFdAlarm&) = delete;

  [[nodiscard]] std::int64_t Now() const override { return MonotonicNs(); }

  void Set(std::int64_t deadline_ns) override {
    // A zero time would disarm the timer: a deadline long past is 1 ns.
    deadline_ns = std::max<std::int64_t>(deadline_ns, 1);
    itimerspec when{};
    when.it_value.tv_sec = deadline_ns / kNsPerS;
    when.it_value.tv_nsec = deadline_ns % kNsPerS;
    timerfd_settime(fd_, TFD_TIMER_ABSTIME, &when, nullptr);
  }

  void Cancel() override {
    const itimerspec off{};
    timerfd_settime(fd_, 0, &off, nullptr);
  }

 private:
  void Readable() {
    std::uint64_t expirations = 0;
    // Nothing to read means it was set again or cancelled since it rang.
    if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations) return;
    Ring();  // may destroy this alarm: nothing after it
  }

  int fd_;
  QSocketNotifier notifier_;
};

// Where the kernel gives no timerfd: a precise single-shot Qt timer, to the
// millisecond.
class QtTimerAlarm final : public Alarm {
 public:
  QtTimerAlarm() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Ring(); });
  }
  [[nodiscard]] std::int64_t Now() const override { return MonotonicNs(); }
  void Set(std::int64_t deadline_ns) override {
    const std::int64_t wait_ms = (deadline_ns - Now() + 999'999) / 1'000'000;
    timer_.start(static_cast<int>(std::clamp<std::int64_t>(wait_ms, 0, 1'000'000)));
  }
  void Cancel() override { timer_.stop(); }

 private:
  QTimer timer_;
};

AlarmFactory& Factory() {
  static AlarmFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<Alarm> MakeAlarm() {
  if (Factory()) return Factory()();
  const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (fd >= 0) return std::make_unique<TimerFdAlarm>(fd);
  static bool told = false;
  if (!told) {
    told = true;
    std::fprintf(stderr, "blargo: no timerfd (errno %d); timers fall back to Qt's\n", errno);
  }
  return std::make_unique<QtTimerAlarm>();
}

void SetAlarmFactory(AlarmFactory factory) { Factory() = std::move(factory); }

}  // namespace toolkit
