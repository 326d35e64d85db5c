// The start-up probe of the session and accessibility buses, against a
// private dbus-daemon, against sockets that take a connection and never say
// a word, and against sockets that refuse one.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/threaded_call.h"
#include "toolkit/application/bus_probe.h"

using namespace std::chrono_literals;

namespace {

// A socket that is listened on and never answered: what a stopped bus is to
// a client. `abstract` puts it in the abstract namespace. Not `listening`, it
// is what a bus that has gone leaves behind: a client is refused.
class SilentSocket {
 public:
  SilentSocket(const std::string& name, bool abstract, bool listening = true) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    std::memcpy(address.sun_path + offset, name.data(), name.size());
    // A path ends with its NUL; an abstract name starts with one instead.
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
    ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
          (!listening || ::listen(fd_, 4) == 0);
  }
  ~SilentSocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  SilentSocket(const SilentSocket&) = delete;
  SilentSocket& operator=(const SilentSocket&) = delete;
  [[nodiscard]] bool Made() const { return ok_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

// A socket listened on at `path` with room for `backlog` waiting clients,
// and its address; -1 when it cannot be made.
int ListenAt(const std::string& path, int backlog, sockaddr_un& address) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  if (fd >= 0 && (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
                  ::listen(fd, backlog) != 0)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// A socket listened on whose queue of clients is full: a bus too busy to
// take another. A client that blocks waits until one is taken, which a
// stopped bus never does.
class FullSocket {
 public:
  explicit FullSocket(const std::string& path) {
    sockaddr_un address{};
    fd_ = ListenAt(path, 0, address);
    if (fd_ < 0) return;
    // Fills the queue: a connection more is refused with EAGAIN.
    for (int i = 0; i < 64; ++i) {
      const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (client < 0) return;
      if (::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const bool full = errno == EAGAIN;
        ::close(client);
        full_ = full;
        return;
      }
      clients_.push_back(client);
    }
  }
  ~FullSocket() {
    for (const int client : clients_) ::close(client);
    if (fd_ >= 0) ::close(fd_);
  }
  FullSocket(const FullSocket&) = delete;
  FullSocket& operator=(const FullSocket&) = delete;
  [[nodiscard]] bool Full() const { return full_; }

 private:
  int fd_ = -1;
  std::vector<int> clients_;
  bool full_ = false;
};

// A socket that takes one client and hangs up on it: a bus that refuses
// this client once it has connected.
class HangUpSocket {
 public:
  explicit HangUpSocket(const std::string& path) {
    sockaddr_un address{};
    fd_ = ListenAt(path, 4, address);
    if (fd_ < 0) return;
    listening_ = true;
    taker_ = std::thread([this] {
      pollfd entry{fd_, POLLIN, 0};
      const auto give_up = std::chrono::milliseconds(kHangScale);
      if (::poll(&entry, 1, static_cast<int>(give_up.count())) != 1) return;
      const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) return;
      took_one_ = true;
      ::close(client);
    });
  }
  ~HangUpSocket() {
    if (taker_.joinable()) taker_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  HangUpSocket(const HangUpSocket&) = delete;
  HangUpSocket& operator=(const HangUpSocket&) = delete;
  [[nodiscard]] bool Listening() const { return listening_; }
  [[nodiscard]] bool TookOne() const { return took_one_; }

 private:
  int fd_ = -1;
  bool listening_ = false;
  std::atomic<bool> took_one_ = false;
  std::thread taker_;
};

// The probe's advice, and whether it came within a hang's time: a probe that
// waits as long as a client of a silent bus (25 s) takes longer.
struct Probed {
  process::EnvironmentAdvice advice;
  bool in_time = false;
};
Probed Probe(const toolkit::BusAddresses& addresses, std::chrono::milliseconds budget) {
  QElapsedTimer clock;
  clock.start();
  Probed probed{toolkit::KeepToolkitOffSilentBuses(addresses, budget), false};
  probed.in_time = clock.elapsed() < std::chrono::milliseconds(kHangScale).count();
  return probed;
}

using Changes = process::EnvironmentChanges;
const Changes kSessionOff = {{"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
                             {"AT_SPI_BUS_ADDRESS", std::nullopt}};

}  // namespace

class BusProbeTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QProcess bus_;

 private slots:
  void initTestCase() {
    bus_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile",
                               "--address=unix:path=" + dir_.path() + "/bus"});
    QVERIFY(bus_.waitForStarted());
    QVERIFY(QTest::qWaitFor([this] { return QFile::exists(dir_.path() + "/bus"); }, 10000));
  }
  void cleanupTestCase() {
    bus_.kill();
    bus_.waitForFinished();
  }
  // Nothing here sets the environment: QtTest's watchdog thread reads it.
  void aBusThatAnswersIsLeftToTheToolkit() {
    const std::string address = "unix:path=" + dir_.path().toStdString() + "/bus";
    // This bus has no accessibility bus: it says so at once.
    const auto advice = toolkit::KeepToolkitOffSilentBuses({address, {}, {}}, 500ms);
    QCOMPARE(advice.why, std::string());
    QCOMPARE(advice.changes, Changes());
  }

