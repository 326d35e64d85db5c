#include "toolkit/system_colour.h"

#include <QApplication>
#include <QPalette>

namespace toolkit {

namespace {

// The desktop colours the window names; any other falls back to the text colour.
QPalette::ColorRole SystemRole(unsigned index) {
  switch (index) {
    case 9:  // title-bar text: Qt has no title bar of its own, and this is drawn
             // on a black window, so take the palette's bright text colour.
      return QPalette::BrightText;
    case 14:  // highlight text
      return QPalette::HighlightedText;
    default:
      return QPalette::WindowText;
  }
}

}  // namespace

QColor ToQColor(Colour colour) {
  if ((colour & kSystemColourFlag) != 0) {
    return QApplication::palette().color(QPalette::Active, SystemRole(colour & 0xFFU));
  }
  return {static_cast<int>(colour & 0xFFU), static_cast<int>((colour >> 8) & 0xFFU),
          static_cast<int>((colour >> 16) & 0xFFU)};
}

}  // namespace toolkit
