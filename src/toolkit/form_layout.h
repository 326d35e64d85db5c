#pragma once

#include <QWidget>
#include <vector>

namespace toolkit {

// What a form keeps of its controls to arrange them before the first show:
// the tab order and the texts whose fonts must fit their boxes.
struct FormLayout {
  struct TabStop {
    int tab_index;
    QWidget* widget;
  };
  enum class TextKind { kLabel, kButton };
  struct TextBox {
    TextKind kind;
    QWidget* widget;
  };

  std::vector<TabStop> tab_stops;
  std::vector<TextBox> text_boxes;

  void AddTabStop(int tab_index, QWidget* widget) { tab_stops.push_back({tab_index, widget}); }
  void AddText(TextKind kind, QWidget* widget) { text_boxes.push_back({kind, widget}); }
  void Forget(QWidget* widget);

  // Applies the tab order and picks the fonts; run once before the first show.
  void Arrange(QWidget* form) const;
};

}  // namespace toolkit
