#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;

namespace toolkit {

// What a form keeps of its controls to arrange them before the first show:
// the tab order, the texts whose fonts must fit their boxes, and where each
// control sits in the layout, so the whole form can be drawn at any scale.
struct FormLayout {
  struct TabStop {
    int tab_index;
    QWidget* widget;
  };
  struct Place {
    QWidget* widget;
    QRect box;  // at scale 1
  };

  std::vector<TabStop> tab_stops;
  std::vector<QPushButton*> buttons;
  std::vector<QLabel*> labels;
  std::vector<Place> places;  // learnt from the controls on the first arrangement
  QSize size;                 // the form's, at scale 1

  void AddTabStop(int tab_index, QWidget* widget) { tab_stops.push_back({tab_index, widget}); }
  void AddText(QPushButton* button) { buttons.push_back(button); }
  void AddText(QLabel* label) { labels.push_back(label); }
  void Forget(QWidget* widget);

  // Applies the tab order, places the form and its controls `scale` times
  // as large as laid out, and picks the fonts. Runs before the first show,
  // and again whenever the scale must change.
  void Arrange(QWidget* form, double scale);

 private:
  void PickFonts(const QWidget* form, double scale) const;
  [[nodiscard]] int LaidOutHeight(const QWidget* widget) const;
};

}  // namespace toolkit
