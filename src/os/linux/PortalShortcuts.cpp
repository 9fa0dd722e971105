#include "os/linux/PortalShortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>

namespace {

struct PortalShortcut {
    QString Id;
    QVariantMap Properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.Id << shortcut.Properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.Id >> shortcut.Properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace os {

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

PortalShortcuts::PortalShortcuts(std::function<void(const QString&)> activated)
    : activated_(std::move(activated)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        state_ = State::Absent;
        return;
    }
    // Is the interface there at all? Asked without waiting: starting the portal takes a while.
    QDBusMessage probe = QDBusMessage::createMethodCall(
        PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    probe << ShortcutsInterface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(probe), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (call->isError()) {
                    state_ = State::Absent; // no portal, or one without global shortcuts
                    pending_.clear();
                    return;
                }
                OpenSession();
            });
}

PortalShortcuts::~PortalShortcuts() = default;

QString PortalShortcuts::RequestPath(const QString& token) const {
    // The portal makes the request object from our unique bus name and the token we choose.
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(u'.', u'_');
    return PortalPath + QStringLiteral("/request/") + sender + u'/' + token;
}

void PortalShortcuts::OpenSession() {
    state_ = State::Opening;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = QStringLiteral("vistrel%1").arg(++tokens_);
    // Listen before asking, so that a quick answer is not missed.
    bus.connect(PortalService, RequestPath(token), RequestInterface, QStringLiteral("Response"),
                this, SLOT(OnSessionResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, ShortcutsInterface, QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), QStringLiteral("vistrel")}};
    bus.asyncCall(call);
}

void PortalShortcuts::OnSessionResponse(uint response, const QVariantMap& results) {
    if (response != 0 || !results.contains(QStringLiteral("session_handle"))) {
        state_ = State::Absent; // refused or cancelled: the compositor binding remains
        return;
    }
    QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                    : handle.toString();
    state_ = State::Ready;
    QDBusConnection::sessionBus().connect(
        PortalService, PortalPath, ShortcutsInterface, QStringLiteral("Activated"), this,
        SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    BindPending();
}

void PortalShortcuts::Bind(const QString& id, const QString& description, const QString& trigger) {
    if (state_ == State::Absent)
        return;
    pending_.push_back({id, description, trigger});
    if (state_ == State::Ready)
        BindPending();
}

void PortalShortcuts::BindPending() {
    if (pending_.empty())
        return;
    for (Wanted& w : pending_)
        bound_.push_back(std::move(w));
    pending_.clear();
    QList<PortalShortcut> shortcuts;
    for (const Wanted& w : bound_)
        shortcuts.append({w.Id,
                          {{QStringLiteral("description"), w.Description},
                           {QStringLiteral("preferred_trigger"), w.Trigger}}});
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = QStringLiteral("vistrel%1").arg(++tokens_);
    bus.connect(PortalService, RequestPath(token), RequestInterface, QStringLiteral("Response"),
                this, SLOT(OnBindResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, ShortcutsInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    bus.asyncCall(call);
}

void PortalShortcuts::OnBindResponse(uint /*response*/, const QVariantMap& /*results*/) {
    // The user may refuse or choose another key; the desktop's settings show the binding.
}

void PortalShortcuts::OnActivated(const QDBusObjectPath& session, const QString& id,
                                  qulonglong /*timestamp*/, const QVariantMap& /*options*/) {
    if (session.path() == session_ && activated_)
        activated_(id);
}

} // namespace os
