// The counters the benchmarks and the soak read: what they write to the log,
// line by line, from writes and ticks they are shown.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/counter_log.h"
#include "bench/counting_binding.h"
#include "bench/tick_counter.h"
#include "support/stand_in_binding.h"
#include "toolkit/time/time_environment.h"
#include "toolkit/time/timer.h"

namespace {

// A clock that gives the times it was made with, one a reading, then -1.
std::function<std::int64_t()> ClockReading(std::vector<std::int64_t> times) {
  return [times = std::move(times), next = std::size_t{0}]() mutable {
    return next < times.size() ? times[next++] : -1;
  };
}

// The watcher of ticks this test program installs, once, as the program's
// entry does: a test points it at the counter it checks.
struct Relay final : toolkit::TickObserver {
  toolkit::TickObserver* to = nullptr;
  void Ticked(const toolkit::Timer& timer) override {
    if (to != nullptr) to->Ticked(timer);
  }
  void Ended(const toolkit::Timer& timer) override {
    if (to != nullptr) to->Ended(timer);
  }
};

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

}  // namespace

class CountersTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(toolkit::InstallTime({{}, relay_})); }

  void theBindingPassesEveryCallOnAndCountsRunsOfFailures() {
    auto state = std::make_shared<StandInBinding::State>();
    auto counts = std::make_shared<bench::WriteCounts>();
    bench::CountingBinding binding(std::make_unique<StandInBinding>(state), counts,
                                   ClockReading({100, 200, 300, 400}));
    QVERIFY(binding.SetVolume(1000));
    state->Set(&StandInBinding::State::failing, true);
    QVERIFY(!binding.SetVolume(2000));
    QVERIFY(!binding.SetVolume(3000));
    state->Set(&StandInBinding::State::failing, false);
    QVERIFY(binding.SetVolume(4000));
    QVERIFY(binding.SetVolume(5000));
    state->Set(&StandInBinding::State::failing, true);
    QVERIFY(!binding.SetVolume(6000));

    QCOMPARE(state->Started(), (std::vector<std::uint32_t>{1000, 2000, 3000, 4000, 5000, 6000}));
    QCOMPARE(state->Applied(), (std::vector<std::uint32_t>{1000, 4000, 5000}));
    // The clock is read for failures alone.
    QCOMPARE(counts->Lines(), std::string("writes 3 3\nfailed 100 200 2\nfailed 300 300 1\n"));

    binding.Abandon();
    QVERIFY(state->abandoned);
  }

  void noWritesAreCountedAsNone() {
    QCOMPARE(bench::WriteCounts().Lines(), std::string("writes 0 0\n"));
  }

  void theLogIsAppendedToAndLeftAloneWithoutAPath() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("counters");
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("timer Timer3 5 1 2 3\n");
    earlier.close();

    bench::AppendToLog(path.toLocal8Bit().constData(), "writes 7 0\n");
    bench::AppendToLog(nullptr, "writes 8 0\n");
    bench::AppendToLog(dir.filePath("no/such/dir").toLocal8Bit().constData(), "writes 9 0\n");
    QCOMPARE(Contents(path), QByteArray("timer Timer3 5 1 2 3\nwrites 7 0\n"));
  }

  // Only ticks from the event loop count: one fired by hand is a test's, not
  // the clock's. A timer that never ticked still gets its line when it goes.
  void eachTimerGetsALineOfItsTicksWhenItGoes() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("counters");
    bench::TickCounter counter(path.toLocal8Bit().constData(), ClockReading({1000, 1400, 2900}));
    relay_->to = &counter;
    {
      toolkit::Timer ramp(1, "Timer1");
      toolkit::Timer idle(1, "Timer2");
      int handled = 0;
      ramp.OnTick([&] {
        if (++handled == 4) ramp.SetEnabled(false);
      });
      ramp.SetEnabled(true);
      QVERIFY(ramp.FireTick());
      QTRY_VERIFY_WITH_TIMEOUT(!ramp.Enabled(), 10000);
      QCOMPARE(handled, 4);
      QCOMPARE(Contents(path), QByteArray("(no file)"));
    }
    relay_->to = nullptr;
    QCOMPARE(Contents(path), QByteArray("timer Timer2 0 0 0 0\ntimer Timer1 3 1000 2900 1500\n"));
  }

 private:
  std::shared_ptr<Relay> relay_ = std::make_shared<Relay>();
};

QTEST_MAIN(CountersTest)
#include "test_counters.moc"
