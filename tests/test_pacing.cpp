// The toolkit's pacing on time the test moves by hand: timers that keep
// their phase and never burst, and a window whose pixels and accessibility
// events go out at the display's pace while its state changes at once.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <chrono>
#include <string>
#include <vector>

#include "support/counting_timer.h"
#include "support/scroll_bar_parts.h"
#include "support/stepped_clock.h"
#include "support/widget_of.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/scroll_bar.h"
#include "toolkit/time/timer.h"

namespace {

constexpr std::chrono::nanoseconds kMs = std::chrono::milliseconds(1);

QString NameOf(QLabel* label) {
  return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
}

// What assistive technology is told about a label and a scroll bar: a new
// accessible name, a new value. Qt raises one event for each change of
// either (it raises them only while a screen reader listens, so a test
// counts the changes instead).
struct Heard {
  QLabel* label;
  QScrollBar* bar;
  QString name;
  int names = 0;
  int values = 0;

  Heard(QLabel* l, QScrollBar* b) : label(l), bar(b), name(NameOf(l)) {
    QObject::connect(bar, &QScrollBar::valueChanged, [this] { ++values; });
  }
  void Listen() {
    if (NameOf(label) != name) ++names;
    name = NameOf(label);
  }
};

// A label and a slider on a window, as the party ramp changes them, with the
// Qt widgets behind them.
struct LabelAndSlider {
  toolkit::Form form{"t", 6000, 3000};
  toolkit::Label label{form, "??%", {0, 0, 1335, 255}};
  toolkit::HScrollBar bar{form, {0, 600, 4215, 255}, 1, 0, 100};
  QLabel* qlabel = qobject_cast<QLabel*>(toolkit::WidgetOf(label));
  QScrollBar* qbar = qobject_cast<QScrollBar*>(toolkit::WidgetOf(bar));

  // The slider with the keyboard focus, whose changes a screen reader hears.
  bool Focused() {
    if (!QTest::qWaitForWindowActive(toolkit::WidgetOf(form))) return false;
    qbar->setFocus();
    return qbar->hasFocus();
  }
};

// Lets the event loop come round, as it does between two timer ticks.
void LoopComesRound() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

// The label as the window's status, with every text told to assistive
// technology kept in `told`; shown, so that the telling starts.
struct ToldStatus : LabelAndSlider {
  std::vector<std::string> told;
  ToldStatus() {
    form.SetStatusLabel(label);
    toolkit::OnStatusTold(form, [this](const std::string& text) { told.push_back(text); });
    form.Show();
  }
  // Active, with the focus on no control, and a second on the clock since.
  void ShownUnfocused(SteppedClock& time) {
    QVERIFY(QTest::qWaitForWindowActive(toolkit::WidgetOf(form)));
    qbar->clearFocus();  // which the window's activation gave
    LoopComesRound();
    time.Advance(1000 * kMs);
  }
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

QColor Shown(const toolkit::Form& form) {
  return toolkit::WidgetOf(form)->grab().toImage().pixelColor(3, 3);
}

}  // namespace

class PacingTest : public QObject {
  Q_OBJECT

 private slots:
  void aClockKeepsItsPhaseWhenItsWakeUpsComeLate() {
    SteppedClock time;
    const auto start = time.Now();
    CountingTimer counting(1);
    QCOMPARE(time.NextDeadline(), start + 1 * kMs);
    // Every wake-up comes 0.3 ms late: the next is still due on the
    // millisecond, so a second of them brings 1,000 ticks, not 770.
    for (int ms = 1; ms <= 1000; ++ms) {
      time.JumpTo(start + ms * kMs + 3 * kMs / 10);
      QCOMPARE(time.NextDeadline(), start + (ms + 1) * kMs);
    }
    QCOMPARE(counting.ticks, 1000);
  }

  void aClockThatFellBehindTicksOnceAndGoesOn() {
    SteppedClock time;
    const auto start = time.Now();
    CountingTimer counting(1);
    time.RunTo(start + 10 * kMs);
    QCOMPARE(counting.ticks, 10);
    // 5.5 ms without a wake-up: one tick, no burst of the five missed.
    time.JumpTo(start + 15 * kMs + kMs / 2);
    QCOMPARE(counting.ticks, 11);
    QCOMPARE(time.NextDeadline(), start + 16 * kMs);
    time.RunTo(start + 20 * kMs);
    QCOMPARE(counting.ticks, 16);
    counting.timer.SetEnabled(false);
    QCOMPARE(time.NextDeadline(), std::nullopt);
    time.RunTo(start + 40 * kMs);
    QCOMPARE(counting.ticks, 16);
    // Enabled again, it starts a fresh interval from now.
    counting.timer.SetEnabled(true);
    QCOMPARE(time.NextDeadline(), start + 41 * kMs);
  }

