#include "FakePlatform.h"

#include "DynamicLibrary.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace fake {

// ---- FakeMessageLoop ----------------------------------------------------------------------

FakeMessageLoop::FakeMessageLoop(VirtualTime& time) : time_(time) {
    appWindow_ = CreateMessageWindow([this](os::UINT msg, os::WPARAM w, os::LPARAM l) {
        AppWindowMessages.push_back({msg, w, l});
        auto hooks = appHooks_; // a hook may unhook itself
        for (auto& [id, hook] : hooks)
            hook(msg, w, l);
        return os::LRESULT{0};
    });
}

os::HWND FakeMessageLoop::CreateMessageWindow(os::WindowProc proc) {
    os::HWND handle = nextWindow_++;
    windows_[handle] = std::make_shared<os::WindowProc>(std::move(proc));
    return handle;
}

void FakeMessageLoop::DestroyWindow(os::HWND window) {
    windows_.erase(window);
    std::erase_if(timers_, [window](const Timer& t) { return t.Window == window; });
    std::erase_if(posted_, [window](const Posted& p) { return p.Window == window; });
}

bool FakeMessageLoop::IsWindow(os::HWND window) {
    return windows_.count(window) != 0;
}

int FakeMessageLoop::HookApplicationWindow(AppHook hook) {
    int id = nextHook_++;
    appHooks_[id] = std::move(hook);
    return id;
}

void FakeMessageLoop::UnhookApplicationWindow(int hookId) {
    appHooks_.erase(hookId);
}

bool FakeMessageLoop::PostMessage(os::HWND window, os::UINT msg, os::WPARAM wParam,
                                  os::LPARAM lParam) {
    if (!IsWindow(window))
        return false;
    posted_.push_back({window, msg, wParam, lParam});
    return true;
}

os::LRESULT FakeMessageLoop::SendMessage(os::HWND window, os::UINT msg, os::WPARAM wParam,
                                         os::LPARAM lParam) {
    auto it = windows_.find(window);
    if (it == windows_.end())
        return 0;
    auto proc = it->second; // keeps the handler alive if the window is destroyed meanwhile
    return (*proc)(msg, wParam, lParam).value_or(0);
}

void FakeMessageLoop::Dispatch(os::HWND window, os::UINT msg, os::WPARAM wParam,
                               os::LPARAM lParam) {
    SendMessage(window, msg, wParam, lParam);
}

os::UINT FakeMessageLoop::RegisterWindowMessage(const std::string& name) {
    auto it = registered_.find(name);
    if (it != registered_.end())
        return it->second;
    os::UINT id = 0xC000 + static_cast<os::UINT>(registered_.size());
    registered_[name] = id;
    return id;
}

bool FakeMessageLoop::SetTimer(os::HWND window, os::WPARAM id, os::UINT intervalMs) {
    if (!IsWindow(window))
        return false;
    KillTimer(window, id);
    os::UINT interval = std::max<os::UINT>(intervalMs, 10); // the system's minimum
    timers_.push_back({window, id, interval, time_.NowMs + interval, nextOrder_++});
    return true;
}

bool FakeMessageLoop::KillTimer(os::HWND window, os::WPARAM id) {
    auto before = timers_.size();
    std::erase_if(timers_, [&](const Timer& t) { return t.Window == window && t.Id == id; });
    return timers_.size() != before;
}

bool FakeMessageLoop::TimerRunning(os::HWND window, os::WPARAM id) const {
    return std::any_of(timers_.begin(), timers_.end(),
                       [&](const Timer& t) { return t.Window == window && t.Id == id; });
}

FakeMessageLoop::Timer* FakeMessageLoop::NextDue(std::uint64_t limit) {
    Timer* best = nullptr;
    for (auto& t : timers_) {
        if (t.Due > limit)
            continue;
        if (best == nullptr || t.Due < best->Due || (t.Due == best->Due && t.Order < best->Order))
            best = &t;
    }
    return best;
}

void FakeMessageLoop::DrainPosted() {
    while (!posted_.empty()) {
        Posted p = posted_.front();
        posted_.pop_front();
        Dispatch(p.Window, p.Msg, p.WParam, p.LParam);
    }
}

