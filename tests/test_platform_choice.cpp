// Which platforms Qt is to try, from the desktop session and the user's
// choice, read from the environment and the command line as they are.
#include <QTest>
#include <string>
#include <vector>

#include "toolkit/application/display_failure.h"

using Source = toolkit::PlatformChoice::Source;

namespace {

const char* const kSessionVariables[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY",
                                         "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP"};

// The choice with exactly these variables set (as "NAME=value") and these
// arguments after the program's name.
toolkit::PlatformChoice ChoiceIn(const std::vector<std::string>& variables,
                                 std::vector<const char*> arguments = {}) {
  for (const char* name : kSessionVariables) qunsetenv(name);
  for (const std::string& variable : variables) {
    const std::size_t equals = variable.find('=');
    qputenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str());
  }
  arguments.insert(arguments.begin(), "blargo");
  return toolkit::ChosenPlatform(static_cast<int>(arguments.size()), arguments.data());
}

}  // namespace

class PlatformChoiceTest : public QObject {
  Q_OBJECT

 private slots:
  void theSessionsDefault_data() {
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QString>("platforms");
    // GNOME: its own title bar, through Xwayland, whatever the session's
    // names around it.
    QTest::newRow("GNOME, Wayland, Xwayland")
        << QStringList{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0",
                       "XDG_CURRENT_DESKTOP=GNOME"}
        << "xcb;wayland";
    QTest::newRow("Ubuntu's GNOME") << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:1",
                                                   "XDG_CURRENT_DESKTOP=ubuntu:GNOME"}
                                    << "xcb;wayland";
    QTest::newRow("GNOME Classic") << QStringList{"XDG_SESSION_TYPE=wayland", "DISPLAY=:0",
                                                  "XDG_CURRENT_DESKTOP=GNOME-Classic:GNOME"}
                                   << "xcb;wayland";
    QTest::newRow("gnome in lower case")
        << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0", "XDG_CURRENT_DESKTOP=gnome"}
        << "xcb;wayland";
    // GNOME without Xwayland: Wayland, the only display there is.
    QTest::newRow("GNOME, no X display")
        << QStringList{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0",
                       "XDG_CURRENT_DESKTOP=GNOME"}
        << "wayland;xcb";
    // Desktops whose compositors decorate Wayland windows themselves.
    QTest::newRow("KDE, Wayland") << QStringList{"XDG_SESSION_TYPE=wayland",
                                                 "WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0",
                                                 "XDG_CURRENT_DESKTOP=KDE"}
                                  << "wayland;xcb";
    QTest::newRow("a name that only contains GNOME")
        << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0",
                       "XDG_CURRENT_DESKTOP=NotGNOMEAtAll"}
        << "wayland;xcb";
    QTest::newRow("no desktop named")
        << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"} << "wayland;xcb";
    // GNOME on X11 and no session at all: X11.
    QTest::newRow("GNOME, X11") << QStringList{"XDG_SESSION_TYPE=x11", "DISPLAY=:0",
                                               "XDG_CURRENT_DESKTOP=GNOME"}
                                << "xcb";
    QTest::newRow("nothing") << QStringList{} << "xcb";
  }
  void theSessionsDefault() {
    QFETCH(QStringList, variables);
    QFETCH(QString, platforms);
    std::vector<std::string> set;
    for (const QString& variable : variables) set.push_back(variable.toStdString());
    const toolkit::PlatformChoice choice = ChoiceIn(set);
    QCOMPARE(QString::fromStdString(choice.platforms), platforms);
    QCOMPARE(choice.source, Source::kDefault);
  }

  // In GNOME's Wayland session a user who asks for Wayland gets it.
  void theUsersChoiceWins() {
    const std::vector<std::string> gnome{"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=wayland-0",
                                         "DISPLAY=:0", "XDG_CURRENT_DESKTOP=GNOME"};
    std::vector<std::string> chosen = gnome;
    chosen.emplace_back("QT_QPA_PLATFORM=wayland");
    toolkit::PlatformChoice choice = ChoiceIn(chosen);
    QCOMPARE(choice.platforms, std::string("wayland"));
    QCOMPARE(choice.source, Source::kEnvironment);

    choice = ChoiceIn(gnome, {"-platform", "wayland"});
    QCOMPARE(choice.platforms, std::string("wayland"));
    QCOMPARE(choice.source, Source::kCommandLine);
    choice = ChoiceIn(gnome, {"--platform", "wayland:nogl"});
    QCOMPARE(choice.platforms, std::string("wayland:nogl"));
    QCOMPARE(choice.source, Source::kCommandLine);

    // The command line before the environment, and its last word counts.
    chosen.back() = "QT_QPA_PLATFORM=xcb";
    choice = ChoiceIn(chosen, {"-platform", "xcb", "-platform", "wayland"});
    QCOMPARE(choice.platforms, std::string("wayland"));
    QCOMPARE(choice.source, Source::kCommandLine);
    // "-platform" with nothing after it chooses nothing.
    choice = ChoiceIn(gnome, {"-platform"});
    QCOMPARE(choice.platforms, std::string("xcb;wayland"));
    QCOMPARE(choice.source, Source::kDefault);
  }
};

QTEST_APPLESS_MAIN(PlatformChoiceTest)
#include "test_platform_choice.moc"
