#include "app/SSThread.h"

#include "os/common/CommandLine.h"
#include "os/Platform.h"

TSSThread::TSSThread(const std::string& fileName, os::HWND previewWnd)
    : FileName_(fileName), PreviewWnd_(previewWnd) {
    thread_ = std::thread([this] { Execute(); });
}

TSSThread::~TSSThread() {
    if (thread_.joinable())
        thread_.join();
}

std::string TSSThread::CommandLine(const std::string& fileName, os::HWND previewWnd) {
    // The path is quoted when it holds a blank, so "Program Files" cannot start "Program".
    return os::QuoteIfBlank(fileName) + " /P " + std::to_string(previewWnd);
}

void TSSThread::Execute() {
    // A failed start is not reported; the panel simply stays empty.
    os::Current().Process().WinExec(CommandLine(FileName_, PreviewWnd_), os::SW_SHOW);
}