void FakeMessageLoop::ProcessMessages() {
    DrainPosted();
    // Timers that have come due by now fire once each, as WM_TIMER does when the queue is idle.
    std::vector<std::pair<os::HWND, os::WPARAM>> due;
    for (auto& t : timers_)
        if (t.Due <= time_.NowMs)
            due.emplace_back(t.Window, t.Id);
    for (auto& [window, id] : due) {
        auto it = std::find_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.Window == window && t.Id == id; });
        if (it == timers_.end() || it->Due > time_.NowMs)
            continue; // killed or re-armed by an earlier handler
        while (it->Due <= time_.NowMs)
            it->Due += it->Interval;
        Dispatch(window, os::WM_TIMER, id, 0);
        DrainPosted();
        if (AfterTimer)
            AfterTimer();
    }
}

bool FakeMessageLoop::FireNextTimer() {
    Timer* t = NextDue(UINT64_MAX);
    if (t == nullptr)
        return false;
    if (t->Due > time_.NowMs)
        time_.NowMs = t->Due;
    os::HWND window = t->Window;
    os::WPARAM id = t->Id;
    t->Due += t->Interval;
    Dispatch(window, os::WM_TIMER, id, 0);
    DrainPosted();
    if (AfterTimer)
        AfterTimer();
    return true;
}

void FakeMessageLoop::AdvanceTime(std::uint64_t ms) {
    std::uint64_t target = time_.NowMs + ms;
    DrainPosted();
    while (Timer* t = NextDue(target)) {
        if (t->Due > time_.NowMs)
            time_.NowMs = t->Due;
        os::HWND window = t->Window;
        os::WPARAM id = t->Id;
        t->Due += t->Interval;
        Dispatch(window, os::WM_TIMER, id, 0);
        DrainPosted();
        if (AfterTimer)
            AfterTimer();
        if (terminated_)
            return;
    }
    // A nested wait may have moved time past the target already.
    time_.NowMs = std::max(time_.NowMs, target);
}

int FakeMessageLoop::Run() {
    terminated_ = false;
    DrainPosted();
    while (!terminated_ && FireNextTimer()) {
    }
    return ExitCode;
}

void FakeMessageLoop::Terminate(int exitCode) {
    terminated_ = true;
    ExitCode = exitCode;
}

bool FakeMessageLoop::GetCursorPos(os::TPoint& point) {
    if (!CursorAvailable)
        return false;
    point = Cursor;
    return true;
}

short FakeMessageLoop::GetAsyncKeyState(int virtualKey) {
    return KeysDown.count(virtualKey) != 0 ? static_cast<short>(0x8000) : 0;
}

bool FakeMessageLoop::SetForegroundWindow(os::HWND window) {
    ForegroundCalls.push_back(window);
    return true;
}

// ---- FakeShell ----------------------------------------------------------------------------

bool FakeShell::Shell_NotifyIcon(os::DWORD message, const os::NotifyIconData& data) {
    NotifyCalls.push_back({message, data});
    if (!NotifyAvailable)
        return false;
    switch (message) {
    case os::NIM_ADD:
        return IconsShown.insert(data.uID).second;
    case os::NIM_MODIFY:
    case os::NIM_SETVERSION:
        return IconsShown.count(data.uID) != 0;
    case os::NIM_DELETE:
        return IconsShown.erase(data.uID) != 0;
    default:
        return false;
    }
}

int FakeShell::TrackPopupMenu(const std::vector<os::MenuEntry>& entries, os::TPoint at,
                              os::HWND /*owner*/) {
    MenusShown.push_back({entries, at});
    if (WhileMenuOpen)
        WhileMenuOpen();
    loop_.ProcessMessages();
    if (MenuAnswers.empty())
        return 0;
    int answer = MenuAnswers.front();
    MenuAnswers.pop_front();
    return answer;
}

os::HICON FakeShell::LoadIconResource(const std::string& name) {
    if (MissingIcons.count(name) != 0)
        return 0;
    os::HICON icon = nextIcon_++;
    Icons[icon] = name;
    return icon;
}

void FakeShell::DestroyIcon(os::HICON icon) {
    Icons.erase(icon);
}

int FakeShell::MessageBox(os::HWND /*owner*/, const std::string& text, const std::string& caption,
                          os::UINT flags) {
    MessageBoxes.push_back({text, caption, flags});
    if (WhileMessageBox)
        WhileMessageBox();
    if (!MessageBoxAnswers.empty()) {
        int answer = MessageBoxAnswers.front();
        MessageBoxAnswers.pop_front();
        return answer;
    }
    return (flags & 0x0F) == os::MB_YESNO ? os::IDNO : os::IDOK;
}

