// The floor the benchmark compares Vistrel with: the least a Qt 6 tray program does that
// shows an animated icon and counts down, written as plainly as the toolkit invites. Eight
// frames, one second each, and a second one-second timer that counts down; SIGTERM ends it
// through the event loop, as it ends Vistrel.
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace {
int signalPipe[2];
extern "C" void OnSignal(int) {
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QIcon frames[8];
    for (int i = 0; i < 8; ++i) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setBrush(QColor(40, 110, 200));
        painter.drawEllipse(1, 1, 14, 14);
        painter.setBrush(Qt::white);
        painter.drawPie(3, 3, 10, 10, i * 45 * 16, 45 * 16);
        frames[i] = QIcon(pixmap);
    }

    QSystemTrayIcon tray;
    tray.setIcon(frames[0]);
    tray.setToolTip("floor");
    tray.show();

    int frame = 0;
    QTimer animation;
    QObject::connect(&animation, &QTimer::timeout, [&] {
        frame = (frame + 1) % 8;
        tray.setIcon(frames[frame]);
    });
    animation.start(1000);

    int secondsLeft = 50 * 60;
    QTimer countdown;
    QObject::connect(&countdown, &QTimer::timeout, [&] {
        if (secondsLeft > 0)
            --secondsLeft;
    });
    countdown.start(1000);

    if (::pipe(signalPipe) != 0)
        return 1;
    QSocketNotifier quitNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, &app, &QApplication::quit);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    return app.exec();
}
