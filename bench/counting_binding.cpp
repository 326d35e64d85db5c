#include "bench/counting_binding.h"

#include <utility>

namespace bench {

void WriteCounts::Count(bool succeeded, std::int64_t now_ns) {
  const std::lock_guard lock(mutex_);
  if (succeeded) {
    ++ok_;
    failing_ = false;
    return;
  }
  ++failed_;
  if (!failing_) runs_.push_back({now_ns, now_ns, 0});
  failing_ = true;
  runs_.back().last_ns = now_ns;
  ++runs_.back().count;
}

std::string WriteCounts::Lines() const {
  const std::lock_guard lock(mutex_);
  std::string lines = "writes " + std::to_string(ok_) + " " + std::to_string(failed_) + "\n";
  for (const Run& run : runs_) {
    lines += "failed " + std::to_string(run.first_ns) + " " + std::to_string(run.last_ns) + " " +
             std::to_string(run.count) + "\n";
  }
  return lines;
}

CountingBinding::CountingBinding(std::unique_ptr<mixer::VolumeBinding> inner,
                                 std::shared_ptr<WriteCounts> counts,
                                 std::function<std::int64_t()> now_ns)
    : inner_(std::move(inner)), counts_(std::move(counts)), now_ns_(std::move(now_ns)) {}

bool CountingBinding::SetVolume(std::uint32_t value) {
  const bool succeeded = inner_->SetVolume(value);
  // The clock is read only for failures: a successful write costs no more
  // than the count.
  counts_->Count(succeeded, succeeded ? 0 : now_ns_());
  return succeeded;
}

void CountingBinding::Abandon() { inner_->Abandon(); }

}  // namespace bench
