#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>

#include "toolkit/time/alarm.h"

class QEvent;
class QWidget;

namespace toolkit {

// Tells a screen reader a form's status text (the volume level here) each
// time it changes, whatever control has the focus: as a notification in a
// status bar of the form. Orca 43 speaks a notification when it shows, and
// speaks one in a status bar by its text alone. The name and description
// change events of Qt 6.4 carry the object instead of the new text, which
// Orca 43 cannot speak, and a description heard only with the focused
// control may be one the label has left behind. From Qt 6.8 the text is an
// announcement of the notification instead, which Orca 48 speaks alone,
// where it says a notification shown with its role.
//
// It is the only pace of the status on its way to a screen reader, the
// label's own name included. A listener needs time to hear each text: after
// a change after a quiet spell, which goes out at once, the next goes out
// no sooner than kGap later, in the latest text, so a burst (party mode)
// speaks once every two seconds, never a text the label had already left
// when it was told, and leaves no backlog in the speech queue (espeak-ng at
// its usual rate takes 1.4 s for "85%"). A key press or a mouse click makes
// the screen reader stop speaking, so the change that follows one goes out
// at once (once the key or button is up: what it does may come with the
// release), and the user who sets the text the label already shows hears
// it again. A text still waiting when the focus moves goes out right after
// the new control is presented; where the program moves the focus, the text
// is told again.
class StatusNotice : public QObject {
 public:
  static constexpr Duration kGap = std::chrono::seconds(2);
  // How long after the program moves the focus the status is told again.
  static constexpr Duration kSettle = std::chrono::milliseconds(50);

  // A notice on `form` for the label `status`, showing `text`, which it
  // names from now on; `name` says what the status is ("Volume level"): a
  // screen reader's review of the window reads it beside the status.
  StatusNotice(QWidget* form, QWidget* status, const QString& text, QString name);
  ~StatusNotice() override;
  StatusNotice(const StatusNotice&) = delete;
  StatusNotice& operator=(const StatusNotice&) = delete;

  // The status text changed to `text`.
  void Changed(const QString& text);
  // The status text was set to the text it had.
  void SetAgain();
  // The text the screen reader was last told.
  [[nodiscard]] QString Told() const { return told_; }
  [[nodiscard]] const QWidget* Status() const { return status_; }
  [[nodiscard]] QString Name() const { return name_; }
  // The status bar and the notification in it, as accessibility objects.
  [[nodiscard]] QObject* Bar() const { return bar_; }
  [[nodiscard]] QObject* Notice() const { return notice_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Tells the latest text at once or as soon as its pace allows.
  void Pace();
  // Tells the latest text at `until`, or at the key's release after it.
  void Wait(TimePoint until);
  // Tells the latest text, if it is new or `again_`.
  void Tell();

  QWidget* status_;
  QString name_;
  QObject* bar_;
  QObject* notice_;
  std::unique_ptr<Alarm> alarm_;
  QString latest_;
  QString told_;
  TimePoint told_at_;
  std::uint64_t tells_ = 0;
  bool waiting_ = false;
  bool again_ = false;  // to be told even if the text is the one told
  bool input_ = false;  // a key or button pressed since the last tell
  bool held_ = false;   // a key or button down
};

// The form's status notice, if it has one.
StatusNotice* StatusNoticeOf(const QWidget* form);

}  // namespace toolkit
