#include "settings/Localisation.h"

#include "os/Platform.h"
#include "settings/Utilities.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <set>
#include <string>

namespace settings {

std::string CurrentLanguage;

std::string MsgVistrelTitle;
std::string MsgError;
std::string MsgAlert;
std::string MsgCongratulations;
std::string MsgTimeLeft;
std::string MsgTimeOut;
std::string MsgFilter;
std::string MsgMusicExists;
std::string MsgDeleteMusic;
std::string MsgRestoreDefault;
std::string MsgHotKeyRegisterFailed;
std::string MsgNoHelpFile;
std::string MsgNoMusicFile;
std::string MsgNoUpdater;
std::string MsgUpdaterTitle;
std::string MsgNoNewVersion;
std::string MsgCheckingNew;
std::string MsgUpdateUpdaterFirst;
std::string MsgRestartVistrel;
std::string MsgDownloading;
std::string MsgUpdateSuccess;
std::string MsgUpdateFailure;
std::string MsgFinished;
std::string MsgNetworkError;
std::string MsgCreateError;

namespace {

struct MessageEntry {
    const char* Key;
    std::string* Text;
    const char* English;
};

// In the order of the "Message" section; the English texts keep their blanks.
const MessageEntry Messages[] = {
    {"MsgVistrelTitle", &MsgVistrelTitle, "Vistrel"},
    {"MsgError", &MsgError, "Error"},
    {"MsgAlert", &MsgAlert, "Alert"},
    {"MsgCongratulations", &MsgCongratulations, "Congratulations"},
    {"MsgTimeLeft", &MsgTimeLeft, " left"},
    {"MsgTimeOut", &MsgTimeOut, "Have a rest!"},
    {"MsgFilter", &MsgFilter, "All supported files"},
    {"MsgMusicExists", &MsgMusicExists, "Music already exists."},
    {"MsgDeleteMusic", &MsgDeleteMusic, "Are you sure to delete seleted music?"},
    {"MsgRestoreDefault", &MsgRestoreDefault,
     "Are you sure to restore default settings of all pages?"},
    {"MsgHotKeyRegisterFailed", &MsgHotKeyRegisterFailed, "Hot key register failed."},
    {"MsgNoHelpFile", &MsgNoHelpFile, "Help file missing!"},
    {"MsgNoMusicFile", &MsgNoMusicFile, "Music file(s) missing!"},
    {"MsgNoUpdater", &MsgNoUpdater, "Updater missing!"},
    {"MsgUpdaterTitle", &MsgUpdaterTitle, "Updater"},
    {"MsgNoNewVersion", &MsgNoNewVersion, "You are using the latest version."},
    {"MsgCheckingNew", &MsgCheckingNew, "Checking new components..."},
    {"MsgUpdateUpdaterFirst", &MsgUpdateUpdaterFirst,
     "Updater will restart after updating. Pleas check for new components again!"},
    {"MsgRestartVistrel", &MsgRestartVistrel, "Vistrel will be updated and restarted!"},
    {"MsgDownloading", &MsgDownloading, "Downloading "},
    {"MsgUpdateSuccess", &MsgUpdateSuccess, "Success!"},
    {"MsgUpdateFailure", &MsgUpdateFailure, "Failure!"},
    {"MsgFinished", &MsgFinished, "Finished!"},
    {"MsgNetworkError", &MsgNetworkError, "Network error! Please try again later."},
    {"MsgCreateError", &MsgCreateError, "Cannot create "},
};

std::string LanguageFileName(const std::string& languageName) {
    return GetLanguageDir() + languageName + ".ini";
}

// A language is a file in the language folder and nothing else: a name with a folder part
// ("../../x 1033") has no file, so every text keeps what it has.
bool IsLanguageName(const std::string& languageName) {
    return IsBareFileName(languageName);
}

// One section of a language file; every read falls back to the value given.
class TLanguageSection {
public:
    TLanguageSection(const std::string& languageName, std::string section)
        : valid_(IsLanguageName(languageName)), fileName_(LanguageFileName(languageName)),
          section_(std::move(section)), profile_(os::Current().Profile()) {}

