// A scroll bar's pictures: each look painted once, and a bar that moves
// never shows a place it has left.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include "toolkit/application/test_seam.h"
#include "toolkit/controls/bar_pictures.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/scroll_bar.h"

namespace {

toolkit::BarLook LookAt(int position) {
  toolkit::BarLook look;
  look.size = QSize(40, 10);
  look.maximum = 100;
  look.position = position;
  look.value = position;
  return look;
}

// The colour a painter at `position` fills its picture with, to tell the
// pictures apart.
QColor ColourOf(int position) { return QColor(position, 255 - position, 0); }

}  // namespace

class BarPicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void eachLookIsPaintedOnceAndTheOldestMakesWayOnceFull() {
    toolkit::BarPictures pictures(2);
    int painted = 0;
    const auto show = [&](int position) {
      const QPixmap& picture = pictures.For(LookAt(position), [&](QPainter& painter) {
        ++painted;
        painter.fillRect(QRect(0, 0, 40, 10), ColourOf(position));
      });
      return picture.toImage().pixelColor(5, 5);
    };
    QCOMPARE(show(30), ColourOf(30));
    QCOMPARE(show(35), ColourOf(35));
    QCOMPARE(show(30), ColourOf(30));
    QCOMPARE(show(35), ColourOf(35));
    QCOMPARE(painted, 2);
    // Full: 40 takes the place of the oldest, 30.
    QCOMPARE(show(40), ColourOf(40));
    QCOMPARE(painted, 3);
    QCOMPARE(show(35), ColourOf(35));
    QCOMPARE(painted, 3);
    QCOMPARE(show(30), ColourOf(30));
    QCOMPARE(painted, 4);
    QCOMPARE(pictures.Held(), std::size_t{2});
  }

  void aPictureIsPaintedAtTheScreensPixelRatio() {
    toolkit::BarPictures pictures(1);
    toolkit::BarLook look = LookAt(0);
    look.pixel_ratio = 2;
    const QPixmap& picture = pictures.For(
        look, [](QPainter& painter) { painter.fillRect(QRect(0, 0, 40, 10), Qt::red); });
    QCOMPARE(picture.size(), QSize(80, 20));
    QCOMPARE(picture.toImage().pixelColor(79, 19), QColor(Qt::red));
  }

  // The thumb drawn where it was last put, after every other place, and the
  // same as at first when it comes back.
  void aMovedBarShowsItsThumbWhereItIsNow() {
    toolkit::Form form("t", 3000, 1000);
    toolkit::HScrollBar bar(form, {0, 0, 3000, 255}, 0, 0, 100);
    form.Show();
    auto* widget = static_cast<QScrollBar*>(toolkit::WidgetOf(bar));
    const auto shown = [widget](int position) {
      widget->setSliderPosition(position);
      return widget->grab().toImage();
    };
    const QImage at30 = shown(30);
    const QImage at95 = shown(95);
    QVERIFY(at30 != at95);
    for (int position = 30; position <= 95; position += 5) {
      const QImage image = shown(position);
      QVERIFY2(position == 30 || image != at30, qPrintable(QString::number(position)));
      QVERIFY2(position == 95 || image != at95, qPrintable(QString::number(position)));
    }
    QCOMPARE(shown(30), at30);
    QCOMPARE(shown(95), at95);
  }
};

QTEST_MAIN(BarPicturesTest)
#include "test_bar_pictures.moc"
