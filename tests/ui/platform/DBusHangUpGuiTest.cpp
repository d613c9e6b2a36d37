// The D-Bus hang-up and power-off against fake NetworkManager and logind
// objects on a private bus this test starts: which links go down, in which
// order, what a refusal stops, and when the power-off is asked for. The
// backend only ever gets the private bus here, never the system bus.
#include "core/shell/Clock.h"
#include "support/ChildArgs.h"
#include "support/ChildProcess.h"
#include "support/FakeClock.h"
#include "ui/platform/DBusHangUp.h"

#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <vector>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantMap>

namespace {

using ConnectionSettings = QMap<QString, QVariantMap>;

const QString kNmPath = QStringLiteral("/org/freedesktop/NetworkManager");

// A dbus-daemon of our own, listening in a temporary folder.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (program.isEmpty() || !dir_.isValid())
            return;
        // The session bus's own configuration, listening only in our folder.
        if (!daemon_.Start(testsupport::LocalArg(program),
                           {"--session", "--address=unix:dir=" + testsupport::LocalArg(dir_.path()),
                            "--nofork", "--print-address"}))
            return;
        QByteArray out;
        while (!out.contains('\n') && daemon_.WaitForOutput(5000))
            out += QByteArray::fromStdString(daemon_.TakeOutput());
        address_ = QString::fromUtf8(out.trimmed());
    }
    ~PrivateBus()
    {
        daemon_.Terminate();
        daemon_.WaitForExit(5000);
    }
    const QString &address() const { return address_; }

private:
    QTemporaryDir dir_;
    testsupport::ChildProcess daemon_;
    QString address_;
};

// Records what reached it, from whichever thread delivers the calls.
class CallLog
{
public:
    void Add(const QString &call)
    {
        std::lock_guard lock(mutex_);
        calls_ << call;
    }
    QStringList calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    QStringList calls_;
};

struct ActiveConnection
{
    QString type;
    QString bluetoothType; // "dun" or "panu" for Bluetooth ones
    bool refuses = false;  // DeactivateConnection fails for it
};

// NetworkManager as the backend sees it: the list of active connections, each
// with its type and settings, and DeactivateConnection.
class FakeNetworkManager : public QDBusVirtualObject
{
public:
    explicit FakeNetworkManager(std::vector<ActiveConnection> active)
        : active_(std::move(active))
    {}

    static QString ActivePath(std::size_t i)
    {
        return kNmPath + QStringLiteral("/ActiveConnection/%1").arg(i + 1);
    }
    static QString SettingsPath(std::size_t i)
    {
        return kNmPath + QStringLiteral("/Settings/%1").arg(i + 1);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        QDBusConnection bus(connection);
        bus.send(Answer(message));
        return true;
    }

    CallLog log;

private:
    QDBusMessage Answer(const QDBusMessage &message)
    {
        const QString member = message.member();
        const QList<QVariant> args = message.arguments();
        if (member == QLatin1String("Get") && args.size() == 2)
            return Get(message, args[1].toString());
        if (member == QLatin1String("DeactivateConnection") && args.size() == 1) {
            const QString path = args[0].value<QDBusObjectPath>().path();
            log.Add(path);
            for (std::size_t i = 0; i < active_.size(); ++i) {
                if (ActivePath(i) == path && active_[i].refuses)
                    return message.createErrorReply(
                        QStringLiteral("org.freedesktop.NetworkManager.Error.Failed"),
                        QStringLiteral("refused"));
            }
            return message.createReply();
        }
        if (member == QLatin1String("GetSettings")) {
            for (std::size_t i = 0; i < active_.size(); ++i) {
                if (SettingsPath(i) == message.path()) {
                    ConnectionSettings settings;
                    settings[QStringLiteral("connection")][QStringLiteral("type")] =
                        active_[i].type;
                    if (!active_[i].bluetoothType.isEmpty())
                        settings[QStringLiteral("bluetooth")][QStringLiteral("type")] =
                            active_[i].bluetoothType;
                    return message.createReply(QVariant::fromValue(settings));
                }
            }
        }
        return message.createErrorReply(QDBusError::UnknownMethod, member);
    }

