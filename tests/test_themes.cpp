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
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QTest>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "support/click.h"
#include "support/scroll_bar_parts.h"
#include "support/stepped_window.h"
#include "support/wcag.h"
#include "support/widget_of.h"
#include "window/form1.h"

using toolkit::WidgetOf;

namespace {

constexpr int kPaintDeadlineMs = 10000;
constexpr double kControlContrast = 3.0;
constexpr double kTextContrast = 4.5;
// How far around a control its focus indicator may lie, in logical pixels,
// as an outline set off from it does.
constexpr int kIndicatorReach = 4;

using wcag::Contrast;

// The 0x00BBGGRR colour as Qt names it (#rrggbb).
QString ToQColorName(toolkit::Colour colour) {
  return QColor(int(colour & 0xFFU), int((colour >> 8) & 0xFFU), int((colour >> 16) & 0xFFU))
      .name();
}

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

// How far `point` lies outside `box`, in rows or columns, whichever more.
int Distance(const QRect& box, const QPoint& point) {
  return std::max({0, box.left() - point.x(), point.x() - box.right(), box.top() - point.y(),
                   point.y() - box.bottom()});
}

// How a focus indicator stands out. Its pixels are those of the control's
// box, or of the few around it (`reach`) nearer to it than to any other
// control (`others`), that change by 3:1 or more when the focus comes to it
// (so a focus leaving a neighbour is not taken for this one's, and a button
// merely shaded otherwise as the default one shows no indicator);
// each other pixel beside it is set against the indicator pixel next to it
// that differs most from it. The edges are kept by the side of the box they
// lie nearest, so that a side where the indicator is hidden or meets a
// colour close to its own is judged on its own rather than averaged away by
// the other three.
struct Indicator {
  static constexpr int kSides = 4;
  static constexpr std::array<const char*, kSides> kSideNames = {"left", "top", "right", "bottom"};
  int pixels = 0;
  // One per neighbour, sorted, weakest first: on each side, and in all.
  std::array<std::vector<double>, kSides> sides;
  std::vector<double> edges;

  // The weakest contrast along `edges`, leaving out the weakest `share`,
  // where anti-aliasing blends a rounded corner.
  [[nodiscard]] static double Weakest(const std::vector<double>& edges, double share) {
    if (edges.empty()) return 1.0;
    return edges[static_cast<size_t>(share * static_cast<double>(edges.size() - 1))];
  }
  [[nodiscard]] double Weakest(double share = 0.0) const { return Weakest(edges, share); }
};

// Which side of `box` `point` lies nearest: left, top, right, bottom.
int NearestSide(const QRect& box, const QPoint& point) {
  const std::array<int, Indicator::kSides> distances = {
      std::abs(point.x() - box.left()), std::abs(point.y() - box.top()),
      std::abs(box.right() - point.x()), std::abs(box.bottom() - point.y())};
  return static_cast<int>(std::min_element(distances.begin(), distances.end()) - distances.begin());
}

Indicator FindIndicator(const QImage& focused, const QImage& unfocused, const QRect& box, int reach,
                        const QList<QRect>& others) {
  const QRect reached = box.adjusted(-reach, -reach, reach, reach).intersected(focused.rect());
  const auto ours = [&](const QPoint& p) {
    if (box.contains(p)) return true;
    if (!reached.contains(p)) return false;
    return std::all_of(others.begin(), others.end(),
                       [&](const QRect& other) { return Distance(other, p) > Distance(box, p); });
  };
  const auto changed = [&](const QPoint& p) {
    return ours(p) && Contrast(focused.pixel(p), unfocused.pixel(p)) >= 3.0;
  };
  Indicator found;
  const QRect around = reached.adjusted(-1, -1, 1, 1).intersected(focused.rect());
  for (int y = around.top(); y <= around.bottom(); ++y) {
    for (int x = around.left(); x <= around.right(); ++x) {
      const QPoint point(x, y);
      if (changed(point)) {
        ++found.pixels;
        continue;
      }
      double best = 0.0;
      for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
        if (changed(point + step)) {
          best = std::max(best, Contrast(focused.pixel(point + step), focused.pixel(point)));
        }
      }
      if (best > 0.0) {
        found.edges.push_back(best);
        found.sides.at(static_cast<size_t>(NearestSide(box, point))).push_back(best);
      }
    }
  }
  std::sort(found.edges.begin(), found.edges.end());
  for (std::vector<double>& side : found.sides) std::sort(side.begin(), side.end());
  return found;
}

