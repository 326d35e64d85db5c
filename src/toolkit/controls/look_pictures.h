#pragma once

#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

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

  // The picture of `look`, painted by `paint` if it is not held.
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

  [[nodiscard]] std::size_t Held() const { return pictures_.size(); }
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

}  // namespace toolkit
