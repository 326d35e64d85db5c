// The volume setter as the window calls it: which levels reach the output
// behind it, and what the setter answers.
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

  // The window's levels, 660 to the percent point, arrive as they were
  // given: no clamping to 65535 and no scaling on the way.
  void eachLevelReachesTheOutputUnchanged_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("silence is zero, not a mute switch") << 0;
    QTest::newRow("25 %") << 16500;
    QTest::newRow("75 %") << 49500;
    QTest::newRow("100 % is 66000") << 66000;
  }
  void eachLevelReachesTheOutputUnchanged() {
    QFETCH(int, level);
    QVERIFY(SetMixerLevel(0, MIXERCONTROL{}, level));
    QCOMPARE(recording_mixer::Levels(), Levels{level});
  }

  // The output's refusal comes back as false; the level reached it once.
  void aRefusedLevelIsReportedNotRetried() {
    recording_mixer::SetAccepting(false);
    QVERIFY(!SetMixerLevel(0, MIXERCONTROL{}, 33000));
    QCOMPARE(recording_mixer::Levels(), Levels{33000});
  }

  // Device 0's control 0, the master volume, is the only control there is:
  // any other is refused before a level goes anywhere.
  void anotherControlIsRefused_data() {
    QTest::addColumn<int>("device");
    QTest::addColumn<unsigned>("control");
    QTest::newRow("device 3") << 3 << 0U;
    QTest::newRow("control 7") << 0 << 7U;
  }
  void anotherControlIsRefused() {
    QFETCH(int, device);
    QFETCH(unsigned, control);
    MIXERCONTROL named{};
    named.dwControlID = control;
    QVERIFY(!SetMixerLevel(device, named, 49500));
    QCOMPARE(recording_mixer::Levels(), Levels{});
  }
};

QTEST_APPLESS_MAIN(SetterTest)
#include "test_setter.moc"
