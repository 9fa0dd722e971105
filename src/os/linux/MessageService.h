/* The program's message service as other modules in the process see it: the hook library
   finds these two functions in the running executable by name (dlsym on the main program)
   and delivers its events through them. Both may be called from any thread. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Posts a message to a window of the program's main loop; 1 when the window exists. */
int VistrelPostMessage(uintptr_t window, unsigned int msg, uintptr_t wParam, intptr_t lParam);

/* 1 while the window exists. */
int VistrelIsWindow(uintptr_t window);

#ifdef __cplusplus
}
#endif
