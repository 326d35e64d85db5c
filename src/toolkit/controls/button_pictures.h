#pragma once

#include <QSize>
#include <QString>
#include <optional>

#include "toolkit/controls/look_pictures.h"
#include "toolkit/time/alarm.h"

class QStyle;
class QStyleOptionButton;

namespace toolkit {

// What a push button's picture depends on: everything the style is handed to
// draw it with, and what the picture is painted for.
struct ButtonLook {
  QSize size;
  double pixel_ratio = 1;
  int state = 0;
  int features = 0;
  int direction = 0;
  long long palette = 0;
  QString text;
  const QStyle* style = nullptr;

  static ButtonLook Of(const QStyleOptionButton& option, const QStyle* style, double pixel_ratio);
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
    if (!(look == last_)) {
      last_ = look;
      since_ = now;
    }
    if (!since_ || now - *since_ < kSettle) return nullptr;
    return &pictures_.For(look, std::forward<Paint>(paint));
  }

  [[nodiscard]] std::size_t Held() const { return pictures_.Held(); }
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
