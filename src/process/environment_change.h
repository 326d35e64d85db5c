#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace process {

// Variables a part of the program wants in its own environment: a name with
// its value, or with none to remove it. A part only says so; the entry puts
// them in place before any thread starts, since a thread reading the
// environment while another changes it may read freed memory.
using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

// A part's word before the program starts: the variables it wants changed,
// and why, in one line for the user (empty when nothing is amiss).
struct EnvironmentAdvice {
  std::string why;
  EnvironmentChanges changes;
};

// A variable of the environment as it is; nothing when it is not set.
inline std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

}  // namespace process
