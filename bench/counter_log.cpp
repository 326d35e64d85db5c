#include "bench/counter_log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace bench {

const char* CounterLogPath() { return std::getenv("BLARGO_COUNTER_LOG"); }

void AppendToLog(const char* path, const std::string& lines) {
  if (path == nullptr) return;
  std::FILE* log = std::fopen(path, "a");
  if (log == nullptr) return;
  std::fputs(lines.c_str(), log);
  std::fclose(log);
}

std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t WallNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace bench
