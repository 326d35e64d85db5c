#pragma once

class QWidget;

namespace toolkit {

class Form;

// Owns the one Qt widget a control puts on its form. The form's layout
// forgets the widget before it is deleted, so a form that outlives one of its
// controls never arranges or reads a widget that is gone.
class WidgetOnForm {
 public:
  WidgetOnForm(Form& form, QWidget* widget);
  ~WidgetOnForm();
  WidgetOnForm(const WidgetOnForm&) = delete;
  WidgetOnForm& operator=(const WidgetOnForm&) = delete;

  [[nodiscard]] QWidget* Get() const { return widget_; }

 private:
  Form& form_;
  QWidget* widget_;
};

// The same, typed as the control's own kind of widget.
template <typename Widget>
class OnForm : public WidgetOnForm {
 public:
  OnForm(Form& form, Widget* widget) : WidgetOnForm(form, widget) {}

  [[nodiscard]] Widget* get() const { return static_cast<Widget*>(Get()); }
  Widget* operator->() const { return get(); }
};

}  // namespace toolkit