    QDBusMessage Get(const QDBusMessage &message, const QString &name)
    {
        QVariant value;
        if (message.path() == kNmPath && name == QLatin1String("ActiveConnections")) {
            QList<QDBusObjectPath> paths;
            for (std::size_t i = 0; i < active_.size(); ++i)
                paths << QDBusObjectPath(ActivePath(i));
            value = QVariant::fromValue(paths);
        }
        for (std::size_t i = 0; i < active_.size(); ++i) {
            if (message.path() != ActivePath(i))
                continue;
            if (name == QLatin1String("Type"))
                value = active_[i].type;
            else if (name == QLatin1String("Connection"))
                value = QVariant::fromValue(QDBusObjectPath(SettingsPath(i)));
        }
        if (!value.isValid())
            return message.createErrorReply(QDBusError::InvalidArgs, name);
        return message.createReply(QVariant::fromValue(QDBusVariant(value)));
    }

    std::vector<ActiveConnection> active_;
};

// logind's manager: records PowerOff with its argument, and a marker call the
// test sends after it so it knows everything before has arrived.
class FakeLogind : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        QString call = message.member();
        if (call == QLatin1String("PowerOff") && message.arguments().size() == 1)
            call += message.arguments().constFirst().toBool() ? QStringLiteral("(true)")
                                                              : QStringLiteral("(false)");
        log.Add(call);
        QDBusConnection bus(connection);
        bus.send(message.createReply());
        return true;
    }

    CallLog log;
};

// The private bus with the fakes served from a thread of their own, so the
// backend's blocking calls from this thread are answered.
class FakeSystem
{
public:
    FakeSystem(std::vector<ActiveConnection> active, bool withNetworkManager = true)
        : networkManager(std::move(active))
    {
        qDBusRegisterMetaType<ConnectionSettings>();
        static int serial = 0;
        ++serial;
        serviceName_ = QStringLiteral("fake-services-%1").arg(serial);
        clientName_ = QStringLiteral("backend-%1").arg(serial);
        thread_.start();
        if (bus_.address().isEmpty())
            return;
        QDBusConnection services = QDBusConnection::connectToBus(bus_.address(), serviceName_);
        if (withNetworkManager) {
            services.registerVirtualObject(kNmPath, &networkManager, QDBusConnection::SubPath);
            services.registerService(QStringLiteral("org.freedesktop.NetworkManager"));
        }
        services.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &logind);
        services.registerService(QStringLiteral("org.freedesktop.login1"));
        // Registered first, then moved: the calls are delivered in the fakes'
        // thread while this one blocks in the backend's calls.
        networkManager.moveToThread(&thread_);
        logind.moveToThread(&thread_);
        ready_ = services.isConnected();
    }
    ~FakeSystem()
    {
        QDBusConnection::disconnectFromBus(clientName_);
        QDBusConnection::disconnectFromBus(serviceName_);
        thread_.quit();
        thread_.wait();
    }

    bool ready() const { return ready_; }
    QDBusConnection client() { return QDBusConnection::connectToBus(bus_.address(), clientName_); }

    // Waits until every call the client sent to logind before this one has
    // arrived, and returns them without the marker.
    QStringList LogindCallsSoFar()
    {
        QDBusMessage marker = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.quorvel.Test"), QStringLiteral("Marker"));
        client().call(marker);
        QStringList calls = logind.log.calls();
        calls.removeAll(QStringLiteral("Marker"));
        return calls;
    }

    FakeNetworkManager networkManager;
    FakeLogind logind;

private:
    PrivateBus bus_;
    QThread thread_;
    QString serviceName_;
    QString clientName_;
    bool ready_ = false;
};

