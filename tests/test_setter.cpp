// The volume setter, linked to a recording mixer: what the mixer is handed.
#include <QTest>

#include "mixer/setter/module1.h"
#include "support/recording_mixer.h"

class SetterTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    recording_mixer::Clear();
    recording_mixer::SetResult(MMSYSERR_NOERROR);
  }

  void buildsTheRecordTheMixerExpects() {
    MIXERCONTROL control{};
    control.dwControlID = 7;
    QVERIFY(SetMixerLevel(3, control, 49500));

    QCOMPARE(recording_mixer::Calls().size(), 1U);
    const auto& call = recording_mixer::Calls().front();
    QCOMPARE(call.mixer, HMIXEROBJ{3});
    QCOMPARE(call.flags, DWORD{0});  // by mixer id, setting a value: both flags are 0
    QCOMPARE(call.details.cbStruct, DWORD{sizeof(MIXERCONTROLDETAILS)});
    QCOMPARE(call.details.dwControlID, DWORD{7});
    QCOMPARE(call.details.cChannels, DWORD{1});
    QCOMPARE(call.details.cMultipleItems, DWORD{0});
    QCOMPARE(call.details.cbDetails, DWORD{4});
    QVERIFY(call.details.paDetails != nullptr);
    QCOMPARE(call.value, DWORD{49500});
  }

  void passesTheLevelThroughUnchanged_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("silence is zero, not a mute switch") << 0;
    QTest::newRow("25 %") << 16500;
    QTest::newRow("100 % is past the mixer's 65535") << 66000;
    QTest::newRow("negative bits pass as they are") << -1;
  }
  void passesTheLevelThroughUnchanged() {
    QFETCH(int, level);
    SetMixerLevel(0, MIXERCONTROL{}, level);
    QCOMPARE(recording_mixer::Levels(), std::vector<std::int32_t>{level});
  }

  void reportsWhetherTheMixerAccepted_data() {
    QTest::addColumn<unsigned>("result");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("no error") << unsigned{MMSYSERR_NOERROR} << true;
    QTest::newRow("bad device") << unsigned{MMSYSERR_BADDEVICEID} << false;
    QTest::newRow("no driver") << unsigned{MMSYSERR_NODRIVER} << false;
    QTest::newRow("invalid control") << unsigned{MIXERR_INVALCONTROL} << false;
  }
  void reportsWhetherTheMixerAccepted() {
    QFETCH(unsigned, result);
    QFETCH(bool, accepted);
    recording_mixer::SetResult(result);
    QCOMPARE(SetMixerLevel(0, MIXERCONTROL{}, 33000), accepted);
  }
};

QTEST_APPLESS_MAIN(SetterTest)
#include "test_setter.moc"
