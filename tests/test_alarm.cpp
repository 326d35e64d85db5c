// The system's alarm on the machine's own clock: a repeating alarm is armed
// once and the kernel keeps its grid, so these run on real time. Nothing
// here asserts how soon a ring comes, only what a ring may never do: come
// before its point of the grid, or come twice for a late point.
#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <thread>
#include <vector>

#include "toolkit/time/alarm.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;

// An alarm that notes the time of each ring.
struct Rings {
  std::unique_ptr<toolkit::Alarm> alarm = toolkit::MakeAlarm();
  std::vector<std::int64_t> at;
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
    QCOMPARE(toolkit::NextOnGrid(100, 10, 40), std::int64_t{100});  // still ahead
    QCOMPARE(toolkit::NextOnGrid(100, 10, 100), std::int64_t{110});
    QCOMPARE(toolkit::NextOnGrid(100, 10, 103), std::int64_t{110});
    QCOMPARE(toolkit::NextOnGrid(100, 10, 155), std::int64_t{160});  // five missed
    QCOMPARE(toolkit::NextOnGrid(100, 10, 160), std::int64_t{170});
  }

  void aRepeatingAlarmRingsOnItsGridUntilCancelled() {
    Rings rings;
    const std::int64_t first = rings.alarm->Now() + 2 * kMs;
    rings.alarm->SetRepeating(first, 2 * kMs);
    QTRY_VERIFY_WITH_TIMEOUT(rings.at.size() >= 5, 10000);
    // However late the loop comes round, a ring is never early: the k-th
    // comes at or after the k-th point, and none comes twice for one point.
    for (std::size_t k = 0; k < rings.at.size(); ++k) {
      QVERIFY(rings.at[k] >= first + static_cast<std::int64_t>(k) * 2 * kMs);
      if (k > 0) QVERIFY(rings.at[k] - rings.at[k - 1] > 0);
    }
    rings.alarm->Cancel();
    const std::size_t rung = rings.at.size();
    const std::int64_t cancelled = rings.alarm->Now();
    while (rings.alarm->Now() - cancelled < 20 * kMs) QCoreApplication::processEvents();
    QCOMPARE(rings.at.size(), rung);
  }

  void pointsMissedWhileTheLoopWasBusyRingOnce() {
    Rings rings;
    const std::int64_t period = 1 * kMs;
    // The first ring holds the loop for twenty periods, as a slow handler
    // would: the twenty points it misses come as one ring, not a burst.
    std::int64_t busy_until = -1;
    rings.also = [&rings, &busy_until] {
      if (rings.at.size() != 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      busy_until = rings.alarm->Now();
    };
    rings.alarm->SetRepeating(rings.alarm->Now() + period, period);
    QTRY_VERIFY_WITH_TIMEOUT(busy_until >= 0, 10000);
    const auto rung_since = [&] {
      return std::count_if(rings.at.begin(), rings.at.end(),
                           [&](std::int64_t t) { return t >= busy_until; });
    };
    std::int64_t now = busy_until;
    while ((now - busy_until < 3 * period || rung_since() == 0) &&
           now - busy_until < 10'000 * kMs) {
      QCoreApplication::processEvents();
      now = rings.alarm->Now();
    }
    rings.alarm->Cancel();
    // One ring for all that was missed, then at most one for each point
    // that came while the loop went round; a burst would bring twenty more.
    QVERIFY(rung_since() >= 1);
    QVERIFY2(rung_since() <= 2 + (now - busy_until) / period,
             qPrintable(QString("%1 rings in %2 ns").arg(rung_since()).arg(now - busy_until)));
  }

  void settingAgainReplacesTheGrid() {
    Rings rings;
    const std::int64_t now = rings.alarm->Now();
    rings.alarm->SetRepeating(now + 1 * kMs, 1 * kMs);
    // Replaced before it rang: a single ring, far off, and nothing before.
    rings.alarm->Set(now + 60'000 * kMs);
    while (rings.alarm->Now() - now < 20 * kMs) QCoreApplication::processEvents();
    QVERIFY(rings.at.empty());
    rings.alarm->Set(rings.alarm->Now());  // a point already here rings at once
    QTRY_COMPARE_WITH_TIMEOUT(rings.at.size(), std::size_t{1}, 10000);
    const std::int64_t rang = rings.alarm->Now();
    while (rings.alarm->Now() - rang < 20 * kMs) QCoreApplication::processEvents();
    QCOMPARE(rings.at.size(), std::size_t{1});
  }
};

QTEST_GUILESS_MAIN(AlarmTest)
#include "test_alarm.moc"
