#include "os/linux/LinuxProcess.h"

#include "LinuxTestSupport.h"

#include "os/common/CommandLine.h"

#include <atomic>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ostest;

namespace {

// A program that writes its arguments, one a line, to a marker file, after an optional pause.
void WriteRecorder(const std::string& path, const std::string& marker, double pause = 0) {
    WriteText(path,
              "#!/bin/sh\n"
              "sleep " +
                  std::to_string(pause) +
                  "\n"
                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                  marker +
                  ".part'\n"
                  "mv '" +
                  marker + ".part' '" + marker + "'\n",
              0755);
}

// The processes whose parent is this one, zombies included.
std::vector<pid_t> Children() {
    std::vector<pid_t> children;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = ::readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            parent == ::getpid())
            children.push_back(pid);
    }
    ::closedir(proc);
    return children;
}

class LinuxProcessTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string systemFolder = dir / "System";
    os::LinuxProcess launcher{[this] { return systemFolder; }};

    void SetUp() override { ::mkdir(systemFolder.c_str(), 0755); }
};

// Whether another process sees the lock of that name held.
bool HeldElsewhere(const std::string& name) {
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        os::LinuxProcess other;
        bool exists = false;
        const os::HANDLE handle = other.CreateMutex(name, exists);
        const char answer = handle == 0 ? 'E' : exists ? 'Y' : 'N';
        [[maybe_unused]] auto n = ::write(fds[1], &answer, 1);
        ::_exit(0);
    }
    ::close(fds[1]);
    char answer = 'E';
    [[maybe_unused]] auto n = ::read(fds[0], &answer, 1);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_NE(answer, 'E') << "the other process could not create the lock";
    return answer == 'Y';
}

} // namespace

TEST_F(LinuxProcessTest, WinExecStartsTheQuotedProgramAndNotItsFirstWord) {
    ::mkdir((dir / "My Savers").c_str(), 0755);
    const std::string program = dir / "My Savers/Bubbles.scr";
    WriteRecorder(program, dir / "ran");
    // What an unquoted command line would start instead.
    WriteRecorder(dir / "My", dir / "wrong");

    EXPECT_EQ(launcher.WinExec(os::QuoteIfBlank(program) + " /C 1234", os::SW_SHOW), 33u);
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir / "ran"); }));
    EXPECT_EQ(ReadText(dir / "ran"), "/C\n1234\n");
    EXPECT_FALSE(Exists(dir / "wrong"));
}

TEST_F(LinuxProcessTest, WinExecFindsBareNamesInTheSystemFolder) {
    WriteRecorder(systemFolder + "/Mystify.scr", dir / "ran");
    EXPECT_EQ(launcher.WinExec("Mystify.scr /P 77", os::SW_SHOW), 33u);
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir / "ran"); }));
    EXPECT_EQ(ReadText(dir / "ran"), "/P\n77\n");
}

TEST_F(LinuxProcessTest, WinExecReportsProgramsThatCannotRun) {
    WriteText(dir / "not-executable", "#!/bin/sh\n", 0644);
    EXPECT_EQ(launcher.WinExec(dir / "missing /silent", os::SW_SHOWNORMAL), 2u);
    EXPECT_EQ(launcher.WinExec("vistrel-no-such-program", os::SW_SHOWNORMAL), 2u);
    EXPECT_EQ(launcher.WinExec(dir / "not-executable", os::SW_SHOWNORMAL), 2u);
    EXPECT_EQ(launcher.WinExec("", os::SW_SHOWNORMAL), 2u);
    EXPECT_EQ(launcher.GetLastError(), os::ERROR_FILE_NOT_FOUND);
}

TEST_F(LinuxProcessTest, DetachedProgramsLeaveNoChildren) {
    WriteRecorder(dir / "quick", dir / "ran");
    ASSERT_EQ(launcher.WinExec(dir / "quick", os::SW_SHOW), 33u);
    ASSERT_TRUE(launcher.ShellExecute(0, "open", dir / "quick", "", "", os::SW_SHOW));
    EXPECT_TRUE(Children().empty());
}

