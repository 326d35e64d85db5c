#pragma once

// The program from its command line to the end of its event loop: what
// main() does, callable by any main(), so a build that measures the program
// can set up its counters first and then run it unchanged. Returns the exit
// status.
int RunProgram(int argc, char* argv[]);