// The names of the controls stacked over `control` that cover part of it
// (where no mask cuts them away), hiding that part of its focus ring.
QStringList Covering(const QWidget* control) {
  QStringList over;
  const QObjectList& siblings = control->parentWidget()->children();
  for (qsizetype i = siblings.indexOf(control) + 1; i < siblings.size(); ++i) {
    const auto* sibling = qobject_cast<const QWidget*>(siblings.at(i));
    if (sibling == nullptr || !sibling->isVisible()) continue;
    const QRegion shape = sibling->mask().isEmpty() ? QRegion(sibling->rect()) : sibling->mask();
    if (shape.translated(sibling->pos()).intersects(control->geometry())) {
      over << sibling->accessibleName();
    }
  }
  return over;
}

// The names of the controls cut to a shape of their own.
QStringList Masked(const QWidget* form) {
  QStringList masked;
  for (const QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->mask().isEmpty()) masked << child->accessibleName();
  }
  return masked;
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
      // A label's box may reach down over the slider under it, and over
      // the slider's focus ring around it.
      const int reach = qRound(kIndicatorReach * ratio);
      const QRect slider =
          Box(WidgetOf(form_->VScroll1), at_zero).adjusted(-reach, -reach, reach, reach);
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

  // Tab until `target` has the focus, as a keyboard user would reach it.
  static bool TabTo(QWidget* target) {
    for (int press = 0; press < 12 && !target->hasFocus(); ++press) {
      QWidget* focused = QApplication::focusWidget();
      QTest::keyClick(focused != nullptr ? focused : target->window(), Qt::Key_Tab);
    }
    return target->hasFocus();
  }

  // The window once the focus has come to `target` and the screen shows it.
  QImage FocusedShot(QWidget* target, const QImage& before) {
    if (!TabTo(target)) return {};
    return GrabWhen([&](const QImage& shot) { return shot != before; });
  }

  // Judges the indicator of `target`, focused in `focused` and not in
  // `unfocused`.
  void CheckIndicator(const QString& what, const QImage& focused, const QImage& unfocused,
                      QWidget* target) {
    const double ratio = double(focused.width()) / WidgetOf(*form_)->width();
    QList<QRect> others;
    for (const QWidget* sibling :
         target->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (sibling != target && sibling->isVisible() && sibling->focusPolicy() != Qt::NoFocus) {
        others << Box(sibling, focused);
      }
    }
    const Indicator indicator = FindIndicator(focused, unfocused, Box(target, focused),
                                              qRound(kIndicatorReach * ratio), others);
    // A rounded ring's anti-aliased corners may blend into the face; the
    // weakest twentieth of each side's edge is left to them.
    constexpr double kCorners = 0.05;
    const double figure = indicator.Weakest(kCorners);
    QString per_side;
    for (size_t side = 0; side < indicator.sides.size(); ++side) {
      per_side += QString(" %1 %2:1")
                      .arg(Indicator::kSideNames.at(side))
                      .arg(Indicator::Weakest(indicator.sides.at(side), kCorners), 0, 'f', 2);
    }
    qInfo(
        "%s, %s: focus indicator %d pixels, against its neighbours %.2f:1 (weakest %.2f:1;%s; "
        "needs %.1f:1)",
        qPrintable(Style()), qPrintable(what), indicator.pixels, figure, indicator.Weakest(),
        qPrintable(per_side), kControlContrast);
    QVERIFY2(indicator.pixels > 0, qPrintable(what + ": nothing shows the focus"));
    for (size_t side = 0; side < indicator.sides.size(); ++side) {
      const QString where = what + QString(", %1 side").arg(Indicator::kSideNames.at(side));
      const std::vector<double>& edges = indicator.sides.at(side);
      QVERIFY2(!edges.empty(), qPrintable(where + ": nothing shows the focus"));
      const double weakest = Indicator::Weakest(edges, kCorners);
      QVERIFY2(
          weakest >= kControlContrast,
          qPrintable(where +
                     QString(": the focus indicator stands out %1:1").arg(weakest, 0, 'f', 2)));
    }
  }

  // Every control the focus reaches shows it, measured on the screen: the
  // slider, where the focus starts, and each button.
  void theFocusShowsOnEveryControl() {
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window, kPaintDeadlineMs));
    QWidget* slider = WidgetOf(form_->VScroll1);
    const QList<QWidget*> buttons = {WidgetOf(form_->Command3), WidgetOf(form_->Command4),
                                     WidgetOf(form_->Command1), WidgetOf(form_->Command5),
                                     WidgetOf(form_->Command2), WidgetOf(form_->Command6)};
    // The order the controls are stacked in, the focus on the slider as it
    // starts, which is also the order assistive technology lists them in.
    QVERIFY(slider->hasFocus());
    const QObjectList stacked = slider->parentWidget()->children();
    // Buttons are seen against the slider focused; the slider against the
    // button furthest from it.
    const QImage play_focused = FocusedShot(buttons.last(), Grab());
    const QImage slider_focused = FocusedShot(slider, play_focused);
    QVERIFY(!slider_focused.isNull());
    Save(slider_focused, "focus-slider");
    CheckIndicator("slider", slider_focused, play_focused, slider);
    QImage before = slider_focused;
    for (QWidget* button : buttons) {
      const QImage shot = FocusedShot(button, before);
      QVERIFY(!shot.isNull());
      QVERIFY2(
          Covering(button).isEmpty(),
          qPrintable(button->accessibleName() + " focused, under " + Covering(button).join(", ")));
      Save(shot, "focus-" + qobject_cast<QPushButton*>(button)->text().remove(' '));
      CheckIndicator(qobject_cast<QPushButton*>(button)->text(), shot, slider_focused, button);
      before = shot;
    }
    // Round again to the slider: each button the focus has left looks as it
    // did before, stacked as they were and each whole again.
    const QImage round_again = FocusedShot(slider, before);
    QVERIFY(!round_again.isNull());
    QVERIFY2(round_again == slider_focused,
             "the window looks otherwise once the focus has been round every button");
    QVERIFY2(slider->parentWidget()->children() == stacked,
             "the controls are stacked otherwise once the focus has been round every button");
    QVERIFY2(Masked(slider->parentWidget()).isEmpty(),
             qPrintable("once the focus has been round every button, still cut: " +
                        Masked(slider->parentWidget()).join(", ")));
  }

  // In party mode the focus moves between the slider and STOP on a window
  // of any of the cycle's colours; the indicators must show on each.
  void theFocusShowsOnEveryPartyColour() {
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window, kPaintDeadlineMs));
    Click(form_->Command6);
    QWidget* slider = WidgetOf(form_->VScroll1);
    QWidget* stop = WidgetOf(form_->Command7);
    const QList<QPair<QString, toolkit::Colour>> colours = {{"red", 0x0000FFU},
                                                            {"yellow", 0x00FFFFU},
                                                            {"green", 0x00FF00U},
                                                            {"cyan", 0xFFFF00U},
                                                            {"blue", 0xFF0000U}};
    for (const auto& [name, colour] : colours) {
      form_->SetBackColor(colour);
      const QString expected = ToQColorName(colour);
      const auto coloured = [&](const QImage& shot) {
        return QColor(shot.pixel(5, 5)).name() == expected;
      };
      QVERIFY(TabTo(stop));
      const QImage stop_focused = GrabWhen(coloured);
      QVERIFY(TabTo(slider));
      const QImage slider_focused =
          GrabWhen([&](const QImage& shot) { return coloured(shot) && shot != stop_focused; });
      Save(slider_focused, "party-" + name + "-focus-slider");
      Save(stop_focused, "party-" + name + "-focus-STOP");
      CheckIndicator("party, " + name + ", slider", slider_focused, stop_focused, slider);
      CheckIndicator("party, " + name + ", STOP", stop_focused, slider_focused, stop);
    }
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
