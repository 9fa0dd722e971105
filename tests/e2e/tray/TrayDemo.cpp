// A small program around the tray icon, set up as the main window sets up its own: eight
// animation frames once a second, a popup menu with a default item, a balloon on a click.
// Every event goes to a log file, one line each, so a test outside can follow what happened.
//
//   vistrel_tray_demo --log FILE [--tick-log FILE] [--frozen]
//
// --tick-log records the monotonic time (ms) of each animation step, for drift measurements;
// --frozen stops the animation after start-up, as during a rest.
#include "os/NativePlatform.h"
#include "platform/CoolTrayIcon.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

class Log {
public:
    bool Open(const char* path) {
        file_ = path != nullptr ? std::fopen(path, "a") : nullptr;
        return file_ != nullptr;
    }
    ~Log() {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    void Line(const std::string& text) {
        if (file_ == nullptr)
            return;
        std::fprintf(file_, "%s\n", text.c_str());
        std::fflush(file_);
    }

private:
    std::FILE* file_ = nullptr;
};

const char* ButtonName(ui::TMouseButton button) {
    switch (button) {
    case ui::TMouseButton::mbLeft:
        return "left";
    case ui::TMouseButton::mbRight:
        return "right";
    default:
        return "middle";
    }
}

class DemoTrayIcon : public platform::TCoolTrayIcon {
public:
    DemoTrayIcon(ui::TComponent* owner, Log& log) : TCoolTrayIcon(owner), log_(log) {}

protected:
    // The program sets no OnDblClick handler, so the double click is logged at its raiser.
    void DoDblClick() override {
        log_.Line("dblclick");
        TCoolTrayIcon::DoDblClick();
    }

private:
    Log& log_;
};

} // namespace

int main(int argc, char** argv) {
    const char* logPath = nullptr;
    const char* tickPath = nullptr;
    bool frozen = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frozen") == 0)
            frozen = true;
        else if (i + 1 >= argc)
            break;
        else if (std::strcmp(argv[i], "--log") == 0)
            logPath = argv[++i];
        else if (std::strcmp(argv[i], "--tick-log") == 0)
            tickPath = argv[++i];
    }
    Log log;
    if (!log.Open(logPath)) {
        std::fprintf(stderr, "usage: %s --log FILE [--tick-log FILE] [--frozen]\n", argv[0]);
        return 2;
    }
    Log ticks;
    ticks.Open(tickPath);

    std::unique_ptr<os::Platform> platform = os::CreateNativePlatform(argc, argv);
    os::ScopedPlatform installed(*platform);
    os::MessageLoop& loop = platform->Loop();

    ui::TComponent owner(nullptr);
    auto* frames = new ui::TImageList(&owner);
    for (int i = 0; i < 8; ++i)
        frames->AddResource("TRAY" + std::to_string(i));

    auto* icon = new DemoTrayIcon(&owner, log);
    auto* menu = new ui::TPopupMenu(&owner);
    menu->OnPopup = [&](ui::TComponent*) { log.Line("popup"); };
    auto addItem = [&](const std::string& caption, ui::TNotifyEvent onClick) {
        auto* item = new ui::TMenuItem(menu);
        item->SetCaption(caption);
        item->OnClick = std::move(onClick);
        menu->Items()->Add(item);
        return item;
    };
    addItem("Options", [&](ui::TComponent*) { log.Line("menu:Options"); })->SetDefault(true);
    addItem("-", nullptr);
    addItem("Balloon", [&](ui::TComponent*) {
        log.Line("menu:Balloon");
        icon->ShowBalloon("Vistrel", "A notice from the menu", platform::bkWarning, 10);
    });
    addItem("Exit", [&](ui::TComponent*) {
        log.Line("menu:Exit");
        loop.Terminate(0);
    });

    icon->SetIconList(frames);
    icon->SetCycleInterval(1000);
    icon->SetIconIndex(7);
    icon->SetPopupMenu(menu);
    icon->SetHint("Vistrel tray demo");
    icon->OnClick = [&](ui::TComponent*) {
        log.Line("click");
        icon->ShowBalloon("Vistrel", "00:49:59 left", platform::bkInfo, 10);
    };
    icon->OnMouseMove = [&](ui::TComponent*, ui::TShiftState, int x, int y) {
        log.Line("move " + std::to_string(x) + " " + std::to_string(y));
    };
    icon->OnMouseDown = [&](ui::TComponent*, ui::TMouseButton b, ui::TShiftState, int, int) {
        log.Line(std::string("down ") + ButtonName(b));
    };
    icon->OnMouseUp = [&](ui::TComponent*, ui::TMouseButton b, ui::TShiftState, int, int) {
        log.Line(std::string("up ") + ButtonName(b));
    };
    icon->OnCycle = [&](ui::TComponent*, int) {
        ticks.Line(std::to_string(platform->GetClock().TickCount()));
    };
    icon->OnBalloonHintShow = [&](ui::TComponent*) { log.Line("balloon-show"); };
    icon->OnBalloonHintHide = [&](ui::TComponent*) { log.Line("balloon-hide"); };
    icon->OnBalloonHintTimeout = [&](ui::TComponent*) { log.Line("balloon-timeout"); };
    icon->OnBalloonHintClick = [&](ui::TComponent*) { log.Line("balloon-click"); };
    icon->SetIconVisible(true);
    icon->SetCycleIcons(true);
    icon->Loaded();
    if (frozen)
        icon->SetCycleIcons(false);

    loop.SetEndSessionHandler([&] {
        log.Line("end-session");
        loop.Terminate(0);
    });
    log.Line("ready");
    int code = loop.Run();
    icon->SetIconVisible(false);
    owner.DestroyComponents();
    log.Line("exit " + std::to_string(code));
    return code;
}
