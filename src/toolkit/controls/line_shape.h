#pragma once

#include "toolkit/controls/twips.h"
#include "toolkit/controls/widget_on_form.h"
#include "toolkit/presentation/colour.h"

class QWidget;

namespace toolkit {

class Form;

// A straight line drawn on the window; it takes no input.
class LineShape {
 public:
  LineShape(Form& form, TwipsPoint from, TwipsPoint to, Colour colour);
  ~LineShape();
  LineShape(const LineShape&) = delete;
  LineShape& operator=(const LineShape&) = delete;

  void SetVisible(bool visible);
  [[nodiscard]] bool Visible() const;

 private:
  OnForm<QWidget> widget_;
};

}  // namespace toolkit
