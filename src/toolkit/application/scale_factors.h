#pragma once

#include <optional>
#include <string>

#include "process/environment_change.h"

namespace toolkit {

// Qt takes the scale the window is drawn at from QT_SCALE_FACTOR and, per
// screen, from QT_SCREEN_SCALE_FACTORS ("2", "1.5;2" or "HDMI-1=1.5;DP-1=2"),
// and trusts them: a negative scale crashes the toolkit, zero leaves it
// waiting for ever, a huge one makes a window larger than any screen. A
// variable whose value, or whose product with the other, is not a scale the
// window can be drawn at is removed, so the window starts at the scale it
// would have without it (1, unless the other one is given); the advice says
// which and why. By default, the variables as the environment holds them.
process::EnvironmentAdvice KeepScaleFactorsDrawable(
    const std::optional<std::string>& scale = process::Variable("QT_SCALE_FACTOR"),
    const std::optional<std::string>& screens = process::Variable("QT_SCREEN_SCALE_FACTORS"));

}  // namespace toolkit
