#pragma once

#include "toolkit/controls/twips.h"
#include "toolkit/controls/widget_on_form.h"
#include "toolkit/presentation/colour.h"

class QWidget;

namespace toolkit {

class Form;

// A horizontal or vertical line drawn on the window; it takes no input.
// Throws ToolkitError for a slanted one.
class LineShape {
 public:
  LineShape(Form& form, TwipsPoint from, TwipsPoint to, Colour colour);
  ~LineShape();
  LineShape(const LineShape&) = delete;
  LineShape& operator=(const LineShape&) = delete;

  void SetVisible(bool visible);

 private:
  OnForm<QWidget> widget_;
};

}  // namespace toolkit
