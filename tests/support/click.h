#pragma once

#include <QTest>

#include "support/widget_of.h"
#include "toolkit/controls/command_button.h"

// A left click on a button, as a user makes it.
inline void Click(const toolkit::CommandButton& button) {
  QTest::mouseClick(toolkit::WidgetOf(button), Qt::LeftButton);
}