bool FakeShell::GetOpenFileName(os::OpenFileName& request) {
    OpenFileDialogs.push_back(request);
    if (OpenFileAnswers.empty())
        return false;
    std::string answer = OpenFileAnswers.front();
    OpenFileAnswers.pop_front();
    if (answer.empty())
        return false;
    request.FileName = answer;
    return true;
}

// ---- FakeSystemInfo -----------------------------------------------------------------------

bool FakeSystemInfo::GetVersionEx(os::OsVersionInfo& info) {
    if (!VersionAvailable)
        return false;
    info = Version;
    return true;
}

bool FakeSystemInfo::GetUserName(std::string& name) {
    if (!UserNameAvailable) {
        name.clear();
        return false;
    }
    name = UserName;
    return true;
}

std::string FakeSystemInfo::VerLanguageName(std::uint16_t langId) {
    auto it = LanguageNames.find(langId);
    return it != LanguageNames.end() ? it->second : "Language Neutral";
}

bool FakeSystemInfo::GetDisplayName(const std::string& path, std::string& displayName) {
    auto it = DisplayNames.find(path);
    if (it == DisplayNames.end())
        return false;
    displayName = it->second;
    return true;
}

bool FakeSystemInfo::GetComCtlVersion(os::DWORD& major, os::DWORD& minor) {
    if (!ComCtlAvailable)
        return false;
    major = ComCtlMajor;
    minor = ComCtlMinor;
    return true;
}

bool FakeSystemInfo::GetLastInputIdle(std::uint64_t& idleMs) {
    if (!IdleAvailable)
        return false;
    idleMs = IdleMs;
    return true;
}

// ---- FakeAutoRun --------------------------------------------------------------------------

bool FakeAutoRun::OpenRunKey() {
    KeyOpen = CanOpen;
    return CanOpen;
}

bool FakeAutoRun::SetRunValue(const std::string& name, const std::string& data) {
    if (!CanWrite)
        return false;
    Values[name] = data;
    ++Writes;
    return true;
}

bool FakeAutoRun::DeleteRunValue(const std::string& name) {
    Values.erase(name);
    return true;
}

bool FakeAutoRun::QueryRunValue(const std::string& name, std::string& data) {
    auto it = Values.find(name);
    if (it == Values.end())
        return false;
    data = it->second;
    return true;
}

// ---- FakeProcess --------------------------------------------------------------------------

os::UINT FakeProcess::WinExec(const std::string& commandLine, int show) {
    Starts.push_back({"WinExec", commandLine, "", "", show});
    return WinExecFails ? 2 : 33;
}

bool FakeProcess::ShellExecute(os::HWND /*parent*/, const std::string& verb,
                               const std::string& file, const std::string& parameters,
                               const std::string& /*directory*/, int show) {
    Starts.push_back({"ShellExecute", file, parameters, verb, show});
    return Unstartable.count(file) == 0;
}

bool FakeProcess::ShellExecuteEx(os::HWND /*owner*/, const std::string& verb,
                                 const std::string& file, const std::string& parameters, int show,
                                 os::HANDLE& process) {
    Starts.push_back({"ShellExecuteEx", file, parameters, verb, show});
    process = 0;
    if (file.empty() || Unstartable.count(file) != 0) {
        LastError = os::ERROR_FILE_NOT_FOUND;
        return false;
    }
    if (NoProcessHandle)
        return true;
    process = nextHandle_++;
    std::uint64_t endsAt = ProcessLifetimeMs == 0 ? 0 : time_.NowMs + ProcessLifetimeMs;
    processes_[process] = {endsAt, false};
    OpenHandles.insert(process);
    return true;
}

void FakeProcess::EndProcess(os::HANDLE handle) {
    auto it = processes_.find(handle);
    if (it != processes_.end())
        it->second.Ended = true;
}

os::DWORD FakeProcess::WaitForSingleObject(os::HANDLE handle, os::DWORD milliseconds) {
    auto it = processes_.find(handle);
    if (it == processes_.end())
        return os::WAIT_FAILED;
    auto ended = [&] {
        return it->second.Ended || (it->second.EndsAt != 0 && time_.NowMs >= it->second.EndsAt);
    };
    if (WhileWaiting)
        WhileWaiting(handle);
    if (ended())
        return os::WAIT_OBJECT_0;
    // Waiting lets virtual time pass; the caller handles the messages that came due.
    std::uint64_t until = time_.NowMs + milliseconds;
    if (it->second.EndsAt != 0 && it->second.EndsAt <= until) {
        time_.NowMs = it->second.EndsAt;
        return os::WAIT_OBJECT_0;
    }
    time_.NowMs = until;
    return os::WAIT_TIMEOUT;
}

