// Party mode where the desktop asks for reduced motion, on the stepped
// clock: the window's state and the volume go on as ever, while the colour
// that reaches the screen changes at most three times a second.
#include <QImage>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <vector>

#include "support/click.h"
#include "support/recording_mixer.h"
#include "support/stepped_window.h"
#include "support/widget_of.h"
#include "toolkit/application/desktop_motion.h"
#include "toolkit/presentation/reduced_motion.h"

namespace {

constexpr std::chrono::nanoseconds kMs = std::chrono::milliseconds(1);

// What the party did over a stretch of stepped time, one millisecond (one
// tick of each timer) at a time.
struct Watched {
  std::vector<toolkit::TimePoint> shown;  // when the colour on the screen changed
  int states = 0;                         // changes of the window's own colour
};

}  // namespace

class ReducedMotionTest : public QObject, protected SteppedWindow {
  Q_OBJECT

  // The colour the window's corner shows, as it paints now.
  QRgb Corner() { return toolkit::WidgetOf(*form_)->grab(QRect(0, 0, 2, 2)).toImage().pixel(0, 0); }

  Watched Watch(int milliseconds) {
    Watched watched;
    QRgb shown = Corner();
    toolkit::Colour state = form_->BackColor();
    for (int i = 0; i < milliseconds; ++i) {
      time_->Advance(kMs);
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents();
      if (form_->BackColor() != state) ++watched.states;
      state = form_->BackColor();
      const QRgb now = Corner();
      if (now != shown) watched.shown.push_back(time_->Now());
      shown = now;
    }
    return watched;
  }

  // The most changes that fall in any one second, both ends included.
  static int MostInASecond(const std::vector<toolkit::TimePoint>& times) {
    int most = 0;
    for (auto from = times.begin(); from != times.end(); ++from) {
      int in = 0;
      for (auto t = from; t != times.end() && *t - *from <= std::chrono::seconds(1); ++t) ++in;
      most = std::max(most, in);
    }
    return most;
  }

 private slots:
  void init() { toolkit::SetReducedMotion(false); }
  void cleanup() {
    CloseWindow();
    toolkit::SetReducedMotion(false);
  }

  void theScreenFlashesAtMostThreeTimesASecondAndTheVolumeRampsAsEver() {
    // Full motion first: every frame shows a new colour.
    QVERIFY(OpenWindow());
    Click(form_->Command6);
    const Watched full = Watch(3000);
    const std::vector<std::int32_t> full_levels = recording_mixer::Levels();
    CloseWindow();
    QCOMPARE(full.states, 3000);
    QVERIFY2(full.shown.size() >= 150, QByteArray::number(qsizetype(full.shown.size())));

    toolkit::SetReducedMotion(true);
    QVERIFY(OpenWindow());
    Click(form_->Command6);
    const Watched calm = Watch(3000);
    // The window's colour steps at every tick, and the same levels are
    // written, in the same order, as with full motion.
    QCOMPARE(calm.states, 3000);
    QCOMPARE(recording_mixer::Levels(), full_levels);
    QVERIFY(full_levels.size() > 1000);
    // The screen: still a party, three colours a second at most.
    QVERIFY2(MostInASecond(calm.shown) <= 3, QByteArray::number(MostInASecond(calm.shown)));
    QVERIFY2(calm.shown.size() >= 8, QByteArray::number(qsizetype(calm.shown.size())));
  }

  void theWishIsFollowedWhileThePartyRuns() {
    QVERIFY(OpenWindow());
    Click(form_->Command6);
    toolkit::SetReducedMotion(true);
    const Watched calm = Watch(2000);
    QVERIFY2(MostInASecond(calm.shown) <= 3, QByteArray::number(MostInASecond(calm.shown)));

    toolkit::SetReducedMotion(false);
    const Watched full = Watch(1000);
    QVERIFY2(full.shown.size() >= 50, QByteArray::number(qsizetype(full.shown.size())));

    // Turned on again right after a frame showed a flash: the next one
    // waits a third of a second from then.
    const toolkit::TimePoint turned_on = time_->Now();
    toolkit::SetReducedMotion(true);
    const Watched calm_again = Watch(2000);
    QVERIFY2(MostInASecond(calm_again.shown) <= 3,
             QByteArray::number(MostInASecond(calm_again.shown)));
    QVERIFY(!calm_again.shown.empty());
    QVERIFY(calm_again.shown.front() - turned_on >= std::chrono::milliseconds(333));

    // STOP is seen: black, once its turn comes, and black it stays.
    Click(form_->Command7);
    Watch(400);
    QCOMPARE(Corner(), qRgb(0, 0, 0));
  }

  void theDesktopsSettingsAreRead() {
    using toolkit::AsksForReducedMotion;
    using toolkit::MotionSettings;
    // Nothing known: full motion.
    QVERIFY(!AsksForReducedMotion({}));
    // The freedesktop wish decides wherever it is given.
    QVERIFY(AsksForReducedMotion({1U, std::nullopt, std::nullopt}));
    QVERIFY(!AsksForReducedMotion({0U, std::nullopt, std::nullopt}));
    QVERIFY(!AsksForReducedMotion({0U, false, 0.0}));
    QVERIFY(AsksForReducedMotion({1U, true, 1.0}));
    // Without it, GNOME's animations off or KDE's at no length ask for less.
    QVERIFY(AsksForReducedMotion({std::nullopt, false, std::nullopt}));
    QVERIFY(!AsksForReducedMotion({std::nullopt, true, std::nullopt}));
    QVERIFY(AsksForReducedMotion({std::nullopt, std::nullopt, 0.0}));
    QVERIFY(!AsksForReducedMotion({std::nullopt, std::nullopt, 0.5}));
    QVERIFY(AsksForReducedMotion({std::nullopt, true, 0.0}));
  }
};

QTEST_MAIN(ReducedMotionTest)
#include "test_reduced_motion.moc"
