#pragma once
// A fresh, shown Form1 for each test, writing to the recording mixer, with
// time standing still unless the test moves it: real ticks would race a test
// that steps the timers itself.

#include <QTest>
#include <memory>

#include "support/recording_mixer.h"
#include "support/stepped_clock.h"
#include "support/widget_of.h"
#include "window/form1.h"

class SteppedWindow {
 protected:
  // Forgets the writes recorded so far, then makes and shows the window.
  // True once it is on the screen.
  bool OpenWindow() {
    recording_mixer::Clear();
    time_ = std::make_unique<SteppedClock>();
    form_ = std::make_unique<Form1>();
    form_->Show();
    return QTest::qWaitForWindowExposed(toolkit::WidgetOf(*form_));
  }
  void CloseWindow() {
    form_.reset();
    time_.reset();
  }

  std::unique_ptr<SteppedClock> time_;
  std::unique_ptr<Form1> form_;
};
