#include "os/linux/LinuxShell.h"

#include "os/linux/ResourcePicture.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <map>
#include <utility>

namespace os {

namespace {

QString FromField(const char* field) {
    return QString::fromUtf8(field);
}

// Balloons stay up at least this long and at most that long, as the Windows shell keeps them.
constexpr int MinBalloonMs = 10000;
constexpr int MaxBalloonMs = 30000;

QSystemTrayIcon::MessageIcon BalloonIcon(DWORD infoFlags) {
    switch (infoFlags & 0x0F) {
    case NIIF_INFO:
        return QSystemTrayIcon::Information;
    case NIIF_WARNING:
        return QSystemTrayIcon::Warning;
    case NIIF_ERROR:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

QRect GlobalRect(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// A stand-in picture for the program icon and the eight animation frames, used while the
// program's own pictures are not compiled in: an eye whose lid sweeps round with the frame.
QIcon DrawFallback(int frame) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 60, 120), 2));
    p.setBrush(QColor(235, 245, 255));
    QPainterPath eye;
    eye.moveTo(2, 16);
    eye.quadTo(16, 2, 30, 16);
    eye.quadTo(16, 30, 2, 16);
    p.drawPath(eye);
    p.setBrush(QColor(40, 140, 60));
    p.drawEllipse(QPointF(16, 16), 6, 6);
    if (frame >= 0) {
        // One bright sector per frame, so consecutive frames differ visibly.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 160, 0));
        double angle = frame * 45.0;
        QPointF tip(16 + 13 * std::cos(angle * M_PI / 180.0),
                    16 - 13 * std::sin(angle * M_PI / 180.0));
        p.drawEllipse(tip, 3.5, 3.5);
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

// One icon in the notification area.
struct TrayEntry {
    HWND Window = 0;
    std::uintptr_t Id = 0;
    UINT CallbackMessage = 0;
    UINT Version = 0;
    std::unique_ptr<QSystemTrayIcon> Tray;
    QPointer<QWidget> Widget; // the tray icon's own window, once it has been seen
    HICON Icon = 0;           // the picture last handed to the toolkit
    bool IconSet = false;
    Qt::MouseButtons Pressed; // pressed on the icon and not yet reported released
    bool BalloonUp = false;
    std::unique_ptr<QTimer> BalloonTimer;
    QString Tip; // kept for an icon made later (see WaitsForHost)
};

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// On Wayland the only notification area is a StatusNotifierItem host (a D-Bus service). The
// toolkit decides once per process, when its first tray icon is made, whether such a host is
// there, and never registers an icon made before the host came. So the icons wait for a host.
bool WaitsForHost() {
    return QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

} // namespace

struct LinuxShell::Impl : QObject {
    explicit Impl(MessageLoop& loop) : Loop(loop) { qApp->installEventFilter(this); }
    ~Impl() override {
        if (qApp != nullptr)
            qApp->removeEventFilter(this);
    }

    MessageLoop& Loop;
    std::map<std::pair<HWND, std::uintptr_t>, std::unique_ptr<TrayEntry>> Entries;
    // Watches for a StatusNotifierItem host while icons wait for one.
    bool WaitForHost = WaitsForHost();
    bool HostSeen = false;
    std::unique_ptr<QDBusServiceWatcher> HostWatcher;
    QTimer HostRetry;
    int HostTries = 0;
    std::map<HICON, QIcon> Icons;
    HICON NextIcon = 0x100;

    void Notify(TrayEntry& entry, UINT message) {
        if (entry.CallbackMessage != 0)
            Loop.PostMessage(entry.Window, entry.CallbackMessage, entry.Id,
                             static_cast<LPARAM>(message));
    }

    void Apply(TrayEntry& entry, const NotifyIconData& data);
    void MakeTray(TrayEntry& entry);
    void WatchForHost();
    void AskForHost();
    void ShowBalloon(TrayEntry& entry, const NotifyIconData& data);
    void HideBalloon(TrayEntry& entry);
    void Activated(TrayEntry& entry, QSystemTrayIcon::ActivationReason reason);
    TrayEntry* EntryOfWidget(QWidget* widget, const QPoint& globalPos);
    bool eventFilter(QObject* watched, QEvent* event) override;
};

void LinuxShell::Impl::WatchForHost() {
    if (HostWatcher)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return; // no session bus: no host can ever come
    HostWatcher = std::make_unique<QDBusServiceWatcher>(WatcherService, bus,
                                                        QDBusServiceWatcher::WatchForRegistration);
    QObject::connect(HostWatcher.get(), &QDBusServiceWatcher::serviceRegistered, this, [this] {
        HostTries = 0;
        AskForHost();
    });
    HostRetry.setSingleShot(true);
    QObject::connect(&HostRetry, &QTimer::timeout, this, [this] { AskForHost(); });
    AskForHost();
}

void LinuxShell::Impl::AskForHost() {
    // The watcher's owner registers its host a moment after the watcher: asked a few times.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        WatcherService, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* call =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ask, 2000), this);
    QObject::connect(call, &QDBusPendingCallWatcher::finished, this,
                     [this](QDBusPendingCallWatcher* reply) {
                         reply->deleteLater();
                         QDBusPendingReply<QDBusVariant> answer = *reply;
                         if (!answer.isError() && answer.value().variant().toBool()) {
                             HostSeen = true;
                             HostWatcher.reset();
                             for (auto& [key, entry] : Entries)
                                 if (!entry->Tray)
                                     MakeTray(*entry);
                             return;
                         }
                         if (!answer.isError() && ++HostTries < 20)
                             HostRetry.start(250);
                     });
}

void LinuxShell::Impl::MakeTray(TrayEntry& entry) {
    entry.Tray = std::make_unique<QSystemTrayIcon>();
    TrayEntry* e = &entry;
    QObject::connect(e->Tray.get(), &QSystemTrayIcon::activated, e->Tray.get(),
                     [this, e](QSystemTrayIcon::ActivationReason r) { Activated(*e, r); });
    QObject::connect(e->Tray.get(), &QSystemTrayIcon::messageClicked, e->Tray.get(), [this, e] {
        if (!e->BalloonUp)
            return;
        e->BalloonUp = false;
        e->BalloonTimer->stop();
        Notify(*e, NIN_BALLOONUSERCLICK);
    });
    if (e->IconSet) {
        auto it = Icons.find(e->Icon);
        e->Tray->setIcon(it != Icons.end() ? it->second : QIcon());
    }
    e->Tray->setToolTip(e->Tip);
    if (!e->Tray->icon().isNull())
        e->Tray->show();
}

void LinuxShell::Impl::Apply(TrayEntry& entry, const NotifyIconData& data) {
    if (data.uFlags & NIF_MESSAGE)
        entry.CallbackMessage = data.uCallbackMessage;
    if (!entry.Tray) {
        // Waiting for a host: the icon is made with what it shows by then.
        if (data.uFlags & NIF_ICON) {
            entry.Icon = data.hIcon;
            entry.IconSet = true;
        }
        if (data.uFlags & NIF_TIP)
            entry.Tip = FromField(data.szTip);
        return;
    }
    // The icon is refreshed with every call; only what changed is handed on, since each new
    // picture is a repaint.
    bool newFrame = false;
    if ((data.uFlags & NIF_ICON) && (!entry.IconSet || data.hIcon != entry.Icon)) {
        auto it = Icons.find(data.hIcon);
        entry.Tray->setIcon(it != Icons.end() ? it->second : QIcon());
        newFrame = entry.IconSet;
        entry.Icon = data.hIcon;
        entry.IconSet = true;
    }
    if (data.uFlags & NIF_TIP) {
        QString tip = FromField(data.szTip); // empty: no tooltip at all
        if (tip != entry.Tray->toolTip())
            entry.Tray->setToolTip(tip);
    }
    // The toolkit refuses to show an icon without a picture; it appears with its first one.
    if (!entry.Tray->isVisible() && !entry.Tray->icon().isNull())
        entry.Tray->show();
    if (data.uFlags & NIF_INFO) {
        if (data.szInfo[0] == '\0')
            HideBalloon(entry);
        else
            ShowBalloon(entry, data);
    }
    // A D-Bus host shows the tooltip on hover but tells us of no pointer motion: each new frame
    // of the animation stands in for a move over the icon, so the tooltip stays current.
    if (newFrame && WaitForHost)
        Notify(entry, WM_MOUSEMOVE);
}

void LinuxShell::Impl::ShowBalloon(TrayEntry& entry, const NotifyIconData& data) {
    int timeout =
        static_cast<int>(std::clamp<UINT>(data.uTimeoutOrVersion, MinBalloonMs, MaxBalloonMs));
    entry.Tray->showMessage(FromField(data.szInfoTitle), FromField(data.szInfo),
                            BalloonIcon(data.dwInfoFlags), timeout);
    entry.BalloonUp = true;
    entry.BalloonTimer->start(timeout);
    Notify(entry, NIN_BALLOONSHOW);
}

void LinuxShell::Impl::HideBalloon(TrayEntry& entry) {
    if (!entry.BalloonUp)
        return;
    entry.BalloonUp = false;
    entry.BalloonTimer->stop();
    // An empty message takes the toolkit's own balloon down; the notification service would
    // show it as an empty notice instead, and takes its notices down by itself.
    if (!WaitForHost)
        entry.Tray->showMessage(QString(), QString());
    Notify(entry, NIN_BALLOONHIDE);
}

void LinuxShell::Impl::Activated(TrayEntry& entry, QSystemTrayIcon::ActivationReason reason) {
    // An icon docked as our own window reports every button through its events already.
    if (entry.Widget)
        return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Notify(entry, WM_LBUTTONDOWN);
        Notify(entry, WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        Notify(entry, WM_LBUTTONDBLCLK);
        Notify(entry, WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::Context:
        Notify(entry, WM_RBUTTONDOWN);
        Notify(entry, WM_RBUTTONUP);
        break;
    case QSystemTrayIcon::MiddleClick:
        Notify(entry, WM_MBUTTONDOWN);
        Notify(entry, WM_MBUTTONUP);
        break;
    default:
        break;
    }
}

TrayEntry* LinuxShell::Impl::EntryOfWidget(QWidget* widget, const QPoint& globalPos) {
    for (auto& [key, entry] : Entries)
        if (entry->Widget == widget)
            return entry.get();
    // A new icon window (first use, or the tray host came back): find whose icon it shows.
    QRect rect = GlobalRect(widget);
    TrayEntry* byPoint = nullptr;
    for (auto& [key, entry] : Entries) {
        if (!entry->Tray || !entry->Tray->isVisible())
            continue;
        QRect g = entry->Tray->geometry();
        if (g == rect) {
            entry->Widget = widget;
            return entry.get();
        }
        if (byPoint == nullptr && g.contains(globalPos))
            byPoint = entry.get();
    }
    if (byPoint != nullptr)
        byPoint->Widget = widget;
    return byPoint;
}

namespace {

UINT ButtonMessage(QEvent::Type type, Qt::MouseButton button) {
    switch (type) {
    case QEvent::MouseButtonPress:
        return button == Qt::LeftButton     ? WM_LBUTTONDOWN
               : button == Qt::RightButton  ? WM_RBUTTONDOWN
               : button == Qt::MiddleButton ? WM_MBUTTONDOWN
                                            : 0;
    case QEvent::MouseButtonRelease:
        return button == Qt::LeftButton     ? WM_LBUTTONUP
               : button == Qt::RightButton  ? WM_RBUTTONUP
               : button == Qt::MiddleButton ? WM_MBUTTONUP
                                            : 0;
    case QEvent::MouseButtonDblClick:
        // A middle double click reaches the icon as a second press.
        return button == Qt::LeftButton     ? WM_LBUTTONDBLCLK
               : button == Qt::RightButton  ? WM_RBUTTONDBLCLK
               : button == Qt::MiddleButton ? WM_MBUTTONDOWN
                                            : 0;
    default:
        return 0;
    }
}

} // namespace

bool LinuxShell::Impl::eventFilter(QObject* watched, QEvent* event) {
    QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease) {
        // The release of a press on the icon is reported wherever it lands: a popup menu
        // opened by the press takes the pointer, and the release goes to the menu.
        Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        for (auto& [key, entry] : Entries) {
            if (entry->Pressed.testFlag(button)) {
                entry->Pressed.setFlag(button, false);
                Notify(*entry, ButtonMessage(type, button));
            }
        }
        return false;
    }
    if (type != QEvent::Enter && type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonDblClick)
        return false;
    if (!watched->isWidgetType() || !watched->inherits("QSystemTrayIconSys"))
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    QPoint globalPos = type == QEvent::Enter
                           ? static_cast<QEnterEvent*>(event)->globalPosition().toPoint()
                           : static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
    TrayEntry* entry = EntryOfWidget(widget, globalPos);
    if (entry == nullptr)
        return false;
    if (type == QEvent::Enter || type == QEvent::MouseMove) {
        // Motion is reported by the X server only while the pointer is over the icon.
        if (!widget->hasMouseTracking())
            widget->setMouseTracking(true);
        Notify(*entry, WM_MOUSEMOVE);
        return false;
    }
    Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    if (UINT message = ButtonMessage(type, button); message != 0) {
        entry->Pressed.setFlag(button, true);
        Notify(*entry, message);
    }
    return false; // the toolkit still handles the click (balloon dismissal)
}

LinuxShell::LinuxShell(MessageLoop& loop) : impl_(std::make_unique<Impl>(loop)) {}

LinuxShell::~LinuxShell() = default;

bool LinuxShell::Shell_NotifyIcon(DWORD message, const NotifyIconData& data) {
    auto key = std::make_pair(data.hWnd, data.uID);
    auto it = impl_->Entries.find(key);
    switch (message) {
    case NIM_ADD: {
        if (it != impl_->Entries.end())
            return false; // already there
        auto entry = std::make_unique<TrayEntry>();
        entry->Window = data.hWnd;
        entry->Id = data.uID;
        entry->BalloonTimer = std::make_unique<QTimer>();
        entry->BalloonTimer->setSingleShot(true);
        TrayEntry* e = entry.get();
        Impl* impl = impl_.get();
        QObject::connect(e->BalloonTimer.get(), &QTimer::timeout, e->BalloonTimer.get(), [impl, e] {
            if (!e->BalloonUp)
                return;
            e->BalloonUp = false;
            impl->Notify(*e, NIN_BALLOONTIMEOUT);
        });
        if (!impl_->WaitForHost || impl_->HostSeen)
            impl_->MakeTray(*e);
        else
            impl_->WatchForHost();
        impl_->Entries[key] = std::move(entry);
        // Without a tray host the icon waits and docks when one appears.
        impl_->Apply(*e, data);
        return true;
    }
    case NIM_MODIFY:
        if (it == impl_->Entries.end())
            return false;
        impl_->Apply(*it->second, data);
        return true;
    case NIM_DELETE:
        if (it == impl_->Entries.end())
            return false;
        impl_->HideBalloon(*it->second);
        if (it->second->Tray)
            it->second->Tray->hide();
        impl_->Entries.erase(it);
        return true;
    case NIM_SETVERSION:
        if (it == impl_->Entries.end())
            return false;
        it->second->Version = data.uTimeoutOrVersion;
        return true;
    default:
        return false;
    }
}

int LinuxShell::TrackPopupMenu(const std::vector<MenuEntry>& entries, TPoint at, HWND /*owner*/) {
    QMenu menu;
    for (const MenuEntry& e : entries) {
        if (e.Separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(e.Caption));
        action->setEnabled(e.Enabled);
        action->setData(e.Command);
        if (e.Default) {
            QFont font = action->font();
            font.setBold(true);
            action->setFont(font);
        }
    }
    if (WaitsForHost()) {
        // On Wayland a menu needs a window of ours that was just clicked; a click in the
        // notification area belongs to the compositor's bar, and the menu would become a
        // window tiled like any other. At a fixed size, compositors float it instead (sway
        // centres it on the output); it keeps the keyboard focus, and Escape closes it.
        menu.ensurePolished();
        menu.setFixedSize(menu.sizeHint());
    }
    QAction* chosen = menu.exec(QPoint(at.X, at.Y));
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

HICON LinuxShell::LoadIconResource(const std::string& name) {
    QIcon icon;
    if (QPixmap picture = ResourcePicture(name); !picture.isNull()) {
        icon = QIcon(picture);
    } else if (name == "MAINICON") {
        icon = DrawFallback(-1);
    } else if (name.size() == 5 && name.compare(0, 4, "TRAY") == 0 && name[4] >= '0' &&
               name[4] <= '7') {
        icon = DrawFallback(name[4] - '0');
    }
    if (icon.isNull())
        return 0;
    return AddIcon(icon);
}

HICON LinuxShell::AddIcon(const QIcon& icon) {
    HICON handle = impl_->NextIcon++;
    impl_->Icons[handle] = icon;
    return handle;
}

QIcon LinuxShell::IconOf(HICON icon) const {
    auto it = impl_->Icons.find(icon);
    return it != impl_->Icons.end() ? it->second : QIcon();
}

void LinuxShell::DestroyIcon(HICON icon) {
    impl_->Icons.erase(icon);
}

int LinuxShell::MessageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT flags) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONWARNING:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    constexpr UINT MB_OKCANCEL = 0x01;
    constexpr UINT MB_YESNOCANCEL = 0x03;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (flags & 0x0F) {
    case MB_YESNO:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case MB_OKCANCEL:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    default:
        break;
    }
    // A box over one of our own windows (the Options dialog) keeps the user out of that window
    // until it is answered. A box of the program itself (its owner is the hidden main window)
    // blocks nothing: the notification-area icon and its menu keep answering while it waits.
    QWidget* ownerWidget = owner != 0 ? QWidget::find(static_cast<WId>(owner)) : nullptr;
    if (ownerWidget != nullptr)
        ownerWidget = ownerWidget->window();
    if (ownerWidget != nullptr && !ownerWidget->isVisible())
        ownerWidget = nullptr;
    QMessageBox box(icon, QString::fromUtf8(caption), QString::fromUtf8(text), buttons,
                    ownerWidget);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (ownerWidget != nullptr) {
        box.setWindowModality(Qt::WindowModal);
        box.exec();
    } else {
        box.setWindowModality(Qt::NonModal);
        QEventLoop loop;
        QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
        box.show();
        box.raise();
        box.activateWindow();
        loop.exec(QEventLoop::DialogExec);
    }
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return (flags & 0x0F) == MB_YESNO ? IDNO : IDOK;
    }
}

} // namespace os
