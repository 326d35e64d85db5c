// The window as painted in the desktop's style (QT_STYLE_OVERRIDE), read back
// from its pixels: the slider's track, its thumb and the line under the
// presets must stand out from the black window by 3:1, the captions and
// labels by 4.5:1 (the contrast WCAG asks of controls and of text), whether
// the window is in front or behind. The figures are printed, and the shots
// kept in the directory named by BLARGO_SHOTS.
#include <QApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <algorithm>

#include "support/click.h"
#include "support/scroll_bar_parts.h"
#include "support/stepped_window.h"
#include "support/wcag.h"
#include "toolkit/application/test_seam.h"
#include "window/form1.h"

using toolkit::WidgetOf;

namespace {

constexpr int kPaintDeadlineMs = 10000;
constexpr double kControlContrast = 3.0;
constexpr double kTextContrast = 4.5;

using wcag::Contrast;

// The colour counted most often.
QRgb Commonest(const QHash<QRgb, int>& counts) {
  QRgb best = 0;
  int most = -1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
    if (it.value() > most) {
      most = it.value();
      best = it.key();
    }
  }
  return best;
}

// The colour most pixels of `box` have.
QRgb Commonest(const QImage& image, const QRect& box) {
  QHash<QRgb, int> counts;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) ++counts[image.pixel(x, y) & 0xFFFFFFU];
  }
  return Commonest(counts);
}

// The highest contrast to `ground` of any pixel of `box`: the core of a
// glyph, where anti-aliasing leaves the ink's own colour.
double InkContrast(const QImage& image, const QRect& box, QRgb ground) {
  double best = 1.0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      best = std::max(best, Contrast(image.pixel(x, y), ground));
    }
  }
  return best;
}

}  // namespace

class ThemesTest : public QObject, protected SteppedWindow {
  Q_OBJECT

  // The window as the screen shows it, in device pixels, once `painted`
  // holds for it (or at the deadline).
  template <typename Predicate>
  QImage GrabWhen(Predicate painted) const {
    toolkit::PresentNow(*form_);
    QWidget* window = WidgetOf(*form_);
    window->repaint();  // at once, so no grab shows an earlier frame
    QImage shot;
    static_cast<void>(QTest::qWaitFor(
        [&] {
          shot = window->screen()->grabWindow(window->winId()).toImage();
          return !shot.isNull() && painted(shot);
        },
        kPaintDeadlineMs));
    return shot;
  }
  // Once it shows its black background with the controls on it.
  QImage Grab() const {
    return GrabWhen([](const QImage& shot) { return Commonest(shot, shot.rect()) == 0; });
  }

  // A widget's box in the shot's pixels.
  QRect Box(const QWidget* widget, const QImage& shot) const {
    const double ratio = double(shot.width()) / WidgetOf(*form_)->width();
    const QRect r = widget->geometry();
    return QRect(qRound(r.left() * ratio), qRound(r.top() * ratio), qRound(r.width() * ratio),
                 qRound(r.height() * ratio))
        .intersected(shot.rect());
  }

  void Save(const QImage& shot, const QString& name) const {
    const QByteArray folder = qgetenv("BLARGO_SHOTS");
    if (folder.isEmpty()) return;
    QVERIFY(shot.save(QString::fromLocal8Bit(folder) + "/" + Style() + "-" + name + ".png"));
  }

  static QString Style() { return QApplication::style()->name(); }

  // A figure measured, and the least it may be.
  struct Figure {
    QString what;
    double contrast;
    double needed;
  };

