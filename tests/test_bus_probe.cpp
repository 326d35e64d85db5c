// The start-up probe of the session and accessibility buses, against a
// private dbus-daemon and against sockets that take a connection and never
// say a word.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/threaded_call.h"
#include "toolkit/application/bus_probe.h"

using namespace std::chrono_literals;

namespace {

// A socket that is listened on and never answered: what a stopped bus is to
// a client. `abstract` puts it in the abstract namespace.
class SilentSocket {
 public:
  SilentSocket(const std::string& name, bool abstract) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    std::memcpy(address.sun_path + offset, name.data(), name.size());
    // A path ends with its NUL; an abstract name starts with one instead.
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
    ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
          ::listen(fd_, 4) == 0;
  }
  ~SilentSocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  SilentSocket(const SilentSocket&) = delete;
  SilentSocket& operator=(const SilentSocket&) = delete;
  [[nodiscard]] bool Listening() const { return ok_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "(unset)" : value;
}

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
  void init() { unsetenv("AT_SPI_BUS_ADDRESS"); }

  void aBusThatAnswersIsLeftToTheToolkit() {
    const std::string address = "unix:path=" + dir_.path().toStdString() + "/bus";
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    // This bus has no accessibility bus: it says so at once.
    QCOMPARE(toolkit::KeepToolkitOffSilentBuses(500ms), std::string());
    QCOMPARE(Env("DBUS_SESSION_BUS_ADDRESS"), address);
    QCOMPARE(Env("AT_SPI_BUS_ADDRESS"), std::string("(unset)"));
  }

  void aBusThatIsNotThereIsLeftToTheToolkit() {
    const std::string address = "unix:path=" + dir_.path().toStdString() + "/nothing";
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    QCOMPARE(toolkit::KeepToolkitOffSilentBuses(500ms), std::string());
    QCOMPARE(Env("DBUS_SESSION_BUS_ADDRESS"), address);
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
    QVERIFY(silent.Listening());
    // Escaped as addresses may be.
    std::string escaped;
    for (const char c : name) escaped += c == '/' ? std::string("%2f") : std::string(1, c);
    const std::string address =
        "tcp:host=localhost,port=1;unix:" + std::string(abstract ? "abstract=" : "path=") +
        escaped + ",guid=0123456789abcdef0123456789abcdef";
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    setenv("AT_SPI_BUS_ADDRESS", "unix:path=/x", 1);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(toolkit::KeepToolkitOffSilentBuses(200ms),
             std::string("the session bus does not answer; accessibility and desktop settings "
                         "are left off"));
    // The probe's deadline, not the 25 s a client of a silent bus waits.
    QVERIFY2(clock.elapsed() < std::chrono::milliseconds(kHangScale).count(),
             qPrintable(QString("the probe took %1 ms").arg(clock.elapsed())));
    QCOMPARE(Env("DBUS_SESSION_BUS_ADDRESS"), std::string("disabled:"));
    QCOMPARE(Env("AT_SPI_BUS_ADDRESS"), std::string("(unset)"));
  }

  void aSilentAccessibilityBusIsKeptFromTheToolkit() {
    const std::string address = "unix:path=" + dir_.path().toStdString() + "/bus";
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    const std::string name = dir_.path().toStdString() + "/silent-a11y";
    const SilentSocket silent(name, false);
    QVERIFY(silent.Listening());
    setenv("AT_SPI_BUS_ADDRESS", ("unix:path=" + name).c_str(), 1);
    QCOMPARE(toolkit::KeepToolkitOffSilentBuses(200ms),
             std::string("the accessibility bus does not answer; accessibility is left off"));
    QCOMPARE(Env("DBUS_SESSION_BUS_ADDRESS"), address);
    QCOMPARE(Env("AT_SPI_BUS_ADDRESS"), std::string("disabled:"));
  }
};

QTEST_GUILESS_MAIN(BusProbeTest)
#include "test_bus_probe.moc"
