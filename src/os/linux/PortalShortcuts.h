// Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts, offered
// by KDE Plasma 5.27 and later): on Wayland the way a program can have a key of its own. The
// desktop asks the user to confirm the binding and may assign another key. Every call is
// asynchronous, and where no portal offers the interface nothing happens and nothing is shown.
#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

namespace os {

class PortalShortcuts : public QObject {
    Q_OBJECT
public:
    // activated gets the id of each shortcut the user presses.
    explicit PortalShortcuts(std::function<void(const QString&)> activated);
    ~PortalShortcuts() override;

    // Asks for a shortcut (trigger as the portal writes keys, "F4"); bound once the portal's
    // session exists.
    void Bind(const QString& id, const QString& description, const QString& trigger);

    enum class State { Probing, Absent, Opening, Ready };
    State CurrentState() const { return state_; }

private slots:
    void OnSessionResponse(uint response, const QVariantMap& results);
    void OnBindResponse(uint response, const QVariantMap& results);
    void OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    struct Wanted {
        QString Id, Description, Trigger;
    };
    void OpenSession();
    void BindPending();
    // The object a request of ours answers on, for the given token.
    QString RequestPath(const QString& token) const;

    std::function<void(const QString&)> activated_;
    State state_ = State::Probing;
    QString session_;
    std::vector<Wanted> pending_;
    std::vector<Wanted> bound_;
    int tokens_ = 0;
};

} // namespace os
