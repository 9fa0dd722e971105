// The windows registered with the hook library. Not locked itself: the library guards it.
#pragma once

#include "Hook.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hook {

struct Receiver {
    int Kind = 0;
    std::uintptr_t Window = 0;
    // Accepted and kept, but events are posted, so no answer can withhold one.
    bool AllowFiltering = false;
};

class ReceiverList {
public:
    // Enough for any number of programs' worth of hook components in one process.
    static constexpr std::size_t Capacity = 16;

    // HOOK_OK, HOOK_ALREADY_REGISTERED or HOOK_TOO_MANY_RECEIVERS.
    int Add(const Receiver& receiver) {
        if (Find(receiver.Kind, receiver.Window) != receivers_.end())
            return HOOK_ALREADY_REGISTERED;
        if (receivers_.size() >= Capacity)
            return HOOK_TOO_MANY_RECEIVERS;
        receivers_.push_back(receiver);
        return HOOK_OK;
    }

    bool Remove(int kind, std::uintptr_t window) {
        auto it = Find(kind, window);
        if (it == receivers_.end())
            return false;
        receivers_.erase(it);
        return true;
    }

    // Takes off every registration of a window that has gone.
    void RemoveWindow(std::uintptr_t window) {
        std::erase_if(receivers_, [window](const Receiver& r) { return r.Window == window; });
    }

    template <class IsWindow>
    void Prune(IsWindow isWindow) {
        std::erase_if(receivers_, [&](const Receiver& r) { return !isWindow(r.Window); });
    }

    std::vector<std::uintptr_t> WindowsOf(int kind) const {
        std::vector<std::uintptr_t> windows;
        for (const Receiver& r : receivers_)
            if (r.Kind == kind)
                windows.push_back(r.Window);
        return windows;
    }

    bool Empty() const { return receivers_.empty(); }
    std::size_t Size() const { return receivers_.size(); }

private:
    std::vector<Receiver>::iterator Find(int kind, std::uintptr_t window) {
        return std::find_if(receivers_.begin(), receivers_.end(), [&](const Receiver& r) {
            return r.Kind == kind && r.Window == window;
        });
    }

    std::vector<Receiver> receivers_;
};

} // namespace hook
