#include "os/linux/ScreenSavers.h"
#include "os/common/ProfileFile.h"
#include "os/linux/ScreenSaverCommand.h"

#include "LinuxTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace ostest;

namespace {

constexpr const char* HackScript = "#!/bin/sh\nexit 0\n";

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A folder of fake hacks, a fake host that records how it was called, and a launcher folder
// that does not exist yet.
class Launchers : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir(Hacks().c_str(), 0755);
        // Blanks and a quote in the host's folder: the launcher must quote it for the shell.
        hostFolder_ = temp_ / "program dir 'x'";
        ::mkdir(hostFolder_.c_str(), 0755);
        host_ = hostFolder_ + "/VistrelScreenSaver";
        WriteHost(host_);
    }

    std::string Hacks() const { return temp_ / "hacks"; }
    std::string Folder() const { return temp_ / "data/Vistrel/Windows/System"; }
    std::string Calls() const { return temp_ / "calls.txt"; }

    void AddHack(const std::string& name, mode_t mode = 0755) {
        WriteText(Hacks() + "/" + name, HackScript, mode);
    }
    void WriteHost(const std::string& path) {
        WriteText(path,
                  "#!/bin/sh\necho \"$0\" >'" + Calls() + "'\nprintf '%s\\n' \"$@\" >>'" + Calls() +
                      "'\n",
                  0755);
    }
    void Refresh() { os::RefreshScreenSaverLaunchers({Hacks()}, Folder(), host_); }

    // Runs a launcher as the program would and returns what the host was given.
    std::string RunLauncher(const std::string& name, const std::string& args) {
        ::unlink(Calls().c_str());
        const int status = std::system(("'" + Folder() + "/" + name + "' " + args).c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
        return ReadText(Calls());
    }

    TempDir temp_;
    std::string hostFolder_;
    std::string host_;
};

} // namespace

TEST_F(Launchers, OneExecutableLauncherPerHackHandingItsArgumentsToTheHost) {
    AddHack("swirl");
    AddHack("binaryring");
    AddHack("readme", 0644);      // not a program
    AddHack("xscreensaver-text"); // a helper of the hacks
    AddHack("webcollage-helper"); // likewise
    AddHack("odd name");          // not a hack's kind of name
    ::mkdir((Hacks() + "/sub").c_str(), 0755);

    Refresh();

    const std::vector<std::string> expected{"Binaryring.scr", "Swirl.scr"};
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(Folder()))
        found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(ModeOf(Folder() + "/Swirl.scr"), 0755u);

    EXPECT_EQ(RunLauncher("Swirl.scr", "/P 1234"), host_ + "\n" + Hacks() + "/swirl\n/P\n1234\n");
    EXPECT_EQ(RunLauncher("Binaryring.scr", "/S"), host_ + "\n" + Hacks() + "/binaryring\n/S\n");
}

TEST_F(Launchers, TheFirstFolderHoldingAHackWins) {
    const std::string other = temp_ / "other";
    ::mkdir(other.c_str(), 0755);
    WriteText(other + "/swirl", HackScript, 0755);
    WriteText(other + "/galaxy", HackScript, 0755);
    AddHack("swirl");

    os::RefreshScreenSaverLaunchers({Hacks(), other}, Folder(), host_);

    EXPECT_EQ(RunLauncher("Swirl.scr", "/S"), host_ + "\n" + Hacks() + "/swirl\n/S\n");
    EXPECT_EQ(RunLauncher("Galaxy.scr", "/S"), host_ + "\n" + other + "/galaxy\n/S\n");
}