  void aHandOverTicksTheOtherTimerOnTheNextPulse() {
    SteppedClock time;
    const auto start = time.Now();
    toolkit::Timer up(1);
    toolkit::Timer down(1);
    std::string ticks;
    up.OnTick([&] {
      ticks += 'u';
      down.SetEnabled(true);
      up.SetEnabled(false);
    });
    down.OnTick([&] {
      ticks += 'd';
      up.SetEnabled(true);
      down.SetEnabled(false);
    });
    up.SetEnabled(true);
    time.RunTo(start + 6 * kMs);
    QCOMPARE(ticks, std::string("ududud"));
    // A late pulse hands over all the same, and the grid holds.
    time.JumpTo(start + 9 * kMs + kMs / 4);
    QCOMPARE(ticks, std::string("udududu"));
    QCOMPARE(time.NextDeadline(), start + 10 * kMs);
  }

  void manyColoursInOneFramePaintOnceInTheLatest() {
    SteppedClock time;
    toolkit::Form form("t", 3000, 3000);
    form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(form)));
    PaintCounter counter(toolkit::WidgetOf(form));
    LoopComesRound();
    counter.paints = 0;

    // After a quiet spell a change shows on the very next paint.
    form.SetBackColor(0x000000FF);
    LoopComesRound();
    QCOMPARE(counter.paints, 1);
    QCOMPARE(Shown(form), QColor(255, 0, 0));

    // Four more within the frame: the state is each at once, the screen waits.
    counter.paints = 0;
    const toolkit::Colour later[] = {0x0000FFFF, 0x0000FF00, 0x00FFFF00, 0x00FF0000};
    for (toolkit::Colour colour : later) {
      time.Advance(2 * kMs);
      form.SetBackColor(colour);
      QCOMPARE(form.BackColor(), colour);
      LoopComesRound();
    }
    QCOMPARE(counter.paints, 0);
    QCOMPARE(Shown(form), QColor(255, 0, 0));
    counter.paints = 0;

    // The frame's end shows the last of them, in one paint.
    time.Advance(10 * kMs);
    LoopComesRound();
    QCOMPARE(counter.paints, 1);
    QCOMPARE(Shown(form), QColor(0, 0, 255));
    QCOMPARE(form.BackColor(), toolkit::Colour{0x00FF0000});