QStringList Paths(std::initializer_list<std::size_t> indexes)
{
    QStringList paths;
    for (std::size_t i : indexes)
        paths << FakeNetworkManager::ActivePath(i);
    return paths;
}

} // namespace

TEST(DBusHangUp, DeactivatesExactlyTheDialUpKindsInTheListedOrder)
{
    FakeSystem system({
        {QStringLiteral("802-3-ethernet"), {}},
        {QStringLiteral("gsm"), {}},
        {QStringLiteral("802-11-wireless"), {}},
        {QStringLiteral("pppoe"), {}},
        {QStringLiteral("bluetooth"), QStringLiteral("dun")},
        {QStringLiteral("bluetooth"), QStringLiteral("panu")},
        {QStringLiteral("cdma"), {}},
        {QStringLiteral("vpn"), {}},
    });
    ASSERT_TRUE(system.ready());
    platform::DBusHangUp backend(system.client());
    EXPECT_TRUE(backend.HangUpDialUp());
    EXPECT_EQ(system.networkManager.log.calls(), Paths({1, 3, 4, 6}));
}

TEST(DBusHangUp, ARefusalLeavesTheLaterLinksUp)
{
    FakeSystem system({
        {QStringLiteral("gsm"), {}},
        {QStringLiteral("pppoe"), {}, true},
        {QStringLiteral("cdma"), {}},
    });
    ASSERT_TRUE(system.ready());
    platform::DBusHangUp backend(system.client());
    EXPECT_FALSE(backend.HangUpDialUp());
    EXPECT_EQ(system.networkManager.log.calls(), Paths({0, 1}));
}

TEST(DBusHangUp, NoDialUpLinkOrNoNetworkManager)
{
    FakeSystem onlyWired({{QStringLiteral("802-3-ethernet"), {}}});
    ASSERT_TRUE(onlyWired.ready());
    platform::DBusHangUp wired(onlyWired.client());
    EXPECT_TRUE(wired.HangUpDialUp());
    EXPECT_TRUE(onlyWired.networkManager.log.calls().isEmpty());

    FakeSystem absent({{QStringLiteral("gsm"), {}}}, false);
    ASSERT_TRUE(absent.ready());
    platform::DBusHangUp none(absent.client());
    EXPECT_FALSE(none.HangUpDialUp());
    EXPECT_TRUE(absent.networkManager.log.calls().isEmpty());
}

// The whole hang-up as the clock runs it, with the real backend: the links go
// down, and logind is asked to power off only when the player ticked it.
TEST(DBusHangUp, PowerOffOnlyWhenAskedFor)
{
    for (const bool shutDown : {false, true}) {
        FakeSystem system({{QStringLiteral("gsm"), {}}});
        ASSERT_TRUE(system.ready());
        platform::DBusHangUp backend(system.client());
        testsupport::FakeClock time(testsupport::FakeClock::At(0, 22, 59, 50));
        struct NoWindows : shell::ClockWindows
        {
            int WindowCount() const override { return 0; }
            int SelectedWindow() const override { return -1; }
            void MinuteTick(int) override {}
            void PrepareHangUp(int, const std::string &) override {}
            void SendHangUp(int) override {}
            bool LinkActive(int) const override { return false; }
            void HandKeepAlive(int, const std::string &, int) override {}
        } windows;
        shell::Clock clock(time, windows, backend);
        shell::ClockSettings settings;
        settings.hangUpEnabled = true;
        settings.hangUpHour = 23;
        settings.shutdownAfterHangUp = shutDown;
        clock.TakeOver(settings);
        time.Advance(10000);

        EXPECT_EQ(system.networkManager.log.calls(), Paths({0})) << shutDown;
        EXPECT_EQ(system.LogindCallsSoFar(),
                  shutDown ? QStringList{QStringLiteral("PowerOff(true)")} : QStringList{})
            << shutDown;
    }
}
