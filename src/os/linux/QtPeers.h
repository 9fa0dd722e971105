// The native peers of the ui components on Qt Widgets: a dialog window for a form, and the
// toolkit's own widget for every control kind the dialogs use (page control and tab sheets,
// panel, label, memo, check box, radio button, group box, button, list box, drop-down list,
// whole-number field, image, the media player's button bar). Properties flow from the control
// to the widget; what the user does flows back as the control's own calls, and an error a
// handler raises there is shown in the application's error box.
//
// Foreign windows (a screen saver's preview inside a panel) are X windows, reached through the
// toolkit's own X connection.
#pragma once

#include "ui/PeerFactory.h"

namespace os {

class QtPeerFactory : public ui::TPeerFactory {
public:
    // Needs the toolkit's application object. Maps the Windows font names the forms use to
    // the faces the system has.
    QtPeerFactory();

    std::unique_ptr<ui::TControlPeer> CreatePeer(ui::TControl& control) override;
    void RunModal(ui::TForm& form) override;
    void CancelHint() override;
    std::vector<HWND> EnumChildWindows(HWND parent) override;
    bool IsWindowVisible(HWND window) override;
    // Asks a window that takes close requests (WM_DELETE_WINDOW) to close; any other window
    // is destroyed, as the default answer to WM_CLOSE does.
    void CloseWindow(HWND window) override;
};

} // namespace os
