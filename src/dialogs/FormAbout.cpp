#include "dialogs/FormAbout.h"

#include "os/Platform.h"
#include "settings/Localisation.h"
#include "settings/Utilities.h"

namespace dialogs {

namespace {

constexpr int ColumnWidth = 180;

// The words the dialog shows until a language file gives its own.
constexpr const char* ThanksText =
    "Thanks to everyone who tested Vistrel and sent ideas, and to the translators of its "
    "language files.\r\n"
    "\r\n"
    "Look away from the screen now and then: your eyes will thank you.";

} // namespace

TAboutForm::TAboutForm(ui::TComponent* owner) : ui::TForm(owner) {
    using namespace ui;
    SetName("AboutForm");
    SetCaption("About Vistrel 3");
    SetBorderStyle(TBorderStyle::bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(TPosition::poScreenCenter);
    SetClientWidth(352);
    SetClientHeight(276);

    auto makePanel = [this](const char* name, TAlign align, int size) {
        auto* panel = NewComponent<TPanel>(*this, name);
        panel->SetParent(this);
        panel->SetBevelOuter(TPanelBevel::bvNone);
        if (align == TAlign::alLeft)
            panel->SetWidth(size);
        else
            panel->SetHeight(size);
        panel->SetAlign(align);
        return panel;
    };
    PanelBottom = makePanel("PanelBottom", TAlign::alBottom, 120);
    MThanks = NewComponent<TMemo>(*this, "MThanks");
    MThanks->SetParent(PanelBottom);
    MThanks->SetAlign(TAlign::alClient);
    MThanks->SetReadOnly(true);
    MThanks->SetBorderStyle(TBorderStyle::bsNone);
    MThanks->SetColor(clBtnFace);
    MThanks->SetScrollBars(TScrollStyle::ssVertical);
    MThanks->SetTabStop(false);
    MThanks->SetText(ThanksText);

    PanelLeft = makePanel("PanelLeft", TAlign::alLeft, 150);
    ILogo = NewComponent<TImage>(*this, "ILogo");
    ILogo->SetParent(PanelLeft);
    ILogo->SetBounds(11, 14, 128, 128);
    ILogo->SetPicture("LOGO");
    ILogo->SetCenter(true);

    PanelRight = makePanel("PanelRight", TAlign::alClient, 0);
    const int column = (PanelRight->Width() - ColumnWidth) / 2;
    auto makeLabel = [this, column](const char* name, const char* caption, int top) {
        auto* label = NewComponent<TLabel>(*this, name);
        label->SetParent(PanelRight);
        label->SetAutoSize(false);
        label->SetAlignment(TAlignment::taCenter);
        label->SetCaption(caption);
        label->SetBounds(column, top, ColumnWidth, 16);
        return label;
    };
    LTitle = makeLabel("LTitle", "Vistrel 3", 10);
    LTitle->Font().SetName("Arial");
    LTitle->Font().SetHeight(32);
    LTitle->Font().SetStyle(fsBold);
    LTitle->Font().SetColor(clRed);
    LTitle->SetHeight(40);
    LVersion = makeLabel("LVersion", "Version: ", 56);
    LCopyright = makeLabel("LCopyright", "Copyright (C)", 76);
    IZemra = NewComponent<TImage>(*this, "IZemra");
    IZemra->SetParent(PanelRight);
    IZemra->SetBounds(column + (ColumnWidth - 150) / 2, 98, 150, 30);
    IZemra->SetPicture("IZEMRA");
    IZemra->SetTransparent(true);
    IZemra->SetCursor(TCursor::crHandPoint);
    IZemra->SetShowHint(true);
    IZemra->OnClick = [this](TComponent* sender) { IZemraClick(sender); };
    LWebSite = makeLabel("LWebSite", "Visit Vistrel homepage.", 134);
    LWebSite->SetCursor(TCursor::crHandPoint);
    LWebSite->SetShowHint(true);
    LWebSite->Font().SetColor(clBlue);
    LWebSite->Font().SetStyle(fsUnderline);
    LWebSite->OnClick = [this](TComponent* sender) { LWebSiteClick(sender); };
    LWebSite->OnMouseEnter = [this](TComponent* sender) { LWebSiteMouseEnter(sender); };
    LWebSite->OnMouseLeave = [this](TComponent* sender) { LWebSiteMouseLeave(sender); };

    VersionInfo = NewComponent<TVersionInfo>(*this, "VersionInfo");

    OnCreate = [this](TComponent* sender) { FormCreate(sender); };
}

void TAboutForm::FormCreate(ui::TComponent* /*sender*/) {
    settings::TranslateForm(*this, settings::CurrentLanguage);
    LVersion->SetCaption(LVersion->Caption() + VersionInfo->FileVersion());
}

void TAboutForm::LWebSiteClick(ui::TComponent* /*sender*/) {
    // A link that cannot be opened (no browser) fails silently.
    os::Current().Process().ShellExecute(Handle(), "open", settings::HomePageUrl, "", "",
                                         os::SW_SHOWNORMAL);
}

void TAboutForm::IZemraClick(ui::TComponent* /*sender*/) {
    os::Current().Process().ShellExecute(Handle(), "open", ContactMailUrl, "", "",
                                         os::SW_SHOWNORMAL);
}

void TAboutForm::LWebSiteMouseEnter(ui::TComponent* /*sender*/) {
    LWebSite->Font().SetStyle(LWebSite->Font().Style() & ~ui::fsUnderline);
    LWebSite->Font().SetColor(ui::clWindowText);
}

void TAboutForm::LWebSiteMouseLeave(ui::TComponent* /*sender*/) {
    LWebSite->Font().SetStyle(LWebSite->Font().Style() | ui::fsUnderline);
    LWebSite->Font().SetColor(ui::clBlue);
}

} // namespace dialogs
