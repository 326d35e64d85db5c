#include "toolkit/controls/button_pictures.h"

#include <QStyle>
#include <QStyleOptionButton>

namespace toolkit {

ButtonLook ButtonLook::Of(const QStyleOptionButton& option, const QStyle* style,
                          double pixel_ratio) {
  ButtonLook look;
  look.size = option.rect.size();
  look.pixel_ratio = pixel_ratio;
  look.state = static_cast<int>(option.state);
  look.features = static_cast<int>(option.features);
  look.direction = static_cast<int>(option.direction);
  look.palette = option.palette.cacheKey();
  look.text = option.text;
  look.style = style;
  return look;
}

}  // namespace toolkit
