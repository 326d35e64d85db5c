// The system mixer behind the setter, against a real private PulseAudio
// reached through ALSA's pulse plugin on the "default" device.
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <memory>
#include <string>

#include "mixer/setter/module1.h"
#include "mixer/system/alsa_volume.h"
#include "mixer/system/clock.h"
#include "mixer/system/volume_scale.h"
#include "support/click.h"
#include "support/private_sound_server.h"
#include "support/sink_level.h"
#include "support/threaded_call.h"
#include "support/widget_of.h"
#include "window/form1.h"

namespace {

// A write through the whole stack must be confirmed within its 50 ms budget.
// On a busy machine one round trip may outlast that and is then honestly
// reported as failed, so a write that must land is asked again until one is
// confirmed, within a generous deadline.
template <typename WriteOnce>
bool ConfirmedSoon(WriteOnce write) {
  return PollUntil(write);
}

MMRESULT Write(HMIXEROBJ mixer, MIXERCONTROLDETAILS details, DWORD flags = 0) {
  return mixerSetControlDetails(mixer, &details, flags);
}

MIXERCONTROLDETAILS ValidDetails(MIXERCONTROLDETAILS_UNSIGNED& value) {
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.cChannels = 1;
  details.cbDetails = sizeof value;
  details.paDetails = &value;
  return details;
}

}  // namespace

class SystemMixerTest : public QObject {
  Q_OBJECT

  PrivateSoundServer server_;
  std::unique_ptr<Form1> form_;

  // The default sink's volume in percent as pactl shows it, "75%".
  [[nodiscard]] QString PactlPercent() const {
    static const QRegularExpression percent(R"(/\s*(\d+%)\s*/)");
    return percent.match(server_.Pactl({"get-sink-volume", "@DEFAULT_SINK@"})).captured(1);
  }

 private slots:
  void initTestCase() {
    QVERIFY(server_.Start());
    server_.UseInThisProcess();
    // Connected once, so that no check below counts the first connection
    // against the write budget.
    SetMixerLevel(0, MIXERCONTROL{}, 0);
    QCOMPARE(server_.AwaitSinkVolume(0), 0);
  }

  void init() {
    form_ = std::make_unique<Form1>();
    form_->Show();
  }
  void cleanup() {
    form_.reset();
    if (server_.SinkVolume() < 0) QVERIFY(server_.Start());
  }

  void refusesWhatItCannotServe() {
    MIXERCONTROLDETAILS_UNSIGNED value{33000};
    MIXERCONTROLDETAILS details = ValidDetails(value);
    QCOMPARE(mixerSetControlDetails(0, nullptr, 0), MMSYSERR_INVALPARAM);
    QCOMPARE(Write(1, details), MMSYSERR_BADDEVICEID);
    details.dwControlID = 1;
    QCOMPARE(Write(0, details), MIXERR_INVALCONTROL);
    details = ValidDetails(value);
    details.cbStruct = sizeof details + 8;
    QCOMPARE(Write(0, details), MMSYSERR_INVALPARAM);
    if constexpr (sizeof(MIXERCONTROLDETAILS) != 24) {
      details.cbStruct = 24;  // the 32-bit record's size: wrong on this build
      QCOMPARE(Write(0, details), MMSYSERR_INVALPARAM);
    }
    details = ValidDetails(value);
    details.cChannels = 2;
    QCOMPARE(Write(0, details), MMSYSERR_INVALPARAM);
    details = ValidDetails(value);
    details.paDetails = nullptr;
    QCOMPARE(Write(0, details), MMSYSERR_INVALPARAM);
    details = ValidDetails(value);
    QCOMPARE(Write(0, details, 0x1), MMSYSERR_INVALFLAG);         // a get-style query
    QCOMPARE(Write(0, details, 0x10000000), MMSYSERR_INVALFLAG);  // not a mixer id
    // None of those reached the sink.
    QVERIFY(server_.SinkVolume() != 32768);
    QVERIFY(ConfirmedSoon([&] { return Write(0, details) == MMSYSERR_NOERROR; }));
    QVERIFY(SinkHoldsLevel(server_.SinkVolume(), 33000));
  }

  // The level of 100 % (66000) is the element's full range, so each level
  // is its percent of that range, to the nearest step.
  void scalesOntoTheElementsRange() {
    QCOMPARE(mixer::ScaleToRange(0, 0, 65536), 0L);
    QCOMPARE(mixer::ScaleToRange(49500, 0, 65536), 49152L);  // 75 %
    QCOMPARE(mixer::ScaleToRange(65535, 0, 65536), 65074L);  // short of 100 %
    QCOMPARE(mixer::ScaleToRange(66000, 0, 65536), 65536L);
    QCOMPARE(mixer::ScaleToRange(66001, 0, 65536), 65536L);
    QCOMPARE(mixer::ScaleToRange(0xFFFFFFFFU, 0, 65536), 65536L);  // -1 from the setter
    QCOMPARE(mixer::ScaleToRange(33000, 0, 31), 16L);              // 15.5, to the nearest
    QCOMPARE(mixer::ScaleToRange(0, -20, 10), -20L);
    QCOMPARE(mixer::ScaleToRange(33000, -20, 10), -5L);
    QCOMPARE(mixer::ScaleToRange(66000, -20, 10), 10L);
  }

