// What the window shows, read back from its pixels: the party colours in
// their order, the labels' text colour and the line under the presets.
// Offscreen, a grab returns what the window last painted, so each check waits
// (with a deadline) for painting to catch up instead of assuming it is done.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <memory>

#include "support/click.h"
#include "support/recording_mixer.h"
#include "support/stepped_window.h"
#include "support/widget_of.h"
#include "window/form1.h"

using toolkit::WidgetOf;

namespace {

constexpr int kPaintDeadlineMs = 10000;

// The desktop's theme for these tests: the highlighted text (labels and the
// line) and the bright text in distinct colours, neither black nor white, so
// a pixel shows which of them was taken.
const QColor kHighlightedText(0xFF, 0xC0, 0x40);
const QColor kBrightText(0x40, 0xC0, 0xFF);

QString Hex(QRgb rgb) { return QColor(rgb).name(); }

}  // namespace

class OnScreenTest : public QObject, protected SteppedWindow {
  Q_OBJECT

  // What the window shows once its pending changes have gone to the display:
  // with time stopped, frames come only when asked for.
  QImage Grab() const {
    toolkit::PresentNow(*form_);
    QWidget* window = WidgetOf(*form_);
    return window->screen()->grabWindow(window->winId()).toImage();
  }

  // A grab once `painted` holds for it, or the last grab at the deadline.
  template <typename Predicate>
  QImage GrabWhen(Predicate painted) const {
    QImage shot;
    static_cast<void>(QTest::qWaitFor(
        [&] {
          shot = Grab();
          return painted(shot);
        },
        kPaintDeadlineMs));
    return shot;
  }

  // Where the controls other than labels are: a label's box may reach under them.
  QList<QRect> NonLabelBoxes() const {
    QList<QRect> boxes;
    for (const QWidget* child :
         WidgetOf(*form_)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      // With the room around it where a focused slider's ring lies, on the
      // window: that ring is no label's ink.
      if (child->isVisible() && qobject_cast<const QLabel*>(child) == nullptr) {
        boxes << child->geometry().adjusted(-4, -4, 4, 4);
      }
    }
    return boxes;
  }

  // A point of the window's background, clear of every control.
  static QPoint Background() { return {20, 20}; }

  // The background colour once it differs from `previous`; empty when it
  // still shows `previous` at the deadline.
  QString NextBackground(const QString& previous) const {
    QString now;
    const bool changed = QTest::qWaitFor(
        [&] {
          now = Hex(Grab().pixel(Background()));
          return now != previous;
        },
        kPaintDeadlineMs);
    return changed ? now : QString();
  }

 private slots:
  void initTestCase() {
    QPalette palette = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
      palette.setColor(group, QPalette::HighlightedText, kHighlightedText);
      palette.setColor(group, QPalette::BrightText, kBrightText);
    }
    QApplication::setPalette(palette);
  }

  void init() { QVERIFY(OpenWindow()); }
  void cleanup() { CloseWindow(); }

  void partyShowsRedYellowGreenCyanBlueInTurn() {
    // The whole background takes each colour: its far side as well.
    const QPoint far_side(660, 300);
    Click(form_->Command6);
    QStringList seen{NextBackground("#000000")};
    QStringList seen_far{Hex(Grab().pixel(far_side))};
    for (int tick = 0; tick < 5; ++tick) {
      time_->Advance(std::chrono::milliseconds(1));  // a tick of each timer
      seen << NextBackground(seen.last());
      seen_far << Hex(Grab().pixel(far_side));
    }
    QCOMPARE(seen, (QStringList{"#ff0000", "#ffff00", "#00ff00", "#00ffff", "#0000ff", "#ff0000"}));
    QCOMPARE(seen_far, seen);

    // A colour still waiting for its frame when STOP comes is never shown:
    // black follows red, over the whole background.
    time_->Advance(std::chrono::milliseconds(1));
    QVERIFY(form_->Timer3.Enabled());
    Click(form_->Command7);
    QCOMPARE(NextBackground("#ff0000"), QString("#000000"));
    QCOMPARE(Hex(Grab().pixel(far_side)), QString("#000000"));
  }

  void labelsDrawTheirTextInTheHighlightedTextColour() {
    const std::initializer_list<const toolkit::Label*> labels{
        &form_->Label1, &form_->Label2, &form_->Label3, &form_->Label4, &form_->Label5};
    const auto inked = [](const QImage& shot, const QRect& box, const QList<QRect>& skip) {
      QList<QRgb> ink;
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          const bool under_other = std::any_of(skip.begin(), skip.end(),
                                               [&](const QRect& r) { return r.contains(x, y); });
          if (!under_other && (shot.pixel(x, y) & 0xFFFFFFU) != 0) ink << shot.pixel(x, y);
        }
      }
      return ink;
    };
    const QList<QRect> skip = NonLabelBoxes();
    const QImage shot = GrabWhen([&](const QImage& image) {
      return std::all_of(labels.begin(), labels.end(), [&](const toolkit::Label* label) {
        return inked(image, WidgetOf(*label)->geometry(), skip).size() >= 20;
      });
    });
    for (const auto* label : labels) {
      const QString name = QString::fromStdString(label->Text());
      const QList<QRgb> ink = inked(shot, WidgetOf(*label)->geometry(), skip);
      QVERIFY2(ink.size() >= 20, qPrintable(name + ": no text to be seen"));
      // Text on black is the text colour scaled by how much of each pixel
      // the glyph covers (a small font covers no pixel whole).
      int brightest = 0;
      QRgb brightest_rgb = 0;
      for (const QRgb rgb : ink) {
        const int coverage_r = qRed(rgb) * 255 / kHighlightedText.red();
        const int coverage_g = qGreen(rgb) * 255 / kHighlightedText.green();
        const int coverage_b = qBlue(rgb) * 255 / kHighlightedText.blue();
        QVERIFY2(qAbs(coverage_r - coverage_g) <= 24 && qAbs(coverage_r - coverage_b) <= 40,
                 qPrintable(name + ": pixel " + Hex(rgb) + " is not of the text colour"));
        if (qRed(rgb) > brightest) {
          brightest = qRed(rgb);
          brightest_rgb = rgb;
        }
      }
      QVERIFY2(brightest >= 0xA0, qPrintable(name + ": brightest pixel " + Hex(brightest_rgb)));
    }
  }

  void lineIsDrawnUnderThePresetsAndHiddenInParty() {
    // From (2880, 3480) to (7320, 3480) twips: pixels 192..488 of row 232, in
    // the colour of text on the selection's bar, the nearest Qt has to the
    // title bar's.
    const QImage shot =
        GrabWhen([](const QImage& image) { return image.pixel(340, 232) != qRgb(0, 0, 0); });
    for (int x = 192; x <= 488; ++x) {
      QCOMPARE(Hex(shot.pixel(x, 232)), QString("#ffc040"));
    }
    QCOMPARE(Hex(shot.pixel(191, 232)), QString("#000000"));
    QCOMPARE(Hex(shot.pixel(489, 232)), QString("#000000"));
    QCOMPARE(Hex(shot.pixel(340, 231)), QString("#000000"));
    QCOMPARE(Hex(shot.pixel(340, 233)), QString("#000000"));

    Click(form_->Command6);
    QVERIFY(QTest::qWaitFor([this] { return Hex(Grab().pixel(340, 232)) == "#ff0000"; },
                            kPaintDeadlineMs));
  }
};

QTEST_MAIN(OnScreenTest)
#include "test_on_screen.moc"
