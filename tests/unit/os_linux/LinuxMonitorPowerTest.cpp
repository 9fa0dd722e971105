// Monitor power keeps the user's DPMS choice: switched on only to send the monitor dark, and
// back off once the monitor is on again, however that happens.
#include "os/linux/LinuxMonitorPower.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using State = os::MonitorPower::State;

// A display's DPMS as the X server keeps it: forcing a level needs DPMS on, and switching DPMS
// off turns the monitor on.
struct Server {
    bool Enabled = false;
    State Level = State::On;
    int EnableRequests = 0;
};

class FakeDpms : public os::MonitorPower::Dpms {
public:
    explicit FakeDpms(Server& d) : d_(d) {}
    bool Capable() override { return true; }
    bool Info(State& level, bool& enabled) override {
        level = d_.Level;
        enabled = d_.Enabled;
        return true;
    }
    void SetEnabled(bool enabled) override {
        ++d_.EnableRequests;
        d_.Enabled = enabled;
        if (!enabled)
            d_.Level = State::On;
    }
    void Force(State level) override {
        if (d_.Enabled)
            d_.Level = level;
    }

private:
    Server& d_;
};

std::unique_ptr<os::MonitorPower> PowerOf(Server& d) {
    return std::make_unique<os::MonitorPower>([&d] { return std::make_unique<FakeDpms>(d); });
}

TEST(MonitorPower, AUserWhoKeepsDpmsOffGetsItBackOffWhenTheMonitorIsOnAgain) {
    Server d; // xset -dpms
    auto power = PowerOf(d);
    ASSERT_TRUE(power->Set(State::Off));
    EXPECT_EQ(d.Level, State::Off);
    EXPECT_TRUE(power->Set(State::Off)); // again ten seconds later
    power->Watch();
    EXPECT_TRUE(d.Enabled) << "switched back while the monitor is still dark";

    d.Level = State::On; // the user's input wakes it at the end of the rest
    power->Watch();
    EXPECT_FALSE(d.Enabled);
    EXPECT_FALSE(power->RestorePending());

    // Woken on request (the hot key) instead.
    power->Set(State::Off);
    power->Set(State::On);
    EXPECT_FALSE(d.Enabled);
    EXPECT_EQ(d.Level, State::On);

    // The program ends while the monitor is dark.
    power->Set(State::Off);
    power.reset();
    EXPECT_FALSE(d.Enabled);
}

TEST(MonitorPower, AUserWithDpmsOnKeepsIt) {
    Server d;
    d.Enabled = true;
    auto power = PowerOf(d);
    power->Set(State::Off);
    EXPECT_EQ(d.Level, State::Off);
    EXPECT_FALSE(power->RestorePending());
    d.Level = State::On;
    power->Watch();
    power->Set(State::On);
    power.reset();
    EXPECT_TRUE(d.Enabled);
    EXPECT_EQ(d.EnableRequests, 0);
}

// A Wayland session's own switch: lit again by the program once the user is back.
class FakeOutputs : public os::MonitorPower::Outputs {
public:
    explicit FakeOutputs(std::vector<State>& requests) : requests_(requests) {}
    void Set(State state) override {
        requests_.push_back(state);
        dark_ = state != State::On;
        UserBack = false;
    }
    bool WakePending() override { return dark_; }
    void Watch() override {
        if (UserBack)
            Set(State::On);
    }
    static inline bool UserBack = false;

private:
    std::vector<State>& requests_;
    bool dark_ = false;
};

TEST(MonitorPower, ASessionsOwnSwitchReplacesDpmsAndIsLitAgainOnTheUsersReturn) {
    Server d;
    std::vector<State> requests;
    auto power =
        std::make_unique<os::MonitorPower>([&] { return std::make_unique<FakeOutputs>(requests); },
                                           [&d] { return std::make_unique<FakeDpms>(d); });
    ASSERT_TRUE(power->Set(State::Off));
    EXPECT_EQ(d.EnableRequests, 0) << "DPMS is not touched where the session switches";
    EXPECT_EQ(d.Level, State::On);
    EXPECT_TRUE(power->RestorePending()) << "the program's timer must watch for the user";
    power->Watch();
    EXPECT_EQ(requests, (std::vector<State>{State::Off}));
    FakeOutputs::UserBack = true;
    power->Watch();
    EXPECT_FALSE(power->RestorePending());
    EXPECT_EQ(requests.back(), State::On);

    // The program ends while the outputs are dark.
    power->Set(State::Off);
    power.reset();
    EXPECT_EQ(requests, (std::vector<State>{State::Off, State::On, State::Off, State::On}));

    // No switch of the session's own: DPMS, as in an X11 session.
    auto x11 = std::make_unique<os::MonitorPower>([]() { return nullptr; },
                                                  [&d] { return std::make_unique<FakeDpms>(d); });
    x11->Set(State::Off);
    EXPECT_EQ(d.Level, State::Off);
}

} // namespace
