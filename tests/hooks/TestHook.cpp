// A hook library for tests: it records every registration and posts scripted messages to the
// registered windows through a function the test hands it. Built in variants: complete,
// without "LastError" (TESTHOOK_NO_LASTERROR), and one that refuses every registration with
// the code given in TESTHOOK_REFUSE.
#include <cstdint>
#include <vector>

#ifndef TESTHOOK_API
#define TESTHOOK_API __attribute__((visibility("default")))
#endif
#define TESTHOOK_EXPORT extern "C" TESTHOOK_API

namespace {

struct Registration {
    int Kind;
    int Window;
    int AllowFiltering;
};

std::vector<Registration> registrations;
int lastCode = 0;
using Poster = int (*)(std::uintptr_t window, unsigned msg, std::uintptr_t wParam,
                       std::intptr_t lParam);
Poster poster = nullptr;

constexpr unsigned WM_USER = 0x0400;

} // namespace

TESTHOOK_EXPORT int AttachReceiver(int kind, int window, int allowFiltering) {
    registrations.push_back({kind, window, allowFiltering});
#ifdef TESTHOOK_REFUSE
    lastCode = TESTHOOK_REFUSE;
#else
    lastCode = 0;
#endif
    return lastCode;
}

TESTHOOK_EXPORT int DetachReceiver(int /*kind*/, int /*window*/) {
    return 0;
}

#ifndef TESTHOOK_NO_LASTERROR
TESTHOOK_EXPORT int LastError() {
    return lastCode;
}
#endif

// ---- For the test ----

TESTHOOK_EXPORT int TestHookRegistrationCount() {
    return static_cast<int>(registrations.size());
}

TESTHOOK_EXPORT int TestHookRegistration(int index, int* kind, int* window, int* allowFiltering) {
    if (index < 0 || index >= static_cast<int>(registrations.size()))
        return 0;
    const Registration& r = registrations[static_cast<std::size_t>(index)];
    *kind = r.Kind;
    *window = r.Window;
    *allowFiltering = r.AllowFiltering;
    return 1;
}

TESTHOOK_EXPORT void TestHookSetPoster(Poster post) {
    poster = post;
}

// Posts WM_USER + code to every window registered for the kind (lowest byte compared, as the
// library reads it); returns how many posts the program accepted.
TESTHOOK_EXPORT int TestHookEmit(int kind, int code, std::uintptr_t wParam, std::intptr_t lParam) {
    int accepted = 0;
    for (const Registration& r : registrations)
        if ((r.Kind & 0xFF) == kind && poster != nullptr &&
            poster(static_cast<std::uint32_t>(r.Window), WM_USER + static_cast<unsigned>(code),
                   wParam, lParam) != 0)
            ++accepted;
    return accepted;
}
