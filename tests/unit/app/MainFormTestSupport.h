// A main window on the fake platform, with helpers to read what the user would see.
#pragma once

#include "app/FormMain.h"
#include "FakePlatform.h"
#include "platform/CoolTrayIcon.h"
#include "platform/MPlayer.h"
#include "ui/Timers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace apptest {

class MainFormTest : public ::testing::Test {
protected:
    // Writes the settings file the main window reads at start-up.
    void WriteSettings(const std::string& body) {
        p.WriteFile("Program/Vistrel - tester.ini", "[Settings]\r\n" + body);
    }

    void Start() {
        form = ui::CreateForm<TMainForm>();
        p.Shell_.NotifyCalls.clear();
    }

    void Tick(int seconds = 1) { p.Advance(static_cast<std::uint64_t>(seconds) * 1000); }

    // Runs ticks until the rest has begun (the work timer stopped); returns how many.
    int TicksUntilRest(int limit = 100000) {
        int ticks = 0;
        while (form->WorkTimer->Enabled() && ticks < limit) {
            Tick();
            ++ticks;
        }
        return ticks;
    }

    // The texts of every balloon shown since the last clear, in order.
    std::vector<std::string> Balloons() const {
        std::vector<std::string> texts;
        for (auto& call : p.Shell_.NotifyCalls)
            if ((call.Data.uFlags & os::NIF_INFO) != 0 && call.Data.szInfo[0] != '\0')
                texts.emplace_back(call.Data.szInfo);
        return texts;
    }

    int MonitorOffCount() const { return MonitorPowerCount(2); }
    int MonitorOnCount() const { return MonitorPowerCount(-1); }
    int MonitorPowerCount(os::LPARAM level) const {
        int count = 0;
        for (auto& m : p.Loop_.AppWindowMessages)
            if (m.Msg == os::WM_SYSCOMMAND && m.WParam == os::SC_MONITORPOWER && m.LParam == level)
                ++count;
        return count;
    }

    std::string LastTip() const {
        for (auto it = p.Shell_.NotifyCalls.rbegin(); it != p.Shell_.NotifyCalls.rend(); ++it)
            if (it->Message == os::NIM_MODIFY || it->Message == os::NIM_ADD)
                return it->Data.szTip;
        return "";
    }

    // The icon the notification area shows now: the last one handed to it.
    os::HICON LastIcon() const {
        for (auto it = p.Shell_.NotifyCalls.rbegin(); it != p.Shell_.NotifyCalls.rend(); ++it)
            if ((it->Message == os::NIM_MODIFY || it->Message == os::NIM_ADD) &&
                (it->Data.uFlags & os::NIF_ICON) != 0)
                return it->Data.hIcon;
        return 0;
    }

    void PressF4() { p.Keys_.Press(0, os::VK_F4, p.Loop_); }

    fake::FakePlatform p;
    std::unique_ptr<TMainForm> form;
};

} // namespace apptest
