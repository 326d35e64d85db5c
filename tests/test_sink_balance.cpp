// The balance arithmetic on its own: which volume each channel gets for a
// level, and what counts as a balance set by someone else.
#include <QTest>
#include <vector>

#include "mixer/system/sink_balance.h"
#include "support/channel_volumes.h"

namespace {

using V = std::vector<pa_volume_t>;

}  // namespace

class SinkBalanceTest : public QObject {
  Q_OBJECT

 private slots:
  void anUnknownSinkGetsTheLevelOnEveryChannel() {
    const mixer::SinkBalances balances;
    QCOMPARE(Values(balances.Volume("s", 1, 33001)), V{33001});
    QCOMPARE(Values(balances.Volume("s", 2, 33001)), (V{33001, 33001}));
    QCOMPARE(Values(balances.Volume("s", 6, 0)), (V{0, 0, 0, 0, 0, 0}));
  }

  void theLoudestChannelTakesTheLevelAndTheOthersKeepTheirShare() {
    mixer::SinkBalances balances;
    QVERIFY(balances.Heard("mono", Of({40000})));
    QVERIFY(balances.Heard("stereo", Of({65536, 32768})));
    QVERIFY(balances.Heard("surround", Of({65536, 32768, 49152, 16384, 65536, 0})));
    QCOMPARE(Values(balances.Volume("mono", 1, 16500)), V{16500});
    QCOMPARE(Values(balances.Volume("stereo", 2, 33001)), (V{33001, 16500}));
    QCOMPARE(Values(balances.Volume("stereo", 2, 65536)), (V{65536, 32768}));
    QCOMPARE(Values(balances.Volume("surround", 6, 33001)),
             (V{33001, 16500, 24750, 8250, 33001, 0}));
    // Silence writes silence, whatever the balance.
    QCOMPARE(Values(balances.Volume("stereo", 2, 0)), (V{0, 0}));
    // A sink that now has another channel count starts level again.
    QCOMPARE(Values(balances.Volume("stereo", 6, 100)), (V{100, 100, 100, 100, 100, 100}));
  }

  void silenceAndOurOwnLevelsLeaveTheBalanceAsItWas() {
    mixer::SinkBalances balances;
    QVERIFY(balances.Heard("s", Of({65536, 21845})));
    QVERIFY(!balances.Heard("s", Of({0, 0})));  // MUTE carries no balance
    QVERIFY(!balances.Heard("s", Of({3000, 1000})));
    QVERIFY(!balances.Heard("s", Of({3001, 1001})));  // a step off, as PipeWire may
    // Down to 1 % and back keeps the remembered ratio, not a rounded one.
    QCOMPARE(Values(balances.Volume("s", 2, 655)), (V{655, 218}));
    QCOMPARE(Values(balances.Volume("s", 2, 65536)), (V{65536, 21845}));
  }

  void aBalanceSetElsewhereReplacesTheRememberedOne() {
    mixer::SinkBalances balances;
    QVERIFY(balances.Heard("s", Of({65536, 32768})));
    QVERIFY(balances.Heard("s", Of({10000, 40000})));
    QCOMPARE(Values(balances.Volume("s", 2, 20000)), (V{5000, 20000}));
    // Each sink has its own.
    QVERIFY(balances.Heard("t", Of({30000, 30000})));
    QCOMPARE(Values(balances.Volume("s", 2, 40000)), (V{10000, 40000}));
    QCOMPARE(Values(balances.Volume("t", 2, 40000)), (V{40000, 40000}));
  }
};

QTEST_APPLESS_MAIN(SinkBalanceTest)
#include "test_sink_balance.moc"
