#include "ui/Dialogs.h"

#include "os/Platform.h"

namespace ui {

bool TOpenDialog::Execute() {
    os::OpenFileName request;
    request.Owner = os::Current().Loop().GetActiveWindow();
    request.Filter = filter_;
    request.FilterIndex = filterIndex_;
    request.InitialDir = initialDir_;
    request.Title = title_;
    request.FileName = fileName_;
    if (!os::Current().GetShell().GetOpenFileName(request))
        return false;
    fileName_ = request.FileName;
    filterIndex_ = request.FilterIndex;
    return true;
}

} // namespace ui