TEST_F(Launchers, RefreshFollowsHacksAndHostAndKeepsEveryOtherFile) {
    AddHack("swirl");
    AddHack("deco");
    Refresh();
    ASSERT_TRUE(Exists(Folder() + "/Deco.scr"));

    // The user's own screen saver, an unrelated file, and a file of a launcher's name that is
    // not a launcher.
    WriteText(Folder() + "/Mine.scr", "#!/bin/sh\necho mine\n", 0755);
    WriteText(Folder() + "/notes.txt", "keep me");
    WriteText(Folder() + "/Galaxy.scr", "the user's galaxy", 0700);

    ::unlink((Hacks() + "/deco").c_str());
    AddHack("galaxy");
    AddHack("fiberlamp");
    // The program moved: the launchers must follow it.
    const std::string movedHost = temp_ / "moved";
    ::mkdir(movedHost.c_str(), 0755);
    host_ = movedHost + "/VistrelScreenSaver";
    WriteHost(host_);

    Refresh();

    EXPECT_FALSE(Exists(Folder() + "/Deco.scr"));
    EXPECT_EQ(RunLauncher("Swirl.scr", "/S"), host_ + "\n" + Hacks() + "/swirl\n/S\n");
    EXPECT_EQ(RunLauncher("Fiberlamp.scr", "/S"), host_ + "\n" + Hacks() + "/fiberlamp\n/S\n");
    EXPECT_EQ(ReadText(Folder() + "/Mine.scr"), "#!/bin/sh\necho mine\n");
    EXPECT_EQ(ReadText(Folder() + "/notes.txt"), "keep me");
    EXPECT_EQ(ReadText(Folder() + "/Galaxy.scr"), "the user's galaxy");
    EXPECT_EQ(ModeOf(Folder() + "/Galaxy.scr"), 0700u);

    // Every hack gone (the package removed): every launcher goes, nothing else does.
    std::filesystem::remove_all(Hacks());
    Refresh();
    EXPECT_FALSE(Exists(Folder() + "/Swirl.scr"));
    EXPECT_FALSE(Exists(Folder() + "/Fiberlamp.scr"));
    EXPECT_TRUE(Exists(Folder() + "/Mine.scr"));
    EXPECT_TRUE(Exists(Folder() + "/Galaxy.scr"));
    EXPECT_TRUE(Exists(Folder() + "/notes.txt"));
}

TEST_F(Launchers, WithoutTheHostNothingIsWrittenOrRemoved) {
    AddHack("swirl");
    Refresh();
    const std::string before = ReadText(Folder() + "/Swirl.scr");
    AddHack("deco");
    ::unlink((Hacks() + "/swirl").c_str());

    os::RefreshScreenSaverLaunchers({Hacks()}, Folder(), temp_ / "nowhere/VistrelScreenSaver");
    EXPECT_EQ(ReadText(Folder() + "/Swirl.scr"), before);
    EXPECT_FALSE(Exists(Folder() + "/Deco.scr"));
}

