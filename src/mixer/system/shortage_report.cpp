#include "mixer/system/shortage_report.h"

#include <sys/mman.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "identity/program_identity.h"
#include "process/free_descriptors.h"

namespace mixer {

bool IsShortage(int error) {
  return error == EMFILE || error == ENFILE || error == ENOMEM || error == ENOBUFS;
}

int DescriptorShortage() {
  // A connection to a sound server holds five at its peak: its loop's wakeup
  // pipe, its socket, its own shared memory and the server's. The toolkit
  // aborts when it cannot have one of its own (GLib does), so a few are left
  // to spare: taking the last ones for a connection bound to fail would
  // trade a silent mixer for a crash.
  constexpr std::size_t kNeeded = 5 + 3;
  return process::FreeDescriptors() < kNeeded ? EMFILE : 0;
}

int MemoryShortage() {
  constexpr std::size_t kPoolSize = 64 << 20;
  // Address space only: nothing is touched, so nothing is committed.
  void* block = ::mmap(nullptr, kPoolSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (block == MAP_FAILED) return IsShortage(errno) ? errno : 0;
  ::munmap(block, kPoolSize);
  return 0;
}

int ShortageCause(int error) {
  if (IsShortage(error)) return error;
  if (const int cause = DescriptorShortage(); cause != 0) return cause;
  return ENOMEM;
}

void ReportShortage(const char* what, int error) {
  static std::atomic<bool> reported = false;
  if (reported.exchange(true)) return;
  // strerror_r is the thread-safe one; the GNU form may return a static text.
  char buffer[128] = {};
  std::string cause = strerror_r(error, buffer, sizeof buffer);
  if (!cause.empty())
    cause[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(cause[0])));
  std::fprintf(stderr, "%s: %s: %s\n", identity::kExecutableName, what, cause.c_str());
  std::fflush(stderr);
}

}  // namespace mixer
