// The one door through which the program's entry, the tests and the
// measuring builds put their time and their mixer in place. Each case runs in
// a process of its own: what is installed stays for the rest of the process.
#include <QTest>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "main/environment.h"
#include "mixer/setter/module1.h"
#include "toolkit/time/timer.h"

namespace {

using Levels = std::vector<std::uint32_t>;

// Alarms on a time the test sets, rung when the test says.
struct Alarms {
  class One final : public toolkit::Alarm {
   public:
    explicit One(Alarms& alarms) : alarms_(alarms) { alarms.made.push_back(this); }
    ~One() override { std::erase(alarms_.made, this); }
    One(const One&) = delete;
    One& operator=(const One&) = delete;
    [[nodiscard]] toolkit::TimePoint Now() const override { return alarms_.now; }
    void Set(toolkit::TimePoint /*deadline*/) override {}
    void SetRepeating(toolkit::TimePoint /*first*/, toolkit::Duration /*period*/) override {}
    void Cancel() override {}
    void RingNow() const { Ring(); }

   private:
    Alarms& alarms_;
  };

  toolkit::TimePoint now{std::chrono::hours(1)};
  std::vector<One*> made;
  int ever_made = 0;

  toolkit::AlarmFactory Factory() {
    return [this] {
      ++ever_made;
      return std::make_unique<One>(*this);
    };
  }
};

struct Recorder final : mixer::LevelOutput {
  std::shared_ptr<Levels> levels = std::make_shared<Levels>();
  bool Write(std::uint32_t value) override {
    levels->push_back(value);
    return true;
  }
};

// A mixer environment whose writes land in `levels`.
mixer::MixerEnvironment RecordingInto(const std::shared_ptr<Levels>& levels) {
  return {[levels] {
    auto recorder = std::make_unique<Recorder>();
    recorder->levels = levels;
    return recorder;
  }};
}

struct TickNames final : toolkit::TickObserver {
  std::vector<std::string> heard;
  void Ticked(const toolkit::Timer& timer) override { heard.push_back("tick " + timer.Name()); }
  void Ended(const toolkit::Timer& timer) override { heard.push_back("end " + timer.Name()); }
};

bool WriteLevel(std::int32_t level) { return SetMixerLevel(0, MIXERCONTROL{}, level); }

}  // namespace

class EnvironmentTest : public QObject {
  Q_OBJECT

 private slots:
  void theEntryInstallsEveryPartOnce() {
    Alarms& alarms = alarms_;
    Alarms& other_alarms = other_alarms_;
    const auto levels = std::make_shared<Levels>();
    const auto other_levels = std::make_shared<Levels>();
    const auto ticks = std::make_shared<TickNames>();
    QVERIFY(InstallEnvironment({{alarms.Factory(), ticks}, RecordingInto(levels)}));
    // Again, before either part is used: refused, and each layer goes on with
    // what the first put in place.
    QVERIFY(!InstallEnvironment({{other_alarms.Factory(), nullptr}, RecordingInto(other_levels)}));

    {
      toolkit::Timer timer(5, "Timer9");
      timer.SetEnabled(true);
      QCOMPARE(alarms.made.size(), std::size_t{1});
      alarms.now += std::chrono::milliseconds(5);
      alarms.made.front()->RingNow();
      QVERIFY(timer.FireTick());  // a test's tick: not the event loop's
    }
    QCOMPARE(ticks->heard, (std::vector<std::string>{"tick Timer9", "end Timer9"}));
    QVERIFY(WriteLevel(33000));
    QVERIFY(WriteLevel(660));
    QCOMPARE(*levels, (Levels{33000, 660}));
    QVERIFY(other_levels->empty());
    const std::unique_ptr<toolkit::Alarm> later = toolkit::MakeAlarm();
    QCOMPARE(alarms.ever_made, 2);
    QCOMPARE(other_alarms.ever_made, 0);
  }

  // Time read before anything was installed stays the system's; the mixer,
  // not yet written to, still takes its part, and keeps it once written to.
  void aLayerInUseKeepsWhatItHas() {
    Alarms& alarms = alarms_;
    const auto levels = std::make_shared<Levels>();
    const std::unique_ptr<toolkit::Alarm> before = toolkit::MakeAlarm();
    QVERIFY(!InstallEnvironment({{alarms.Factory(), nullptr}, RecordingInto(levels)}));
    const std::unique_ptr<toolkit::Alarm> after = toolkit::MakeAlarm();
    QCOMPARE(alarms.ever_made, 0);
    QVERIFY(WriteLevel(16500));
    const auto other_levels = std::make_shared<Levels>();
    QVERIFY(!mixer::InstallMixer(RecordingInto(other_levels)));
    QVERIFY(WriteLevel(33000));
    QCOMPARE(*levels, (Levels{16500, 33000}));
    QVERIFY(other_levels->empty());
  }

 private:
  // Installed factories make alarms from these for the rest of the process.
  Alarms alarms_;
  Alarms other_alarms_;
};

QTEST_GUILESS_MAIN(EnvironmentTest)
#include "test_environment.moc"
