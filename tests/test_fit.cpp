// The window on the screen it is given (the offscreen platform's screen, of
// the size and scale the test is run with): whole and on the screen, every
// control in the layout's proportions with its text fitted, PLAY and STOP
// working where they are drawn; and drawn larger for a larger desktop font.
#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <cmath>

#include "support/event_wait.h"
#include "support/stepped_window.h"
#include "support/text_size.h"
#include "support/widget_of.h"
#include "toolkit/controls/form_scale.h"
#include "window/form1.h"

using toolkit::WidgetOf;

namespace {

// A screen change reaches the window through the platform, slowly under load.
constexpr std::chrono::seconds kSlowScreen{30};

// The window's client area as laid out, in pixels at 96 dpi.
const QSize kLaidOut(689, 445);

}  // namespace

class FitTest : public QObject, protected SteppedWindow {
  Q_OBJECT

  QWidget* Window() const { return WidgetOf(*form_); }

  // How much larger than laid out the window is drawn.
  double Scale() const { return double(Window()->width()) / kLaidOut.width(); }

  // Checks a control is where the layout puts it, `scale` times as large,
  // give or take the pixel its edges are rounded to.
  static void CheckPlaced(const QWidget* widget, QRect laid_out, double scale) {
    const QRect at = widget->geometry();
    const QRect want(qRound(laid_out.left() * scale), qRound(laid_out.top() * scale),
                     qRound(laid_out.width() * scale), qRound(laid_out.height() * scale));
    const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    QVERIFY2(near(at.left(), want.left()) && near(at.top(), want.top()) &&
                 near(at.right(), want.right()) && near(at.bottom(), want.bottom()),
             qPrintable(QString("at %1,%2 %3x%4, wanted %5,%6 %7x%8")
                            .arg(at.left())
                            .arg(at.top())
                            .arg(at.width())
                            .arg(at.height())
                            .arg(want.left())
                            .arg(want.top())
                            .arg(want.width())
                            .arg(want.height())));
  }

