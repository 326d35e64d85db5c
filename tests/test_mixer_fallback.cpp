// Without a sound server that libpulse can reach, writes go through ALSA's
// "default" device; a server that turns up later takes over.
//
// Short of descriptors, neither way is tried.
//
// Two private servers: A is reached only through ALSA (its pulse plugin is
// given A's socket in .asoundrc), B is the one libpulse is pointed at, and is
// not running when the test starts.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "mixer/setter/module1.h"
#include "mixer/system/mixer_thread.h"
#include "mixer/system/server_first_volume.h"
#include "mixer/system/shortage_report.h"
#include "support/click.h"
#include "support/private_sound_server.h"
#include "support/sink_level.h"
#include "support/stepped_clock.h"
#include "support/threaded_call.h"
#include "support/widget_of.h"
#include "window/form1.h"

using namespace std::chrono_literals;

namespace {

// Stands where a server's socket was and counts who comes to connect,
// turning each away at once. A client learns it was turned away only once
// the connection is counted and closed, so the count is up to date when
// the call that connected returns.
class CountingListener {
 public:
  explicit CountingListener(const QString& path) : path_(path.toStdString()) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ::unlink(path_.c_str());
    listening_ = fd_ >= 0 &&
                 ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                 ::listen(fd_, 16) == 0;
    if (listening_) thread_ = std::thread([this] { Serve(); });
  }
  ~CountingListener() {
    ::shutdown(fd_, SHUT_RDWR);  // ends the accept under way
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
    ::unlink(path_.c_str());
  }
  CountingListener(const CountingListener&) = delete;
  CountingListener& operator=(const CountingListener&) = delete;

  [[nodiscard]] bool Listening() const { return listening_; }
  [[nodiscard]] int Count() const { return count_; }

 private:
  void Serve() {
    while (true) {
      const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) {
        if (errno == EINTR) continue;
        return;
      }
      ++count_;
      ::close(client);
    }
  }

  std::string path_;
  int fd_ = -1;
  bool listening_ = false;
  std::atomic<int> count_ = 0;
  std::thread thread_;
};

// The same, from a process of its own: the descriptors it needs to take a
// connection are not the ones this process's limit is lowered on.
class CountingProcess {
 public:
  explicit CountingProcess(const QString& path) : path_(path.toStdString()) {
    void* shared = ::mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return;
    count_ = new (shared) std::atomic<int>(0);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ::unlink(path_.c_str());
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
      return;
    }
    child_ = ::fork();
    if (child_ == 0) {
      // Only calls safe in the child of a process with threads.
      while (true) {
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
          count_->fetch_add(1);
          ::close(client);
        }
      }
    }
    ::close(fd);
  }
  ~CountingProcess() {
    if (child_ > 0) {
      ::kill(child_, SIGKILL);
      ::waitpid(child_, nullptr, 0);
    }
    if (count_ != nullptr) ::munmap(count_, sizeof(std::atomic<int>));
    ::unlink(path_.c_str());
  }
  CountingProcess(const CountingProcess&) = delete;
  CountingProcess& operator=(const CountingProcess&) = delete;

  [[nodiscard]] bool Listening() const { return child_ > 0; }
  [[nodiscard]] int Count() const { return count_->load(); }

 private:
  std::string path_;
  std::atomic<int>* count_ = nullptr;
  pid_t child_ = -1;
};

// How many connections of this process `server` holds. ALSA's pulse plugin
// keeps one to its server for as long as the ALSA handle is open.
int ConnectionsFromHere(const PrivateSoundServer& server) {
  const QString pid = QString::number(QCoreApplication::applicationPid());
  return static_cast<int>(
      server.Pactl({"list", "clients"}).count("application.process.id = \"" + pid + "\""));
}

// Lowers this process's limit of descriptors, while it lives, so that
// exactly `free` more can be opened.
class DescriptorsLeft {
 public:
  explicit DescriptorsLeft(rlim_t free) {
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlim_t limit = 0;
    for (rlim_t closed = 0; closed < free; ++limit) {
      if (::fcntl(static_cast<int>(limit), F_GETFD) == -1 && errno == EBADF) ++closed;
    }
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    set_ = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }
  ~DescriptorsLeft() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
  DescriptorsLeft(const DescriptorsLeft&) = delete;
  DescriptorsLeft& operator=(const DescriptorsLeft&) = delete;
  [[nodiscard]] bool Set() const { return set_; }

