// What the sound-server binding knows of the default sink between the
// server's answers, without a server: which sink a level goes to and with
// what volume, when the sink is asked for again, what in an answer was set
// elsewhere, and which sinks are read back.
#include <QTest>
#include <chrono>
#include <optional>
#include <vector>

#include "mixer/system/sink_state.h"
#include "support/channel_volumes.h"

using namespace std::chrono_literals;
using mixer::SinkReport;
using mixer::SinkState;
using mixer::SinkWrite;

namespace {

using V = std::vector<pa_volume_t>;

// The volume a level would write, or nothing when no sink is held.
std::optional<V> Planned(const SinkState& state, pa_volume_t level) {
  const std::optional<SinkWrite> write = state.Plan(level);
  if (!write) return std::nullopt;
  return Values(write->volume);
}

bool PlansUnmute(const SinkState& state, pa_volume_t level) {
  const std::optional<SinkWrite> write = state.Plan(level);
  return write && write->unmute;
}

SinkReport Sink(std::uint32_t index, const V& volume, bool muted = false) {
  return {"sink" + std::to_string(index), index, Of(volume), muted};
}

const mixer::Clock::TimePoint kStart{1h};

// One attempt as the connection makes it when a refresh is due: the refresh
// is sent, then the write, and the refresh's answer comes back first.
SinkWrite WriteWithRefresh(SinkState& state, pa_volume_t level, mixer::Clock::TimePoint now,
                           const SinkReport& refreshed) {
  state.RefreshSent(now);
  const SinkWrite write = *state.Plan(level);
  state.Sent(write);
  state.Refreshed(refreshed);
  return write;
}

}  // namespace

class SinkStateTest : public QObject {
  Q_OBJECT

 private slots:
  void theDescribedSinkIsHeldUntilTheServersDefaultsChange() {
    SinkState state;
    QVERIFY(!state.Held());
    QCOMPARE(Planned(state, 32768), std::nullopt);
    state.Described(Sink(7, {65536, 32768}));
    QVERIFY(state.Held());
    QVERIFY(state.Holds(7));
    QVERIFY(!state.Holds(8));
    const SinkWrite write = *state.Plan(32768);
    QCOMPARE(write.index, 7U);
    QCOMPARE(Values(write.volume), (V{32768, 16384}));
    QVERIFY(!write.unmute);
    state.Forget();
    QVERIFY(!state.Held());
    QCOMPARE(Planned(state, 32768), std::nullopt);
    // The sink's balance outlives it: described again at silence, which
    // carries none, it gets the one from before.
    state.Described(Sink(7, {0, 0}));
    QCOMPARE(Planned(state, 49152), (V{49152, 24576}));
    // A sink without channels takes no volume.
    SinkState none;
    none.Described(Sink(3, {}));
    QVERIFY(!none.Held());
  }

  void theSinkIsAskedForAgainAHundredMillisecondsAfterTheLastAnswer() {
    SinkState state;
    QVERIFY(state.RefreshDue(kStart));
    state.Described(Sink(7, {65536, 65536}));
    state.AskedAt(kStart);
    QVERIFY(!state.RefreshDue(kStart));
    QVERIFY(!state.RefreshDue(kStart + 99ms));
    QVERIFY(state.RefreshDue(kStart + 100ms));
    QCOMPARE(state.RefreshSent(kStart + 150ms), 7U);
    QVERIFY(!state.RefreshDue(kStart + 249ms));
    QVERIFY(state.RefreshDue(kStart + 250ms));
  }

  // A balance set elsewhere, heard while a write crossed it, is kept: the
  // next answer may still show the crossed write, with the balance from
  // before, and that one is ours.
  void aRefreshShowingTheWriteBeforeItIsOurOwn() {
    SinkState state;
    state.Described(Sink(7, {65536, 65536}));
    state.Sent(*state.Plan(32768));
    WriteWithRefresh(state, 49152, kStart, Sink(7, {16384, 65536}));
    QVERIFY(state.HeardOutsideChange());
    QCOMPARE(Planned(state, 49152), (V{12288, 49152}));
    WriteWithRefresh(state, 49152, kStart + 100ms, Sink(7, {49152, 49152}));
    QVERIFY(!state.HeardOutsideChange());
    QCOMPARE(Planned(state, 49152), (V{12288, 49152}));
    // An older write of ours, set back after a newer one was answered, was
    // set elsewhere.
    WriteWithRefresh(state, 49152, kStart + 200ms, Sink(7, {49152, 49152}));
    QVERIFY(state.HeardOutsideChange());
    QCOMPARE(Planned(state, 16384), (V{16384, 16384}));
  }

