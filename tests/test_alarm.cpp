// The system's alarm on the machine's own clock: a repeating alarm is armed
// once and the kernel keeps its grid, so these run on real time. Nothing
// here asserts how soon a ring comes, only what a ring may never do: come
// before its point of the grid, or come twice for a late point.
#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "support/event_wait.h"
#include "toolkit/time/alarm.h"

namespace {

using toolkit::TimePoint;
constexpr std::chrono::nanoseconds kMs = std::chrono::milliseconds(1);

// A point `ns` nanoseconds into the clock.
constexpr TimePoint At(std::int64_t ns) { return TimePoint(std::chrono::nanoseconds(ns)); }

// An alarm that notes the time of each ring.
struct Rings {
  std::unique_ptr<toolkit::Alarm> alarm = toolkit::MakeAlarm();
  std::vector<TimePoint> at;
  std::function<void()> also;

  Rings() {
    alarm->OnRing([this] {
      at.push_back(alarm->Now());
      if (also) also();
    });
  }
};

}  // namespace

class AlarmTest : public QObject {
  Q_OBJECT

 private slots:
  void theNextPointOfAGridLiesAfterNow() {
    constexpr std::chrono::nanoseconds kPeriod(10);
    QCOMPARE(toolkit::NextOnGrid(At(100), kPeriod, At(40)), At(100));  // still ahead
    QCOMPARE(toolkit::NextOnGrid(At(100), kPeriod, At(100)), At(110));
    QCOMPARE(toolkit::NextOnGrid(At(100), kPeriod, At(103)), At(110));
    QCOMPARE(toolkit::NextOnGrid(At(100), kPeriod, At(155)), At(160));  // five missed
    QCOMPARE(toolkit::NextOnGrid(At(100), kPeriod, At(160)), At(170));
  }

  void aRepeatingAlarmRingsOnItsGridUntilCancelled() {
    Rings rings;
    const TimePoint first = rings.alarm->Now() + 2 * kMs;
    rings.alarm->SetRepeating(first, 2 * kMs);
    QVERIFY(EventsUntil([&] { return rings.at.size() >= 5; }));
    // However late the loop comes round, a ring is never early: the k-th
    // comes at or after the k-th point, and none comes twice for one point.
    for (std::size_t k = 0; k < rings.at.size(); ++k) {
      QVERIFY(rings.at[k] >= first + static_cast<int>(k) * 2 * kMs);
      if (k > 0) QVERIFY(rings.at[k] > rings.at[k - 1]);
    }
    rings.alarm->Cancel();
    const std::size_t rung = rings.at.size();
    const TimePoint cancelled = rings.alarm->Now();
    while (rings.alarm->Now() - cancelled < 20 * kMs) QCoreApplication::processEvents();
    QCOMPARE(rings.at.size(), rung);
  }

  void pointsMissedWhileTheLoopWasBusyRingOnce() {
    Rings rings;
    const std::chrono::nanoseconds period = 1 * kMs;
    // The first ring holds the loop for twenty periods, as a slow handler
    // would: the twenty points it misses come as one ring, not a burst.
    std::optional<TimePoint> busy_until;
    rings.also = [&rings, &busy_until] {
      if (rings.at.size() != 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      busy_until = rings.alarm->Now();
    };
    rings.alarm->SetRepeating(rings.alarm->Now() + period, period);
    QVERIFY(EventsUntil([&] { return busy_until.has_value(); }));
    const TimePoint busy_end = *busy_until;
    const auto rung_since = [&] {
      return std::count_if(rings.at.begin(), rings.at.end(),
                           [&](TimePoint t) { return t >= busy_end; });
    };
    TimePoint now = busy_end;
    while ((now - busy_end < 3 * period || rung_since() == 0) && now - busy_end < 10'000 * kMs) {
      QCoreApplication::processEvents();
      now = rings.alarm->Now();
    }
    rings.alarm->Cancel();
    // One ring for all that was missed, then at most one for each point
    // that came while the loop went round; a burst would bring twenty more.
    QVERIFY(rung_since() >= 1);
    QVERIFY2(rung_since() <= 2 + (now - busy_end) / period,
             qPrintable(QString("%1 rings in %2 ns")
                            .arg(rung_since())
                            .arg(std::chrono::nanoseconds(now - busy_end).count())));
  }

  void settingAgainReplacesTheGrid() {
    Rings rings;
    const TimePoint now = rings.alarm->Now();
    rings.alarm->SetRepeating(now + 1 * kMs, 1 * kMs);
    // Replaced before it rang: a single ring, far off, and nothing before.
    rings.alarm->Set(now + 60'000 * kMs);
    while (rings.alarm->Now() - now < 20 * kMs) QCoreApplication::processEvents();
    QVERIFY(rings.at.empty());
    rings.alarm->Set(rings.alarm->Now());  // a point already here rings at once
    EventsUntil([&] { return rings.at.size() == 1; });
    QCOMPARE(rings.at.size(), std::size_t{1});
    const TimePoint rang = rings.alarm->Now();
    while (rings.alarm->Now() - rang < 20 * kMs) QCoreApplication::processEvents();
    QCOMPARE(rings.at.size(), std::size_t{1});
  }
};

QTEST_GUILESS_MAIN(AlarmTest)
#include "test_alarm.moc"
