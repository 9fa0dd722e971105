// Starting programs and documents, waiting for them, and the single-instance lock.
// Programs start detached in a session of their own; a bare program name is looked up in
// the system folder (the screen-saver launchers), then along PATH. Documents and web
// addresses go to xdg-open. The named lock is an flock on
// ${XDG_RUNTIME_DIR:-/tmp}/<name>-<uid>.lock, which the system drops when its holder ends.
#pragma once

#include "os/linux/LinuxFd.h"
#include "os/Process.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

namespace os {

// Something that lives exactly as long as a held lock (the lock's holder makes it).
class LockCompanion {
public:
    virtual ~LockCompanion() = default;
};

class LinuxProcess : public ProcessLauncher {
public:
    // systemFolder gives the folder searched first for bare program names; by default the
    // system folder stand-in.
    explicit LinuxProcess(std::function<std::string()> systemFolder = {});
    ~LinuxProcess() override;
    LinuxProcess(const LinuxProcess&) = delete;
    LinuxProcess& operator=(const LinuxProcess&) = delete;

    // 33 when started; 2 when the program cannot be run; 0 when no process can be made.
    UINT WinExec(const std::string& commandLine, int show) override;
    bool ShellExecute(HWND parent, const std::string& verb, const std::string& file,
                      const std::string& parameters, const std::string& directory,
                      int show) override;
    bool ShellExecuteEx(HWND owner, const std::string& verb, const std::string& file,
                        const std::string& parameters, int show, HANDLE& process) override;
    // INFINITE (0xFFFFFFFF) waits without limit.
    DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
    void CloseHandle(HANDLE handle) override;
    HANDLE CreateMutex(const std::string& name, bool& alreadyExists) override;
    DWORD GetLastError() override;

    // Where a named lock lives.
    static std::string LockPath(const std::string& name);

    // Made for every named lock this process takes, with the lock's name and path, and kept
    // until the lock is released (the instance's end of the "--end-rest" command).
    using CompanionFactory =
        std::function<std::unique_ptr<LockCompanion>(const std::string&, const std::string&)>;
    void SetLockCompanion(CompanionFactory factory) { companion_ = std::move(factory); }

private:
    struct Child {
        pid_t Pid = -1;
        bool Ended = false;
        UniqueFd PidFd; // readable once the child has ended; invalid where unsupported
    };
    struct Handle {
        Child Process;     // Pid -1 for a lock
        UniqueFd LockFile; // held lock, or the open lock file of another holder
        std::unique_ptr<LockCompanion> Companion; // goes first, while the lock is still held
    };

    // What a shell "open" of file starts: target itself when it is a program, else xdg-open
    // with target (viaOpener). False when there is nothing to open.
    bool ResolveOpen(const std::string& file, std::string& target, bool& viaOpener);
    std::string FindProgram(const std::string& name);
    bool Start(const std::string& verb, const std::string& file, const std::string& parameters,
               const std::string& directory, bool detached, pid_t& pid);
    HANDLE Add(Handle handle);
    void Reap(Child& child, bool block);
    void ReapOrphans(); // with mutex_ held

    void SetLastError(DWORD code);

    std::function<std::string()> systemFolder_;
    CompanionFactory companion_;
    // The preview thread starts programs while the main thread starts and waits for others:
    // the handles and the orphans are shared under mutex_, never held across a wait.
    std::mutex mutex_;
    std::map<HANDLE, Handle> handles_;
    std::vector<pid_t> orphans_; // children whose handle closed before they ended
    HANDLE nextHandle_ = 1;
};

// Starts a program with its arguments (argv[0] is passed as given). program must be a path.
// detached: the program is not a child of this process and is reaped by the system.
// Returns false with errno set when it cannot be executed; pid is the child otherwise.
bool SpawnProgram(const std::string& program, const std::vector<std::string>& argv,
                  const std::string& directory, bool detached, pid_t& pid);

} // namespace os
