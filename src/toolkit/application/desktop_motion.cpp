#include "toolkit/application/desktop_motion.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QMetaType>

#include "toolkit/application/desktop_motion_watch.h"
#include "toolkit/presentation/reduced_motion.h"

namespace toolkit {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");

const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kReducedMotion = QStringLiteral("reduced-motion");
const QString kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString kEnableAnimations = QStringLiteral("enable-animations");
const QString kKdeGlobals = QStringLiteral("org.kde.kdeglobals.KDE");
const QString kAnimationDurationFactor = QStringLiteral("AnimationDurationFactor");

// A portal started on demand may take a while to answer the first time; the
// answer is awaited by the event loop, not by the window.
constexpr int kAnswerTimeoutMs = 25000;

// Read wraps the value in one more variant than ReadOne does.
QVariant Unwrapped(QVariant value) {
  while (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
    value = qvariant_cast<QDBusVariant>(value).variant();
  }
  return value;
}

std::optional<unsigned> AsNumber(const QVariant& value) {
  bool ok = false;
  const unsigned number = value.toUInt(&ok);
  return ok ? std::optional(number) : std::nullopt;
}

std::optional<bool> AsSwitch(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<bool>()) return value.toBool();
  const QString text = value.toString().trimmed().toLower();
  if (text == QLatin1String("true")) return true;
  if (text == QLatin1String("false")) return false;
  return std::nullopt;
}

// KDE's portal hands kdeglobals' entries over as their text.
std::optional<double> AsFactor(const QVariant& value) {
  bool ok = false;
  const double factor = value.toDouble(&ok);
  return ok ? std::optional(factor) : std::nullopt;
}

}  // namespace

bool AsksForReducedMotion(const MotionSettings& settings) {
  if (settings.reduced_motion) return *settings.reduced_motion == 1;
  return (settings.enable_animations && !*settings.enable_animations) ||
         (settings.animation_duration_factor && *settings.animation_duration_factor <= 0);
}

DesktopMotionWatch::DesktopMotionWatch() : bus_(QDBusConnection::sessionBus()) {
  if (!bus_.isConnected()) return;
  // Qt finds the slot's argument types by name, and knows this one's only
  // once it is registered. Any sender: naming the portal would make Qt ask
  // the bus for its owner and wait for the answer.
  qRegisterMetaType<QDBusVariant>();
  bus_.connect(QString(), kPortalPath, kSettings, QStringLiteral("SettingChanged"), this,
               SLOT(SettingChanged(QString, QString, QDBusVariant)));
  Ask(kAppearance, kReducedMotion, true);
  Ask(kGnomeInterface, kEnableAnimations, true);
  Ask(kKdeGlobals, kAnimationDurationFactor, true);
}

void DesktopMotionWatch::Ask(const QString& name_space, const QString& key, bool read_one) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(kPortal, kPortalPath, kSettings,
                                     read_one ? QStringLiteral("ReadOne") : QStringLiteral("Read"));
  call << name_space << key;
  auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(call, kAnswerTimeoutMs), this);
  connect(answer, &QDBusPendingCallWatcher::finished, this,
          [this, name_space, key, read_one](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            const QDBusMessage reply = finished->reply();
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
              Take(name_space, key, reply.arguments().constFirst());
            } else if (read_one && reply.errorName() ==
                                       QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")) {
              Ask(name_space, key, false);
            }
            // Any other error (no portal, a setting it does not have) leaves
            // the setting unknown.
          });
}

void DesktopMotionWatch::SettingChanged(const QString& name_space, const QString& key,
                                        const QDBusVariant& value) {
  Take(name_space, key, value.variant());
}

void DesktopMotionWatch::Take(const QString& name_space, const QString& key, QVariant value) {
  value = Unwrapped(std::move(value));
  if (name_space == kAppearance && key == kReducedMotion) {
    settings_.reduced_motion = AsNumber(value);
  } else if (name_space == kGnomeInterface && key == kEnableAnimations) {
    settings_.enable_animations = AsSwitch(value);
  } else if (name_space == kKdeGlobals && key == kAnimationDurationFactor) {
    settings_.animation_duration_factor = AsFactor(value);
  } else {
    return;
  }
  SetReducedMotion(AsksForReducedMotion(settings_));
}

}  // namespace toolkit
