#include "os/linux/LinuxSystemInfo.h"
#include "os/linux/LinuxClock.h"

#include "LinuxTestSupport.h"

#include <ctime>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace ostest;

namespace {

void ResetTimeZone(const char* tz) {
    ::setenv("TZ", tz, 1);
    ::tzset();
}

} // namespace

TEST(LinuxSystemInfo, ModuleFileNameIsThisExecutable) {
    os::LinuxSystemInfo info;
    const std::string path = info.GetModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], '/');
    struct stat self {};
    struct stat named {};
    ASSERT_EQ(::stat("/proc/self/exe", &self), 0);
    ASSERT_EQ(::stat(path.c_str(), &named), 0);
    EXPECT_EQ(self.st_ino, named.st_ino);
    EXPECT_EQ(self.st_dev, named.st_dev);
}

TEST(LinuxSystemInfo, ReportsTheNtFamily) {
    os::LinuxSystemInfo info;
    os::OsVersionInfo version;
    version.CSDVersion = "stale";
    ASSERT_TRUE(info.GetVersionEx(version));
    EXPECT_EQ(version.PlatformId, os::VER_PLATFORM_WIN32_NT);
    EXPECT_GE(version.MajorVersion, 6u);
    EXPECT_EQ(version.CSDVersion, "");
}

TEST(LinuxSystemInfo, WindowsAndSystemFoldersLiveInTheUsersDataFolder) {
    os::LinuxSystemInfo info;
    {
        ScopedEnv data("XDG_DATA_HOME", "/srv/data/");
        EXPECT_EQ(info.GetWindowsDirectory(), "/srv/data/Vistrel/Windows");
        EXPECT_EQ(info.GetSystemDirectory(), "/srv/data/Vistrel/Windows/System");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", std::nullopt);
        ScopedEnv home("HOME", "/home/alice");
        EXPECT_EQ(info.GetWindowsDirectory(), "/home/alice/.local/share/Vistrel/Windows");
        EXPECT_EQ(info.GetSystemDirectory(), "/home/alice/.local/share/Vistrel/Windows/System");
    }
    {
        // A relative setting is to be ignored.
        ScopedEnv data("XDG_DATA_HOME", "relative/data");
        ScopedEnv home("HOME", "/home/bob");
        EXPECT_EQ(info.GetWindowsDirectory(), "/home/bob/.local/share/Vistrel/Windows");
    }
}

TEST(LinuxSystemInfo, UserNameOfTheEffectiveUser) {
    os::LinuxSystemInfo info;
    std::string name;
    ASSERT_TRUE(info.GetUserName(name));
    const passwd* entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(name, entry->pw_name);
}

TEST(LinuxSystemInfo, LanguageFromTheLocaleVariablesInOrder) {
    os::LinuxSystemInfo info;
    ScopedEnv all("LC_ALL", "fr_FR.UTF-8");
    ScopedEnv messages("LC_MESSAGES", "it_IT.UTF-8");
    ScopedEnv lang("LANG", "de_DE.UTF-8");
    EXPECT_EQ(info.GetSystemDefaultLangID(), 1036);
    {
        ScopedEnv none("LC_ALL", "");
        EXPECT_EQ(info.GetSystemDefaultLangID(), 1040);
        ScopedEnv noMessages("LC_MESSAGES", std::nullopt);
        EXPECT_EQ(info.GetSystemDefaultLangID(), 1031);
        ScopedEnv noLang("LANG", std::nullopt);
        EXPECT_EQ(info.GetSystemDefaultLangID(), 1033);
    }
    EXPECT_EQ(info.VerLanguageName(1036), "French (France)");
    EXPECT_EQ(info.VerLanguageName(3082), "Spanish (Spain, International Sort)");
}

TEST(LinuxSystemInfo, DateAndTimeFormatsOfTheCLocale) {
    os::LinuxSystemInfo info;
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(info.TimeSeparator(), ":");
    EXPECT_EQ(info.ShortDateFormat(), "MM/dd/yy");
    EXPECT_EQ(info.DateSeparator(), "/");
}

TEST(LinuxSystemInfo, DateAndTimeFormatsOfTheUsersLocale) {
    // Built into a private folder, so the test needs only the locale sources.
    TempDir locales;
    const std::string command =
        "localedef -i fi_FI -f UTF-8 '" + (locales / "fi_FI.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !Exists(locales / "fi_FI.UTF-8"))
        GTEST_SKIP() << "cannot build the fi_FI locale (package locales missing?)";
    ScopedEnv path("LOCPATH", locales.Path());
    ScopedEnv all("LC_ALL", std::nullopt);
    ScopedEnv time("LC_TIME", "fi_FI.UTF-8");
#ifdef __SANITIZE_ADDRESS__
    // glibc never frees the search list it builds from LOCPATH.
    __lsan::ScopedDisabler keepLocPathList;
#endif
    os::LinuxSystemInfo info;
    EXPECT_EQ(info.TimeSeparator(), ".");
    EXPECT_EQ(info.ShortDateFormat(), "dd.MM.yyyy");
    EXPECT_EQ(info.DateSeparator(), ".");
}

TEST(LinuxSystemInfo, DisplayNameIsTheNameOfAnExistingFile) {
    TempDir dir;
    WriteText(dir / "Bubbles.scr", "");
    os::LinuxSystemInfo info;
    std::string name;
    ASSERT_TRUE(info.GetDisplayName(dir / "Bubbles.scr", name));
    EXPECT_EQ(name, "Bubbles.scr");
    EXPECT_FALSE(info.GetDisplayName(dir / "Missing.scr", name));
    EXPECT_FALSE(info.GetDisplayName("", name));
}

TEST(LinuxSystemInfo, FixedAnswers) {
    os::LinuxSystemInfo info;
    os::DWORD major = 0;
    os::DWORD minor = 99;
    ASSERT_TRUE(info.GetComCtlVersion(major, minor));
    EXPECT_EQ(major, 6u);
    EXPECT_EQ(minor, 0u);
    std::uint64_t idle = 1;
    EXPECT_FALSE(info.GetLastInputIdle(idle));
}

TEST(LinuxClock, NowIsLocalTime) {
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz != nullptr ? oldTz : "";
    os::LinuxClock clock;
    ResetTimeZone("UTC0");
    const double utcSeconds = static_cast<double>(std::time(nullptr));
    const double utc = clock.Now();
    ResetTimeZone("EAST-2"); // two hours east of UTC
    const double east = clock.Now();
    if (oldTz != nullptr)
        ResetTimeZone(saved.c_str());
    else {
        ::unsetenv("TZ");
        ::tzset();
    }
    EXPECT_NEAR(utc, utcSeconds / 86400.0 + 25569.0, 2.0 / 86400.0);
    EXPECT_NEAR(east - utc, 2.0 / 24.0, 2.0 / 86400.0);
}

TEST(LinuxClock, TickCountCountsMilliseconds) {
    os::LinuxClock clock;
    const auto first = clock.TickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto second = clock.TickCount();
    EXPECT_GE(second - first, 30u);
    EXPECT_LT(second - first, 5000u);
}
