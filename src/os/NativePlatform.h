// The realisation of the operating-system interface for the system the program was built for.
#pragma once

#include "os/Platform.h"

#include <memory>

namespace os {

// Makes the platform's services (on Linux this also makes the toolkit's application object,
// which takes its own options out of argc/argv). argc must outlive the platform.
std::unique_ptr<Platform> CreateNativePlatform(int& argc, char** argv);

} // namespace os
