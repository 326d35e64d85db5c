#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "toolkit/time/alarm.h"

class QObject;
class QWidget;

namespace toolkit {

// A control as the presenter sees it: state of its own, kept at once, and
// the widget that shows it and speaks it, brought up to date on request.
class Presented {
 public:
  Presented() = default;
  virtual ~Presented() = default;
  Presented(const Presented&) = delete;
  Presented& operator=(const Presented&) = delete;

  // Brings what the display shows up to the latest state.
  virtual void Present() = 0;
  // Brings what assistive technology is told up to the latest state.
  virtual void Announce() {}
};

// Paces what a window's controls push out. A control keeps its state at
// once and reports a change here; its pixels go to the display at most once
// per frame of the window's screen, and what assistive technology hears at
// most once per kAnnounceGap, with a frame: at 1,000 changes a second, a repaint for
// each would cost most of a core for frames the screen never shows, and an
// event for each would bury a screen reader. (The form's status is told at
// a pace of its own, for speech: see StatusNotice.)
//
// Both are throttled on the leading edge: a change after a quiet spell goes
// out at once, together with whatever else changes before the event loop
// comes round again (the rest of a click's handler); changes after that wait
// for the end of the frame or the gap and go out as one, in their latest
// state. So a click is seen and heard on the next frame, and a burst shows
// every frame and speaks a few times a second, never an outdated state.
//
// A change that repaints the whole window in a new colour (its background)
// is a flash. Where the desktop asks for reduced motion, flashes go out at
// most once per kCalmGap, on their own pace, so no second shows more than
// three: the threshold above which flashing is a seizure risk. The control
// keeps its state at once all the same; only the screen is held back.
class Presenter {
 public:
  static constexpr Duration kAnnounceGap = std::chrono::milliseconds(200);
  // A little over a third of a second, so that even a span of one second
  // closed at both ends holds no fourth flash; and not a whole number of
  // five-colour cycles at the timers' 1 ms, where every flash would show
  // the same colour: each shows the colour after the last one.
  static constexpr Duration kCalmGap = std::chrono::milliseconds(351);

  explicit Presenter(QWidget* window);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  void Changed(Presented* control);
  // A change of `control` that flashes the whole window.
  void Flashed(Presented* control);
  // A control that goes away; nothing of it is pushed any more.
  void Forget(Presented* control);
  // Pushes everything that waits, now.
  void Flush();
  // The time the window's pacing runs on.
  [[nodiscard]] TimePoint Now() const { return alarm_->Now(); }

 private:
  struct Channel {
    void (Presented::*push)();
    Duration gap;
    TimePoint last;
    bool open = false;  // pushing at once until the event loop comes round
    std::vector<Presented*> waiting;

    void PushAll();
  };

  [[nodiscard]] Duration FrameGap() const;
  void Take(Channel& channel, Presented* control, TimePoint now, bool may_open);
  void CloseTurnLater();
  void Ring();
  void Arm();
  void FollowMotion(bool reduced);

  QWidget* window_;
  std::unique_ptr<QObject> turn_;  // context of the posted end-of-turn call
  std::unique_ptr<Alarm> alarm_;
  Channel frames_;
  Channel announcements_;
  Channel flashes_;  // while motion is reduced
  std::vector<Presented*> flashing_;
  bool reduced_motion_ = false;
  std::shared_ptr<void> motion_;
  std::optional<TimePoint> armed_;
  bool turn_closing_ = false;
};

}  // namespace toolkit