  // Every caption and label is drawn whole: inside the part of its button
  // the style draws captions in (and clips them to), or inside its label's
  // box; at least 7 of the screen's own pixels tall, and condensed to no
  // less than three quarters of its width.
  void CheckEveryTextFits() const {
    const double ratio = Window()->devicePixelRatioF();
    for (const auto* widget : Window()->findChildren<QWidget*>()) {
      QString text;
      QRectF room = widget->rect();
      if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
        // Nor into the text of a label further along its row.
        for (const auto* next : Window()->findChildren<QLabel*>()) {
          const QRect theirs = next->geometry();
          if (theirs.left() > widget->x() && theirs.top() <= widget->geometry().bottom() &&
              theirs.bottom() >= widget->y()) {
            room.setWidth(std::min(room.width(), double(theirs.left() - widget->x())));
          }
        }
      } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        text = button->text();
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = text;
        if (button->autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
        room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      } else {
        continue;
      }
      const QFontMetricsF metrics(widget->font(), widget);
      const QString where = QString("%1 (%2 by %3 in %4 by %5, font %6 px at %7%)")
                                .arg(text)
                                .arg(metrics.horizontalAdvance(text))
                                .arg(metrics.height())
                                .arg(room.width())
                                .arg(room.height())
                                .arg(TextPixels(widget) * ratio)
                                .arg(widget->font().stretch());
      QVERIFY2(metrics.horizontalAdvance(text) <= room.width(), qPrintable(where + " is cut off"));
      QVERIFY2(metrics.height() <= room.height(), qPrintable(where + " is cut off"));
      QVERIFY2(TextPixels(widget) * ratio >= 7 - 1e-6, qPrintable(where + " is too small"));
      const int stretch = widget->font().stretch();
      QVERIFY2(stretch == 0 || stretch >= 75, qPrintable(where + " is too narrow"));
    }
  }

  // A left click at a point of the window, as a user makes it: it lands on
  // whatever is drawn there.
  void ClickAt(QPoint point) const {
    QWidget* target = Window()->childAt(point);
    QVERIFY(target != nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(Window(), point));
  }

 private slots:
  void init() { QVERIFY(OpenWindow()); }
  void cleanup() { CloseWindow(); }

  void theWholeWindowIsOnTheScreenInTheLayoutsProportions() {
    const QRect area = Window()->screen()->availableGeometry();
    qInfo("screen %dx%d logical pixels at scale %.2f; window %dx%d", area.width(), area.height(),
          Window()->devicePixelRatioF(), Window()->width(), Window()->height());
    QVERIFY2(area.contains(Window()->frameGeometry()), "the window runs off the screen");
    // As large as laid out where that fits with the frame; otherwise the
    // frame fills the screen's width or height
    const QSize frame = Window()->frameGeometry().size() - Window()->size();
    const bool fits = kLaidOut.width() + frame.width() <= area.width() &&
                      kLaidOut.height() + frame.height() <= area.height();
    if (fits) {
      QCOMPARE(Window()->size(), kLaidOut);
    } else {
      // (less the pixel per edge a scaled screen may round the frame by).
      const QSize spare = area.size() - Window()->frameGeometry().size();
      QVERIFY2(std::min(spare.width(), spare.height()) <= 2,
               qPrintable(QString("%1x%2 to spare").arg(spare.width()).arg(spare.height())));
    }
    const double scale = Scale();
    QVERIFY(std::abs(Window()->height() - kLaidOut.height() * scale) <= 1);

    CheckPlaced(WidgetOf(form_->Label2), {200, 160, 89, 17}, scale);
    CheckPlaced(WidgetOf(form_->VScroll1), {200, 176, 281, 17}, scale);
    CheckPlaced(WidgetOf(form_->Command3), {192, 200, 57, 25}, scale);
    CheckPlaced(WidgetOf(form_->Command2), {432, 200, 57, 25}, scale);
    CheckPlaced(WidgetOf(form_->Line1), {192, 232, 297, 1}, scale);
    CheckPlaced(WidgetOf(form_->Command6), {216, 240, 249, 25}, scale);
    CheckPlaced(WidgetOf(form_->Command7), {8, 408, 65, 33}, scale);
    CheckPlaced(WidgetOf(form_->Label3), {554, 424, 127, 13}, scale);
    for (const QWidget* child :
         Window()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      QVERIFY(Window()->rect().contains(child->geometry()));
    }
  }

  void everyTextFitsAndIsReadableOnTheScreen() { CheckEveryTextFits(); }

  void playAndStopWorkWhereTheyAreDrawn() {
    const QWidget* play = WidgetOf(form_->Command6);
    ClickAt(play->geometry().center());
    QVERIFY(form_->Timer1.Enabled());
    const QWidget* stop = WidgetOf(form_->Command7);
    QVERIFY(stop->isVisible());
    QVERIFY(Window()->rect().contains(stop->geometry()));
    ClickAt(stop->geometry().center());
    QVERIFY(!form_->Timer1.Enabled() && !form_->Timer2.Enabled());
    QVERIFY(!stop->isVisible());
  }

  // A 16 point desktop font instead of Qt's 9 point default: the window and
  // its texts grow with it, as far as the screen has room.
  void aLargerDesktopFontMakesTheWholeWindowLarger() {
    const QSize before = Window()->size();
    const double button_text_before = TextPixels(WidgetOf(form_->Command6));
    CloseWindow();
    const QFont desktop = QApplication::font();
    QFont large = desktop;
    large.setPointSize(16);
    QApplication::setFont(large);
    const bool opened = OpenWindow();
    QApplication::setFont(desktop);
    QVERIFY(opened);

    const QRect area = Window()->screen()->availableGeometry();
    QVERIFY2(area.contains(Window()->frameGeometry()), "the window runs off the screen");
    // 16 points at 96 dpi are 21 pixels where the layout's font has 12.
    const QSize wanted(qRound(kLaidOut.width() * 21 / 12.0), qRound(kLaidOut.height() * 21 / 12.0));
    if (wanted.width() <= area.width() && wanted.height() <= area.height()) {
      QCOMPARE(Window()->size(), wanted);
      QVERIFY2(TextPixels(WidgetOf(form_->Command6)) > button_text_before,
               "the buttons' text did not grow");
    } else {
      QVERIFY(Window()->width() >= before.width());
    }
    CheckEveryTextFits();
  }

  // The same font set while the window is shown: the window grows as if it
  // had been opened with it (which Qt tells the window later), and goes back
  // when the font does.
  void theWindowFollowsTheDesktopFontWhileItIsShown() {
    const QSize before = Window()->size();
    const double button_text_before = TextPixels(WidgetOf(form_->Command6));
    const QFont desktop = QApplication::font();
    QFont large = desktop;
    large.setPointSize(16);
    QApplication::setFont(large);
    // Opened with it, for comparison.
    Form1 opened_larger;
    opened_larger.Show();
    QVERIFY(QTest::qWaitForWindowExposed(WidgetOf(opened_larger)));
    const QSize larger = WidgetOf(opened_larger)->size();
    const double button_text_larger = TextPixels(WidgetOf(opened_larger.Command6));

    EventsUntil([&] { return Window()->size() == larger; }, kSlowScreen);
    QCOMPARE(Window()->size(), larger);
    QCOMPARE(TextPixels(WidgetOf(form_->Command6)), button_text_larger);
    const QRect area = Window()->screen()->availableGeometry();
    QVERIFY2(area.contains(Window()->frameGeometry()), "the window runs off the screen");
    CheckEveryTextFits();
    // 16 points at 96 dpi are 21 pixels where the layout's font has 12.
    const QSize wanted(qRound(kLaidOut.width() * 21 / 12.0), qRound(kLaidOut.height() * 21 / 12.0));
    if (wanted.width() <= area.width() && wanted.height() <= area.height()) {
      QCOMPARE(larger, wanted);
    }

    QApplication::setFont(desktop);
    EventsUntil([&] { return Window()->size() == before; }, kSlowScreen);
    QCOMPARE(Window()->size(), before);
    QCOMPARE(TextPixels(WidgetOf(form_->Command6)), button_text_before);
  }

  // Where the screen is short, the form and the frame the window manager
  // puts around it fill its free area between them: the title bar counts
  // against the height, the borders against the width. A frame counted on
  // the wrong side runs the form's bottom (or right) edge off the screen.
  void theFrameCountsOnItsOwnSide_data() {
    QTest::addColumn<double>("text_scale");
    QTest::addColumn<QSizeF>("frame");
    QTest::addColumn<QSizeF>("available");
    QTest::addColumn<QSize>("drawn");
    // Free areas in logical pixels; frames as the form learns them on a
    // scaled screen (a title bar, thin borders, and the rounding of each).
    QTest::newRow("1920x1080 at scale 3")
        << 1.0 << QSizeF(4, 10) << QSizeF(640, 360) << QSize(542, 350);
    QTest::newRow("1366x768 at scale 2")
        << 1.0 << QSizeF(4, 13) << QSizeF(683, 384) << QSize(574, 371);
    QTest::newRow("wide borders, narrow screen")
        << 1.0 << QSizeF(40, 24) << QSizeF(640, 1000) << QSize(600, 388);
    QTest::newRow("room to spare")
        << 1.75 << QSizeF(2, 24) << QSizeF(1920, 1050) << QSize(1206, 779);
  }
  void theFrameCountsOnItsOwnSide() {
    QFETCH(double, text_scale);
    QFETCH(QSizeF, frame);
    QFETCH(QSizeF, available);
    QFETCH(QSize, drawn);
    const double scale = toolkit::FittingScale(text_scale, QSizeF(kLaidOut), frame, available);
    const QSize form(qRound(kLaidOut.width() * scale), qRound(kLaidOut.height() * scale));
    QCOMPARE(form, drawn);
  }

  // Labels of one height in the layout share one font at any scale, though
  // their edges may round to heights a pixel apart: the three credit lines
  // read as one block, and "Volume :" matches the percentage. With the
  // desktop's own font, a 14 point one and a bold one.
  void labelsOfOneHeightShareOneFont_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("bold");
    QTest::newRow("the desktop's font") << 0 << false;
    QTest::newRow("14 points") << 14 << false;
    QTest::newRow("bold") << 0 << true;
    QTest::newRow("14 points bold") << 14 << true;
  }
  void labelsOfOneHeightShareOneFont() {
    QFETCH(int, points);
    QFETCH(bool, bold);
    CloseWindow();
    const QFont desktop = QApplication::font();
    QFont font = desktop;
    if (points > 0) font.setPointSize(points);
    font.setBold(bold);
    QApplication::setFont(font);
    const bool opened = OpenWindow();
    QApplication::setFont(desktop);
    QVERIFY(opened);
    const auto heights = [](const toolkit::Label& label) {
      return QString::number(WidgetOf(label)->height());
    };
    qInfo("window %dx%d; credit lines %s, %s and %s pixels high", Window()->width(),
          Window()->height(), qPrintable(heights(form_->Label5)),
          qPrintable(heights(form_->Label4)), qPrintable(heights(form_->Label3)));
    const QFont title = WidgetOf(form_->Label5)->font();
    QCOMPARE(WidgetOf(form_->Label4)->font(), title);
    QCOMPARE(WidgetOf(form_->Label3)->font(), title);
    QCOMPARE(title.bold(), bold);
    QCOMPARE(WidgetOf(form_->Label1)->font(), WidgetOf(form_->Label2)->font());
    CheckEveryTextFits();
  }

  // Moved to a second, smaller screen, the window is fitted to it; moved
  // back, it is as large as laid out again.
  void theWindowFollowsItsScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) QSKIP("one screen only: nowhere to move the window to");
    QScreen* first = Window()->screen();
    QScreen* other = screens.at(screens.at(0) == first ? 1 : 0);
    const QSize before = Window()->size();
    const QRect area = other->availableGeometry();
    Window()->move(area.topLeft());
    EventsUntil([&] { return Window()->screen() == other; }, kSlowScreen);
    QCOMPARE(Window()->screen(), other);
    qInfo("on %s: window %dx%d at %d,%d", qPrintable(other->name()), Window()->width(),
          Window()->height(), Window()->x(), Window()->y());
    QVERIFY(EventsUntil([&] { return area.contains(Window()->frameGeometry()); }, kSlowScreen));
    CheckEveryTextFits();
    Window()->move(first->availableGeometry().topLeft());
    EventsUntil([&] { return Window()->screen() == first; }, kSlowScreen);
    QCOMPARE(Window()->screen(), first);
    EventsUntil([&] { return Window()->size() == before; }, kSlowScreen);
    QCOMPARE(Window()->size(), before);
  }
};

QTEST_MAIN(FitTest)
#include "test_fit.moc"
