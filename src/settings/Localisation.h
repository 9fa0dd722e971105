// The language in force, the message table, and the translation of forms from language files
// (GetLanguageDir() + language name + ".ini": one section per form, section "Message").
#pragma once

#include "ui/Classes.h"

#include <memory>
#include <string>

namespace ui {
class TForm;
}

namespace settings {

// The name of the language in force, the base name of a language file. Set only by
// LoadSettings and DefaultSettings.
extern std::string CurrentLanguage;

// The message table: empty until the first LoadMessages, then the language file's texts or
// their English defaults.
extern std::string MsgVistrelTitle;
extern std::string MsgError;
extern std::string MsgAlert;
extern std::string MsgCongratulations;
extern std::string MsgTimeLeft;
extern std::string MsgTimeOut;
extern std::string MsgFilter;
extern std::string MsgMusicExists;
extern std::string MsgDeleteMusic;
extern std::string MsgRestoreDefault;
extern std::string MsgHotKeyRegisterFailed;
extern std::string MsgNoHelpFile;
extern std::string MsgNoMusicFile;
extern std::string MsgNoUpdater;
extern std::string MsgUpdaterTitle;
extern std::string MsgNoNewVersion;
extern std::string MsgCheckingNew;
extern std::string MsgUpdateUpdaterFirst;
extern std::string MsgRestartVistrel;
extern std::string MsgDownloading;
extern std::string MsgUpdateSuccess;
extern std::string MsgUpdateFailure;
extern std::string MsgFinished;
extern std::string MsgNetworkError;
extern std::string MsgCreateError;

// Reads all 25 texts of the message table from the "Message" section of a language file,
// each key missing there taking its English default.
void LoadMessages(const std::string& languageName);

// The names of all language files, in the file system's order, without ".ini".
std::unique_ptr<ui::TStringList> GetLanguageList();
// The first language whose name contains the system language's identifier; without one, the
// system's name for that language + " - " + the identifier.
std::string GetDefaultLanguage();

// Applies a language file to a form and every component it owns; every text missing in the
// file keeps the value it has now.
void TranslateForm(ui::TForm& form, const std::string& languageName);

} // namespace settings
