#include "toolkit/controls/bar_pictures.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace toolkit {

BarLook BarLook::Of(const QStyleOptionSlider& option, const QStyle* style, double pixel_ratio) {
  BarLook look;
  look.size = option.rect.size();
  look.pixel_ratio = pixel_ratio;
  look.state = static_cast<int>(option.state);
  look.minimum = option.minimum;
  look.maximum = option.maximum;
  look.position = option.sliderPosition;
  look.value = option.sliderValue;
  look.single_step = option.singleStep;
  look.page_step = option.pageStep;
  look.orientation = static_cast<int>(option.orientation);
  look.upside_down = option.upsideDown;
  look.direction = static_cast<int>(option.direction);
  look.palette = option.palette.cacheKey();
  look.style = style;
  return look;
}

const QPixmap& BarPictures::For(const BarLook& look, const std::function<void(QPainter&)>& paint) {
  const auto held = std::find_if(pictures_.begin(), pictures_.end(),
                                 [&look](const Picture& picture) { return picture.look == look; });
  if (held != pictures_.end()) return held->pixmap;

  QPixmap pixmap(look.size * look.pixel_ratio);
  pixmap.setDevicePixelRatio(look.pixel_ratio);
  pixmap.fill(Qt::transparent);
  {
    QPainter painter(&pixmap);
    paint(painter);
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

}  // namespace toolkit
