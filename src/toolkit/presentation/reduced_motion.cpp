#include "toolkit/presentation/reduced_motion.h"

#include <list>
#include <utility>

namespace toolkit {

namespace {

struct Wish {
  bool reduced = false;
  std::list<std::function<void(bool)>> followers;
};

Wish& TheWish() {
  static Wish wish;
  return wish;
}

}  // namespace

bool ReducedMotion() { return TheWish().reduced; }

void SetReducedMotion(bool reduced) {
  Wish& wish = TheWish();
  if (wish.reduced == reduced) return;
  wish.reduced = reduced;
  // Telling changes no follower's handle.
  for (const auto& changed : wish.followers) changed(reduced);
}

std::shared_ptr<void> FollowReducedMotion(std::function<void(bool)> changed) {
  auto& followers = TheWish().followers;
  const auto follower = followers.insert(followers.end(), std::move(changed));
  return {nullptr, [follower](std::nullptr_t) { TheWish().followers.erase(follower); }};
}

}  // namespace toolkit