  void aRefreshTellsOfTheSinksChannelsAndABalanceSetElsewhere() {
    SinkState state;
    state.Described(Sink(7, {65536, 65536}));
    // Our own level, in the balance remembered, is no change.
    WriteWithRefresh(state, 32768, kStart, Sink(7, {20000, 20000}));
    QVERIFY(!state.HeardOutsideChange());
    WriteWithRefresh(state, 32768, kStart + 100ms, Sink(7, {65536, 16384, 65536, 16384, 0, 0}));
    QVERIFY(state.HeardOutsideChange());
    QCOMPARE(Planned(state, 32768), (V{32768, 8192, 32768, 8192, 0, 0}));
    // A new write starts without the word of the last one.
    state.Sent(*state.Plan(32768));
    QVERIFY(!state.HeardOutsideChange());
  }

  void aMuteSwitchTurnedOnElsewhereIsHeardAndTheNextLevelTurnsItOff() {
    SinkState state;
    state.Described(Sink(7, {65536, 65536}));
    QVERIFY(!PlansUnmute(state, 32768));
    const SinkWrite first = *state.Plan(32768);
    state.Sent(first);
    WriteWithRefresh(state, 32768, kStart, Sink(7, Values(first.volume), true));
    QVERIFY(state.HeardOutsideChange());
    QVERIFY(PlansUnmute(state, 32768));
    QVERIFY(!PlansUnmute(state, 0));  // silence leaves the switch alone
    // The refresh sent before the unmute still shows the switch on: that is
    // no news, and the confirmed write leaves it off.
    const SinkWrite unmute =
        WriteWithRefresh(state, 32768, kStart + 100ms, Sink(7, Values(first.volume), true));
    QVERIFY(unmute.unmute);
    QVERIFY(!state.HeardOutsideChange());
    state.Wrote(unmute);
    QVERIFY(!PlansUnmute(state, 32768));
    // Described muted, the first level above silence unmutes.
    state.Forget();
    state.Described(Sink(9, {65536, 65536}, true));
    QVERIFY(PlansUnmute(state, 655));
  }

  void aRefreshForASinkNoLongerHeldChangesNothing() {
    SinkState state;
    state.Described(Sink(7, {65536, 65536}));
    WriteWithRefresh(state, 32768, kStart, Sink(7, {32768, 32768}));
    state.RefreshSent(kStart + 100ms);
    // The server told of a new default while the refresh was under way.
    state.Forget();
    state.Described(Sink(9, {65536, 65536}));
    state.Sent(*state.Plan(32768));
    state.Refreshed(Sink(7, {10000, 40000}, true));
    QVERIFY(!state.HeardOutsideChange());
    QCOMPARE(Planned(state, 32768), (V{32768, 32768}));
    QVERIFY(!PlansUnmute(state, 32768));
    state.RefreshFoundNoSink();
    QVERIFY(state.Holds(9));
    // Gone while held, the sink is let go, and the default asked for again.
    state.RefreshSent(kStart + 200ms);
    state.RefreshFoundNoSink();
    QVERIFY(!state.Held());
  }

  // PipeWire 1.4 drops a first write to a sink that never played.
  void aSinkIsReadBackUntilItTakesAWriteAndAgainAfterTheServersWord() {
    SinkState state;
    state.Described(Sink(7, {65536, 65536}));
    const SinkWrite write = *state.Plan(32768);
    QVERIFY(!state.TakesWrites(7));
    QVERIFY(!state.ReadBack(write, Of({65536, 65536})));
    QVERIFY(!state.TakesWrites(7));
    QVERIFY(state.ReadBack(write, Of({32769, 32767})));  // a step off, as PipeWire may
    QVERIFY(state.TakesWrites(7));
    QVERIFY(!state.TakesWrites(8));
    // A refused write lets the sink go, not what is known of it.
    state.ForgetSink();
    QVERIFY(!state.Held());
    QVERIFY(state.TakesWrites(7));
    // After the server's word, an index may be a new sink's.
    state.Forget();
    QVERIFY(!state.TakesWrites(7));
  }
};

QTEST_APPLESS_MAIN(SinkStateTest)
#include "test_sink_state.moc"
