// The sound-server binding against a real private PulseAudio: where writes
// go, and how they fail when the server dies or freezes.
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <memory>

#include "mixer/module1.h"
#include "mixer/pulse_volume.h"
#include "support/private_sound_server.h"
#include "toolkit/qt_access.h"
#include "window/form1.h"

using mixer::PulseVolume;
using Outcome = PulseVolume::Outcome;

namespace {

bool Near(int raw, int level) { return raw == level || raw == level + 1; }

// Every channel's raw volume, as pactl lists them.
QList<int> Channels(const PrivateSoundServer& server, const QString& sink = "@DEFAULT_SINK@") {
  static const QRegularExpression channel(R"([\w-]+:\s*(\d+)\s*/)");
  QList<int> raw;
  const QString text = server.Pactl({"get-sink-volume", sink}).section('\n', 0, 0);
  for (auto it = channel.globalMatch(text); it.hasNext();) raw << it.next().captured(1).toInt();
  return raw;
}

// Writes every 5 ms until one is confirmed; returns the ms that took, or -1.
qint64 MsUntilAWriteSucceeds(PulseVolume& volume, std::uint32_t value, int give_up_ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < give_up_ms) {
    if (volume.Write(value) == Outcome::kDone) return clock.elapsed();
    QTest::qSleep(5);
  }
  return -1;
}

}  // namespace

class ServerVolumeTest : public QObject {
  Q_OBJECT

  PrivateSoundServer server_;

 private slots:
  void initTestCase() {
    QVERIFY(server_.Start());
    server_.UseInThisProcess();
  }
  void init() {
    if (server_.SinkVolume() < 0) QVERIFY(server_.Start());
    server_.Thaw();
    QVERIFY(server_.SetDefaultSink("blargo_null"));
  }
  void cleanup() { server_.Thaw(); }

  void mapsOntoTheServersScaleWithoutBoost() {
    QCOMPARE(mixer::ToServerVolume(0), 0U);
    QCOMPARE(mixer::ToServerVolume(16500), 16500U);  // 16500.75, to the nearest
    QCOMPARE(mixer::ToServerVolume(33000), 33001U);  // 33000.50
    QCOMPARE(mixer::ToServerVolume(65535), 65536U);  // PA_VOLUME_NORM, 100 %
    QCOMPARE(mixer::ToServerVolume(66000), 65536U);
    QCOMPARE(mixer::ToServerVolume(0xFFFFFFFFU), 65536U);
  }

  void presetsAndSliderReachTheSinkOnEveryChannel() {
    Form1 form;
    form.Show();
    // Off balance first: the window's write must level both channels.
    server_.Pactl({"set-sink-volume", "@DEFAULT_SINK@", "100%", "20%"});
    const struct {
      const toolkit::CommandButton& button;
      int level;
    } presets[] = {{form.Command3, 0},
                   {form.Command4, 16500},
                   {form.Command1, 33000},
                   {form.Command5, 49500},
                   {form.Command2, 65535}};
    for (const auto& preset : presets) {
      QTest::mouseClick(toolkit::WidgetOf(preset.button), Qt::LeftButton);
      const QList<int> channels = Channels(server_);
      QCOMPARE(channels.size(), 2);
      QVERIFY2(Near(channels[0], preset.level), qPrintable(QString::number(channels[0])));
      QCOMPARE(channels[1], channels[0]);
    }
    form.VScroll1.SetValue(64);
    QVERIFY(Near(server_.SinkVolume(), 64 * 660));
  }

  void followsTheDefaultSinkWithoutARestart() {
    PulseVolume volume;
    QCOMPARE(volume.Write(33000), Outcome::kDone);
    server_.Pactl({"set-sink-volume", "blargo_other", "10%"});
    QVERIFY(server_.SetDefaultSink("blargo_other"));
    QCOMPARE(volume.Write(49500), Outcome::kDone);
    QVERIFY(Near(server_.SinkVolume("blargo_other"), 49500));
    QVERIFY(Near(server_.SinkVolume("blargo_null"), 33000));
  }

