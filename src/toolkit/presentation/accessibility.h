#pragma once

class QWidget;

namespace toolkit {

// What assistive technology (screen readers, through AT-SPI) is told about a
// form beyond what Qt works out for itself.

// The form is a frame named by its caption, and lists only the controls that
// carry meaning: parts marked decorative are left out. Call it before
// anything that makes Qt create the form's accessible object (setting its
// title does, on Qt 6.8): Qt asks for the role only then. A screen reader is
// also told again which control has the focus when Qt starts talking to it
// and when the form is first activated, so that it never hears the window
// alone.
void ExposeAsFrame(QWidget* form);
void MarkDecorative(QWidget* part);

}  // namespace toolkit
