#include "os/linux/WaylandSession.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <QtGlobal>

#include <cstdlib>

namespace os {

bool IsWaylandSession() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return display != nullptr && *display != '\0';
}

std::string QtPlatformFor(const char* waylandDisplay, const char* userChoice,
                          bool waylandPluginPresent) {
    if (userChoice != nullptr && *userChoice != '\0')
        return {};
    if (waylandDisplay == nullptr || *waylandDisplay == '\0' || !waylandPluginPresent)
        return {};
    return "wayland;xcb";
}

bool QtWaylandPluginPresent() {
    QStringList folders = {QLibraryInfo::path(QLibraryInfo::PluginsPath)};
    for (const QString& extra :
         qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts))
        folders.append(extra);
    for (const QString& folder : folders)
        if (QFileInfo::exists(QDir(folder).filePath("platforms/libqwayland-generic.so")))
            return true;
    return false;
}

QtPlatformChoice::QtPlatformChoice() {
    const char* user = std::getenv("QT_QPA_PLATFORM");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (user != nullptr && *user != '\0')
        return;
    if (wayland == nullptr || *wayland == '\0')
        return; // an X11 session: nothing is decided here
    const std::string platform = QtPlatformFor(wayland, user, QtWaylandPluginPresent());
    if (platform.empty())
        return;
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
    set_ = true;
}

QtPlatformChoice::~QtPlatformChoice() {
    if (set_)
        qunsetenv("QT_QPA_PLATFORM");
}

} // namespace os
