// The one door through which the program's entry, the tests and the
// measuring builds put their time and their mixer in place: what is put there
// drives the timers and takes the levels, and a second install changes
// nothing. What is installed stays for the rest of the process, so this is
// one case in a process of its own.
#include <QTest>
#include <chrono>
#include <cstdint>
#include <memory>
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

bool WriteLevel(std::int32_t level) { return SetMixerLevel(0, MIXERCONTROL{}, level); }

}  // namespace

class EnvironmentTest : public QObject {
  Q_OBJECT

 private slots:
  void theInstalledTimeAndMixerTakeOverAndStay() {
    Alarms& alarms = alarms_;
    Alarms& other_alarms = other_alarms_;
    const auto levels = std::make_shared<Levels>();
    const auto other_levels = std::make_shared<Levels>();
    QVERIFY(InstallEnvironment({{alarms.Factory()}, RecordingInto(levels)}));
    // Again, before either part is used: refused, and each layer goes on with
    // what the first put in place.
    QVERIFY(!InstallEnvironment({{other_alarms.Factory()}, RecordingInto(other_levels)}));

    toolkit::Timer timer(5);
    int ticks = 0;
    timer.OnTick([&ticks] { ++ticks; });
    timer.SetEnabled(true);
    QCOMPARE(alarms.made.size(), std::size_t{1});
    alarms.now += std::chrono::milliseconds(5);
    alarms.made.front()->RingNow();
    QCOMPARE(ticks, 1);
    QVERIFY(WriteLevel(33000));
    QVERIFY(WriteLevel(660));
    QCOMPARE(*levels, (Levels{33000, 660}));

    // Once in use, too: the first part stays.
    QVERIFY(!InstallEnvironment({{other_alarms.Factory()}, RecordingInto(other_levels)}));
    QVERIFY(WriteLevel(66000));
    QCOMPARE(*levels, (Levels{33000, 660, 66000}));
    const std::unique_ptr<toolkit::Alarm> later = toolkit::MakeAlarm();
    QCOMPARE(alarms.ever_made, 2);
    QCOMPARE(other_alarms.ever_made, 0);
    QVERIFY(other_levels->empty());
  }

 private:
  // Installed factories make alarms from these for the rest of the process.
  Alarms alarms_;
  Alarms other_alarms_;
};

QTEST_GUILESS_MAIN(EnvironmentTest)
#include "test_environment.moc"
