#pragma once

#include <vector>

#include "process/environment_change.h"

// Puts what each part wants into the process's environment, and says on
// stderr, one line each, what was left out and why. Only while no other
// thread runs: glibc's setenv may move the environment from under a thread
// that reads it.
void ApplyEnvironment(const std::vector<process::EnvironmentAdvice>& advice);

// What the toolkit and the mixer want in the environment, the buses probed
// (for at most half a second, so a silent bus costs the window no more).
std::vector<process::EnvironmentAdvice> ProgramEnvironment();
