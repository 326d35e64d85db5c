#include "process/free_descriptors.h"

#include <poll.h>
#include <sys/resource.h>

#include <array>

namespace process {

std::size_t FreeDescriptors() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur > kPlenty) {
    return kPlenty;
  }
  std::array<pollfd, kPlenty> table;  // 32 KiB of the caller's stack
  const auto count = static_cast<nfds_t>(limit.rlim_cur);
  for (nfds_t fd = 0; fd < count; ++fd) table[fd] = pollfd{static_cast<int>(fd), 0, 0};
  if (::poll(table.data(), count, 0) < 0) return kPlenty;
  std::size_t free = 0;
  for (nfds_t fd = 0; fd < count; ++fd) {
    if ((table[fd].revents & POLLNVAL) != 0) ++free;
  }
  return free;
}

}  // namespace process
