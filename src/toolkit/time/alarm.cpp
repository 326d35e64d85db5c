#include "toolkit/time/alarm.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <utility>

#include <sys/timerfd.h>
#include <unistd.h>

#include "identity/program_identity.h"

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

  [[nodiscard]] std::int64_t Now() const override { return MonotonicNs(); }

  void Set(std::int64_t deadline_ns) override { SetRepeating(deadline_ns, 0); }

  void SetRepeating(std::int64_t first_ns, std::int64_t period_ns) override {
    // A zero time would disarm the timer: a deadline long past is 1 ns.
    first_ns = std::max<std::int64_t>(first_ns, 1);
    itimerspec when{};
    when.it_value.tv_sec = first_ns / kNsPerS;
    when.it_value.tv_nsec = first_ns % kNsPerS;
    when.it_interval.tv_sec = period_ns / kNsPerS;
    when.it_interval.tv_nsec = period_ns % kNsPerS;
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
  [[nodiscard]] std::int64_t Now() const override { return MonotonicNs(); }
  void Set(std::int64_t deadline_ns) override { SetRepeating(deadline_ns, 0); }
  void SetRepeating(std::int64_t first_ns, std::int64_t period_ns) override {
    deadline_ns_ = first_ns;
    period_ns_ = period_ns;
    Start();
  }
  void Cancel() override { timer_.stop(); }

 private:
  void Start() {
    const std::int64_t wait_ms = (deadline_ns_ - Now() + 999'999) / 1'000'000;
    timer_.start(static_cast<int>(std::clamp<std::int64_t>(wait_ms, 0, 1'000'000)));
  }

  void Rang() {
    if (period_ns_ > 0) {
      deadline_ns_ = NextOnGrid(deadline_ns_, period_ns_, Now());
      Start();
    }
    Ring();  // may destroy this alarm: nothing after it
  }

  QTimer timer_;
  std::int64_t deadline_ns_ = 0;
  std::int64_t period_ns_ = 0;
};

AlarmFactory& Factory() {
  static AlarmFactory factory;
  return factory;
}

}  // namespace

std::int64_t NextOnGrid(std::int64_t point_ns, std::int64_t period_ns, std::int64_t now_ns) {
  if (now_ns < point_ns) return point_ns;
  return point_ns + ((now_ns - point_ns) / period_ns + 1) * period_ns;
}

std::unique_ptr<Alarm> MakeAlarm() {
  if (Factory()) return Factory()();
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

void SetAlarmFactory(AlarmFactory factory) { Factory() = std::move(factory); }

}  // namespace toolkit
