#pragma once

#include <QFont>
#include <QWidget>

// The size of a widget's text in logical pixels, however its font was sized.
inline double TextPixels(const QWidget* widget) {
  const QFont font = widget->font();
  return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * widget->logicalDpiY() / 72.0;
}
