// The screen-saver preview launcher: a short-lived thread that starts a screen saver in
// preview mode inside a window and ends at once.
#pragma once

#include "os/Types.h"

#include <string>
#include <thread>

class TSSThread {
public:
    // Stores both values, then starts the thread. The caller keeps the object; its
    // destruction waits for the (short) thread body.
    TSSThread(const std::string& fileName, os::HWND previewWnd);
    ~TSSThread();
    TSSThread(const TSSThread&) = delete;
    TSSThread& operator=(const TSSThread&) = delete;

    const std::string& FileName() const { return FileName_; }
    os::HWND PreviewWnd() const { return PreviewWnd_; }

    // The command line the thread runs.
    static std::string CommandLine(const std::string& fileName, os::HWND previewWnd);

private:
    void Execute();

    std::string FileName_;
    os::HWND PreviewWnd_;
    std::thread thread_;
};
