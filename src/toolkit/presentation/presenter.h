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
  virtual void Announce() = 0;
};

// Paces what a window's controls push out. A control keeps its state at
// once and reports a change here; its pixels go to the display at most once
// per frame of the window's screen, and what assistive technology hears at
// most once per kAnnounceGap, with a frame: at 1,000 changes a second, a repaint for
// each would cost most of a core for frames the screen never shows, and an
// event for each would bury a screen reader.
//
// Both are throttled on the leading edge: a change after a quiet spell goes
// out at once, together with whatever else changes before the event loop
// comes round again (the rest of a click's handler); changes after that wait
// for the end of the frame or the gap and go out as one, in their latest
// state. So a click is seen and heard on the next frame, and a burst shows
// every frame and speaks a few times a second, never an outdated state.
class Presenter {
 public:
  static constexpr Duration kAnnounceGap = std::chrono::milliseconds(200);

  explicit Presenter(QWidget* window);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  void Changed(Presented* control);
  // A control that goes away; nothing of it is pushed any more.
  void Forget(Presented* control);
  // Pushes everything that waits, now.
  void Flush();

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

  QWidget* window_;
  std::unique_ptr<QObject> turn_;  // context of the posted end-of-turn call
  std::unique_ptr<Alarm> alarm_;
  Channel frames_;
  Channel announcements_;
  std::optional<TimePoint> armed_;
  bool turn_closing_ = false;
};

}  // namespace toolkit
