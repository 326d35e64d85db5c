// The mixer thread against a stand-in binding and a stepped clock: the write
// budget, the latest level winning, retries of failed levels and closing,
// each checked without sleeping.
#include <QTest>
#include <chrono>
#include <memory>
#include <vector>

#include "mixer/system/mixer_thread.h"
#include "support/stand_in_binding.h"
#include "support/stepped_clock.h"
#include "support/threaded_call.h"

using namespace std::chrono_literals;
using Levels = std::vector<std::uint32_t>;

class MixerThreadTest : public QObject {
  Q_OBJECT

  std::shared_ptr<SteppedClock> clock_;
  std::shared_ptr<StandInBinding::State> binding_;
  std::unique_ptr<mixer::MixerThread> mixer_;

  // A write that the held binding does not answer: it fails when the clock
  // reaches the end of its 50 ms budget, and not before.
  void WriteThatOutlivesItsBudget(std::uint32_t value) {
    const std::size_t before = binding_->Started().size();
    ThreadedCall<bool> write([this, value] { return mixer_->Write(value); });
    QVERIFY(binding_->WaitFor([&] { return binding_->started.size() > before; }));
    clock_->Advance(49ms);
    QVERIFY(!write.Returned());
    clock_->Advance(1ms);
    bool written = true;
    QVERIFY(write.Finish(written));
    QVERIFY(!written);
  }

  // A write that returns false without waiting for the clock at all.
  void WriteThatFailsAtOnce(std::uint32_t value) {
    const int timed_waits = clock_->TimedWaits();
    ThreadedCall<bool> write([this, value] { return mixer_->Write(value); });
    bool written = true;
    QVERIFY(write.Finish(written));
    QVERIFY(!written);
    QCOMPARE(clock_->TimedWaits(), timed_waits);
  }

 private slots:
  void init() {
    clock_ = std::make_shared<SteppedClock>();
    binding_ = std::make_shared<StandInBinding::State>();
    mixer_ =
        std::make_unique<mixer::MixerThread>(std::make_unique<StandInBinding>(binding_), clock_);
  }
  void cleanup() {
    binding_->Set(&StandInBinding::State::held, false);
    mixer_.reset();
    QVERIFY(binding_->WaitFor([this] { return binding_->destroyed; }));
  }

  void aWriteReportsTheAnswerToThatWrite() {
    QVERIFY(mixer_->Write(33000));
    binding_->Set(&StandInBinding::State::failing, true);
    QVERIFY(!mixer_->Write(49500));
    QCOMPARE(binding_->Applied(), Levels{33000});
  }

  void whileAWriteIsStuckOnlyTheNewestLevelFollowsIt() {
    QVERIFY(mixer_->Write(65535));
    binding_->Set(&StandInBinding::State::held, true);
    WriteThatOutlivesItsBudget(0);
    // The stuck write is past its budget: later calls hand their level over
    // and return without waiting, each replacing the one before.
    WriteThatFailsAtOnce(0);
    WriteThatFailsAtOnce(16500);
    WriteThatFailsAtOnce(49500);
    QCOMPARE(binding_->Started(), (Levels{65535, 0}));
    // The answer comes late: the newest level follows at once, without the
    // clock moving, and nothing older than it.
    binding_->Set(&StandInBinding::State::held, false);
    QVERIFY(binding_->WaitFor([this] { return binding_->applied.size() == 3; }));
    QCOMPARE(binding_->Applied(), (Levels{65535, 0, 49500}));
    // Once it has caught up, a write waits for its answer again.
    QVERIFY(mixer_->Write(33000));
    QCOMPARE(binding_->Applied(), (Levels{65535, 0, 49500, 33000}));
  }

  // A write that fails just as a newer level is handed over must give way to
  // it: the newer level goes next, and the failed one is never tried again.
  void aWriteThatFailsInFlightGivesWayToTheLevelHandedOverMeanwhile() {
    QVERIFY(mixer_->Write(16500));
    binding_->Set(&StandInBinding::State::failing, true);
    binding_->Set(&StandInBinding::State::held, true);
    WriteThatOutlivesItsBudget(33000);
    WriteThatFailsAtOnce(49500);
    const int waits = clock_->TimedWaits();
    binding_->Set(&StandInBinding::State::held, false);
    // Without the clock moving: the newer level is due at once, not a retry.
    QVERIFY(binding_->WaitFor([this] { return binding_->started.size() == 3; }));
    QCOMPARE(binding_->Started(), (Levels{16500, 33000, 49500}));
    // It fails too, and the thread sleeps until its retry (the only timed
    // wait since); once the system recovers, that retry is what lands.
    QVERIFY(PollUntil([&] { return clock_->TimedWaits() > waits; }));
    binding_->Set(&StandInBinding::State::failing, false);
    clock_->Advance(100ms);
    QVERIFY(binding_->WaitFor([this] { return binding_->applied.size() == 2; }));
    QCOMPARE(binding_->Applied(), (Levels{16500, 49500}));
    QCOMPARE(binding_->Started(), (Levels{16500, 33000, 49500, 49500}));
  }