    std::string ReadString(const std::string& key, const std::string& current) const {
        if (!valid_)
            return current;
        return profile_.GetPrivateProfileString(section_, key, current, fileName_);
    }
    int ReadInteger(const std::string& key, int current) const {
        int value = 0;
        return TryStrToInt(ReadString(key, ""), value) ? value : current;
    }
    // The names of the section's keys in the order they stand in the file.
    std::vector<std::string> KeyNames() const {
        if (!valid_)
            return {};
        return profile_.GetPrivateProfileKeyNames(section_, fileName_);
    }

private:
    bool valid_;
    std::string fileName_;
    std::string section_;
    os::ProfileStore& profile_;
};

template <class T>
void TranslateCaption(T& component, const TLanguageSection& section) {
    component.SetCaption(section.ReadString(component.Name() + ".Caption", component.Caption()));
}

} // namespace

void LoadMessages(const std::string& languageName) {
    const TLanguageSection section(languageName, "Message");
    for (const MessageEntry& entry : Messages)
        *entry.Text = section.ReadString(entry.Key, entry.English);
}

std::unique_ptr<ui::TStringList> GetLanguageList() {
    auto list = std::make_unique<ui::TStringList>();
    ui::TStringList files;
    ListFiles(GetLanguageDir(), files, "*.ini");
    std::set<std::string> offered;
    for (const std::string& file : files) {
        std::size_t dot = file.rfind('.');
        std::string name = dot == std::string::npos ? file : file.substr(0, dot);
        // The search ignores case, opening a file may not: "Deutsch 1031.INI" is offered only
        // where "Deutsch 1031.ini" opens it too, and then once.
        if (file != name + ".ini" && !os::Current().Files().FileExists(LanguageFileName(name)))
            continue;
        if (offered.insert(name).second)
            list->Add(name);
    }
    return list;
}

std::string GetDefaultLanguage() {
    os::SystemInfo& system = os::Current().System();
    std::uint16_t langId = system.GetSystemDefaultLangID();
    std::string id = std::to_string(langId);
    std::string systemName = system.VerLanguageName(langId);
    if (systemName.size() > 49)
        systemName.resize(49);
    auto languages = GetLanguageList();
    for (const std::string& name : *languages)
        if (name.find(id) != std::string::npos)
            return name;
    return systemName + " - " + id;
}

void TranslateForm(ui::TForm& form, const std::string& languageName) {
    const TLanguageSection section(languageName, form.Name());
    const std::string& formName = form.Name();
    form.SetCaption(section.ReadString(formName + ".Caption", form.Caption()));
    form.Font().SetName(section.ReadString(formName + ".Font.Name", form.Font().Name()));
    form.Font().SetSize(section.ReadInteger(formName + ".Font.Size", form.Font().Size()));

    for (int i = 0; i < form.ComponentCount(); ++i) {
        ui::TComponent* component = form.Components(i);
        const std::string& name = component->Name();
        // A component may be of more than one of these kinds; each test stands on its own.
        if (auto* label = dynamic_cast<ui::TLabel*>(component)) {
            TranslateCaption(*label, section);
            label->SetHint(section.ReadString(name + ".Hint", label->Hint()));
        }
        if (auto* memo = dynamic_cast<ui::TMemo*>(component)) {
            memo->Font().SetColor(ui::clNavy);
            std::string designText = memo->Text();
            // The control takes the lines once, not once per line.
            memo->Lines().BeginUpdate();
            memo->Lines().Clear();
            for (const std::string& key : section.KeyNames())
                if (key.find(name + ".Line") != std::string::npos)
                    memo->Lines().Add(section.ReadString(key, ""));
            memo->Lines().EndUpdate();
            if (memo->Lines().Count() == 0)
                memo->SetText(designText);
        }
        if (auto* panel = dynamic_cast<ui::TPanel*>(component))
            TranslateCaption(*panel, section);
        if (auto* checkBox = dynamic_cast<ui::TCheckBox*>(component))
            TranslateCaption(*checkBox, section);
        if (auto* radioButton = dynamic_cast<ui::TRadioButton*>(component))
            TranslateCaption(*radioButton, section);
        if (auto* action = dynamic_cast<ui::TAction*>(component))
            TranslateCaption(*action, section); // its buttons and menu items follow it
        if (auto* menuItem = dynamic_cast<ui::TMenuItem*>(component))
            TranslateCaption(*menuItem, section);
        if (auto* tabSheet = dynamic_cast<ui::TTabSheet*>(component))
            TranslateCaption(*tabSheet, section);
        if (auto* radioGroup = dynamic_cast<ui::TRadioGroup*>(component))
            TranslateCaption(*radioGroup, section);
        if (auto* image = dynamic_cast<ui::TImage*>(component)) {
            std::string hint = image->Hint();
            bool appended = false;
            for (const std::string& key : section.KeyNames())
                if (key.find(name + ".Hint") != std::string::npos) {
                    hint += section.ReadString(key, "") + '\r';
                    appended = true;
                }
            if (appended) {
                hint.pop_back();
                image->SetHint(hint);
            }
        }
    }
}

} // namespace settings
