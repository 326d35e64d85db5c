#include "toolkit/controls/form_layout.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <map>

#include "toolkit/controls/text_fit.h"

namespace toolkit {

namespace {

// Room kept around a button's text, frame and bevel included, at scale 1.
constexpr int kButtonPaddingX = 5;
constexpr int kButtonPaddingY = 3;
// Space kept between a label's text and a label that follows it on its row.
constexpr int kLabelGap = 3;

// A label's text may only run up to the next label that starts inside its box
// on the same row, less a gap; past that the two texts would be drawn over
// each other. The gap shrinks with the form, as the texts do.
double FreeWidth(const QLabel* label, const std::vector<QLabel*>& labels, double scale) {
  const double gap = kLabelGap * std::min(1.0, scale);
  const QRect own = label->geometry();
  double right = own.right() + 1;
  for (const QLabel* other : labels) {
    if (other == label) continue;
    const QRect theirs = other->geometry();
    const bool same_row = theirs.top() <= own.bottom() && theirs.bottom() >= own.top();
    if (same_row && theirs.left() > own.left() && theirs.left() - gap < right) {
      right = theirs.left() - gap;
    }
  }
  return right - own.left();
}

// The room a button's caption has: inside the frame and bevel its style
// draws, which clip the caption, and never nearer the edge than the padding.
// The style's frame keeps its width in logical pixels at any scale, which on
// a form shrunk to a small screen of scale 4 is most of the padding; the
// padding shrinks with the form, as styles draw narrower bevels on small
// buttons.
QSizeF ButtonRoom(const QPushButton& button, double scale) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  if (button.autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
  if (button.isDefault()) option.features |= QStyleOptionButton::DefaultButton;
  const QRect inside =
      button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
  const double margin_scale = std::min(1.0, scale);
  const double within_x = button.width() - 2 * std::round(kButtonPaddingX * margin_scale);
  const double within_y = button.height() - 2 * std::round(kButtonPaddingY * margin_scale);
  return {std::min<double>(inside.width(), within_x), std::min<double>(inside.height(), within_y)};
}

}  // namespace

void FormLayout::Forget(QWidget* widget) {
  std::erase_if(tab_stops, [widget](const TabStop& stop) { return stop.widget == widget; });
  std::erase(buttons, widget);
  std::erase(labels, widget);
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

int FormLayout::LaidOutHeight(const QWidget* widget) const {
  const auto place = std::find_if(places.begin(), places.end(),
                                  [widget](const Place& p) { return p.widget == widget; });
  return place != places.end() ? place->box.height() : widget->height();
}

void FormLayout::PickFonts(const QWidget* form, double scale) const {
  // All buttons share one font so the row of presets reads evenly; labels of
  // the same height in the layout share one, so "Volume :" and the percentage
  // match, and so do the credit lines. Their heights on the screen may differ
  // by the pixel their edges are rounded to, which must not split them.
  const QFont& base = form->font();
  TextSize button_size{INT_MAX, 100};
  for (const QPushButton* button : buttons) {
    const QSizeF room = ButtonRoom(*button, scale);
    button_size = std::min(
        button_size, FittingTextSize(base, button->text(), room.width(), room.height(), *form));
  }
  std::map<int, TextSize> label_sizes;  // by laid-out height
  for (const QLabel* label : labels) {
    const TextSize text_size = FittingTextSize(base, label->text(), FreeWidth(label, labels, scale),
                                               label->height(), *form);
    auto [it, inserted] = label_sizes.try_emplace(LaidOutHeight(label), text_size);
    if (!inserted) it->second = std::min(it->second, text_size);
  }
  for (QPushButton* button : buttons) {
    button->setFont(WithTextSize(base, button_size, *form));
  }
  for (QLabel* label : labels) {
    label->setFont(WithTextSize(base, label_sizes.at(LaidOutHeight(label)), *form));
  }
}

}  // namespace toolkit
