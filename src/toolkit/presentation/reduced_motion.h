#pragma once

#include <functional>
#include <memory>

namespace toolkit {

// Whether the desktop asks for less motion: false until its settings say
// so, and where they cannot be read. The desktop's settings are followed by
// the application (application/desktop_motion.*); a test sets it itself.
// GUI thread only.
[[nodiscard]] bool ReducedMotion();
// Tells every follower when the wish changes.
void SetReducedMotion(bool reduced);
// Calls `changed` with each new wish until the returned handle is let go.
[[nodiscard]] std::shared_ptr<void> FollowReducedMotion(std::function<void(bool)> changed);

}  // namespace toolkit
