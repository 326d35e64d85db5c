#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bench/counter_log.h"
#include "mixer/system/volume_binding.h"

namespace bench {

// The writes that reached the system, and each run of failed ones. Counted on
// the mixer thread, read at exit on another: every call takes the lock.
class WriteCounts {
 public:
  void Count(bool succeeded, std::int64_t now_ns);
  // "writes OK FAILED", then "failed FIRST_NS LAST_NS COUNT" per run of
  // failed writes, each line ending in a newline.
  [[nodiscard]] std::string Lines() const;

 private:
  struct Run {
    std::int64_t first_ns;
    std::int64_t last_ns;
    std::int64_t count;
  };
  mutable std::mutex mutex_;
  std::int64_t ok_ = 0;
  std::int64_t failed_ = 0;
  bool failing_ = false;
  std::vector<Run> runs_;
};

// A volume binding that hands every call to the one it wraps and counts what
// came of each write. The counts are shared, so they can still be read when
// a mixer thread stuck at exit keeps the binding alive.
class CountingBinding final : public mixer::VolumeBinding {
 public:
  // `now_ns` stamps the failed writes; by default the wall clock, so runs of
  // failures line up with outside events such as a server being stopped.
  CountingBinding(std::unique_ptr<mixer::VolumeBinding> inner, std::shared_ptr<WriteCounts> counts,
                  std::function<std::int64_t()> now_ns = WallNs);

  bool SetVolume(std::uint32_t value) override;
  void Abandon() override;

 private:
  std::unique_ptr<mixer::VolumeBinding> inner_;
  std::shared_ptr<WriteCounts> counts_;
  std::function<std::int64_t()> now_ns_;
};

}  // namespace bench
