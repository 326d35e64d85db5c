#pragma once

#include <pulse/operation.h>

namespace mixer {

// Owns one reference to a libpulse request. Letting go of a request that is
// still running cancels it first, so its callback can never reach an object
// that is gone.
class PulseOperation {
 public:
  explicit PulseOperation(pa_operation* operation) : operation_(operation) {}
  ~PulseOperation() {
    if (operation_ == nullptr) return;
    if (Running()) pa_operation_cancel(operation_);
    pa_operation_unref(operation_);
  }
  PulseOperation(const PulseOperation&) = delete;
  PulseOperation& operator=(const PulseOperation&) = delete;

  // False when libpulse could not even send the request.
  [[nodiscard]] bool Sent() const { return operation_ != nullptr; }
  [[nodiscard]] bool Running() const {
    return operation_ != nullptr && pa_operation_get_state(operation_) == PA_OPERATION_RUNNING;
  }

 private:
  pa_operation* operation_;
};

}  // namespace mixer
