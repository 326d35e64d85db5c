#include "toolkit/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace toolkit {

namespace {

constexpr const char* kFrameProperty = "blargo_frame";
constexpr const char* kDecorativeProperty = "blargo_decorative";

QList<QWidget*> MeaningfulChildren(const QWidget* form) {
  QList<QWidget*> children;
  for (QObject* object : form->children()) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || widget->isWindow() || widget->property(kDecorativeProperty).toBool()) {
      continue;
    }
    children.append(widget);
  }
  return children;
}

// Qt exposes a plain top-level widget as a filler; a form is the program's frame.
class FrameAccessible : public QAccessibleWidget {
 public:
  explicit FrameAccessible(QWidget* form) : QAccessibleWidget(form, QAccessible::Window) {}

  [[nodiscard]] int childCount() const override {
    return static_cast<int>(MeaningfulChildren(widget()).size());
  }
  [[nodiscard]] QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> children = MeaningfulChildren(widget());
    if (index < 0 || index >= children.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(children.at(index));
  }
  [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    return static_cast<int>(MeaningfulChildren(widget()).indexOf(child->object()));
  }
};

QAccessibleInterface* Factory(const QString& /*class_name*/, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget != nullptr && widget->property(kFrameProperty).toBool()) {
    return new FrameAccessible(widget);
  }
  return nullptr;
}

// Keeps the status text on whichever control of the form has the focus, and
// only there: a control that loses the focus loses the description.
class StatusDescriber : public QObject {
 public:
  StatusDescriber(QWidget* form, const QLabel* status)
      : QObject(form), form_(form), status_(status) {
    QObject::connect(qApp, &QApplication::focusChanged, this, [this] { Describe(); });
  }

  [[nodiscard]] const QLabel* Status() const { return status_; }

  void Describe() {
    QWidget* focus = form_->focusWidget();
    if (described_ != nullptr && described_ != focus) described_->setAccessibleDescription({});
    described_ = focus;
    if (focus == nullptr || status_ == nullptr) return;
    // Every set is an accessibility event; send one only for a real change.
    // The status as assistive technology was last told it, which may lag the
    // pixels: it is paced to what a listener can follow.
    const QString told = status_->accessibleName();
    if (const QString text = told.isEmpty() ? status_->text() : told;
        focus->accessibleDescription() != text) {
      focus->setAccessibleDescription(text);
    }
  }

 private:
  QWidget* form_;
  QPointer<const QLabel> status_;
  QPointer<QWidget> described_;
};

StatusDescriber* DescriberOf(const QWidget* form) {
  const QObjectList& children = form->children();
  const auto found = std::find_if(children.begin(), children.end(), [](QObject* child) {
    return dynamic_cast<StatusDescriber*>(child) != nullptr;
  });
  return found != children.end() ? dynamic_cast<StatusDescriber*>(*found) : nullptr;
}

}  // namespace

void ExposeAsFrame(QWidget* form) {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
  form->setProperty(kFrameProperty, true);
}

void MarkDecorative(QWidget* part) { part->setProperty(kDecorativeProperty, true); }

void SetStatusText(QWidget* form, const QLabel* status) {
  delete DescriberOf(form);
  (new StatusDescriber(form, status))->Describe();
}

void StatusTextShown(const QLabel* status) {
  StatusDescriber* describer = DescriberOf(status->window());
  if (describer != nullptr && describer->Status() == status) describer->Describe();
}

}  // namespace toolkit
