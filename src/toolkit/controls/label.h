#pragma once

#include <memory>
#include <string>

#include "toolkit/controls/twips.h"
#include "toolkit/controls/widget_on_form.h"
#include "toolkit/presentation/colour.h"
#include "toolkit/presentation/presenter.h"

class QLabel;

namespace toolkit {

class Form;
class StatusNotice;

// A text drawn straight onto the window: it has no background of its own.
// Its text is what was last set; the display shows it from the next frame.
// As the form's status, it is told to a screen reader at the notice's pace.
class Label : private Presented {
 public:
  Label(Form& form, const std::string& text, TwipsRect box);
  ~Label() override;
  Label(const Label&) = delete;
  Label& operator=(const Label&) = delete;

  void SetText(const std::string& text);
  [[nodiscard]] const std::string& Text() const;
  void SetVisible(bool visible);
  void SetForeColor(Colour colour);

 private:
  friend class Form;
  friend class HScrollBar;

  void Present() override;

  Form& form_;
  OnForm<QLabel> label_;
  std::string text_;
  std::unique_ptr<StatusNotice> status_;  // as the form's status
};

}  // namespace toolkit
