// Thirty days of the program in virtual time: random input, F4, the Options dialog opened in
// work and closed in work or rest, music that fails, screen savers that end, and settings
// edited by hand. After every timer message the state must be one the program can be in, and
// the settings file must be whole; day after day nothing may pile up.
#include "dialogs/Dialogs.h"
#include "dialogs/FormOption.h"
#include "MainFormTestSupport.h"
#include "OpenFiles.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using apptest::MainFormTest;

namespace {

constexpr int Days = 30;
constexpr int ActiveHoursPerDay = 1; // the rest of each day nobody touches the machine

const char* const SettingsKeys[] = {"AlertMethod", "AutoRun",   "AutoUpdate", "CanInterrupt",
                                    "Language",    "MusicFile", "PlayMethod", "RestPeriod",
                                    "ScreenSaver", "SSMethod",  "WorkPeriod"};

// What may pile up if something is not released.
struct Holdings {
    std::size_t Windows, Timers, ProcessHandles, Icons, AudioDevices, Components, Files;
    bool operator==(const Holdings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Holdings& h) {
    return out << "windows " << h.Windows << ", timers " << h.Timers << ", process handles "
               << h.ProcessHandles << ", icons " << h.Icons << ", audio devices " << h.AudioDevices
               << ", components " << h.Components << ", open files " << h.Files;
}

class Soak : public MainFormTest {
protected:
    Soak() : random_(Seed()) {
        for (const char* name : {"Brook.mid", "Dawn.wav", "Tide.mp3"})
            p.Media_.Lengths[p.WriteFile(std::string("Program/Music/") + name, "x")] =
                static_cast<os::DWORD>(Between(20, 400) * 1000);
        p.WriteFile("Program/Music/Broken.mid", "x"); // never opens
        for (const char* name : {"Stars.scr", "Waves.scr"})
            p.WriteFile(std::string("Windows/System/") + name, "x");
        p.WriteFile("Program/Language/English 1033.ini", "[Message]\r\nMsgAlert=Alert\r\n");
        MainFormDialogs().ShowOptionForm = dialogs::ShowOptionForm;
        MainFormDialogs().CloseOptionFormPlayer = dialogs::CloseOptionFormPlayer;
        MainFormDialogs().BringOptionFormToFront = dialogs::BringOptionFormToFront;
        p.Peers_.WhileModal = [this](ui::TForm& shown) {
            if (auto* options = dynamic_cast<dialogs::TOptionForm*>(&shown))
                UseOptions(*options);
        };
        p.Loop_.AfterTimer = [this] { CheckState(); };
    }
    ~Soak() override {
        p.Loop_.AfterTimer = nullptr;
        MainFormDialogs() = {};
    }

    // VISTREL_SOAK_SEED replays a run; the default keeps CI reproducible.
    static unsigned Seed() {
        const char* seed = std::getenv("VISTREL_SOAK_SEED");
        return seed ? static_cast<unsigned>(std::strtoul(seed, nullptr, 10)) : 20261208u;
    }
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random_);
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }

    std::string Ini() const { return p.ProgramDir() + "Vistrel - tester.ini"; }

    // The user edits the settings file by hand, with values the program accepts.
    void EditSettings() {
        const char* music[] = {"Brook.mid", "Dawn.wav", "Tide.mp3", "Broken.mid", "Gone.mid"};
        std::ostringstream body;
        body << "WorkPeriod=" << Between(1, 8) << "\r\nRestPeriod=" << Between(1, 3)
             << "\r\nAlertMethod=" << Between(0, 3) << "\r\nPlayMethod=" << Between(0, 1)
             << "\r\nSSMethod=" << Between(0, 1) << "\r\nCanInterrupt=" << Between(0, 1)
             << "\r\nAutoRun=" << Between(0, 1)
             << "\r\nAutoUpdate=0\r\nMusicFile=" << music[Between(0, 4)]
             << "\r\nScreenSaver=" << p.System_.SystemDir
             << (Chance(50) ? "/Stars.scr" : "/Gone.scr") << "\r\nLanguage=English 1033\r\n";
        WriteSettings(body.str());
    }

