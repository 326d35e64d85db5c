#pragma once

#include <functional>
#include <string>

#include "toolkit/controls/twips.h"
#include "toolkit/controls/widget_on_form.h"
#include "toolkit/presentation/presenter.h"

namespace toolkit {

class Form;
class Label;
class ScrollBarWidget;

// A horizontal scroll bar whose value runs from `minimum` at the left end to
// `maximum` at the right; arrows, track clicks and arrow keys move it by 1.
// Its value is what was last set; the thumb shows it from the next frame,
// and assistive technology reads it at once and, while the bar has the
// focus, hears of each change as the window's presenter paces it.
class HScrollBar : private Presented {
 public:
  HScrollBar(Form& form, TwipsRect box, int tab_index, int minimum, int maximum);
  ~HScrollBar() override;
  HScrollBar(const HScrollBar&) = delete;
  HScrollBar& operator=(const HScrollBar&) = delete;

  // Raised when the user changes the value (arrow, track, key, or release of
  // the thumb after a drag; never during the drag), and when code sets a value
  // other than the current one. For a code set the handler runs to completion
  // inside SetValue.
  void OnChange(std::function<void()> handler);

  [[nodiscard]] int Value() const;
  // Throws ToolkitError for a value outside minimum..maximum.
  void SetValue(int value);
  [[nodiscard]] int Minimum() const;
  [[nodiscard]] int Maximum() const;

  void SetAccessibleName(const std::string& name);
  // The label that names the bar on screen; screen readers announce the bar
  // as labelled by it.
  void SetLabel(const Label& label);

 private:
  void Present() override;
  void Announce() override;

  Form& form_;
  OnForm<ScrollBarWidget> bar_;
  std::function<void()> change_;
};

}  // namespace toolkit
