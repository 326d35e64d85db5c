#pragma once

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. A
// launcher, a service manager or a desktop file may start the program with
// them closed; then the first descriptor the process opens takes the lowest
// number, and what is written to stdout or stderr goes into it: into the
// display's connection, say. So this runs first, before anything opens a
// descriptor. False, with errno set, when one could not be opened.
[[nodiscard]] bool OpenStandardStreams();
