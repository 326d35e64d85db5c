#include "toolkit/presentation/black_window_palette.h"

#include "toolkit/presentation/contrast.h"

namespace toolkit {

QPalette SteadyPalette(QPalette palette) {
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    const auto r = static_cast<QPalette::ColorRole>(role);
    palette.setColor(QPalette::Inactive, r, palette.color(QPalette::Active, r));
  }
  return palette;
}

QPalette TrackPalette(QPalette palette) {
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    const QColor track =
        StandingOut(palette.color(group, QPalette::Window), Qt::black, kControlContrast);
    palette.setColor(group, QPalette::Window, track);
    palette.setColor(group, QPalette::WindowText,
                     StandingOut(palette.color(group, QPalette::WindowText), track, kTextContrast));
  }
  return palette;
}

}  // namespace toolkit
