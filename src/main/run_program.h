#pragma once

#include "main/environment.h"

// The program from its command line to the end of its event loop: what
// main() does, callable by any main(), so a build that measures the program
// runs it unchanged in an environment with its counters. Returns the exit
// status.
int RunProgram(int argc, char* argv[], Environment environment = {});