  void aKilledServerFailsFastAndARestartedOneIsFoundAgain() {
    PulseVolume volume;
    QCOMPARE(volume.Write(16500), Outcome::kDone);
    server_.Kill();
    QElapsedTimer clock;
    for (int i = 0; i < 20; ++i) {
      clock.start();
      QVERIFY(volume.Write(33000) == Outcome::kNoServer);
      QVERIFY2(clock.nsecsElapsed() < 5'000'000, qPrintable(QString::number(clock.nsecsElapsed())));
    }
    // Once settled into the lost state, a write is cheaper still.
    clock.start();
    QVERIFY(volume.Write(33000) == Outcome::kNoServer);
    QVERIFY2(clock.nsecsElapsed() < 1'000'000, qPrintable(QString::number(clock.nsecsElapsed())));

    QVERIFY(server_.Start());
    const qint64 took = MsUntilAWriteSucceeds(volume, 49500, 3000);
    QVERIFY2(took >= 0 && took < 1000, qPrintable(QString::number(took)));
    QVERIFY(Near(server_.SinkVolume(), 49500));
  }

  void reconnectsAtMostEveryInterval() {
    PulseVolume volume({.budget = std::chrono::milliseconds(50),
                        .reconnect_interval = std::chrono::milliseconds(500)});
    QCOMPARE(volume.Write(16500), Outcome::kDone);
    server_.Kill();
    QVERIFY(volume.Write(33000) != Outcome::kDone);  // notices the loss
    QVERIFY(volume.Write(33000) != Outcome::kDone);  // tries once, and fails
    QElapsedTimer since_attempt;
    since_attempt.start();
    QVERIFY(server_.Start());
    // The server is back, but no new attempt is due before 500 ms are up
    // (PipeWire with its session manager may well take longer to start).
    if (since_attempt.elapsed() < 400) QVERIFY(volume.Write(33000) == Outcome::kNoServer);
    const qint64 took = MsUntilAWriteSucceeds(volume, 33000, 3000);
    QVERIFY(took >= 0);
    QVERIFY2(since_attempt.elapsed() >= 450, qPrintable(QString::number(since_attempt.elapsed())));
  }

  void aFrozenServerCostsOneBoundedWriteThenFailsAtOnce() {
    PulseVolume volume;
    QCOMPARE(volume.Write(16500), Outcome::kDone);
    server_.Freeze();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(volume.Write(33000), Outcome::kRefused);
    QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
    for (int i = 0; i < 10; ++i) {
      clock.start();
      QCOMPARE(volume.Write(33000), Outcome::kRefused);
      QVERIFY2(clock.nsecsElapsed() < 1'000'000, qPrintable(QString::number(clock.nsecsElapsed())));
    }
    server_.Thaw();
    const qint64 took = MsUntilAWriteSucceeds(volume, 49500, 2000);
    QVERIFY2(took >= 0 && took < 1000, qPrintable(QString::number(took)));
    QVERIFY(Near(server_.SinkVolume(), 49500));
  }

  void theWindowKeepsAnsweringWhileTheServerIsFrozen() {
    Form1 form;
    form.Show();
    QTest::mouseClick(toolkit::WidgetOf(form.Command4), Qt::LeftButton);
    server_.Freeze();
    QElapsedTimer clock;
    clock.start();
    for (const auto* button : {&form.Command5, &form.Command1, &form.Command2, &form.Command3}) {
      QTest::mouseClick(toolkit::WidgetOf(*button), Qt::LeftButton);
    }
    QCOMPARE(form.Label1.Text(), std::string("0%"));
    // Eight writes, of which only the first may wait out the budget.
    QVERIFY2(clock.elapsed() < 150, qPrintable(QString::number(clock.elapsed())));
    server_.Thaw();
    QTest::qWait(50);
    QTest::mouseClick(toolkit::WidgetOf(form.Command5), Qt::LeftButton);
    QVERIFY(Near(server_.SinkVolume(), 49500));
  }
};

QTEST_MAIN(ServerVolumeTest)
#include "test_server_volume.moc"
