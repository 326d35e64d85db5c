// The controls' pictures: each look painted once; a bar that moves never
// shows a place it has left; a button copied only once its look has held,
// and then the same as drawn afresh.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTest>
#include <chrono>
#include <memory>
#include <string>

#include "support/stepped_clock.h"
#include "support/widget_of.h"
#include "toolkit/controls/command_button.h"
#include "toolkit/controls/control_pictures.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/scroll_bar.h"

namespace {

toolkit::BarLook LookAt(int position) {
  toolkit::BarLook look;
  look.size = QSize(40, 10);
  look.maximum = 100;
  look.position = position;
  look.value = position;
  return look;
}

// The colour a painter at `position` fills its picture with, to tell the
// pictures apart.
QColor ColourOf(int position) { return QColor(position, 255 - position, 0); }

constexpr std::chrono::nanoseconds kMs = std::chrono::milliseconds(1);

toolkit::ButtonLook ButtonIn(int state) {
  toolkit::ButtonLook look;
  look.size = QSize(40, 10);
  look.state = state;
  look.text = "STOP";
  return look;
}

// A style that counts the buttons it draws.
class CountingStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int buttons = 0;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_PushButton) ++const_cast<CountingStyle*>(this)->buttons;
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

// A button on a shown window, on time the test moves by hand.
struct ButtonOnWindow {
  explicit ButtonOnWindow(const std::string& caption)
      : button(form, caption, {0, 0, 2000, 500}, 0) {
    form.Show();
  }
  SteppedClock clock;  // first: the window's pacing takes its alarms
  toolkit::Form form{"t", 3000, 1000};
  toolkit::CommandButton button;
  QPushButton* widget = qobject_cast<QPushButton*>(toolkit::WidgetOf(button));

  [[nodiscard]] bool Exposed() const {
    return QTest::qWaitForWindowExposed(toolkit::WidgetOf(form));
  }
  [[nodiscard]] bool Focused() const {
    widget->setFocus();
    return QTest::qWaitFor([this] { return widget->hasFocus(); });
  }
};

}  // namespace

class ControlPicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void eachLookIsPaintedOnceAndTheOldestMakesWayOnceFull() {
    toolkit::BarPictures pictures(2);
    int painted = 0;
    const auto show = [&](int position) {
      const QPixmap& picture = pictures.For(LookAt(position), [&](QPainter& painter) {
        ++painted;
        painter.fillRect(QRect(0, 0, 40, 10), ColourOf(position));
      });
      return picture.toImage().pixelColor(5, 5);
    };
    QCOMPARE(show(30), ColourOf(30));
    QCOMPARE(show(35), ColourOf(35));
    QCOMPARE(show(30), ColourOf(30));
    QCOMPARE(show(35), ColourOf(35));
    QCOMPARE(painted, 2);
    // Full: 40 takes the place of the oldest, 30.
    QCOMPARE(show(40), ColourOf(40));
    QCOMPARE(painted, 3);
    QCOMPARE(show(35), ColourOf(35));
    QCOMPARE(painted, 3);
    QCOMPARE(show(30), ColourOf(30));
    QCOMPARE(painted, 4);
  }

  void aPictureIsPaintedAtTheScreensPixelRatio() {
    toolkit::BarPictures pictures(1);
    toolkit::BarLook look = LookAt(0);
    look.pixel_ratio = 2;
    const QPixmap& picture = pictures.For(
        look, [](QPainter& painter) { painter.fillRect(QRect(0, 0, 40, 10), Qt::red); });
    QCOMPARE(picture.size(), QSize(80, 20));
    QCOMPARE(picture.toImage().pixelColor(79, 19), QColor(Qt::red));
  }

  // The thumb drawn where it was last put, after every other place, and the
  // same as at first when it comes back.
  void aMovedBarShowsItsThumbWhereItIsNow() {
    toolkit::Form form("t", 3000, 1000);
    toolkit::HScrollBar bar(form, {0, 0, 3000, 255}, 0, 0, 100);
    form.Show();
    auto* widget = static_cast<QScrollBar*>(toolkit::WidgetOf(bar));
    const auto shown = [widget](int position) {
      widget->setSliderPosition(position);
      return widget->grab().toImage();
    };
    const QImage at30 = shown(30);
    const QImage at95 = shown(95);
    QVERIFY(at30 != at95);
    for (int position = 30; position <= 95; position += 5) {
      const QImage image = shown(position);
      QVERIFY2(position == 30 || image != at30, qPrintable(QString::number(position)));
      QVERIFY2(position == 95 || image != at95, qPrintable(QString::number(position)));
    }
    QCOMPARE(shown(30), at30);
    QCOMPARE(shown(95), at95);
  }

  // A look is drawn afresh for its first second (a style's fade into it
  // may still run), then painted once and copied; any change starts over.
  void aButtonsLookIsCopiedOnlyOnceItHasHeldForASecond() {
    toolkit::ButtonPictures pictures(2);
    int painted = 0;
    const toolkit::TimePoint start{std::chrono::seconds(100)};
    const auto show = [&](int state, std::chrono::nanoseconds at) {
      return pictures.For(ButtonIn(state), start + at, [&](QPainter& painter) {
        ++painted;
        painter.fillRect(QRect(0, 0, 40, 10), ColourOf(state));
      });
    };
    QVERIFY(show(1, 0 * kMs) == nullptr);
    QVERIFY(show(1, 999 * kMs) == nullptr);
    const QPixmap* plain = show(1, 1000 * kMs);
    QVERIFY(plain != nullptr);
    QCOMPARE(plain->toImage().pixelColor(5, 5), ColourOf(1));
    QVERIFY(show(1, 5000 * kMs) != nullptr);
    QCOMPARE(painted, 1);
    // Hovered: new again, though long after the last.
    QVERIFY(show(2, 5001 * kMs) == nullptr);
    QVERIFY(show(2, 5500 * kMs) == nullptr);
    QCOMPARE(show(2, 6001 * kMs)->toImage().pixelColor(5, 5), ColourOf(2));
    QCOMPARE(painted, 2);
    // Back to plain: its picture is held, yet shown only once plain has held.
    QVERIFY(show(1, 6002 * kMs) == nullptr);
    QCOMPARE(show(1, 7002 * kMs)->toImage().pixelColor(5, 5), ColourOf(1));
    QCOMPARE(painted, 2);
    // A new caption is a new look.
    toolkit::ButtonLook renamed = ButtonIn(1);
    renamed.text = "PLAY";
    QVERIFY(!(renamed == ButtonIn(1)));
    // After a new font, every look is new and painted again.
    pictures.Clear();
    QVERIFY(show(1, 7003 * kMs) == nullptr);
    QVERIFY(show(1, 8003 * kMs) != nullptr);
    QCOMPARE(painted, 3);
  }

  // In each style installed (Adwaita's, where adwaita-qt6 is), focused: a
  // style may draw with more of the painter's state than Fusion does.
  void aButtonsCopyLooksAsDrawnInEveryStyle() {
    ButtonOnWindow on("SET 75%");
    QVERIFY(on.Exposed());
    QVERIFY(on.Focused());
    QPushButton* widget = on.widget;
    const QStringList styles = QStyleFactory::keys();
    QVERIFY(styles.contains("Fusion") && styles.contains("Windows"));
    for (const QString& name : styles) {
      QStyle* style = QStyleFactory::create(name);
      style->setParent(widget);
      widget->setStyle(style);
      const QImage fresh = widget->grab().toImage();
      on.clock.Advance(1000 * kMs);
      QVERIFY2(widget->grab().toImage() == fresh, qPrintable(name));
    }
  }

  // On a window: the style draws the button at every paint while its look
  // is new, and not once more after the copy is made; the copy shows the
  // same pixels, and the focus ring over it follows the window's colour.
  void aButtonOnAWindowLooksTheSameCopiedAsDrawn() {
    ButtonOnWindow on("STOP DEVIL!!!");
    QVERIFY(on.Exposed());
    QPushButton* widget = on.widget;
    SteppedClock& clock = on.clock;
    toolkit::Form& form = on.form;
    // A font of its own, as the form gives its buttons: the copy keeps it.
    QFont font = widget->font();
    font.setPointSize(font.pointSize() + 6);
    font.setBold(true);
    widget->setFont(font);
    auto* style = new CountingStyle(QStyleFactory::create("Fusion"));
    style->setParent(widget);
    widget->setStyle(style);

    const QImage fresh = widget->grab().toImage();
    QCOMPARE(widget->grab().toImage(), fresh);
    QCOMPARE(style->buttons, 2);
    clock.Advance(1000 * kMs);
    QCOMPARE(widget->grab().toImage(), fresh);
    QCOMPARE(style->buttons, 3);
    QCOMPARE(widget->grab().toImage(), fresh);
    QCOMPARE(style->buttons, 3);

    // Pressed: drawn at once in its new look.
    widget->setDown(true);
    const QImage pressed = widget->grab().toImage();
    QVERIFY(pressed != fresh);
    QCOMPARE(style->buttons, 4);
    widget->setDown(false);
    QCOMPARE(widget->grab().toImage(), fresh);
    QCOMPARE(style->buttons, 5);

    // Focused on a red window, then a blue one: the ring is drawn over the
    // copy in the colour of each.
    QVERIFY(on.Focused());
    form.SetBackColor(0x0000FF);  // red, as 0x00BBGGRR
    toolkit::PresentNow(form);
    const QImage on_red = widget->grab().toImage();
    clock.Advance(1000 * kMs);
    QCOMPARE(widget->grab().toImage(), on_red);
    const int drawn = style->buttons;
    form.SetBackColor(0xFF0000);
    toolkit::PresentNow(form);
    const QImage on_blue = widget->grab().toImage();
    QCOMPARE(style->buttons, drawn);
    QVERIFY(on_blue != on_red);
  }
};

QTEST_MAIN(ControlPicturesTest)
#include "test_control_pictures.moc"
