#include "dialogs/FormOption.h"

#include "app/SSThread.h"
#include "os/Platform.h"
#include "platform/MPlayer.h"
#include "settings/Localisation.h"
#include "settings/SystemUtils.h"
#include "settings/Utilities.h"
#include "ui/Application.h"
#include "ui/PeerFactory.h"

#include <algorithm>
#include <random>

namespace dialogs {

namespace {

constexpr int PeriodMin = 1;
constexpr int PeriodMax = 1440;

// The pages' design: controls placed on a page area of about 380 x 295 pixels.
constexpr int LabelLeft = 20;
constexpr int LabelGap = 3;
constexpr int SpinWidth = 52;
constexpr int SpinHeight = 22;

void Place(ui::TControl& control, ui::TWinControl& parent, int left, int top, int width,
           int height) {
    control.SetParent(&parent);
    control.SetBounds(left, top, width, height);
}

// The file name with its extension (the text after the last point) replaced.
std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    std::size_t dot = fileName.find_last_of('.');
    return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + extension;
}

// Selects the entry equal to text, letter case ignored; false when there is none.
template <class TList>
bool SelectEntry(TList& list, const std::string& text) {
    int index = list.Items().IndexOf(text);
    if (index < 0)
        return false;
    list.SetItemIndex(index);
    return true;
}

// Restores a control's cursor, also when the work between fails.
class TCursorGuard {
public:
    TCursorGuard(ui::TControl& control, ui::TCursor cursor)
        : control_(&control), life_(control.LifeToken()) {
        control.SetCursor(cursor);
    }
    ~TCursorGuard() {
        if (!life_.expired())
            control_->SetCursor(ui::TCursor::crDefault);
    }
    TCursorGuard(const TCursorGuard&) = delete;
    TCursorGuard& operator=(const TCursorGuard&) = delete;

private:
    ui::TControl* control_;
    std::weak_ptr<void> life_;
};

} // namespace

