// The system's common dialogs as components.
#pragma once

#include "ui/Component.h"

#include <string>

namespace ui {

// The file-open dialog, one existing file at a time.
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

    // Shown names and patterns alternating, separated by '|'.
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& filter) { filter_ = filter; }
    // 1-based choice of the filter shown first; the user's choice after Execute.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int index) { filterIndex_ = index; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& folder) { initialDir_ = folder; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    // The chosen file's full path after Execute.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }

    // Shows the dialog over the active window; false when the user cancels.
    bool Execute();

private:
    std::string filter_;
    int filterIndex_ = 1;
    std::string initialDir_;
    std::string title_;
    std::string fileName_;
};

} // namespace ui
