// Party mode stepped tick by tick on a clock the test moves, writing to a
// recording mixer.
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/click.h"
#include "support/error_reports.h"
#include "support/recording_mixer.h"
#include "support/scroll_bar_parts.h"
#include "support/stepped_window.h"
#include "support/widget_of.h"
#include "window/form1.h"

using toolkit::WidgetOf;
using Levels = std::vector<std::int32_t>;

namespace {

// The levels of a climb or descent: each step writes twice, since the slider
// moves (once from its change handler, once from the step itself).
Levels Doubled(int from, int to) {
  Levels levels;
  const int step = from <= to ? 5 : -5;
  for (int percent = from; percent != to + step; percent += step) {
    levels.insert(levels.end(), 2, percent * 660);
  }
  return levels;
}

Levels Join(std::initializer_list<Levels> parts) {
  Levels all;
  for (const Levels& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

class PartyTest : public QObject, protected SteppedWindow {
  Q_OBJECT

  void Play() { Click(form_->Command6); }
  void Stop() { Click(form_->Command7); }

  // One tick of whichever ramp timer runs (exactly one of them must): a
  // millisecond on the clock, the timers' interval. A tick moves the ramp or
  // turns it.
  void RampTick() {
    const bool climbing = form_->Timer1.Enabled();
    QVERIFY(climbing != form_->Timer2.Enabled());
    const std::string before = form_->RampLevel;
    Tick();
    QVERIFY(form_->RampLevel != before || form_->Timer1.Enabled() != climbing);
  }
  // A millisecond on the clock: one tick of every timer that runs.
  void Tick() { time_->Advance(std::chrono::milliseconds(1)); }
  void RampTicks(int count) {
    for (int i = 0; i < count; ++i) RampTick();
  }

  void VerifyNormalMode() {
    for (const auto* button : {&form_->Command1, &form_->Command2, &form_->Command3,
                               &form_->Command4, &form_->Command5, &form_->Command6}) {
      QVERIFY(WidgetOf(*button)->isVisible());
    }
    QVERIFY(!WidgetOf(form_->Command7)->isVisible());
    QVERIFY(WidgetOf(form_->Line1)->isVisible());
    QVERIFY(!form_->Timer1.Enabled() && !form_->Timer2.Enabled() && !form_->Timer3.Enabled());
    QCOMPARE(form_->BackColor(), toolkit::Colour{0});
  }

 private slots:
  void init() { QVERIFY(OpenWindow()); }
  void cleanup() { CloseWindow(); }

  void playSwitchesToPartyModeWithoutWriting() {
    Play();
    for (const auto* button : {&form_->Command1, &form_->Command2, &form_->Command3,
                               &form_->Command4, &form_->Command5, &form_->Command6}) {
      QVERIFY(!WidgetOf(*button)->isVisible());
    }
    QVERIFY(WidgetOf(form_->Command7)->isVisible());
    QVERIFY(!WidgetOf(form_->Line1)->isVisible());
    for (const auto* label :
         {&form_->Label1, &form_->Label2, &form_->Label3, &form_->Label4, &form_->Label5}) {
      QVERIFY(WidgetOf(*label)->isVisible());
    }
    QVERIFY(WidgetOf(form_->VScroll1)->isVisible());
    QVERIFY(form_->Timer1.Enabled() && !form_->Timer2.Enabled() && form_->Timer3.Enabled());
    QCOMPARE(form_->BackColor(), toolkit::Colour{0x000000FF});
    QVERIFY(recording_mixer::Levels().empty());
    QCOMPARE(form_->RampLevel, std::string("0"));
  }

  void theRampPumpsBetween30And95() {
    Play();
    RampTicks(19);  // 5 .. 95
    QCOMPARE(recording_mixer::Levels(), Doubled(5, 95));
    QCOMPARE(form_->Label1.Text(), std::string("95%"));
    QCOMPARE(form_->VScroll1.Value(), 95);

    recording_mixer::Clear();
    RampTick();  // the turn at the top writes nothing
    QCOMPARE(form_->RampLevel, std::string("100"));
    QVERIFY(!form_->Timer1.Enabled() && form_->Timer2.Enabled());
    QVERIFY(recording_mixer::Levels().empty());

    RampTicks(14);  // 95 (the slider stands there: one write) .. 30
    QCOMPARE(recording_mixer::Levels(), Join({{95 * 660}, Doubled(90, 30)}));
    QCOMPARE(form_->Label1.Text(), std::string("30%"));

    recording_mixer::Clear();
    RampTick();  // the turn at the bottom writes nothing
    QVERIFY(form_->Timer1.Enabled() && !form_->Timer2.Enabled());
    QCOMPARE(form_->RampLevel, std::string("30"));
    QVERIFY(recording_mixer::Levels().empty());

    RampTicks(13 + 1 + 14 + 1);  // 35 .. 95, turn, 95 .. 30, turn: one cycle is 29 ticks
    QCOMPARE(recording_mixer::Levels(), Join({Doubled(35, 95), {95 * 660}, Doubled(90, 30)}));
    QCOMPARE(form_->RampLevel, std::string("30"));
    QVERIFY(form_->Timer1.Enabled());
  }

  void stopKeepsTheLevelAndRestoresNormalMode() {
    Play();
    RampTicks(12);  // up to 60, with as many colours
    recording_mixer::Clear();
    Stop();
    VerifyNormalMode();
    QVERIFY(recording_mixer::Levels().empty());
    QCOMPARE(form_->RampLevel, std::string("60"));
    QCOMPARE(form_->Label1.Text(), std::string("60%"));
    QCOMPARE(form_->VScroll1.Value(), 60);
    // Escape does nothing in normal mode.
    QTest::keyClick(WidgetOf(*form_), Qt::Key_Escape);
    VerifyNormalMode();
  }

  void restartResumesFromRampLevelInEitherPhase() {
    Play();
    RampTicks(12);  // climbing, at 60
    Stop();
    recording_mixer::Clear();
    Play();
    RampTicks(2);
    QCOMPARE(recording_mixer::Levels(), Doubled(65, 70));

    RampTicks(5 + 1 + 8);  // 75 .. 95, turn, descending 95 .. 60
    QCOMPARE(form_->RampLevel, std::string("60"));
    QVERIFY(form_->Timer2.Enabled());
    Stop();
    recording_mixer::Clear();
    Play();  // always climbs again
    QVERIFY(form_->Timer1.Enabled() && !form_->Timer2.Enabled());
    RampTick();
    QCOMPARE(recording_mixer::Levels(), Doubled(65, 65));
  }

  void presetsInBetweenDoNotMoveTheRamp() {
    Play();
    RampTicks(4);  // 20
    Stop();
    Click(form_->Command5);  // 75
    recording_mixer::Clear();
    Play();
    RampTick();
    QCOMPARE(recording_mixer::Levels(), Doubled(25, 25));
  }

  void restartJustAfterTheTopTurn() {
    Play();
    RampTicks(20);  // 5 .. 95, then the turn: RampLevel "100", Timer2 runs
    Stop();
    Play();
    recording_mixer::Clear();
    RampTick();  // 105: turns again without writing
    QCOMPARE(form_->RampLevel, std::string("105"));
    QVERIFY(recording_mixer::Levels().empty());
    RampTick();  // a step for 100, the one time 100 % is written
    QCOMPARE(recording_mixer::Levels(), Doubled(100, 100));
    QCOMPARE(form_->Label1.Text(), std::string("100%"));
    QCOMPARE(form_->VScroll1.Value(), 100);
  }

  void twoRestartsJustAfterTheTopTurnStayInRange() {
    Play();
    RampTicks(20);
    Stop();
    Play();
    RampTick();  // "105", turn
    Stop();
    Play();
    RampTick();  // "110", turn
    QCOMPARE(form_->RampLevel, std::string("110"));
    recording_mixer::Clear();

    RampTick();  // a step for 105: held at the slider's 100
    QCOMPARE(form_->RampLevel, std::string("105"));
    QCOMPARE(recording_mixer::Levels(), Doubled(100, 100));
    QCOMPARE(form_->Label1.Text(), std::string("100%"));
    QCOMPARE(form_->VScroll1.Value(), 100);
    QCOMPARE(OpenErrorReports(), 0);

    recording_mixer::Clear();
    RampTicks(3);  // 100 (slider already there), 95, 90
    QCOMPARE(recording_mixer::Levels(), Join({{100 * 660}, Doubled(95, 90)}));
    QCOMPARE(form_->RampLevel, std::string("90"));
  }

  void aHandMovedSliderIsOverriddenByTheNextStep() {
    Play();
    RampTicks(8);  // 40
    recording_mixer::Clear();
    QScrollBar* bar = qobject_cast<QScrollBar*>(WidgetOf(form_->VScroll1));
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      ScrollBarPart(bar, QStyle::SC_ScrollBarAddLine).center());
    QCOMPARE(recording_mixer::Levels(), Levels{41 * 660});
    QCOMPARE(form_->Label1.Text(), std::string("41%"));
    RampTick();
    QCOMPARE(recording_mixer::Levels(), Join({{41 * 660}, Doubled(45, 45)}));
    QCOMPARE(form_->Label1.Text(), std::string("45%"));
  }

  void theBackgroundCyclesFiveColours() {
    Play();
    // Yellow, green, cyan, blue, red, yellow as 0x00BBGGRR.
    const toolkit::Colour expected[] = {0x0000FFFF, 0x0000FF00, 0x00FFFF00,
                                        0x00FF0000, 0x000000FF, 0x0000FFFF};
    for (toolkit::Colour colour : expected) {
      Tick();
      QCOMPARE(form_->BackColor(), colour);
    }
    for (toolkit::Colour outside : {0x00000000U, 0x00123456U, 0x8000000EU}) {
      form_->SetBackColor(outside);
      Tick();
      QCOMPARE(form_->BackColor(), outside);
    }
    Stop();
    QCOMPARE(form_->BackColor(), toolkit::Colour{0});
    QVERIFY(!form_->Timer3.Enabled());
  }

  void escapeStopsThePartyWhereverTheFocusIs() {
    Play();
    RampTicks(3);
    WidgetOf(form_->VScroll1)->setFocus();
    QTest::keyClick(WidgetOf(form_->VScroll1), Qt::Key_Escape);
    VerifyNormalMode();
    QCOMPARE(form_->RampLevel, std::string("15"));
  }

  // STOP by a click, by Space on the button and by Escape, each on the clock
  // the timers run on, in the climb and in the descent: once it is handled
  // nothing of the party goes on, however far the clock moves. No tick, no
  // write, no colour; the sink keeps the level the label shows.
  void afterStopTheClockMovesOnWithoutTheParty() {
    const auto run = [this](int ms) {
      for (int i = 0; i < ms; ++i) time_->Advance(std::chrono::milliseconds(1));
    };
    const std::vector<std::function<void()>> stops = {
        [this] { Stop(); }, [this] { QTest::keyClick(WidgetOf(form_->Command7), Qt::Key_Space); },
        [this] { QTest::keyClick(WidgetOf(*form_), Qt::Key_Escape); }};
    int round = 0;
    for (const int party_ms : {12, 33}) {  // in the climb, then past the top
      for (const auto& stop : stops) {
        Play();
        QVERIFY(WidgetOf(form_->Command7)->hasFocus());
        recording_mixer::Clear();
        run(party_ms);
        QVERIFY2(!recording_mixer::Levels().empty(), "the party did not run on the clock");
        const std::int32_t last = recording_mixer::Levels().back();
        recording_mixer::Clear();
        stop();
        run(3000);
        QCoreApplication::processEvents();
        QVERIFY2(recording_mixer::Levels().empty(), qPrintable(QString("round %1").arg(round)));
        VerifyNormalMode();
        QCOMPARE(form_->Label1.Text(), std::to_string(last / 660) + "%");
        ++round;
      }
    }
  }

  void closingThePartyEndsTheLoopWithSuccess() {
    form_.reset();
    time_.reset();  // on the real clock
    form_ = std::make_unique<Form1>();
    form_->Show();
    QVERIFY(QTest::qWaitForWindowExposed(WidgetOf(*form_)));
    Play();
    // Closed once the real timers have written, however slowly they come;
    // the guard only ends a loop that closing failed to end.
    QTimer close_when_written;
    close_when_written.callOnTimeout([this, &close_when_written] {
      if (recording_mixer::Levels().size() > 2) {
        close_when_written.stop();
        WidgetOf(*form_)->close();
      }
    });
    close_when_written.start(5);
    QTimer guard;
    guard.setSingleShot(true);
    guard.callOnTimeout([] { QCoreApplication::exit(1); });
    guard.start(30000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(recording_mixer::Levels().size() > 2);  // the real timers ran
    QVERIFY(!WidgetOf(*form_)->isVisible());
  }
};

QTEST_MAIN(PartyTest)
#include "test_party.moc"
