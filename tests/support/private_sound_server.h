#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private sound server with null sinks (blargo_null, the default, and
// blargo_other, both stereo; blargo_surround, 5.1; under PulseAudio also
// blargo_mono), run by scripts/sound-server in a folder of its own:
// PulseAudio, or PipeWire when BLARGO_SOUND_SERVER=pipewire.
class PrivateSoundServer {
 public:
  PrivateSoundServer();
  ~PrivateSoundServer();
  PrivateSoundServer(const PrivateSoundServer&) = delete;
  PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

  [[nodiscard]] bool Start();  // (re)starts it on the same socket
  void Kill();
  void Freeze();  // SIGSTOP
  void Thaw();    // SIGCONT

  // Points this process's libpulse, ALSA and pactl at the server. Call it
  // before the first write: alsa-lib reads its configuration once.
  void UseInThisProcess() const;

  [[nodiscard]] QString Folder() const { return dir_.path(); }
  [[nodiscard]] QString SocketPath() const;
  // pactl's output, with this server's environment.
  QString Pactl(const QStringList& arguments) const;
  // Makes `sink` the default and waits until the server says so: under
  // PipeWire the session manager takes the switch over a moment later.
  [[nodiscard]] bool SetDefaultSink(const QString& sink) const;
  // The raw volume of the sink's first channel, or -1 when it cannot be read.
  int SinkVolume(const QString& sink = "@DEFAULT_SINK@") const;
  // Polls the sink until it reads `raw`, for a generous while; returns the
  // last volume read.
  int AwaitSinkVolume(int raw, const QString& sink = "@DEFAULT_SINK@") const;

 private:
  bool Script(const QString& command) const;
  [[nodiscard]] qint64 Pid() const;

  QTemporaryDir dir_;
};
