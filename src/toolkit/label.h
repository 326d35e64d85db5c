#pragma once

#include <string>

#include "toolkit/colour.h"
#include "toolkit/twips.h"

class QLabel;

class QWidget;

namespace toolkit {

class Form;

// A text drawn straight onto the window: it has no background of its own.
class Label {
 public:
  Label(Form& form, const std::string& text, TwipsRect box, int tab_index);
  ~Label();
  Label(const Label&) = delete;
  Label& operator=(const Label&) = delete;

  void SetText(const std::string& text);
  [[nodiscard]] std::string Text() const;
  void SetVisible(bool visible);
  [[nodiscard]] bool Visible() const;
  void SetForeColor(Colour colour);

 private:
  friend class Form;
  friend class HScrollBar;
  friend QWidget* WidgetOf(const Label& label);

  Form& form_;
  QLabel* label_;
};

}  // namespace toolkit
