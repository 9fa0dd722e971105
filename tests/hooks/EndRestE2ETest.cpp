// "--end-rest": a second start asks the holder of the instance lock, through a socket beside
// the lock file, to act on F4; the request arrives as the F4 hot key's own WM_HOTKEY. In a
// Wayland session the hot key registers without any X server.
#include "E2ESupport.h"
#include "FakePlatform.h"
#include "os/linux/EndRest.h"
#include "os/linux/LinuxHotKeys.h"
#include "os/linux/LinuxProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace e2e;

namespace {

// Sets an environment variable (or removes it, for nullptr) and puts the old value back.
class Env {
public:
    Env(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~Env() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

bool IsSocket(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

class EndRest : public ::testing::Test {
protected:
    EndRest() {
        char pattern[] = "/tmp/vistrel-endrest-XXXXXX"; // short: socket paths are limited
        dir = ::mkdtemp(pattern);
        runtime = std::make_unique<Env>("XDG_RUNTIME_DIR", dir.c_str());
        window = p.Loop_.CreateMessageWindow([this](os::UINT msg, os::WPARAM w, os::LPARAM l) {
            if (msg == os::WM_HOTKEY)
                hotKeys.push_back({w, l});
            return os::LRESULT{0};
        });
        // Without the desktop portal: its D-Bus thread hands events over through the toolkit's
        // own locks, which ThreadSanitizer cannot see (the portal has a test of its own).
        keys.SetWaylandSession(true, false);
        id = keys.GlobalAddAtom("VistrelHotKey");
        lockPath = os::LinuxProcess::LockPath(os::InstanceLockName);
        socketPath = os::EndRestSocketPath(lockPath);
    }
    ~EndRest() override {
        std::string command = "rm -rf '" + dir + "'";
        [[maybe_unused]] int rc = std::system(command.c_str());
    }

    // Asks from another thread, as the second process would, while this one runs its loop.
    os::EndRestResult Ask() {
        auto answer =
            std::async(std::launch::async, [this] { return os::RequestEndRest(lockPath); });
        WaitUntil([&] {
            p.Loop_.ProcessMessages();
            return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
        os::EndRestResult result = answer.get();
        p.Loop_.ProcessMessages();
        return result;
    }

    std::string dir, lockPath, socketPath;
    std::unique_ptr<Env> runtime;
    fake::FakePlatform p; // the loop the hot key posts to
    os::LinuxHotKeys keys;
    os::HWND window = 0;
    int id = 0;
    std::vector<std::pair<os::WPARAM, os::LPARAM>> hotKeys;
};

} // namespace

TEST_F(EndRest, ReachesTheF4HotKeyOfTheLockHolderUntilItsLockIsReleased) {
    // A Wayland session without XWayland and without a desktop portal: F4 still registers.
    Env noX("DISPLAY", nullptr);
    ASSERT_TRUE(keys.RegisterHotKey(window, id, 0, os::VK_F4));

    os::LinuxProcess process;
    process.SetLockCompanion(os::EndRestCompanions([this] { return keys.Press(0, os::VK_F4); }));
    bool exists = true;
    os::HANDLE lock = process.CreateMutex(os::InstanceLockName, exists);
    ASSERT_NE(lock, 0u);
    ASSERT_FALSE(exists);
    EXPECT_TRUE(IsSocket(socketPath));

    EXPECT_EQ(Ask(), os::EndRestResult::Delivered);
    ASSERT_EQ(hotKeys.size(), 1u);
    EXPECT_EQ(hotKeys[0].first, static_cast<os::WPARAM>(id));
    EXPECT_EQ(hotKeys[0].second, static_cast<os::LPARAM>(os::VK_F4 << 16));
    EXPECT_EQ(Ask(), os::EndRestResult::Delivered);
    EXPECT_EQ(hotKeys.size(), 2u);

    // Another lock of the process has no listener; a second creation of the held one does
    // not disturb the first one's.
    bool again = false;
    os::HANDLE other = process.CreateMutex("Another lock", again);
    os::HANDLE second = process.CreateMutex(os::InstanceLockName, again);
    EXPECT_TRUE(again);
    process.CloseHandle(second);
    process.CloseHandle(other);
    EXPECT_FALSE(IsSocket(os::EndRestSocketPath(os::LinuxProcess::LockPath("Another lock"))));
    EXPECT_EQ(Ask(), os::EndRestResult::Delivered);
    EXPECT_EQ(hotKeys.size(), 3u);

    // Without the hot key (released, as at the end) the instance says so and nothing is sent.
    ASSERT_TRUE(keys.UnregisterHotKey(window, id));
    EXPECT_EQ(Ask(), os::EndRestResult::NoHotKey);
    EXPECT_EQ(hotKeys.size(), 3u);

    process.CloseHandle(lock);
    EXPECT_FALSE(IsSocket(socketPath));
    EXPECT_EQ(Ask(), os::EndRestResult::NoInstance);
    std::ostringstream err;
    EXPECT_EQ(os::RunEndRestCommand(err), 1);
    EXPECT_NE(err.str().find("not running"), std::string::npos) << err.str();
}

TEST_F(EndRest, ALeftoverSocketIsNeverTakenForAnInstance) {
    ASSERT_TRUE(keys.RegisterHotKey(window, id, 0, os::VK_F4));
    // An instance that was killed leaves its socket file behind, with nobody listening.
    {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(IsSocket(socketPath));
    EXPECT_EQ(Ask(), os::EndRestResult::NoInstance); // no lock file at all
    std::ostringstream err;
    EXPECT_NE(os::RunEndRestCommand(err), 0);

    // The lock held by something that does not listen (an older program): no answer.
    int holder = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(Ask(), os::EndRestResult::NoAnswer);
    err.str("");
    EXPECT_EQ(os::RunEndRestCommand(err), 3);
    EXPECT_NE(err.str().find("does not answer"), std::string::npos) << err.str();
    ::close(holder);
    EXPECT_EQ(hotKeys.size(), 0u);

    // The next instance replaces the leftover and answers.
    os::LinuxProcess process;
    process.SetLockCompanion(os::EndRestCompanions([this] { return keys.Press(0, os::VK_F4); }));
    bool exists = true;
    os::HANDLE lock = process.CreateMutex(os::InstanceLockName, exists);
    ASSERT_FALSE(exists);
    EXPECT_EQ(Ask(), os::EndRestResult::Delivered);
    EXPECT_EQ(hotKeys.size(), 1u);
    process.CloseHandle(lock);
}
