// What assistive technology is told, heard where Qt hands it over: through
// Qt's update hook, with Qt's accessibility on. Qt tells nothing while no
// screen reader listens, so this runs on a real display with the AT-SPI
// bridge on (tests/accessibility_unit.sh gives it an X display and private
// session and accessibility buses).
#include <QAccessible>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "support/event_wait.h"
#include "support/stepped_clock.h"
#include "support/widget_of.h"
#include "toolkit/controls/command_button.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/scroll_bar.h"
#include "toolkit/presentation/status_notice.h"

namespace {

constexpr std::chrono::nanoseconds kMs = std::chrono::milliseconds(1);

// One event told, with the name its object gives out as it goes.
struct Told {
  QObject* object;
  QAccessible::Event type;
  QString name;
};
std::vector<Told> told;
// The handler installed before, which hears everything too (the status
// told of toolkit::OnStatusTold); without one, Qt's bridge hears nothing.
QAccessible::UpdateHandler before = nullptr;
void Record(QAccessibleEvent* event) {
  QAccessibleInterface* face = event->accessibleInterface();
  told.push_back({event->object(), event->type(),
                  face != nullptr ? face->text(QAccessible::Name) : QString()});
  if (before != nullptr) before(event);
}

// Everything told while it lives is kept in `told`.
class Listening {
 public:
  Listening() {
    before = QAccessible::installUpdateHandler(&Record);
    told.clear();
  }
  ~Listening() { QAccessible::installUpdateHandler(std::exchange(before, nullptr)); }
  Listening(const Listening&) = delete;
  Listening& operator=(const Listening&) = delete;
};

long Count(const QObject* object, QAccessible::Event type) {
  return std::count_if(told.begin(), told.end(),
                       [&](const Told& t) { return t.object == object && t.type == type; });
}

// Counts the focus-in events a widget gets.
class FocusIns : public QObject {
 public:
  explicit FocusIns(QWidget* widget) { widget->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) ++count;
    return false;
  }
};

