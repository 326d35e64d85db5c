#pragma once

#include <QFont>
#include <QString>

namespace toolkit {

inline constexpr int kSmallestTextPixels = 7;

// The largest pixel size, from the base font's size down to `smallest`, at
// which `text` fits in width x height. Returns `smallest` when even that does
// not fit.
int FittingPixelSize(const QFont& base, const QString& text, int width, int height,
                     int smallest = kSmallestTextPixels);

QFont WithPixelSize(QFont font, int pixels);

}  // namespace toolkit