  // The sink read back at every preset and at the slider's levels from 71
  // to 99 (where 75 % once read as 76 %): each level is its percent of the
  // sink's normal volume, 65536, and pactl shows the percent the label does.
  void everyLevelReadsBackAsThePercentTheLabelShows() {
    const struct {
      const toolkit::CommandButton& button;
      int raw;
    } presets[] = {{form_->Command3, 0},
                   {form_->Command4, 16384},
                   {form_->Command1, 32768},
                   {form_->Command5, 49152},
                   {form_->Command2, 65536}};
    for (const auto& preset : presets) {
      Click(preset.button);
      QCOMPARE(server_.AwaitSinkVolume(preset.raw), preset.raw);
      QCOMPARE(PactlPercent(), QString::fromStdString(form_->Label1.Text()));
    }
    for (int percent = 71; percent <= 99; ++percent) {
      form_->VScroll1.SetValue(percent);
      const int raw = static_cast<int>(std::lround(percent * 65536 / 100.0));
      QCOMPARE(server_.AwaitSinkVolume(raw), raw);
      QCOMPARE(form_->Label1.Text(), std::to_string(percent) + "%");
      QCOMPARE(PactlPercent(), QString::fromStdString(form_->Label1.Text()));
    }
  }

  // ALSA's pulse plugin shows the sink as 0..65536: the level of 100 % is
  // the top of that range, the others their percent of it.
  void theAlsaPathLandsOnEachPercent() {
    mixer::AlsaVolume alsa(mixer::MachineClock());
    const struct {
      int level;
      int raw;
    } levels[] = {{16500, 16384}, {49500, 49152}, {46860, 46531},
                  {65340, 64881}, {66000, 65536}, {33000, 32768}};
    for (const auto& [level, raw] : levels) {
      QVERIFY(ConfirmedSoon([&] {
        return alsa.SetVolume(static_cast<std::uint32_t>(level)) && server_.SinkVolume() == raw;
      }));
    }
  }

  void presetsAndSliderSetTheRealSink() {
    Click(form_->Command5);
    QCOMPARE(server_.AwaitSinkVolume(49152), 49152);
    QVERIFY(SinkHoldsLevel(server_.SinkVolume("blargo_null"), 49500));
    Click(form_->Command3);
    QCOMPARE(server_.AwaitSinkVolume(0), 0);
    QVERIFY(!server_.Pactl({"get-sink-mute", "@DEFAULT_SINK@"}).contains("yes"));
    Click(form_->Command4);
    QCOMPARE(server_.AwaitSinkVolume(16384), 16384);
    Click(form_->Command1);
    QCOMPARE(server_.AwaitSinkVolume(32768), 32768);
    Click(form_->Command2);
    QCOMPARE(server_.AwaitSinkVolume(65536), 65536);
    form_->VScroll1.SetValue(40);
    QCOMPARE(server_.AwaitSinkVolume(26214), 26214);
    QCOMPARE(form_->Label1.Text(), std::string("40%"));
  }

  void writesAgainAfterAnotherProgramMovedTheVolume() {
    Click(form_->Command5);
    QCOMPARE(server_.AwaitSinkVolume(49152), 49152);
    server_.Pactl({"set-sink-volume", "@DEFAULT_SINK@", "10%"});
    QVERIFY(server_.SinkVolume() < 7000);
    Click(form_->Command5);  // the slider stands at 75 already: one write
    QCOMPARE(server_.AwaitSinkVolume(49152), 49152);
  }

  // ALSA keeps its own copy of the volume and skips a write equal to it, so
  // a copy left stale after another program moved the volume would drop the
  // write. The plugin learns of the move a moment after pactl returns, so the
  // write is repeated until it lands; a binding that never refreshes its copy
  // never lands it.
  void theAlsaPathWritesAgainAfterAnotherProgramMovedTheVolume() {
    mixer::AlsaVolume alsa(mixer::MachineClock());
    QVERIFY(alsa.SetVolume(49500));
    QCOMPARE(server_.SinkVolume(), 49152);
    server_.Pactl({"set-sink-volume", "@DEFAULT_SINK@", "10%"});
    QVERIFY(server_.SinkVolume() < 7000);
    QVERIFY(PollUntil(
        [&] { return alsa.SetVolume(49500) && SinkHoldsLevel(server_.SinkVolume(), 49500); },
        std::chrono::seconds(10)));
  }

  // Through the plugin the sink shows as one element with a channel each and
  // a playback switch: a level sets the louder channel, the other keeps its
  // share, silence leaves the switch alone, and a level turns it on again.
  void theAlsaPathKeepsTheBalanceAndTurnsTheSwitchOn() {
    server_.Pactl({"set-sink-volume", "@DEFAULT_SINK@", "32768", "65536"});
    server_.Pactl({"set-sink-mute", "@DEFAULT_SINK@", "1"});
    mixer::AlsaVolume alsa(mixer::MachineClock());
    const auto channels = [this] {
      return server_.Pactl({"get-sink-volume", "@DEFAULT_SINK@"}).section('\n', 0, 0);
    };
    const auto muted = [this] {
      return server_.Pactl({"get-sink-mute", "@DEFAULT_SINK@"}).contains("yes");
    };
    QVERIFY(PollUntil([&] { return alsa.SetVolume(0) && channels().count(" 0 /") == 2; }));
    QVERIFY(muted());
    QVERIFY(PollUntil([&] {
      return alsa.SetVolume(33000) && channels().contains("front-left: 16384 /") &&
             channels().contains("front-right: 32768 /");
    }));
    QVERIFY2(!muted(), qPrintable(channels()));
    server_.Pactl({"set-sink-mute", "@DEFAULT_SINK@", "0"});
  }
};

QTEST_MAIN(SystemMixerTest)
#include "test_system_mixer.moc"
