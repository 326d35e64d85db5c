#include "main/process_environment.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "identity/program_identity.h"
#include "mixer/system/system_mixer.h"
#include "toolkit/application/application.h"
#include "toolkit/application/bus_probe.h"
#include "toolkit/application/scale_factors.h"

void ApplyEnvironment(const std::vector<process::EnvironmentAdvice>& advice) {
  for (const process::EnvironmentAdvice& part : advice) {
    if (!part.why.empty()) {
      std::fprintf(stderr, "%s: %s\n", identity::kExecutableName, part.why.c_str());
    }
    for (const auto& [name, value] : part.changes) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
}

std::vector<process::EnvironmentAdvice> ProgramEnvironment() {
  return {toolkit::KeepScaleFactorsDrawable(),
          toolkit::KeepToolkitOffSilentBuses(toolkit::BusAddressesOfEnvironment(),
                                             std::chrono::milliseconds(500)),
          {{}, toolkit::DrawingEnvironment()},
          {{}, mixer::SystemMixerEnvironment()}};
}
