// The toolkit layer's contract with the window logic, on the offscreen platform.
#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPalette>
#include <QRegion>
#include <QScreen>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <vector>

#include "support/counting_timer.h"
#include "support/error_reports.h"
#include "support/event_wait.h"
#include "support/stepped_clock.h"
#include "support/wcag.h"
#include "support/widget_of.h"
#include "toolkit/application/error_report.h"
#include "toolkit/controls/command_button.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/line_shape.h"
#include "toolkit/controls/scroll_bar.h"
#include "toolkit/controls/start_screen.h"
#include "toolkit/presentation/system_colour.h"
#include "toolkit/time/timer.h"

class ToolkitTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { CloseErrorReports(); }

  void aWindowLargerThanTheScreenIsScaledDownWholeAndCentred() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // Twice as wide as the screen and half as high, in twips at 15 to a pixel.
    toolkit::Form form("big", area.width() * 15 * 2, area.height() * 15 / 2);
    form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(form)));
    const QRect frame = toolkit::WidgetOf(form)->frameGeometry();
    QVERIFY2(area.contains(frame),
             qPrintable(QString("%1x%2").arg(frame.width()).arg(frame.height())));
    // The frame fills the area's width; the height follows in proportion.
    QCOMPARE(frame.width(), area.width());
    const QSize client = toolkit::WidgetOf(form)->size();
    QVERIFY2(std::abs(client.height() - client.width() / 4) <= 1,
             qPrintable(QString("%1x%2").arg(client.width()).arg(client.height())));
    QCOMPARE(frame.center(), area.center());

    toolkit::Form small("small", 3000, 1500);  // 200 x 100 pixels, as laid out
    small.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(small)));
    QCOMPARE(toolkit::WidgetOf(small)->size(), QSize(200, 100));
    QCOMPARE(toolkit::WidgetOf(small)->frameGeometry().center(), area.center());
  }

  // Three labels 13 pixels high, as the window's credit lines stand, at
  // every scale from a half to three in hundredths: at most of them their
  // rounded edges make one of them a pixel higher or lower than the others,
  // yet all three keep one font.
  void labelsOfOneLaidOutHeightShareOneFontAtEveryScale() {
    QWidget form;
    form.setFixedSize(689, 445);
    const struct {
      const char* text;
      QRect box;
    } lines[] = {{"bLaRgO v1.01", {575, 392, 106, 13}},
                 {"Pumps your volume", {575, 408, 106, 13}},
                 {"at a thousand beats a second", {554, 424, 127, 13}}};
    toolkit::FormLayout layout;
    std::vector<QLabel*> labels;
    for (const auto& line : lines) {
      auto* label = new QLabel(line.text, &form);
      label->setGeometry(line.box);
      layout.AddText(label);
      labels.push_back(label);
    }
    int uneven = 0;
    for (int hundredths = 50; hundredths <= 300; ++hundredths) {
      layout.Arrange(&form, hundredths / 100.0);
      if (labels[0]->height() != labels[1]->height() ||
          labels[1]->height() != labels[2]->height()) {
        ++uneven;
      }
      const QString at = QString("at scale %1").arg(hundredths / 100.0);
      QVERIFY2(labels[1]->font() == labels[0]->font(), qPrintable(at));
      QVERIFY2(labels[2]->font() == labels[0]->font(), qPrintable(at));
    }
    QVERIFY2(uneven > 100, "the scales tried never rounded the three heights apart");
  }

  // A title bar, a key or the compositor may grant the window a maximised
  // or full-screen state; it gives the state back, keeping its own size and
  // its place, whichever way the state came.
  void aMaximisedOrFullScreenStateIsGivenBack() {
    toolkit::Form form("fixed", 3000, 1500);  // 200 x 100 pixels, as laid out
    form.Show();
    QWidget* window = toolkit::WidgetOf(form);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect normal = window->geometry();
    const struct {
      const char* how;
      Qt::WindowStates state;
    } requests[] = {{"maximised", Qt::WindowMaximized},
                    {"full screen", Qt::WindowFullScreen},
                    {"both", Qt::WindowMaximized | Qt::WindowFullScreen}};
    for (const auto& request : requests) {
      // As the platform grants it (a title bar's button, the compositor) and
      // as code asks for it.
      for (const bool by_platform : {true, false}) {
        const QString what =
            QString("%1 by the %2").arg(request.how, by_platform ? "platform" : "program");
        if (by_platform) {
          window->windowHandle()->setWindowStates(request.state);
        } else {
          window->setWindowState(request.state);
        }
        // Back in no state, at its own size and place, for Qt's window as
        // for the widget (either alone may still be on its way).
        const bool given_back = QTest::qWaitFor(
            [&] {
              return window->windowHandle()->windowStates() == Qt::WindowNoState &&
                     window->windowState() == Qt::WindowNoState && window->geometry() == normal;
            },
            10000);
        QVERIFY2(given_back, qPrintable(what + QString(": state %1, %2x%3+%4+%5, not %6x%7+%8+%9")
                                                   .arg(int(window->windowHandle()->windowStates()))
                                                   .arg(window->width())
                                                   .arg(window->height())
                                                   .arg(window->x())
                                                   .arg(window->y())
                                                   .arg(normal.width())
                                                   .arg(normal.height())
                                                   .arg(normal.x())
                                                   .arg(normal.y())));
      }
    }
    // Minimised is the user's to choose.
    window->setWindowState(Qt::WindowMinimized);
    QTest::qWait(0);
    QCOMPARE(window->windowState(), Qt::WindowMinimized);
  }

  // GNOME and KDE open new windows on the pointer's screen, whatever else
  // XDG_CURRENT_DESKTOP names with them; elsewhere they open on the primary.
  void theDesktopSaysWhetherWindowsOpenWhereThePointerIs() {
    QVERIFY(toolkit::PointerScreenTakesNewWindows("GNOME"));
    QVERIFY(toolkit::PointerScreenTakesNewWindows("ubuntu:GNOME"));
    QVERIFY(toolkit::PointerScreenTakesNewWindows("KDE"));
    QVERIFY(toolkit::PointerScreenTakesNewWindows("gnome-classic:gnome"));
    QVERIFY(!toolkit::PointerScreenTakesNewWindows(""));
    QVERIFY(!toolkit::PointerScreenTakesNewWindows("XFCE"));
    QVERIFY(!toolkit::PointerScreenTakesNewWindows("openbox"));
    QVERIFY(!toolkit::PointerScreenTakesNewWindows("GNOME-Flashback-ish"));
  }

  void codeSetRaisesChangeInsideTheSetOnlyWhenTheValueDiffers() {
    toolkit::Form form("t", 3000, 3000);
    toolkit::HScrollBar bar(form, {0, 0, 1500, 255}, 0, 0, 100);
    std::vector<int> seen;
    bool inside_set = false;
    bar.OnChange([&] {
      QVERIFY(inside_set);
      seen.push_back(bar.Value());
    });
    inside_set = true;
    bar.SetValue(40);
    bar.SetValue(40);
    bar.SetValue(0);
    inside_set = false;
    QCOMPARE(seen, (std::vector<int>{40, 0}));
  }

  void outOfRangeSetIsAnErrorAndChangesNothing() {
    toolkit::Form form("t", 3000, 3000);
    toolkit::HScrollBar bar(form, {0, 0, 1500, 255}, 0, 0, 100);
    int changes = 0;
    bar.OnChange([&] { ++changes; });
    bar.SetValue(100);
    QVERIFY_THROWS_EXCEPTION(toolkit::ToolkitError, bar.SetValue(101));
    QVERIFY_THROWS_EXCEPTION(toolkit::ToolkitError, bar.SetValue(105));
    QVERIFY_THROWS_EXCEPTION(toolkit::ToolkitError, bar.SetValue(-1));
    QCOMPARE(bar.Value(), 100);
    QCOMPARE(changes, 1);
  }

  void aSlantedLineIsAnError() {
    toolkit::Form form("t", 3000, 3000);
    QVERIFY_THROWS_EXCEPTION(toolkit::ToolkitError,
                             toolkit::LineShape(form, {0, 0}, {1500, 150}, 0));
  }

  void aFailingHandlerEndsThereAndIsReportedOnce() {
    toolkit::Form form("t", 3000, 3000);
    toolkit::HScrollBar bar(form, {0, 0, 1500, 255}, 0, 0, 100);
    toolkit::CommandButton button(form, "go", {0, 600, 900, 375}, 1);
    int steps_done = 0;
    button.OnClick([&] {
      ++steps_done;
      bar.SetValue(105);
      ++steps_done;  // never reached
    });
    form.Show();
    QTest::mouseClick(toolkit::WidgetOf(button), Qt::LeftButton);
    QCOMPARE(steps_done, 1);
    QCOMPARE(OpenErrorReports(), 1);
    // A second fault while the first report is open adds no second box.
    QTest::mouseClick(toolkit::WidgetOf(button), Qt::LeftButton);
    QCOMPARE(steps_done, 2);
    QCOMPARE(OpenErrorReports(), 1);
    // The report does not block the window: it keeps taking clicks.
    QVERIFY(!QApplication::activeModalWidget());
    CloseErrorReports();
    QTest::mouseClick(toolkit::WidgetOf(button), Qt::LeftButton);
    QCOMPARE(OpenErrorReports(), 1);
  }

  void closingTheWindowEndsTheProgramWhileAReportIsOpen() {
    toolkit::Form form("t", 3000, 3000);
    toolkit::CommandButton button(form, "go", {0, 0, 900, 375}, 0);
    button.OnClick([] { throw toolkit::ToolkitError("broken"); });
    form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(form)));
    QTest::mouseClick(toolkit::WidgetOf(button), Qt::LeftButton);
    QCOMPARE(OpenErrorReports(), 1);
    QTimer::singleShot(0, [&form] { toolkit::WidgetOf(form)->close(); });
    QTimer guard;  // ends the loop only if closing did not
    guard.setSingleShot(true);
    guard.callOnTimeout([] { QCoreApplication::exit(1); });
    guard.start(30000);
    QCOMPARE(QApplication::exec(), 0);
  }

  void anyExceptionFromAHandlerIsContained() {
    toolkit::RunHandler([] { throw std::logic_error("boom"); });
    toolkit::RunHandler([] { throw 42; });
    toolkit::RunHandler(nullptr);
    QCOMPARE(OpenErrorReports(), 1);
  }

  void backColourReadsBackExactlyAsSet() {
    toolkit::Form form("t", 3000, 3000);
    QCOMPARE(form.BackColor(), toolkit::Colour{0});
    for (toolkit::Colour colour : {0x000000FFU, 0x00FFFF00U, 0x8000000EU, 0x12345678U}) {
      form.SetBackColor(colour);
      QCOMPARE(form.BackColor(), colour);
    }
  }

  void coloursMapToQt() {
    QCOMPARE(toolkit::ToQColor(0x000000FF), QColor(255, 0, 0));
    QCOMPARE(toolkit::ToQColor(0x0000FF00), QColor(0, 255, 0));
    QCOMPARE(toolkit::ToQColor(0x00FF0000), QColor(0, 0, 255));
    QCOMPARE(toolkit::ToQColor(toolkit::kHighlightText),
             QApplication::palette().color(QPalette::Active, QPalette::HighlightedText));
    // Title-bar text is drawn on black: it must not be black itself.
    QVERIFY(toolkit::ToQColor(toolkit::kTitleBarText).lightness() > 128);
  }

  // Labels and the line are drawn on the black window: a theme whose colour
  // for them is too dark there gets it lightened, keeping its hue, just
  // enough to be read (4.5:1).
  void aThemeInkTooDarkForTheWindowIsLightenedJustEnough() {
    const QPalette theme = QApplication::palette();
    QPalette dark = theme;
    dark.setColor(QPalette::Active, QPalette::HighlightedText, QColor(0x1a, 0x30, 0x50));
    QApplication::setPalette(dark);
    const QColor ink = toolkit::ToQColor(toolkit::kHighlightText);
    const QColor line = toolkit::ToQColor(toolkit::kTitleBarText);
    QApplication::setPalette(theme);

    const double contrast = wcag::Contrast(ink.rgb(), qRgb(0, 0, 0));
    QVERIFY2(contrast >= 4.5 && contrast < 4.8, qPrintable(QString::number(contrast)));
    QVERIFY2(qAbs(ink.hslHue() - 214) <= 3, qPrintable(ink.name()));
    QCOMPARE(line, ink);
  }

  // A theme changed while the window is open: its window colour too dark for
  // a track on black, and its captions faded behind other windows.
  void aThemeChangedLaterIsFollowedAndKeptReadable() {
    toolkit::Form form("t", 3000, 3000);
    toolkit::HScrollBar bar(form, {150, 150, 1500, 255}, 0, 0, 100);
    form.Show();
    const QPalette theme = QApplication::palette();
    QPalette changed = theme;
    changed.setColor(QPalette::Window, QColor(0x10, 0x10, 0x10));
    changed.setColor(QPalette::Active, QPalette::ButtonText, QColor(0x12, 0x34, 0x56));
    changed.setColor(QPalette::Inactive, QPalette::ButtonText, QColor(0xC0, 0xC0, 0xC0));
    QApplication::setPalette(changed);
    QCoreApplication::processEvents();
    const QPalette on_form = toolkit::WidgetOf(form)->palette();
    const QPalette on_bar = toolkit::WidgetOf(bar)->palette();
    QApplication::setPalette(theme);

    QCOMPARE(on_form.color(QPalette::Inactive, QPalette::ButtonText), QColor(0x12, 0x34, 0x56));
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
      const QColor track = on_bar.color(group, QPalette::Window);
      QVERIFY2(wcag::Contrast(track.rgb(), qRgb(0, 0, 0)) >= 3.0, qPrintable(track.name()));
    }
  }

  void timersTickOnlyWhileEnabled() {
    {
      SteppedClock time;
      toolkit::Timer timer(3);
      int ticks = 0;
      timer.OnTick([&] { ++ticks; });
      time.Advance(std::chrono::milliseconds(10));
      QCOMPARE(ticks, 0);
      timer.SetEnabled(true);
      time.Advance(std::chrono::milliseconds(2));
      QCOMPARE(ticks, 0);
      time.Advance(std::chrono::milliseconds(1));  // one interval after enabling
      QCOMPARE(ticks, 1);
      time.Advance(std::chrono::milliseconds(9));
      QCOMPARE(ticks, 4);
      timer.SetEnabled(false);
      time.Advance(std::chrono::milliseconds(30));
      QCOMPARE(ticks, 4);
    }
    // And on the system's clock, every millisecond or so.
    toolkit::Timer timer(1);
    int ticks = 0;
    timer.OnTick([&] { ++ticks; });
    timer.SetEnabled(true);
    QVERIFY(EventsUntil([&] { return ticks > 20; }));
    timer.SetEnabled(false);
    const int stopped_at = ticks;
    QTest::qWait(20);
    QCOMPARE(ticks, stopped_at);
  }

  void aHandOverBetweenTimersLosesNoTick() {
    // Two timers take turns, handing over from inside their own tick as the
    // party ramp does; a third ticks throughout. Every pulse of the clock
    // must bring exactly one of the two: "a.b.b.a.b.b." and never "..".
    toolkit::Timer first(1);
    toolkit::Timer second(1);
    toolkit::Timer observer(1);
    std::string ticks;
    int turns = 0;
    first.OnTick([&] {
      ticks += 'a';
      second.SetEnabled(true);
      first.SetEnabled(false);
    });
    second.OnTick([&] {
      ticks += 'b';
      if (++turns % 2 == 0) {
        first.SetEnabled(true);
        second.SetEnabled(false);
      }
    });
    observer.OnTick([&] { ticks += '.'; });
    observer.SetEnabled(true);
    first.SetEnabled(true);
    QVERIFY(EventsUntil([&] { return ticks.size() >= 60; }));
    observer.SetEnabled(false);
    second.SetEnabled(false);
    first.SetEnabled(false);
    const std::string whole = ticks.substr(0, ticks.rfind('.') + 1);
    std::string expected;
    while (expected.size() < whole.size()) expected += "a.b.b.";
    QCOMPARE(whole, expected.substr(0, whole.size()));
  }

  void enablingAnEnabledTimerDoesNotRestartIt() {
    CountingTimer counting(50);
    // Re-enabling every 20 ms would starve a restarting 50 ms timer forever.
    for (int i = 0; i < 6; ++i) {
      QTest::qWait(20);
      counting.timer.SetEnabled(true);
    }
    QVERIFY(counting.ticks >= 1);
  }

  // A label keeps its text's layout between paints; what it draws must be
  // what QLabel draws for the same text, font and colour, pixel for pixel,
  // for a new text and after a new font alike.
  void aLabelDrawsItsTextAsQLabelDoes() {
    toolkit::Form form("t", 6000, 3000);
    toolkit::Label label(form, "??%", {300, 300, 1800, 255});
    label.SetForeColor(toolkit::kHighlightText);
    form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(form)));
    QWidget* drawn = toolkit::WidgetOf(label);
    const auto image_of = [](QWidget* widget) {
      QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::black);
      widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
      return image;
    };
    const auto as_qlabel = [&] {
      QLabel reference(drawn->parentWidget());
      reference.setTextFormat(Qt::PlainText);
      reference.setAlignment(Qt::AlignLeft | Qt::AlignTop);
      reference.setAttribute(Qt::WA_TranslucentBackground);
      reference.setFont(drawn->font());
      reference.setPalette(drawn->palette());
      reference.setGeometry(drawn->geometry());
      reference.setText(QString::fromStdString(label.Text()));
      return image_of(&reference);
    };
    const auto lit = [](const QImage& image) {
      int count = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != qRgb(0, 0, 0) ? 1 : 0;
      }
      return count;
    };
    const auto shows_its_text = [&](const char* text) {
      label.SetText(text);
      toolkit::PresentNow(form);
      const QImage image = image_of(drawn);
      QVERIFY2(lit(image) > 10, text);  // the text is there at all
      QVERIFY2(image == as_qlabel(), text);
    };
    // Texts it had before come back as themselves.
    for (const char* text : {"??%", "5%", "100%", "Volume :", "5%", "??%"}) shows_its_text(text);
    // Taller than the label's box, which clips it: the texts laid out in the
    // old font are laid out again.
    QFont larger = drawn->font();
    larger.setPixelSize(24);
    drawn->setFont(larger);
    const QImage image = image_of(drawn);
    QVERIFY(lit(image) > 10);
    QVERIFY(image == as_qlabel());
    for (const char* text : {"5%", "100%"}) shows_its_text(text);
  }

  // The slider's focus ring lies around it on the window, a pixel clear of
  // it, black or white against the window's colour of the moment; when the
  // focus goes, the window is repainted there and the ring is gone.
  void theSlidersRingLiesAroundItAndGoesWithTheFocus() {
    toolkit::Form form("t", 6000, 3000);
    toolkit::HScrollBar bar(form, {600, 600, 3000, 255}, 0, 0, 100);
    toolkit::CommandButton button(form, "a", {600, 1500, 900, 375}, 1);
    form.Show();
    QWidget* window = toolkit::WidgetOf(form);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget* slider = toolkit::WidgetOf(bar);
    slider->setFocus();
    QVERIFY(slider->hasFocus());
    const auto shot = [&] {
      toolkit::PresentNow(form);
      QImage image(window->size(), QImage::Format_RGB32);
      window->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
      return image;
    };
    // Outward from the middle of the slider's left side, and of its top: the
    // pixel clear of it, the ring's two, the window beyond.
    const QRect box = slider->geometry();
    const auto across = [&](const QImage& image) {
      QStringList names;
      for (int step = 1; step <= 4; ++step) {
        names << QString("%1/%2").arg(
            QColor(image.pixel(box.left() - step, box.center().y())).name(),
            QColor(image.pixel(box.center().x(), box.top() - step)).name());
      }
      return names.join(" ");
    };
    QCOMPARE(across(shot()), QString("#000000/#000000 #ffffff/#ffffff #ffffff/#ffffff "
                                     "#000000/#000000"));
    form.SetBackColor(0x00FFFFU);  // yellow
    QCOMPARE(across(shot()), QString("#ffff00/#ffff00 #000000/#000000 #000000/#000000 "
                                     "#ffff00/#ffff00"));

    QRegion painted;
    struct PaintWatch : QObject {
      QRegion* painted;
      explicit PaintWatch(QRegion* into) : painted(into) {}
      bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) *painted += dynamic_cast<QPaintEvent&>(*event).region();
        return false;
      }
    } watch(&painted);
    window->repaint();  // what is still to paint, so that only the focus's move is watched
    window->installEventFilter(&watch);
    toolkit::WidgetOf(button)->setFocus();
    const QRect ring = box.adjusted(-3, -3, 3, 3);
    QVERIFY2(QTest::qWaitFor([&] { return (QRegion(ring) - painted).isEmpty(); }, 10000),
             "the window is not repainted where the ring was");
    window->removeEventFilter(&watch);
    QCOMPARE(across(shot()), QString("#ffff00/#ffff00 #ffff00/#ffff00 #ffff00/#ffff00 "
                                     "#ffff00/#ffff00"));
  }

  void hiddenControlsTakeNoFocus() {
    toolkit::Form form("t", 3000, 3000);
    toolkit::CommandButton first(form, "a", {0, 0, 900, 375}, 0);
    toolkit::CommandButton hidden(form, "b", {0, 600, 900, 375}, 1);
    toolkit::Label label(form, "c", {0, 1200, 900, 255});
    hidden.SetVisible(false);
    label.SetVisible(false);
    form.Show();
    QVERIFY(QTest::qWaitForWindowExposed(toolkit::WidgetOf(form)));
    QVERIFY(!toolkit::WidgetOf(hidden)->isVisible());
    QVERIFY(!toolkit::WidgetOf(label)->isVisible());
    toolkit::WidgetOf(first)->setFocus();
    QTest::keyClick(toolkit::WidgetOf(first), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), toolkit::WidgetOf(first));
    hidden.SetVisible(true);
    QTest::keyClick(toolkit::WidgetOf(first), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), toolkit::WidgetOf(hidden));
  }
};

QTEST_MAIN(ToolkitTest)
#include "test_toolkit.moc"