void FakeProcess::CloseHandle(os::HANDLE handle) {
    OpenHandles.erase(handle);
    processes_.erase(handle);
}

os::HANDLE FakeProcess::CreateMutex(const std::string& name, bool& alreadyExists) {
    alreadyExists = !ExistingMutexes.insert(name).second;
    LastError = alreadyExists ? os::ERROR_ALREADY_EXISTS : 0;
    os::HANDLE handle = nextHandle_++;
    OpenHandles.insert(handle);
    return handle;
}

// ---- FakeHotKeys --------------------------------------------------------------------------

os::ATOM FakeHotKeys::GlobalAddAtom(const std::string& name) {
    auto it = Atoms.find(name);
    if (it != Atoms.end())
        return it->second;
    os::ATOM atom = static_cast<os::ATOM>(0xC000 + Atoms.size());
    Atoms[name] = atom;
    return atom;
}

bool FakeHotKeys::RegisterHotKey(os::HWND window, int id, os::UINT modifiers, os::UINT virtualKey) {
    if (HeldElsewhere.count({modifiers, virtualKey}) != 0)
        return false;
    for (auto& r : Registered)
        if (r.Modifiers == modifiers && r.Key == virtualKey)
            return false;
    Registered.push_back({window, id, modifiers, virtualKey});
    return true;
}

bool FakeHotKeys::UnregisterHotKey(os::HWND window, int id) {
    auto before = Registered.size();
    std::erase_if(Registered,
                  [&](const Registration& r) { return r.Window == window && r.Id == id; });
    return Registered.size() != before;
}

bool FakeHotKeys::Press(os::UINT modifiers, os::UINT virtualKey, os::MessageLoop& loop) {
    for (auto& r : Registered)
        if (r.Modifiers == modifiers && r.Key == virtualKey) {
            loop.PostMessage(r.Window, os::WM_HOTKEY, static_cast<os::WPARAM>(r.Id),
                             static_cast<os::LPARAM>((virtualKey << 16) | modifiers));
            loop.ProcessMessages();
            return true;
        }
    return false;
}

// ---- FakeLibraries ------------------------------------------------------------------------

os::HMODULE FakeLibraries::LoadLibrary(const std::string& name) {
    LoadAttempts.push_back(name);
    void* handle = OpenLibrary(name);
    if (handle == nullptr) {
        lastError_ = os::ERROR_MOD_NOT_FOUND;
        return 0;
    }
    ++loaded_;
    return reinterpret_cast<os::HMODULE>(handle);
}

void* FakeLibraries::GetProcAddress(os::HMODULE module, const std::string& name) {
    return LibrarySymbol(reinterpret_cast<void*>(module), name);
}

bool FakeLibraries::FreeLibrary(os::HMODULE module) {
    if (!CloseLibrary(reinterpret_cast<void*>(module)))
        return false;
    --loaded_;
    return true;
}

std::string FakeLibraries::SysErrorMessage(os::DWORD code) {
    if (code == os::ERROR_MOD_NOT_FOUND)
        return "The specified module could not be found.";
    return "System error " + std::to_string(code) + ".";
}

// ---- FakeMci ------------------------------------------------------------------------------

void FakeMci::Notify(os::HWND callback, os::WPARAM code, os::MCIDEVICEID id) {
    if (callback != 0)
        loop_.PostMessage(callback, os::MM_MCINOTIFY, code, id);
}

os::MCIERROR FakeMci::Open(const std::string& deviceType, const std::string& elementName,
                           os::DWORD flags, os::HWND callback, os::MCIDEVICEID& deviceId) {
    Commands.push_back({"open", 0, flags, elementName, deviceType});
    if (OpenError != 0)
        return OpenError;
    auto it = Lengths.find(elementName);
    if (it == Lengths.end() && !AnyFileOpens)
        return os::MCIERR_INVALID_FILE;
    os::DWORD length = it != Lengths.end() ? it->second : DefaultLength;
    // Identifiers are reused, never 0 (no device) and never one still open.
    while (nextId_ == 0 || devices_.count(nextId_) != 0)
        ++nextId_;
    deviceId = nextId_++;
    devices_[deviceId] = {elementName, length, 0, false, 0, 0, callback, false};
    if (flags & os::MCI_NOTIFY)
        Notify(callback, os::MCI_NOTIFY_SUCCESSFUL, deviceId);
    return 0;
}