 private:
  rlimit saved_{};
  bool set_ = false;
};

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
  void cleanup() { alsa_side_.Thaw(); }

  void withNoServerWritesGoThroughAlsa() {
    const auto clock = std::make_shared<SteppedClock>();
    mixer::MixerThread mixer(std::make_unique<mixer::ServerFirstVolume>(clock), clock);
    QVERIFY(mixer.Write(16500));
    QVERIFY(SinkHoldsLevel(alsa_side_.SinkVolume(), 16500));
    Form1 form;
    form.Show();
    Click(form.Command5);
    QCOMPARE(alsa_side_.AwaitSinkVolume(49152), 49152);
  }

  // ALSA's pulse plugin holds a connection to its server; once that server
  // is gone, the handle is dead and only a fresh one reaches the restarted
  // server.
  void theAlsaRouteHealsWhenItsServerRestarts() {
    const auto clock = std::make_shared<SteppedClock>();
    mixer::ServerFirstVolume volume(clock);
    QVERIFY(volume.SetVolume(16500));
    QVERIFY(SinkHoldsLevel(alsa_side_.SinkVolume(), 16500));
    alsa_side_.Kill();
    clock->Advance(500ms);
    QVERIFY(!volume.SetVolume(33000));
    QVERIFY(alsa_side_.Start());
    // Each write has an attempt due; the plugin may need a moment to see
    // the server again.
    QVERIFY(PollUntil([&] {
      clock->Advance(500ms);
      return volume.SetVolume(49500) && SinkHoldsLevel(alsa_side_.SinkVolume(), 49500);
    }));
  }

  void aServerThatAppearsLaterTakesOver() {
    const auto clock = std::make_shared<SteppedClock>();
    mixer::ServerFirstVolume volume(clock);
    QVERIFY(volume.SetVolume(16500));
    QCOMPARE(ConnectionsFromHere(alsa_side_), 1);
    QVERIFY(server_.Start());
    const int before = server_.SinkVolume();
    // ALSA keeps serving until the next look for the server, 500 ms on.
    clock->Advance(499ms);
    QVERIFY(volume.SetVolume(33000));
    QVERIFY(SinkHoldsLevel(alsa_side_.SinkVolume(), 33000));
    QCOMPARE(server_.SinkVolume(), before);
    clock->Advance(1ms);
    QVERIFY(volume.SetVolume(33000));
    QVERIFY(SinkHoldsLevel(server_.SinkVolume(), 33000));
    // The ALSA handle opened meanwhile, with the plugin's connection, is let go.
    QVERIFY(PollUntil([&] { return ConnectionsFromHere(alsa_side_) == 0; }));
    QVERIFY(volume.SetVolume(0));
    QCOMPARE(server_.SinkVolume(), 0);
    QVERIFY(SinkHoldsLevel(alsa_side_.SinkVolume(), 33000));  // no longer written
  }

  void withNeitherEveryWriteFailsFastAndTheLabelStillUpdates() {
    server_.Kill();
    alsa_side_.Kill();
    const auto clock = std::make_shared<SteppedClock>();
    mixer::ServerFirstVolume volume(clock);
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 50; ++i) {
      QVERIFY(!volume.SetVolume(26400));
      clock->Advance(500ms);  // both ways are tried every time
    }
    QVERIFY2(elapsed.elapsed() < std::chrono::milliseconds(kHangScale).count(),
             qPrintable(QString("50 writes took %1 ms").arg(elapsed.elapsed())));
    Form1 form;
    form.Show();
    elapsed.start();
    Click(form.Command4);
    QVERIFY2(elapsed.elapsed() < std::chrono::milliseconds(kHangScale).count(),
             qPrintable(QString("the click took %1 ms").arg(elapsed.elapsed())));
    QCOMPARE(form.Label1.Text(), std::string("25%"));
    QCOMPARE(form.VScroll1.Value(), 25);
  }

  // Each try at ALSA's device makes its plugin connect to a server: with
  // none there, ALSA is tried once per reopen interval, not at every write.
  void withNeitherAlsaIsTriedOncePerReopenInterval() {
    server_.Kill();
    alsa_side_.Kill();
    CountingListener alsas_server(alsa_side_.SocketPath());
    QVERIFY(alsas_server.Listening());
    const auto clock = std::make_shared<SteppedClock>();
    mixer::ServerFirstVolume volume(clock);
    QVERIFY(!volume.SetVolume(16500));
    QCOMPARE(alsas_server.Count(), 1);
    for (int i = 0; i < 20; ++i) QVERIFY(!volume.SetVolume(33000));
    clock->Advance(499ms);
    QVERIFY(!volume.SetVolume(33000));
    QCOMPARE(alsas_server.Count(), 1);
    clock->Advance(1ms);
    QVERIFY(!volume.SetVolume(33000));
    QCOMPARE(alsas_server.Count(), 2);
  }

  // A connection to a sound server takes five descriptors at its peak, and
  // three are left to spare for the toolkit, whose threads abort without.
  void descriptorsAreShortWithFewerThanEightFree() {
    for (const rlim_t free : {0U, 4U, 5U, 6U, 7U}) {
      const DescriptorsLeft left(free);
      QVERIFY(left.Set());
      QCOMPARE(mixer::DescriptorShortage(), EMFILE);
    }
    for (const rlim_t free : {8U, 9U, 30U}) {
      const DescriptorsLeft left(free);
      QVERIFY(left.Set());
      QCOMPARE(mixer::DescriptorShortage(), 0);
    }
  }

  // Nor does the way through ALSA, whose plugin connects to a server as
  // libpulse does, take the last ones: it is not tried.
  void shortOfDescriptorsAlsaIsNotTried() {
    server_.Kill();
    alsa_side_.Kill();
    const CountingProcess alsas_server(alsa_side_.SocketPath());
    QVERIFY(alsas_server.Listening());
    const auto clock = std::make_shared<SteppedClock>();
    for (const rlim_t free : {5U, 6U, 7U}) {
      mixer::ServerFirstVolume volume(clock);
      const DescriptorsLeft left(free);
      QVERIFY(left.Set());
      QVERIFY(!volume.SetVolume(16500));
      QCOMPARE(alsas_server.Count(), 0);
    }
    // With room, it is.
    mixer::ServerFirstVolume volume(clock);
    const DescriptorsLeft left(20);
    QVERIFY(left.Set());
    QVERIFY(!volume.SetVolume(16500));
    QCOMPARE(alsas_server.Count(), 1);
  }
};

QTEST_MAIN(MixerFallbackTest)
#include "test_mixer_fallback.moc"
