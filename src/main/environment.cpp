#include "main/environment.h"

#include <utility>

bool InstallEnvironment(Environment environment) {
  const bool time = toolkit::InstallTime(std::move(environment.time));
  const bool mixer = mixer::InstallMixer(std::move(environment.mixer));
  return time && mixer;
}
