#pragma once

#include <QColor>
#include <QPalette>

#include "toolkit/presentation/colour.h"

namespace toolkit {

// Desktop themes draw for their own window colour; this window is black
// whatever the theme, and its colours are adjusted to stand out there.

// The Qt colour a toolkit colour stands for, with system colours taken from
// the application palette, as inks readable on the window's black.
QColor ToQColor(Colour colour);

// The same colours whether the window is in front or behind: some themes fade
// an inactive window's captions until they can no longer be read.
QPalette SteadyPalette(QPalette palette);

}  // namespace toolkit