  // Without an address, the session bus is where libdbus looks for it.
  void theRuntimeFoldersBusIsTheSessionBus() {
    const std::string folder = dir_.path().toStdString() + "/runtime";
    QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
    const SilentSocket silent(folder + "/bus", false);
    QVERIFY(silent.Made());
    const auto advice = toolkit::KeepToolkitOffSilentBuses({{}, {}, folder}, 200ms);
    QCOMPARE(advice.changes, kSessionOff);
    // Neither an address nor a runtime folder: no bus to ask.
    QCOMPARE(toolkit::KeepToolkitOffSilentBuses({}, 200ms).changes, Changes());
  }

  void aBusThatIsNotThereIsLeftToTheToolkit() {
    const std::string address = "unix:path=" + dir_.path().toStdString() + "/nothing";
    const auto advice = toolkit::KeepToolkitOffSilentBuses({address, {}, {}}, 500ms);
    QCOMPARE(advice.why, std::string());
    QCOMPARE(advice.changes, Changes());
  }

  // A bus that turns this client away, before or after taking it: the
  // toolkit is turned away as fast.
  void aBusThatRefusesIsLeftToTheToolkit() {
    const std::string folder = dir_.path().toStdString();
    const SilentSocket gone(folder + "/gone", false, false);
    QVERIFY(gone.Made());
    QCOMPARE(toolkit::KeepToolkitOffSilentBuses({"unix:path=" + folder + "/gone", {}, {}}, 500ms)
                 .changes,
             Changes());
    const HangUpSocket hangs_up(folder + "/hangs-up");
    QVERIFY(hangs_up.Listening());
    QCOMPARE(
        toolkit::KeepToolkitOffSilentBuses({"unix:path=" + folder + "/hangs-up", {}, {}}, 500ms)
            .changes,
        Changes());
    QVERIFY(hangs_up.TookOne());
  }

  // An address may name a program to run as the bus: a probe before the
  // program starts runs none of the user's programs.
  void aProgramNamedAsTheBusIsNotStarted() {
    const QString mark = dir_.path() + "/started";
    const std::string address =
        "unixexec:path=/usr/bin/touch,argv0=touch,argv1=" + mark.toStdString();
    QCOMPARE(toolkit::KeepToolkitOffSilentBuses({address, {}, {}}, 500ms).changes, Changes());
    QVERIFY(!QFile::exists(mark));
  }

  void aSilentSessionBusIsKeptFromTheToolkit_data() {
    QTest::addColumn<bool>("abstract");
    QTest::newRow("path") << false;
    QTest::newRow("abstract") << true;
  }
  void aSilentSessionBusIsKeptFromTheToolkit() {
    QFETCH(bool, abstract);
    const std::string name = dir_.path().toStdString() + "/silent" + (abstract ? "-a" : "-p");
    const SilentSocket silent(name, abstract);
    QVERIFY(silent.Made());
    // Escaped as addresses may be.
    std::string escaped;
    for (const char c : name) escaped += c == '/' ? std::string("%2f") : std::string(1, c);
    const std::string address =
        "tcp:host=localhost,port=1;unix:" + std::string(abstract ? "abstract=" : "path=") +
        escaped + ",guid=0123456789abcdef0123456789abcdef";
    const auto [advice, in_time] = Probe({address, "unix:path=/x", {}}, 200ms);
    QCOMPARE(advice.why,
             std::string("the session bus does not answer; accessibility and desktop settings "
                         "are left off"));
    // The probe's deadline, not the 25 s a client of a silent bus waits.
    QVERIFY(in_time);
    QCOMPARE(advice.changes, kSessionOff);
  }

  // A bus whose queue is full takes no client: the toolkit's blocking
  // connect would wait there, and the window with it.
  void aSessionBusWithAFullQueueIsKeptFromTheToolkit() {
    const std::string path = dir_.path().toStdString() + "/full";
    const FullSocket full(path);
    QVERIFY(full.Full());
    const auto [advice, in_time] = Probe({"unix:path=" + path, {}, {}}, 200ms);
    QVERIFY(in_time);
    QCOMPARE(advice.why,
             std::string("the session bus does not answer; accessibility and desktop settings "
                         "are left off"));
    QCOMPARE(advice.changes, kSessionOff);
  }

  void aSilentAccessibilityBusIsKeptFromTheToolkit() {
    const std::string address = "unix:path=" + dir_.path().toStdString() + "/bus";
    const std::string name = dir_.path().toStdString() + "/silent-a11y";
    const SilentSocket silent(name, false);
    QVERIFY(silent.Made());
    const auto [advice, in_time] = Probe({address, "unix:path=" + name, {}}, 200ms);
    QVERIFY(in_time);
    QCOMPARE(advice.why,
             std::string("the accessibility bus does not answer; accessibility is left off"));
    QCOMPARE(advice.changes, Changes({{"AT_SPI_BUS_ADDRESS", "disabled:"}}));
  }
};

QTEST_GUILESS_MAIN(BusProbeTest)
#include "test_bus_probe.moc"
