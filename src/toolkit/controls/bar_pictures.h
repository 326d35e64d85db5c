#pragma once

#include <QSize>

#include "toolkit/controls/look_pictures.h"

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

// A scroll bar's pictures. In party mode the bar moves to a new place at
// every frame, between fourteen places only; a style draws it with lines
// and gradients that cost more than the whole window's fill.
using BarPictures = LookPictures<BarLook>;

}  // namespace toolkit
