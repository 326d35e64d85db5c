#pragma once

#include <sys/resource.h>

namespace bench {

// CPU seconds (user + system) this process and all its threads have used so
// far: what /proc/PID/stat shows of another process, read from inside.
inline double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace bench
