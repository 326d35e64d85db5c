#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "mixer/system/volume_binding.h"

// A volume binding the test controls: it can be held (a write then blocks
// until released, as one waiting on a frozen server does), made to fail, and
// made to ignore being abandoned (as one stuck inside a library call does).
// Its state outlives the binding, so a test can still watch a mixer thread
// that was left behind.
class StandInBinding final : public mixer::VolumeBinding {
 public:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint32_t> started;  // every level the binding was asked for
    std::vector<std::uint32_t> applied;  // every level it confirmed
    bool held = false;
    bool failing = false;
    bool ignores_abandon = false;
    bool abandoned = false;
    bool destroyed = false;

    void Set(bool State::*flag, bool value) {
      const std::lock_guard lock(mutex);
      this->*flag = value;
      changed.notify_all();
    }
    // Waits (in real time, generously) until `done` holds.
    template <typename Done>
    bool WaitFor(Done done) {
      std::unique_lock lock(mutex);
      return changed.wait_for(lock, std::chrono::seconds(10), done);
    }
    std::vector<std::uint32_t> Started() {
      const std::lock_guard lock(mutex);
      return started;
    }
    std::vector<std::uint32_t> Applied() {
      const std::lock_guard lock(mutex);
      return applied;
    }
  };

  explicit StandInBinding(std::shared_ptr<State> state) : state_(std::move(state)) {}
  ~StandInBinding() override { state_->Set(&State::destroyed, true); }
  StandInBinding(const StandInBinding&) = delete;
  StandInBinding& operator=(const StandInBinding&) = delete;

  bool SetVolume(std::uint32_t value) override {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    s.started.push_back(value);
    s.changed.notify_all();
    s.changed.wait(lock, [&s] { return !s.held || (s.abandoned && !s.ignores_abandon); });
    if (s.failing || (s.abandoned && !s.ignores_abandon)) return false;
    s.applied.push_back(value);
    s.changed.notify_all();
    return true;
  }

  void Abandon() override { state_->Set(&State::abandoned, true); }

 private:
  std::shared_ptr<State> state_;
};
