// The window and manual volume control, driven with real mouse and key
// events on the offscreen platform, writing to a recording mixer.
#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <memory>

#include "support/click.h"
#include "support/event_wait.h"
#include "support/recording_mixer.h"
#include "support/scroll_bar_parts.h"
#include "support/text_size.h"
#include "support/widget_of.h"
#include "window/form1.h"

using toolkit::WidgetOf;
using Levels = std::vector<std::int32_t>;

namespace {

// The status texts the window tells a screen reader, in order.
struct Heard {
  QStringList texts;
  explicit Heard(const toolkit::Form& form) {
    toolkit::OnStatusTold(
        form, [this](const std::string& text) { texts.append(QString::fromStdString(text)); });
  }
};

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Form1> form_;

  QScrollBar* Slider() const { return qobject_cast<QScrollBar*>(WidgetOf(form_->VScroll1)); }

 private slots:
  void init() {
    recording_mixer::Clear();
    recording_mixer::SetAccepting(true);
    form_ = std::make_unique<Form1>();
    form_->Show();
    QVERIFY(QTest::qWaitForWindowExposed(WidgetOf(*form_)));
  }
  void cleanup() { form_.reset(); }

  void startsInNormalModeWithoutTouchingTheMixer() {
    QCOMPARE(WidgetOf(*form_)->windowTitle(), QString("bLaRgO v1.01"));
    QCOMPARE(form_->Label1.Text(), std::string("??%"));
    QCOMPARE(form_->VScroll1.Value(), 0);
    QCOMPARE(form_->BackColor(), toolkit::Colour{0});
    QCOMPARE(form_->RampLevel, std::string("0"));
    QVERIFY(recording_mixer::Levels().empty());
    for (const auto* button : {&form_->Command1, &form_->Command2, &form_->Command3,
                               &form_->Command4, &form_->Command5, &form_->Command6}) {
      QVERIFY(WidgetOf(*button)->isVisible());
    }
    QVERIFY(WidgetOf(form_->Line1)->isVisible());
    QVERIFY(!form_->Timer1.Enabled() && !form_->Timer2.Enabled() && !form_->Timer3.Enabled());
  }

  void loadRunsOnceBeforeTheFirstShow() {
    Form1 fresh;
    QCOMPARE(fresh.RampLevel, std::string());
    QVERIFY(!WidgetOf(fresh)->isVisible());
    fresh.Show();
    QCOMPARE(fresh.RampLevel, std::string("0"));
    fresh.RampLevel = "60";
    fresh.Show();
    QCOMPARE(fresh.RampLevel, std::string("60"));
  }

