// The pictures built into the program (":/images/<name>.png").
#pragma once

#include <QImageReader>
#include <QPixmap>
#include <QString>

#include <string>

namespace os {

// A null picture when there is none of that name. The format is given and not guessed: a
// guess loads every image plugin the toolkit has, and keeps them loaded.
inline QPixmap ResourcePicture(const std::string& name) {
    if (name.empty())
        return {};
    QImageReader reader(
        QStringLiteral(":/images/") + QString::fromUtf8(name) + QStringLiteral(".png"), "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace os
