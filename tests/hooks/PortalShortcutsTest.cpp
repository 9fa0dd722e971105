// F4 through the desktop portal's global shortcuts, against a stand-in portal on the session
// bus (run under a private bus: dbus-run-session). No desktop here offers the real interface;
// this checks the conversation as the portal documents it: the session, the binding of F4,
// and an activation of that session arriving as the hot key's WM_HOTKEY.
#include "FakePlatform.h"
#include "os/linux/LinuxHotKeys.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString Shortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString SessionPath = QStringLiteral("/org/freedesktop/portal/desktop/session/1_1/vistrel");

// Answers as xdg-desktop-portal does: each call returns a request object, and the result
// comes as that object's Response signal.
class StandInPortal : public QDBusVirtualObject {
public:
    explicit StandInPortal(QDBusConnection bus) : bus_(bus) {}

    struct Binding {
        QString Id;
        QVariantMap Properties;
    };
    std::vector<Binding> Bound;
    QString Session; // the session our client made

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QList<QVariant> args = message.arguments();
        if (message.member() == QLatin1String("Get")) {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
            return true;
        }
        if (message.member() == QLatin1String("CreateSession") && args.size() == 1) {
            const auto options = qdbus_cast<QVariantMap>(args[0]);
            Session = SessionPath;
            Respond(message, options, {{QStringLiteral("session_handle"), Session}});
            return true;
        }
        if (message.member() == QLatin1String("BindShortcuts") && args.size() == 4) {
            const auto session = qdbus_cast<QDBusObjectPath>(args[0]);
            if (session.path() != Session)
                return false;
            const auto list = args[1].value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                Binding b;
                list.beginStructure();
                list >> b.Id >> b.Properties;
                list.endStructure();
                Bound.push_back(b);
            }
            list.endArray();
            Respond(message, qdbus_cast<QVariantMap>(args[3]), {});
            return true;
        }
        return false;
    }

    void Activate(const QString& session, const QString& id) {
        QDBusMessage signal =
            QDBusMessage::createSignal(PortalPath, Shortcuts, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1234)
               << QVariantMap();
        bus_.send(signal);
    }

private:
    void Respond(const QDBusMessage& call, const QVariantMap& options, const QVariantMap& results) {
        QString sender = call.service().mid(1);
        sender.replace(u'.', u'_');
        const QString request = PortalPath + QStringLiteral("/request/") + sender + u'/' +
                                options.value(QStringLiteral("handle_token")).toString();
        bus_.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << 0u << results;
        bus_.send(response);
    }

    QDBusConnection bus_;
};

bool WaitFor(const std::function<bool()>& check, fake::FakePlatform& p) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        QCoreApplication::processEvents();
        p.Loop_.ProcessMessages();
        if (check())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Lets what is on its way arrive.
void Drain(fake::FakePlatform& p) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        p.Loop_.ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

TEST(PortalShortcuts, F4IsBoundThroughThePortalAndItsActivationArrivesAsTheHotKey) {
    ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "run under dbus-run-session";
    int argc = 1;
    char name[] = "portal-test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    QDBusConnection portalBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in"));
    ASSERT_TRUE(portalBus.isConnected());
    StandInPortal portal(portalBus);
    ASSERT_TRUE(portalBus.registerVirtualObject(PortalPath, &portal));
    ASSERT_TRUE(portalBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

    ::unsetenv("DISPLAY"); // a Wayland session without XWayland
    fake::FakePlatform p;
    std::vector<std::pair<os::WPARAM, os::LPARAM>> hotKeys;
    os::HWND window = p.Loop_.CreateMessageWindow([&](os::UINT msg, os::WPARAM w, os::LPARAM l) {
        if (msg == os::WM_HOTKEY)
            hotKeys.push_back({w, l});
        return os::LRESULT{0};
    });
    {
        os::LinuxHotKeys keys;
        keys.SetWaylandSession(true);
        const int id = keys.GlobalAddAtom("VistrelHotKey");
        ASSERT_TRUE(keys.RegisterHotKey(window, id, 0, os::VK_F4));

        ASSERT_TRUE(WaitFor([&] { return !portal.Bound.empty(); }, p));
        ASSERT_EQ(portal.Bound.size(), 1u);
        const QString shortcut = portal.Bound[0].Id;
        EXPECT_EQ(portal.Bound[0].Properties.value(QStringLiteral("preferred_trigger")).toString(),
                  QStringLiteral("F4"));
        EXPECT_FALSE(
            portal.Bound[0].Properties.value(QStringLiteral("description")).toString().isEmpty());

        portal.Activate(portal.Session, shortcut);
        ASSERT_TRUE(WaitFor([&] { return hotKeys.size() == 1; }, p));
        EXPECT_EQ(hotKeys[0].first, static_cast<os::WPARAM>(id));
        EXPECT_EQ(hotKeys[0].second, static_cast<os::LPARAM>(os::VK_F4 << 16));

        // Another program's session, and an unknown shortcut of ours, are not F4.
        portal.Activate(QStringLiteral("/org/freedesktop/portal/desktop/session/9_9/other"),
                        shortcut);
        portal.Activate(portal.Session, QStringLiteral("something-else"));
        Drain(p);
        EXPECT_EQ(hotKeys.size(), 1u);

        // Released: an activation that comes late presses nothing.
        ASSERT_TRUE(keys.UnregisterHotKey(window, id));
        portal.Activate(portal.Session, shortcut);
        Drain(p);
    }
    EXPECT_EQ(hotKeys.size(), 1u);
}
