#include "toolkit/display_failure.h"

#include <QByteArray>
#include <QDir>
#include <QLibraryInfo>
#include <QList>
#include <QStringList>

namespace toolkit {

namespace {

QByteArray Environment(const char* name) { return qgetenv(name); }

// The platforms Qt tries, in its order: those QT_QPA_PLATFORM names, or else
// Wayland in a Wayland session and X always.
QList<QByteArray> PlatformsTried() {
  const QByteArray chosen = Environment("QT_QPA_PLATFORM");
  if (!chosen.isEmpty()) {
    QList<QByteArray> platforms;
    for (const QByteArray& platform : chosen.split(';')) {
      platforms << platform.left(platform.indexOf(':'));  // without its options
    }
    return platforms;
  }
  if (!Environment("WAYLAND_DISPLAY").isEmpty() || Environment("XDG_SESSION_TYPE") == "wayland") {
    return {"wayland", "xcb"};
  }
  return {"xcb"};
}

bool HasWaylandPlugin() {
  QStringList folders{QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms"};
  for (const QString& folder : QString::fromLocal8Bit(Environment("QT_PLUGIN_PATH")).split(':')) {
    if (!folder.isEmpty()) folders << folder + "/platforms";
  }
  const QString platform_folder =
      QString::fromLocal8Bit(Environment("QT_QPA_PLATFORM_PLUGIN_PATH"));
  if (!platform_folder.isEmpty()) folders << platform_folder;
  for (const QString& folder : folders) {
    if (!QDir(folder).entryList({"*qwayland*"}, QDir::Files).isEmpty()) return true;
  }
  return false;
}

std::string WhyNotWayland() {
  QByteArray display = Environment("WAYLAND_DISPLAY");
  if (display.isEmpty()) display = "wayland-0";
  if (!HasWaylandPlugin()) {
    return "the Wayland display \"" + display.toStdString() +
           "\" needs Qt's Wayland platform plugin, which is not installed (install the package "
           "qt6-wayland, or set QT_QPA_PLATFORM=xcb)";
  }
  return "cannot open the Wayland display \"" + display.toStdString() + "\"";
}

std::string WhyNotX() {
  const QByteArray display = Environment("DISPLAY");
  if (display.isEmpty()) return "no X display to open (DISPLAY is not set)";
  return "cannot open the X display \"" + display.toStdString() + "\"";
}

}  // namespace

std::string WhyNoDisplay() {
  std::string reason;
  for (const QByteArray& platform : PlatformsTried()) {
    std::string part;
    if (platform.startsWith("wayland")) {
      part = WhyNotWayland();
    } else if (platform == "xcb") {
      part = WhyNotX();
    } else {
      part = "cannot start Qt's \"" + platform.toStdString() + "\" platform";
    }
    reason += (reason.empty() ? "" : "; ") + part;
  }
  return reason;
}

}  // namespace toolkit
