#include "toolkit/presentation/presenter.h"

#include <QObject>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "toolkit/presentation/reduced_motion.h"

namespace toolkit {

namespace {

// Long before any clock reading: the first change is never throttled.
constexpr TimePoint kLongAgo{Duration::min() / 2};
// What a screen that reports no refresh rate is taken to run at.
constexpr double kUsualRefreshHz = 60;

}  // namespace

Presenter::Presenter(QWidget* window)
    : window_(window),
      turn_(std::make_unique<QObject>()),
      alarm_(MakeAlarm()),
      frames_{&Presented::Present, FrameGap(), kLongAgo, false, {}},
      announcements_{&Presented::Announce, kAnnounceGap, kLongAgo, false, {}},
      flashes_{&Presented::Present, kCalmGap, kLongAgo, false, {}},
      motion_(FollowReducedMotion([this](bool reduced) { FollowMotion(reduced); })) {
  alarm_->OnRing([this] { Ring(); });
  FollowMotion(ReducedMotion());
}

Presenter::~Presenter() = default;

Duration Presenter::FrameGap() const {
  const QScreen* screen = window_->screen();
  double hz = screen != nullptr ? screen->refreshRate() : 0;
  if (!(hz >= 1 && hz <= 1000)) hz = kUsualRefreshHz;
  return std::chrono::duration_cast<Duration>(
      std::chrono::duration<double, std::nano>(std::chrono::seconds(1)) / hz);
}

void Presenter::Channel::PushAll() {
  // Pushing runs no handlers of the program, so the list stays as it is.
  for (Presented* control : waiting) (control->*push)();
  waiting.clear();
}

void Presenter::Take(Channel& channel, Presented* control, TimePoint now, bool may_open) {
  if (!channel.open && may_open && now - channel.last >= channel.gap) {
    channel.open = true;
    channel.last = now;
    CloseTurnLater();
    channel.PushAll();  // anything a late alarm has not pushed yet
  }
  if (channel.open) {
    std::erase(channel.waiting, control);
    (control->*channel.push)();
  } else if (std::find(channel.waiting.begin(), channel.waiting.end(), control) ==
             channel.waiting.end()) {
    channel.waiting.push_back(control);
  }
}

void Presenter::Changed(Presented* control) {
  const TimePoint now = alarm_->Now();
  Take(frames_, control, now, true);
  // What assistive technology is told shows too (a slider's new value moves
  // its thumb): it goes out only with a frame.
  Take(announcements_, control, now, frames_.open);
  Arm();
}

void Presenter::Flashed(Presented* control) {
  if (std::find(flashing_.begin(), flashing_.end(), control) == flashing_.end()) {
    flashing_.push_back(control);
  }
  if (!reduced_motion_) {
    Changed(control);
    return;
  }
  const TimePoint now = alarm_->Now();
  if (now - flashes_.last >= flashes_.gap) {
    flashes_.last = now;
    std::erase(flashes_.waiting, control);
    (control->*flashes_.push)();
  } else if (std::find(flashes_.waiting.begin(), flashes_.waiting.end(), control) ==
             flashes_.waiting.end()) {
    flashes_.waiting.push_back(control);
  }
  Arm();
}

void Presenter::FollowMotion(bool reduced) {
  if (reduced == reduced_motion_) return;
  reduced_motion_ = reduced;
  if (reduced) {
    // A flash may have just gone out, or wait for the next frame: the calm
    // pace starts now, and takes over what waits.
    flashes_.last = alarm_->Now();
    for (Presented* control : flashing_) {
      if (std::find(frames_.waiting.begin(), frames_.waiting.end(), control) ==
          frames_.waiting.end()) {
        continue;
      }
      std::erase(frames_.waiting, control);
      flashes_.waiting.push_back(control);
    }
  } else {
    const std::vector<Presented*> waiting = std::move(flashes_.waiting);
    flashes_.waiting.clear();
    for (Presented* control : waiting) Changed(control);
  }
  Arm();
}

void Presenter::Forget(Presented* control) {
  std::erase(frames_.waiting, control);
  std::erase(announcements_.waiting, control);
  std::erase(flashes_.waiting, control);
  std::erase(flashing_, control);
}

void Presenter::Flush() {
  const TimePoint now = alarm_->Now();
  for (Channel* channel : {&frames_, &announcements_, &flashes_}) {
    if (channel->waiting.empty()) continue;
    channel->last = now;
    channel->PushAll();
  }
  Arm();
}

void Presenter::CloseTurnLater() {
  if (turn_closing_) return;
  turn_closing_ = true;
  QMetaObject::invokeMethod(
      turn_.get(),
      [this] {
        turn_closing_ = false;
        frames_.open = false;
        announcements_.open = false;
      },
      Qt::QueuedConnection);
}

void Presenter::Ring() {
  armed_.reset();
  const TimePoint now = alarm_->Now();
  // The window may have moved to another screen since.
  frames_.gap = FrameGap();
  if (now - frames_.last >= frames_.gap) {
    const bool announce =
        !announcements_.waiting.empty() && now - announcements_.last >= announcements_.gap;
    if (!frames_.waiting.empty() || announce) {
      frames_.last = now;
      frames_.PushAll();
    }
    if (announce) {
      announcements_.last = now;
      announcements_.PushAll();
    }
  }
  if (!flashes_.waiting.empty() && now - flashes_.last >= flashes_.gap) {
    flashes_.last = now;
    flashes_.PushAll();
  }
  Arm();
}

void Presenter::Arm() {
  const TimePoint next_frame = frames_.last + frames_.gap;
  std::optional<TimePoint> due;
  if (!frames_.waiting.empty()) due = next_frame;
  if (!announcements_.waiting.empty()) {
    const TimePoint next = std::max(announcements_.last + announcements_.gap, next_frame);
    due = due ? std::min(*due, next) : next;
  }
  if (!flashes_.waiting.empty()) {
    const TimePoint next = flashes_.last + flashes_.gap;
    due = due ? std::min(*due, next) : next;
  }
  if (due == armed_) return;
  armed_ = due;
  if (due) {
    alarm_->Set(*due);
  } else {
    alarm_->Cancel();
  }
}

}  // namespace toolkit
