// What the command line asks for, read before Qt sees it.
#include <QTest>

#include "main/command_line.h"

using Action = CommandLine::Action;

class CommandLineTest : public QObject {
  Q_OBJECT

  static Action ActionOf(std::vector<std::string> arguments) {
    return ReadCommandLine(arguments).action;
  }

 private slots:
  void nothingMeansRun() { QCOMPARE(ActionOf({}), Action::kRun); }

  void helpAndVersionWinWherever() {
    QCOMPARE(ActionOf({"--help"}), Action::kHelp);
    QCOMPARE(ActionOf({"-h"}), Action::kHelp);
    QCOMPARE(ActionOf({"--version"}), Action::kVersion);
    QCOMPARE(ActionOf({"-v"}), Action::kVersion);
    QCOMPARE(ActionOf({"-style", "fusion", "--version"}), Action::kVersion);
    QCOMPARE(ActionOf({"--bogus", "--help"}), Action::kHelp);
  }

  void qtsOwnOptionsPass() {
    QCOMPARE(ActionOf({"-platform", "offscreen"}), Action::kRun);
    QCOMPARE(ActionOf({"-style=fusion", "--stylesheet=a.qss"}), Action::kRun);
    QCOMPARE(ActionOf({"--style", "fusion", "-reverse"}), Action::kRun);
    QCOMPARE(ActionOf({"-qwindowgeometry", "100x100+0+0", "-qmljsdebugger=port:1234"}),
             Action::kRun);
    // A Qt option's value is not taken for an argument of ours.
    QCOMPARE(ActionOf({"-display", ":1"}), Action::kRun);
  }

  // Qt reads "-platform wayland" but passes over "-platform=wayland" and
  // starts on its default platform: that choice would be silently lost.
  void aQtOptionInAFormQtIgnoresIsAnError() {
    const CommandLine platform = ReadCommandLine({"-platform=wayland"});
    QCOMPARE(platform.action, Action::kError);
    QCOMPARE(platform.error, std::string("Qt reads '-platform wayland', not '-platform=wayland'"));
    const CommandLine display = ReadCommandLine({"--display=:1"});
    QCOMPARE(display.action, Action::kError);
    QCOMPARE(display.error, std::string("Qt reads '-display :1', not '--display=:1'"));
  }

  void anythingElseIsAnError() {
    const CommandLine unknown = ReadCommandLine({"--loud"});
    QCOMPARE(unknown.action, Action::kError);
    QCOMPARE(unknown.error, std::string("unknown option '--loud'"));
    QCOMPARE(ActionOf({"-x"}), Action::kError);
    QCOMPARE(ActionOf({"--"}), Action::kError);
    QCOMPARE(ActionOf({"-helpme"}), Action::kError);
    const CommandLine positional = ReadCommandLine({"75"});
    QCOMPARE(positional.action, Action::kError);
    QVERIFY(positional.error.find("'75'") != std::string::npos);
    QVERIFY(positional.error.find('\n') == std::string::npos);
  }
};

QTEST_APPLESS_MAIN(CommandLineTest)
#include "test_command_line.moc"
