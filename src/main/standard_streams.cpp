#include "main/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

bool OpenStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number: this one, as those below it are open.
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened < 0) return false;
    if (opened != fd) {
      ::close(opened);
      errno = EBADF;
      return false;
    }
  }
  return true;
}
