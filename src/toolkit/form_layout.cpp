#include "toolkit/form_layout.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <climits>
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
}

void FormLayout::Arrange(QWidget* form) const {
  auto stops = tab_stops;
  std::stable_sort(stops.begin(), stops.end(),
                   [](const TabStop& a, const TabStop& b) { return a.tab_index < b.tab_index; });
  for (std::size_t i = 1; i < stops.size(); ++i) {
    QWidget::setTabOrder(stops[i - 1].widget, stops[i].widget);
  }

  // All buttons share one font so the row of presets reads evenly; labels of
  // the same height share one, so "Volume :" and the percentage match.
  const QFont& base = form->font();
  int button_pixels = INT_MAX;
  std::map<int, int> label_pixels;  // by box height
  for (const auto& box : text_boxes) {
    const QString text = TextOf(box.widget);
    const int height = box.widget->height();
    if (box.kind == TextKind::kButton) {
      button_pixels = std::min(
          button_pixels, FittingPixelSize(base, text, box.widget->width() - 2 * kButtonPaddingX,
                                          height - 2 * kButtonPaddingY));
    } else {
      const int pixels = FittingPixelSize(base, text, FreeWidth(box.widget, text_boxes), height);
      auto [it, inserted] = label_pixels.try_emplace(height, pixels);
      if (!inserted) it->second = std::min(it->second, pixels);
    }
  }
  for (const auto& box : text_boxes) {
    const int pixels =
        box.kind == TextKind::kButton ? button_pixels : label_pixels.at(box.widget->height());
    box.widget->setFont(WithPixelSize(base, pixels));
  }
}

}  // namespace toolkit
