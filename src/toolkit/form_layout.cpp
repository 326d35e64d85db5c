#include "toolkit/form_layout.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <map>

#include "toolkit/text_fit.h"

namespace toolkit {

namespace {

// Room a push button's frame and bevel take around its text.
constexpr int kButtonPaddingX = 5;
constexpr int kButtonPaddingY = 3;
// Space kept between a label's text and a label that follows it on its row.
constexpr int kLabelGap = 3;

// A label's text may only run up to the next label that starts inside its box
// on the same row; past that the two texts would be drawn over each other.
int FreeWidth(const QWidget* label, const std::vector<FormLayout::TextBox>& boxes) {
  const QRect own = label->geometry();
  int right = own.right() + 1;
  for (const auto& other : boxes) {
    if (other.kind != FormLayout::TextKind::kLabel || other.widget == label) continue;
    const QRect theirs = other.widget->geometry();
    const bool same_row = theirs.top() <= own.bottom() && theirs.bottom() >= own.top();
    if (same_row && theirs.left() > own.left() && theirs.left() - kLabelGap < right) {
      right = theirs.left() - kLabelGap;
    }
  }
  return right - own.left();
}

QString TextOf(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* button = qobject_cast<const QPushButton*>(widget)) return button->text();
  return {};
}

}  // namespace

void FormLayout::Forget(QWidget* widget) {
  std::erase_if(tab_stops, [widget](const TabStop& stop) { return stop.widget == widget; });
  std::erase_if(text_boxes, [widget](const TextBox& box) { return box.widget == widget; });
  std::erase_if(places, [widget](const Place& place) { return place.widget == widget; });
}

void FormLayout::Arrange(QWidget* form, double scale) {
  auto stops = tab_stops;
  std::stable_sort(stops.begin(), stops.end(),
                   [](const TabStop& a, const TabStop& b) { return a.tab_index < b.tab_index; });
  for (std::size_t i = 1; i < stops.size(); ++i) {
    QWidget::setTabOrder(stops[i - 1].widget, stops[i].widget);
  }

  if (places.empty()) {
    size = form->size();
    const QList<QWidget*> children =
        form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    std::transform(children.begin(), children.end(), std::back_inserter(places),
                   [](QWidget* child) {
                     return Place{child, child->geometry()};
                   });
  }
  // Edges are scaled rather than sizes, so controls that meet in the layout
  // still meet, and none is ever less than a pixel.
  const auto at_scale = [scale](int design) {
    return static_cast<int>(std::lround(design * scale));
  };
  form->setFixedSize(std::max(1, at_scale(size.width())), std::max(1, at_scale(size.height())));
  for (const Place& place : places) {
    const int left = at_scale(place.box.left());
    const int top = at_scale(place.box.top());
    place.widget->setGeometry(left, top,
                              std::max(1, at_scale(place.box.left() + place.box.width()) - left),
                              std::max(1, at_scale(place.box.top() + place.box.height()) - top));
  }
  PickFonts(form, scale);
}

void FormLayout::PickFonts(const QWidget* form, double scale) const {
  // All buttons share one font so the row of presets reads evenly; labels of
  // the same height share one, so "Volume :" and the percentage match.
  const QFont& base = form->font();
  // A frame and bevel drawn by the style do not grow with the form, but they
  // may shrink with it, as the style draws narrower frames on small buttons.
  const double padding_scale = std::min(1.0, scale);
  const int padding_x = static_cast<int>(std::lround(kButtonPaddingX * padding_scale));
  const int padding_y = static_cast<int>(std::lround(kButtonPaddingY * padding_scale));
  int button_pixels = INT_MAX;      // in the screen's own pixels
  std::map<int, int> label_pixels;  // the same, by box height
  for (const auto& box : text_boxes) {
    const QString text = TextOf(box.widget);
    const int height = box.widget->height();
    if (box.kind == TextKind::kButton) {
      button_pixels = std::min(button_pixels,
                               FittingScreenPixels(base, text, box.widget->width() - 2 * padding_x,
                                                   height - 2 * padding_y, *form));
    } else {
      const int pixels =
          FittingScreenPixels(base, text, FreeWidth(box.widget, text_boxes), height, *form);
      auto [it, inserted] = label_pixels.try_emplace(height, pixels);
      if (!inserted) it->second = std::min(it->second, pixels);
    }
  }
  for (const auto& box : text_boxes) {
    const int pixels =
        box.kind == TextKind::kButton ? button_pixels : label_pixels.at(box.widget->height());
    box.widget->setFont(WithScreenPixelSize(base, pixels, *form));
  }
}

}  // namespace toolkit
