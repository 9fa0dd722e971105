// Shows the Options or the About dialog on the real platform, as the tray menu does, and ends
// when it is closed. For the end-to-end test it writes, every 200 ms, where its named widgets
// and its tabs are on the screen and what they show, to the file VISTREL_DEMO_LAYOUT names.
//
//   vistrel_dialog_demo option|about
#include "dialogs/Dialogs.h"
#include "os/NativePlatform.h"
#include "settings/Settings.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QString Shown(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text() + (button->isChecked() ? QStringLiteral(" [x]") : QString());
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
        return spin->text();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* list = qobject_cast<QListWidget*>(w))
        return list->currentItem() ? list->currentItem()->text() : QString();
    return {};
}

void WriteLayout(const QString& path) {
    QString text;
    QTextStream out(&text);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        out << "window " << top->windowTitle().replace(' ', '_') << ' ' << top->x() << ' '
            << top->y() << ' ' << top->width() << ' ' << top->height() << '\n';
        QList<QWidget*> widgets = top->findChildren<QWidget*>();
        widgets.prepend(top);
        for (QWidget* w : widgets) {
            if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            QPoint at = w->mapToGlobal(QPoint(0, 0));
            out << w->objectName() << ' ' << at.x() << ' ' << at.y() << ' ' << w->width() << ' '
                << w->height() << ' ' << (w->isVisible() ? 1 : 0) << ' ' << Shown(w) << '\n';
            if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
                QTabBar* bar = tabs->tabBar();
                for (int i = 0; i < bar->count(); ++i) {
                    QRect r = bar->tabRect(i);
                    QPoint p = bar->mapToGlobal(r.topLeft());
                    out << "tab:" << tabs->widget(i)->objectName() << ' ' << p.x() << ' ' << p.y()
                        << ' ' << r.width() << ' ' << r.height() << " 1 " << bar->tabText(i)
                        << '\n';
                }
            }
        }
    }
    QFile file(path + QStringLiteral(".tmp"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        file.close();
        QFile::remove(path);
        file.rename(path);
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* which = argc > 1 ? argv[1] : "option";
    auto platform = os::CreateNativePlatform(argc, argv);
    os::ScopedPlatform installed(*platform);
    // The language in force, as the main window's start-up sets it.
    settings::TVLSettings current;
    settings::LoadSettings(current);

    QTimer dump;
    if (const char* layout = std::getenv("VISTREL_DEMO_LAYOUT")) {
        QString path = QString::fromUtf8(layout);
        QObject::connect(&dump, &QTimer::timeout, [path] { WriteLayout(path); });
        dump.start(200);
    }
    if (std::strcmp(which, "about") == 0)
        dialogs::ShowAboutForm();
    else
        dialogs::ShowOptionForm();
    std::puts("closed");
    return 0;
}