void FakeMci::Update() {
    for (auto& [id, d] : devices_) {
        if (!d.Playing || PlayStalls)
            continue;
        std::uint64_t played = time_.NowMs - d.PlayStartedAt;
        std::uint64_t position = d.PlayStartPosition + played;
        if (position >= d.Length) {
            d.Position = d.Length;
            d.Playing = false;
            if (d.NotifyPending) {
                d.NotifyPending = false;
                Notify(d.Callback, os::MCI_NOTIFY_SUCCESSFUL, id);
            }
        } else {
            d.Position = static_cast<os::DWORD>(position);
        }
    }
}

os::MCIERROR FakeMci::Play(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback,
                           os::DWORD /*from*/, os::DWORD /*to*/) {
    Commands.push_back({"play", id, flags, ""});
    Update();
    auto it = devices_.find(id);
    if (it == devices_.end())
        return os::MCIERR_INVALID_DEVICE_ID;
    if (PlayFails)
        return os::MCIERR_HARDWARE;
    auto& d = it->second;
    if (d.Playing && d.NotifyPending)
        Notify(d.Callback, os::MCI_NOTIFY_SUPERSEDED, id);
    d.Playing = d.Position < d.Length;
    d.Paused = false;
    d.PlayStartedAt = time_.NowMs;
    d.PlayStartPosition = d.Position;
    d.Callback = callback;
    d.NotifyPending = (flags & os::MCI_NOTIFY) != 0;
    if (!d.Playing && d.NotifyPending) {
        d.NotifyPending = false;
        Notify(callback, os::MCI_NOTIFY_SUCCESSFUL, id);
    }
    return 0;
}

