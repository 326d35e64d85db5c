#include "toolkit/presentation/system_colour.h"

#include <QApplication>
#include <QPalette>

#include "toolkit/presentation/contrast.h"

namespace toolkit {

namespace {

// The desktop colours the window names; any other falls back to the text colour.
QPalette::ColorRole SystemRole(unsigned index) {
  switch (index) {
    case 9:   // title-bar text: Qt has no title bar of its own; the nearest is the
              // text on the selection's bar, light on dark in most themes.
    case 14:  // highlight text
      return QPalette::HighlightedText;
    default:
      return QPalette::WindowText;
  }
}

}  // namespace

QColor ToQColor(Colour colour) {
  if ((colour & kSystemColourFlag) != 0) {
    const QColor themed =
        QApplication::palette().color(QPalette::Active, SystemRole(colour & 0xFFU));
    return StandingOut(themed, Qt::black, kTextContrast);
  }
  return {static_cast<int>(colour & 0xFFU), static_cast<int>((colour >> 8) & 0xFFU),
          static_cast<int>((colour >> 16) & 0xFFU)};
}

QPalette SteadyPalette(QPalette palette) {
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    const auto r = static_cast<QPalette::ColorRole>(role);
    palette.setColor(QPalette::Inactive, r, palette.color(QPalette::Active, r));
  }
  return palette;
}

}  // namespace toolkit
