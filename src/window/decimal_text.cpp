#include "window/decimal_text.h"

#include <array>
#include <charconv>

std::string NumberText(double value) {
  std::array<char, 32> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (error != std::errc{}) return "0";
  return {buffer.data(), end};
}

double TextValue(const std::string& text) {
  const char* begin = text.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  double value = 0;
  const auto [end, error] = std::from_chars(begin, text.c_str() + text.size(), value);
  if (error != std::errc{}) return 0;
  return value;
}