  void stopButtonCannotBeSeenFocusedOrClicked() {
    QWidget* stop = WidgetOf(form_->Command7);
    QVERIFY(!stop->isVisible());
    QWidget* window = WidgetOf(*form_);
    QVERIFY(window->childAt(stop->geometry().center()) != stop);
    for (int i = 0; i < 12; ++i) {
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window,
                      Qt::Key_Tab);
      QVERIFY(QApplication::focusWidget() != stop);
    }
  }

  void tabOrderFollowsTheTabColumn() {
    // Labels take no focus; Command7 is hidden.
    QList<QWidget*> expected{WidgetOf(form_->VScroll1), WidgetOf(form_->Command1),
                             WidgetOf(form_->Command2), WidgetOf(form_->Command3),
                             WidgetOf(form_->Command4), WidgetOf(form_->Command5),
                             WidgetOf(form_->Command6)};
    expected.first()->setFocus();
    for (qsizetype i = 1; i < expected.size() * 2; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), expected[i % expected.size()]);
    }
  }

  void presetsWriteTheirLevelAndShowIt_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("slider");
    QTest::addColumn<QString>("label");
    QTest::newRow("MUTE") << 3 << 0 << "0%";
    QTest::newRow("SET 25%") << 4 << 25 << "25%";
    QTest::newRow("SET 50%") << 1 << 50 << "50%";
    QTest::newRow("SET 75%") << 5 << 75 << "75%";
    QTest::newRow("SET100%") << 2 << 100 << "100%";
  }
  void presetsWriteTheirLevelAndShowIt() {
    QFETCH(int, button);
    QFETCH(int, slider);
    QFETCH(QString, label);
    const toolkit::CommandButton* buttons[] = {nullptr,          &form_->Command1,
                                               &form_->Command2, &form_->Command3,
                                               &form_->Command4, &form_->Command5};
    form_->VScroll1.SetValue(10);  // from elsewhere, so every preset moves the slider
    recording_mixer::Clear();

    Click(*buttons[button]);
    const std::int32_t level = slider * 660;
    // Once from the slider's change handler, once from the click itself.
    QCOMPARE(recording_mixer::Levels(), (Levels{level, level}));
    QCOMPARE(form_->VScroll1.Value(), slider);
    QCOMPARE(QString::fromStdString(form_->Label1.Text()), label);
  }

  void presetAtTheSlidersValueWritesOnce() {
    Click(form_->Command1);
    Click(form_->Command1);
    QCOMPARE(recording_mixer::Levels(), (Levels{33000, 33000, 33000}));
    Click(form_->Command3);  // MUTE from 50: moves, so twice
    Click(form_->Command3);
    QCOMPARE(recording_mixer::Levels(), (Levels{33000, 33000, 33000, 0, 0, 0}));
  }

  void aRefusedWriteStillShowsTheLevel() {
    recording_mixer::SetAccepting(false);
    Click(form_->Command5);
    QCOMPARE(form_->Label1.Text(), std::string("75%"));
    QCOMPARE(form_->VScroll1.Value(), 75);
  }

  void arrowsTrackAndKeysMoveTheSliderByOne() {
    QScrollBar* bar = Slider();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      ScrollBarPart(bar, QStyle::SC_ScrollBarAddLine).center());
    QCOMPARE(recording_mixer::Levels(), Levels{660});
    QCOMPARE(form_->Label1.Text(), std::string("1%"));
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      ScrollBarPart(bar, QStyle::SC_ScrollBarAddPage).center());
    QCOMPARE(form_->VScroll1.Value(), 2);
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    QTest::keyClick(bar, Qt::Key_Left);
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(recording_mixer::Levels(), (Levels{660, 1320, 1980, 1320, 660}));
    QCOMPARE(form_->Label1.Text(), std::string("1%"));
  }

  void aThumbDragWritesOnlyOnRelease() {
    QScrollBar* bar = Slider();
    const QPoint grab = ScrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, grab);
    for (int dx = 10; dx <= 120; dx += 10) QTest::mouseMove(bar, grab + QPoint(dx, 0));
    QVERIFY(bar->isSliderDown());
    QVERIFY(bar->sliderPosition() > 0);
    QVERIFY(recording_mixer::Levels().empty());
    QCOMPARE(form_->Label1.Text(), std::string("??%"));

    QTest::mouseRelease(bar, Qt::LeftButton, {}, grab + QPoint(120, 0));
    const int value = form_->VScroll1.Value();
    QVERIFY(value > 0);
    QCOMPARE(recording_mixer::Levels(), Levels{value * 660});
    QCOMPARE(form_->Label1.Text(), std::to_string(value) + "%");
  }

  void everyControlSitsWhereAUserMeasuresIt() {
    // In logical pixels, whatever the device pixel ratio (QT_SCALE_FACTOR):
    // left, top, width and height as read off a screenshot at scale 1.
    QCOMPARE(WidgetOf(*form_)->devicePixelRatioF(),
             qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    QCOMPARE(WidgetOf(*form_)->size(), QSize(689, 445));
    QCOMPARE(WidgetOf(form_->Label2)->geometry(), QRect(200, 160, 89, 17));
    QCOMPARE(WidgetOf(form_->Label1)->geometry(), QRect(240, 160, 89, 17));
    QCOMPARE(WidgetOf(form_->VScroll1)->geometry(), QRect(200, 176, 281, 17));
    QCOMPARE(WidgetOf(form_->Command3)->geometry(), QRect(192, 200, 57, 25));
    QCOMPARE(WidgetOf(form_->Command4)->geometry(), QRect(248, 200, 65, 25));
    QCOMPARE(WidgetOf(form_->Command1)->geometry(), QRect(312, 200, 57, 25));
    QCOMPARE(WidgetOf(form_->Command5)->geometry(), QRect(368, 200, 65, 25));
    QCOMPARE(WidgetOf(form_->Command2)->geometry(), QRect(432, 200, 57, 25));
    QCOMPARE(WidgetOf(form_->Line1)->geometry(), QRect(192, 232, 297, 1));
    QCOMPARE(WidgetOf(form_->Command6)->geometry(), QRect(216, 240, 249, 25));
    QCOMPARE(WidgetOf(form_->Command7)->geometry(), QRect(8, 408, 65, 33));
    QCOMPARE(WidgetOf(form_->Label5)->geometry(), QRect(575, 392, 106, 13));
    QCOMPARE(WidgetOf(form_->Label4)->geometry(), QRect(575, 408, 106, 13));
    QCOMPARE(WidgetOf(form_->Label3)->geometry(), QRect(554, 424, 127, 13));
  }

  void everyTextFitsItsBoxAndVolumeStopsShortOfThePercentage() {
    const auto* volume = qobject_cast<QLabel*>(WidgetOf(form_->Label2));
    const int room = WidgetOf(form_->Label1)->x() - volume->x();
    QVERIFY(QFontMetrics(volume->font()).horizontalAdvance(volume->text()) < room);
    for (const auto* label :
         {&form_->Label1, &form_->Label2, &form_->Label3, &form_->Label4, &form_->Label5}) {
      const auto* widget = qobject_cast<QLabel*>(WidgetOf(*label));
      const QFontMetrics metrics(widget->font());
      QVERIFY2(metrics.horizontalAdvance(widget->text()) <= widget->width(),
               qPrintable(widget->text()));
      QVERIFY2(metrics.height() <= widget->height(), qPrintable(widget->text()));
      // At least 7 of the screen's own pixels.
      QVERIFY(TextPixels(widget) * widget->devicePixelRatioF() >= 7 - 1e-6);
    }
    for (const auto* button :
         {&form_->Command1, &form_->Command2, &form_->Command3, &form_->Command4, &form_->Command5,
          &form_->Command6, &form_->Command7}) {
      const auto* widget = qobject_cast<QPushButton*>(WidgetOf(*button));
      const QFontMetrics metrics(widget->font());
      QVERIFY2(metrics.horizontalAdvance(widget->text()) < widget->width() - 4,
               qPrintable(widget->text()));
      QVERIFY2(metrics.height() < widget->height() - 4, qPrintable(widget->text()));
    }
  }

  void everyControlHasANameAScreenReaderCanSpeak() {
    const auto spoken = [](const auto& control) {
      QAccessibleInterface* face = QAccessible::queryAccessibleInterface(WidgetOf(control));
      return face != nullptr ? face->text(QAccessible::Name) : QString();
    };
    QCOMPARE(spoken(form_->VScroll1), QString("Volume"));
    QCOMPARE(spoken(form_->Label2), QString("Volume :"));
    QCOMPARE(spoken(form_->Label1), QString("??%"));
    QCOMPARE(spoken(form_->Command3), QString("MUTE"));
    QCOMPARE(spoken(form_->Command4), QString("SET 25%"));
    QCOMPARE(spoken(form_->Command1), QString("SET 50%"));
    QCOMPARE(spoken(form_->Command5), QString("SET 75%"));
    QCOMPARE(spoken(form_->Command2), QString("SET100%"));
    QCOMPARE(spoken(form_->Command6), QString("PLAY BABY!!!"));
    QCOMPARE(spoken(form_->Command7), QString("STOP DEVIL!!!"));
    // The percentage is read out as it changes, at most a few times a second.
    Click(form_->Command5);
    EventsUntil([&] { return spoken(form_->Label1) == QString("75%"); });
    QCOMPARE(spoken(form_->Label1), QString("75%"));
    QCOMPARE(QAccessible::queryAccessibleInterface(WidgetOf(form_->VScroll1))->role(),
             QAccessible::ScrollBar);
    QCOMPARE(QAccessible::queryAccessibleInterface(WidgetOf(form_->Command5))->role(),
             QAccessible::Button);
  }

  void theKeyboardAloneSetsTheVolume() {
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    // The focus starts on the slider, first in the tab order.
    QCOMPARE(QApplication::focusWidget(), WidgetOf(form_->VScroll1));
    for (int i = 0; i < 5; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), WidgetOf(form_->Command5));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(recording_mixer::Levels(), (Levels{49500, 49500}));
    QCOMPARE(form_->Label1.Text(), std::string("75%"));

    for (int i = 0; i < 5; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), WidgetOf(form_->VScroll1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(recording_mixer::Levels(), (Levels{49500, 49500, 76 * 660}));
    QCOMPARE(form_->Label1.Text(), std::string("76%"));
  }

  void returnAndKeypadEnterPressTheFocusedButton() {
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    WidgetOf(form_->Command5)->setFocus();
    QTest::keyClick(WidgetOf(form_->Command5), Qt::Key_Return);
    QCOMPARE(recording_mixer::Levels(), (Levels{49500, 49500}));
    WidgetOf(form_->Command4)->setFocus();
    QTest::keyClick(WidgetOf(form_->Command4), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(recording_mixer::Levels(), (Levels{49500, 49500, 16500, 16500}));
    QCOMPARE(form_->Label1.Text(), std::string("25%"));
  }

  void theFocusFollowsPartyModeSoTheSameKeyStopsIt() {
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget* play = WidgetOf(form_->Command6);
    QWidget* stop = WidgetOf(form_->Command7);
    play->setFocus();
    QTest::keyClick(play, Qt::Key_Space);
    QVERIFY(form_->Timer1.Enabled());
    QCOMPARE(QApplication::focusWidget(), stop);
    QTest::keyClick(stop, Qt::Key_Space);
    QVERIFY(!form_->Timer1.Enabled() && !form_->Timer2.Enabled() && !form_->Timer3.Enabled());
    QCOMPARE(QApplication::focusWidget(), play);
    QTest::keyClick(play, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), stop);
    QTest::keyClick(stop, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), play);
  }

  // A right-to-left desktop language (as Qt's -reverse sets it) mirrors
  // nothing, whether it is set before the window opens or while it is open:
  // the window is drawn pixel for pixel as in a left-to-right one, captions as
  // written, 0 stays at the slider's left end and Right raises the level.
  void aRightToLeftDesktopMirrorsNothing() {
    const QImage left_to_right = WidgetOf(*form_)->grab().toImage();
    const auto restore = qScopeGuard([] { QGuiApplication::setLayoutDirection(Qt::LeftToRight); });
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    QApplication::processEvents();
    QVERIFY(WidgetOf(*form_)->grab().toImage() == left_to_right);
    form_.reset();
    form_ = std::make_unique<Form1>();
    form_->Show();
    QVERIFY(QTest::qWaitForWindowExposed(WidgetOf(*form_)));
    QCOMPARE(QGuiApplication::layoutDirection(), Qt::RightToLeft);
    QVERIFY(WidgetOf(*form_)->grab().toImage() == left_to_right);
    QCOMPARE(WidgetOf(form_->Command6)->layoutDirection(), Qt::LeftToRight);

    QScrollBar* bar = Slider();
    const auto thumb = [bar] { return ScrollBarPart(bar, QStyle::SC_ScrollBarSlider); };
    const int at_zero = thumb().center().x();
    QVERIFY2(at_zero < bar->width() / 4, "at 0 the thumb is not at the left end");
    // The arrow at the right end raises the level.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    QCOMPARE(form_->VScroll1.Value(), 1);
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(form_->VScroll1.Value(), 2);
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(recording_mixer::Levels(), (Levels{660, 1320, 660}));
    QCOMPARE(form_->Label1.Text(), std::string("1%"));
    form_->VScroll1.SetValue(100);
    toolkit::PresentNow(*form_);
    QVERIFY2(thumb().center().x() > bar->width() * 3 / 4,
             "at 100 the thumb is not at the right end");
  }

  void aScreenReaderFindsAFrameALabelledSliderAndAStatusBar() {
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(WidgetOf(*form_));
    QCOMPARE(frame->role(), QAccessible::Window);
    QCOMPARE(frame->text(QAccessible::Name), QString("bLaRgO v1.01"));
    // Line1 is left out; every other control is there, then the status bar.
    QCOMPARE(frame->childCount(), 14);
    for (int i = 0; i < frame->childCount(); ++i) {
      QVERIFY(frame->child(i)->object() != WidgetOf(form_->Line1));
      QCOMPARE(frame->indexOfChild(frame->child(i)), i);
      QCOMPARE(frame->child(i)->parent(), frame);
    }
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(Slider());
    const auto labels = slider->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->text(QAccessible::Name), QString("Volume :"));

    QAccessibleInterface* bar = frame->child(13);
    QCOMPARE(bar->role(), QAccessible::StatusBar);
    QCOMPARE(bar->text(QAccessible::Name), QString("Volume level"));
    QCOMPARE(bar->childCount(), 1);
    QAccessibleInterface* notice = bar->child(0);
    QCOMPARE(notice->role(), QAccessible::Notification);
    QCOMPARE(notice->parent(), bar);
    QCOMPARE(bar->indexOfChild(notice), 0);
    // Nothing has been told yet: the label's first text.
    QCOMPARE(notice->text(QAccessible::Name), QString("??%"));
    // Every object in the tree says what it is.
    const std::function<void(QAccessibleInterface*)> named = [&](QAccessibleInterface* object) {
      QVERIFY2(!object->text(QAccessible::Name).isEmpty(),
               qPrintable(QString("an object of role %1 has no name").arg(object->role())));
      for (int i = 0; i < object->childCount(); ++i) named(object->child(i));
    };
    named(frame);
    // Where the level is drawn.
    QCOMPARE(notice->rect(), QRect(WidgetOf(form_->Label1)->mapToGlobal(QPoint(0, 0)),
                                   WidgetOf(form_->Label1)->size()));
    // Buttons no longer carry the level as their description.
    QCOMPARE(QAccessible::queryAccessibleInterface(WidgetOf(form_->Command5))
                 ->text(QAccessible::Description),
             QString());
  }

  void aScreenReaderHearsEveryLevelAsItIsSet() {
    Heard heard(*form_);
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget* set75 = WidgetOf(form_->Command5);
    set75->setFocus();
    QTest::keyClick(set75, Qt::Key_Space);
    EventsUntil([&] { return heard.texts == QStringList({"75%"}); });
    QCOMPARE(heard.texts, QStringList({"75%"}));
    // The same level again is heard again: the press was not lost.
    QTest::keyClick(set75, Qt::Key_Return);
    EventsUntil([&] { return heard.texts == QStringList({"75%", "75%"}); });
    QCOMPARE(heard.texts, QStringList({"75%", "75%"}));
    Click(form_->Command3);
    EventsUntil([&] { return heard.texts == QStringList({"75%", "75%", "0%"}); });
    QCOMPARE(heard.texts, QStringList({"75%", "75%", "0%"}));
    QTest::keyClick(Slider(), Qt::Key_Right);
    EventsUntil([&] { return heard.texts.size() == 4; });
    QCOMPARE(heard.texts.size(), 4);
    QCOMPARE(heard.texts.last(), QString("1%"));
  }

  void afterPartyModeTheLevelHeardIsTheLevelShown() {
    Heard heard(*form_);
    QWidget* window = WidgetOf(*form_);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget* play = WidgetOf(form_->Command6);
    play->setFocus(Qt::TabFocusReason);  // as the user tabbed there
    QTest::keyClick(play, Qt::Key_Space);
    QVERIFY(form_->Timer1.Enabled());
    // Once every two seconds while it runs.
    QTest::qWait(2500);
    const qsizetype during = heard.texts.size();
    QVERIFY2(during >= 2 && during <= 5, qPrintable(heard.texts.join(' ')));
    // The focus moved to STOP DEVIL!!! is not told the level from before the
    // ramp started.
    QVERIFY2(heard.texts.first() != "??%", qPrintable(heard.texts.join(' ')));
    QTest::keyClick(WidgetOf(form_->Command7), Qt::Key_Space);
    QVERIFY(!form_->Timer1.Enabled() && !form_->Timer2.Enabled());
    const QString shown = QString::fromStdString(form_->Label1.Text());
    QVERIFY(EventsUntil([&] { return heard.texts.size() > during; }));
    QTest::qWait(1500);
    for (qsizetype i = during; i < heard.texts.size(); ++i) QCOMPARE(heard.texts.at(i), shown);
  }

  void windowAndProgramCarryTheIcon() {
    const QIcon icon = WidgetOf(*form_)->windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(48, 48).size(), QSize(48, 48));
    QVERIFY(!QApplication::windowIcon().isNull());
  }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
