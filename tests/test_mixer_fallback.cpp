// Without a sound server that libpulse can reach, writes go through ALSA's
// "default" device; a server that turns up later takes over.
//
// Two private servers: A is reached only through ALSA (its pulse plugin is
// given A's socket in .asoundrc), B is the one libpulse is pointed at, and is
// not running when the test starts.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "mixer/module1.h"
#include "support/private_sound_server.h"
#include "toolkit/qt_access.h"
#include "window/form1.h"

namespace {

bool Near(int raw, int level) { return raw == level || raw == level + 1; }

bool Write(std::int32_t level) { return SetMixerLevel(0, MIXERCONTROL{}, level); }

}  // namespace

class MixerFallbackTest : public QObject {
  Q_OBJECT

  PrivateSoundServer alsa_side_;  // A
  PrivateSoundServer server_;     // B
  QTemporaryDir home_;

 private slots:
  void initTestCase() {
    QVERIFY(alsa_side_.Start());
    QFile asoundrc(home_.path() + "/.asoundrc");
    QVERIFY(asoundrc.open(QIODevice::WriteOnly));
    const QByteArray server = "unix:" + alsa_side_.SocketPath().toLocal8Bit();
    asoundrc.write("pcm.!default { type pulse server \"" + server + "\" }\n" +
                   "ctl.!default { type pulse server \"" + server + "\" }\n");
    asoundrc.close();
    qputenv("HOME", home_.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home_.path().toLocal8Bit());
    qputenv("PULSE_CLIENTCONFIG", (alsa_side_.Folder() + "/client.conf").toLocal8Bit());
    qputenv("PULSE_SERVER", ("unix:" + server_.SocketPath()).toLocal8Bit());
    QVERIFY(!QFile::exists(server_.SocketPath()));
  }

  void withNoServerWritesGoThroughAlsa() {
    QVERIFY(Write(16500));
    QVERIFY(Near(alsa_side_.SinkVolume(), 16500));
    Form1 form;
    form.Show();
    QTest::mouseClick(toolkit::WidgetOf(form.Command5), Qt::LeftButton);
    QVERIFY(Near(alsa_side_.SinkVolume(), 49500));
  }

  void aServerThatAppearsLaterTakesOver() {
    QVERIFY(server_.Start());
    QElapsedTimer clock;
    clock.start();
    // ALSA keeps serving until the next look for the server, at most 500 ms on.
    while (!Near(server_.SinkVolume(), 33000) && clock.elapsed() < 2000) {
      QVERIFY(Write(33000));
      QTest::qWait(20);
    }
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(Near(server_.SinkVolume(), 33000));
    QVERIFY(Write(0));
    QCOMPARE(server_.SinkVolume(), 0);
    QVERIFY(Near(alsa_side_.SinkVolume(), 33000));  // no longer written
  }

  void withNeitherEveryWriteFailsFastAndTheLabelStillUpdates() {
    server_.Kill();
    alsa_side_.Kill();
    Form1 form;
    form.Show();
    QElapsedTimer clock;
    qint64 slowest = 0;
    for (int i = 0; i < 50; ++i) {
      clock.start();
      QVERIFY(!Write(26400));
      slowest = std::max(slowest, clock.nsecsElapsed());
    }
    QVERIFY2(slowest < 5'000'000, qPrintable(QString::number(slowest)));
    QTest::mouseClick(toolkit::WidgetOf(form.Command4), Qt::LeftButton);
    QCOMPARE(form.Label1.Text(), std::string("25%"));
    QCOMPARE(form.VScroll1.Value(), 25);
  }
};

QTEST_MAIN(MixerFallbackTest)
#include "test_mixer_fallback.moc"
