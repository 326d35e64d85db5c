#include "toolkit/controls/widget_on_form.h"

#include <QWidget>

#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"

namespace toolkit {

WidgetOnForm::WidgetOnForm(Form& form, QWidget* widget) : form_(form), widget_(widget) {}

WidgetOnForm::~WidgetOnForm() {
  form_.Layout().Forget(widget_);
  delete widget_;
}

}  // namespace toolkit
