#include "os/linux/LinuxHotKeys.h"

#include "os/linux/PortalShortcuts.h"
#include "os/linux/WaylandSession.h"
#include "os/linux/X11Keys.h"
#include "os/Platform.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>

#include <X11/keysym.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace os {

namespace {

// Errors of one display, caught while a grab is made. Xlib has one handler for the whole
// process, so errors of other connections go on to the handler that was there before.
Display* trappedDisplay = nullptr;
bool trappedError = false;
XErrorHandler previousHandler = nullptr;

int TrapError(Display* display, XErrorEvent* error) {
    if (display == trappedDisplay) {
        trappedError = true; // BadAccess: another client holds the key
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

unsigned ModifierMask(UINT modifiers) {
    unsigned mask = 0;
    if (modifiers & MOD_ALT)
        mask |= Mod1Mask;
    if (modifiers & MOD_CONTROL)
        mask |= ControlMask;
    if (modifiers & MOD_SHIFT)
        mask |= ShiftMask;
    if (modifiers & 0x8) // MOD_WIN
        mask |= Mod4Mask;
    return mask;
}

// The modifier bit that Num Lock sets on this keyboard (Mod2 on nearly all).
unsigned FindNumLockMask(Display* display) {
    unsigned mask = 0;
    KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr)
        return Mod2Mask;
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                mask = 1u << modifier;
    XFreeModifiermap(map);
    return mask != 0 ? mask : Mod2Mask;
}

void OnConnectionLost(Display* /*display*/, void* lost) {
    // Returning instead of exiting: the program goes on without its hot key.
    *static_cast<bool*>(lost) = true;
}

// How the portal writes a key (the shortcut settings of the desktop show the same).
QString TriggerName(UINT modifiers, UINT virtualKey) {
    QString name;
    if (modifiers & MOD_CONTROL)
        name += QStringLiteral("CTRL+");
    if (modifiers & MOD_ALT)
        name += QStringLiteral("ALT+");
    if (modifiers & MOD_SHIFT)
        name += QStringLiteral("SHIFT+");
    if (modifiers & 0x8)
        name += QStringLiteral("LOGO+");
    unsigned long keysym = KeysymFromVirtualKey(static_cast<int>(virtualKey));
    const char* key = keysym != 0 ? XKeysymToString(keysym) : nullptr;
    return key != nullptr ? name + QString::fromLatin1(key) : QString();
}

} // namespace

LinuxHotKeys::LinuxHotKeys() : wayland_(IsWaylandSession()) {}

LinuxHotKeys::~LinuxHotKeys() {
    if (display_ != nullptr && !connectionLost_)
        for (const Registration& r : registrations_)
            Ungrab(r.KeyCode, r.Mask);
    Disconnect();
}

ATOM LinuxHotKeys::GlobalAddAtom(const std::string& name) {
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    auto it = atoms_.find(key);
    if (it != atoms_.end())
        return it->second;
    if (atoms_.size() >= 0x3FFF)
        return 0; // the table is full, as the system's would be
    auto atom = static_cast<ATOM>(0xC000 + atoms_.size());
    atoms_[key] = atom;
    return atom;
}

bool LinuxHotKeys::Connect() {
    if (display_ != nullptr)
        return !connectionLost_;
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr)
        return false;
    connectionLost_ = false;
    XSetIOErrorExitHandler(display_, &OnConnectionLost, &connectionLost_);
    numLockMask_ = FindNumLockMask(display_);
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { ReadEvents(); });
    return true;
}

void LinuxHotKeys::Disconnect() {
    notifier_.reset();
    if (display_ != nullptr)
        XCloseDisplay(display_);
    display_ = nullptr;
}

unsigned LinuxHotKeys::LockMasks() const {
    return LockMask | numLockMask_;
}

std::array<unsigned, 4> LinuxHotKeys::LockCombinations() const {
    return {0, numLockMask_, LockMask, numLockMask_ | LockMask};
}

