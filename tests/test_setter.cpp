// The volume setter through the mixer's checks, with the recording stand-in
// behind them: what reaches the mixer.
#include <QTest>

#include "mixer/setter/module1.h"
#include "support/recording_mixer.h"

namespace {
using Levels = std::vector<std::int32_t>;
}  // namespace

class SetterTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    recording_mixer::Clear();
    recording_mixer::SetAccepting(true);
  }

  // The mixer takes a level only in the record it expects (its size, one
  // channel, one value, the flags) and only for device 0's control 0.
  void buildsTheRecordTheMixerExpects_data() {
    QTest::addColumn<int>("device");
    QTest::addColumn<unsigned>("control");
    QTest::addColumn<bool>("taken");
    QTest::newRow("the master output's volume") << 0 << 0U << true;
    QTest::newRow("another device") << 3 << 0U << false;
    QTest::newRow("another control") << 0 << 7U << false;
  }
  void buildsTheRecordTheMixerExpects() {
    QFETCH(int, device);
    QFETCH(unsigned, control);
    QFETCH(bool, taken);
    MIXERCONTROL named{};
    named.dwControlID = control;
    QCOMPARE(SetMixerLevel(device, named, 49500), taken);
    QCOMPARE(recording_mixer::Levels(), taken ? Levels{49500} : Levels{});
  }

  void passesTheLevelThroughUnchanged_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("silence is zero, not a mute switch") << 0;
    QTest::newRow("25 %") << 16500;
    QTest::newRow("100 % is the mixer's full scale") << 66000;
    QTest::newRow("negative bits pass as they are") << -1;
  }
  void passesTheLevelThroughUnchanged() {
    QFETCH(int, level);
    SetMixerLevel(0, MIXERCONTROL{}, level);
    QCOMPARE(recording_mixer::Levels(), std::vector<std::int32_t>{level});
  }

  void reportsWhetherTheMixerAccepted() {
    recording_mixer::SetAccepting(false);
    QVERIFY(!SetMixerLevel(0, MIXERCONTROL{}, 33000));
    recording_mixer::SetAccepting(true);
    QVERIFY(SetMixerLevel(0, MIXERCONTROL{}, 33000));
    QCOMPARE(recording_mixer::Levels(), (Levels{33000, 33000}));
  }
};

QTEST_APPLESS_MAIN(SetterTest)
#include "test_setter.moc"
