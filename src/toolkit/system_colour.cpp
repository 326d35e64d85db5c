#include "toolkit/system_colour.h"

#include <QApplication>
#include <QPalette>

namespace toolkit {

namespace {

QPalette::ColorRole SystemRole(unsigned index) {
  switch (index) {
    case 5:  // window background
      return QPalette::Window;
    case 8:  // window text
      return QPalette::WindowText;
    case 9:  // title-bar text: Qt has no title bar of its own, and this is drawn
             // on a black window, so take the palette's bright text colour.
      return QPalette::BrightText;
    case 13:  // highlight
      return QPalette::Highlight;
    case 14:  // highlight text
      return QPalette::HighlightedText;
    case 15:  // button face
      return QPalette::Button;
    case 18:  // button text
      return QPalette::ButtonText;
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
