#pragma once

#include <QTest>
#include <chrono>

#include "support/threaded_call.h"

// Runs the event loop until `done` holds, or hang scale passes; true when it
// held. In place of Qt's QTRY_ macros, which from Qt 6.8 narrow a 64-bit
// count to int inside the macro, in the test's own code, where the stricter
// warnings stop the build.
template <typename Done>
bool EventsUntil(Done done, std::chrono::milliseconds give_up_after = kHangScale) {
  const auto give_up = std::chrono::steady_clock::now() + give_up_after;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    QTest::qWait(5);
  }
  return true;
}