    // The user's part while the Options dialog is up: edits, time passing (the alert may
    // come meanwhile), then OK or Cancel.
    void UseOptions(dialogs::TOptionForm& dialog) {
        ++optionsOpened_;
        const char* typed[] = {"0", "-5", "2000", "abc", "", "3", "7", "12", "1"};
        for (int edits = Between(0, 4); edits > 0; --edits) {
            switch (Between(0, 4)) {
            case 0:
                dialog.SEWorkPeriod->SetFocus();
                dialog.SEWorkPeriod->SetText(typed[Between(0, 8)]);
                break;
            case 1:
                dialog.SERestPeriod->SetFocus();
                dialog.SERestPeriod->SetText(typed[Between(0, 8)]);
                break;
            case 2: {
                ui::TRadioButton* methods[] = {dialog.RBAlertMethod0, dialog.RBAlertMethod1,
                                               dialog.RBAlertMethod2, dialog.RBAlertMethod3};
                methods[Between(0, 3)]->SetChecked(true);
                break;
            }
            case 3:
                dialog.CBInterrupt->SetChecked(!dialog.CBInterrupt->Checked());
                break;
            default:
                if (dialog.LBMusic->Items().Count() > 0)
                    dialog.LBMusic->SetItemIndex(Between(0, dialog.LBMusic->Items().Count() - 1));
                break;
            }
        }
        bool inWork = form_->WorkTimer->Enabled();
        Run(Between(0, 240));
        if (inWork && form_->RestTimer->Enabled())
            ++optionsClosedInRest_;
        if (Chance(60))
            dialog.ActionOK->Execute(); // by its shortcut: the focus stays where it is
        else
            dialog.ActionCancel->Execute();
    }

    // The states the program may be in; checked after every timer message.
    void CheckState() {
        ++ticks_;
        const bool work = form_->WorkTimer->Enabled();
        const bool rest = form_->RestTimer->Enabled();
        if (work == rest) {
            // Both off only while awaiting the user's return.
            ASSERT_FALSE(work) << "work and rest timers both on at " << p.Time.NowMs;
            ASSERT_TRUE(AwaitingActivity)
                << "neither work nor rest nor waiting at " << p.Time.NowMs;
        }
        // Awaiting goes with both timers off, except after F4 ended it: then work runs and
        // the first input restarts the period.
        if (AwaitingActivity) {
            ASSERT_FALSE(rest) << "awaiting activity while resting at " << p.Time.NowMs;
            ASSERT_TRUE(!work || f4EndedAwaiting_)
                << "awaiting activity in work at " << p.Time.NowMs;
        }
        ASSERT_EQ(form_->TrayIcon->Enabled(), work)
            << "tray enabled outside work at " << p.Time.NowMs;
        if (rest && !restSeen_)
            ++rests_;
        restSeen_ = rest;
        CheckSettingsFile();
    }

