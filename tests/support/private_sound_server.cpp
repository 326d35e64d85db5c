#include "support/private_sound_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>

namespace {

QString ScriptPath() { return QStringLiteral(BLARGO_SOURCE_DIR "/scripts/sound-server"); }

}  // namespace

PrivateSoundServer::PrivateSoundServer() { dir_.setAutoRemove(true); }

PrivateSoundServer::~PrivateSoundServer() { Script("stop"); }

bool PrivateSoundServer::Script(const QString& command) const {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(ScriptPath(), {command, dir_.path()});
  return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

bool PrivateSoundServer::Start() { return Script("start"); }

void PrivateSoundServer::Kill() { Script("stop"); }

qint64 PrivateSoundServer::Pid() const {
  QFile file(dir_.path() + "/server.pid");
  if (!file.open(QIODevice::ReadOnly)) return -1;
  return file.readAll().trimmed().toLongLong();
}

void PrivateSoundServer::Freeze() {
  if (const qint64 pid = Pid(); pid > 0) ::kill(static_cast<pid_t>(pid), SIGSTOP);
}

void PrivateSoundServer::Thaw() {
  if (const qint64 pid = Pid(); pid > 0) ::kill(static_cast<pid_t>(pid), SIGCONT);
}

QString PrivateSoundServer::SocketPath() const { return dir_.path() + "/run/pulse/native"; }

void PrivateSoundServer::UseInThisProcess() const {
  const QString root = dir_.path();
  qputenv("HOME", (root + "/home").toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", (root + "/run").toLocal8Bit());
  qputenv("PULSE_RUNTIME_PATH", (root + "/run/pulse").toLocal8Bit());
  qputenv("PULSE_CLIENTCONFIG", (root + "/client.conf").toLocal8Bit());
  qputenv("PULSE_SERVER", ("unix:" + SocketPath()).toLocal8Bit());
}

QString PrivateSoundServer::Pactl(const QStringList& arguments) const {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", dir_.path() + "/home");
  env.insert("PULSE_CLIENTCONFIG", dir_.path() + "/client.conf");
  env.insert("PULSE_SERVER", "unix:" + SocketPath());
  process.setProcessEnvironment(env);
  process.start("pactl", arguments);
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool PrivateSoundServer::SetDefaultSink(const QString& sink) const {
  QElapsedTimer clock;
  clock.start();
  // Asked again now and then: a session manager slowed down by a busy
  // machine may let a request pass while it settles.
  for (qint64 asked_at = -2000; Pactl({"get-default-sink"}).trimmed() != sink;) {
    if (clock.elapsed() > 30000) return false;
    if (clock.elapsed() - asked_at >= 2000) {
      Pactl({"set-default-sink", sink});
      asked_at = clock.elapsed();
    }
    QThread::msleep(20);
  }
  return true;
}

int PrivateSoundServer::SinkVolume(const QString& sink) const {
  // "Volume: front-left: 49500 /  76% / -7.14 dB,   front-right: ..."
  static const QRegularExpression first_channel(R"(:\s*(\d+)\s*/)");
  const auto match = first_channel.match(Pactl({"get-sink-volume", sink}));
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

int PrivateSoundServer::AwaitSinkVolume(int raw, const QString& sink) const {
  QElapsedTimer clock;
  clock.start();
  int volume = SinkVolume(sink);
  while (volume != raw && clock.elapsed() < 10000) {
    QThread::msleep(10);
    volume = SinkVolume(sink);
  }
  return volume;
}