  // Every figure, on the window in its present state: all are measured and
  // printed before any is judged, so one failure hides none of the others.
  QList<Figure> Measure(const QString& state) {
    QList<Figure> figures;
    auto* bar = qobject_cast<QScrollBar*>(WidgetOf(form_->VScroll1));
    const QImage at_zero = Grab();
    Save(at_zero, state);
    const QRect bar_box = Box(bar, at_zero);

    // Every column of the bar shows something that stands out from the window.
    double weakest_column = 1e9;
    for (int x = bar_box.left(); x <= bar_box.right(); ++x) {
      weakest_column = std::min(
          weakest_column, InkContrast(at_zero, QRect(x, bar_box.top(), 1, bar_box.height()), 0));
    }
    figures << Figure{"track, weakest column, against the window", weakest_column,
                      kControlContrast};

    // The thumb is where the picture changes when the value does.
    form_->VScroll1.SetValue(50);
    const QImage at_half = GrabWhen([&](const QImage& shot) { return shot != at_zero; });
    form_->VScroll1.SetValue(0);
    const QRect thumb = ScrollBarPart(bar, QStyle::SC_ScrollBarSlider);
    const double ratio = double(at_half.width()) / WidgetOf(*form_)->width();
    const QRect thumb_box(bar_box.left() + qRound(thumb.left() * ratio),
                          bar_box.top() + qRound(thumb.top() * ratio),
                          qRound(thumb.width() * ratio), qRound(thumb.height() * ratio));
    QHash<QRgb, int> thumb_counts;
    QHash<QRgb, int> under_counts;
    QList<QPoint> moved;
    for (int y = thumb_box.top(); y <= thumb_box.bottom(); ++y) {
      for (int x = thumb_box.left(); x <= thumb_box.right(); ++x) {
        if (at_half.pixel(x, y) == at_zero.pixel(x, y)) continue;
        moved << QPoint(x, y);
        ++thumb_counts[at_half.pixel(x, y) & 0xFFFFFFU];
        ++under_counts[at_zero.pixel(x, y) & 0xFFFFFFU];
      }
    }
    const QRgb thumb_colour = Commonest(thumb_counts);
    const QRgb track_colour = Commonest(under_counts);
    double thumb_outline = 1.0;  // its face or its outline against the track
    for (const QPoint& point : moved) {
      thumb_outline = std::max(thumb_outline, Contrast(at_half.pixel(point), track_colour));
    }
    figures << Figure{"thumb against the window", moved.isEmpty() ? 1.0 : Contrast(thumb_colour, 0),
                      kControlContrast};
    qInfo("%s, %s: thumb against the track %.2f:1", qPrintable(Style()), qPrintable(state),
          thumb_outline);

    // The line, along its whole length.
    const QRect line = Box(WidgetOf(form_->Line1), at_zero);
    double weakest_point = 1e9;
    for (int x = line.left(); x <= line.right(); ++x) {
      weakest_point =
          std::min(weakest_point, InkContrast(at_zero, QRect(x, line.top(), 1, line.height()), 0));
    }
    figures << Figure{"line, weakest point", weakest_point, kControlContrast};

    // Captions against their button's face, away from its border.
    for (const toolkit::CommandButton* button :
         {&form_->Command3, &form_->Command4, &form_->Command1, &form_->Command5, &form_->Command2,
          &form_->Command6}) {
      const QRect box = Box(WidgetOf(*button), at_zero);
      const QRgb face = Commonest(at_zero, box);
      const int margin = box.height() / 4;
      figures << Figure{"caption " + qobject_cast<QPushButton*>(WidgetOf(*button))->text(),
                        InkContrast(at_zero, box.adjusted(margin, margin, -margin, -margin), face),
                        kTextContrast};
    }

    // Labels on the window ("Volume :" up to where the level starts).
    for (const toolkit::Label* label :
         {&form_->Label2, &form_->Label1, &form_->Label5, &form_->Label4, &form_->Label3}) {
      QRect box = Box(WidgetOf(*label), at_zero);
      if (label == &form_->Label2) box.setRight(Box(WidgetOf(form_->Label1), at_zero).left() - 1);
      // A label's box may reach down over the slider under it.
      const QRect slider = Box(WidgetOf(form_->VScroll1), at_zero);
      if (box.intersects(slider) && slider.top() > box.top()) box.setBottom(slider.top() - 1);
      figures << Figure{"label " + QString::fromStdString(label->Text()),
                        InkContrast(at_zero, box, 0), kTextContrast};
    }
    for (const Figure& figure : figures) {
      qInfo("%s, %s: %s %.2f:1 (needs %.1f:1)", qPrintable(Style()), qPrintable(state),
            qPrintable(figure.what), figure.contrast, figure.needed);
    }
    return figures;
  }

  void CheckAll(const QString& state) {
    for (const Figure& figure : Measure(state)) {
      QVERIFY2(figure.contrast >= figure.needed,
               qPrintable(state + ": " + figure.what +
                          QString(" at %1:1").arg(figure.contrast, 0, 'f', 2)));
    }
  }

 private slots:
  // Qt falls back to its default style, silently, for a name it does not know.
  void initTestCase() {
    const QString wanted = qEnvironmentVariable("QT_STYLE_OVERRIDE");
    if (!wanted.isEmpty()) QCOMPARE(Style().toLower(), wanted.toLower());
  }

  void init() { QVERIFY(OpenWindow()); }
  void cleanup() { CloseWindow(); }

  void everyPartStandsOutBehindOtherWindows() {
    QWidget* window = WidgetOf(*form_);
    if (window->isActiveWindow()) QSKIP("this platform makes every window active");
    CheckAll("behind");
  }

  void everyPartStandsOutInFront() {
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window, kPaintDeadlineMs));
    CheckAll("in-front");
  }

  void theWindowStaysBlackAndFlashesItsColours() {
    QCOMPARE(QColor(Grab().pixel(5, 5)).name(), QString("#000000"));
    Click(form_->Command6);
    const QImage party =
        GrabWhen([](const QImage& shot) { return QColor(shot.pixel(5, 5)).name() != "#000000"; });
    QCOMPARE(QColor(party.pixel(5, 5)).name(), QString("#ff0000"));
  }
};

QTEST_MAIN(ThemesTest)
#include "test_themes.moc"
