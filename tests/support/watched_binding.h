#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

#include "mixer/system/volume_binding.h"

// Hands every write on to a real binding and counts the writes begun, so a
// test can wait until the mixer thread is inside one before it moves a
// clock: on a busy machine the thread may take a while to pick a level up.
class WatchedBinding final : public mixer::VolumeBinding {
 public:
  WatchedBinding(std::unique_ptr<mixer::VolumeBinding> inner,
                 std::shared_ptr<std::atomic<int>> begun)
      : inner_(std::move(inner)), begun_(std::move(begun)) {}

  bool SetVolume(std::uint32_t value) override {
    ++*begun_;
    return inner_->SetVolume(value);
  }
  void Abandon() override { inner_->Abandon(); }

 private:
  std::unique_ptr<mixer::VolumeBinding> inner_;
  std::shared_ptr<std::atomic<int>> begun_;
};