    // A change when all is quiet again goes out at once.
    time.Advance(100 * kMs);
    form.SetBackColor(0);
    LoopComesRound();
    QCOMPARE(Shown(form), QColor(0, 0, 0));
  }

  // The level's label is named as it is told: at once after a quiet spell,
  // then in the latest text two seconds later; the focused slider's value
  // a few times a second.
  void aBurstOfChangesIsSpokenAFewTimesEndingInTheLatest() {
    SteppedClock time;
    ToldStatus controls;
    QVERIFY(controls.Focused());
    Heard heard(controls.qlabel, controls.qbar);

    // One second of a change every millisecond, the party ramp's pace.
    for (int i = 1; i <= 1000; ++i) {
      time.Advance(kMs);
      controls.bar.SetValue(i % 101);
      controls.label.SetText(std::to_string(i % 101) + "%");
      QCOMPARE(controls.bar.Value(), i % 101);
      QCOMPARE(controls.label.Text(), std::to_string(i % 101) + "%");
      heard.Listen();
      LoopComesRound();
      heard.Listen();
    }
    // Where every change was one before: the label once, the slider's value
    // five times a second at most.
    QCOMPARE(heard.names, 1);
    QCOMPARE(controls.told, (std::vector<std::string>{"1%"}));
    QVERIFY2(heard.values >= 1 && heard.values <= 6, qPrintable(QString::number(heard.values)));

    // After the burst the last state is what is heard and seen.
    time.Advance(1001 * kMs);
    LoopComesRound();
    QCOMPARE(NameOf(controls.qlabel), QString("91%"));  // 1000 % 101
    QCOMPARE(controls.told, (std::vector<std::string>{"1%", "91%"}));
    QAccessibleInterface* bar_face = QAccessible::queryAccessibleInterface(controls.qbar);
    QCOMPARE(bar_face->valueInterface()->currentValue().toInt(), 91);
    QCOMPARE(controls.qlabel->text(), QString("91%"));
    QCOMPARE(controls.qbar->sliderPosition(), 91);
  }

  // The party ramp moves the slider a step every millisecond; the thumb on
  // screen follows it frame by frame (the screen's rate, 60 Hz here), never
  // only at the few-a-second pace of what a screen reader is told.
  void theThumbFollowsTheRampEveryFrame() {
    SteppedClock time;
    LabelAndSlider controls;
    controls.form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(controls.form)));
    QCOMPARE(toolkit::WidgetOf(controls.form)->screen()->refreshRate(), 60.0);
    int ramp = 30;
    int step = 5;
    int moves = 0;
    int shown = controls.qbar->sliderPosition();
    // Whether the thumb moved, and then to where the ramp is now.
    const auto look = [&] {
      LoopComesRound();
      if (controls.qbar->sliderPosition() == shown) return true;
      ++moves;
      shown = controls.qbar->sliderPosition();
      return shown == ramp;
    };
    for (int i = 0; i < 1000; ++i) {
      time.Advance(kMs);  // a frame's end may come round meanwhile
      QVERIFY2(look(), qPrintable(QString::number(shown)));
      ramp += step;
      if (ramp >= 95 || ramp <= 30) step = -step;
      controls.bar.SetValue(ramp);
      QVERIFY2(look(), qPrintable(QString::number(shown)));
    }
    // One second: a move a frame, 60, give or take the first and the last.
    QVERIFY2(moves >= 58 && moves <= 62, qPrintable(QString::number(moves)));
  }

  void aSingleChangeIsSeenAndHeardAtOnce() {
    SteppedClock time;
    ToldStatus controls;
    QVERIFY(controls.Focused());
    Heard heard(controls.qlabel, controls.qbar);
    time.Advance(1000 * kMs);
    controls.bar.SetValue(75);
    controls.label.SetText("75%");
    QCOMPARE(controls.qlabel->text(), QString("75%"));
    QCOMPARE(NameOf(controls.qlabel), QString("75%"));
    QCOMPARE(controls.told, (std::vector<std::string>{"75%"}));
    QCOMPARE(controls.qbar->value(), 75);
    QCOMPARE(controls.qbar->sliderPosition(), 75);
    heard.Listen();
    QCOMPARE(heard.names, 1);
    QCOMPARE(heard.values, 1);
  }

  void theUserMovesTheSliderFromTheValueLastSet() {
    SteppedClock time;
    toolkit::Form form("t", 6000, 3000);
    toolkit::HScrollBar bar(form, {0, 0, 4215, 255}, 0, 0, 100);
    std::vector<int> changes;
    bar.OnChange([&] { changes.push_back(bar.Value()); });
    form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(form)));
    bar.SetValue(10);
    LoopComesRound();
    time.Advance(kMs);
    bar.SetValue(40);  // inside the throttle: Qt's own value still trails
    LoopComesRound();
    auto* qbar = qobject_cast<QScrollBar*>(toolkit::WidgetOf(bar));
    QTest::mouseClick(qbar, Qt::LeftButton, {},
                      ScrollBarPart(qbar, QStyle::SC_ScrollBarAddLine).center());
    QCOMPARE(bar.Value(), 41);
    QCOMPARE(changes, (std::vector<int>{10, 40, 41}));
    qbar->setFocus();
    time.Advance(kMs);
    bar.SetValue(60);
    LoopComesRound();
    QTest::keyClick(qbar, Qt::Key_Left);
    QCOMPARE(bar.Value(), 59);
    QCOMPARE(changes, (std::vector<int>{10, 40, 41, 60, 59}));
  }

  void theStatusIsToldAtOnceThenOnceASecondInTheLatest() {
    SteppedClock time;
    ToldStatus controls;
    const std::vector<std::string>& told = controls.told;
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(controls.form)));
    time.Advance(1000 * kMs);

    // After a quiet spell, at once.
    controls.label.SetText("10%");
    LoopComesRound();
    QCOMPARE(told, (std::vector<std::string>{"10%"}));

    // Three seconds of a change every millisecond, the party ramp's pace:
    // once two seconds after the first, in the text of that moment.
    for (int i = 1; i <= 3000; ++i) {
      time.Advance(kMs);
      controls.label.SetText(std::to_string(i % 101) + "%");
      LoopComesRound();
    }
    QCOMPARE(told, (std::vector<std::string>{"10%", "80%"}));  // 1999 % 101
    // Then the last text, two seconds after that, and nothing more.
    time.Advance(1500 * kMs);
    LoopComesRound();
    QCOMPARE(told, (std::vector<std::string>{"10%", "80%", "71%"}));  // 3000 % 101
    const std::size_t settled = told.size();
    time.Advance(5000 * kMs);
    LoopComesRound();
    QCOMPARE(told.size(), settled);
  }

  void aKeyHeldDownHoldsTheStatusBackAndItsReleaseTellsIt() {
    SteppedClock time;
    ToldStatus controls;
    const std::vector<std::string>& told = controls.told;
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(controls.form)));
    time.Advance(1000 * kMs);

    // What changes while the key is down may be superseded by what the key
    // does: nothing is told until it is up, and then the latest.
    QTest::keyPress(controls.qbar, Qt::Key_A);
    controls.label.SetText("20%");
    controls.label.SetText("20%");  // as the apply sequence sets it twice
    LoopComesRound();
    time.Advance(2000 * kMs);
    LoopComesRound();
    QVERIFY(told.empty());
    controls.label.SetText("30%");
    QTest::keyRelease(controls.qbar, Qt::Key_A);
    LoopComesRound();
    QCOMPARE(told, (std::vector<std::string>{"30%"}));

    // Within two seconds a change waits for its turn...
    time.Advance(300 * kMs);
    controls.label.SetText("40%");
    LoopComesRound();
    QCOMPARE(told.size(), std::size_t{1});
    time.Advance(1700 * kMs);
    LoopComesRound();
    QCOMPARE(told, (std::vector<std::string>{"30%", "40%"}));
    // ...unless a key came first: the screen reader stopped speaking for it,
    // also where the change comes after the key is up.
    time.Advance(300 * kMs);
    QTest::keyClick(controls.qbar, Qt::Key_A);
    LoopComesRound();
    controls.label.SetText("50%");
    LoopComesRound();
    QCOMPARE(told, (std::vector<std::string>{"30%", "40%", "50%"}));
    // And the key that sets the text the label has is heard again.
    time.Advance(300 * kMs);
    QTest::keyClick(controls.qbar, Qt::Key_A);
    controls.label.SetText("50%");
    LoopComesRound();
    QCOMPARE(told, (std::vector<std::string>{"30%", "40%", "50%", "50%"}));
  }

  // The user's Tab or click presents a new control: a text still waiting
  // goes out right after it, not two seconds after the text before.
  void aWaitingStatusIsToldOnceTheUserMovesTheFocus() {
    SteppedClock time;
    ToldStatus controls;
    controls.ShownUnfocused(time);
    controls.label.SetText("10%");
    time.Advance(300 * kMs);
    controls.label.SetText("20%");
    LoopComesRound();
    QCOMPARE(controls.told, (std::vector<std::string>{"10%"}));
    controls.qbar->setFocus(Qt::TabFocusReason);
    LoopComesRound();
    QCOMPARE(controls.told, (std::vector<std::string>{"10%", "20%"}));
    // With nothing waiting, the user's move tells nothing.
    controls.qbar->clearFocus();
    time.Advance(3000 * kMs);
    controls.qbar->setFocus(Qt::TabFocusReason);
    LoopComesRound();
    time.Advance(100 * kMs);
    LoopComesRound();
    QCOMPARE(controls.told.size(), std::size_t{2});
  }

  // Where the program moves the focus (party mode's start and stop), the
  // listener is somewhere it did not ask to go: the status is told again
  // there, a moment after the new control is presented.
  void theStatusIsToldAgainWhereTheProgramMovesTheFocus() {
    SteppedClock time;
    ToldStatus controls;
    controls.ShownUnfocused(time);
    controls.label.SetText("10%");
    time.Advance(3000 * kMs);
    controls.qbar->setFocus(Qt::OtherFocusReason);
    LoopComesRound();
    QCOMPARE(controls.told, (std::vector<std::string>{"10%"}));
    time.Advance(50 * kMs);
    LoopComesRound();
    QCOMPARE(controls.told, (std::vector<std::string>{"10%", "10%"}));
  }

  void presentNowPushesWhatWaits() {
    SteppedClock time;
    toolkit::Form form("t", 6000, 3000);
    toolkit::Label label(form, "a", {0, 0, 1335, 255});
    form.Show();
    label.SetText("b");
    LoopComesRound();
    time.Advance(kMs);
    label.SetText("c");
    auto* qlabel = qobject_cast<QLabel*>(toolkit::WidgetOf(label));
    QCOMPARE(qlabel->text(), QString("b"));
    toolkit::PresentNow(form);
    QCOMPARE(qlabel->text(), QString("c"));
    QCOMPARE(NameOf(qlabel), QString("c"));
  }
};

QTEST_MAIN(PacingTest)
#include "test_pacing.moc"