os::MCIERROR FakeMci::Stop(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) {
    Commands.push_back({"stop", id, flags, ""});
    Update();
    auto it = devices_.find(id);
    if (it == devices_.end())
        return os::MCIERR_INVALID_DEVICE_ID;
    auto& d = it->second;
    if (d.Playing && d.NotifyPending)
        Notify(d.Callback, os::MCI_NOTIFY_ABORTED, id);
    d.Playing = false;
    d.Paused = false;
    d.NotifyPending = false;
    if (flags & os::MCI_NOTIFY)
        Notify(callback, os::MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

os::MCIERROR FakeMci::Pause(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) {
    Commands.push_back({"pause", id, flags, ""});
    Update();
    auto it = devices_.find(id);
    if (it == devices_.end())
        return os::MCIERR_INVALID_DEVICE_ID;
    if (it->second.Playing)
        it->second.Paused = true;
    it->second.Playing = false;
    if (flags & os::MCI_NOTIFY)
        Notify(callback, os::MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

os::MCIERROR FakeMci::Resume(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) {
    Commands.push_back({"resume", id, flags, ""});
    auto it = devices_.find(id);
    if (it == devices_.end())
        return os::MCIERR_INVALID_DEVICE_ID;
    if (!it->second.Paused)
        return os::MCIERR_NONAPPLICABLE_FUNCTION;
    return Play(id, flags, callback, 0, 0);
}

os::MCIERROR FakeMci::Close(os::MCIDEVICEID id, os::DWORD flags, os::HWND callback) {
    Commands.push_back({"close", id, flags, ""});
    if (CloseFails)
        return os::MCIERR_HARDWARE;
    auto it = devices_.find(id);
    if (it == devices_.end())
        return os::MCIERR_INVALID_DEVICE_ID;
    if (it->second.Playing && it->second.NotifyPending)
        Notify(it->second.Callback, os::MCI_NOTIFY_ABORTED, id);
    devices_.erase(it);
    if (flags & os::MCI_NOTIFY)
        Notify(callback, os::MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

os::MCIERROR FakeMci::Seek(os::MCIDEVICEID id, os::DWORD flags, os::DWORD to,
                           os::HWND /*callback*/) {
    Commands.push_back({"seek", id, flags, ""});
    Update();
    auto it = devices_.find(id);
    if (it == devices_.end())
        return os::MCIERR_INVALID_DEVICE_ID;
    auto& d = it->second;
    if (flags & os::MCI_SEEK_TO_START)
        d.Position = 0;
    else if (flags & os::MCI_SEEK_TO_END)
        d.Position = d.Length;
    else
        d.Position = std::min(to, d.Length);
    d.Playing = false;
    d.Paused = false;
    return 0;
}

os::MCIERROR FakeMci::Status(os::MCIDEVICEID id, os::DWORD /*flags*/, os::DWORD item,
                             os::DWORD& value) {
    Update();
    auto it = devices_.find(id);
    if (it == devices_.end())
        return os::MCIERR_INVALID_DEVICE_ID;
    auto& d = it->second;
    switch (item) {
    case os::MCI_STATUS_LENGTH:
        value = d.Length;
        return 0;
    case os::MCI_STATUS_POSITION:
        value = d.Position;
        return 0;
    case os::MCI_STATUS_MODE:
        value = d.Playing ? os::MCI_MODE_PLAY : d.Paused ? os::MCI_MODE_PAUSE : os::MCI_MODE_STOP;
        return 0;
    default:
        return os::MCIERR_UNSUPPORTED_FUNCTION;
    }
}

os::MCIERROR FakeMci::GetDevCaps(os::MCIDEVICEID id, os::DWORD /*flags*/, os::DWORD item,
                                 os::DWORD& value) {
    if (devices_.count(id) == 0)
        return os::MCIERR_INVALID_DEVICE_ID;
    switch (item) {
    case os::MCI_GETDEVCAPS_CAN_PLAY:
        value = 1;
        return 0;
    case os::MCI_GETDEVCAPS_CAN_RECORD:
    case os::MCI_GETDEVCAPS_CAN_EJECT:
    case os::MCI_GETDEVCAPS_HAS_VIDEO:
        value = 0;
        return 0;
    case os::MCI_GETDEVCAPS_DEVICE_TYPE:
        value = os::MCI_DEVTYPE_SEQUENCER;
        return 0;
    default:
        return os::MCIERR_UNSUPPORTED_FUNCTION;
    }
}

bool FakeMci::GetErrorString(os::MCIERROR error, std::string& text) {
    switch (error) {
    case os::MCIERR_INVALID_FILE:
        text = "The specified file cannot be played on the specified MCI device.";
        return true;
    case os::MCIERR_INVALID_DEVICE_ID:
        text = "Invalid device ID.";
        return true;
    case os::MCIERR_HARDWARE:
        text = "The device is not ready.";
        return true;
    default:
        return false;
    }
}

// ---- FakePlatform -------------------------------------------------------------------------

FakePlatform::FakePlatform() {
    // A new folder of our own: create_directory reports whether it made the folder.
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; Root.empty(); ++attempt) {
        if (attempt == 100)
            throw std::runtime_error("cannot create a temporary folder");
        fs::path candidate =
            fs::temp_directory_path() / ("vistrel-test-" + std::to_string(random() % 1000000000));
        std::error_code ec;
        if (fs::create_directory(candidate, ec))
            Root = candidate.string();
    }
    fs::create_directories(Path("Program"));
    System_.ExePath = Path("Program/Vistrel");
    System_.WindowsDir = Path("Windows");
    System_.SystemDir = Path("Windows/System");
    fs::create_directories(System_.SystemDir);
    installed_ = std::make_unique<os::ScopedPlatform>(*this);
}

FakePlatform::~FakePlatform() {
    installed_.reset();
    std::error_code ec;
    // Tests may make folders read-only; give write access back so everything can go.
    for (auto it = fs::recursive_directory_iterator(Root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(Root, ec);
}

std::string FakePlatform::ProgramDir() const {
    return Path("Program/");
}

std::string FakePlatform::Path(const std::string& relativePath) const {
    std::string path = Root + os::PathDelim + relativePath;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(Root.size()), path.end(), '/',
                 os::PathDelim);
    return path;
}

std::string FakePlatform::WriteFile(const std::string& relativePath, const std::string& content) {
    fs::path full = Path(relativePath);
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << content;
    return full.string();
}

std::string FakePlatform::ReadFile(const std::string& fullPath) const {
    std::ifstream in(fullPath, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void FakePlatform::Advance(std::uint64_t ms) {
    // Step in small slices so the audio device notices a piece's end near its real time.
    std::uint64_t target = Time.NowMs + ms;
    while (Time.NowMs < target) {
        std::uint64_t step = std::min<std::uint64_t>(target - Time.NowMs, 100);
        Loop_.AdvanceTime(step);
        Media_.Update();
        Loop_.ProcessMessages();
    }
}

} // namespace fake
