#include "toolkit/application/x11_desktop_file.h"

#include <QByteArray>
#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QPlatformSurfaceEvent>
#include <QWindow>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace toolkit {

namespace {

#if QT_CONFIG(xcb)
// Writes the properties when Qt has made a window's X11 window: before it is
// mapped, so the window manager reads them as it takes the window on.
class X11DesktopFileFilter : public QObject {
 public:
  X11DesktopFileFilter(xcb_connection_t* connection, QByteArray name)
      : connection_(connection), name_(std::move(name)) {
    // The three names are asked for together, then their answers awaited:
    // one round trip to the X server, once.
    static constexpr std::array<const char*, 3> kNames = {"_KDE_NET_WM_DESKTOP_FILE",
                                                          "_GTK_APPLICATION_ID", "UTF8_STRING"};
    std::array<xcb_intern_atom_cookie_t, 3> cookies{};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      cookies.at(i) = xcb_intern_atom(
          connection_, 0, static_cast<std::uint16_t>(std::strlen(kNames.at(i))), kNames.at(i));
    }
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookies.at(i), nullptr);
      if (reply != nullptr) atoms_.at(i) = reply->atom;
      std::free(reply);  // NOLINT(cppcoreguidelines-no-malloc): xcb's replies are malloc'ed
    }
  }

  [[nodiscard]] bool Usable() const {
    for (const xcb_atom_t atom : atoms_) {
      if (atom == XCB_ATOM_NONE) return false;
    }
    return true;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::PlatformSurface && watched->isWindowType() &&
        static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceCreated) {
      Name(static_cast<xcb_window_t>(static_cast<QWindow*>(watched)->winId()));
    }
    return false;
  }

 private:
  void Name(xcb_window_t window) {
    const xcb_atom_t utf8 = atoms_.at(2);
    for (std::size_t i = 0; i < 2; ++i) {
      xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atoms_.at(i), utf8, 8,
                          static_cast<std::uint32_t>(name_.size()), name_.constData());
    }
    xcb_flush(connection_);
  }

  xcb_connection_t* connection_;
  QByteArray name_;
  std::array<xcb_atom_t, 3> atoms_{};
};
#endif

}  // namespace

std::unique_ptr<QObject> NameDesktopFileOnX11Windows(
    [[maybe_unused]] const std::string& desktop_file) {
#if QT_CONFIG(xcb)
  if (desktop_file.empty()) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return nullptr;
  auto filter = std::make_unique<X11DesktopFileFilter>(x11->connection(),
                                                       QByteArray::fromStdString(desktop_file));
  if (!filter->Usable()) return nullptr;
  qGuiApp->installEventFilter(filter.get());
  return filter;
#else
  return nullptr;
#endif
}

}  // namespace toolkit
