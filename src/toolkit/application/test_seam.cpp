#include "toolkit/application/test_seam.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include "toolkit/controls/command_button.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/line_shape.h"
#include "toolkit/controls/scroll_bar.h"
#include "toolkit/presentation/presenter.h"
#include "toolkit/presentation/status_notice.h"

namespace toolkit {

QWidget* WidgetOf(const Form& form) { return form.Widget(); }
QWidget* WidgetOf(const CommandButton& button) { return button.button_.get(); }
QWidget* WidgetOf(const Label& label) { return label.label_.get(); }
QWidget* WidgetOf(const HScrollBar& bar) { return bar.bar_.get(); }
QWidget* WidgetOf(const LineShape& line) { return line.widget_.get(); }
void PresentNow(const Form& form) { form.Pacer().Flush(); }
void OnStatusTold(const Form& form, std::function<void(const std::string&)> told) {
  StatusNotice* notice = StatusNoticeOf(WidgetOf(form));
  if (notice == nullptr) return;
  notice->OnTold([told = std::move(told)](const QString& text) { told(text.toStdString()); });
}

}  // namespace toolkit
