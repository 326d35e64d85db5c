#pragma once

#include <functional>
#include <string>

#include "toolkit/controls/twips.h"
#include "toolkit/controls/widget_on_form.h"

class QPushButton;

namespace toolkit {

class Form;

class CommandButton {
 public:
  CommandButton(Form& form, const std::string& caption, TwipsRect box, int tab_index);
  ~CommandButton();
  CommandButton(const CommandButton&) = delete;
  CommandButton& operator=(const CommandButton&) = delete;

  // Raised on a mouse click or keyboard activation of the visible button:
  // Space, Return or keypad Enter while it has the focus.
  void OnClick(std::function<void()> handler);

  // A hidden button is not drawn and can be neither clicked nor focused.
  void SetVisible(bool visible);
  // Gives the button the keyboard focus; it must be visible.
  void SetFocus();

 private:
  friend class Form;

  OnForm<QPushButton> button_;
  std::function<void()> click_;
};

}  // namespace toolkit
