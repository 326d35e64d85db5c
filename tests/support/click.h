#pragma once

#include <QTest>

#include "toolkit/application/test_seam.h"
#include "toolkit/controls/command_button.h"

// A left click on a button, as a user makes it.
inline void Click(const toolkit::CommandButton& button) {
  QTest::mouseClick(toolkit::WidgetOf(button), Qt::LeftButton);
}
