#include "DBusHangUp.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QList>
#include <QMap>
#include <QVariant>
#include <QVariantMap>

namespace platform {

namespace {

const QString kNetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kNetworkManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kSettingsInterface =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kLoginManager = QStringLiteral("org.freedesktop.login1.Manager");

using ConnectionSettings = QMap<QString, QVariantMap>;

// The hang-up runs on the user-interface thread: a NetworkManager that does not
// answer may hold it this long per call, not the bus's default 25 seconds.
constexpr int kCallTimeoutMs = 5000;

QDBusMessage Call(const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QList<QVariant> &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    // A service that is not running is not to be started for us.
    message.setAutoStartService(false);
    return message;
}

QDBusMessage Ask(QDBusConnection &bus, const QDBusMessage &message)
{
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

// One property of a NetworkManager object; invalid when it cannot be read.
QVariant Property(QDBusConnection &bus, const QString &path, const QString &interface,
                  const QString &name)
{
    const QDBusMessage reply = Ask(
        bus, Call(kNetworkManager, path, kProperties, QStringLiteral("Get"), {interface, name}));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

} // namespace

DBusHangUp::DBusHangUp(const QDBusConnection &bus)
    : bus_(bus)
{
    qDBusRegisterMetaType<ConnectionSettings>();
}

bool DBusHangUp::IsDialUpType(const QString &type)
{
    // gsm and cdma are mobile broadband modems; pppoe dials over Ethernet.
    return type == QLatin1String("gsm") || type == QLatin1String("cdma") ||
           type == QLatin1String("pppoe");
}

bool DBusHangUp::IsDialUp(const QString &activePath)
{
    const QString type =
        Property(bus_, activePath, kActiveInterface, QStringLiteral("Type")).toString();
    if (IsDialUpType(type))
        return true;
    if (type != QLatin1String("bluetooth"))
        return false;
    // A Bluetooth connection is dial-up only when it dials through the phone
    // (DUN); a personal-area network link is left alone.
    const QVariant settingsPath =
        Property(bus_, activePath, kActiveInterface, QStringLiteral("Connection"));
    const QString path = settingsPath.value<QDBusObjectPath>().path();
    if (path.isEmpty())
        return false;
    const QDBusMessage reply =
        Ask(bus_, Call(kNetworkManager, path, kSettingsInterface, QStringLiteral("GetSettings")));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const auto settings = qdbus_cast<ConnectionSettings>(reply.arguments().constFirst());
    return settings.value(QStringLiteral("bluetooth")).value(QStringLiteral("type")).toString() ==
           QLatin1String("dun");
}

bool DBusHangUp::HangUpDialUp()
{
    const QVariant listed =
        Property(bus_, kNetworkManagerPath, kNetworkManager, QStringLiteral("ActiveConnections"));
    if (!listed.isValid())
        return false;
    const auto active = qdbus_cast<QList<QDBusObjectPath>>(listed);
    for (const QDBusObjectPath &connection : active) {
        if (!IsDialUp(connection.path()))
            continue;
        const QDBusMessage reply = Ask(
            bus_, Call(kNetworkManager, kNetworkManagerPath, kNetworkManager,
                       QStringLiteral("DeactivateConnection"), {QVariant::fromValue(connection)}));
        // The links after a refused one stay up.
        if (reply.type() != QDBusMessage::ReplyMessage)
            return false;
    }
    return true;
}

void DBusHangUp::ShutDownSystem()
{
    // Interactive: the desktop may ask the player to authorise; nothing waits
    // for the answer.
    bus_.asyncCall(Call(kLogin, kLoginPath, kLoginManager, QStringLiteral("PowerOff"), {true}));
}

} // namespace platform
