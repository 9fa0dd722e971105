#include "ui/ImgList.h"

#include "os/Platform.h"
#include "ui/Classes.h"

namespace ui {

namespace {

os::Shell* CurrentShell() {
    return os::Installed() ? &os::Current().GetShell() : nullptr;
}

} // namespace

TImageList::~TImageList() {
    for (Frame& frame : frames_)
        Release(frame);
}

int TImageList::AddResource(const std::string& name) {
    Frame frame;
    frame.Resource = name;
    frames_.push_back(frame);
    Change();
    return Count() - 1;
}

int TImageList::AddIcon(os::HICON icon) {
    Frame frame;
    frame.Icon = icon;
    frame.Shell = CurrentShell();
    frames_.push_back(frame);
    Change();
    return Count() - 1;
}

os::HICON TImageList::GetIcon(int index) {
    if (index < 0 || index >= Count())
        return 0;
    Frame& frame = frames_[static_cast<std::size_t>(index)];
    if (frame.Icon == 0 && !frame.Resource.empty() && os::Installed()) {
        frame.Shell = CurrentShell();
        frame.Icon = frame.Shell->LoadIconResource(frame.Resource);
    }
    return frame.Icon;
}

std::string TImageList::ResourceName(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return frames_[static_cast<std::size_t>(index)].Resource;
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    Release(frames_[static_cast<std::size_t>(index)]);
    frames_.erase(frames_.begin() + index);
    Change();
}

void TImageList::Clear() {
    if (frames_.empty())
        return;
    for (Frame& frame : frames_)
        Release(frame);
    frames_.clear();
    Change();
}

void TImageList::Release(Frame& frame) {
    // Only the shell that made an icon can destroy it; if that platform is gone, so is the icon.
    if (frame.Icon != 0 && frame.Shell && frame.Shell == CurrentShell())
        frame.Shell->DestroyIcon(frame.Icon);
    frame.Icon = 0;
    frame.Shell = nullptr;
}

void TImageList::Change() {
    if (OnChange) {
        auto handler = OnChange;
        handler(this);
    }
}

} // namespace ui
