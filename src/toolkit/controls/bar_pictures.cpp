#include "toolkit/controls/bar_pictures.h"

#include <QStyle>
#include <QStyleOptionSlider>

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

}  // namespace toolkit
