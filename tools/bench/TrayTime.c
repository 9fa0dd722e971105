/* Times what a user of a tray program waits for, for the benchmark.
 *
 *   tray-time start-exit SETTLE_MS PROGRAM [ARGS...]
 *       Starts the program, waits until its icon is docked and shown in the notification area
 *       (a window reparented into the tray host and mapped there), waits SETTLE_MS, sends
 *       SIGTERM and waits for the process to end. Prints "START_MS EXIT_MS".
 *   tray-time next-window TIMEOUT_MS
 *       Prints "ready" once it listens, then waits for the next ordinary top-level window to
 *       be mapped (menus and tooltips do not count) and prints the milliseconds since "ready".
 *   tray-time next-dock TIMEOUT_MS
 *       The same for the next icon docked and shown in the notification area.
 *
 * A step that does not happen in time is printed as -1 and the exit code is 1. The started
 * program's output goes to /dev/null.
 */
#define _GNU_SOURCE
#include <X11/Xlib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double NowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static int IgnoreErrors(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0; /* windows come and go while we look at them */
}

/* Waits for the next X event until the deadline; 0 on time-out. */
static int NextEvent(Display* d, XEvent* ev, double deadline) {
    while (!XPending(d)) {
        double left = deadline - NowMs();
        if (left <= 0)
            return 0;
        struct pollfd p = {ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, (int)left + 1);
    }
    XNextEvent(d, ev);
    return 1;
}

/* Milliseconds from t0 until a window is docked into the tray host and shown there, or -1.
 * The caller selected SubstructureNotify on the root window before t0. */
static double WaitDock(Display* d, double t0, int timeout) {
    Window root = DefaultRootWindow(d);
    Window icon = 0;
    XEvent ev;
    while (NextEvent(d, &ev, t0 + timeout)) {
        if (ev.type == ReparentNotify && ev.xreparent.parent != root && icon == 0) {
            icon = ev.xreparent.window;
            XSelectInput(d, icon, StructureNotifyMask);
            XWindowAttributes a;
            if (XGetWindowAttributes(d, icon, &a) && a.map_state == IsViewable)
                return NowMs() - t0;
        } else if (ev.type == MapNotify && icon != 0 && ev.xmap.window == icon) {
            return NowMs() - t0;
        }
    }
    return -1;
}

static int StartExit(Display* d, int settle, char** command) {
    Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);

    double t0 = NowMs();
    pid_t pid = fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        execvp(command[0], command);
        _exit(127);
    }

    double startMs = WaitDock(d, t0, 20000);

    double exitMs = -1;
    if (startMs >= 0) {
        usleep((useconds_t)settle * 1000);
        double t1 = NowMs();
        kill(pid, SIGTERM);
        while (NowMs() - t1 < 20000) {
            if (waitpid(pid, NULL, WNOHANG) == pid) {
                exitMs = NowMs() - t1;
                break;
            }
            usleep(500);
        }
    }
    if (exitMs < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, NULL, 0);
    }
    printf("%.1f %.1f\n", startMs, exitMs);
    return startMs >= 0 && exitMs >= 0 ? 0 : 1;
}

static int NextWindow(Display* d, int timeout, int dock) {
    Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);
    printf("ready\n");
    fflush(stdout);
    double t0 = NowMs();
    if (dock) {
        double ms = WaitDock(d, t0, timeout);
        printf("%.1f\n", ms);
        return ms >= 0 ? 0 : 1;
    }
    XEvent ev;
    while (NextEvent(d, &ev, t0 + timeout)) {
        if (ev.type == MapNotify && ev.xmap.event == root && !ev.xmap.override_redirect) {
            printf("%.1f\n", NowMs() - t0);
            return 0;
        }
    }
    printf("-1\n");
    return 1;
}

int main(int argc, char** argv) {
    int startExit = argc >= 4 && strcmp(argv[1], "start-exit") == 0;
    int nextWindow = argc == 3 && strcmp(argv[1], "next-window") == 0;
    int nextDock = argc == 3 && strcmp(argv[1], "next-dock") == 0;
    if (!startExit && !nextWindow && !nextDock) {
        fprintf(stderr,
                "usage: %s start-exit SETTLE_MS PROGRAM [ARGS...]\n"
                "       %s next-window|next-dock TIMEOUT_MS\n",
                argv[0], argv[0]);
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    if (d == NULL) {
        fprintf(stderr, "tray-time: no display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    int rc =
        startExit ? StartExit(d, atoi(argv[2]), argv + 3) : NextWindow(d, atoi(argv[2]), nextDock);
    XCloseDisplay(d);
    return rc;
}
