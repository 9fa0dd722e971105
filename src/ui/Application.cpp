#include "ui/Application.h"

#include "os/Platform.h"

namespace ui {

void ShowException(const std::exception& error) {
    os::Current().GetShell().MessageBox(0, error.what(), ApplicationTitle,
                                        os::MB_OK | os::MB_ICONERROR);
}

} // namespace ui
