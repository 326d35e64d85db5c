#pragma once

#include <QColor>

#include "toolkit/presentation/colour.h"

namespace toolkit {

// The Qt colour a toolkit colour stands for, with system colours taken from
// the application palette, as inks readable on the window's black.
QColor ToQColor(Colour colour);

}  // namespace toolkit
