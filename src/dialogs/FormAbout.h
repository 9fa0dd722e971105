// The About dialog: the program's name and version as its own file records it, a copyright
// line, a picture that starts a mail to the maker, a link to the home page and a text of
// thanks. It has no buttons; its close box ends it.
#pragma once

#include "dialogs/VersionInfo.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace dialogs {

// The maker's contact address, opened by a click on the mail picture.
inline constexpr const char* ContactMailUrl = "mailto:author@vistrel.net";

class TAboutForm : public ui::TForm {
public:
    explicit TAboutForm(ui::TComponent* owner = nullptr);

    ui::TPanel* PanelBottom;
    ui::TMemo* MThanks;
    ui::TPanel* PanelLeft;
    ui::TImage* ILogo;
    ui::TPanel* PanelRight;
    ui::TLabel* LTitle;
    ui::TLabel* LVersion;
    ui::TLabel* LCopyright;
    ui::TImage* IZemra;
    ui::TLabel* LWebSite;
    TVersionInfo* VersionInfo;

    void FormCreate(ui::TComponent* sender);
    void LWebSiteClick(ui::TComponent* sender);
    void IZemraClick(ui::TComponent* sender);
    void LWebSiteMouseEnter(ui::TComponent* sender);
    void LWebSiteMouseLeave(ui::TComponent* sender);
};

} // namespace dialogs
