#pragma once

#include <QPixmap>
#include <QSize>
#include <cstddef>
#include <functional>
#include <vector>

class QPainter;
class QStyle;
class QStyleOptionSlider;

namespace toolkit {

// What a scroll bar's picture depends on: everything the style is handed to
// draw it with, and what the picture is painted for.
struct BarLook {
  QSize size;
  double pixel_ratio = 1;
  int state = 0;
  int minimum = 0;
  int maximum = 0;
  int position = 0;
  int value = 0;
  int single_step = 0;
  int page_step = 0;
  int orientation = 0;
  bool upside_down = false;
  int direction = 0;
  long long palette = 0;
  const QStyle* style = nullptr;

  static BarLook Of(const QStyleOptionSlider& option, const QStyle* style, double pixel_ratio);
  bool operator==(const BarLook&) const = default;
};

// The pictures of a scroll bar in the looks it took last. In party mode the
// bar moves to a new place at every frame, between fourteen places only; a
// style draws it with lines and gradients that cost more than the whole
// window's fill, so each look is drawn once and copied from then on.
class BarPictures {
 public:
  explicit BarPictures(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

  // The picture of `look`, painted by `paint` if it is not held.
  const QPixmap& For(const BarLook& look, const std::function<void(QPainter&)>& paint);
  [[nodiscard]] std::size_t Held() const { return pictures_.size(); }

 private:
  struct Picture {
    BarLook look;
    QPixmap pixmap;
  };
  std::size_t capacity_;
  std::size_t next_ = 0;  // the oldest picture, replaced first once full
  std::vector<Picture> pictures_;
};

}  // namespace toolkit
