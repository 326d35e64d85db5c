#include "toolkit/application/scale_factors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace toolkit {

namespace {

// The window is laid out at 689 x 445 pixels. Up to 8 times that fits the
// largest screens sold (7680 x 4320 is 960 x 540 at scale 8), and it stays
// far inside the 32767 pixels X11 and Qt can place a window in. Below a
// quarter, the 12-pixel font of the layout has 3 pixels left, and soon none:
// Qt then sizes fonts and paint buffers at zero.
constexpr double kSmallest = 0.25;
constexpr double kLargest = 8;

bool Drawable(double scale) {
  return std::isfinite(scale) && scale >= kSmallest && scale <= kLargest;
}

// The number a whole value spells, if it spells one (in any locale).
std::optional<double> Number(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Each screen's factor of a QT_SCREEN_SCALE_FACTORS value; nothing when one
// entry is not a number.
std::optional<std::vector<double>> ScreenFactors(std::string_view text) {
  std::vector<double> factors;
  while (!text.empty()) {
    const std::size_t end = text.find(';');
    std::string_view entry = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (entry.empty()) continue;
    if (const std::size_t equals = entry.rfind('='); equals != std::string_view::npos) {
      entry.remove_prefix(equals + 1);
    }
    const std::optional<double> factor = Number(entry);
    if (!factor) return std::nullopt;
    factors.push_back(*factor);
  }
  return factors;
}

std::string Range() {
  char text[64];
  std::snprintf(text, sizeof text, "from %g to %g", kSmallest, kLargest);
  return text;
}

}  // namespace

process::EnvironmentAdvice KeepScaleFactorsDrawable(const std::optional<std::string>& scale,
                                                    const std::optional<std::string>& screens) {
  constexpr const char* kScale = "QT_SCALE_FACTOR";
  constexpr const char* kScreens = "QT_SCREEN_SCALE_FACTORS";
  const auto refuse = [](const char* name, const std::string& value) {
    return process::EnvironmentAdvice{std::string(name) + "=" + value +
                                          " is not a scale the window can be drawn at (" + Range() +
                                          "), and is left out",
                                      {{name, std::nullopt}}};
  };
  // Qt reads an empty variable as none.
  const std::string scale_text = scale.value_or(std::string());
  std::optional<double> overall;
  if (!scale_text.empty()) {
    overall = Number(scale_text);
    if (!overall || !Drawable(*overall)) return refuse(kScale, scale_text);
  }
  if (!screens || screens->empty()) return {};
  const std::optional<std::vector<double>> factors = ScreenFactors(*screens);
  if (!factors) return refuse(kScreens, *screens);
  if (!std::all_of(factors->begin(), factors->end(), Drawable)) return refuse(kScreens, *screens);
  if (!overall) return {};
  const double whole = *overall;
  if (!std::all_of(factors->begin(), factors->end(),
                   [whole](double factor) { return Drawable(whole * factor); })) {
    return {std::string(kScale) + "=" + scale_text + " with " + kScreens + "=" + *screens +
                " make a scale the window cannot be drawn at (" + Range() +
                "), and both are left out",
            {{kScale, std::nullopt}, {kScreens, std::nullopt}}};
  }
  return {};
}

}  // namespace toolkit