  void theNewestFailedLevelIsTriedAgainEveryRetryInterval() {
    binding_->Set(&StandInBinding::State::failing, true);
    QVERIFY(!mixer_->Write(16500));
    QVERIFY(!mixer_->Write(33000));  // a new level is tried at once
    QCOMPARE(binding_->Started(), (Levels{16500, 33000}));
    // Then the thread sleeps on the clock instead of trying again.
    QVERIFY(PollUntil([this] { return clock_->TimedWaits() > 0; }));
    const int waits = clock_->TimedWaits();
    clock_->Advance(99ms);
    QVERIFY(PollUntil([&] { return clock_->TimedWaits() > waits; }));
    QCOMPARE(binding_->Started(), (Levels{16500, 33000}));
    const int waits_before_retry = clock_->TimedWaits();
    clock_->Advance(1ms);
    QVERIFY(binding_->WaitFor([this] { return binding_->started.size() == 3; }));
    QCOMPARE(binding_->Started().back(), 33000U);  // the newest, not 16500
    // The system recovers: the next retry lands with no call from anyone.
    // The clock moves on only once the thread sleeps until that retry, or the
    // retry would be set from the time already moved on.
    binding_->Set(&StandInBinding::State::failing, false);
    QVERIFY(PollUntil([&] { return clock_->TimedWaits() > waits_before_retry; }));
    clock_->Advance(100ms);
    QVERIFY(binding_->WaitFor([this] { return !binding_->applied.empty(); }));
    QCOMPARE(binding_->Applied(), Levels{33000});
  }

  void aNewLevelReplacesAFailedOneWaitingForItsRetry() {
    binding_->Set(&StandInBinding::State::failing, true);
    QVERIFY(!mixer_->Write(16500));
    binding_->Set(&StandInBinding::State::failing, false);
    QVERIFY(mixer_->Write(49500));
    clock_->Advance(1s);
    QVERIFY(mixer_->Write(49500));
    QCOMPARE(binding_->Applied(), (Levels{49500, 49500}));
  }

  void closingEndsAnIdleOrInterruptibleThreadAtOnce() {
    QVERIFY(mixer_->Write(33000));
    binding_->Set(&StandInBinding::State::held, true);
    WriteThatOutlivesItsBudget(49500);
    // The binding gives up when abandoned, as one waiting on a server does.
    ThreadedCall<bool> stop([this] { return mixer_->Stop(); });
    bool ended = false;
    QVERIFY(stop.Finish(ended));
    QVERIFY(ended);
    QVERIFY(!mixer_->Write(0));
    QCOMPARE(binding_->Applied(), Levels{33000});
  }

  void closingLeavesAThreadStuckInALibraryCallBehindWithinItsBound() {
    binding_->Set(&StandInBinding::State::ignores_abandon, true);
    binding_->Set(&StandInBinding::State::held, true);
    WriteThatOutlivesItsBudget(33000);
    const int timed_waits = clock_->TimedWaits();
    ThreadedCall<bool> stop([this] { return mixer_->Stop(); });
    QVERIFY(PollUntil([&] { return clock_->TimedWaits() > timed_waits; }));
    QVERIFY(binding_->WaitFor([this] { return binding_->abandoned; }));
    clock_->Advance(99ms);
    QVERIFY(!stop.Returned());
    clock_->Advance(1ms);
    bool ended = true;
    QVERIFY(stop.Finish(ended));
    QVERIFY(!ended);
    // The thread left behind ends by itself once the call returns, and
    // applies nothing more.
    mixer_.reset();
    binding_->Set(&StandInBinding::State::held, false);
    QVERIFY(binding_->WaitFor([this] { return binding_->destroyed; }));
    QCOMPARE(binding_->Applied(), Levels{33000});
  }
};

QTEST_APPLESS_MAIN(MixerThreadTest)
#include "test_mixer_thread.moc"
