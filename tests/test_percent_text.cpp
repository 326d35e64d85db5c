// The label's percent text and the decimal text the ramp keeps its level in.
#include <QTest>

#include "window/decimal_text.h"
#include "window/percent_text.h"

class PercentTextTest : public QObject {
  Q_OBJECT

 private slots:
  void everyLevelTheWindowWritesShowsItsWholePercent() {
    // Sliders and presets give 0..100; a clamped ramp step gives 100 too.
    for (int percent = 0; percent <= 100; ++percent) {
      QCOMPARE(PercentText(percent * 660), std::to_string(percent) + "%");
    }
  }

  void levelsBetweenWholePercentsKeepTheirFraction() {
    QCOMPARE(PercentText(330), std::string("0.5%"));
    QCOMPARE(PercentText(-660), std::string("-1%"));
  }

  void textReadsBackAsTheNumberItStartsWith() {
    QCOMPARE(TextValue("95"), 95.0);
    QCOMPARE(TextValue(" 60"), 60.0);
    QCOMPARE(TextValue("-5"), -5.0);
    QCOMPARE(TextValue("2.5e1"), 25.0);
    QCOMPARE(TextValue("75%"), 75.0);
    QCOMPARE(TextValue(""), 0.0);
    QCOMPARE(TextValue("loud"), 0.0);
    for (double value : {0.0, 5.0, 100.0, 105.0, 1.0 / 3.0}) {
      QCOMPARE(TextValue(NumberText(value)), value);
    }
  }
};

QTEST_APPLESS_MAIN(PercentTextTest)
#include "test_percent_text.moc"