TEST_F(LinuxProcessTest, ShellExecuteExHandsBackAProcessToWaitFor) {
    WriteRecorder(dir / "saver", dir / "ran", 0.4);
    os::HANDLE process = 0;
    ASSERT_TRUE(
        launcher.ShellExecuteEx(0, "open", dir / "saver", "/S", os::SW_SHOWNORMAL, process));
    ASSERT_NE(process, 0u);
    EXPECT_EQ(launcher.WaitForSingleObject(process, 50), os::WAIT_TIMEOUT);
    EXPECT_FALSE(Exists(dir / "ran"));
    EXPECT_EQ(launcher.WaitForSingleObject(process, 10000), os::WAIT_OBJECT_0);
    EXPECT_EQ(ReadText(dir / "ran"), "/S\n");
    // An ended process stays signalled, and it has been collected.
    EXPECT_EQ(launcher.WaitForSingleObject(process, 0), os::WAIT_OBJECT_0);
    EXPECT_TRUE(Children().empty());
    launcher.CloseHandle(process);
    EXPECT_EQ(launcher.WaitForSingleObject(process, 0), os::WAIT_FAILED);
}

TEST_F(LinuxProcessTest, AProcessClosedBeforeItEndsIsStillCollected) {
    WriteRecorder(dir / "saver", dir / "ran", 0.2);
    os::HANDLE process = 0;
    ASSERT_TRUE(launcher.ShellExecuteEx(0, "open", dir / "saver", "", os::SW_SHOWNORMAL, process));
    launcher.CloseHandle(process);
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir / "ran"); }));
    // The launcher collects it on its next call once it has ended.
    EXPECT_TRUE(WaitUntil([&] {
        launcher.WaitForSingleObject(0, 0);
        return Children().empty();
    }));
}

TEST_F(LinuxProcessTest, ShellExecuteExOfNothingStartsNothing) {
    os::HANDLE process = 99;
    EXPECT_FALSE(
        launcher.ShellExecuteEx(0, "open", dir / "Missing.scr", "/S", os::SW_SHOWNORMAL, process));
    EXPECT_EQ(process, 0u);
    EXPECT_EQ(launcher.GetLastError(), os::ERROR_FILE_NOT_FOUND);
    WriteRecorder(dir / "saver", dir / "ran");
    EXPECT_FALSE(
        launcher.ShellExecuteEx(0, "print", dir / "saver", "", os::SW_SHOWNORMAL, process));
    EXPECT_TRUE(Children().empty());
}

TEST_F(LinuxProcessTest, DocumentsAndAddressesGoToXdgOpen) {
    TempDir bin;
    WriteRecorder(bin / "xdg-open", dir / "opened");
    ScopedEnv path("PATH", bin.Path() + ":" + std::getenv("PATH"));
    WriteText(dir / "Help.chm", "help");

    ASSERT_TRUE(launcher.ShellExecute(0, "open", dir / "Help.chm", "", "", os::SW_SHOWNORMAL));
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir / "opened"); }));
    EXPECT_EQ(ReadText(dir / "opened"), dir / "Help.chm\n");
    ::unlink((dir / "opened").c_str());

    os::HANDLE process = 0;
    ASSERT_TRUE(launcher.ShellExecuteEx(0, "open", "https://example.org/Vistrel3/index.htm", "",
                                        os::SW_SHOWNORMAL, process));
    EXPECT_EQ(launcher.WaitForSingleObject(process, 10000), os::WAIT_OBJECT_0);
    launcher.CloseHandle(process);
    EXPECT_EQ(ReadText(dir / "opened"), "https://example.org/Vistrel3/index.htm\n");
}

TEST_F(LinuxProcessTest, ShellExecuteRunsProgramsInTheGivenFolder) {
    WriteText(dir / "where",
              "#!/bin/sh\npwd > '" + (dir / "cwd.part") + "'\nmv '" + (dir / "cwd.part") + "' '" +
                  (dir / "cwd") + "'\n",
              0755);
    ::mkdir((dir / "work").c_str(), 0755);
    ASSERT_TRUE(launcher.ShellExecute(0, "", dir / "where", "", dir / "work", os::SW_SHOW));
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir / "cwd"); }));
    char real[4096];
    ASSERT_NE(::realpath((dir / "work").c_str(), real), nullptr);
    EXPECT_EQ(ReadText(dir / "cwd"), std::string(real) + "\n");
    EXPECT_FALSE(launcher.ShellExecute(0, "open", dir / "where", "", dir / "missing", os::SW_SHOW));
}

