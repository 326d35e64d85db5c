#pragma once

#include "main/environment.h"

// The program from its command line to the end of its event loop: what
// main() does, callable by any main(), so a build that measures the program
// runs it unchanged in an environment with its counters. First opens the
// closed standard streams, then installs `environment`; before the toolkit
// starts, checks there are descriptors enough for it and puts in the
// process's environment what the toolkit and the mixer want there. Returns
// the exit status.
int RunProgram(int argc, char* argv[], Environment environment = {});
