#pragma once

#include <QWidget>

#include "toolkit/controls/twips.h"

namespace toolkit {

inline void PlaceInTwips(QWidget* widget, TwipsRect box) {
  widget->setGeometry(TwipsToPixels(box.left), TwipsToPixels(box.top), TwipsToPixels(box.width),
                      TwipsToPixels(box.height));
}

}  // namespace toolkit
