#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/controls/twips.h"
#include "toolkit/presentation/colour.h"

class QWidget;

namespace toolkit {

class CommandButton;
class FormWidget;
class Label;
struct FormLayout;
class Presenter;

// A top-level window of fixed client size. Controls are created on it and
// live as long as it does.
class Form {
 public:
  Form(const std::string& caption, int client_width_twips, int client_height_twips);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Raised once, after the controls exist and before the window is first shown.
  void OnLoad(std::function<void()> handler);
  // Raises the load notification on the first call, then shows the window.
  // The first time, the window is drawn as large as the desktop's font asks,
  // or smaller, all in proportion, where that would not fit the screen's free
  // area with its frame; then it is centred on that area. From then on it is
  // fitted again whenever the desktop's font, its screen, or that screen's
  // size, free area or font DPI changes.
  void Show();

  // Returns exactly the value last set; the display shows it from the next
  // frame on.
  [[nodiscard]] Colour BackColor() const;
  void SetBackColor(Colour colour);

  // The window's icon, which also becomes the program's icon.
  void SetIcon(const std::string& path);

  // Escape clicks this button while it is visible (the window's cancel button).
  void SetCancelButton(const CommandButton& button);

  // The label whose text a screen reader speaks whenever the text changes,
  // whatever has the focus: the window's status, named for what it is ("Volume
  // level").
  void SetStatusLabel(Label& label, const std::string& name = "Status");

 private:
  friend class CommandButton;
  friend class Label;
  friend class HScrollBar;
  friend class LineShape;
  friend class WidgetOnForm;

  [[nodiscard]] QWidget* Widget() const;
  [[nodiscard]] FormLayout& Layout() const;
  [[nodiscard]] Presenter& Pacer() const;
  // The background colour on the screen now, which may trail BackColor() by
  // a frame: what a control's focus ring must stand out from.
  [[nodiscard]] Colour ShownBackColor() const;

  FormWidget* widget_;
  std::unique_ptr<Presenter> pacer_;
  std::function<void()> load_;
  bool shown_ = false;
};

}  // namespace toolkit
