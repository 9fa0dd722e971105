// The Options dialog: four pages (General, Music, Screen saver, Language) over a row of three
// buttons. It fills its controls from the settings file when it is created and writes them
// back on OK; adding and deleting music change the music folder at once.
#pragma once

#include "settings/Settings.h"
#include "ui/ActnList.h"
#include "ui/Classes.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Spin.h"
#include "ui/StdCtrls.h"

#include <memory>
#include <vector>

class TSSThread;

namespace platform {
class TMediaPlayer;
}

namespace dialogs {

class TOptionForm : public ui::TForm {
public:
    explicit TOptionForm(ui::TComponent* owner = nullptr);
    ~TOptionForm() override;

    ui::TPageControl* PageControl;
    ui::TTabSheet* TabSheet0;
    ui::TLabel* LWorkPeriodPrefix;
    ui::TSpinEdit* SEWorkPeriod;
    ui::TLabel* LWorkPeriodSuffix;
    ui::TLabel* LRestPeriodPrefix;
    ui::TSpinEdit* SERestPeriod;
    ui::TLabel* LRestPeriodSuffix;
    ui::TRadioGroup* RGAlertMethod;
    ui::TRadioButton* RBAlertMethod0;
    ui::TRadioButton* RBAlertMethod1;
    ui::TRadioButton* RBAlertMethod2;
    ui::TRadioButton* RBAlertMethod3;
    ui::TCheckBox* CBInterrupt;
    ui::TCheckBox* CBAutoRun;
    ui::TCheckBox* CBAutoUpdate;

    ui::TTabSheet* TabSheet1;
    ui::TListBox* LBMusic;
    ui::TMemo* MMusicInfo;
    platform::TMediaPlayer* MediaPlayer;
    ui::TButton* BAddMusic;
    ui::TButton* BDeleteMusic;
    ui::TRadioGroup* RGPlayMethod;
    ui::TRadioButton* RBPlayMethod0;
    ui::TRadioButton* RBPlayMethod1;
    ui::TOpenDialog* OpenDialog;

    ui::TTabSheet* TabSheet2;
    ui::TPanel* PScreenSaverPreview;
    ui::TComboBox* CBScreenSaver;
    ui::TButton* BSSPreview;
    ui::TButton* BSSSettings;
    ui::TRadioGroup* RGSSMethod;
    ui::TRadioButton* RBSSMethod0;
    ui::TRadioButton* RBSSMethod1;

    ui::TTabSheet* TabSheet3;
    ui::TListBox* LBLanguage;

    ui::TPanel* Panel;
    ui::TButton* BDefault;
    ui::TButton* BOK;
    ui::TButton* BCancel;

    ui::TActionList* ActionList;
    ui::TAction* ActionAddMusic;
    ui::TAction* ActionDeleteMusic;
    ui::TAction* ActionRestoreDefault;
    ui::TAction* ActionOK;
    ui::TAction* ActionCancel;
    ui::TAction* ActionSelectMusic;
    ui::TAction* ActionSSSettings;
    ui::TAction* ActionSSPreview;

    // Sets every page's controls from a settings record.
    void ShowSettings(const settings::TVLSettings& settings);
    // Builds a settings record from the controls and saves it.
    void ApplySettings();
    // Closes the windows a screen-saver preview opened inside PScreenSaverPreview.
    void ClosePreviewWindows();

    void FormCreate(ui::TComponent* sender);
    void FormClose(ui::TComponent* sender, ui::TCloseAction& action);
    void PageControlChange(ui::TComponent* sender);
    void ActionOKExecute(ui::TComponent* sender);
    void ActionCancelExecute(ui::TComponent* sender);
    void ActionRestoreDefaultExecute(ui::TComponent* sender);
    void ActionSelectMusicExecute(ui::TComponent* sender);
    void ActionAddMusicExecute(ui::TComponent* sender);
    void ActionDeleteMusicExecute(ui::TComponent* sender);
    void ActionSSPreviewExecute(ui::TComponent* sender);
    void ActionSSSettingsExecute(ui::TComponent* sender);
    void LBMusicMouseMove(ui::TComponent* sender, ui::TShiftState shift, int x, int y);
    void LBMusicEnter(ui::TComponent* sender);

private:
    void ListMusic();
    void ListScreenSavers();
    void UpdateItemHint(int x, int y);

    // The music descriptions of the language in force when the dialog was made.
    std::unique_ptr<ui::TStringList> musicInfo_;
    // The music entry last under the pointer, for the list's hint.
    int hintIndex_ = 0;
    // Preview launchers; each ends as soon as its program is started.
    std::vector<std::unique_ptr<TSSThread>> previews_;
};

} // namespace dialogs
