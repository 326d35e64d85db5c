#pragma once

#include <functional>
#include <string>

// The Qt objects behind the toolkit's controls, so that tests can drive them
// with real mouse and key events and inspect them as a user sees them.

class QWidget;

namespace toolkit {

class CommandButton;
class Form;
class HScrollBar;
class Label;
class LineShape;

QWidget* WidgetOf(const Form& form);
QWidget* WidgetOf(const CommandButton& button);
QWidget* WidgetOf(const Label& label);
QWidget* WidgetOf(const HScrollBar& bar);
QWidget* WidgetOf(const LineShape& line);
// Pushes every change the form holds back for its next frame to the widgets
// now, as the next frame would, so that a test can look at them at once.
void PresentNow(const Form& form);
// Runs `told` with each status text the form tells a screen reader, heard
// as one hears it: from Qt's accessibility events, which it turns on.
void OnStatusTold(const Form& form, std::function<void(const std::string&)> told);

}  // namespace toolkit
