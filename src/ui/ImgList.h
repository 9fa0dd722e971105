// Lists of equally sized images, such as the frames of an animated icon.
#pragma once

#include "os/Types.h"
#include "ui/Component.h"

#include <string>
#include <vector>

namespace os {
class Shell;
}

namespace ui {

// Frames are icons: either named icon resources of the program, loaded when first asked for,
// or icons handed over. The list owns every icon it holds and destroys them with itself.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner) : TComponent(owner) {}
    ~TImageList() override;

    int Width() const { return width_; }
    void SetWidth(int width) { width_ = width; }
    int Height() const { return height_; }
    void SetHeight(int height) { height_ = height; }

    int Count() const { return static_cast<int>(frames_.size()); }
    // Adds a frame made from an icon resource; returns its index.
    int AddResource(const std::string& name);
    // Adds an icon, which the list now owns; returns its index.
    int AddIcon(os::HICON icon);
    // The frame's icon, still owned by the list; 0 for an index outside the list, a resource
    // that cannot be loaded (asked again next time), or when no platform is installed.
    os::HICON GetIcon(int index);
    // The resource a frame is made from; empty for a handed-over icon.
    std::string ResourceName(int index) const;
    void Delete(int index);
    void Clear();

    // Raised after frames are added or removed.
    TNotifyEvent OnChange;

private:
    struct Frame {
        std::string Resource;
        os::HICON Icon = 0;
        os::Shell* Shell = nullptr; // the shell that made Icon, which must destroy it
    };
    void Release(Frame& frame);
    void Change();

    int width_ = 16;
    int height_ = 16;
    std::vector<Frame> frames_;
};

} // namespace ui