void LoopComesRound() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The bridge comes on from the event loop once the accessibility bus
    // answers.
    QVERIFY2(EventsUntil([] { return QAccessible::isActive(); }),
             "Qt's accessibility did not come on: is there an accessibility bus?");
  }

  // Orca 48 has been seen to hear the window activated and then no focus
  // (one start in 24): the listener hears the window and then silence. So
  // once a form is first activated, the control that took the focus is told
  // once more, after Qt has moved the focus in (on activation Qt moves it
  // only after the activation events).
  void theFocusIsToldAgainAfterTheFirstActivation() {
    LoopComesRound();
    const Listening listening;
    toolkit::Form form("t", 3000, 3000);
    toolkit::CommandButton button(form, "a", {0, 0, 900, 375}, 0);
    QWidget* widget = toolkit::WidgetOf(button);
    const FocusIns focus_ins(widget);
    button.SetFocus();  // before the window shows, as the program's start does
    form.Show();
    QVERIFY(QTest::qWaitForWindowActive(toolkit::WidgetOf(form)));
    QVERIFY(EventsUntil([&] { return focus_ins.count >= 1; }));
    // Qt tells each move of the focus once; one more is the telling again,
    // which comes some turns of the event loop later.
    EventsUntil([&] { return Count(widget, QAccessible::Focus) > focus_ins.count; });
    const long focus_told = Count(widget, QAccessible::Focus);
    QVERIFY2(focus_told > focus_ins.count,
             qPrintable(QString("the button was told to have the focus %1 times for %2 focus-ins")
                            .arg(focus_told)
                            .arg(focus_ins.count)));
  }

  // A screen reader may keep the name it read before (Orca 48 with Qt 6.8
  // does): unless the notification's new name is given out before it is
  // shown or announced, a review of the window reads the old level.
  void aNewStatusIsNamedBeforeItIsTold() {
    SteppedClock time;
    toolkit::Form form("t", 6000, 3000);
    toolkit::Label label(form, "??%", {0, 0, 1335, 255});
    form.SetStatusLabel(label);
    std::vector<std::string> heard;
    toolkit::OnStatusTold(form, [&](const std::string& text) { heard.push_back(text); });
    form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(form)));
    time.Advance(1000 * kMs);
    const QObject* notice = toolkit::StatusNoticeOf(toolkit::WidgetOf(form))->Notice();
    LoopComesRound();

    const Listening listening;
    label.SetText("35%");
    LoopComesRound();
    QCOMPARE(heard, (std::vector<std::string>{"35%"}));
    std::vector<Told> about;
    std::copy_if(told.begin(), told.end(), std::back_inserter(about),
                 [&](const Told& t) { return t.object == notice; });
    QVERIFY2(about.size() >= 2, "the notification was not both named and told");
    QCOMPARE(about.front().type, QAccessible::NameChanged);
    QCOMPARE(about.front().name, QString("35%"));
    // And told: shown (Qt 6.4) or announced (from Qt 6.8), in the same name.
    QCOMPARE(about.back().name, QString("35%"));
  }

  // A screen reader takes every value event in turn, though it presents the
  // value of the focused control alone: the party ramp's few a second buried
  // Orca on a busy machine, so that it fell seconds behind and dropped the
  // level notices. The slider tells its changes only while it has the
  // focus; it reads the latest value whenever asked, and has it when the
  // focus arrives, so that the screen reader presents that one.
  void onlyTheFocusedSliderTellsItsChanges() {
    SteppedClock time;
    toolkit::Form form("t", 6000, 3000);
    toolkit::HScrollBar slider(form, {0, 0, 4215, 255}, 0, 0, 100);
    toolkit::CommandButton button(form, "a", {0, 600, 900, 375}, 1);
    QWidget* bar = toolkit::WidgetOf(slider);
    button.SetFocus();
    form.Show();
    QVERIFY(QTest::qWaitForWindowActive(toolkit::WidgetOf(form)));
    QVERIFY(EventsUntil([&] { return toolkit::WidgetOf(button)->hasFocus(); }));
    time.Advance(1000 * kMs);
    LoopComesRound();

    const Listening listening;
    // One second of the party ramp, a step every millisecond.
    for (int i = 1; i <= 1000; ++i) {
      time.Advance(kMs);
      slider.SetValue(30 + i % 66);
      LoopComesRound();
    }
    time.Advance(1000 * kMs);
    LoopComesRound();
    QCOMPARE(Count(bar, QAccessible::ValueChanged), 0L);
    // A review of the window still reads where the slider is: 30 + 1000 % 66.
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(bar);
    QCOMPARE(face->valueInterface()->currentValue().toInt(), 40);
    QCOMPARE(face->text(QAccessible::Value), QString("40"));
    QCOMPARE(face->role(), QAccessible::ScrollBar);

    // The focus arriving finds the latest value, also in Qt's own.
    told.clear();
    bar->setFocus(Qt::TabFocusReason);
    QVERIFY(bar->hasFocus());
    QVERIFY(Count(bar, QAccessible::Focus) >= 1);
    QCOMPARE(qobject_cast<QScrollBar*>(bar)->value(), 40);
    QCOMPARE(face->valueInterface()->currentValue().toInt(), 40);

    // With the focus, a change after a quiet spell is told at once, and a
    // burst a few times a second.
    told.clear();
    slider.SetValue(75);
    QCOMPARE(Count(bar, QAccessible::ValueChanged), 1L);
    for (int i = 1; i <= 1000; ++i) {
      time.Advance(kMs);
      slider.SetValue(30 + i % 66);
      LoopComesRound();
    }
    const long told_in_burst = Count(bar, QAccessible::ValueChanged);
    QVERIFY2(told_in_burst >= 2 && told_in_burst <= 7, qPrintable(QString::number(told_in_burst)));
  }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
