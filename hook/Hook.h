/* The hook library as the program loads it: three functions found by name. Events reach each
   registered receiver window as message WM_USER + Code (keyboard: Code 0, wParam = virtual
   key, lParam = keystroke flags; mouse: Code 0 = moved, 1..9 = button * 3 + movement + 1,
   wParam = x | y << 16, lParam = the window under the pointer). In a Wayland session the
   library learns only that input came after a short pause: each time, mouse receivers get a
   move with wParam 0 and lParam 0, keyboard receivers a key press with virtual key 0. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define HOOK_EXPORT __declspec(dllexport)
#define HOOK_CALL __stdcall
#else
#define HOOK_EXPORT __attribute__((visibility("default")))
#define HOOK_CALL
#endif

enum {
    HOOK_KEYBOARD = 1,
    HOOK_MOUSE = 2,
    HOOK_OK = 0,
    HOOK_ALREADY_REGISTERED = -2,
    HOOK_NOT_REGISTERED = -3,
    HOOK_TOO_MANY_RECEIVERS = -4,
    HOOK_ALREADY_INSTALLED = -5
};

/* Registers a receiver window for one kind of event (lowest byte of kind; lowest byte of
   allowFiltering). 0, a negative code above, or a positive system error code. */
HOOK_EXPORT int HOOK_CALL AttachReceiver(int kind, int window, int allowFiltering);

/* Takes a receiver off again; 0 or HOOK_NOT_REGISTERED. */
HOOK_EXPORT int HOOK_CALL DetachReceiver(int kind, int window);

/* The code the last call of the two above returned. */
HOOK_EXPORT int HOOK_CALL LastError(void);

#ifdef __cplusplus
}
#endif
