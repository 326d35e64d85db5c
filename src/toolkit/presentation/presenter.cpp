#include "toolkit/presentation/presenter.h"

#include <QObject>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace toolkit {

namespace {

constexpr std::int64_t kNsPerS = 1'000'000'000;
// Long before any clock reading: the first change is never throttled.
constexpr std::int64_t kLongAgo = std::numeric_limits<std::int64_t>::min() / 2;
// What a screen that reports no refresh rate is taken to run at.
constexpr double kUsualRefreshHz = 60;

}  // namespace

Presenter::Presenter(QWidget* window)
    : window_(window),
      turn_(std::make_unique<QObject>()),
      alarm_(MakeAlarm()),
      frames_{&Presented::Present, FrameGapNs(), kLongAgo, false, {}},
      announcements_{&Presented::Announce, kAnnounceGapNs, kLongAgo, false, {}} {
  alarm_->OnRing([this] { Ring(); });
}

Presenter::~Presenter() = default;

std::int64_t Presenter::FrameGapNs() const {
  const QScreen* screen = window_->screen();
  double hz = screen != nullptr ? screen->refreshRate() : 0;
  if (!(hz >= 1 && hz <= 1000)) hz = kUsualRefreshHz;
  return static_cast<std::int64_t>(static_cast<double>(kNsPerS) / hz);
}

void Presenter::Channel::PushAll() {
  // Pushing runs no handlers of the program, so the list stays as it is.
  for (Presented* control : waiting) (control->*push)();
  waiting.clear();
}

void Presenter::Take(Channel& channel, Presented* control, std::int64_t now, bool may_open) {
  if (!channel.open && may_open && now - channel.last_ns >= channel.gap_ns) {
    channel.open = true;
    channel.last_ns = now;
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
  const std::int64_t now = alarm_->Now();
  Take(frames_, control, now, true);
  // What assistive technology is told shows too (a slider's new value moves
  // its thumb): it goes out only with a frame.
  Take(announcements_, control, now, frames_.open);
  Arm();
}

void Presenter::Forget(Presented* control) {
  std::erase(frames_.waiting, control);
  std::erase(announcements_.waiting, control);
}

void Presenter::Flush() {
  const std::int64_t now = alarm_->Now();
  for (Channel* channel : {&frames_, &announcements_}) {
    if (channel->waiting.empty()) continue;
    channel->last_ns = now;
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
  armed_ns_ = -1;
  const std::int64_t now = alarm_->Now();
  // The window may have moved to another screen since.
  frames_.gap_ns = FrameGapNs();
  if (now - frames_.last_ns < frames_.gap_ns) {
    Arm();
    return;
  }
  const bool announce =
      !announcements_.waiting.empty() && now - announcements_.last_ns >= announcements_.gap_ns;
  if (!frames_.waiting.empty() || announce) {
    frames_.last_ns = now;
    frames_.PushAll();
  }
  if (announce) {
    announcements_.last_ns = now;
    announcements_.PushAll();
  }
  Arm();
}

void Presenter::Arm() {
  const std::int64_t next_frame = frames_.last_ns + frames_.gap_ns;
  std::int64_t due = frames_.waiting.empty() ? -1 : next_frame;
  if (!announcements_.waiting.empty()) {
    const std::int64_t next = std::max(announcements_.last_ns + announcements_.gap_ns, next_frame);
    due = due < 0 ? next : std::min(due, next);
  }
  if (due == armed_ns_) return;
  armed_ns_ = due;
  if (due < 0) {
    alarm_->Cancel();
  } else {
    alarm_->Set(due);
  }
}

}  // namespace toolkit