TEST_F(LinuxProcessTest, NamedLockIsSeenByAnotherProcessUntilClosed) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path());
    const std::string name = "Vistrel 3/test";
    EXPECT_FALSE(HeldElsewhere(name));

    bool exists = true;
    const os::HANDLE lock = launcher.CreateMutex(name, exists);
    ASSERT_NE(lock, 0u);
    EXPECT_FALSE(exists);
    EXPECT_EQ(launcher.GetLastError(), 0u);
    const std::string lockPath = os::LinuxProcess::LockPath(name);
    EXPECT_EQ(lockPath.rfind(dir.Path() + "/Vistrel_3_test-", 0), 0u) << lockPath;
    EXPECT_TRUE(Exists(lockPath));
    EXPECT_TRUE(HeldElsewhere(name));

    // A second creation in this process finds it too, as on Windows.
    const os::HANDLE again = launcher.CreateMutex(name, exists);
    EXPECT_NE(again, 0u);
    EXPECT_TRUE(exists);
    EXPECT_EQ(launcher.GetLastError(), os::ERROR_ALREADY_EXISTS);
    launcher.CloseHandle(again);
    EXPECT_TRUE(HeldElsewhere(name));

    launcher.CloseHandle(lock);
    EXPECT_FALSE(HeldElsewhere(name));
}

TEST_F(LinuxProcessTest, AStaleLockFileDoesNotBlock) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path());
    WriteText(os::LinuxProcess::LockPath("Vistrel 3"), "", 0600);
    bool exists = true;
    const os::HANDLE lock = launcher.CreateMutex("Vistrel 3", exists);
    EXPECT_NE(lock, 0u);
    EXPECT_FALSE(exists);
}

TEST_F(LinuxProcessTest, StartedProgramsDoNotInheritTheLock) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path());
    bool exists = true;
    const os::HANDLE lock = launcher.CreateMutex("Vistrel 3", exists);
    ASSERT_NE(lock, 0u);
    WriteText(dir / "updater", "#!/bin/sh\ntouch '" + (dir / "started") + "'\nsleep 2\n", 0755);
    ASSERT_EQ(launcher.WinExec(dir / "updater /silent", os::SW_SHOWNORMAL), 33u);
    ASSERT_TRUE(WaitUntil([&] { return Exists(dir / "started"); }));
    launcher.CloseHandle(lock);
    // The updater is still running; the lock must be free all the same.
    EXPECT_FALSE(HeldElsewhere("Vistrel 3"));
}

TEST_F(LinuxProcessTest, LockInAFolderThatCannotHoldItFails) {
    WriteText(dir / "not-a-folder", "");
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir / "not-a-folder");
    bool exists = true;
    EXPECT_EQ(launcher.CreateMutex("Vistrel 3", exists), 0u);
    EXPECT_FALSE(exists);
    EXPECT_NE(launcher.GetLastError(), 0u);
}

// The screen-saver preview thread starts programs while the main thread starts, waits for and
// closes others: each thread's last error is its own and no start, wait or reap is lost.
TEST_F(LinuxProcessTest, ThePreviewThreadAndTheMainThreadShareOneLauncher) {
    const std::string quick = dir / "quick";
    WriteText(quick, "#!/bin/sh\nexit 0\n", 0755);
    std::atomic<int> wrong{0};
    std::thread preview([&] {
        for (int i = 0; i < 30; ++i) {
            if (launcher.WinExec(dir / "missing" + " /P 1", os::SW_SHOW) !=
                    os::ERROR_FILE_NOT_FOUND ||
                launcher.GetLastError() != os::ERROR_FILE_NOT_FOUND)
                ++wrong;
            if (launcher.WinExec(quick + " /P 1", os::SW_SHOW) != 33 ||
                launcher.GetLastError() != 0)
                ++wrong;
        }
    });
    for (int i = 0; i < 30; ++i) {
        os::HANDLE process = 0;
        if (!launcher.ShellExecuteEx(0, "open", quick, "", os::SW_SHOW, process) ||
            launcher.GetLastError() != 0) {
            ++wrong;
            continue;
        }
        // Every other one is closed while it may still run: an orphan to reap later.
        if (i % 2 == 0 && launcher.WaitForSingleObject(process, 5000) != os::WAIT_OBJECT_0)
            ++wrong;
        launcher.CloseHandle(process);
        if (launcher.GetLastError() != 0)
            ++wrong;
    }
    preview.join();
    EXPECT_EQ(wrong, 0);
}
