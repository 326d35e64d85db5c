#include "mixer/shortage_report.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace mixer {

bool IsShortage(int error) {
  return error == EMFILE || error == ENFILE || error == ENOMEM || error == ENOBUFS;
}

void ReportShortage(const char* what, int error) {
  static std::atomic<bool> reported = false;
  if (reported.exchange(true)) return;
  // strerror_r is the thread-safe one; the GNU form may return a static text.
  char buffer[128] = {};
  std::string cause = strerror_r(error, buffer, sizeof buffer);
  if (!cause.empty())
    cause[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(cause[0])));
  std::fprintf(stderr, "blargo: %s: %s\n", what, cause.c_str());
  std::fflush(stderr);
}

}  // namespace mixer
