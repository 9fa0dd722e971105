// Monitor power in a headless sway (tests/hooks/wayland_hook.sh): the compositor's output power
// protocol is asked to switch every output off, its answer (a headless output cannot be
// switched) changes nothing the user would see, and the outputs are asked to come on again
// once the user is back, or when the program ends. The requests are read from the wire log.
#include "E2ESupport.h"
#include "os/linux/LinuxMonitorPower.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

using namespace e2e;
using State = os::MonitorPower::State;

namespace {

// What the process writes to its standard error meanwhile, where the Wayland library writes
// its wire log.
class ErrorLog {
public:
    ErrorLog() {
        char name[] = "/tmp/vistrel-wire-XXXXXX";
        int fd = mkstemp(name);
        path_ = name;
        std::fflush(stderr);
        saved_ = dup(2);
        dup2(fd, 2);
        close(fd);
    }
    ~ErrorLog() {
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        std::remove(path_.c_str());
    }
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    std::string Text() const {
        std::fflush(stderr);
        std::ifstream in(path_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int Count(const std::string& what) const {
        std::string text = Text();
        int n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

private:
    std::string path_;
    int saved_ = -1;
};

} // namespace

TEST(WaylandMonitorPower, OffIsAskedOfEveryOutputAndOnComesBackWithTheUser) {
    if (std::getenv("WAYLAND_DISPLAY") == nullptr)
        GTEST_SKIP() << "no Wayland session: run under tests/hooks/wayland_hook.sh";
    ::setenv("WAYLAND_DEBUG", "client", 1); // read when a connection is made
    ErrorLog wire;
    {
        os::MonitorPower power;
        ASSERT_TRUE(power.Set(State::Off));
        EXPECT_TRUE(power.RestorePending()) << "dark outputs wait for the user";
        // The compositor tells each output's mode as the switch is made. sway 1.7 then cannot
        // switch its headless output and says nothing more (it logs the failed commit); other
        // compositors answer "failed". Either way nothing changes, and nothing is reported.
        auto answers = [&] {
            return wire.Count(".mode(1)") + wire.Count(".mode(0)") + wire.Count(".failed()");
        };
        EXPECT_TRUE(WaitUntil([&] {
            power.Watch(); // what the program's one-second timer calls
            return answers() >= 1;
        })) << wire.Text();
        EXPECT_EQ(wire.Count(".set_mode(0)"), 1) << wire.Text();
        EXPECT_EQ(wire.Count(".set_mode(1)"), 0);
        // Sent dark again ten seconds later: asked again, quietly refused again.
        ASSERT_TRUE(power.Set(State::Off));
        power.Watch();
        EXPECT_TRUE(power.RestorePending());

        // The user comes back: a key press after a pause lights the outputs.
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        ASSERT_EQ(std::system("wtype x >/dev/null 2>&1"), 0);
        EXPECT_TRUE(WaitUntil([&] {
            power.Watch();
            return !power.RestorePending();
        })) << wire.Text();
        EXPECT_EQ(wire.Count(".set_mode(1)"), 1) << wire.Text();

        // The program ends while the outputs are dark: they are asked to come on.
        power.Set(State::Off);
    }
    EXPECT_EQ(wire.Count(".set_mode(0)"), 3);
    EXPECT_EQ(wire.Count(".set_mode(1)"), 2) << wire.Text();
    EXPECT_EQ(wire.Count("wl_display@1.error("), 0) << "a request the compositor refused";
    // Sent dark every ten seconds of a rest: the idle protocol is bound once, not each time.
    EXPECT_EQ(wire.Count("\"org_kde_kwin_idle\", 1, new id"), 1) << wire.Text();
    ::unsetenv("WAYLAND_DEBUG");
}