TEST_F(Launchers, WhatCannotBeWrittenIsSkippedQuietly) {
    AddHack("swirl");
    AddHack("deco");
    // A folder path running through a file: no one, not even root, can create it.
    const std::string blocker = temp_ / "blocker";
    WriteText(blocker, "a file");
    EXPECT_NO_THROW(os::RefreshScreenSaverLaunchers({Hacks()}, blocker + "/System", host_));
    EXPECT_EQ(ReadText(blocker), "a file");

    // A launcher's name taken by a folder: that one is skipped, the others are written.
    ASSERT_TRUE(std::filesystem::create_directories(Folder() + "/Swirl.scr/inside"));
    Refresh();
    EXPECT_TRUE(std::filesystem::is_directory(Folder() + "/Swirl.scr/inside"));
    EXPECT_EQ(RunLauncher("Deco.scr", "/S"), host_ + "\n" + Hacks() + "/deco\n/S\n");
    // No temporary files left behind.
    for (const auto& entry : std::filesystem::directory_iterator(Folder()))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST(ScreenSaverNames, LauncherNamesAndHackNames) {
    EXPECT_EQ(os::LauncherFileName("swirl"), "Swirl.scr");
    EXPECT_EQ(os::LauncherFileName("m6502"), "M6502.scr");
    EXPECT_TRUE(os::IsHackName("fuzzyflakes"));
    EXPECT_FALSE(os::IsHackName("xscreensaver-getimage"));
    EXPECT_FALSE(os::IsHackName("webcollage-helper"));
    EXPECT_FALSE(os::IsHackName("run.sh"));
    EXPECT_FALSE(os::IsHackName(""));
}

namespace {

// As the xscreensaver settings program writes it: tabs, continued lines, entries separated by
// a written-out "\n", disabled entries, visuals and labels.
const std::string ConfigText = "# XScreenSaver Preferences File\n"
                               "timeout:\t0:10:00\n"
                               "mode:\t\tone\n"
                               "selected:\t%d\n"
                               "programs:\t\t\t\t\t\t\t      \\\n"
                               "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
                               "- GL:\t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n"
                               "\t\t\t\t\t\t\t\t    \\n\\\n"
                               "  \"Whirl\"  /usr/libexec/xscreensaver/swirl -root\t    \\n\\\n"
                               "-\tdefault-n: \"Deco Mondrian\" deco -mondrian -root\t    \\n\\\n"
                               "\t\t\t\txlyap -root\t\t\t\t    \\n\n"
                               "\n"
                               "pointerHysteresis: 10\n";

std::string ConfigSelecting(int index) {
    std::string text = ConfigText;
    text.replace(text.find("%d"), 2, std::to_string(index));
    return text;
}

} // namespace

TEST(XScreenSaverConfig, SelectedEntryOfTheProgramList) {
    EXPECT_EQ(os::SelectedHackOf(ConfigSelecting(0)), "maze");
    EXPECT_EQ(os::SelectedHackOf(ConfigSelecting(1)), "superquadrics");
    // The blank entry does not count.
    EXPECT_EQ(os::SelectedHackOf(ConfigSelecting(2)), "swirl");
    EXPECT_EQ(os::SelectedHackOf(ConfigSelecting(3)), "deco");
    EXPECT_EQ(os::SelectedHackOf(ConfigSelecting(4)), "xlyap");
    EXPECT_EQ(os::SelectedHackOf(ConfigSelecting(5)), "");

    std::string crlf;
    for (char c : ConfigSelecting(4)) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    EXPECT_EQ(os::SelectedHackOf(crlf), "xlyap");
}

TEST(XScreenSaverConfig, NoSingleSelectionGivesNothing) {
    std::string random = ConfigSelecting(1);
    random.replace(random.find("one"), 3, "random");
    EXPECT_EQ(os::SelectedHackOf(random), "");
    std::string negative = ConfigSelecting(1);
    negative.replace(negative.find("\t1\n"), 3, "\t-1\n");
    EXPECT_EQ(os::SelectedHackOf(negative), "");
    EXPECT_EQ(os::SelectedHackOf("mode: one\nselected: 0\n"), "");
    EXPECT_EQ(os::SelectedHackOf("mode: one\nprograms: swirl -root\n"), "");
    EXPECT_EQ(os::SelectedHackOf(""), "");
    // A selection naming something that is no program's name yields nothing to store.
    EXPECT_EQ(os::SelectedHackOf("mode: one\nselected: 0\nprograms: \"Label only\"\n"), "");
}

namespace {

class CurrentScreenSaver : public ::testing::Test {
protected:
    std::string Home() const { return temp_ / "home"; }
    std::string Windows() const { return temp_ / "data/Vistrel/Windows"; }
    std::string Ini() const { return Windows() + "/system.ini"; }
    std::string Stored() {
        return os::ProfileFileStore([this] { return Windows(); })
            .GetPrivateProfileString("boot", "SCRNSAVE.EXE", "(none)", "system.ini");
    }

    TempDir temp_;
    ScopedEnv home_{"HOME", temp_ / "home"};
    ScopedEnv data_{"XDG_DATA_HOME", temp_ / "data"};
};

} // namespace

TEST_F(CurrentScreenSaver, TheUsersSelectionBecomesTheBootKey) {
    ::mkdir(Home().c_str(), 0700);
    WriteText(Home() + "/.xscreensaver", ConfigSelecting(2));

    os::RefreshScreenSavers();
    EXPECT_EQ(Stored(), Windows() + "/System/Swirl.scr");

    // Another selection later: the key follows, the rest of the file stays.
    WriteText(Ini(), "; my notes\n[boot]\nshell=explorer.exe\nSCRNSAVE.EXE=old.scr\n"
                     "[drivers]\nwave=mmdrv.dll\n");
    WriteText(Home() + "/.xscreensaver", ConfigSelecting(3));
    os::RefreshScreenSavers();
    // The profile engine writes Windows line ends.
    std::string written = ReadText(Ini());
    std::erase(written, '\r');
    EXPECT_EQ(written, "; my notes\n[boot]\nshell=explorer.exe\nSCRNSAVE.EXE=" + Windows() +
                           "/System/Deco.scr\n[drivers]\nwave=mmdrv.dll\n");
}

TEST_F(CurrentScreenSaver, WithoutASingleSelectionTheFileIsLeftAlone) {
    ::mkdir(Home().c_str(), 0700);
    os::RefreshScreenSavers();
    EXPECT_FALSE(Exists(Ini()));

    const std::string mine = "[boot]\nSCRNSAVE.EXE=Mine.scr\n";
    std::filesystem::create_directories(Windows());
    WriteText(Ini(), mine);
    std::string random = ConfigSelecting(2);
    random.replace(random.find("one"), 3, "random");
    WriteText(Home() + "/.xscreensaver", random);
    os::RefreshScreenSavers();
    EXPECT_EQ(ReadText(Ini()), mine);
}

TEST_F(CurrentScreenSaver, AnUnwritableWindowsFolderIsSkippedQuietly) {
    ::mkdir(Home().c_str(), 0700);
    WriteText(Home() + "/.xscreensaver", ConfigSelecting(2));
    // The data folder is a file: nothing can be created below it, whoever runs this.
    WriteText(temp_ / "data", "a file");
    EXPECT_NO_THROW(os::RefreshScreenSavers());
    EXPECT_EQ(ReadText(temp_ / "data"), "a file");
}

TEST(ScreenSaverCommand, TheWindowsFormsOfTheThreeCommands) {
    using os::ScreenSaverMode;
    struct Case {
        std::vector<std::string> Args;
        ScreenSaverMode Mode;
        unsigned long Window;
    };
    const Case cases[] = {
        {{"/S"}, ScreenSaverMode::Run, 0},
        {{"-s"}, ScreenSaverMode::Run, 0},
        {{"/P", "1234"}, ScreenSaverMode::Preview, 1234},
        {{"/p:4194305"}, ScreenSaverMode::Preview, 4194305},
        {{"-P", "0x400001"}, ScreenSaverMode::Preview, 0x400001},
        {{"/C", "77"}, ScreenSaverMode::Configure, 77},
        {{"/c:77"}, ScreenSaverMode::Configure, 77},
        {{"/C"}, ScreenSaverMode::Configure, 0},
        {{}, ScreenSaverMode::Configure, 0},
        // Malformed: no window for a preview, a window that is no number, stray words.
        {{"/P"}, ScreenSaverMode::Invalid, 0},
        {{"/P", "12ab"}, ScreenSaverMode::Invalid, 0},
        {{"/P", "0"}, ScreenSaverMode::Invalid, 0},
        {{"/P", "99999999999"}, ScreenSaverMode::Invalid, 0},
        {{"/p:"}, ScreenSaverMode::Invalid, 0},
        {{"/S", "5"}, ScreenSaverMode::Invalid, 0},
        {{"/C", "5", "6"}, ScreenSaverMode::Invalid, 0},
        {{"/A", "5"}, ScreenSaverMode::Invalid, 0},
        {{"S"}, ScreenSaverMode::Invalid, 0},
        {{"/Sx"}, ScreenSaverMode::Invalid, 0},
    };
    for (const Case& c : cases) {
        const os::ScreenSaverCommand command = os::ParseScreenSaverCommand(c.Args);
        std::string shown;
        for (const std::string& arg : c.Args)
            shown += "[" + arg + "]";
        EXPECT_EQ(command.Mode, c.Mode) << shown;
        if (c.Mode != ScreenSaverMode::Invalid) {
            EXPECT_EQ(command.Window, c.Window) << shown;
        }
    }
}
