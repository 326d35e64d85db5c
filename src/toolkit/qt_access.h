#pragma once

// For tests: the Qt objects behind the toolkit's controls, so they can be
// driven with real mouse and key events and inspected as a user sees them.

class QWidget;
class QTimer;

namespace toolkit {

class CommandButton;
class Form;
class HScrollBar;
class Label;
class LineShape;
class Timer;

QWidget* WidgetOf(const Form& form);
QWidget* WidgetOf(const CommandButton& button);
QWidget* WidgetOf(const Label& label);
QWidget* WidgetOf(const HScrollBar& bar);
QWidget* WidgetOf(const LineShape& line);
// The Qt timer behind a timer: the clock it shares with the others of its interval.
QTimer* TimerOf(const Timer& timer);

}  // namespace toolkit
