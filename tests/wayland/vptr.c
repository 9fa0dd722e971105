/* A virtual pointer for the Wayland tests: a compositor with no pointer device delivers no
 * pointer events at all, and one-shot tools take their device away again at once. This one
 * keeps its device for as long as it runs and reads commands from standard input, one a line:
 *
 *   abs X Y        moves to X,Y of the output (the first output's size is the extent)
 *   rel DX DY      moves by DX,DY
 *   click [1-3]    presses and releases the left, middle or right button
 *   sleep MS       waits
 *
 * It answers "ok" on standard output once a command has reached the compositor, so a script
 * knows when to look. Unknown commands are reported on standard error and end the run with
 * code 2; end of input ends it with 0. */
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#define BTN_LEFT 0x110
#define BTN_RIGHT 0x111
#define BTN_MIDDLE 0x112

struct state {
    struct wl_seat* seat;
    struct wl_output* output;
    struct zwlr_virtual_pointer_manager_v1* manager;
    int width, height;
};

static void output_geometry(void* data, struct wl_output* output, int32_t x, int32_t y, int32_t pw,
                            int32_t ph, int32_t subpixel, const char* make, const char* model,
                            int32_t transform) {
    (void)data, (void)output, (void)x, (void)y, (void)pw, (void)ph, (void)subpixel;
    (void)make, (void)model, (void)transform;
}
static void output_mode(void* data, struct wl_output* output, uint32_t flags, int32_t width,
                        int32_t height, int32_t refresh) {
    struct state* s = data;
    (void)output, (void)refresh;
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        s->width = width;
        s->height = height;
    }
}
static void output_done(void* data, struct wl_output* output) {
    (void)data, (void)output;
}
static void output_scale(void* data, struct wl_output* output, int32_t factor) {
    (void)data, (void)output, (void)factor;
}
static const struct wl_output_listener output_listener = {output_geometry, output_mode, output_done,
                                                          output_scale,    NULL,        NULL};

static void global_added(void* data, struct wl_registry* registry, uint32_t name,
                         const char* interface, uint32_t version) {
    struct state* s = data;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !s->seat) {
        s->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, wl_output_interface.name) == 0 && !s->output) {
        s->output =
            wl_registry_bind(registry, name, &wl_output_interface, version < 2 ? version : 2);
        wl_output_add_listener(s->output, &output_listener, s);
    } else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        s->manager =
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    }
}
static void global_removed(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registry_listener = {global_added, global_removed};

static uint32_t now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

static void sleep_ms(long ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

int main(void) {
    struct state s = {0};
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "vptr: no Wayland display (WAYLAND_DISPLAY=%s)\n",
                getenv("WAYLAND_DISPLAY") ? getenv("WAYLAND_DISPLAY") : "");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, &s);
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    if (!s.manager) {
        fprintf(stderr, "vptr: the compositor offers no zwlr_virtual_pointer_manager_v1\n");
        return 1;
    }
    if (s.width <= 0 || s.height <= 0) {
        fprintf(stderr, "vptr: no output size known\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(s.manager, s.seat);
    wl_display_roundtrip(display);

    char line[256];
    int code = 0;
    setvbuf(stdout, NULL, _IOLBF, 0);
    while (fgets(line, sizeof line, stdin)) {
        char word[16] = "";
        long a = 0, b = 0;
        int n = sscanf(line, "%15s %ld %ld", word, &a, &b);
        if (n <= 0 || word[0] == '#')
            continue;
        if (strcmp(word, "abs") == 0 && n == 3) {
            if (a < 0 || b < 0 || a >= s.width || b >= s.height) {
                fprintf(stderr, "vptr: %ld,%ld lies outside the %dx%d output\n", a, b, s.width,
                        s.height);
                code = 2;
                break;
            }
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), (uint32_t)a, (uint32_t)b,
                                                    (uint32_t)s.width, (uint32_t)s.height);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (strcmp(word, "rel") == 0 && n == 3) {
            zwlr_virtual_pointer_v1_motion(pointer, now_ms(), wl_fixed_from_int((int)a),
                                           wl_fixed_from_int((int)b));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (strcmp(word, "click") == 0) {
            long which = n >= 2 ? a : 1;
            uint32_t button = which == 1 ? BTN_LEFT : which == 2 ? BTN_MIDDLE : BTN_RIGHT;
            if (which < 1 || which > 3) {
                fprintf(stderr, "vptr: no button %ld\n", which);
                code = 2;
                break;
            }
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), button,
                                           WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            wl_display_roundtrip(display);
            sleep_ms(30);
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), button,
                                           WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (strcmp(word, "sleep") == 0 && n == 2 && a >= 0) {
            sleep_ms(a);
        } else {
            fprintf(stderr, "vptr: unknown command: %s", line);
            code = 2;
            break;
        }
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "vptr: the compositor went away\n");
            code = 1;
            break;
        }
        printf("ok\n");
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return code;
}
