#include "toolkit/time/alarm.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include <sys/timerfd.h>
#include <unistd.h>

#include "identity/program_identity.h"
#include "toolkit/time/time_environment.h"

namespace toolkit {

namespace {

// The clock the timerfd is armed on, read by that name: steady_clock is the
// same one on Linux, but nothing promises it.
TimePoint Monotonic() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return TimePoint(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
}

timespec AsTimespec(Duration duration) {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(duration);
  return {static_cast<time_t>(seconds.count()),
          static_cast<long>(std::chrono::nanoseconds(duration - seconds).count())};
}

// A timerfd read through the event loop. The kernel wakes the loop at the
// deadline itself, to the microsecond, where a Qt timer would round and
// re-base its interval on every start. A repeating one is armed once: the
// kernel keeps the grid, so a clock ticking a thousand times a second costs
// one read a tick and no call to set it again.
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

  [[nodiscard]] TimePoint Now() const override { return Monotonic(); }

  void Set(TimePoint deadline) override { SetRepeating(deadline, Duration::zero()); }

  void SetRepeating(TimePoint first, Duration period) override {
    // A zero time would disarm the timer: a deadline long past is 1 ns.
    const Duration since_boot = std::max<Duration>(first.time_since_epoch(), Duration(1));
    itimerspec when{};
    when.it_value = AsTimespec(since_boot);
    when.it_interval = AsTimespec(period);
    timerfd_settime(fd_, TFD_TIMER_ABSTIME, &when, nullptr);
  }

  void Cancel() override {
    const itimerspec off{};
    timerfd_settime(fd_, 0, &off, nullptr);
  }

 private:
  void Readable() {
    // Any number of expirations is one ring. Nothing to read means it was
    // set again or cancelled since it rang.
    std::uint64_t expirations = 0;
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
    QObject::connect(&timer_, &QTimer::timeout, [this] { Rang(); });
  }
  [[nodiscard]] TimePoint Now() const override { return Monotonic(); }
  void Set(TimePoint deadline) override { SetRepeating(deadline, Duration::zero()); }
  void SetRepeating(TimePoint first, Duration period) override {
    deadline_ = first;
    period_ = period;
    Start();
  }
  void Cancel() override { timer_.stop(); }

 private:
  void Start() {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Now());
    timer_.start(static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, 1'000'000)));
  }

  void Rang() {
    if (period_ > Duration::zero()) {
      deadline_ = NextOnGrid(deadline_, period_, Now());
      Start();
    }
    Ring();  // may destroy this alarm: nothing after it
  }

  QTimer timer_;
  TimePoint deadline_;
  Duration period_{};
};

}  // namespace

std::unique_ptr<Alarm> SystemAlarm() {
  const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (fd >= 0) return std::make_unique<TimerFdAlarm>(fd);
  static bool told = false;
  if (!told) {
    told = true;
    std::fprintf(stderr, "%s: no timerfd (errno %d); timers fall back to Qt's\n",
                 identity::kExecutableName, errno);
  }
  return std::make_unique<QtTimerAlarm>();
}

std::unique_ptr<Alarm> MakeAlarm() {
  const AlarmFactory& factory = InstalledTime().alarms;
  if (!factory) return SystemAlarm();
  std::unique_ptr<Alarm> alarm = factory();
  // A factory that made nothing leaves the system's in its place.
  if (alarm == nullptr) return SystemAlarm();
  return alarm;
}

}  // namespace toolkit
