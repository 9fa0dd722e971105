#include "settings/Settings.h"

#include "os/common/Text.h"
#include "os/Platform.h"
#include "settings/DateText.h"
#include "settings/Localisation.h"
#include "settings/SystemUtils.h"
#include "settings/Utilities.h"

#include <cstdint>
#include <string>

namespace settings {

namespace {

constexpr const char* SettingsSection = "Settings";
constexpr const char* UpdateSection = "Update";

// One settings file, read and written key by key through the platform's profile functions.
class TIniFile {
public:
    explicit TIniFile(std::string fileName)
        : fileName_(std::move(fileName)), profile_(os::Current().Profile()) {}

    std::string ReadString(const char* section, const char* key, const std::string& def) {
        return profile_.GetPrivateProfileString(section, key, def, fileName_);
    }
    int ReadInteger(const char* section, const char* key, int def) {
        int value = 0;
        return TryStrToInt(ReadString(section, key, ""), value) ? value : def;
    }
    bool ReadBool(const char* section, const char* key, bool def) {
        return ReadInteger(section, key, def ? 1 : 0) != 0;
    }
    double ReadDateTime(const char* section, const char* key, double def) {
        std::string text = ReadString(section, key, "");
        os::SystemInfo& system = os::Current().System();
        TDateFormat format{system.ShortDateFormat(), system.DateSeparator(),
                           system.TimeSeparator()};
        double value = 0;
        int currentYear = YearOf(os::Current().GetClock().Now());
        return TryStrToDateTime(text, format, currentYear, value) ? value : def;
    }

    void WriteString(const char* section, const char* key, const std::string& value) {
        if (!profile_.WritePrivateProfileString(section, key, value, fileName_))
            throw os::EOSError("Unable to write to " + fileName_);
    }
    // Text goes in quotes where a read would otherwise change it (blanks at its ends, a pair
    // of quotes around it), so that " Night.mid" comes back as " Night.mid".
    void WriteText(const char* section, const char* key, const std::string& value) {
        WriteString(section, key, os::ProfileValueText(value));
    }
    void WriteInteger(const char* section, const char* key, int value) {
        WriteString(section, key, std::to_string(value));
    }
    void WriteBool(const char* section, const char* key, bool value) {
        WriteString(section, key, value ? "1" : "0");
    }

private:
    std::string fileName_;
    os::ProfileStore& profile_;
};

// Closes the Run key however the autorun step ends.
class RunKey {
public:
    explicit RunKey(os::AutoRunStore& store) : store_(store), open_(store.OpenRunKey()) {}
    ~RunKey() {
        if (open_)
            store_.CloseRunKey();
    }
    RunKey(const RunKey&) = delete;
    RunKey& operator=(const RunKey&) = delete;
    bool Open() const { return open_; }

private:
    os::AutoRunStore& store_;
    bool open_;
};

// A line break would end the value early and start a line of its own in the file; such a
// name is refused before anything is written, so the file keeps all of its old values.
void CheckStorable(const char* key, const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos)
        throw os::EOSError("The name \"" + value +
                           "\" holds a line break, which the settings file cannot keep (" + key +
                           ")");
}

} // namespace

void LoadSettings(TVLSettings& settings) {
    TIniFile ini(GetIniFileName());
    settings.AlertMethod = ini.ReadInteger(SettingsSection, "AlertMethod", 3);
    settings.AutoRun = ini.ReadBool(SettingsSection, "AutoRun", true);
    settings.AutoUpdate = ini.ReadBool(SettingsSection, "AutoUpdate", true);
    settings.CanInterrupt = ini.ReadBool(SettingsSection, "CanInterrupt", true);
    std::string defaultLanguage = GetDefaultLanguage();
    settings.Language = ini.ReadString(SettingsSection, "Language", defaultLanguage);
    // A language is a file name inside the language folder; a stored path is no language.
    if (!IsBareFileName(settings.Language))
        settings.Language = defaultLanguage;
    CurrentLanguage = settings.Language;
    settings.MusicFile = ini.ReadString(SettingsSection, "MusicFile", DefaultMusicFile);
    settings.PlayMethod = ini.ReadInteger(SettingsSection, "PlayMethod", 1);
    settings.RestPeriod = ini.ReadInteger(SettingsSection, "RestPeriod", 10);
    std::string currentScreenSaver = GetCurrentScreenSaver();
    settings.ScreenSaver = ini.ReadString(SettingsSection, "ScreenSaver", currentScreenSaver);
    if (settings.ScreenSaver.empty() && !currentScreenSaver.empty())
        settings.ScreenSaver = currentScreenSaver;
    settings.SSMethod = ini.ReadInteger(SettingsSection, "SSMethod", 0);
    settings.WorkPeriod = ini.ReadInteger(SettingsSection, "WorkPeriod", 50);
    settings.LastUpdate = ini.ReadDateTime(UpdateSection, "LastUpdate", 0);
    LoadMessages(CurrentLanguage);
}

void SaveSettings(const TVLSettings& settings) {
    CheckStorable("Language", settings.Language);
    CheckStorable("MusicFile", settings.MusicFile);
    CheckStorable("ScreenSaver", settings.ScreenSaver);
    TIniFile ini(GetIniFileName());
    ini.WriteInteger(SettingsSection, "AlertMethod", settings.AlertMethod);
    ini.WriteBool(SettingsSection, "AutoRun", settings.AutoRun);
    ini.WriteBool(SettingsSection, "AutoUpdate", settings.AutoUpdate);
    ini.WriteBool(SettingsSection, "CanInterrupt", settings.CanInterrupt);
    ini.WriteText(SettingsSection, "Language", settings.Language);
    ini.WriteText(SettingsSection, "MusicFile", settings.MusicFile);
    ini.WriteInteger(SettingsSection, "PlayMethod", settings.PlayMethod);
    ini.WriteInteger(SettingsSection, "RestPeriod", settings.RestPeriod);
    ini.WriteText(SettingsSection, "ScreenSaver", settings.ScreenSaver);
    ini.WriteInteger(SettingsSection, "SSMethod", settings.SSMethod);
    ini.WriteInteger(SettingsSection, "WorkPeriod", settings.WorkPeriod);

    RunKey key(os::Current().AutoRun());
    if (!key.Open())
        return; // no place for autorun entries: nothing to report
    std::string exeName = GetExeName();
    std::string valueName = ExtractFileName(exeName);
    if (settings.AutoRun) {
        if (!os::Current().AutoRun().SetRunValue(valueName, "\"" + exeName + "\""))
            throw os::EOSError("Failed to set data for '" + valueName + "'");
    } else {
        os::Current().AutoRun().DeleteRunValue(valueName); // a missing value is no error
    }
}

void DefaultSettings(TVLSettings& settings) {
    settings.AlertMethod = 3;
    settings.AutoRun = true;
    settings.AutoUpdate = true;
    settings.CanInterrupt = true;
    settings.Language = GetDefaultLanguage();
    CurrentLanguage = settings.Language;
    settings.MusicFile = DefaultMusicFile;
    settings.PlayMethod = 1;
    settings.RestPeriod = 10;
    settings.ScreenSaver = GetCurrentScreenSaver();
    settings.SSMethod = 0;
    settings.WorkPeriod = 50;
    LoadMessages(CurrentLanguage);
}

} // namespace settings
