#pragma once

#include <QPainter>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "toolkit/time/alarm.h"

class QStyle;

namespace toolkit {

// The pictures of a control in the looks it took last, each painted once
// and copied from then on. In party mode the whole window repaints at every
// frame, and a style draws a control with gradients, lines and a caption laid
// out afresh each time: far more than copying what it drew the last time it
// looked the same. `Look` holds everything the style draws the control from
// and what the picture is painted for (its `size` and `pixel_ratio`).
template <typename Look>
class LookPictures {
 public:
  explicit LookPictures(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

  template <typename Paint>
  const QPixmap& For(const Look& look, Paint&& paint) {
    const auto held =
        std::find_if(pictures_.begin(), pictures_.end(),
                     [&look](const Picture& picture) { return picture.look == look; });
    if (held != pictures_.end()) return held->pixmap;

    QPixmap pixmap(look.size * look.pixel_ratio);
    pixmap.setDevicePixelRatio(look.pixel_ratio);
    pixmap.fill(Qt::transparent);
    {
      QPainter painter(&pixmap);
      std::forward<Paint>(paint)(painter);
    }
    if (pictures_.size() < capacity_) {
      pictures_.push_back({look, std::move(pixmap)});
      return pictures_.back().pixmap;
    }
    Picture& replaced = pictures_[next_];
    next_ = (next_ + 1) % capacity_;
    replaced = {look, std::move(pixmap)};
    return replaced.pixmap;
  }

  // After a change the looks do not tell (a new font).
  void Clear() {
    pictures_.clear();
    next_ = 0;
  }

 private:
  struct Picture {
    Look look;
    QPixmap pixmap;
  };
  std::size_t capacity_;
  std::size_t next_ = 0;  // the oldest picture, replaced first once full
  std::vector<Picture> pictures_;
};

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

  static BarLook Of(const QStyleOptionSlider& option, const QStyle* style, double pixel_ratio) {
    return {.size = option.rect.size(),
            .pixel_ratio = pixel_ratio,
            .state = static_cast<int>(option.state),
            .minimum = option.minimum,
            .maximum = option.maximum,
            .position = option.sliderPosition,
            .value = option.sliderValue,
            .single_step = option.singleStep,
            .page_step = option.pageStep,
            .orientation = static_cast<int>(option.orientation),
            .upside_down = option.upsideDown,
            .direction = static_cast<int>(option.direction),
            .palette = option.palette.cacheKey(),
            .style = style};
  }
  bool operator==(const BarLook&) const = default;
};

// A scroll bar's pictures. In party mode the bar moves to a new place at
// every frame, between fourteen places only; a style draws it with lines
// and gradients that cost more than the whole window's fill.
using BarPictures = LookPictures<BarLook>;

struct ButtonLook {
  QSize size;
  double pixel_ratio = 1;
  int state = 0;
  int features = 0;
  int direction = 0;
  long long palette = 0;
  QString text;
  const QStyle* style = nullptr;

  static ButtonLook Of(const QStyleOptionButton& option, const QStyle* style, double pixel_ratio) {
    return {.size = option.rect.size(),
            .pixel_ratio = pixel_ratio,
            .state = static_cast<int>(option.state),
            .features = static_cast<int>(option.features),
            .direction = static_cast<int>(option.direction),
            .palette = option.palette.cacheKey(),
            .text = option.text,
            .style = style};
  }
  bool operator==(const ButtonLook&) const = default;
};

// A button's pictures, copied only once its look has held for kSettle. A
// style may fade a button from one look to the next (hover, press, focus)
// over a few hundred milliseconds, reading the fade's progress from the
// widget rather than from what it is handed; a picture taken during the fade
// would show its first step for as long as the look lasts. So a new look is
// drawn afresh until the fade is surely over, and copied from then on.
class ButtonPictures {
 public:
  static constexpr Duration kSettle = std::chrono::seconds(1);

  explicit ButtonPictures(std::size_t capacity) : pictures_(capacity) {}

  // The picture of `look`, painted by `paint` if it is not held; none while
  // the look is new at `now`, to be drawn afresh.
  template <typename Paint>
  const QPixmap* For(const ButtonLook& look, TimePoint now, Paint&& paint) {
    if (look != last_) {
      last_ = look;
      since_ = now;
    }
    if (!since_ || now - *since_ < kSettle) return nullptr;
    return &pictures_.For(look, std::forward<Paint>(paint));
  }

  // After a change the looks do not tell (a new font): every look is new.
  void Clear() {
    pictures_.Clear();
    since_.reset();
    last_ = {};
  }

 private:
  LookPictures<ButtonLook> pictures_;
  ButtonLook last_;
  std::optional<TimePoint> since_;
};

}  // namespace toolkit