    // The settings file, once the program has written it, is whole: one [Settings] section
    // with every key once, numbers where numbers belong, periods within their range.
    void CheckSettingsFile() {
        std::error_code error;
        auto stamp = std::filesystem::last_write_time(iniPath_, error);
        if (error || stamp == lastStamp_)
            return; // not written since the last look (every save replaces the file)
        // Set the file's time a year back, so the next save shows even where file times count
        // whole seconds only (Windows' C runtime) and several saves fall within one second.
        std::filesystem::last_write_time(iniPath_, stamp - std::chrono::hours(24 * 365), error);
        lastStamp_ = std::filesystem::last_write_time(iniPath_, error);
        ++settingsChecks_;
        std::istringstream in(p.ReadFile(iniPath_.string()));
        std::string line;
        std::string section;
        std::map<std::string, std::string> values;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty())
                continue;
            if (line.front() == '[') {
                ASSERT_EQ(line.back(), ']') << line;
                section = line;
                continue;
            }
            auto equals = line.find('=');
            ASSERT_NE(equals, std::string::npos) << "not a key: " << line;
            if (section == "[Settings]") {
                ASSERT_TRUE(values.emplace(line.substr(0, equals), line.substr(equals + 1)).second)
                    << "twice: " << line;
            }
        }
        for (const char* key : SettingsKeys)
            ASSERT_EQ(values.count(key), 1u) << "missing " << key;
        for (const char* key : {"AlertMethod", "PlayMethod", "RestPeriod", "SSMethod", "WorkPeriod",
                                "AutoRun", "AutoUpdate", "CanInterrupt"}) {
            const std::string& value = values[key];
            ASSERT_FALSE(value.empty()) << key;
            ASSERT_EQ(value.find_first_not_of("-0123456789"), std::string::npos)
                << key << "=" << value;
        }
        for (const char* key : {"WorkPeriod", "RestPeriod"}) {
            int minutes = std::stoi(values[key]);
            ASSERT_TRUE(minutes >= 1 && minutes <= 1440) << key << "=" << minutes;
        }
    }

    // Time passes second by second.
    void Run(int seconds) {
        for (int i = 0; i < seconds && !HasFatalFailure(); ++i)
            Tick();
    }

    void Input() {
        f4EndedAwaiting_ = false;
        switch (Between(0, 2)) {
        case 0:
            form_->MouseHookMouseMove();
            break;
        case 1:
            form_->MouseHookMouseClick();
            break;
        default:
            form_->KeyboardHookKeyAction();
        }
    }

    void F4() {
        if (AwaitingActivity && InterruptArmed)
            f4EndedAwaiting_ = true;
        PressF4();
    }

    // One random thing the user or the system does.
    void Step() {
        int what = Between(0, 99);
        if (what < 40) {
            Run(Between(1, 90));
        } else if (what < 65) {
            Input();
        } else if (what < 72) {
            F4();
        } else if (what < 78) {
            if (form_->TrayIcon->Enabled()) // the menu answers only in work
                form_->ActionOption->Execute();
        } else if (what < 84) {
            EditSettings();
        } else if (what < 90) {
            p.Media_.PlayFails = Chance(30);
            p.Media_.OpenError = Chance(10) ? os::MCIERR_HARDWARE : os::MCIERROR{0};
        } else {
            p.Process_.ProcessLifetimeMs = static_cast<std::uint64_t>(Between(1, 200)) * 500;
        }
        // What the fake records would grow with time; the program holds none of it.
        if (p.Shell_.NotifyCalls.size() > 4096)
            p.Shell_.NotifyCalls.clear();
        if (p.Media_.Commands.size() > 4096)
            p.Media_.Commands.clear();
        if (p.Process_.Starts.size() > 4096)
            p.Process_.Starts.clear();
        if (p.Loop_.AppWindowMessages.size() > 4096)
            p.Loop_.AppWindowMessages.clear();
        if (p.Shell_.MessageBoxes.size() > 4096)
            p.Shell_.MessageBoxes.clear();
    }

    // Brings the program back to work (as the user's return does) and lists what it holds.
    Holdings BackToWork() {
        Input();
        if (form_->RestTimer->Enabled()) {
            while (form_->RestTimer->Enabled() && !HasFatalFailure())
                Tick();
            Input();
        }
        Tick();
        return Holdings{
            p.Loop_.WindowCount(),         p.Loop_.RunningTimerCount(),
            p.Process_.OpenHandles.size(), p.Shell_.Icons.size(),
            p.Media_.OpenDeviceCount(),    static_cast<std::size_t>(form_->ComponentCount()),
            fake::OpenFileCount()};
    }

    std::mt19937 random_;
    TMainForm* form_ = nullptr;
    bool f4EndedAwaiting_ = false;
    bool restSeen_ = false;
    std::filesystem::file_time_type lastStamp_{};
    const std::filesystem::path iniPath_{Ini()};
    long ticks_ = 0;
    int rests_ = 0;
    int optionsOpened_ = 0;
    int optionsClosedInRest_ = 0;
    int settingsChecks_ = 0;
};

TEST_F(Soak, ThirtyDaysOfUseKeepTheStateSoundTheSettingsWholeAndHoldNothingMore) {
    EditSettings();
    Start();
    form_ = form.get();
    Holdings first{};
    for (int day = 0; day < Days && !HasFatalFailure(); ++day) {
        const std::uint64_t dayStart = p.Time.NowMs;
        const std::uint64_t activeUntil = dayStart + ActiveHoursPerDay * 3600000ull;
        EditSettings(); // the morning's settings
        while (p.Time.NowMs < activeUntil && !HasFatalFailure())
            Step();
        // The evening: the user leaves; the program runs into its rest and waits for the next
        // morning, when nothing but the music's end is left to happen.
        const std::uint64_t dayEnd = dayStart + 86400000ull;
        while ((form_->WorkTimer->Enabled() || form_->RestTimer->Enabled()) &&
               p.Time.NowMs < dayEnd && !HasFatalFailure())
            Tick();
        if (HasFatalFailure())
            break;
        if (p.Time.NowMs < dayEnd)
            p.Loop_.AdvanceTime(dayEnd - p.Time.NowMs);
        p.Media_.Update();
        p.Loop_.ProcessMessages();
        Holdings now = BackToWork();
        if (day == 0)
            first = now;
        else
            EXPECT_EQ(now, first) << "after day " << day + 1;
    }
    EXPECT_GE(rests_, Days * 5) << "too few cycles to mean anything";
    EXPECT_GE(optionsOpened_, Days);
    EXPECT_GE(optionsClosedInRest_, 1);
    EXPECT_GE(settingsChecks_, Days);
    std::cout << "soak: " << Days << " days, " << ticks_ << " timer messages, " << rests_
              << " rests, Options opened " << optionsOpened_ << " times (" << optionsClosedInRest_
              << " closed in a rest), settings file checked " << settingsChecks_ << " times\n";
}

} // namespace
