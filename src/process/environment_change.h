#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace process {

// Variables a part of the program wants in its own environment: a name with
// its value, or with none to remove it. A part only says so; the entry puts
// them in place before any thread starts.
using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

// A part's word before the program starts: the variables it wants changed,
// and why, in one line for the user (empty when nothing is amiss).
struct EnvironmentAdvice {
  std::string why;
  EnvironmentChanges changes;
};

inline std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

}  // namespace process
