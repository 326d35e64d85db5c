#include "toolkit/application/display_failure.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPluginLoader>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <string_view>

namespace toolkit {

namespace {

// A platform as Qt names it, without its ":options".
QString NameOf(const QString& platform) { return platform.section(':', 0, 0).trimmed(); }

// The folders Qt looks in for a platform plugin, as it looks.
QStringList PlatformFolders() {
  QStringList folders;
  const QString platform_folder = QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM_PLUGIN_PATH"));
  if (!platform_folder.isEmpty()) folders << platform_folder;
  for (const QString& folder : QCoreApplication::libraryPaths()) folders << folder + "/platforms";
  return folders;
}

// The platforms the installed plugins offer, by the keys each plugin's
// metadata gives (read without loading it), sorted.
QStringList InstalledPlatforms() {
  QStringList names;
  for (const QString& folder : PlatformFolders()) {
    const QDir dir(folder);
    for (const QString& file : dir.entryList(QDir::Files)) {
      const QPluginLoader plugin(dir.filePath(file));
      const QJsonArray keys =
          plugin.metaData().value("MetaData").toObject().value("Keys").toArray();
      for (const auto& key : keys) {
        const QString name = key.toString().toLower();
        if (!name.isEmpty() && !names.contains(name)) names << name;
      }
    }
  }
  names.sort();
  return names;
}

// XDG_CURRENT_DESKTOP lists the desktop's names, most specific first
// ("ubuntu:GNOME", "GNOME-Classic:GNOME").
bool InGnome() {
  const QStringList names = QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP")).split(':');
  return std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
    return name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0;
  });
}

// Built in steps: GCC 12 warns falsely (-Wrestrict) of an overlap in
// "\"" + string&& at -O3.
std::string Quoted(const QString& text) {
  std::string quoted = "\"";
  quoted += text.toStdString();
  quoted += '"';
  return quoted;
}

// What went wrong with one platform, and for the platforms a desktop session
// picks by itself, what the user can do about it.
std::string WhyNot(const QString& name, const QStringList& installed,
                   const std::string& qt_message) {
  const bool has_wayland =
      std::any_of(installed.cbegin(), installed.cend(),
                  [](const QString& key) { return key.startsWith(QLatin1String("wayland")); });
  if (name.startsWith("wayland")) {
    QByteArray display = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty()) display = "wayland-0";
    if (!has_wayland) {
      return "the Wayland display \"" + display.toStdString() +
             "\" needs Qt's Wayland platform plugin, which is not installed (install the package "
             "qt6-wayland, or set QT_QPA_PLATFORM=xcb)";
    }
    return "cannot open the Wayland display \"" + display.toStdString() +
           "\" (is a Wayland compositor running in this session?)";
  }
  if (name == "xcb") {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
      return "no X display to open (DISPLAY is not set: start blargo from a desktop session)";
    }
    return "cannot open the X display \"" + display.toStdString() +
           "\" (is its X server running, and does it let this user in?)";
  }
  if (!installed.isEmpty() && !installed.contains(name, Qt::CaseInsensitive)) {
    return "Qt has no " + Quoted(name) + " platform";
  }
  // Qt's own words are all there is to say about the rest.
  const QString said = QString::fromStdString(qt_message).section('\n', 0, 0).trimmed();
  return said.isEmpty() ? "Qt gave no reason" : "Qt says " + Quoted(said);
}

}  // namespace

PlatformChoice ChosenPlatform(int argc, const char* const* argv) {
  // Qt reads the last "-platform NAME" it is given; "-platform=NAME" is not
  // one of its forms.
  PlatformChoice choice;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-platform" || argument == "--platform") {
      choice = {argv[++i], PlatformChoice::Source::kCommandLine};
    }
  }
  if (choice.source == PlatformChoice::Source::kCommandLine) return choice;

  const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
  if (!chosen.isEmpty()) return {chosen.toStdString(), PlatformChoice::Source::kEnvironment};
  if (!qgetenv("WAYLAND_DISPLAY").isEmpty() || qgetenv("XDG_SESSION_TYPE") == "wayland") {
    // GNOME draws no title bar for Wayland clients, and Qt's own stand-in
    // looks like no GNOME window and offers to maximise a fixed-size one;
    // through Xwayland the window gets GNOME's own title bar, as every X11
    // program there does.
    if (InGnome() && !qgetenv("DISPLAY").isEmpty()) {
      return {"xcb;wayland", PlatformChoice::Source::kDefault};
    }
    return {"wayland;xcb", PlatformChoice::Source::kDefault};
  }
  return {"xcb", PlatformChoice::Source::kDefault};
}

std::string WhyNoDisplay(const PlatformChoice& choice, const std::string& qt_message) {
  const QStringList installed = InstalledPlatforms();
  std::string reason;
  QStringList names;
  for (const QString& platform : QString::fromStdString(choice.platforms).split(';')) {
    const QString name = NameOf(platform);
    if (name.isEmpty()) continue;
    names << QString::fromStdString(Quoted(name));
    reason += (reason.empty() ? "" : "; ") + WhyNot(name, installed, qt_message);
  }
  if (choice.source == PlatformChoice::Source::kDefault) return reason;

  // A platform the user chose is named as they chose it, and so is the way
  // to choose another.
  const bool by_option = choice.source == PlatformChoice::Source::kCommandLine;
  std::string advice = by_option ? "leave out -platform, or give it another platform"
                                 : "unset QT_QPA_PLATFORM, or set it to another platform";
  if (!installed.isEmpty()) advice += " (installed: " + installed.join(", ").toStdString() + ")";
  const std::string chooser = by_option ? "-platform" : "QT_QPA_PLATFORM";
  if (names.isEmpty()) return chooser + " names no platform; " + advice;
  const std::string named = names.size() == 1 ? names.front().toStdString() + " platform"
                                              : names.join(" and ").toStdString() + " platforms";
  return "Qt's " + named + ", chosen " + (by_option ? "with " : "by ") + chooser +
         ", did not start: " + reason + "; " + advice;
}

}  // namespace toolkit