TOptionForm::TOptionForm(ui::TComponent* owner) : ui::TForm(owner) {
    using namespace ui;
    SetName("OptionForm");
    SetCaption("Option");
    SetBorderStyle(TBorderStyle::bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(TPosition::poScreenCenter);
    SetClientWidth(392);
    SetClientHeight(366);
    Font().SetName("Microsoft Sans Serif");
    Font().SetHeight(12);

    ActionList = NewComponent<TActionList>(*this, "ActionList");
    auto makeAction = [this](const char* name, const char* caption,
                             void (TOptionForm::*handler)(TComponent*)) {
        auto* action = NewComponent<TAction>(*this, name);
        action->SetCaption(caption);
        action->SetActionList(ActionList);
        action->OnExecute = [this, handler](TComponent* sender) { (this->*handler)(sender); };
        return action;
    };
    ActionAddMusic = makeAction("ActionAddMusic", "&Add", &TOptionForm::ActionAddMusicExecute);
    ActionDeleteMusic =
        makeAction("ActionDeleteMusic", "&Delete", &TOptionForm::ActionDeleteMusicExecute);
    ActionRestoreDefault =
        makeAction("ActionRestoreDefault", "De&fault", &TOptionForm::ActionRestoreDefaultExecute);
    ActionOK = makeAction("ActionOK", "&OK", &TOptionForm::ActionOKExecute);
    ActionCancel = makeAction("ActionCancel", "&Cancel", &TOptionForm::ActionCancelExecute);
    ActionSelectMusic = makeAction("ActionSelectMusic", "", &TOptionForm::ActionSelectMusicExecute);
    ActionSSSettings =
        makeAction("ActionSSSettings", "&Settings", &TOptionForm::ActionSSSettingsExecute);
    ActionSSPreview =
        makeAction("ActionSSPreview", "&Preview", &TOptionForm::ActionSSPreviewExecute);

    // The button strip along the bottom; neither OK nor Cancel answers Enter or Escape.
    Panel = NewComponent<TPanel>(*this, "Panel");
    Panel->SetParent(this);
    Panel->SetBevelOuter(TPanelBevel::bvNone);
    Panel->SetHeight(32);
    Panel->SetAlign(TAlign::alBottom);
    BDefault = NewComponent<TButton>(*this, "BDefault");
    Place(*BDefault, *Panel, 8, 3, 75, 25);
    BDefault->SetAction(ActionRestoreDefault);
    BOK = NewComponent<TButton>(*this, "BOK");
    Place(*BOK, *Panel, 392 - 8 - 75 - 6 - 75, 3, 75, 25);
    BOK->SetAction(ActionOK);
    BCancel = NewComponent<TButton>(*this, "BCancel");
    Place(*BCancel, *Panel, 392 - 8 - 75, 3, 75, 25);
    BCancel->SetAction(ActionCancel);

    PageControl = NewComponent<TPageControl>(*this, "PageControl");
    PageControl->SetParent(this);
    PageControl->Font().SetName(Font().Name());
    PageControl->Font().SetHeight(13);
    PageControl->SetAlign(TAlign::alClient);
    PageControl->OnChange = [this](TComponent* sender) { PageControlChange(sender); };
    auto makePage = [this](const char* name, const char* caption) {
        auto* page = NewComponent<TTabSheet>(*this, name);
        page->SetPageControl(PageControl);
        page->SetCaption(caption);
        return page;
    };
    TabSheet0 = makePage("TabSheet0", "General");
    TabSheet1 = makePage("TabSheet1", "Music");
    TabSheet2 = makePage("TabSheet2", "Screen saver");
    TabSheet3 = makePage("TabSheet3", "Language");

    // General: two sentences with a number field each, the alert method, three switches.
    auto makeLabel = [this](const char* name, const char* caption, TWinControl& parent, int top) {
        auto* label = NewComponent<TLabel>(*this, name);
        label->SetParent(&parent);
        label->SetCaption(caption);
        label->SetTop(top);
        label->SetLeft(LabelLeft);
        return label;
    };
    auto makeSpin = [this](const char* name, int value, int top) {
        auto* spin = NewComponent<TSpinEdit>(*this, name);
        Place(*spin, *TabSheet0, 0, top, SpinWidth, SpinHeight);
        spin->SetMinValue(PeriodMin);
        spin->SetMaxValue(PeriodMax);
        spin->SetValue(value);
        return spin;
    };
    LWorkPeriodPrefix =
        makeLabel("LWorkPeriodPrefix", "Alert me to have a rest in", *TabSheet0, 20);
    SEWorkPeriod = makeSpin("SEWorkPeriod", 50, 16);
    LWorkPeriodSuffix = makeLabel("LWorkPeriodSuffix", "minutes.", *TabSheet0, 20);
    LRestPeriodPrefix = makeLabel("LRestPeriodPrefix", "Rest for at least", *TabSheet0, 54);
    SERestPeriod = makeSpin("SERestPeriod", 10, 50);
    LRestPeriodSuffix = makeLabel("LRestPeriodSuffix", "minutes.", *TabSheet0, 54);

    auto makeRadio = [this](const char* name, const char* caption, TWinControl& group, int top,
                            int width) {
        auto* button = NewComponent<TRadioButton>(*this, name);
        Place(*button, group, 12, top, width, 20);
        button->SetCaption(caption);
        button->SetTabStop(true);
        return button;
    };
    RGAlertMethod = NewComponent<TRadioGroup>(*this, "RGAlertMethod");
    Place(*RGAlertMethod, *TabSheet0, LabelLeft, 86, 340, 118);
    RGAlertMethod->SetCaption("How to alert?");
    RBAlertMethod0 = makeRadio("RBAlertMethod0", "Turn off monitor.", *RGAlertMethod, 22, 316);
    RBAlertMethod1 = makeRadio("RBAlertMethod1", "Play music.", *RGAlertMethod, 44, 316);
    RBAlertMethod2 =
        makeRadio("RBAlertMethod2", "Turn off monitor and play music.", *RGAlertMethod, 66, 316);
    RBAlertMethod3 = makeRadio("RBAlertMethod3", "Invoke screen saver.", *RGAlertMethod, 88, 316);
    RBAlertMethod1->SetChecked(true);

    auto makeCheck = [this](const char* name, const char* caption, int top) {
        auto* box = NewComponent<TCheckBox>(*this, name);
        Place(*box, *TabSheet0, LabelLeft, top, 340, 20);
        box->SetCaption(caption);
        return box;
    };
    CBInterrupt = makeCheck("CBInterrupt", "Enable pressing F4 to interrupt rest.", 214);
    CBAutoRun = makeCheck("CBAutoRun", "Auto start on system boots.", 238);
    CBAutoUpdate = makeCheck("CBAutoUpdate", "Check for update automatically.", 262);

    // Music: the entries at the left, the description and the player at the right.
    LBMusic = NewComponent<TListBox>(*this, "LBMusic");
    Place(*LBMusic, *TabSheet1, 8, 8, 176, 204);
    LBMusic->SetSorted(true);
    LBMusic->SetShowHint(true);
    LBMusic->OnClick = [this](TComponent* sender) { ActionSelectMusicExecute(sender); };
    LBMusic->OnEnter = [this](TComponent* sender) { LBMusicEnter(sender); };
    LBMusic->OnMouseMove = [this](TComponent* sender, TShiftState shift, int x, int y) {
        LBMusicMouseMove(sender, shift, x, y);
    };
    MMusicInfo = NewComponent<TMemo>(*this, "MMusicInfo");
    Place(*MMusicInfo, *TabSheet1, 192, 8, 180, 138);
    MMusicInfo->SetScrollBars(TScrollStyle::ssVertical);
    MediaPlayer = NewComponent<platform::TMediaPlayer>(*this, "MediaPlayer");
    MediaPlayer->SetParent(TabSheet1);
    MediaPlayer->SetVisibleButtons({platform::btPlay, platform::btStop});
    MediaPlayer->SetBounds(192, 154, 57, 24);
    BAddMusic = NewComponent<TButton>(*this, "BAddMusic");
    Place(*BAddMusic, *TabSheet1, 192, 187, 75, 25);
    BAddMusic->SetAction(ActionAddMusic);
    BDeleteMusic = NewComponent<TButton>(*this, "BDeleteMusic");
    Place(*BDeleteMusic, *TabSheet1, 297, 187, 75, 25);
    BDeleteMusic->SetAction(ActionDeleteMusic);
    RGPlayMethod = NewComponent<TRadioGroup>(*this, "RGPlayMethod");
    Place(*RGPlayMethod, *TabSheet1, 8, 220, 364, 66);
    RBPlayMethod0 = makeRadio("RBPlayMethod0", "Play selected music.", *RGPlayMethod, 12, 340);
    RBPlayMethod1 = makeRadio("RBPlayMethod1", "Play music randomly.", *RGPlayMethod, 36, 340);
    RBPlayMethod0->SetChecked(true);
    OpenDialog = NewComponent<TOpenDialog>(*this, "OpenDialog");

    // Screen saver: the preview panel above the list and its two buttons.
    PScreenSaverPreview = NewComponent<TPanel>(*this, "PScreenSaverPreview");
    Place(*PScreenSaverPreview, *TabSheet2, 70, 8, 240, 180);
    PScreenSaverPreview->SetCaption("Preview");
    PScreenSaverPreview->SetBevelOuter(TPanelBevel::bvLowered);
    CBScreenSaver = NewComponent<TComboBox>(*this, "CBScreenSaver");
    Place(*CBScreenSaver, *TabSheet2, 8, 200, 200, 24);
    CBScreenSaver->SetStyle(TComboBoxStyle::csDropDownList);
    CBScreenSaver->SetSorted(true);
    BSSPreview = NewComponent<TButton>(*this, "BSSPreview");
    Place(*BSSPreview, *TabSheet2, 216, 199, 75, 25);
    BSSPreview->SetAction(ActionSSPreview);
    BSSSettings = NewComponent<TButton>(*this, "BSSSettings");
    Place(*BSSSettings, *TabSheet2, 297, 199, 75, 25);
    BSSSettings->SetAction(ActionSSSettings);
    RGSSMethod = NewComponent<TRadioGroup>(*this, "RGSSMethod");
    Place(*RGSSMethod, *TabSheet2, 8, 232, 364, 56);
    RBSSMethod0 = makeRadio("RBSSMethod0", "Invoke selected screen saver.", *RGSSMethod, 8, 340);
    RBSSMethod1 = makeRadio("RBSSMethod1", "Invoke screen saver randomly.", *RGSSMethod, 30, 340);
    RBSSMethod0->SetChecked(true);

    // Language: one sorted list filling the page.
    LBLanguage = NewComponent<TListBox>(*this, "LBLanguage");
    LBLanguage->SetParent(TabSheet3);
    LBLanguage->SetSorted(true);
    LBLanguage->SetAlign(TAlign::alClient);

    OnCreate = [this](TComponent* sender) { FormCreate(sender); };
    OnClose = [this](TComponent* sender, TCloseAction& action) { FormClose(sender, action); };
}

TOptionForm::~TOptionForm() {
    // The launchers end on their own; wait for them before the form's parts go.
    previews_.clear();
}

void TOptionForm::FormCreate(ui::TComponent* /*sender*/) {
    // An error here is shown and the dialog opens anyway, the later steps left undone.
    ui::HandleExceptions([this] {
        settings::TranslateForm(*this, settings::CurrentLanguage);
        // The pages keep their own size but take the language's face.
        PageControl->Font().SetName(Font().Name());

        // The sentences of the General page follow the length of their translated words.
        for (auto [prefix, spin, suffix] :
             {std::tuple{LWorkPeriodPrefix, SEWorkPeriod, LWorkPeriodSuffix},
              std::tuple{LRestPeriodPrefix, SERestPeriod, LRestPeriodSuffix}}) {
            prefix->SetLeft(LabelLeft);
            spin->SetLeft(prefix->Left() + prefix->Width() + LabelGap);
            suffix->SetLeft(spin->Left() + spin->Width() + LabelGap);
        }

        if (os::Current().Files().DirectoryExists(settings::GetMusicDir()))
            ListMusic();
        ListScreenSavers();
        musicInfo_ = settings::LoadMusicInfo();
        PageControl->SetActivePageIndex(0);
        settings::TVLSettings stored;
        settings::LoadSettings(stored);
        ShowSettings(stored);
    });
}

void TOptionForm::ShowSettings(const settings::TVLSettings& s) {
    SERestPeriod->SetValue(s.RestPeriod);
    SEWorkPeriod->SetValue(s.WorkPeriod);
    CBAutoRun->SetChecked(s.AutoRun);
    CBAutoUpdate->SetChecked(s.AutoUpdate);
    CBInterrupt->SetChecked(s.CanInterrupt);
    ui::TRadioButton* alerts[] = {RBAlertMethod0, RBAlertMethod1, RBAlertMethod2, RBAlertMethod3};
    if (s.AlertMethod >= 0 && s.AlertMethod <= 3)
        alerts[s.AlertMethod]->SetChecked(true);

    LBLanguage->Items().Clear();
    if (auto languages = settings::GetLanguageList())
        LBLanguage->Items().AddStrings(*languages);
    SelectEntry(*LBLanguage, s.Language);

    if (s.PlayMethod == 0)
        RBPlayMethod0->SetChecked(true);
    else if (s.PlayMethod == 1)
        RBPlayMethod1->SetChecked(true);
    if (s.SSMethod == 0)
        RBSSMethod0->SetChecked(true);
    else if (s.SSMethod == 1)
        RBSSMethod1->SetChecked(true);

    SelectEntry(*LBMusic, s.MusicFile);
    SelectEntry(*CBScreenSaver, settings::ExtractFileName(s.ScreenSaver));
}

void TOptionForm::ApplySettings() {
    settings::TVLSettings s;
    // OK reached through its shortcut leaves the focus in the field, so the correction made
    // when the focus leaves has not run: store the same corrected number it would show.
    s.RestPeriod = std::clamp(SERestPeriod->Value(), PeriodMin, PeriodMax);
    s.WorkPeriod = std::clamp(SEWorkPeriod->Value(), PeriodMin, PeriodMax);
    s.AutoRun = CBAutoRun->Checked();
    s.AutoUpdate = CBAutoUpdate->Checked();
    s.CanInterrupt = CBInterrupt->Checked();
    if (RBAlertMethod0->Checked())
        s.AlertMethod = 0;
    else if (RBAlertMethod1->Checked())
        s.AlertMethod = 1;
    else if (RBAlertMethod2->Checked())
        s.AlertMethod = 2;
    else if (RBAlertMethod3->Checked())
        s.AlertMethod = 3;
    if (LBLanguage->ItemIndex() >= 0)
        s.Language = LBLanguage->Items()[LBLanguage->ItemIndex()];
    s.PlayMethod = RBPlayMethod0->Checked() ? 0 : 1;
    s.SSMethod = RBSSMethod0->Checked() ? 0 : 1;
    if (LBMusic->ItemIndex() >= 0)
        s.MusicFile = LBMusic->Items()[LBMusic->ItemIndex()];
    s.ScreenSaver = settings::GetScreenSaverDir() + CBScreenSaver->Text();
    settings::SaveSettings(s);
}

void TOptionForm::ActionOKExecute(ui::TComponent* /*sender*/) {
    ApplySettings(); // a failed save ends here: the error box shows and the dialog stays
    Close();
}

void TOptionForm::ActionCancelExecute(ui::TComponent* /*sender*/) {
    Close();
}

void TOptionForm::ActionRestoreDefaultExecute(ui::TComponent* /*sender*/) {
    if (os::Current().GetShell().MessageBox(Handle(), settings::MsgRestoreDefault,
                                            settings::MsgAlert,
                                            os::MB_YESNO | os::MB_ICONQUESTION) != os::IDYES)
        return;
    settings::TVLSettings defaults;
    settings::DefaultSettings(defaults);
    ShowSettings(defaults);
    ActionSelectMusic->Execute();
}

void TOptionForm::PageControlChange(ui::TComponent* /*sender*/) {
    if (PageControl->ActivePageIndex() == 1 && MediaPlayer->FileName().empty())
        ActionSelectMusic->Execute();
}

void TOptionForm::FormClose(ui::TComponent* /*sender*/, ui::TCloseAction& /*action*/) {
    ClosePreviewWindows();
    MediaPlayer->Close();
}

void TOptionForm::ClosePreviewWindows() {
    ui::TPeerFactory* windows = ui::PeerFactory();
    os::HWND panel = PScreenSaverPreview->Handle();
    if (!windows || panel == 0)
        return;
    // The first hidden window ends the search: what lies behind it is not the preview's.
    for (os::HWND window : windows->EnumChildWindows(panel)) {
        if (!windows->IsWindowVisible(window))
            break;
        windows->CloseWindow(window);
    }
}

// ---- Music page ----------------------------------------------------------------------------

void TOptionForm::ListMusic() {
    LBMusic->Items().Clear();
    settings::ListFiles(settings::GetMusicDir(), LBMusic->Items(), "*.*");
}

void TOptionForm::ActionSelectMusicExecute(ui::TComponent* /*sender*/) {
    if (LBMusic->ItemIndex() < 0)
        return;
    const std::string entry = LBMusic->Items()[LBMusic->ItemIndex()];
    const std::string path = settings::GetMusicDir() + entry;
    if (!os::Current().Files().FileExists(path))
        return;
    if (musicInfo_ && musicInfo_->Count() > 0)
        MMusicInfo->SetText(settings::GetMusicDescription(*musicInfo_, entry));
    auto alive = LifeToken();
    os::Current().Loop().ProcessMessages(); // the page repaints before the file is opened
    if (alive.expired())
        return;
    TCursorGuard busy(*LBMusic, ui::TCursor::crHourGlass);
    MediaPlayer->Close();
    MediaPlayer->SetFileName(path);
    MediaPlayer->Open();
}

void TOptionForm::ActionAddMusicExecute(ui::TComponent* /*sender*/) {
    OpenDialog->SetFilter(settings::MsgFilter + "|*.mid;*.midi;*.wav;*.mp3"
                                                "|MIDI (*.mid; *.midi)|*.mid;*.midi"
                                                "|Wave (*.wav)|*.wav"
                                                "|MP3 (*.mp3)|*.mp3");
    OpenDialog->SetFilterIndex(1);
    if (!OpenDialog->Execute())
        return;
    const std::string chosen = OpenDialog->FileName();
    const std::string name = ChangeFileExt(settings::ExtractFileName(chosen), ".m3u");
    const std::string target = settings::GetMusicDir() + name;
    os::Platform& system = os::Current();
    if (system.Files().FileExists(target)) {
        system.GetShell().MessageBox(Handle(), settings::MsgMusicExists, settings::MsgError,
                                     os::MB_OK | os::MB_ICONERROR);
        return;
    }
    system.Files().WriteFile(target, chosen + "\r\n");
    ListMusic();
    SelectEntry(*LBMusic, name);
    ActionSelectMusic->Execute();
}

void TOptionForm::ActionDeleteMusicExecute(ui::TComponent* /*sender*/) {
    if (LBMusic->ItemIndex() < 0)
        return;
    os::Platform& system = os::Current();
    if (system.GetShell().MessageBox(Handle(), settings::MsgDeleteMusic, settings::MsgAlert,
                                     os::MB_YESNO | os::MB_ICONQUESTION) != os::IDYES)
        return;
    MediaPlayer->Close();
    system.Files().DeleteFile(settings::GetMusicDir() + LBMusic->Items()[LBMusic->ItemIndex()]);
    ListMusic();
    settings::TVLSettings stored;
    settings::LoadSettings(stored);
    if (!SelectEntry(*LBMusic, stored.MusicFile) && LBMusic->Items().Count() > 0) {
        std::mt19937 random(static_cast<std::mt19937::result_type>(system.GetClock().TickCount() ^
                                                                   std::random_device{}()));
        std::uniform_int_distribution<int> pick(0, LBMusic->Items().Count() - 1);
        LBMusic->SetItemIndex(pick(random));
    }
    ActionSelectMusic->Execute();
}

void TOptionForm::LBMusicMouseMove(ui::TComponent* /*sender*/, ui::TShiftState /*shift*/, int x,
                                   int y) {
    UpdateItemHint(x, y);
}

void TOptionForm::LBMusicEnter(ui::TComponent* /*sender*/) {
    hintIndex_ = -1;
}

void TOptionForm::UpdateItemHint(int x, int y) {
    int index = LBMusic->ItemAtPos({x, y}, true);
    if (index != hintIndex_) {
        ui::CancelHint();
        LBMusic->SetHint(index >= 0 ? LBMusic->Items()[index] : std::string());
    }
    hintIndex_ = index;
}

// ---- Screen saver page ---------------------------------------------------------------------

void TOptionForm::ListScreenSavers() {
    settings::ListFiles(settings::GetScreenSaverDir(), CBScreenSaver->Items(), "*.scr");
}

void TOptionForm::ActionSSPreviewExecute(ui::TComponent* /*sender*/) {
    if (CBScreenSaver->ItemIndex() < 0)
        return;
    ClosePreviewWindows();
    const std::string path = settings::GetScreenSaverDir() + CBScreenSaver->Text();
    previews_.push_back(std::make_unique<TSSThread>(path, PScreenSaverPreview->Handle()));
}

void TOptionForm::ActionSSSettingsExecute(ui::TComponent* /*sender*/) {
    if (CBScreenSaver->ItemIndex() < 0)
        return;
    ClosePreviewWindows();
    const std::string path = settings::GetScreenSaverDir() + CBScreenSaver->Text();
    settings::ShowScreenSaverSettings(path, PScreenSaverPreview->Handle());
}

} // namespace dialogs
