#include "os/Platform.h"

#include <cassert>

namespace os {

namespace {
Platform* installed = nullptr;
}

Platform& Current() {
    assert(installed != nullptr && "no platform installed");
    return *installed;
}

bool Installed() {
    return installed != nullptr;
}

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(installed) {
    installed = &platform;
}

ScopedPlatform::~ScopedPlatform() {
    installed = previous_;
}

} // namespace os