bool LinuxHotKeys::Grab(unsigned keyCode, unsigned mask) {
    XSync(display_, False); // errors of earlier requests are not ours to catch
    trappedDisplay = display_;
    trappedError = false;
    previousHandler = XSetErrorHandler(&TrapError);
    // The same key whether Num Lock or Caps Lock is on or not.
    for (unsigned lock : LockCombinations())
        XGrabKey(display_, static_cast<int>(keyCode), mask | lock, DefaultRootWindow(display_),
                 False, GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    XSetErrorHandler(previousHandler);
    trappedDisplay = nullptr;
    bool failed = trappedError || connectionLost_;
    if (failed && !connectionLost_)
        Ungrab(keyCode, mask); // give back the combinations that did succeed
    return !failed;
}

void LinuxHotKeys::Ungrab(unsigned keyCode, unsigned mask) {
    for (unsigned lock : LockCombinations())
        XUngrabKey(display_, static_cast<int>(keyCode), mask | lock, DefaultRootWindow(display_));
    XFlush(display_);
}

bool LinuxHotKeys::RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) {
    for (const Registration& r : registrations_)
        if ((r.Window == window && r.Id == id) ||
            (r.Modifiers == modifiers && r.VirtualKey == virtualKey))
            return false;
    unsigned long keysym = KeysymFromVirtualKey(static_cast<int>(virtualKey));
    if (keysym == 0)
        return false;
    unsigned mask = ModifierMask(modifiers);
    if (wayland_) {
        // The key comes from the compositor's binding or the portal. No grab through XWayland:
        // it would see the key only while an X11 window has the focus, and connecting would
        // start an XWayland that a compositor starts only when an X11 program wants one.
        registrations_.push_back({window, id, modifiers, virtualKey, 0, mask});
        if (!portalWanted_)
            return true;
        if (!portal_)
            portal_ = std::make_unique<PortalShortcuts>([this](const QString& shortcut) {
                for (const Registration& r : registrations_)
                    if (shortcut == QStringLiteral("hotkey-%1").arg(r.Id))
                        Press(r.Modifiers, r.VirtualKey);
            });
        if (QString trigger = TriggerName(modifiers, virtualKey); !trigger.isEmpty())
            portal_->Bind(QStringLiteral("hotkey-%1").arg(id), QStringLiteral("End the rest"),
                          trigger);
        return true;
    }
    if (!Connect())
        return false;
    KeyCode keyCode = XKeysymToKeycode(display_, keysym);
    if (keyCode == 0)
        return false;
    bool grabbed = Grab(keyCode, mask);
    if (grabbed)
        registrations_.push_back({window, id, modifiers, virtualKey, keyCode, mask});
    // XSync may have queued events that the socket will not announce again.
    ReadEvents();
    return grabbed;
}

bool LinuxHotKeys::Press(UINT modifiers, UINT virtualKey) {
    for (const Registration& r : registrations_)
        if (r.Modifiers == modifiers && r.VirtualKey == virtualKey) {
            Current().Loop().PostMessage(
                r.Window, WM_HOTKEY, static_cast<WPARAM>(r.Id),
                static_cast<LPARAM>((r.VirtualKey << 16) | (r.Modifiers & 0xFFFF)));
            return true;
        }
    return false;
}

bool LinuxHotKeys::UnregisterHotKey(HWND window, int id) {
    auto it = std::find_if(registrations_.begin(), registrations_.end(),
                           [&](const Registration& r) { return r.Window == window && r.Id == id; });
    if (it == registrations_.end())
        return false;
    if (display_ != nullptr && !connectionLost_)
        Ungrab(it->KeyCode, it->Mask);
    registrations_.erase(it);
    return true;
}

void LinuxHotKeys::ReadEvents() {
    if (display_ == nullptr)
        return;
    while (!connectionLost_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            if (event.xmapping.request != MappingPointer)
                MappingChanged();
            continue;
        }
        if (event.type != KeyPress)
            continue;
        unsigned state = event.xkey.state & ~LockMasks();
        for (const Registration& r : registrations_)
            if (r.KeyCode == event.xkey.keycode && r.Mask == state) {
                Current().Loop().PostMessage(
                    r.Window, WM_HOTKEY, static_cast<WPARAM>(r.Id),
                    static_cast<LPARAM>((r.VirtualKey << 16) | (r.Modifiers & 0xFFFF)));
                break;
            }
    }
    if (connectionLost_)
        notifier_.reset(); // a closed socket would report itself readable for ever
}

void LinuxHotKeys::MappingChanged() {
    // A new keyboard map may put the key on another key code or Num Lock on another modifier:
    // grab anew. A key that another client took meanwhile stays without its grab.
    for (const Registration& r : registrations_)
        Ungrab(r.KeyCode, r.Mask);
    numLockMask_ = FindNumLockMask(display_);
    for (Registration& r : registrations_) {
        unsigned long keysym = KeysymFromVirtualKey(static_cast<int>(r.VirtualKey));
        KeyCode keyCode = XKeysymToKeycode(display_, keysym);
        if (keyCode != 0)
            r.KeyCode = keyCode;
        Grab(r.KeyCode, r.Mask);
    }
}

} // namespace os
