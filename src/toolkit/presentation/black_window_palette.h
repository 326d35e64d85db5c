#pragma once

#include <QPalette>

namespace toolkit {

// Desktop themes draw controls for their own window colour; this window is
// black whatever the theme. These adjust a theme's palette so its controls
// still stand out there.

// The same colours whether the window is in front or behind: some themes fade
// an inactive window's captions until they can no longer be read.
QPalette SteadyPalette(QPalette palette);

// For a control whose background is the theme's window colour (a slider's
// track, which some themes leave to the window): that colour, lightened or
// darkened until it stands out from black, and the control's ink kept apart
// from it.
QPalette TrackPalette(QPalette palette);

}  // namespace toolkit
